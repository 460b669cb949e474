#pragma once

#include <filesystem>

namespace brindlow::testing {

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace brindlow::testing
