#include "shell/values/text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shell/values/codepage.h"

namespace brindlow {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(TextLength, CountsBytesNotCharacters) {
  EXPECT_EQ(textLength(""), 0);
  EXPECT_EQ(textLength("abc"), 3);
  EXPECT_EQ(textLength(gbk("中文a")), 5);
}

TEST(TextLeftRight, CutsByBytes) {
  struct Case {
    const char* t;
    Integer n;
    const char* left;
    const char* right;
  };
  const Case cases[] = {
      {"abc", 0, "", ""},       {"abc", -2, "", ""},  {"abc", 10, "abc", "abc"},
      {"abc", 3, "abc", "abc"}, {"abc", 1, "a", "c"}, {"", 5, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.t) + " n=" + std::to_string(c.n));
    EXPECT_EQ(textLeft(c.t, c.n), c.left);
    EXPECT_EQ(textRight(c.t, c.n), c.right);
  }
}

TEST(TextLeftRight, IgnoreCharacterBoundaries) {
  const Text text = gbk("中文");  // D6 D0 CE C4
  EXPECT_EQ(textLeft(text, 1), "\xD6");
  EXPECT_EQ(textLeft(text, 3), "\xD6\xD0\xCE");
  EXPECT_EQ(textRight(text, 1), "\xC4");
}

TEST(FindText, Table) {
  struct Case {
    Text t;
    Text s;
    Integer expected;
  };
  const Case cases[] = {
      {"abc", "", 1},
      {"", "", -1},
      {"", "a", -1},
      {"abc", "c", 3},
      {"abc", "abc", 1},
      {"abc", "abcd", -1},
      {"abcabc", "ca", 3},
      {"abc", "B", -1},  // case-sensitive
      {gbk("中,"), ",", 3},
      {gbk("上海\"x\";"), "\";", 7},
      // D0 CE is the trail of 中 and the lead of 文: it straddles two characters.
      {gbk("中文"), "\xD0\xCE", -1},
      // B0 41 is one character whose trail byte is "A".
      {"\xB0\x41"
       "A",
       "A", 3},
      {"\xB0\x41", "A", -1},
      {gbk("文中"), gbk("中"), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(gbkToUtf8(c.t) + " / " + gbkToUtf8(c.s));
    EXPECT_EQ(findText(c.t, c.s), c.expected);
  }
}

TEST(SplitText, Table) {
  struct Case {
    Text t;
    TextArray expected;
  };
  const Case cases[] = {
      {"", {}},
      {",", {""}},
      {",,", {"", ""}},
      {"a,b,", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {"abc", {"abc"}},
      {"12.5,,3", {"12.5", "", "3"}},
      {gbk("浦发银行,12.5"), {gbk("浦发银行"), "12.5"}},
      // A "," right after a lead byte is that character's trail, not a delimiter.
      {"\x81,a", {"\x81,a"}},
      {"a,\x81", {"a", "\x81"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(gbkToUtf8(c.t));
    EXPECT_EQ(splitText(c.t, ","), c.expected);
  }
}

TEST(SplitText, LongerAndEmptyDelimiters) {
  EXPECT_THAT(splitText("a::b::", "::"), ElementsAre("a", "b"));
  EXPECT_THAT(splitText("a:b", "::"), ElementsAre("a:b"));
  EXPECT_THAT(splitText("abc", ""), ElementsAre("abc"));
  EXPECT_THAT(splitText("", ""), IsEmpty());
}

TEST(SplitText, ThirtyThreeFieldRecord) {
  Text record;
  for (int i = 0; i < 33; ++i) record += std::to_string(i) + ",";
  const TextArray fields = splitText(record, ",");
  ASSERT_EQ(fields.size(), 33u);
  EXPECT_EQ(fields[0], "0");
  EXPECT_EQ(fields[32], "32");
}

TEST(TextEquals, ComparesBytesOnly) {
  EXPECT_TRUE(textEquals("", Text()));
  EXPECT_TRUE(textEquals(gbk("√"), gbk("√")));
  EXPECT_FALSE(textEquals("a", "A"));
  EXPECT_FALSE(textEquals("a ", "a"));
}

TEST(BytesToText, StopsAtFirstZero) {
  EXPECT_EQ(bytesToText({}), "");
  EXPECT_EQ(bytesToText({'a', 'b'}), "ab");
  EXPECT_EQ(bytesToText({'a', 0, 'b'}), "a");
  EXPECT_EQ(bytesToText({0, 'b'}), "");
  EXPECT_EQ(bytesToText({0xD6, 0xD0}), "\xD6\xD0");
  EXPECT_EQ(textToBytes("a\xD6"), (Bytes{'a', 0xD6}));
}

}  // namespace
}  // namespace brindlow
