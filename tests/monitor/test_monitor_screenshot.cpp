// Pictures of the main window with a filled log and the alert balloon, for a
// person to look at.
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "monitor_fixture.h"

namespace brindlow {
namespace {

using ScreenshotTest = MonitorTest;

TEST_F(ScreenshotTest, MainWindowWithLogAndBalloon) {
  const Row rows[] = {
      {"600000", "浦发银行", "7.25", "上海证券交易所"},
      {"601288", "农业银行", "3.5", "上海证券交易所"},
      {"000001", "平安银行", "11.00", "深圳证券交易所", "√"},
  };
  const char* prices[] = {"7.21", "3.48", "11.05"};
  QuoteServer quotes;
  for (size_t i = 0; i < std::size(rows); ++i) {
    addRow(rows[i]);
    const std::string prefix = i < 2 ? "sh" : "sz";
    quotes.setPrice("/list=" + prefix + rows[i].code, prices[i]);
  }
  QTest::mouseClick(window->按钮_开始监控, Qt::LeftButton);
  const QPoint anchor = window->mapToGlobal(QPoint(380, 150));
  setMousePositionOverride(anchor);
  runMonitoringPass(*window);
  ASSERT_TRUE(balloon().isVisible());
  QTest::qWait(50);

  const QString dir = QString::fromUtf8(BRINDLOW_SCREENSHOT_DIR);
  QDir().mkpath(dir);
  const QImage main = window->grab().toImage();
  const QImage tip = balloon().grab().toImage();
  EXPECT_TRUE(main.save(dir + "/monitor_main_window.png"));
  EXPECT_TRUE(tip.save(dir + "/monitor_balloon.png"));

  // Both windows as the screen shows them.
  QImage screen(window->frameGeometry().united(balloon().geometry()).size(), QImage::Format_ARGB32);
  screen.fill(Qt::darkGray);
  const QPoint origin = window->frameGeometry().united(balloon().geometry()).topLeft();
  QPainter painter(&screen);
  painter.drawImage(window->mapToGlobal(QPoint(0, 0)) - origin, main);
  painter.drawImage(balloon().pos() - origin, tip);
  painter.end();
  EXPECT_TRUE(screen.save(dir + "/monitor_screen.png"));

  // The balloon's text is black on the tooltip colour.
  EXPECT_EQ(tip.pixelColor(tip.width() / 2, tip.height() - 3),
            balloon().palette().color(QPalette::ToolTipBase));
}

}  // namespace
}  // namespace brindlow
