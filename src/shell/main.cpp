// Brindlow: watch list, real-time quotes, price alerts and intraday charts of
// Shanghai and Shenzhen A shares.
#include <QApplication>
#include <QDir>

#include "shell/application.h"
#include "shell/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // db.mdb lives beside the program, wherever the program was started from.
  QDir::setCurrent(QCoreApplication::applicationDirPath());
  brindlow::setUpApplication(app);

  auto* window = new brindlow::MainWindow;  // deleted on close
  window->centreOnScreen();
  window->onCreated();
  window->show();
  app.exec();
  return 0;
}
