#pragma once
// The standard layout of db.mdb: table 股票 with an automatically numbered
// "id" and seven text fields.

#include <array>
#include <string>
#include <string_view>

namespace brindlow {

// The fields of table 股票 in their order, in UTF-8.
inline constexpr std::array<std::string_view, 8> kStockFields = {
    "id", "股票代码", "股票名称", "当前价格", "监控价格", "涨跌幅度", "交易所", "最后操作时间"};

// Creates a fresh database with the standard schema at utf8Path. Refuses (and
// leaves alone) anything already at that path; the file appears complete or
// not at all.
bool createStandardDatabase(const std::string& utf8Path);

}  // namespace brindlow
