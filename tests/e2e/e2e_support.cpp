#include "e2e_support.h"

#include "shell/values/codepage.h"
#include "watchlist/stock_schema.h"
#include "watchlist/stock_store.h"

namespace brindlow::e2e {

namespace {

struct Field {
  const char* name;
  std::string StoredShare::*member;
};

const Field kFields[] = {{"股票代码", &StoredShare::code},    {"股票名称", &StoredShare::name},
                         {"当前价格", &StoredShare::current}, {"监控价格", &StoredShare::watched},
                         {"交易所", &StoredShare::exchange},  {"最后操作时间", &StoredShare::time}};

bool open(StockStore& store, const std::filesystem::path& file) {
  return store.openDatabase(utf8ToGbk(file.string()), Text()) && store.bindRecordSet() &&
         store.queryAll();
}

}  // namespace

void PrintTo(const StoredShare& s, std::ostream* out) {
  *out << "{" << s.code << ", " << s.name << ", " << s.current << ", " << s.watched << ", "
       << s.exchange << ", " << s.time << "}";
}

bool makeDatabase(const std::filesystem::path& file, const std::vector<StoredShare>& shares) {
  if (!createStandardDatabase(file.string())) return false;
  StockStore store;
  if (!open(store, file)) return false;
  for (const StoredShare& share : shares) {
    if (!store.addNew()) return false;
    for (const Field& f : kFields) {
      if (!store.writeText(gbk(f.name), gbk(share.*f.member))) return false;
    }
    if (!store.saveRecord()) return false;
  }
  return true;
}

std::vector<StoredShare> readDatabase(const std::filesystem::path& file) {
  std::vector<StoredShare> shares;
  StockStore store;
  if (!open(store, file)) return shares;
  for (store.moveFirst(); !store.isAtEnd(); store.moveNext()) {
    StoredShare share;
    for (const Field& f : kFields) {
      Text value;
      store.readText(gbk(f.name), value);
      share.*f.member = gbkToUtf8(value);
    }
    shares.push_back(share);
  }
  return shares;
}

}  // namespace brindlow::e2e
