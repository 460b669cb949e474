#include "shell/activity_log.h"

#include <QTextCursor>
#include <QTextDocument>

#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/values/datetime.h"

namespace brindlow {

namespace {

// The box holds lines as paragraphs; CR LF is the paragraph break. Other
// control characters go in as they are.
QString toParagraphs(const Text& text) {
  QString result = toQString(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return result;
}

}  // namespace

void appendLog(LogBox& box, const Text& text) {
  const Text line = timeToText(currentTime()) + ":" + text + "\r\n";

  QTextDocument* document = box.document();
  QTextCursor cursor(document);
  cursor.movePosition(QTextCursor::End);
  box.setTextCursor(cursor);  // drops the user's selection
  box.ensureCursorVisible();

  // With undo switched off the insertion leaves no undo step; switching it
  // off also empties the stack, as the classic edit control does when text is
  // replaced without undo.
  const bool undo = document->isUndoRedoEnabled();
  document->setUndoRedoEnabled(false);
  cursor.insertText(toParagraphs(line));
  document->setUndoRedoEnabled(undo);

  box.setTextCursor(cursor);
  box.ensureCursorVisible();
}

void appendLog(MainWindow& window, const Text& text) { appendLog(*window.编辑框_log, text); }

Text logText(const LogBox& box) {
  QString content = box.toPlainText();
  content.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return fromQString(content);
}

}  // namespace brindlow
