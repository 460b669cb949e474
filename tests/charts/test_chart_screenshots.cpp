// Pictures of both chart windows with the simulated market's charts, written
// to the screenshot folder for a person to look at.
#include <gmock/gmock.h>

#include <QDir>
#include <QTest>
#include <QTimer>

#include "charts/chart_grid_window.h"
#include "charts/enlarged_chart_window.h"
#include "quotes/service_endpoints.h"
#include "shell/values/codepage.h"
#include "support_http_server.h"

namespace brindlow {
namespace {

[[maybe_unused]] void save(QWidget& window, const char* file) {
  const QString path = QDir(QStringLiteral(BRINDLOW_SCREENSHOT_DIR)).filePath(file);
  EXPECT_TRUE(window.grab().save(path, "PNG")) << path.toStdString();
}

// The share of canvas pixels that are not white: a chart was drawn.
[[maybe_unused]] double inked(const ChartCanvas& canvas) {
  const QImage& d = canvas.drawing();
  int count = 0;
  for (int y = 0; y < d.height(); ++y) {
    for (int x = 0; x < d.width(); ++x) count += d.pixel(x, y) != 0xFFFFFFFFu;
  }
  return static_cast<double>(count) / (d.width() * d.height());
}

TEST(ChartScreenshots, BothWindowsWithTheSimulatedMarketsCharts) {
#ifndef BRINDLOW_MARKET_SIM
  GTEST_SKIP() << "market-sim is not built";
#else
  testing::MarketSimProcess sim(BRINDLOW_MARKET_SIM,
                                {"--seed", "7", "--date", "2024-05-13", "--time", "14:35:00"});
  ServiceEndpoints endpoints;
  endpoints.quote = {"127.0.0.1", sim.port()};
  endpoints.chart = {"127.0.0.1", sim.port()};
  setServiceEndpoints(endpoints);

  WatchListGrid grid;
  const char* shares[][2] = {
      {"601288", "上海证券交易所"}, {"600036", "上海证券交易所"}, {"000001", "深圳证券交易所"},
      {"600519", "上海证券交易所"}, {"000858", "深圳证券交易所"}, {"601318", "上海证券交易所"},
      {"002594", "深圳证券交易所"}, {"300750", "深圳证券交易所"}, {"600900", "上海证券交易所"},
      {"000333", "深圳证券交易所"}, {"601398", "上海证券交易所"}};  // eleven: chart 12 stays blank
  for (const auto& share : shares) {
    const Integer row = grid.appendRow(std::to_string(grid.rowCount() + 1), 0);
    grid.setCellText(row, 1, share[0]);
    grid.setCellText(row, 6, gbk(share[1]));
  }

  bool ran = false;
  QTimer::singleShot(0, [&] {
    auto* charts = qobject_cast<ChartGridWindow*>(openModalWindow(ChartGridWindow::kKind));
    ASSERT_NE(charts, nullptr);
    charts->refreshCharts();
    for (int k = 1; k <= 11; ++k) EXPECT_GT(inked(*charts->chart(k)), 0.02) << k;
    EXPECT_EQ(inked(*charts->chart(12)), 0.0);
    save(*charts, "chart_grid_window.png");

    QTimer::singleShot(0, [&] {
      auto* enlarged =
          qobject_cast<EnlargedChartWindow*>(openModalWindow(EnlargedChartWindow::kKind));
      ASSERT_NE(enlarged, nullptr);
      EXPECT_EQ(canvasPicture(*enlarged->画板_行情图1), canvasPicture(*charts->chart(5)));
      EXPECT_GT(inked(*enlarged->画板_行情图1), 0.02);
      save(*enlarged, "enlarged_chart_window.png");
      ran = true;
      enlarged->close();
    });
    QTest::mouseDClick(charts->chart(5), Qt::LeftButton);
    charts->close();
  });
  openChartGridWindow(grid);
  EXPECT_TRUE(ran);
  resetServiceEndpoints();
#endif
}

}  // namespace
}  // namespace brindlow
