#include "store_test_db.h"

#include "shell/values/codepage.h"
#include "watchlist/stock_schema.h"

namespace brindlow::testing {

RawDb::RawDb(const std::filesystem::path& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
  }
  sqlite3_busy_timeout(db_, 0);
}

RawDb::~RawDb() { sqlite3_close_v2(db_); }

void RawDb::exec(const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << (error ? error : "?");
  }
  sqlite3_free(error);
}

int RawDb::tryExec(const std::string& sql) {
  return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

std::vector<std::string> RawDb::column(const std::string& sql) {
  std::vector<std::string> out;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
    return out;
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    out.push_back(text ? text : "NULL");
  }
  sqlite3_finalize(statement);
  return out;
}

std::string RawDb::scalar(const std::string& sql) {
  std::vector<std::string> values = column(sql);
  return values.empty() ? "<no row>" : values.front();
}

Text g(const std::string& utf8) { return utf8ToGbk(utf8); }
std::string u(const Text& gbk) { return gbkToUtf8(gbk); }

std::vector<Text> standardFields() {
  std::vector<Text> fields;
  for (std::string_view field : kStockFields) fields.push_back(g(std::string(field)));
  return fields;
}

std::vector<std::vector<std::string>> reload(StockStore& store, const std::vector<Text>& fields) {
  std::vector<std::vector<std::string>> rows;
  store.queryAll();
  store.moveFirst();
  // Bounded, so that a cursor that never reaches the end fails the test.
  for (int guard = 0; !store.isAtEnd() && guard < 100000; ++guard) {
    std::vector<std::string> row;
    for (const Text& field : fields) {
      Text value = "stale";
      store.readText(field, value);
      row.push_back(u(value));
    }
    rows.push_back(std::move(row));
    store.moveNext();
  }
  return rows;
}

std::vector<std::string> reloadColumn(StockStore& store, const std::string& utf8Field) {
  std::vector<std::string> values;
  for (auto& row : reload(store, {g(utf8Field)})) values.push_back(row.front());
  return values;
}

bool addStock(StockStore& store, const std::string& code, const std::string& name,
              const std::string& current, const std::string& watched, const std::string& exchange,
              const std::string& time) {
  store.addNew();
  store.writeText(g("股票代码"), g(code));
  store.writeText(g("股票名称"), g(name));
  store.writeText(g("当前价格"), g(current));
  store.writeText(g("监控价格"), g(watched));
  store.writeText(g("交易所"), g(exchange));
  store.writeText(g("最后操作时间"), g(time));
  return store.saveRecord();
}

void StockStoreTest::createStandard(const std::vector<std::pair<std::string, std::string>>& rows) {
  std::filesystem::remove(dbFile());
  ASSERT_TRUE(createStandardDatabase(dbFile().string()));
  RawDb db(dbFile());
  for (const auto& [code, name] : rows) {
    db.exec("INSERT INTO 股票 (股票代码, 股票名称) VALUES ('" + code + "', '" + name + "')");
  }
}

void StockStoreTest::createWith(const std::string& sql) {
  std::filesystem::remove(dbFile());
  RawDb db(dbFile());
  db.exec(sql);
}

void StockStoreTest::open(StockStore& store) {
  ASSERT_TRUE(store.openDatabase(dbPath(), ""));
  ASSERT_TRUE(store.bindRecordSet());
  ASSERT_TRUE(store.queryAll());
}

}  // namespace brindlow::testing
