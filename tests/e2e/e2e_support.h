#pragma once
// Program folders for the end-to-end tests: a db.mdb made and read through
// StockStores of their own, the way the program itself stores shares.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace brindlow::e2e {

// One record of table 股票, its texts in UTF-8.
struct StoredShare {
  std::string code;
  std::string name;
  std::string current;
  std::string watched;
  std::string exchange;
  std::string time;

  bool operator==(const StoredShare&) const = default;
};

void PrintTo(const StoredShare& share, std::ostream* out);

// A fresh db.mdb with the standard schema at `file`, holding the shares in
// this order. False when the file exists already or a share is not stored.
bool makeDatabase(const std::filesystem::path& file, const std::vector<StoredShare>& shares);

// Every record of the file in query order, read by a store of its own.
std::vector<StoredShare> readDatabase(const std::filesystem::path& file);

}  // namespace brindlow::e2e
