#include "shell/alert_balloon.h"

#include <QApplication>
#include <QBitmap>
#include <QGuiApplication>
#include <QHideEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolTip>
#include <algorithm>

#include "shell/main_window.h"
#include "shell/mouse.h"
#include "shell/qt_text.h"

namespace brindlow {

namespace {

constexpr int kMarginX = 8;
constexpr int kMarginY = 5;
constexpr int kPointerHeight = 14;
constexpr int kPointerWidth = 16;    // at the body's edge
constexpr int kPointerInset = 16;    // preferred distance of the tip from the body's left edge
constexpr int kCornerClearance = 2;  // the pointer keeps off the body's corners

QStringList splitLines(const Text& text) {
  QString content = toQString(text);
  content.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  content.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = content.split(QLatin1Char('\n'));
  // A final line break ends the last line rather than opening an empty one.
  if (lines.size() > 1 && lines.back().isEmpty()) lines.pop_back();
  return lines;
}

bool hidesBalloon(QEvent::Type type) {
  switch (type) {
    case QEvent::ShortcutOverride:  // a key that a shortcut takes never arrives as KeyPress
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TabletPress:
    case QEvent::TouchBegin:
      return true;
    default:
      return false;
  }
}

}  // namespace

AlertBalloon::AlertBalloon(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                          Qt::WindowStaysOnTopHint) {
  setObjectName(QString::fromUtf8("气球提示框1"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TranslucentBackground);
  setFocusPolicy(Qt::NoFocus);

  QPalette pal = QToolTip::palette();
  pal.setColor(QPalette::ToolTipText, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);

  QFont font = QApplication::font();
  font.setPointSize(9);
  setFont(font);
}

AlertBalloon::~AlertBalloon() {
  if (filtering_) qApp->removeEventFilter(this);
}

void AlertBalloon::showText(const Text& text, QPoint anchor) {
  hideBalloon();
  text_ = text;
  lines_ = splitLines(text);
  anchor_ = anchor;
  layOut();
  show();
  if (!filtering_) {
    // Input anywhere in the program hides the balloon, so watch every event
    // while it shows.
    qApp->installEventFilter(this);
    filtering_ = true;
  }
}

void AlertBalloon::hideBalloon() {
  if (filtering_) {
    qApp->removeEventFilter(this);
    filtering_ = false;
  }
  hide();
}

void AlertBalloon::layOut() {
  const QFontMetrics metrics(font());
  int textWidth = 0;
  for (const QString& line : lines_)
    textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
  const int textHeight = static_cast<int>(lines_.size()) * metrics.lineSpacing();
  const QSize bodySize(textWidth + 2 * kMarginX + 1, textHeight + 2 * kMarginY + 1);
  const QSize size(std::max(bodySize.width(), kPointerInset + kPointerWidth + kCornerClearance),
                   bodySize.height() + kPointerHeight);

  QScreen* screen = QGuiApplication::screenAt(anchor_);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->geometry() : QRect(anchor_, size);

  // Below the anchor unless the screen ends first and there is room above.
  bodyBelow_ = anchor_.y() + size.height() <= area.bottom() + 1 ||
               anchor_.y() - size.height() + 1 < area.top();
  const int top = bodyBelow_ ? anchor_.y() : anchor_.y() - size.height() + 1;
  int left = anchor_.x() - kPointerInset;
  left = std::min(left, area.right() + 1 - size.width());
  left = std::max(left, area.left());
  pointerX_ = std::clamp(anchor_.x() - left, kCornerClearance, size.width() - 1 - kCornerClearance);

  body_ = bodyBelow_ ? QRect(0, kPointerHeight, size.width(), bodySize.height())
                     : QRect(0, 0, size.width(), bodySize.height());
  setGeometry(left, top, size.width(), size.height());

  // Only the body and the pointer belong to the window.
  QBitmap shape(size);
  shape.fill(Qt::color0);
  QPainter painter(&shape);
  painter.setPen(Qt::color1);
  painter.setBrush(Qt::color1);
  painter.drawPath(outline());
  painter.end();
  setMask(shape);
  update();
}

QPainterPath AlertBalloon::outline() const {
  // Through pixel centres, so that a one-pixel pen covers exactly the edge pixels.
  const qreal left = body_.left() + 0.5;
  const qreal right = body_.right() + 0.5;
  const qreal top = body_.top() + 0.5;
  const qreal bottom = body_.bottom() + 0.5;
  const qreal tipX = pointerX_ + 0.5;
  const qreal tipY = bodyBelow_ ? 0.5 : height() - 0.5;
  // The pointer slants away from the nearer side so that its base stays on the body.
  const qreal slantX = pointerX_ + kPointerWidth <= width() - 1 - kCornerClearance
                           ? tipX + kPointerWidth
                           : tipX - kPointerWidth;
  const qreal baseFrom = std::min(tipX, slantX);
  const qreal baseTo = std::max(tipX, slantX);

  QPolygonF points;
  if (bodyBelow_) {
    points << QPointF(left, top) << QPointF(baseFrom, top) << QPointF(tipX, tipY)
           << QPointF(baseTo, top) << QPointF(right, top) << QPointF(right, bottom)
           << QPointF(left, bottom);
  } else {
    points << QPointF(left, top) << QPointF(right, top) << QPointF(right, bottom)
           << QPointF(baseTo, bottom) << QPointF(tipX, tipY) << QPointF(baseFrom, bottom)
           << QPointF(left, bottom);
  }
  QPainterPath path;
  path.addPolygon(points);
  path.closeSubpath();
  return path;
}

void AlertBalloon::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPainterPath shape = outline();
  painter.fillPath(shape, palette().color(QPalette::ToolTipBase));
  painter.setPen(QPen(palette().color(QPalette::ToolTipText), 1));
  painter.drawPath(shape);

  painter.setFont(font());
  const QFontMetrics metrics(font());
  int y = body_.top() + kMarginY + metrics.ascent();
  for (const QString& line : lines_) {
    painter.drawText(body_.left() + kMarginX, y, line);
    y += metrics.lineSpacing();
  }
}

void AlertBalloon::hideEvent(QHideEvent* event) {
  if (filtering_) {
    qApp->removeEventFilter(this);
    filtering_ = false;
  }
  QWidget::hideEvent(event);
}

bool AlertBalloon::eventFilter(QObject* watched, QEvent* event) {
  if (filtering_ && hidesBalloon(event->type())) hideBalloon();
  return QWidget::eventFilter(watched, event);
}

void showAlertBalloon(MainWindow& window, const Text& text) {
  const QPoint position = mousePosition();
  if (window.气球提示框1 == nullptr) return;
  window.气球提示框1->hideBalloon();
  if (text.empty()) return;
  window.气球提示框1->showText(text, position);
}

}  // namespace brindlow
