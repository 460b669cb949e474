#include "quotes/quote_record.h"

namespace brindlow {

namespace {

constexpr std::size_t kFieldCount = std::tuple_size_v<QuoteRecord>;

// The service appends post-close trading figures as a 34th field "D|...".
bool isPostCloseField(const Text& field) { return textEquals(textLeft(field, 2), "D|"); }

}  // namespace

std::optional<QuoteRecord> parseQuoteRecord(const Bytes& answer) {
  const Text text = bytesToText(answer);
  const Integer length = textLength(text);
  const Integer openingQuote = findText(text, "\"");
  // Without a double quote the count is length + 1, which keeps the whole text;
  // the closing mark holds a double quote, so it cannot be found there either.
  const Text tail = textRight(text, length - openingQuote);
  const Integer closingMark = findText(tail, "\";");
  // Without a closing mark the count is -2 and the body is empty.
  const Text body = textLeft(tail, closingMark - 1);
  TextArray fields = splitText(body, ",");
  if (fields.size() == kFieldCount + 1 && isPostCloseField(fields.back())) fields.pop_back();
  if (fields.size() != kFieldCount) return std::nullopt;
  QuoteRecord record;
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = std::move(fields[i]);
  return record;
}

}  // namespace brindlow
