#include "shell/values/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace brindlow {

namespace {

// One iconv descriptor per direction and thread: opening one costs far more
// than a conversion, and a descriptor must not be shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

Converter& decoder() {
  thread_local Converter converter("UTF-8", "CP936");
  return converter;
}

Converter& encoder() {
  thread_local Converter converter("CP936", "UTF-8");
  return converter;
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool isAscii(std::string_view s) {
  const char* p = s.data();
  std::size_t n = s.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080ull) != 0) return false;
  }
  for (; n > 0; ++p, --n) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  }
  return true;
}

// Length of the well-formed UTF-8 character at p (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when the bytes are not one.
std::size_t utf8Length(const unsigned char* p, std::size_t n) {
  const unsigned char b = p[0];
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (n < length) return 0;
  if (p[1] < low || p[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  }
  return length;
}

// Bytes taken by a GBK character that cannot be decoded at p: a lead byte with
// a trail byte in the trail range is one (unmapped) character, so the trail is
// not misread as a character of its own; anything else offends by itself.
std::size_t badGbkLength(const unsigned char* p, std::size_t n) {
  if (n >= 2 && p[0] >= 0x81 && p[0] <= 0xFE && p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F) {
    return 2;
  }
  return 1;
}

// Runs iconv over the whole input. At each sequence it cannot convert,
// `skip` says how many input bytes to pass over and `replacement` is written.
template <typename Skip>
std::string convert(Converter& converter, std::string_view input, std::size_t initialCapacity,
                    const char* replacement, Skip skip) {
  std::string out;
  out.resize(initialCapacity);
  std::size_t used = 0;
  const auto* in = reinterpret_cast<const unsigned char*>(input.data());
  std::size_t inLeft = input.size();
  const std::size_t replacementSize = std::strlen(replacement);

  auto fail = [&] {
    const std::size_t n = skip(in, inLeft);
    if (out.size() - used < replacementSize) out.resize(out.size() * 2 + replacementSize);
    std::memcpy(out.data() + used, replacement, replacementSize);
    used += replacementSize;
    in += n;
    inLeft -= n;
  };

  if (!converter.valid()) {
    // Without the converter only ASCII can be carried over.
    while (inLeft > 0) {
      if (*in < 0x80) {
        if (used == out.size()) out.resize(out.size() * 2 + 1);
        out[used++] = static_cast<char>(*in++);
        --inLeft;
      } else {
        fail();
      }
    }
    out.resize(used);
    return out;
  }

  iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  while (inLeft > 0) {
    char* inPtr = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    const std::size_t result = iconv(converter.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    in = reinterpret_cast<const unsigned char*>(inPtr);
    used = static_cast<std::size_t>(outPtr - out.data());
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    // EILSEQ (invalid here) or EINVAL (cut short at the end).
    fail();
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return out;
}

}  // namespace

std::string gbkToUtf8(const Text& gbk) {
  if (isAscii(gbk)) return gbk;
  // A GBK character of one or two bytes needs at most three bytes of UTF-8.
  return convert(decoder(), gbk, gbk.size() * 3, kReplacement, badGbkLength);
}

Text utf8ToGbk(std::string_view utf8) {
  if (isAscii(utf8)) return Text(utf8);
  // A character GBK cannot hold is one "?"; a byte that is not UTF-8 is one each.
  return convert(encoder(), utf8, utf8.size(), "?", [](const unsigned char* p, std::size_t n) {
    const std::size_t length = utf8Length(p, n);
    return length != 0 ? length : std::size_t{1};
  });
}

}  // namespace brindlow
