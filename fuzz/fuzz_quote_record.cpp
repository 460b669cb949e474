// parseQuoteRecord against a one-pass reading of the same rules: the fields
// between the first double quote and the closing mark '";', split on commas
// that start a character, a trailing comma adding no empty field, a post-close
// "D|" 34th field dropped, and exactly 33 fields or none.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz_check.h"
#include "quotes/quote_record.h"

namespace {

using brindlow::Bytes;
using brindlow::QuoteRecord;
using brindlow::Text;

std::optional<std::vector<Text>> expectedFields(const Text& t) {
  const std::size_t n = t.size();
  // A byte of 0x80 or more leads a two-byte character, whose trail byte is
  // never read as a quote or comma.
  auto width = [&](std::size_t p) -> std::size_t {
    return static_cast<unsigned char>(t[p]) < 0x80 ? 1 : 2;
  };
  std::size_t p = 0;
  while (p < n && t[p] != '"') p += width(p);
  if (p >= n) return std::nullopt;
  ++p;
  std::vector<Text> fields;
  Text field;
  bool closed = false;
  while (p < n) {
    if (t[p] == '"' && p + 1 < n && t[p + 1] == ';') {
      closed = true;
      break;
    }
    if (t[p] == ',') {
      fields.push_back(field);
      field.clear();
      ++p;
      continue;
    }
    const std::size_t w = std::min(width(p), n - p);
    field.append(t, p, w);
    p += w;
  }
  if (!closed) return std::nullopt;
  if (!field.empty()) fields.push_back(field);
  if (fields.size() == 34 && fields.back().compare(0, 2, "D|") == 0) fields.pop_back();
  if (fields.size() != 33) return std::nullopt;
  return fields;
}

Text joined(const QuoteRecord& record) {
  Text body;
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (i != 0) body += ',';
    body += record[i];
  }
  return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes answer(data, data + size);
  const std::optional<QuoteRecord> record = brindlow::parseQuoteRecord(answer);
  // The answer is read up to its first zero byte.
  const std::optional<std::vector<Text>> expected = expectedFields(brindlow::bytesToText(answer));

  FUZZ_CHECK(record.has_value() == expected.has_value());
  if (!record) return 0;
  for (std::size_t i = 0; i < record->size(); ++i) {
    FUZZ_CHECK_SHOW((*record)[i] == (*expected)[i], (*record)[i]);
  }

  // The fields written back as the service writes them, with its trailing
  // comma, read back the same.
  const Text again = "var hq_str_sh600000=\"" + joined(*record) + ",\";\n";
  const std::optional<QuoteRecord> reread =
      brindlow::parseQuoteRecord(brindlow::textToBytes(again));
  FUZZ_CHECK_SHOW(reread.has_value() && *reread == *record, again);
  return 0;
}
