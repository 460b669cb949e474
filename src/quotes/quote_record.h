#pragma once
// The quote record: the 33 comma-separated fields of the quote service's answer.

#include <array>
#include <optional>

#include "shell/values/text.h"

namespace brindlow {

// Fields 0 name, 1 open, 2 previous close, 3 price, 4 high, 5 low, 8 volume,
// 9 turnover are the ones the program reads; all 33 are kept as GBK texts.
using QuoteRecord = std::array<Text, 33>;

// The record between the first double quote and the closing mark '";' after
// it, split on commas, or none unless it has exactly 33 fields. A 34th field
// beginning with "D|" (post-close figures the service appends late in the
// day) is dropped first.
std::optional<QuoteRecord> parseQuoteRecord(const Bytes& answer);

}  // namespace brindlow
