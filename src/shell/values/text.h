#pragma once
// Texts are byte strings in code page 936 (GBK); lengths and positions count bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace brindlow {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;
using TextArray = std::vector<Text>;
using Integer = std::int32_t;

// Number of bytes of t.
Integer textLength(const Text& t);
// The first n bytes (empty for n <= 0), regardless of character boundaries.
Text textLeft(const Text& t, Integer n);
// The last n bytes (empty for n <= 0), regardless of character boundaries.
Text textRight(const Text& t, Integer n);
// 1-based byte position of the first occurrence of s that starts on a character
// boundary, or -1.
Integer findText(const Text& t, const Text& s);
// Fields of t separated by d; a trailing delimiter adds no empty last field.
TextArray splitText(const Text& t, const Text& d);
bool textEquals(const Text& a, const Text& b);
// The bytes up to the first zero byte.
Text bytesToText(const Bytes& b);
// The bytes of a text, for passing a text where bytes are expected.
Bytes textToBytes(const Text& t);

}  // namespace brindlow
