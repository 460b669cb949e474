#include "shell/values/directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shell/values/codepage.h"
#include "support_temp_dir.h"

namespace brindlow {
namespace {

namespace fs = std::filesystem;

class DirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = fs::current_path(); }
  void TearDown() override { fs::current_path(saved_); }

  // The temporary folder as getcwd spells it (symbolic links resolved).
  std::string base() const { return fs::canonical(temp_.path()).string(); }

  testing::TempDir temp_;

 private:
  fs::path saved_;
};

TEST_F(DirectoryTest, ReportsTheWorkingDirectory) {
  fs::current_path(temp_.path());
  EXPECT_EQ(currentDirectory(), base());
  fs::current_path("/");
  EXPECT_EQ(currentDirectory(), "/");
}

TEST_F(DirectoryTest, ChineseNamesComeBackAsGbk) {
  const fs::path folder = fs::path(base()) / fs::u8path("行情");
  fs::create_directory(folder);
  fs::current_path(folder);
  EXPECT_EQ(currentDirectory(), base() + gbk("/行情"));
}

TEST_F(DirectoryTest, EmptyWhenLongerThan259Bytes) {
  const std::string root = base();
  ASSERT_LT(root.size(), 200u);
  const fs::path longest = root + "/" + std::string(259 - root.size() - 1, 'a');
  const fs::path tooLong = root + "/" + std::string(260 - root.size() - 1, 'b');
  fs::create_directory(longest);
  fs::create_directory(tooLong);

  fs::current_path(longest);
  EXPECT_EQ(currentDirectory().size(), 259u);
  fs::current_path(tooLong);
  EXPECT_EQ(currentDirectory(), "");
}

TEST_F(DirectoryTest, EmptyWhenTheDirectoryIsGone) {
  const fs::path gone = temp_.path() / "gone";
  fs::create_directory(gone);
  fs::current_path(gone);
  fs::remove(gone);
  EXPECT_EQ(currentDirectory(), "");
}

TEST(PathSeparator, IsTheSlash) { EXPECT_EQ(pathSeparator(), "/"); }

}  // namespace
}  // namespace brindlow
