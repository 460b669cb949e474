// brindlow-make-db [--if-missing] PATH
// Creates a fresh, empty watch-list database with the standard schema at
// PATH. An existing file is never touched: it is an error, or with
// --if-missing a silent success.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "watchlist/stock_schema.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: brindlow-make-db [--if-missing] PATH\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool ifMissing = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--if-missing") {
      ifMissing = true;
    } else if (!argument.empty() && argument.front() == '-') {
      return usage();
    } else if (path.empty()) {
      path = argument;
    } else {
      return usage();
    }
  }
  if (path.empty()) return usage();

  std::error_code error;
  if (std::filesystem::symlink_status(path, error).type() !=
      std::filesystem::file_type::not_found) {
    if (ifMissing) return 0;
    std::fprintf(stderr, "brindlow-make-db: %s already exists; it is left as it is\n",
                 path.c_str());
    return 1;
  }
  if (!brindlow::createStandardDatabase(path)) {
    // Another program may have made it in the meantime.
    if (ifMissing && std::filesystem::exists(path, error)) return 0;
    std::fprintf(stderr, "brindlow-make-db: cannot create %s\n", path.c_str());
    return 1;
  }
  return 0;
}
