#include "watchlist/stock_schema.h"

#include <sqlite3.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace brindlow {

namespace {

namespace fs = std::filesystem;

constexpr char kSchema[] =
    "BEGIN;"
    "CREATE TABLE \"股票\" ("
    "\"id\" INTEGER PRIMARY KEY AUTOINCREMENT, "
    "\"股票代码\" TEXT, \"股票名称\" TEXT, \"当前价格\" TEXT, \"监控价格\" TEXT, "
    "\"涨跌幅度\" TEXT, \"交易所\" TEXT, \"最后操作时间\" TEXT);"
    "COMMIT;";

fs::path pathFromUtf8(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string utf8FromPath(const fs::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

bool occupied(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

bool writeSchema(const fs::path& file) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(utf8FromPath(file).c_str(), &db,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK;
  ok = sqlite3_close(db) == SQLITE_OK && ok;
  return ok;
}

// Puts the finished file in place unless something got there first.
bool placeWithoutOverwriting(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
#else
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  if (errno == EEXIST) return false;
  // A file system without hard links: a plain rename, checked just before.
  std::error_code error;
  if (occupied(to)) return false;
  fs::rename(from, to, error);
  return !error;
#endif
}

}  // namespace

bool createStandardDatabase(const std::string& utf8Path) {
  if (utf8Path.empty()) return false;
  const fs::path target = pathFromUtf8(utf8Path);
  if (occupied(target)) return false;

  // Built under a temporary name beside the target, so that a crash or a
  // full disk never leaves a half-made db.mdb behind.
  fs::path temporary = target;
  temporary += ".new-" + std::to_string(std::random_device{}());
  fs::path journal = temporary;
  journal += "-journal";
  if (occupied(temporary) || occupied(journal)) return false;

  const bool ok = writeSchema(temporary) && placeWithoutOverwriting(temporary, target);
  std::error_code ignored;
  if (occupied(temporary)) fs::remove(temporary, ignored);
  if (occupied(journal)) fs::remove(journal, ignored);
  return ok;
}

}  // namespace brindlow
