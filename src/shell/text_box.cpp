#include "shell/text_box.h"

#include <QKeyEvent>

namespace brindlow {

namespace {
// Height of a classic 3-D edge (SM_CYEDGE).
constexpr int kEdgeHeight = 2;

QString cssColour(Integer value) { return colourFromWindows(value).name(QColor::HexRgb); }
}  // namespace

QColor colourFromWindows(Integer value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

TextBox::TextBox(Border border, Integer background, QWidget* parent)
    : QLineEdit(parent), border_(border), background_(background) {
  restyle();
}

void TextBox::setTextColour(Integer colour) {
  if (colour == textColour_) return;
  textColour_ = colour;
  restyle();
}

void TextBox::restyle() {
  const QString frame = border_ == Border::SingleLine
                            ? QStringLiteral("border: 1px solid black;")
                            : QStringLiteral("border: 2px inset #a0a0a0;");
  // A disabled box is greyed, as the classic edit control is.
  setStyleSheet(QStringLiteral("QLineEdit { %1 background-color: %2; color: %3; padding: 0 1px; }"
                               "QLineEdit:disabled { background-color: #f0f0f0; color: #6d6d6d; }")
                    .arg(frame, cssColour(background_), cssColour(textColour_)));
}

void TextBox::place(int left, int top, int width, int height) {
  const int minimum = fontMetrics().height() + 2 * kEdgeHeight;
  setGeometry(left, top, width, std::max(height, minimum));
}

void TextBox::keyPressEvent(QKeyEvent* event) {
  if (numeric_) {
    const QString typed = event->text();
    // Shortcuts such as Ctrl+V carry control characters and pass.
    if (!typed.isEmpty() && typed.front().unicode() >= 32 &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
      for (QChar c : typed) {
        const bool allowed = (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
        if (!allowed) {
          event->accept();
          return;
        }
      }
    }
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace brindlow
