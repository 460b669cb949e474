#pragma once
// The activity log 编辑框_log: time-stamped lines that monitoring adds at the
// end of the box, for the user to read; never saved.

#include "shell/values/text.h"

namespace brindlow {

class LogBox;
class MainWindow;

// Adds timeToText(currentTime()) + ":" + text + CR LF at the end of the log,
// whatever the user selected, and scrolls the box to it. The user's undo does
// not take it back.
void appendLog(LogBox& box, const Text& text);
void appendLog(MainWindow& window, const Text& text);

// The whole content of the box as GBK text with CR LF line ends.
Text logText(const LogBox& box);

}  // namespace brindlow
