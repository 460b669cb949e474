#include "shell/values/directory.h"

#include <unistd.h>

#include <climits>

#include "shell/values/codepage.h"

namespace brindlow {

namespace {
// The longest directory name the program accepts, as on Windows (MAX_PATH - 1).
constexpr std::size_t kMaxDirectoryBytes = 259;
}  // namespace

Text currentDirectory() {
  char buffer[PATH_MAX];
  // Fails (ERANGE, ENOENT for a removed directory, EACCES) rather than
  // returning a partial name.
  if (getcwd(buffer, sizeof buffer) == nullptr) return Text();
  Text directory = utf8ToGbk(buffer);
  if (directory.size() > kMaxDirectoryBytes) return Text();
  return directory;
}

Text pathSeparator() {
#ifdef _WIN32
  return "\\";
#else
  return "/";
#endif
}

}  // namespace brindlow
