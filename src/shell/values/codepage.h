#pragma once
// The code page 936 (GBK) <-> UTF-8 codec. Every text of the system is GBK;
// this is where it meets UTF-8 (the source code, SQLite, Qt's QString).

#include <string>
#include <string_view>

#include "shell/values/text.h"

namespace brindlow {

// GBK bytes to UTF-8. A byte that is not valid GBK becomes U+FFFD and
// decoding goes on, so nothing is lost silently; a lead byte whose trail byte
// is in range but unmapped becomes one U+FFFD for the pair, so that the trail
// byte cannot pair with the next character.
std::string gbkToUtf8(const Text& gbk);
// UTF-8 to GBK. A character that GBK cannot hold, and each byte of invalid
// UTF-8, becomes "?" (as Windows' default character does).
Text utf8ToGbk(std::string_view utf8);

// Shorthand for constants written in UTF-8 source: gbk("上海证券交易所").
inline Text gbk(std::string_view utf8) { return utf8ToGbk(utf8); }

}  // namespace brindlow
