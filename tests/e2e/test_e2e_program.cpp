// The built program itself, as a user starts it: a copy of the executable in
// a program folder of its own, started from another working directory on a
// private X server (Xvfb, no window manager) and driven by real input events
// sent through the XTEST extension (xdotool).
//
// Without a window manager there is no frame: the window's own top-left is
// where the program puts the top-left of its frame, so centring the outer
// size 896 x 425 on 1280 x 800 puts the client area of 888 x 394 at 192,187.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e_support.h"
#include "support_http_server.h"
#include "support_temp_dir.h"

extern char** environ;

namespace brindlow {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::optional<fs::path> findInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    const fs::path candidate = fs::path(folder) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// A child process. One that is still running when the object goes is
// stopped (SIGTERM, then SIGKILL) and reaped.
class Child {
 public:
  struct Options {
    std::vector<std::string> argv;         // argv[0] is looked up in PATH
    std::vector<std::string> environment;  // NAME=value
    std::optional<fs::path> workingDirectory;
    int standardOutput = -1;  // becomes fd 1 when set
    int standardError = -1;   // becomes fd 2 when set
    int extra = -1;           // becomes fd 3 when set
  };

  explicit Child(const Options& o) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (o.standardOutput >= 0) posix_spawn_file_actions_adddup2(&actions, o.standardOutput, 1);
    if (o.standardError >= 0) posix_spawn_file_actions_adddup2(&actions, o.standardError, 2);
    if (o.extra >= 0) posix_spawn_file_actions_adddup2(&actions, o.extra, 3);
    if (o.workingDirectory) {
      posix_spawn_file_actions_addchdir_np(&actions, o.workingDirectory->c_str());
    }
    std::vector<char*> argv;
    for (const std::string& a : o.argv) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> env;
    for (const std::string& e : o.environment) env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }

  ~Child() {
    if (!running()) return;
    ::kill(pid_, SIGTERM);
    if (!waitExit(5s)) {
      ::kill(pid_, SIGKILL);
      waitExit(5s);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }
  bool running() const { return started() && !status_; }

  // The exit status (128 + signal when killed), or nothing within the time.
  std::optional<int> waitExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (running()) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else if (done < 0 || Clock::now() >= deadline) {
        break;
      } else {
        std::this_thread::sleep_for(20ms);
      }
    }
    return status_;
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Reads a pipe until its end or the deadline.
std::string readAll(int fd, Clock::time_point deadline) {
  std::string out;
  char buffer[4096];
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left <= 0ms) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) == 0) {
      read = fds[0];
      write = fds[1];
    }
  }
  ~Pipe() {
    closeWrite();
    if (read >= 0) ::close(read);
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
};

