#pragma once
// The one place where the system's GBK texts cross into Qt and back.

#include <QString>

#include "shell/values/text.h"

namespace brindlow {

QString toQString(const Text& text);
Text fromQString(const QString& text);

}  // namespace brindlow
