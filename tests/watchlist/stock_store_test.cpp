// The record-set behaviour of StockStore over real db.mdb files: opening,
// the cursor at its edges, deletion by position, Add, and the pending record.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include "store_test_db.h"

namespace brindlow::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kPrefix = "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=";

TEST(StockStoreConnectionString, IsBuiltFromPathAndPassword) {
  struct Case {
    std::string path, password, expected;
  } cases[] = {
      {"C:\\watch\\db.mdb", "", kPrefix + "C:\\watch\\db.mdb"},
      {"C:\\\\db.mdb", "", kPrefix + "C:\\\\db.mdb"},
      {"/opt/brindlow/db.mdb", "secret",
       kPrefix + "/opt/brindlow/db.mdb;Jet OLEDB:Database Password=secret;"},
      {"/自选股/db.mdb", "口令", kPrefix + "/自选股/db.mdb;Jet OLEDB:Database Password=口令;"},
      {"", "", kPrefix},
  };
  for (const Case& c : cases) {
    StockStore store;
    EXPECT_EQ(store.connectionString(), "");
    store.openDatabase(g(c.path), g(c.password));  // the files do not exist
    EXPECT_EQ(u(store.connectionString()), c.expected);
  }
}

TEST_F(StockStoreTest, ConnectionStringOfAnOpenedFileAndItsPassword) {
  createStandard();
  StockStore store;
  EXPECT_TRUE(store.openDatabase(dbPath(), g("口令")));  // SQLite has no passwords to check
  EXPECT_EQ(u(store.connectionString()),
            kPrefix + dbFile().string() + ";Jet OLEDB:Database Password=口令;");
  EXPECT_TRUE(store.openDatabase(dbPath(), ""));
  EXPECT_EQ(u(store.connectionString()), kPrefix + dbFile().string());
}

