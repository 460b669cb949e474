// main() of every GUI test binary: the real widgets on Qt's offscreen platform.
#include <gmock/gmock.h>

#include <QApplication>
#include <QStyleFactory>

#include "shell/application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleMock(&argc, argv);
  QApplication app(argc, argv);
  brindlow::setUpApplication(app);
  // Tests close windows one by one; none of them ends the application.
  app.setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
