#pragma once
// The window model shared by the program's three windows: a fixed-size
// top-level window centred on the whole screen, with minimise and close but no
// maximise, controls at fixed pixel positions, Esc closing it from any control
// and Enter doing nothing at window level.

#include <functional>
#include <memory>

#include <QSize>
#include <QString>
#include <QWidget>

namespace brindlow {

// The frame that the outer sizes of the windows include (a classic Windows
// border and title bar).
inline constexpr QSize kClassicFrame{8, 31};

class Window : public QWidget {
  Q_OBJECT
 public:
  // outerSize includes the classic frame; the client area is what remains.
  Window(const QString& caption, QSize outerSize);

  QSize outerSize() const { return outerSize_; }

  // The window's creation event: runs once, after all controls exist and
  // before the window is first shown.
  virtual void onCreated() {}

  // Places the window centred on the whole screen (not the work area).
  void centreOnScreen();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void childEvent(QChildEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void watchKeys(QObject* object);

  QSize outerSize_;
};

// Opens a window application-modal and waits in a nested event loop until it
// has been destroyed; other windows keep repainting and every timer keeps
// firing, only their input is refused. `kind` names the window: when one of
// that kind is already open it is brought forward and the call returns at once.
// `create` builds the window; showModal raises its creation event and shows it.
void showModal(const QString& kind, const std::function<std::unique_ptr<Window>()>& create);

// The open modal window of that kind, or nullptr.
Window* openModalWindow(const QString& kind);

}  // namespace brindlow
