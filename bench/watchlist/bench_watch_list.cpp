// refreshWatchList of 10,000 records against the bare work it stands on: one
// sqlite3 select of the same rows with the same GBK conversion of every field.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>

#include "shell/values/codepage.h"
#include "watchlist/stock_schema.h"
#include "watchlist/stock_store.h"
#include "watchlist/watch_list_commands.h"
#include "watchlist/watch_list_grid.h"

namespace {

constexpr int kRecords = 10'000;

std::string& databasePath() {
  static std::string path;
  return path;
}

void makeDatabase() {
  const auto folder = std::filesystem::temp_directory_path() / "brindlow-bench-watchlist";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  databasePath() = (folder / "db.mdb").string();
  if (!brindlow::createStandardDatabase(databasePath())) std::abort();
  sqlite3* db = nullptr;
  sqlite3_open(databasePath().c_str(), &db);
  sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(
      db,
      "insert into 股票 (股票代码, 股票名称, 当前价格, 监控价格, 交易所, 最后操作时间) "
      "values (?, '农业银行', ?, '3.5', '上海证券交易所', '2026年12月11日9时5分3秒')",
      -1, &insert, nullptr);
  for (int i = 0; i < kRecords; ++i) {
    char code[16], price[16];
    std::snprintf(code, sizeof code, "%06d", 600000 + i);
    std::snprintf(price, sizeof price, "%.2f", 3.0 + (i % 100) / 100.0);
    sqlite3_bind_text(insert, 1, code, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, price, -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

long peakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_BareSelectWithGbk(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(databasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    std::vector<std::array<brindlow::Text, 8>> rows;
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "select * from 股票 order by rowid", -1, &select, nullptr);
    while (sqlite3_step(select) == SQLITE_ROW) {
      std::array<brindlow::Text, 8>& row = rows.emplace_back();
      for (int c = 0; c < 8; ++c) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(select, c));
        row[c] = text ? brindlow::utf8ToGbk(text) : brindlow::Text();
      }
    }
    sqlite3_finalize(select);
    benchmark::DoNotOptimize(rows);
  }
  sqlite3_close(db);
  state.counters["rows"] = kRecords;
}

void BM_RefreshWatchList(benchmark::State& state) {
  brindlow::StockStore store;
  store.openDatabase(databasePath(), "");
  store.bindRecordSet();
  brindlow::WatchListGrid grid;
  grid.resize(552, 184);
  grid.show();
  const long before = peakRssKb();
  for (auto _ : state) {
    brindlow::refreshWatchList(grid, store);
    benchmark::DoNotOptimize(grid.rowCount());
  }
  if (grid.rowCount() != kRecords) state.SkipWithError("grid does not hold every record");
  state.counters["rows"] = grid.rowCount();
  state.counters["peak_rss_growth_kb"] = static_cast<double>(peakRssKb() - before);
  state.counters["peak_rss_kb"] = static_cast<double>(peakRssKb());
}

BENCHMARK(BM_BareSelectWithGbk)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RefreshWatchList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  makeDatabase();
  std::printf("peak RSS before the benchmarks: %ld kB\n", peakRssKb());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(std::filesystem::path(databasePath()).parent_path());
  return 0;
}
