#include "shell/values/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace brindlow {
namespace {

TEST(Codepage, KnownGbkBytes) {
  EXPECT_EQ(gbk("上海证券交易所"), "\xC9\xCF\xBA\xA3\xD6\xA4\xC8\xAF\xBD\xBB\xD2\xD7\xCB\xF9");
  EXPECT_EQ(gbk("年月日时分秒"), "\xC4\xEA\xD4\xC2\xC8\xD5\xCA\xB1\xB7\xD6\xC3\xEB");
  EXPECT_EQ(gbk("１２．５"), "\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5");
  EXPECT_EQ(gbk("√"), "\xA1\xCC");
  EXPECT_EQ(gbk("€"), "\x80");  // code page 936 keeps the euro sign in one byte
  EXPECT_EQ(gbk(""), "");
  EXPECT_EQ(gbk("abc 123"), "abc 123");
}

TEST(Codepage, RoundTrips) {
  const char* texts[] = {"",
                         "plain ascii, with \t control\x01 bytes",
                         "浦发银行",
                         "  涨跌幅到达提醒范围！",
                         "€100 — 价格：12.50元",
                         "全角　空格～★☆"};
  for (const char* utf8 : texts) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(gbkToUtf8(utf8ToGbk(utf8)), utf8);
  }
}

TEST(Codepage, InvalidGbkBecomesReplacementCharacters) {
  struct Case {
    Text gbk;
    std::string utf8;
  };
  const Case cases[] = {
      {"\xFF", "\uFFFD"},
      {"a\x81", "a\uFFFD"},    // cut short after a lead byte
      {"\x81 b", "\uFFFD b"},  // a lead byte without a trail byte
      {"\xFF\xFF\xFFz", "\uFFFD\uFFFD\uFFFDz"},
      {"\xA2\xE3\xD6\xD0", "\uFFFD中"},  // an unmapped pair is one character
      {"\xD6\xD0\xFF\xCE\xC4", "中\uFFFD文"},
      {"\x80", "€"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(gbkToUtf8(c.gbk), c.utf8);
  }
}

TEST(Codepage, UnencodableAndInvalidUtf8BecomeQuestionMarks) {
  struct Case {
    std::string utf8;
    Text gbk;
  };
  const Case cases[] = {
      {"😀", "?"},
      {"中😀文", "\xD6\xD0?\xCE\xC4"},
      {"ก", "?"},          // Thai is not in GBK
      {"\xE4\xB8", "??"},  // 中 cut short: each byte
      {"a\xFF"
       "b",
       "a?b"},
      {"\xC0\x80", "??"},            // overlong form
      {"\xED\xA0\x80", "???"},       // a surrogate
      {"\xF4\x90\x80\x80", "????"},  // above U+10FFFF
      {"\xE4\xB8"
       "A",
       "??A"},
      {"\x80中", "?\xD6\xD0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gbk);
    EXPECT_EQ(utf8ToGbk(c.utf8), c.gbk);
  }
}

TEST(Codepage, LongTextsAreConvertedWhole) {
  std::string utf8;
  for (int i = 0; i < 10000; ++i) utf8 += "中a😀";
  const Text encoded = utf8ToGbk(utf8);
  ASSERT_EQ(encoded.size(), 40000u);
  std::string expected;
  for (int i = 0; i < 10000; ++i) expected += "中a?";
  EXPECT_EQ(gbkToUtf8(encoded), expected);
}

TEST(Codepage, ThreadsConvertIndependently) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 500; ++i) {
        const std::string utf8 = "深圳证券交易所" + std::to_string(t * 1000 + i);
        if (gbkToUtf8(utf8ToGbk(utf8)) != utf8) ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace brindlow
