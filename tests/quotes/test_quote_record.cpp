#include <gmock/gmock.h>

#include <fstream>
#include <iterator>

#include "quotes/quote_record.h"
#include "shell/values/codepage.h"

// GCC 12 reports -Wrestrict falsely for "literal" + std::string at -O2 (its bug 105329).
#pragma GCC diagnostic ignored "-Wrestrict"

namespace brindlow {
namespace {

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes fixture(const char* name) {
  std::ifstream in(std::string(BRINDLOW_TEST_DATA_DIR) + "/quotes/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "f0,f1,...,f<n-1>": n fields, the last one not empty.
std::string fields(int n) {
  std::string record;
  for (int i = 0; i < n; ++i) record += (i > 0 ? "," : "") + ("f" + std::to_string(i));
  return record;
}

std::string answer(const std::string& record) {
  return "var hq_str_sh601288=\"" + record + "\";\n";
}

TEST(ParseQuoteRecord, RealAnswersOfBothMarkets) {
  const auto shanghai = parseQuoteRecord(fixture("sh601288.txt"));  // trailing comma
  ASSERT_TRUE(shanghai.has_value());
  EXPECT_EQ((*shanghai)[0], gbk("农业银行"));
  EXPECT_EQ((*shanghai)[1], "3.630");
  EXPECT_EQ((*shanghai)[2], "3.650");
  EXPECT_EQ((*shanghai)[3], "3.640");
  EXPECT_EQ((*shanghai)[8], "187523449");
  EXPECT_EQ((*shanghai)[9], "682190530.000");
  EXPECT_EQ((*shanghai)[30], "2026-12-11");
  EXPECT_EQ((*shanghai)[32], "00");

  const auto shenzhen = parseQuoteRecord(fixture("sz000002.txt"));  // no trailing comma
  ASSERT_TRUE(shenzhen.has_value());
  EXPECT_EQ((*shenzhen)[0], gbk("万科Ａ"));
  EXPECT_EQ((*shenzhen)[32], "00");
}

TEST(ParseQuoteRecord, PostCloseFieldIsDropped) {
  const auto record = parseQuoteRecord(fixture("sh601288_post_close.txt"));
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ((*record)[0], gbk("农业银行"));
  EXPECT_EQ((*record)[31], "15:30:01");
  EXPECT_EQ((*record)[32], "00");
}

struct RecordCase {
  const char* what;
  std::string bytes;
  bool accepted;
  int index = 0;  // a field to check when accepted
  std::string value = "f0";
};

TEST(ParseQuoteRecord, EdgesOfTheSteps) {
  using namespace std::string_literals;
  const RecordCase cases[] = {
      {"empty bytes", "", false},
      {"no double quote", "var hq_str_sh601288=" + fields(33) + ";", false},
      {"empty record", "var hq_str_sh600999=\"\";\n", false},
      {"double quote as last byte", "var hq_str_sh601288=\"", false},
      {"cut short before the closing mark", "var hq_str_sh601288=\"" + fields(33), false},
      {"quote without semicolon is no mark", "var a=\"" + fields(33) + "\"\n", false},
      {"33 fields", answer(fields(33)), true, 32, "f32"},
      {"nothing around the record", "\"" + fields(33) + "\";", true, 0, "f0"},
      {"33 fields and a trailing comma", answer(fields(33) + ","), true, 32, "f32"},
      {"32 commas, last field empty", answer(fields(32) + ","), false},
      {"two trailing commas", answer(fields(33) + ",,"), false},
      {"32 fields", answer(fields(32)), false},
      {"empty inner field", answer("a,," + fields(31)), true, 1, ""},
      {"empty first field", answer("," + fields(32)), true, 0, ""},
      {"fields are not trimmed", answer(" a ," + fields(32)), true, 0, " a "},
      {"only the first record", answer(fields(33)) + answer(fields(5)), true, 32, "f32"},
      {"a short first record wins", answer(fields(5)) + answer(fields(33)), false},
      {"zero byte inside the record", answer(fields(20) + "\0"s + "," + fields(12)), false},
      {"zero byte after the record", answer(fields(33)) + "\0junk"s, true, 0, "f0"},
      {"quote in the prefix counts", "x\"y\";" + answer(fields(33)), false},
      {"a quote without semicolon stays in the record", "\"" + fields(33) + "\" \";", true, 32,
       "f32\" "},
      // Searches step over double-byte characters: a lead byte hides the byte after it.
      {"lead byte hides a comma", answer("\xB0," + fields(33)), true, 0, "\xB0,f0"},
      {"lead byte hides the mark", "\"" + fields(33) + "\xB0\";", false},
      {"lead byte hides the opening quote", "\xB0\"" + fields(10) + "\"" + fields(33) + "\";", true,
       0, "f0"},
      {"GBK name", answer(gbk("农业银行") + "," + fields(32)), true, 0, gbk("农业银行")},
      // The late-day 34th field, and every other count still rejected.
      {"34th field D|", answer(fields(33) + ",D|3260|11868.000"), true, 32, "f32"},
      {"34th field D| and a trailing comma", answer(fields(33) + ",D|0|0.000,"), true, 32, "f32"},
      {"34th field D| alone", answer(fields(33) + ",D|"), true, 32, "f32"},
      {"34 fields without D|", answer(fields(34)), false},
      {"34th field d| in lower case", answer(fields(33) + ",d|1"), false},
      {"34th field D without bar", answer(fields(33) + ",D1"), false},
      {"35 fields ending in D|", answer(fields(34) + ",D|1"), false},
      {"D| not last", answer(fields(32) + ",D|1,f33"), false},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.what);
    const auto record = parseQuoteRecord(bytesOf(c.bytes));
    ASSERT_EQ(record.has_value(), c.accepted);
    if (c.accepted) {
      EXPECT_EQ((*record)[c.index], c.value);
    }
  }
}

}  // namespace
}  // namespace brindlow
