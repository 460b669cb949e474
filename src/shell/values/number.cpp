#include "shell/values/number.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace brindlow {

namespace {

// ---------------------------------------------------------------------------
// toNumber

// Reads the text one character at a time with full-width forms folded into
// ASCII. A double-byte character that does not fold is returned as its lead
// byte, which never fits a number, so the parse stops there.
class FoldedReader {
 public:
  explicit FoldedReader(const Text& t)
      : p_(reinterpret_cast<const unsigned char*>(t.data())), end_(p_ + t.size()) {}

  // The next folded byte, or -1 at the end (a lone final lead byte is dropped).
  int next() {
    if (p_ == end_) return -1;
    const unsigned char lead = *p_++;
    if (lead < 0x80) return lead;
    if (p_ == end_) return -1;
    const unsigned char trail = *p_++;
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return trail - 0x80;
    if (lead == 0xA1) {
      if (trail == 0xA1) return ' ';
      if (trail == 0xAB) return '~';
      if (trail == 0xEE || trail == 0xEF) return '*';
    }
    return lead;
  }

 private:
  const unsigned char* p_;
  const unsigned char* end_;
};

inline bool isDigit(int c) { return c >= '0' && c <= '9'; }
inline bool isSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Significant digits kept for the conversion. A double is decided by at most
// 767 of them; the rest only matter as "something non-zero follows", which a
// single sticky digit keeps.
constexpr int kMaxDigits = 780;
// Exponents are saturated here while reading; far beyond any double.
constexpr std::int64_t kExponentLimit = 100000000;

}  // namespace

Number toNumber(const Text& t) {
  FoldedReader in(t);
  int c = in.next();
  while (isSpace(c)) c = in.next();
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = in.next();
  }

  // value = digits x 10^exponent, digits without leading zeros.
  char buffer[kMaxDigits + 2 + 24];
  int digitCount = 0;
  bool sticky = false;
  bool anyDigit = false;
  bool seenPoint = false;
  std::int64_t exponent = 0;
  for (;; c = in.next()) {
    if (isDigit(c)) {
      anyDigit = true;
      if (digitCount == 0 && c == '0') {
        if (seenPoint) --exponent;
      } else if (digitCount < kMaxDigits) {
        buffer[digitCount++] = static_cast<char>(c);
        if (seenPoint) --exponent;
      } else {
        if (c != '0') sticky = true;
        if (!seenPoint) ++exponent;
      }
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return 0.0;

  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
    c = in.next();
    bool negativeExponent = false;
    if (c == '+' || c == '-') {
      negativeExponent = c == '-';
      c = in.next();
    }
    // Without digits the letter is not part of the number.
    std::int64_t written = 0;
    while (isDigit(c)) {
      if (written < kExponentLimit) written = written * 10 + (c - '0');
      c = in.next();
    }
    exponent += negativeExponent ? -written : written;
  }

  const double zero = negative ? -0.0 : 0.0;
  const double infinity =
      negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  if (digitCount == 0) return zero;
  if (sticky) {
    buffer[digitCount++] = '1';
    --exponent;
  }
  // Decimal exponent of the first significant digit.
  const std::int64_t leading = exponent + digitCount - 1;
  if (leading > 400) return infinity;
  if (leading < -400) return zero;

  char* end = buffer + digitCount;
  *end++ = 'e';
  end = std::to_chars(end, buffer + sizeof buffer, exponent).ptr;
  double value = 0.0;
  const auto result = std::from_chars(buffer, end, value);
  if (result.ec == std::errc::result_out_of_range) return leading > 0 ? infinity : zero;
  return negative ? -value : value;
}

// ---------------------------------------------------------------------------
// numberToText

