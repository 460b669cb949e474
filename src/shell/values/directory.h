#pragma once

#include "shell/values/text.h"

namespace brindlow {

// The process's working directory (GBK), without a trailing separator except
// at the root; empty when it cannot be read or is longer than 259 bytes.
Text currentDirectory();
// The platform's path separator as a text ("/" here, "\\" on Windows).
Text pathSeparator();

}  // namespace brindlow