TEST_F(StockStoreTest, OpenDatabaseNeedsAnExistingSqliteDatabase) {
  enum class Make { Nothing, Folder, TextFile, JetFile, Standard, WithoutTable };
  struct Case {
    const char* name;
    Make make;
    bool opens;
    bool queries;
  } cases[] = {
      {"missing file", Make::Nothing, false, false},
      {"folder", Make::Folder, false, false},
      {"text file", Make::TextFile, false, false},
      {"Access file", Make::JetFile, false, false},
      {"standard database", Make::Standard, true, true},
      {"database without table 股票", Make::WithoutTable, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dbFile());
    switch (c.make) {
      case Make::Nothing:
        break;
      case Make::Folder:
        std::filesystem::create_directory(dbFile());
        break;
      case Make::TextFile:
        std::ofstream(dbFile()) << "股票代码,股票名称\n600000,浦发银行\n";
        break;
      case Make::JetFile: {
        std::string jet(4096, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        std::ofstream(dbFile(), std::ios::binary) << jet;
        break;
      }
      case Make::Standard:
        createStandard({{"600000", "浦发银行"}});
        break;
      case Make::WithoutTable:
        createWith("CREATE TABLE 自选 (股票代码 TEXT)");
        break;
    }
    const auto before = std::filesystem::status(dbFile()).type();

    StockStore store;
    EXPECT_EQ(store.openDatabase(dbPath(), ""), c.opens);
    EXPECT_TRUE(store.bindRecordSet());
    EXPECT_EQ(store.queryAll(), c.queries);
    EXPECT_EQ(store.isAtEnd(), !c.queries);
    Text value = "old";
    EXPECT_EQ(store.readText(g("股票代码"), value), c.queries);
    EXPECT_EQ(u(value), c.queries ? "600000" : "");
    if (!c.queries) {
      EXPECT_FALSE(store.moveFirst());
      EXPECT_FALSE(store.moveNext());
      EXPECT_FALSE(store.addNew());
      EXPECT_FALSE(store.writeText(g("股票代码"), g("600036")));
      EXPECT_FALSE(store.saveRecord());
      EXPECT_FALSE(store.moveTo(0));
      EXPECT_FALSE(store.deleteCurrent());
    }
    // Opening never creates or changes anything.
    EXPECT_EQ(std::filesystem::status(dbFile()).type(), before);
  }
}

TEST_F(StockStoreTest, QueryNeedsBindingAndAnOpenConnection) {
  createStandard({{"600000", "浦发银行"}});
  StockStore unbound;
  ASSERT_TRUE(unbound.openDatabase(dbPath(), ""));
  EXPECT_FALSE(unbound.queryAll());

  // A failed open closes the connection that was open before.
  StockStore store;
  open(store);
  EXPECT_FALSE(store.openDatabase(g((dir_.path() / "none.mdb").string()), ""));
  EXPECT_FALSE(store.queryAll());
  EXPECT_TRUE(store.isAtEnd());
}

TEST_F(StockStoreTest, EmptyTableHasNoRecordToStandOn) {
  createStandard();
  StockStore store;
  open(store);
  EXPECT_TRUE(store.isAtEnd());
  EXPECT_FALSE(store.moveFirst());
  EXPECT_TRUE(store.isAtEnd());
  EXPECT_FALSE(store.moveNext());
  Text value = "old";
  EXPECT_FALSE(store.readText(g("id"), value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(store.moveTo(0));
  EXPECT_FALSE(store.deleteCurrent());
  EXPECT_THAT(reload(store, standardFields()), IsEmpty());
}

TEST_F(StockStoreTest, CursorWalksTheSnapshotInRowidOrder) {
  createStandard();
  {
    RawDb db(dbFile());
    db.exec(
        "INSERT INTO 股票 (id, 股票代码) VALUES (5, '600005'); "
        "INSERT INTO 股票 (id, 股票代码) VALUES (2, '600002'); "
        "INSERT INTO 股票 (id, 股票代码) VALUES (9, '600009');");
  }
  StockStore store;
  open(store);
  Text value;
  ASSERT_TRUE(store.readText(g("id"), value));  // on the first record after the query
  EXPECT_EQ(value, "2");

  ASSERT_TRUE(store.moveNext());
  ASSERT_TRUE(store.moveNext());
  // On the last record: not at the end, and asking does not move the cursor.
  EXPECT_FALSE(store.isAtEnd());
  EXPECT_FALSE(store.isAtEnd());
  ASSERT_TRUE(store.readText(g("股票代码"), value));
  EXPECT_EQ(value, "600009");
  // A field the table lacks: false, and the variable is emptied.
  EXPECT_FALSE(store.readText(g("股票价格"), value));
  EXPECT_EQ(value, "");

  EXPECT_TRUE(store.moveNext());  // from the last record to past the last
  EXPECT_TRUE(store.isAtEnd());
  EXPECT_FALSE(store.moveNext());
  value = "old";
  EXPECT_FALSE(store.readText(g("股票代码"), value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(store.moveFirst());
  EXPECT_TRUE(store.readText(g("id"), value));
  EXPECT_EQ(value, "2");

  // Field names are matched without regard to ASCII case, as a record set does.
  EXPECT_TRUE(store.readText("ID", value));
  EXPECT_EQ(value, "2");

  // The same order on every query; the snapshot does not see later changes,
  // and holds no lock on the file between operations.
  EXPECT_THAT(reloadColumn(store, "id"), ElementsAre("2", "5", "9"));
  RawDb other(dbFile());
  ASSERT_EQ(other.tryExec("BEGIN EXCLUSIVE; INSERT INTO 股票 (id) VALUES (1); COMMIT;"), SQLITE_OK);
  EXPECT_TRUE(store.moveFirst());
  EXPECT_TRUE(store.readText(g("id"), value));
  EXPECT_EQ(value, "2");
  EXPECT_THAT(reloadColumn(store, "id"), ElementsAre("1", "2", "5", "9"));
  EXPECT_THAT(reloadColumn(store, "id"), ElementsAre("1", "2", "5", "9"));
}

TEST_F(StockStoreTest, DeleteByPositionRemovesThatRecordOnly) {
  struct Case {
    Integer position;
    bool deletes;
    std::vector<std::string> remaining;
  } cases[] = {
      {0, true, {"600001", "600002"}},
      {1, true, {"600000", "600002"}},
      {2, true, {"600000", "600001"}},
      {-1, false, {"600000", "600001", "600002"}},
      {3, false, {"600000", "600001", "600002"}},
      {1000, false, {"600000", "600001", "600002"}},
      {INT_MIN, false, {"600000", "600001", "600002"}},
      {INT_MAX, false, {"600000", "600001", "600002"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    createStandard({{"600000", "浦发银行"}, {"600001", "邯郸钢铁"}, {"600002", "齐鲁石化"}});
    StockStore store;
    open(store);
    reload(store, standardFields());  // the grid's load leaves the cursor past the last record
    EXPECT_TRUE(store.moveTo(c.position));
    EXPECT_EQ(store.deleteCurrent(), c.deletes);
    store.saveRecord();  // the delete command calls it too; nothing is pending
    Text value = "old";
    EXPECT_FALSE(store.readText(g("股票代码"), value)) << "a deleted record cannot be read";
    EXPECT_EQ(value, "");
    EXPECT_FALSE(store.deleteCurrent()) << "nothing is deleted twice";
    if (c.deletes && c.position < 2) {
      // The record that followed the deleted one comes next.
      ASSERT_TRUE(store.moveNext());
      EXPECT_TRUE(store.readText(g("股票代码"), value));
      EXPECT_EQ(u(value), "60000" + std::to_string(c.position + 1));
    }
    EXPECT_EQ(reloadColumn(store, "股票代码"), c.remaining);
    EXPECT_EQ(RawDb(dbFile()).column("SELECT 股票代码 FROM 股票 ORDER BY id"), c.remaining);
  }
}

TEST_F(StockStoreTest, DeleteOfARecordAnotherProgramRemovedFails) {
  createStandard({{"600000", "浦发银行"}, {"600001", "邯郸钢铁"}});
  StockStore store;
  open(store);
  RawDb(dbFile()).exec("DELETE FROM 股票 WHERE 股票代码 = '600000'");
  ASSERT_TRUE(store.moveTo(0));
  EXPECT_FALSE(store.deleteCurrent());
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600001"));
}

TEST_F(StockStoreTest, AddStoresTheRecordAsUtf8AndReadsItBackInGbk) {
  createStandard({{"600000", "浦发银行"}});
  StockStore store;
  open(store);
  ASSERT_TRUE(addStock(store, "000001", "平安银行", "10.5", "", "深圳证券交易所"));

  // The cursor stands on the stored record, which has its id now.
  Text value;
  ASSERT_TRUE(store.readText(g("id"), value));
  EXPECT_EQ(value, "2");
  ASSERT_TRUE(store.readText(g("股票名称"), value));
  EXPECT_EQ(value, g("平安银行"));

  EXPECT_THAT(reload(store, standardFields()),
              ElementsAre(ElementsAre("1", "600000", "浦发银行", "", "", "", "", ""),
                          ElementsAre("2", "000001", "平安银行", "10.5", "", "", "深圳证券交易所",
                                      "2017年5月13日9时5分3秒")));
  RawDb db(dbFile());
  EXPECT_EQ(db.scalar("SELECT 股票名称 FROM 股票 WHERE id = 2"), "平安银行");
  EXPECT_EQ(db.scalar("SELECT hex(交易所) FROM 股票 WHERE id = 2"),
            db.scalar("SELECT hex('深圳证券交易所')"));
  // The empty text is stored as NULL, also the never written 涨跌幅度.
  EXPECT_EQ(db.scalar("SELECT typeof(监控价格) || typeof(涨跌幅度) FROM 股票 WHERE id = 2"),
            "nullnull");
}

TEST_F(StockStoreTest, WriteTextNeedsAFieldOfTheRecordSet) {
  createStandard({{"600000", "浦发银行"}});
  StockStore store;
  ASSERT_TRUE(store.openDatabase(dbPath(), ""));
  store.bindRecordSet();
  EXPECT_FALSE(store.writeText(g("股票代码"), "1")) << "no record set open yet";
  ASSERT_TRUE(store.queryAll());
  ASSERT_TRUE(store.addNew());
  EXPECT_FALSE(store.writeText(g("股票价格"), "1"));
  EXPECT_FALSE(store.writeText("", "1"));
  EXPECT_TRUE(store.writeText(g("股票代码"), "600036"));
  EXPECT_TRUE(store.saveRecord());

  // Stored records are never edited: the field exists, nothing changes.
  ASSERT_TRUE(store.moveFirst());
  EXPECT_TRUE(store.writeText(g("股票名称"), g("改名")));
  EXPECT_TRUE(store.saveRecord());
  EXPECT_THAT(reloadColumn(store, "股票名称"), ElementsAre("浦发银行", ""));
}

TEST_F(StockStoreTest, FailedSaveDiscardsThePendingRecord) {
  createWith(
      "CREATE TABLE 股票 (id INTEGER PRIMARY KEY AUTOINCREMENT, 股票代码 TEXT UNIQUE, "
      "股票名称 TEXT CHECK (length(股票名称) < 5), 交易所 TEXT NOT NULL, 当前价格 TEXT, "
      "监控价格 TEXT, 涨跌幅度 TEXT, 最后操作时间 TEXT);"
      "INSERT INTO 股票 (股票代码, 股票名称, 交易所) VALUES ('600000', '浦发银行', '上海');");
  struct Case {
    const char* name;
    std::string code, stockName, exchange;
  } cases[] = {
      {"duplicate code", "600000", "浦发", "上海"},
      {"CHECK refuses the name", "600036", "招商银行股份", "上海"},
      {"NOT NULL column left empty", "600036", "招商银行", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StockStore store;
    open(store);
    EXPECT_FALSE(addStock(store, c.code, c.stockName, "10", "11", c.exchange));
    // Discarded: the cursor is back on the record it was on, and nothing is pending.
    Text value;
    EXPECT_TRUE(store.readText(g("股票代码"), value));
    EXPECT_EQ(value, "600000");
    EXPECT_TRUE(store.saveRecord());
    EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000"));
    EXPECT_EQ(RawDb(dbFile()).scalar("SELECT count(*) FROM 股票"), "1");
    // The next Add goes through.
    EXPECT_TRUE(addStock(store, "600016", "民生银行", "10", "11", "上海"));
    EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000", "600016"));
    RawDb(dbFile()).exec("DELETE FROM 股票 WHERE 股票代码 = '600016'");
  }
}

TEST_F(StockStoreTest, PendingRecordIsReadableDroppedByAQueryAndStoredByAMove) {
  createStandard({{"600000", "浦发银行"}});
  StockStore store;
  open(store);

  ASSERT_TRUE(store.addNew());
  EXPECT_FALSE(store.isAtEnd());
  EXPECT_TRUE(store.writeText(g("股票代码"), "600036"));
  Text value;
  EXPECT_TRUE(store.readText(g("股票代码"), value));
  EXPECT_EQ(value, "600036");
  EXPECT_TRUE(store.readText(g("股票名称"), value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(store.deleteCurrent()) << "a pending record is not in the file";

  EXPECT_TRUE(store.queryAll());  // drops it
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000"));

  ASSERT_TRUE(store.queryAll());
  ASSERT_TRUE(store.addNew());
  store.writeText(g("股票代码"), "600016");
  EXPECT_TRUE(store.moveFirst());  // leaving a new record stores it
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000", "600016"));

  // An addNew while one is pending stores the first.
  ASSERT_TRUE(store.addNew());
  store.writeText(g("股票代码"), "600018");
  ASSERT_TRUE(store.addNew());
  store.writeText(g("股票代码"), "600019");
  EXPECT_TRUE(store.saveRecord());
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000", "600016", "600018", "600019"));
}

}  // namespace
}  // namespace brindlow::testing