namespace {

constexpr int kSignificant = 13;

// Decimal digits of a positive finite value: d[0] is the first significant
// digit, worth 10^exponent.
struct Digits {
  char d[kSignificant];
  int exponent;
};

// Splits to_chars' scientific output "d.ddde+XX" into its digits and exponent.
// Returns the number of significant digits written.
int readScientific(const char* begin, const char* end, char* digits, int capacity, int& exponent) {
  int count = 0;
  const char* p = begin;
  for (; p != end && *p != 'e'; ++p) {
    if (*p == '.') continue;
    if (count < capacity) digits[count] = *p;
    ++count;
  }
  ++p;  // 'e'
  const bool negative = *p == '-';
  ++p;
  int value = 0;
  for (; p != end; ++p) value = value * 10 + (*p - '0');
  exponent = negative ? -value : value;
  return count;
}

// Whether a is exactly the 14-digit decimal n x 10^k (n < 10^14).
bool isExactly(double a, std::uint64_t n, int k) {
  int e2 = 0;
  const double fraction = std::frexp(a, &e2);
  std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  e2 -= 53;
  const int mantissaTwos = std::countr_zero(mantissa);
  mantissa >>= mantissaTwos;
  e2 += mantissaTwos;
  const int nTwos = std::countr_zero(n);
  const std::uint64_t nOdd = n >> nTwos;
  // Compare the powers of two, then the odd parts with the fives multiplied in.
  if (k >= 0) {
    if (nTwos + k != e2) return false;
    std::uint64_t product = nOdd;
    for (int i = 0; i < k; ++i) {
      product *= 5;
      if (product > mantissa) return false;
    }
    return product == mantissa;
  }
  const int j = -k;
  if (e2 + j != nTwos) return false;
  std::uint64_t product = mantissa;
  for (int i = 0; i < j; ++i) {
    product *= 5;
    if (product > nOdd) return false;
  }
  return product == nOdd;
}

// 13 significant digits of a > 0, the exact value rounded half away from zero.
Digits significantDigits(double a) {
  Digits out{};
  char buffer[64];
  char* const limit = buffer + sizeof buffer;

  // The shortest form that reads back as a: with 13 digits or fewer it is the
  // nearest 13-digit decimal too, since a normal double differs from it by at
  // most half a unit in its last bit, far less than half a unit of the 13th
  // digit. Subnormals have too few bits for that.
  if (a >= std::numeric_limits<double>::min()) {
    auto shortest = std::to_chars(buffer, limit, a, std::chars_format::scientific);
    char digits[20];
    const int count = readScientific(buffer, shortest.ptr, digits, 20, out.exponent);
    if (count <= kSignificant) {
      for (int i = 0; i < kSignificant; ++i) out.d[i] = i < count ? digits[i] : '0';
      return out;
    }
  }

  // Otherwise round the exact value. to_chars rounds exact halves to even; that
  // differs from away-from-zero only on an exact half that went down to an
  // even digit.
  auto rounded = std::to_chars(buffer, limit, a, std::chars_format::scientific, kSignificant - 1);
  readScientific(buffer, rounded.ptr, out.d, kSignificant, out.exponent);
  if ((out.d[kSignificant - 1] - '0') % 2 != 0) return out;

  auto longer = std::to_chars(buffer, limit, a, std::chars_format::scientific, kSignificant);
  char more[kSignificant + 1];
  int moreExponent = 0;
  readScientific(buffer, longer.ptr, more, kSignificant + 1, moreExponent);
  if (more[kSignificant] != '5' || moreExponent != out.exponent ||
      std::memcmp(more, out.d, kSignificant) != 0) {
    return out;
  }
  std::uint64_t n = 0;
  for (char digit : more) n = n * 10 + static_cast<std::uint64_t>(digit - '0');
  if (!isExactly(a, n, moreExponent - kSignificant)) return out;

  // An exact half: round up, carrying into a new leading digit if need be.
  int i = kSignificant - 1;
  while (i >= 0 && out.d[i] == '9') out.d[i--] = '0';
  if (i >= 0) {
    ++out.d[i];
  } else {
    out.d[0] = '1';
    ++out.exponent;
  }
  return out;
}

Text nonFiniteText(std::uint64_t bits) {
  const bool negative = (bits >> 63) != 0;
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const std::uint64_t quietBit = std::uint64_t{1} << 51;
  if (fraction == 0) return negative ? "-1.#INF" : "1.#INF";
  // The default NaN of an invalid operation on x86: sign set, only the quiet bit.
  if (negative && fraction == quietBit) return "-1.#IND";
  Text text = negative ? "-" : "";
  text += (fraction & quietBit) != 0 ? "1.#QNAN" : "1.#SNAN";
  return text;
}

}  // namespace

