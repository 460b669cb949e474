// Text forms of stored values by the declared column type, and what a written
// text becomes in a column of each type.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "store_test_db.h"

namespace brindlow::testing {
namespace {

struct ReadCase {
  const char* type;     // declared column type
  const char* literal;  // SQL for the stored value
  const char* text;     // what readText gives
};

// One column per case; row 1 holds the values, row 2 only NULLs.
const ReadCase kReadCases[] = {
    {"TEXT", "'浦发银行'", "浦发银行"},
    {"MEMO", "'备注'", "备注"},
    {"VARCHAR(6)", "'000001'", "000001"},
    {"TEXT", "12.5", "12.5"},
    {"TEXT", "'a' || char(0) || 'b'", "a"},
    {"TEXT", "'😀'", "?"},
    {"INTEGER", "7", "7"},
    {"COUNTER", "-42", "-42"},
    {"LONG", "5000000000", "5000000000"},
    {"SMALLINT", "2.5", "2"},
    {"INTEGER", "3.5", "4"},
    {"INT", "'abc'", "abc"},
    {"BYTE", "200", "200"},
    {"TINYINT", "255", "255"},
    {"SINGLE", "2.5", "2.5000"},
    {"FLOAT4", "12.3", "12.3000"},
    {"DOUBLE", "12.3", "12.30000000"},
    {"FLOAT", "-0.5", "-0.50000000"},
    {"REAL", "7", "7.00000000"},
    {"DOUBLE", "'12.3x'", "12.3x"},
    {"DECIMAL(10,2)", "12.34", "12.34000000"},
    {"NUMERIC", "'1e3'", "1000.00000000"},
    {"CURRENCY", "12.5", "12.5"},
    {"CURRENCY", "3", "3"},
    {"MONEY", "-0.0001", "-0.0001"},
    {"CURRENCY", "1234.56789", "1234.5679"},
    {"DATETIME", "'2017-05-13 09:05:03'", "2017-05-13 09:05:03"},
    {"DATETIME", "42868.37850694444", "2017-05-13 09:05:03"},
    {"DATETIME", "2457886.8785069445", "2017-05-13 09:05:03"},
    {"DATE", "'2017-05-13'", "2017-05-13 00:00:00"},
    {"TIME", "'09:05:03'", "1899-12-30 09:05:03"},
    {"TIMESTAMP", "'2017-05-13T09:05:03.750Z'", "2017-05-13 09:05:03"},
    {"DATETIME", "'2017/5/13 9:05:03'", "2017-05-13 09:05:03"},
    {"DATETIME", "'2017年5月13日9时5分3秒'", "2017-05-13 09:05:03"},
    {"DATETIME", "'2017年5月13日'", "2017-05-13 00:00:00"},
    {"DATETIME", "0", "1899-12-30 00:00:00"},
    {"DATETIME", "-1.25", "1899-12-29 06:00:00"},
    {"DATETIME", "'2017-02-30'", "2017-02-30"},
    {"DATETIME", "'soon'", "soon"},
    {"YESNO", "1", "TRUE"},
    {"BOOLEAN", "0", "FALSE"},
    {"BIT", "-1", "TRUE"},
    {"YESNO", "'false'", "FALSE"},
    {"BLOB", "x'00ff'", "[BLOB]"},
    {"OLEOBJECT", "'text'", "[BLOB]"},
    {"LONGBINARY", "x''", "[BLOB]"},
    {"GEOMETRY", "'x'", "UN_KNOW"},
    {"", "7", "7"},
    {"", "1.5", "1.50000000"},
    {"", "'abc'", "abc"},
    {"", "x'01'", "[BLOB]"},
};

std::string columnName(std::size_t i) { return "c" + std::to_string(i); }

TEST_F(StockStoreTest, ReadTextGivesTheTextFormOfTheDeclaredType) {
  std::string create = "CREATE TABLE 股票 (id INTEGER PRIMARY KEY";
  std::string names, values;
  for (std::size_t i = 0; i < std::size(kReadCases); ++i) {
    create += ", " + columnName(i) + " " + kReadCases[i].type;
    names += ", " + columnName(i);
    values += std::string(", ") + kReadCases[i].literal;
  }
  createWith(create + "); INSERT INTO 股票 (id" + names + ") VALUES (1" + values +
             "); INSERT INTO 股票 (id) VALUES (2);");

  StockStore store;
  open(store);
  for (int row = 1; row <= 2; ++row) {
    for (std::size_t i = 0; i < std::size(kReadCases); ++i) {
      const ReadCase& c = kReadCases[i];
      SCOPED_TRACE(std::string(c.type) + " " + c.literal + " row " + std::to_string(row));
      Text value = "old";
      EXPECT_TRUE(store.readText(g(columnName(i)), value));
      EXPECT_EQ(u(value), row == 1 ? c.text : "");  // NULL is the empty text in every type
    }
    Text id;
    EXPECT_TRUE(store.readText("id", id));
    EXPECT_EQ(id, std::to_string(row));
    store.moveNext();
  }
  EXPECT_TRUE(store.isAtEnd());
}

struct WriteCase {
  const char* column;
  const char* text;  // written
  const char* read;  // read back from the file
};

// Each case writes one field of a new record over the column's default
// ("默认" in the NOT NULL column, NULL elsewhere); a refused value leaves it.
const WriteCase kWriteCases[] = {
    {"文本", "浦发银行", "浦发银行"},
    {"文本", "", ""},
    {"整数", "12", "12"},
    {"整数", " -7 ", "-7"},
    {"整数", "2.5", "2"},
    {"整数", "abc", ""},
    {"整数", "12abc", ""},
    {"字节", "255", "255"},
    {"字节", "256", ""},
    {"字节", "-1", ""},
    {"单精度", "2.5", "2.5000"},
    {"单精度", "1e39", ""},
    {"双精度", "12.3", "12.30000000"},
    {"双精度", "3.46%", ""},
    {"双精度", "12,3", ""},
    {"双精度", "inf", ""},
    {"小数", "12.34", "12.34000000"},
    {"货币", "12.5", "12.5"},
    {"货币", "1.23456", "1.2346"},
    {"日期", "2017年5月13日9时5分3秒", "2017-05-13 09:05:03"},
    {"日期", "2017年5月13日14时", "2017-05-13 14:00:00"},
    {"日期", "2017-05-13", "2017-05-13 00:00:00"},
    {"日期", "2017-13-01", ""},
    {"日期", "tomorrow", ""},
    {"是否", "TRUE", "TRUE"},
    {"是否", "no", "FALSE"},
    {"是否", "0", "FALSE"},
    {"是否", "maybe", ""},
    {"图片", "abc", ""},
    {"必填", "", "默认"},
    {"必填", "有值", "有值"},
    {"生成", "1", "生成"},
};

TEST_F(StockStoreTest, WriteTextStoresWhatTheColumnTypeHoldsAndLeavesTheRest) {
  createWith(
      "CREATE TABLE 股票 (id INTEGER PRIMARY KEY AUTOINCREMENT, 文本 TEXT, 整数 INTEGER, "
      "字节 BYTE, 单精度 SINGLE, 双精度 DOUBLE, 小数 DECIMAL(10, 2), 货币 CURRENCY, "
      "日期 DATETIME, 是否 YESNO, 图片 OLEOBJECT, 必填 TEXT NOT NULL DEFAULT '默认', "
      "生成 TEXT GENERATED ALWAYS AS ('生成'))");
  StockStore store;
  open(store);
  for (const WriteCase& c : kWriteCases) {
    SCOPED_TRACE(std::string(c.column) + " <- \"" + c.text + "\"");
    ASSERT_TRUE(store.addNew());
    EXPECT_TRUE(store.writeText(g(c.column), g(c.text)));  // even when refused
    ASSERT_TRUE(store.saveRecord());
    Text value;
    EXPECT_TRUE(store.readText(g(c.column), value));
    EXPECT_EQ(u(value), c.read);
  }

  // A refused value leaves the field as an earlier write left it.
  ASSERT_TRUE(store.addNew());
  store.writeText(g("整数"), "5");
  store.writeText(g("整数"), "abc");
  store.writeText(g("文本"), g("有"));
  store.writeText(g("文本"), "");
  ASSERT_TRUE(store.saveRecord());
  RawDb db(dbFile());
  EXPECT_EQ(db.scalar("SELECT typeof(整数) || 整数 || typeof(文本) FROM 股票 ORDER BY id DESC"),
            "integer5null");
  // What readText gave right after each save is what a fresh query gives.
  std::vector<std::string> expected;
  for (const WriteCase& c : kWriteCases) expected.push_back(c.read);
  auto rows = reload(store, {g("文本"), g("整数"), g("字节"), g("单精度"), g("双精度"), g("小数"),
                             g("货币"), g("日期"), g("是否"), g("图片"), g("必填"), g("生成")});
  ASSERT_EQ(rows.size(), std::size(kWriteCases) + 1);
  static const std::vector<std::string> kColumns = {"文本",   "整数", "字节", "单精度",
                                                    "双精度", "小数", "货币", "日期",
                                                    "是否",   "图片", "必填", "生成"};
  for (std::size_t i = 0; i < std::size(kWriteCases); ++i) {
    const auto column = std::find(kColumns.begin(), kColumns.end(), kWriteCases[i].column);
    EXPECT_EQ(rows[i][static_cast<std::size_t>(column - kColumns.begin())], kWriteCases[i].read)
        << kWriteCases[i].column << " <- " << kWriteCases[i].text;
  }
}

}  // namespace
}  // namespace brindlow::testing
