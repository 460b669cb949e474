// The store when the file misbehaves: write-protected, locked by another
// program, removed or replaced while open, left behind by a killed process,
// or holding a table of another shape.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "store_test_db.h"

namespace brindlow::testing {
namespace {

using ::testing::ElementsAre;

std::string integrity(const std::filesystem::path& file) {
  return RawDb(file).scalar("PRAGMA integrity_check");
}

// Runs body in a child process and gives its exit status (or 200 + the
// signal that ended it). Without root's right to write anywhere when
// unprivileged is set: the child then runs as "nobody".
int inChild(const std::function<int()>& body, bool unprivileged = false) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

TEST_F(StockStoreTest, WriteProtectedDatabaseReadsButRefusesChanges) {
  struct Case {
    const char* name;
    std::filesystem::perms file, folder;
  } cases[] = {
      {"read-only file", std::filesystem::perms(0444), std::filesystem::perms(0777)},
      {"read-only folder", std::filesystem::perms(0666), std::filesystem::perms(0555)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    createStandard({{"600000", "浦发银行"}, {"600036", "招商银行"}});
    std::filesystem::permissions(dbFile(), c.file);
    std::filesystem::permissions(dir_.path(), c.folder);
    const Text path = dbPath();
    const int result = inChild(
        [&] {
          if (access(dbFile().c_str(), W_OK) == 0 && access(dir_.path().c_str(), W_OK) == 0) {
            return 99;  // nothing here can take the right to write away
          }
          StockStore store;
          if (!store.openDatabase(path, "") || !store.bindRecordSet()) return 1;
          if (reloadColumn(store, "股票代码") != std::vector<std::string>{"600000", "600036"}) {
            return 2;
          }
          if (addStock(store, "000001", "平安银行")) return 3;
          if (!store.moveTo(0) || store.deleteCurrent()) return 4;
          if (reloadColumn(store, "股票代码") != std::vector<std::string>{"600000", "600036"}) {
            return 5;
          }
          return 0;
        },
        true);
    std::filesystem::permissions(dir_.path(), std::filesystem::perms(0700));
    std::filesystem::permissions(dbFile(), std::filesystem::perms(0644));
    if (result == 99) GTEST_SKIP() << "cannot write-protect files here";
    EXPECT_EQ(result, 0) << "step that went wrong in the child";
    EXPECT_EQ(RawDb(dbFile()).column("SELECT 股票代码 FROM 股票"),
              (std::vector<std::string>{"600000", "600036"}));
    EXPECT_EQ(integrity(dbFile()), "ok");
  }
}

TEST_F(StockStoreTest, DatabaseLockedByAnotherProgram) {
  struct Case {
    const char* name;
    const char* lock;
    bool readable;
  } cases[] = {
      {"write transaction under way",
       "BEGIN IMMEDIATE; INSERT INTO 股票 (股票代码) VALUES ('999999');", true},
      {"exclusive lock", "BEGIN EXCLUSIVE;", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    createStandard({{"600000", "浦发银行"}, {"600036", "招商银行"}});
    StockStore store;
    open(store);
    RawDb other(dbFile());
    other.exec(c.lock);

    // Each of these waits out the short busy time-out, then gives up.
    EXPECT_FALSE(addStock(store, "000001", "平安银行"));
    ASSERT_TRUE(store.moveTo(1));
    EXPECT_FALSE(store.deleteCurrent());
    EXPECT_EQ(store.queryAll(), c.readable);
    if (c.readable) {
      // What the file holds: not the other program's unfinished change.
      EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000", "600036"));
    }

    other.exec("ROLLBACK");
    EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000", "600036"));
    EXPECT_TRUE(addStock(store, "000001", "平安银行"));
    EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000", "600036", "000001"));
  }
}

TEST_F(StockStoreTest, DatabaseRemovedOrReplacedWhileOpen) {
  createStandard({{"600000", "浦发银行"}, {"600036", "招商银行"}});
  StockStore store;
  open(store);

  // Removed (here: moved away): changes fail rather than go into a file that
  // is no longer db.mdb, and there is nothing to read.
  const std::filesystem::path kept = dir_.path() / "kept.mdb";
  std::filesystem::rename(dbFile(), kept);
  EXPECT_FALSE(addStock(store, "000001", "平安银行"));
  ASSERT_TRUE(store.moveFirst());
  EXPECT_FALSE(store.deleteCurrent());
  EXPECT_FALSE(store.queryAll());
  EXPECT_TRUE(store.isAtEnd());
  EXPECT_FALSE(std::filesystem::exists(dbFile()));
  EXPECT_EQ(RawDb(kept).scalar("SELECT count(*) FROM 股票"), "2");

  // Put back (here: another file): a reload shows what it holds, and works on it.
  createStandard({{"000001", "平安银行"}});
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("000001"));
  EXPECT_TRUE(addStock(store, "000002", "万科A"));
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("000001", "000002"));

  // Replaced by a copy behind the snapshot's back: no change until a reload,
  // since positions of the old snapshot mean nothing in the new file.
  std::filesystem::copy_file(kept, dir_.path() / "copy.mdb");
  std::filesystem::rename(dir_.path() / "copy.mdb", dbFile());
  ASSERT_TRUE(store.moveFirst());
  EXPECT_FALSE(store.deleteCurrent());
  EXPECT_FALSE(addStock(store, "000003", "国华网安"));
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000", "600036"));
  ASSERT_TRUE(store.moveTo(0));
  EXPECT_TRUE(store.deleteCurrent());
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600036"));
}

std::string contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits until the child has written one byte into the pipe.
bool awaitReady(int fd) {
  char byte = 0;
  return read(fd, &byte, 1) == 1;
}

TEST_F(StockStoreTest, ProcessKilledInsideAWriteLeavesTheDatabaseAsItWas) {
  struct Case {
    const char* name;
    const char* change;
  } cases[] = {
      {"adding",
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
       "INSERT INTO 股票 (股票代码, 股票名称) SELECT 'X' || i, hex(randomblob(300)) FROM n;"},
      {"deleting", "DELETE FROM 股票 WHERE id % 3 <> 0;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    createStandard();
    RawDb(dbFile()).exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
        "INSERT INTO 股票 (股票代码, 股票名称) SELECT printf('%06d', i), hex(randomblob(200)) "
        "FROM n;");
    const std::string fileBefore = contents(dbFile());
    const std::string before = RawDb(dbFile()).scalar("SELECT group_concat(股票代码) FROM 股票");

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const std::string path = dbFile().string();
    const std::string change = c.change;
    const pid_t pid = fork();
    if (pid == 0) {
      // A tiny page cache makes SQLite write changed pages into the file
      // before the commit: only the journal can undo them.
      sqlite3* db = nullptr;
      sqlite3_open(path.c_str(), &db);
      sqlite3_exec(db, "PRAGMA cache_size = 2; BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
      sqlite3_exec(db, change.c_str(), nullptr, nullptr, nullptr);
      if (write(ready[1], "r", 1) != 1) _exit(1);
      for (;;) pause();
    }
    close(ready[1]);
    ASSERT_TRUE(awaitReady(ready[0]));
    close(ready[0]);
    std::filesystem::path journal = dbFile();
    journal += "-journal";
    EXPECT_TRUE(std::filesystem::exists(journal));
    const bool spilled = contents(dbFile()) != fileBefore;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(spilled) << "the killed transaction never touched the file";

    StockStore store;
    open(store);
    const auto codes = reloadColumn(store, "股票代码");
    ASSERT_EQ(codes.size(), 2000u);
    EXPECT_EQ(codes.front(), "000001");
    EXPECT_EQ(RawDb(dbFile()).scalar("SELECT group_concat(股票代码) FROM 股票"), before);
    EXPECT_FALSE(std::filesystem::exists(journal)) << "the first reader rolls the journal back";
    EXPECT_EQ(integrity(dbFile()), "ok");
    EXPECT_TRUE(addStock(store, "600000", "浦发银行"));
  }
}

TEST_F(StockStoreTest, ProcessKilledWhileAddingAndDeletingLeavesWholeRecords) {
  for (int delayMs : {20, 120, 400}) {
    SCOPED_TRACE(delayMs);
    createStandard();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const Text path = dbPath();
    const pid_t pid = fork();
    if (pid == 0) {
      StockStore store;
      if (!store.openDatabase(path, "") || !store.bindRecordSet()) _exit(1);
      for (int i = 0;; ++i) {
        const std::string code = std::to_string(100000 + i);
        store.queryAll();
        addStock(store, code, "名" + code, code, code, "交易所" + code);
        if (i == 0 && write(ready[1], "r", 1) != 1) _exit(1);
        if (i % 3 == 2 && store.queryAll() && store.moveTo(i % 2)) store.deleteCurrent();
      }
    }
    close(ready[1]);
    ASSERT_TRUE(awaitReady(ready[0]));
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);

    StockStore store;
    open(store);
    const auto rows = reload(store, standardFields());
    EXPECT_FALSE(rows.empty());
    for (const auto& row : rows) {
      const std::string& code = row[1];
      EXPECT_THAT(row, ElementsAre(::testing::_, code, "名" + code, code, code, "", "交易所" + code,
                                   "2017年5月13日9时5分3秒"));
    }
    EXPECT_EQ(integrity(dbFile()), "ok");
  }
}

TEST_F(StockStoreTest, TablesOfOtherShapesReadByTheirTypes) {
  struct Case {
    const char* name;
    const char* schema;
    std::vector<std::vector<std::string>> rows;  // the eight standard fields
    bool adds;
    std::vector<std::string> afterAdd;  // 股票代码 of every row
    bool deletesFirst;
  } cases[] = {
      {"extra and missing columns",
       "CREATE TABLE 股票 (id INTEGER PRIMARY KEY, 股票代码 TEXT, 备注 MEMO, 图 BLOB, 量 GEOMETRY);"
       "INSERT INTO 股票 VALUES (1, '600000', '备注', x'00', 'x');",
       {{"1", "600000", "", "", "", "", "", ""}},
       true,
       {"600000", "000001"},
       true},
      {"columns of other types",
       "CREATE TABLE 股票 (id INTEGER PRIMARY KEY, 股票代码 INTEGER, 股票名称 VARCHAR(20), "
       "当前价格 DOUBLE, 监控价格 CURRENCY, 涨跌幅度 SINGLE, 交易所 CHAR(10), 最后操作时间 "
       "DATETIME);"
       "INSERT INTO 股票 VALUES (1, 600000, '浦发银行', 10.5, 11, NULL, '上海', "
       "42868.37850694444);",
       {{"1", "600000", "浦发银行", "10.50000000", "11", "", "上海", "2017-05-13 09:05:03"}},
       true,
       {"600000", "1"},  // the code "000001" is the integer 1 in this table
       true},
      {"columns without types",
       "CREATE TABLE 股票 (id, 股票代码, 股票名称, 当前价格);"
       "INSERT INTO 股票 VALUES (7, '600000', '浦发银行', 10.5);",
       {{"7", "600000", "浦发银行", "10.50000000", "", "", "", ""}},
       true,
       {"600000", "000001"},
       true},
      {"WITHOUT ROWID, ordered by its key",
       "CREATE TABLE 股票 (股票代码 TEXT PRIMARY KEY, 股票名称 TEXT) WITHOUT ROWID;"
       "INSERT INTO 股票 VALUES ('600000', '浦发银行'), ('000002', '万科A');",
       {{"", "000002", "万科A", "", "", "", "", ""},
        {"", "600000", "浦发银行", "", "", "", "", ""}},
       true,
       {"000001", "000002", "600000"},
       true},
      {"columns hiding the rowid's names",
       "CREATE TABLE 股票 (rowid TEXT, _rowid_ TEXT, 股票代码 TEXT);"
       "INSERT INTO 股票 VALUES ('a', 'b', '600000');",
       {{"", "600000", "", "", "", "", "", ""}},
       true,
       {"600000", "000001"},
       true},
      {"a view",
       "CREATE TABLE 自选 (代码 TEXT, 名称 TEXT);"
       "INSERT INTO 自选 VALUES ('600000', '浦发银行');"
       "CREATE VIEW 股票 AS SELECT rowid AS id, 代码 AS 股票代码, 名称 AS 股票名称 FROM 自选;",
       {{"1", "600000", "浦发银行", "", "", "", "", ""}},
       false,
       {"600000"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    createWith(c.schema);
    StockStore store;
    open(store);
    EXPECT_EQ(reload(store, standardFields()), c.rows);
    EXPECT_EQ(addStock(store, "000001", "平安银行"), c.adds);
    EXPECT_EQ(reloadColumn(store, "股票代码"), c.afterAdd);
    ASSERT_TRUE(store.moveTo(0));
    EXPECT_EQ(store.deleteCurrent(), c.deletesFirst);
    auto expected = c.afterAdd;
    if (c.deletesFirst) expected.erase(expected.begin());
    EXPECT_EQ(reloadColumn(store, "股票代码"), expected);
  }
}

}  // namespace
}  // namespace brindlow::testing
