#include "shell/values/text.h"

#include <algorithm>
#include <cstring>

namespace brindlow {

namespace {

// Width of the character that starts at byte b: a byte of 0x80 or more leads a
// two-byte character.
inline std::size_t characterWidth(unsigned char b) { return b < 0x80 ? 1 : 2; }

inline bool matchesAt(const Text& t, std::size_t p, const Text& s) {
  return std::memcmp(t.data() + p, s.data(), s.size()) == 0;
}

}  // namespace

Integer textLength(const Text& t) { return static_cast<Integer>(t.size()); }

Text textLeft(const Text& t, Integer n) {
  if (n <= 0) return Text();
  return t.substr(0, std::min(static_cast<std::size_t>(n), t.size()));
}

Text textRight(const Text& t, Integer n) {
  if (n <= 0) return Text();
  const std::size_t count = std::min(static_cast<std::size_t>(n), t.size());
  return t.substr(t.size() - count);
}

Integer findText(const Text& t, const Text& s) {
  if (s.empty()) return t.empty() ? -1 : 1;
  const std::size_t size = t.size();
  std::size_t p = 0;
  // Only character starts are tried, so a match never begins on a trail byte.
  while (size - p >= s.size()) {
    if (matchesAt(t, p, s)) return static_cast<Integer>(p + 1);
    const std::size_t width = characterWidth(static_cast<unsigned char>(t[p]));
    if (p + width > size) return -1;  // a lone lead byte at the very end
    p += width;
  }
  return -1;
}

TextArray splitText(const Text& t, const Text& d) {
  TextArray fields;
  if (t.empty()) return fields;
  // An empty delimiter would match everywhere without moving on; there is
  // nothing to split on, so the whole text is the one field.
  if (d.empty()) {
    fields.push_back(t);
    return fields;
  }
  const std::size_t size = t.size();
  std::size_t f = 0;
  std::size_t p = 0;
  while (size - p >= d.size()) {
    if (matchesAt(t, p, d)) {
      fields.emplace_back(t, f, p - f);
      p += d.size();
      f = p;
      continue;
    }
    const std::size_t width = characterWidth(static_cast<unsigned char>(t[p]));
    if (p + width > size) break;  // a lone lead byte at the very end
    p += width;
  }
  if (f < size) fields.emplace_back(t, f, size - f);
  return fields;
}

bool textEquals(const Text& a, const Text& b) { return a == b; }

Text bytesToText(const Bytes& b) {
  const auto end = std::find(b.begin(), b.end(), std::uint8_t{0});
  return Text(b.begin(), end);
}

Bytes textToBytes(const Text& t) { return Bytes(t.begin(), t.end()); }

}  // namespace brindlow
