// The code page 936 codec. Decoding any bytes gives well-formed UTF-8, the
// same as decoding them one character at a time with iconv; encoding any bytes
// likewise, and gives GBK that decodes without a replacement character; and
// the characters iconv itself maps both ways one to one come back as they were.

#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "shell/values/codepage.h"

namespace {

using brindlow::Text;

// Whole-string conversion with iconv; false on anything it cannot convert.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[64];
    out.clear();
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (result == static_cast<std::size_t>(-1) && outPtr == buffer) return false;
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      return false;
    }
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

Iconv& decoder() {
  static Iconv converter("UTF-8", "CP936");
  return converter;
}

Iconv& encoder() {
  static Iconv converter("CP936", "UTF-8");
  return converter;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(std::string_view s, std::size_t* characters = nullptr) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++count) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (b < 0x80) {
      length = 1;
      code = b;
    } else if (b >= 0xC0 && b < 0xE0) {
      length = 2;
      code = b & 0x1F;
    } else if (b >= 0xE0 && b < 0xF0) {
      length = 3;
      code = b & 0x0F;
    } else if (b >= 0xF0 && b < 0xF8) {
      length = 4;
      code = b & 0x07;
    } else {
      return false;
    }
    if (s.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      code = (code << 6) | (c & 0x3F);
    }
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  if (characters != nullptr) *characters = count;
  return true;
}

// The characters of g that iconv decodes to one code point and encodes back
// to the same bytes, in order; the others are left out.
Text oneToOne(const Text& g) {
  Text kept;
  std::string utf8;
  std::string back;
  auto mapsBothWays = [&](std::string_view c) {
    std::size_t characters = 0;
    return decoder().convert(c, utf8) && isUtf8(utf8, &characters) && characters == 1 &&
           encoder().convert(utf8, back) && back == c;
  };
  std::size_t p = 0;
  while (p < g.size()) {
    const auto b = static_cast<unsigned char>(g[p]);
    if (b >= 0x81 && p + 1 < g.size()) {
      const std::string_view pair(g.data() + p, 2);
      std::size_t characters = 0;
      if (decoder().convert(pair, utf8) && isUtf8(utf8, &characters) && characters == 1) {
        if (mapsBothWays(pair)) kept.append(pair);
        p += 2;
        continue;
      }
    }
    const std::string_view single(g.data() + p, 1);
    if (mapsBothWays(single)) kept.append(single);
    ++p;
  }
  return kept;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Decoding character by character: what iconv makes of each character, and
// U+FFFD for each one it cannot decode. A lead byte with a byte of the trail
// range after it is one such character; any other offending byte is one alone.
std::string expectedUtf8(const Text& g) {
  std::string out;
  std::string utf8;
  std::size_t p = 0;
  while (p < g.size()) {
    const auto b = static_cast<unsigned char>(g[p]);
    const bool lead = b >= 0x81 && b <= 0xFE;
    if (lead && p + 1 < g.size()) {
      if (decoder().convert(std::string_view(g.data() + p, 2), utf8)) {
        out += utf8;
        p += 2;
        continue;
      }
      const auto t = static_cast<unsigned char>(g[p + 1]);
      if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
        out += kReplacement;
        p += 2;
        continue;
      }
    } else if (!lead && decoder().convert(std::string_view(g.data() + p, 1), utf8)) {
      out += utf8;
      ++p;
      continue;
    }
    out += kReplacement;
    ++p;
  }
  return out;
}

// Encoding character by character: what iconv makes of each well-formed
// character, "?" for one GBK cannot hold and for each byte of malformed UTF-8.
Text expectedGbk(std::string_view u) {
  Text out;
  std::string gbk;
  std::size_t p = 0;
  while (p < u.size()) {
    std::size_t length = 0;
    for (std::size_t n = 1; n <= 4 && p + n <= u.size(); ++n) {
      std::size_t characters = 0;
      if (isUtf8(u.substr(p, n), &characters) && characters == 1) {
        length = n;
        break;
      }
    }
    if (length == 0) {
      out += '?';
      ++p;
      continue;
    }
    out += encoder().convert(u.substr(p, length), gbk) ? gbk : Text("?");
    p += length;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text input(reinterpret_cast<const char*>(data), size);

  const std::string decoded = brindlow::gbkToUtf8(input);
  FUZZ_CHECK_SHOW(isUtf8(decoded), input);
  FUZZ_CHECK_SHOW(decoded == expectedUtf8(input), input);

  const Text encoded = brindlow::utf8ToGbk(input);
  FUZZ_CHECK_SHOW(encoded == expectedGbk(input), input);
  FUZZ_CHECK_SHOW(brindlow::gbkToUtf8(encoded).find(kReplacement) == std::string::npos, input);

  const Text valid = oneToOne(input);
  std::string expected;
  FUZZ_CHECK_SHOW(decoder().convert(valid, expected), valid);
  const std::string utf8 = brindlow::gbkToUtf8(valid);
  FUZZ_CHECK_SHOW(utf8 == expected, valid);
  FUZZ_CHECK_SHOW(brindlow::utf8ToGbk(utf8) == valid, valid);
  return 0;
}
