#pragma once
// Driving modal windows from GUI tests: showModal waits in its own loop, so a
// test acts on the window from inside that loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

#include "shell/window.h"

namespace brindlow::testing {

// Runs `body` inside the modal loop of the window of that kind once it is
// open; a window the body left open is closed so that the opener returns.
template <typename W>
void whenOpen(const QString& kind, std::function<void(W&)> body) {
  QTimer::singleShot(0, qApp, [kind, body = std::move(body)] {
    auto* window = qobject_cast<W*>(openModalWindow(kind));
    if (window == nullptr) {
      ADD_FAILURE() << "no open window of kind " << kind.toStdString();
      return;
    }
    body(*window);
    Window* still = openModalWindow(kind);
    if (still != nullptr && still->isVisible()) still->close();
  });
}

}  // namespace brindlow::testing