std::string fileText(const fs::path& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TheProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!findInPath("Xvfb") || !findInPath("xdotool")) {
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/install-deps.sh installs both)";
    }
    // The program's own folder: a copy of the executable, and what the test
    // puts beside it.
    program_ = folder_.path() / "brindlow";
    fs::copy_file(BRINDLOW_PROGRAM, program_);
    fs::permissions(program_, fs::perms::owner_all);
    startXServer();
  }

  void TearDown() override {
    brindlow_.reset();
    xServer_.reset();
  }

  // Xvfb picks a free display number itself and tells it on fd 3 once it
  // accepts connections.
  void startXServer() {
    Pipe displayNumber;
    ASSERT_GE(displayNumber.read, 0);
    Child::Options o;
    o.argv = {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten", "tcp"};
    o.environment = baseEnvironment();
    o.extra = displayNumber.write;
    xServer_ = std::make_unique<Child>(o);
    ASSERT_TRUE(xServer_->started());
    displayNumber.closeWrite();
    const std::string number = readAll(displayNumber.read, Clock::now() + 20s);
    ASSERT_FALSE(number.empty()) << "Xvfb did not tell its display";
    display_ = ":" + std::to_string(std::stoi(number));
  }

  // The test's environment without any window-system choice of its own
  // (the tests run with QT_QPA_PLATFORM=offscreen).
  static std::vector<std::string> baseEnvironment() {
    std::vector<std::string> env;
    std::string addressOptions;
    bool leakOptions = false;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name == "QT_QPA_PLATFORM" || name == "DISPLAY" || name == "XAUTHORITY" ||
          name == "WAYLAND_DISPLAY" || name == "BRINDLOW_QUOTE_HOST" ||
          name == "BRINDLOW_CHART_HOST") {
        continue;
      }
      if (name == "ASAN_OPTIONS") {
        addressOptions = entry.substr(entry.find('=') + 1);
        continue;
      }
      leakOptions = leakOptions || name == "LSAN_OPTIONS";
      env.push_back(entry);
    }
    // A system library's strndup on the X keymap trips the strict string
    // checks of the sanitized build; the program's own code stays checked.
    env.push_back("ASAN_OPTIONS=" + addressOptions + (addressOptions.empty() ? "" : ":") +
                  "suppressions=" BRINDLOW_SOURCE_DIR "/tests/e2e/asan.supp");
    // Allocations that system libraries keep for the process's life are no
    // leak of the program's.
    if (!leakOptions) {
      env.push_back("LSAN_OPTIONS=suppressions=" BRINDLOW_SOURCE_DIR "/tests/support/lsan.supp");
    }
    return env;
  }

  std::vector<std::string> xEnvironment() const {
    std::vector<std::string> env = baseEnvironment();
    env.push_back("DISPLAY=" + display_);
    return env;
  }

  // Starts the copied program from `workingDirectory` on the X server, as a
  // user would from a shell there. Its services point at a closed loopback
  // port: nothing it might fetch leaves the machine.
  void startProgram(const fs::path& workingDirectory) {
    std::vector<std::string> env = xEnvironment();
    env.push_back("QT_QPA_PLATFORM=xcb");
    const std::string nowhere = "127.0.0.1:" + std::to_string(testing::closedLoopbackPort());
    env.push_back("BRINDLOW_QUOTE_HOST=" + nowhere);
    env.push_back("BRINDLOW_CHART_HOST=" + nowhere);
    const int log = ::open((logs_.path() / "brindlow.log").c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(log, 0);
    Child::Options o;
    o.argv = {program_.string()};
    o.environment = env;
    o.workingDirectory = workingDirectory;
    o.standardOutput = log;
    o.standardError = log;
    brindlow_ = std::make_unique<Child>(o);
    ::close(log);
    ASSERT_TRUE(brindlow_->started());
  }

  std::string programOutput() const {
    return "\nbrindlow's output:\n" + fileText(logs_.path() / "brindlow.log");
  }

  // Runs xdotool on the X server and returns what it printed.
  std::string xdotool(std::vector<std::string> arguments) const {
    Pipe out;
    Child::Options o;
    o.argv = {"xdotool"};
    o.argv.insert(o.argv.end(), arguments.begin(), arguments.end());
    o.environment = xEnvironment();
    o.standardOutput = out.write;
    Child tool(o);
    out.closeWrite();
    std::string text = readAll(out.read, Clock::now() + 10s);
    tool.waitExit(10s);
    return text;
  }

  // The visible windows whose title matches the pattern, by id.
  std::vector<std::string> windows(const std::string& titlePattern) const {
    std::vector<std::string> ids;
    std::stringstream lines(xdotool({"search", "--onlyvisible", "--name", titlePattern}));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) ids.push_back(line);
    }
    return ids;
  }

  // Waits for exactly one such window while the program runs.
  std::string waitForWindow(const std::string& titlePattern) const {
    const auto deadline = Clock::now() + 60s;  // a sanitized Qt starts slowly
    while (Clock::now() < deadline && !brindlow_->waitExit(0ms)) {
      const std::vector<std::string> ids = windows(titlePattern);
      if (ids.size() == 1) return ids.front();
      std::this_thread::sleep_for(100ms);
    }
    return {};
  }

  // Focuses the window and types the key through XTEST, as a keyboard does.
  void press(const std::string& window, const std::string& key) const {
    xdotool({"windowfocus", "--sync", window});
    xdotool({"key", key});
  }

  std::string cwdOfProgram() const {
    std::error_code error;
    const fs::path cwd =
        fs::read_symlink("/proc/" + std::to_string(brindlow_->pid()) + "/cwd", error);
    return error ? std::string() : cwd.string();
  }

  // The files the program holds open.
  std::vector<std::string> openFiles() const {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& fd :
         fs::directory_iterator("/proc/" + std::to_string(brindlow_->pid()) + "/fd", error)) {
      const fs::path target = fs::read_symlink(fd.path(), error);
      if (!error) files.push_back(target.string());
    }
    return files;
  }

  testing::TempDir folder_;  // the program's folder
  testing::TempDir logs_;
  fs::path program_;
  std::string display_;
  std::unique_ptr<Child> xServer_;
  std::unique_ptr<Child> brindlow_;
};

