#include <gmock/gmock.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QTest>
#include <filesystem>

#include "support_temp_dir.h"

namespace brindlow {
namespace {

// Started from another working directory, the program works in its own folder.
TEST(Startup, TheProgramsFolderBecomesTheCurrentDirectory) {
  testing::TempDir elsewhere;
  QProcess program;
  program.setWorkingDirectory(QString::fromStdString(elsewhere.path().string()));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(env);
  program.start(BRINDLOW_PROGRAM, {});
  ASSERT_TRUE(program.waitForStarted(10000));
  const std::filesystem::path exe = std::filesystem::canonical(BRINDLOW_PROGRAM);
  const std::string cwdLink = "/proc/" + std::to_string(program.processId()) + "/cwd";
  std::filesystem::path cwd;
  QTRY_VERIFY_WITH_TIMEOUT((cwd = std::filesystem::read_symlink(cwdLink)) == exe.parent_path(),
                           10000);
  program.terminate();
  ASSERT_TRUE(program.waitForFinished(10000));
}

}  // namespace
}  // namespace brindlow