Text numberToText(Number x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  if (((bits >> 52) & 0x7FF) == 0x7FF) return nonFiniteText(bits);
  if (x == 0) return "0";

  const Digits digits = significantDigits(std::fabs(x));
  int used = kSignificant;
  while (used > 1 && digits.d[used - 1] == '0') --used;
  const int e = digits.exponent;

  char out[48];
  char* p = out;
  if (x < 0) *p++ = '-';
  if (e < -4 || e >= kSignificant) {
    *p++ = digits.d[0];
    if (used > 1) {
      *p++ = '.';
      std::memcpy(p, digits.d + 1, static_cast<std::size_t>(used - 1));
      p += used - 1;
    }
    *p++ = 'e';
    *p++ = e < 0 ? '-' : '+';
    const int magnitude = e < 0 ? -e : e;
    *p++ = static_cast<char>('0' + magnitude / 100 % 10);
    *p++ = static_cast<char>('0' + magnitude / 10 % 10);
    *p++ = static_cast<char>('0' + magnitude % 10);
  } else if (e >= 0) {
    for (int i = 0; i <= e; ++i) *p++ = i < used ? digits.d[i] : '0';
    if (used > e + 1) {
      *p++ = '.';
      std::memcpy(p, digits.d + e + 1, static_cast<std::size_t>(used - e - 1));
      p += used - e - 1;
    }
  } else {
    *p++ = '0';
    *p++ = '.';
    for (int i = 0; i < -e - 1; ++i) *p++ = '0';
    std::memcpy(p, digits.d, static_cast<std::size_t>(used));
    p += used;
  }
  return Text(out, p);
}

// ---------------------------------------------------------------------------
// Rounding, truncation and comparison

namespace {

double powerOfTen(int n) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (n >= 0 && n <= 22) return kExact[n];
  return std::pow(10.0, n);
}

constexpr double kNudge = 1e-12;
constexpr double kTolerance = 1e-7;

}  // namespace

Number roundTo(Number x, Integer places) {
  if (x == 0 || std::isnan(x)) return x;
  const bool negative = x < 0;
  const double m = std::fabs(x);
  // Guard against 10^places overflowing, where the steps below would turn into
  // inf - inf or 0 x inf: such a rounding leaves the value or clears it.
  const std::int64_t scaleDigits = places < 0 ? -std::int64_t{places} : std::int64_t{places};
  const double scale = powerOfTen(scaleDigits > 400 ? 400 : static_cast<int>(scaleDigits));
  double s = m;
  if (places > 0) s = m * scale;
  if (places < 0) s = m / scale;
  if (std::isinf(s)) return x;

  const double sum = s + kNudge;
  double i = std::trunc(sum);
  if (sum - i >= 0.5) i += 1;

  double magnitude = i;
  if (places > 0) magnitude = i / scale;
  if (places < 0) magnitude = i == 0 ? 0.0 : i * scale;
  return negative ? -magnitude : magnitude;
}

Number absoluteValue(Number x) { return x >= 0 ? x : -x; }

Integer toInteger(Number x) {
  if (std::isnan(x)) return 0;
  const double t = std::trunc(x);
  // [-2^63, 2^63): checked before the conversion, which is undefined outside it.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(t >= -kLimit && t < kLimit)) return 0;
  const auto wide = static_cast<std::int64_t>(t);
  return static_cast<Integer>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

bool nearlyGreater(Number a, Number b) { return a - b > kTolerance; }

bool nearlyLess(Number a, Number b) { return !(a - b >= -kTolerance); }

}  // namespace brindlow
