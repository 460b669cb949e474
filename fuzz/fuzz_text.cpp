// findText and splitText. findText is compared with a walk over the character
// starts (a byte of 0x80 or more leads a two-byte character); the fields of
// splitText must rejoin to the text and hold no delimiter of their own.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "shell/values/text.h"

namespace {

using brindlow::Integer;
using brindlow::Text;
using brindlow::TextArray;

std::size_t width(const Text& t, std::size_t p) {
  return static_cast<unsigned char>(t[p]) < 0x80 ? 1 : 2;
}

bool onCharacterStart(const Text& t, std::size_t position) {
  std::size_t p = 0;
  while (p < position) p += width(t, p);
  return p == position;
}

Integer expectedFind(const Text& t, const Text& s) {
  if (s.empty()) return t.empty() ? -1 : 1;
  for (std::size_t p = 0; p < t.size(); p += width(t, p)) {
    if (t.size() - p >= s.size() && std::memcmp(t.data() + p, s.data(), s.size()) == 0) {
      return static_cast<Integer>(p + 1);
    }
  }
  return -1;
}

void checkFind(const Text& t, const Text& s) {
  const Integer found = brindlow::findText(t, s);
  FUZZ_CHECK(found == expectedFind(t, s));
  if (found == -1) return;
  FUZZ_CHECK(found >= 1 && static_cast<std::size_t>(found) - 1 + s.size() <= t.size());
  const std::size_t at = static_cast<std::size_t>(found) - 1;
  FUZZ_CHECK(onCharacterStart(t, at));
  FUZZ_CHECK(std::memcmp(t.data() + at, s.data(), s.size()) == 0);
}

Text joined(const TextArray& fields, const Text& d) {
  Text out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) out += d;
    out += fields[i];
  }
  return out;
}

void checkSplit(const Text& t, const Text& d) {
  const TextArray fields = brindlow::splitText(t, d);
  if (t.empty()) {
    FUZZ_CHECK(fields.empty());
    return;
  }
  if (d.empty()) {
    FUZZ_CHECK(fields.size() == 1 && fields[0] == t);
    return;
  }
  FUZZ_CHECK(!fields.empty());
  // Rejoined, the fields give the text, short of a trailing delimiter.
  const Text rejoined = joined(fields, d);
  const bool trailing = rejoined + d == t;
  FUZZ_CHECK_SHOW(rejoined == t || trailing, t);
  for (const Text& field : fields) FUZZ_CHECK_SHOW(brindlow::findText(field, d) == -1, field);
  // The first delimiter splitText took is the one findText finds.
  const Integer first = brindlow::findText(t, d);
  if (fields.size() > 1 || trailing) {
    FUZZ_CHECK(first == static_cast<Integer>(fields[0].size()) + 1);
  } else {
    FUZZ_CHECK(first == -1);
  }
}

}  // namespace

// Input: a mode byte choosing the delimiter (",", the next one to three bytes,
// or none), two bytes choosing a slice of the text as a second needle, then
// the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t mode = data[0] % 5;
  const std::size_t sliceStart = data[1];
  const std::size_t sliceLength = data[2] % 5;
  data += 3;
  size -= 3;
  Text d = ",";
  if (mode >= 1 && mode <= 3) {
    const std::size_t n = mode < size ? mode : size;
    d.assign(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
  } else if (mode == 4) {
    d.clear();
  }
  const Text t(reinterpret_cast<const char*>(data), size);

  checkFind(t, d);
  const std::size_t start = t.empty() ? 0 : sliceStart % t.size();
  checkFind(t, t.substr(start, sliceLength));
  checkSplit(t, d);

  const auto length = static_cast<Integer>(t.size());
  for (Integer n : {Integer{0}, length / 2, length}) {
    FUZZ_CHECK(brindlow::textLeft(t, n) + brindlow::textRight(t, length - n) == t);
  }
  FUZZ_CHECK(brindlow::textLeft(t, -1).empty() && brindlow::textRight(t, -1).empty());
  FUZZ_CHECK(brindlow::textLeft(t, length + 1) == t && brindlow::textRight(t, length + 1) == t);
  return 0;
}
