#pragma once
// Every message box of the program goes through here, so that tests can see
// what was shown and answer it without a modal loop.

#include <functional>

#include "shell/values/text.h"

namespace brindlow {

enum class MessageIcon { None, Error };

struct ShownMessage {
  Text text;
  Text title;
  MessageIcon icon = MessageIcon::None;
};

// Shows an application-modal box with an OK button and no owner window, and
// waits until the user closes it. An empty title becomes "信息：".
void showMessage(const Text& text, const Text& title = {}, MessageIcon icon = MessageIcon::None);

// Test seam: while a handler is set it receives every message instead of a
// real box being shown. An empty handler restores the real boxes.
using MessageBoxHandler = std::function<void(const ShownMessage&)>;
void setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace brindlow