TEST_F(TheProgram, FindsTheDbMdbOfItsOwnFolderShowsCentredAndEndsWithStatusZeroOnEsc) {
  ASSERT_TRUE(e2e::makeDatabase(
      folder_.path() / "db.mdb",
      {{"601288", "农业银行", "3.44", "3.50", "上海证券交易所", "2026年12月11日9时31分"},
       {"000002", "万科Ａ", "14.36", "14.00", "深圳证券交易所", "2026年12月11日9时32分"}}));
  testing::TempDir elsewhere;
  ASSERT_NO_FATAL_FAILURE(startProgram(elsewhere.path()));

  const std::string window = waitForWindow("^Brindlow   V1\\.0   $");
  ASSERT_FALSE(window.empty()) << "the main window did not show" << programOutput();
  EXPECT_EQ(xdotool({"getwindowname", window}), "Brindlow   V1.0   \n");

  // It works in its own folder and holds that folder's db.mdb open; no
  // "连接数据库失败" box (title "mmm") came up.
  const fs::path home = fs::canonical(folder_.path());
  EXPECT_EQ(cwdOfProgram(), home.string());
  EXPECT_THAT(openFiles(), ::testing::Contains((home / "db.mdb").string()));
  EXPECT_THAT(windows("^mmm$"), ::testing::IsEmpty());

  // Centred on the whole 1280 x 800 screen, at its fixed client size.
  int x = -1, y = -1, width = -1, height = -1;
  std::stringstream geometry(xdotool({"getwindowgeometry", window}));
  for (std::string line; std::getline(geometry, line);) {
    std::sscanf(line.c_str(), " Position: %d,%d", &x, &y);
    std::sscanf(line.c_str(), " Geometry: %dx%d", &width, &height);
  }
  EXPECT_EQ(x, (1280 - 896) / 2);
  EXPECT_EQ(y, (800 - 425) / 2);
  EXPECT_EQ(width, 888);
  EXPECT_EQ(height, 394);

  press(window, "Escape");
  EXPECT_EQ(brindlow_->waitExit(15s), 0) << programOutput();
}

TEST_F(TheProgram, WithoutDbMdbInItsFolderSaysSoAndIgnoresTheOneWhereItWasStarted) {
  testing::TempDir elsewhere;
  ASSERT_TRUE(e2e::makeDatabase(elsewhere.path() / "db.mdb", {}));
  ASSERT_NO_FATAL_FAILURE(startProgram(elsewhere.path()));

  // "连接数据库失败" comes up (title "mmm") before the main window shows.
  const std::string box = waitForWindow("^mmm$");
  ASSERT_FALSE(box.empty()) << "no message box" << programOutput();
  EXPECT_THAT(windows("^Brindlow"), ::testing::IsEmpty());
  EXPECT_THAT(
      openFiles(),
      ::testing::Not(::testing::Contains((fs::canonical(elsewhere.path()) / "db.mdb").string())));

  // Enter answers the box; then the main window shows, and Esc ends it.
  press(box, "Return");
  const std::string window = waitForWindow("^Brindlow   V1\\.0   $");
  ASSERT_FALSE(window.empty()) << "the main window did not show" << programOutput();
  press(window, "Escape");
  EXPECT_EQ(brindlow_->waitExit(15s), 0) << programOutput();
  EXPECT_FALSE(fs::exists(folder_.path() / "db.mdb"));  // the program never makes one
}

}  // namespace
}  // namespace brindlow
