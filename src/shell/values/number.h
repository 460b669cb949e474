#pragma once

#include "shell/values/text.h"

namespace brindlow {

using Number = double;

// Leading decimal number of t after full-width folding; 0 when there is none.
Number toNumber(const Text& t);
// 13 significant digits, "%.13g"-like, with the classic "1.#INF" family for
// non-finite values and a three-digit exponent ("1e-005").
Text numberToText(Number x);
// Rounds half away from zero at p decimal places, with a 1e-12 nudge.
Number roundTo(Number x, Integer places);
Number absoluteValue(Number x);
// Truncates toward zero and keeps the low 32 bits; 0 outside the 64-bit range.
Integer toInteger(Number x);
// a - b > 1e-7; false for NaN.
bool nearlyGreater(Number a, Number b);
// not (a - b >= -1e-7); true for NaN.
bool nearlyLess(Number a, Number b);

}  // namespace brindlow
