#include "shell/message_box.h"

#include <QMessageBox>

#include "shell/qt_text.h"
#include "shell/values/codepage.h"

namespace brindlow {

namespace {
MessageBoxHandler& handler() {
  static MessageBoxHandler instance;
  return instance;
}
}  // namespace

void setMessageBoxHandler(MessageBoxHandler h) { handler() = std::move(h); }

void showMessage(const Text& text, const Text& title, MessageIcon icon) {
  ShownMessage shown{text, title.empty() ? gbk("信息：") : title, icon};
  if (handler()) {
    // Copy first: the handler may replace itself.
    MessageBoxHandler current = handler();
    current(shown);
    return;
  }
  QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                  toQString(shown.title), toQString(shown.text), QMessageBox::Ok);
  box.setObjectName("messageBox");
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace brindlow
