#pragma once
// The alert balloon 气球提示框1: a tooltip-coloured popup at the mouse pointer
// listing the shares that came near their watched price. It never hides by
// itself; any key press, mouse-button press or wheel turn in any window of the
// program hides it, and so does the next call of showAlertBalloon.

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPoint>
#include <QStringList>
#include <QWidget>

#include "shell/values/text.h"

namespace brindlow {

class MainWindow;

class AlertBalloon : public QWidget {
  Q_OBJECT
 public:
  // The parent owns the balloon; the balloon is a window of its own.
  explicit AlertBalloon(QWidget* parent = nullptr);
  ~AlertBalloon() override;

  // Shows the text at once with the tip of its pointer at `anchor` (screen
  // coordinates); CR LF starts a new line.
  void showText(const Text& text, QPoint anchor);
  void hideBalloon();

  Text text() const { return text_; }
  QStringList lines() const { return lines_; }
  QPoint anchor() const { return anchor_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void layOut();
  QPainterPath outline() const;

  Text text_;
  QStringList lines_;
  QPoint anchor_;
  bool bodyBelow_ = true;  // the body below the anchor, the pointer going up to it
  int pointerX_ = 0;       // the pointer's tip, in widget coordinates
  QRect body_;             // the rectangle holding the text, in widget coordinates
  bool filtering_ = false;
};

// Hides the balloon of the window, and for a non-empty text shows it at the
// mouse position.
void showAlertBalloon(MainWindow& window, const Text& text);

}  // namespace brindlow
