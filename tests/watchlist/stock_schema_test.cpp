// A fresh db.mdb with the standard schema, from the library and from the
// brindlow-make-db tool.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "store_test_db.h"
#include "watchlist/stock_schema.h"

namespace brindlow::testing {
namespace {

using ::testing::ElementsAre;

std::string contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::ptrdiff_t entries(const std::filesystem::path& folder) {
  return std::distance(std::filesystem::directory_iterator(folder),
                       std::filesystem::directory_iterator());
}

TEST_F(StockStoreTest, StandardDatabaseHasTheEightFieldsAndNumbersItsRecords) {
  ASSERT_TRUE(createStandardDatabase(dbFile().string()));
  RawDb db(dbFile());
  EXPECT_THAT(db.column("SELECT name || ' ' || type FROM pragma_table_info('股票')"),
              ElementsAre("id INTEGER", "股票代码 TEXT", "股票名称 TEXT", "当前价格 TEXT",
                          "监控价格 TEXT", "涨跌幅度 TEXT", "交易所 TEXT", "最后操作时间 TEXT"));
  EXPECT_EQ(db.scalar("SELECT count(*) FROM 股票"), "0");
  EXPECT_EQ(entries(dir_.path()), 1) << "no temporary file is left behind";

  // Ids are never used twice, not even the one of a deleted last record.
  StockStore store;
  open(store);
  ASSERT_TRUE(addStock(store, "600000", "浦发银行"));
  ASSERT_TRUE(addStock(store, "600036", "招商银行"));
  ASSERT_TRUE(store.moveTo(1));
  ASSERT_TRUE(store.deleteCurrent());
  ASSERT_TRUE(addStock(store, "000001", "平安银行"));
  EXPECT_THAT(reloadColumn(store, "id"), ElementsAre("1", "3"));
}

TEST_F(StockStoreTest, StandardDatabaseIsNeverMadeOverSomethingElse) {
  const std::filesystem::path file = dir_.path() / "db.mdb";
  std::ofstream(file) << "keep me";
  std::filesystem::create_directory(dir_.path() / "folder");
  std::filesystem::create_symlink(dir_.path() / "nowhere", dir_.path() / "link");

  EXPECT_FALSE(createStandardDatabase(file.string()));
  EXPECT_EQ(contents(file), "keep me");
  EXPECT_FALSE(createStandardDatabase((dir_.path() / "folder").string()));
  EXPECT_FALSE(createStandardDatabase((dir_.path() / "link").string()));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "nowhere"));
  EXPECT_FALSE(createStandardDatabase((dir_.path() / "missing" / "db.mdb").string()));
  EXPECT_FALSE(createStandardDatabase(""));
  EXPECT_EQ(entries(dir_.path()), 3);
}

#ifdef BRINDLOW_MAKE_DB
int runTool(const std::vector<std::string>& arguments) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(BRINDLOW_MAKE_DB)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(StockStoreTest, MakeDbToolCreatesAFreshDatabaseOnly) {
  const std::string path = dbFile().string();
  EXPECT_EQ(runTool({}), 2);
  EXPECT_EQ(runTool({"--bogus", path}), 2);
  EXPECT_EQ(runTool({path, path}), 2);
  EXPECT_FALSE(std::filesystem::exists(dbFile()));

  EXPECT_EQ(runTool({path}), 0);
  StockStore store;
  open(store);
  ASSERT_TRUE(addStock(store, "600000", "浦发银行"));

  // An existing file is left as it is: an error, or with --if-missing a success.
  const std::string before = contents(dbFile());
  EXPECT_EQ(runTool({path}), 1);
  EXPECT_EQ(runTool({"--if-missing", path}), 0);
  EXPECT_EQ(contents(dbFile()), before);
  EXPECT_THAT(reloadColumn(store, "股票代码"), ElementsAre("600000"));

  const std::string other = (dir_.path() / "other.mdb").string();
  EXPECT_EQ(runTool({"--if-missing", other}), 0);
  EXPECT_EQ(RawDb(other).scalar("SELECT count(*) FROM 股票"), "0");
}
#endif

}  // namespace
}  // namespace brindlow::testing
