#include "shell/window.h"

#include <QApplication>
#include <QChildEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>

namespace brindlow {

Window::Window(const QString& caption, QSize outerSize) : outerSize_(outerSize) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(caption);
  setFixedSize(outerSize - kClassicFrame);
  setAttribute(Qt::WA_DeleteOnClose);
  // Button-face background, as every window of the program has.
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
}

void Window::centreOnScreen() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect whole = screen->geometry();
  move(whole.left() + (whole.width() - outerSize_.width()) / 2,
       whole.top() + (whole.height() - outerSize_.height()) / 2);
}

void Window::childEvent(QChildEvent* event) {
  if (event->added()) watchKeys(event->child());
  QWidget::childEvent(event);
}

void Window::watchKeys(QObject* object) {
  // Controls are created as direct or nested children; all of them pass their
  // keys by the window first.
  object->installEventFilter(this);
  for (QObject* child : object->children()) watchKeys(child);
}

bool Window::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ChildAdded) {
    watchKeys(static_cast<QChildEvent*>(event)->child());
  } else if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    // Popups (menus) of the window close themselves on Esc.
    const bool ours = widget != nullptr && widget->window() == this;
    if (ours && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
      // No control keeps Esc for itself: it always closes the window.
      if (event->type() == QEvent::KeyPress) close();
      event->accept();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void Window::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  // Enter reaching the window itself does nothing: no default button, no
  // focus move.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

namespace {
QHash<QString, QPointer<Window>>& openWindows() {
  static QHash<QString, QPointer<Window>> windows;
  return windows;
}
}  // namespace

Window* openModalWindow(const QString& kind) { return openWindows().value(kind).data(); }

void showModal(const QString& kind, const std::function<std::unique_ptr<Window>()>& create) {
  if (Window* open = openModalWindow(kind)) {
    if (open->isMinimized()) open->showNormal();
    open->raise();
    open->activateWindow();
    return;
  }
  Window* window = create().release();  // owned by Qt now: deleted on close
  QPointer<Window> guard(window);
  openWindows().insert(kind, guard);

  // Application-modal: every other window refuses input but keeps painting.
  window->setWindowModality(Qt::ApplicationModal);
  window->centreOnScreen();
  window->onCreated();
  window->show();

  if (guard) {
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
  }
  openWindows().remove(kind);
}

}  // namespace brindlow
