// toNumber and numberToText. A double's text is compared with its exact
// decimal expansion (glibc's printf is exact at any precision) rounded to 13
// significant digits half away from zero; a plain ASCII number is compared
// with strtod, which rounds correctly; full-width digits read as ASCII ones.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_check.h"
#include "shell/values/number.h"

namespace {

using brindlow::Number;
using brindlow::Text;

constexpr int kSignificant = 13;

bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "%.13g" with three exponent digits, rounding the exact value half away from
// zero (printf itself rounds exact halves to even).
Text expectedText(double x) {
  if (x == 0) return "0";
  char exact[900];
  // A double has at most 767 significant decimal digits; 801 hold them all.
  std::snprintf(exact, sizeof exact, "%.800e", std::fabs(x));
  std::string digits;
  const char* p = exact;
  for (; *p != 'e'; ++p) {
    if (isDigit(*p)) digits += *p;
  }
  int exponent = std::atoi(p + 1);
  std::string kept = digits.substr(0, kSignificant);
  if (digits[kSignificant] >= '5') {
    int i = kSignificant - 1;
    while (i >= 0 && kept[i] == '9') kept[i--] = '0';
    if (i >= 0) {
      ++kept[i];
    } else {
      kept.insert(kept.begin(), '1');
      kept.pop_back();
      ++exponent;
    }
  }
  while (kept.size() > 1 && kept.back() == '0') kept.pop_back();

  Text out = x < 0 ? "-" : "";
  if (exponent < -4 || exponent >= kSignificant) {
    out += kept[0];
    if (kept.size() > 1) out += "." + kept.substr(1);
    char tail[8];
    std::snprintf(tail, sizeof tail, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    out += tail;
  } else if (exponent >= 0) {
    const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (kept.size() <= whole) {
      out += kept + std::string(whole - kept.size(), '0');
    } else {
      out += kept.substr(0, whole) + "." + kept.substr(whole);
    }
  } else {
    out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + kept;
  }
  return out;
}

void checkText(double x) {
  const Text text = brindlow::numberToText(x);
  FUZZ_CHECK_SHOW(text != "-0", text);
  if (!std::isfinite(x)) {
    static const char* const kNonFinite[] = {"1.#INF",   "-1.#INF", "-1.#IND", "1.#QNAN",
                                             "-1.#QNAN", "1.#SNAN", "-1.#SNAN"};
    bool known = false;
    for (const char* form : kNonFinite) known = known || text == form;
    FUZZ_CHECK_SHOW(known, text);
    return;
  }
  FUZZ_CHECK_SHOW(text == expectedText(x), text);

  // Read back, the text gives the value to within its 13 digits, and the
  // value read gives the same text again.
  const Number back = brindlow::toNumber(text);
  const double tolerance = std::fabs(x) * 5.001e-13 + std::numeric_limits<double>::denorm_min();
  FUZZ_CHECK_SHOW(std::fabs(back - x) <= tolerance, text);
  if (std::fabs(x) >= std::numeric_limits<double>::min()) {
    FUZZ_CHECK_SHOW(brindlow::numberToText(back) == text, text);
  }
}

bool isAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// strtod reads the same numbers, apart from the hexadecimal, infinity and NaN
// forms that toNumber does not know, and the 'd' exponent it does.
void compareWithStrtod(const Text& text, Number value) {
  std::size_t i = 0;
  while (i < text.size() && isAsciiSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i >= text.size() || !(isDigit(text[i]) || text[i] == '.')) return;
  if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) return;
  std::string c = text;
  for (char& ch : c) {
    if (ch == 'd') ch = 'e';
    if (ch == 'D') ch = 'E';
  }
  const double expected = std::strtod(c.c_str(), nullptr);
  FUZZ_CHECK_SHOW(sameBits(value, expected), text);
}

// Each printable ASCII character as its GBK full-width form.
Text fullWidth(const Text& ascii) {
  Text out;
  for (char c : ascii) {
    const auto b = static_cast<unsigned char>(c);
    if (b == ' ') {
      out += "\xA1\xA1";
    } else if (b >= 0x21 && b <= 0x7E) {
      out += '\xA3';
      out += static_cast<char>(b + 0x80);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text text(reinterpret_cast<const char*>(data), size);
  const Number value = brindlow::toNumber(text);
  FUZZ_CHECK_SHOW(!std::isnan(value), text);
  checkText(value);

  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    compareWithStrtod(text, value);
    FUZZ_CHECK_SHOW(sameBits(brindlow::toNumber(fullWidth(text)), value), text);
  }

  // The leading eight bytes as any double, NaNs and subnormals included.
  if (size >= 8) {
    std::uint64_t bits;
    std::memcpy(&bits, data, sizeof bits);
    checkText(std::bit_cast<double>(bits));
  }
  return 0;
}
