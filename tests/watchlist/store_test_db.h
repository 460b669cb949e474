#pragma once
// Files for the store's tests: raw SQLite access behind the store's back, a
// temporary folder per test, and the store driven the way the grid drives it.

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/values/text.h"
#include "support_temp_dir.h"
#include "watchlist/stock_store.h"

namespace brindlow::testing {

// A connection of its own to a database file (created when missing).
class RawDb {
 public:
  explicit RawDb(const std::filesystem::path& path);
  ~RawDb();
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  // Runs SQL (UTF-8); a failure is a test failure.
  void exec(const std::string& sql);
  // Runs SQL and gives SQLite's result code.
  int tryExec(const std::string& sql);
  // The first column of every row, as text ("NULL" for NULL).
  std::vector<std::string> column(const std::string& sql);
  std::string scalar(const std::string& sql);
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// UTF-8 <-> the store's code page 936, so expectations read as Chinese.
Text g(const std::string& utf8);
std::string u(const Text& gbk);

// The eight fields of table 股票, as the grid reads them (code page 936).
std::vector<Text> standardFields();

// Walks the whole snapshot as the grid's reload does: queryAll, moveFirst,
// then readText of every field and moveNext until isAtEnd. UTF-8 texts.
std::vector<std::vector<std::string>> reload(StockStore& store, const std::vector<Text>& fields);
// The first field of every row.
std::vector<std::string> reloadColumn(StockStore& store, const std::string& utf8Field);

// The Add command: addNew, the six fields, saveRecord.
bool addStock(StockStore& store, const std::string& code, const std::string& name,
              const std::string& current = "10", const std::string& watched = "11",
              const std::string& exchange = "上海证券交易所",
              const std::string& time = "2017年5月13日9时5分3秒");

class StockStoreTest : public ::testing::Test {
 protected:
  std::filesystem::path dbFile() const { return dir_.path() / "db.mdb"; }
  Text dbPath() const { return g(dbFile().string()); }

  // A fresh db.mdb with the standard schema, and rows of (code, name).
  void createStandard(const std::vector<std::pair<std::string, std::string>>& rows = {});
  // A fresh db.mdb made by the given SQL.
  void createWith(const std::string& sql);
  // openDatabase, bindRecordSet and queryAll, each expected to succeed.
  void open(StockStore& store);

  TempDir dir_;
};

}  // namespace brindlow::testing
