#include <gmock/gmock.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <map>
#include <mutex>

#include "charts/chart_grid_window.h"
#include "charts/enlarged_chart_window.h"
#include "fixtures.h"
#include "modal_support.h"
#include "quotes/service_endpoints.h"
#include "shell/qt_text.h"
#include "shell/values/codepage.h"
#include "support_http_server.h"

namespace brindlow {
namespace {

using testing::HttpTestServer;
using testing::pngBytes;
using testing::RecordedRequest;
using testing::Reply;
using testing::solidImage;

const char* const kChartNames[12] = {"画板_行情图",  "画板_行情图1",  "画板_行情图2",
                                     "画板_行情图3", "画板_行情图4",  "画板_行情图5",
                                     "画板_行情图6", "画板_行情图7",  "画板_行情图8",
                                     "画板_行情图9", "画板_行情图10", "画板_行情图11"};

std::string chartPath(const std::string& prefixedCode) {
  return "/newchart/min/n/" + prefixedCode + ".gif";
}

// A different picture for every request target, so that a canvas shows whose
// chart it holds; `round` changes them all.
Bytes pictureFor(const std::string& target, int round) {
  const auto hash = static_cast<QRgb>(std::hash<std::string>{}(target) + round * 7919u);
  return pngBytes(solidImage({545, 300}, 0xFF000000u | (hash & 0xFFFFFFu)));
}

std::string asString(const Bytes& b) { return std::string(b.begin(), b.end()); }

using testing::whenOpen;

class ChartWindows : public ::testing::Test {
 protected:
  ChartWindows()
      : server_([this](const RecordedRequest& request) {
          std::lock_guard<std::mutex> lock(mutex_);
          if (!answering_) return Reply::notFound();
          return Reply::ok(asString(pictureFor(request.target, round_)), "image/gif");
        }) {
    ServiceEndpoints endpoints;
    endpoints.quote = {"127.0.0.1", testing::closedLoopbackPort()};
    endpoints.chart = {"127.0.0.1", server_.port()};
    setServiceEndpoints(endpoints);
    selectedChart = 0;
  }
  ~ChartWindows() override { resetServiceEndpoints(); }

  void addRow(const std::string& code, const char* exchangeUtf8) {
    const Integer row = grid_.appendRow(std::to_string(grid_.rowCount() + 1), 0);
    grid_.setCellText(row, 1, code);
    grid_.setCellText(row, 6, gbk(exchangeUtf8));
  }

  void setRound(int round) {
    std::lock_guard<std::mutex> lock(mutex_);
    round_ = round;
  }
  void setAnswering(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    answering_ = on;
  }

  std::vector<std::string> targets() const {
    std::vector<std::string> out;
    for (const RecordedRequest& r : server_.requests()) out.push_back(r.target);
    return out;
  }

  std::mutex mutex_;
  int round_ = 0;
  bool answering_ = true;
  HttpTestServer server_;
  WatchListGrid grid_;
};

TEST_F(ChartWindows, ChartGridWindowHasItsLayoutAndClosesOnEsc) {
  bool ran = false;
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& w) {
    ran = true;
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("分时线窗口"));
    EXPECT_EQ(w.outerSize(), QSize(1231, 605));
    EXPECT_EQ(w.size(), QSize(1223, 574));
    EXPECT_EQ(w.时钟_刷新分时图.period(), 5000);
    EXPECT_EQ(w.时钟_刷新分时图.objectName(), QString::fromUtf8("时钟_刷新分时图"));
    const QPoint places[12] = {{8, 11},  {312, 8},   {616, 8},   {920, 8},
                               {8, 194}, {312, 194}, {616, 194}, {920, 194},
                               {8, 378}, {312, 378}, {616, 378}, {920, 378}};
    for (int k = 1; k <= 12; ++k) {
      auto* canvas = w.findChild<ChartCanvas*>(QString::fromUtf8(kChartNames[k - 1]));
      ASSERT_NE(canvas, nullptr) << k;
      EXPECT_EQ(canvas, w.chart(k));
      EXPECT_EQ(canvas->geometry(), QRect(places[k - 1], QSize(296, 181))) << k;
      EXPECT_EQ(canvas->pictureLayout(), PictureLayout::CentredFit);
      EXPECT_TRUE(canvasPicture(*canvas).empty());
    }
    EXPECT_EQ(w.chart(0), nullptr);
    EXPECT_EQ(w.chart(13), nullptr);

    struct ExpectedLabel {
      const char* name;
      const char* caption;
      QPoint at;
      bool visible;
    };
    const ExpectedLabel labels[] = {{"标签_昨收盘", "昨收盘:", {48, 418}, true},
                                    {"标签_今开盘", "今开盘:", {186, 418}, false},
                                    {"标签_最高价", "最高价:", {324, 418}, true},
                                    {"标签_最低价", "最低价:", {464, 418}, true}};
    for (const ExpectedLabel& l : labels) {
      auto* label = w.findChild<QLabel*>(QString::fromUtf8(l.name));
      ASSERT_NE(label, nullptr) << l.name;
      EXPECT_EQ(label->text(), QString::fromUtf8(l.caption));
      EXPECT_EQ(label->geometry(), QRect(l.at, QSize(128, 16)));
      EXPECT_EQ(label->isVisible(), l.visible) << l.name;
      EXPECT_EQ(label->font().pixelSize(), 16);
    }
    auto* name = w.findChild<QLineEdit*>(QString::fromUtf8("编辑框_股票名称"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("*"));
    EXPECT_TRUE(name->isReadOnly());
    EXPECT_FALSE(name->isVisible());
    // Charts 9 and 10 cover the labels: what shows there is a white canvas.
    EXPECT_EQ(w.childAt(60, 424), w.chart(9));
    EXPECT_EQ(w.grab().toImage().pixel(60, 424), 0xFFFFFFFFu);

    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());  // closed; destroyed once back in its loop
  });
  openChartGridWindow(grid_);
  EXPECT_TRUE(ran);
  EXPECT_EQ(openModalWindow(ChartGridWindow::kKind), nullptr);
}

TEST_F(ChartWindows, AnEmptyListFetchesNothing) {
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& w) {
    w.refreshCharts();
    w.refreshCharts();
    EXPECT_EQ(server_.requestCount(), 0u);
    for (int k = 1; k <= 12; ++k) EXPECT_TRUE(canvasPicture(*w.chart(k)).empty()) << k;
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, FifteenRowsAreAllFetchedAndTheFirstTwelveShown) {
  std::vector<std::string> expected;
  for (int i = 1; i <= 15; ++i) {
    const std::string code = std::to_string(600000 + i);
    addRow(code, "上海证券交易所");
    expected.push_back(chartPath("sh" + code));
  }
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& w) {
    for (int round = 0; round < 2; ++round) {
      setRound(round);
      server_.clearRequests();
      w.refreshCharts();
      EXPECT_EQ(targets(), expected) << "round " << round;
      for (int k = 1; k <= 12; ++k) {
        EXPECT_EQ(canvasPicture(*w.chart(k)), pictureFor(expected[k - 1], round)) << k;
      }
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy cursor is gone again
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, AnExchangeOfNeitherNameKeepsThePrefixOfTheRowBefore) {
  addRow("600001", "");  // first row: no prefix at all
  addRow("000001", "深圳证券交易所");
  addRow("000002", "");
  addRow("601288", "上海证券交易所");
  addRow("000003", "北京证券交易所");
  addRow("000004", "深圳证券交易所 ");  // not byte for byte
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& w) {
    w.refreshCharts();
    EXPECT_THAT(targets(), ::testing::ElementsAre(
                               "/newchart/min/n/600001.gif", "/newchart/min/n/sz000001.gif",
                               "/newchart/min/n/sz000002.gif", "/newchart/min/n/sh601288.gif",
                               "/newchart/min/n/sh000003.gif", "/newchart/min/n/sh000004.gif"));
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, FailedFetchesBlankTheirChartAndChartsPastTheRowsKeepTheirs) {
  for (int i = 1; i <= 5; ++i) addRow("60000" + std::to_string(i), "上海证券交易所");
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& w) {
    w.refreshCharts();
    std::vector<Bytes> before;
    for (int k = 1; k <= 12; ++k) before.push_back(canvasPicture(*w.chart(k)));
    for (int k = 1; k <= 5; ++k) EXPECT_FALSE(before[k - 1].empty()) << k;

    // Two rows now, and the service answers with an error page.
    grid_.clearRows();
    addRow("600001", "上海证券交易所");
    addRow("600002", "上海证券交易所");
    setAnswering(false);
    w.refreshCharts();
    EXPECT_TRUE(canvasPicture(*w.chart(1)).empty());
    EXPECT_TRUE(canvasPicture(*w.chart(2)).empty());
    const QImage blank = w.chart(1)->grab().toImage().copy(1, 1, 294, 179);
    EXPECT_EQ(blank.pixel(147, 90), 0xFFFFFFFFu);
    for (int k = 3; k <= 12; ++k) EXPECT_EQ(canvasPicture(*w.chart(k)), before[k - 1]) << k;

    // Nothing listens on the chart port: empty bytes, also shown as blank.
    setAnswering(true);
    w.refreshCharts();
    ServiceEndpoints unreachable = serviceEndpoints();
    unreachable.chart.port = testing::closedLoopbackPort();
    setServiceEndpoints(unreachable);
    w.refreshCharts();
    EXPECT_TRUE(canvasPicture(*w.chart(1)).empty());
    EXPECT_EQ(canvasPicture(*w.chart(3)), before[2]);
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, DoubleClickedChartOpensEnlargedWithACopyOfItsPicture) {
  for (int i = 1; i <= 6; ++i) addRow("60000" + std::to_string(i), "上海证券交易所");
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& grid) {
    // Before the first refresh: a blank enlarged chart.
    bool ranBlank = false;
    whenOpen<EnlargedChartWindow>(EnlargedChartWindow::kKind, [&](EnlargedChartWindow& w) {
      ranBlank = true;
      EXPECT_EQ(selectedChart, 5);
      EXPECT_EQ(w.windowTitle(), QString::fromUtf8("放大分时线"));
      EXPECT_EQ(w.outerSize(), QSize(565, 343));
      EXPECT_EQ(w.size(), QSize(557, 312));
      auto* canvas = w.findChild<ChartCanvas*>(QString::fromUtf8("画板_行情图1"));
      ASSERT_NE(canvas, nullptr);
      EXPECT_EQ(canvas, w.画板_行情图1);
      EXPECT_EQ(canvas->geometry(), QRect(8, 8, 545, 300));
      EXPECT_EQ(canvas->pictureLayout(), PictureLayout::Tiled);
      EXPECT_TRUE(canvasPicture(*canvas).empty());
      QTest::keyClick(&w, Qt::Key_Escape);
      EXPECT_FALSE(w.isVisible());
    });
    QTest::mouseDClick(grid.画板_行情图4, Qt::LeftButton, Qt::NoModifier, QPoint(100, 90));
    EXPECT_TRUE(ranBlank);
    EXPECT_EQ(openModalWindow(EnlargedChartWindow::kKind), nullptr);
    ASSERT_EQ(openModalWindow(ChartGridWindow::kKind), &grid);  // the grid stays open

    grid.refreshCharts();
    const Bytes fifth = pictureFor(chartPath("sh600005"), 0);
    ASSERT_EQ(canvasPicture(*grid.画板_行情图4), fifth);
    bool ranCopy = false;
    whenOpen<EnlargedChartWindow>(EnlargedChartWindow::kKind, [&](EnlargedChartWindow& w) {
      ranCopy = true;
      EXPECT_EQ(canvasPicture(*w.画板_行情图1), fifth);
      // Shown tiled: the 545 x 300 picture at its own size from the corner.
      const QRgb colour = QImage::fromData(QByteArray(asString(fifth).c_str(),
                                                      static_cast<qsizetype>(fifth.size())))
                              .pixel(0, 0);
      EXPECT_EQ(w.画板_行情图1->drawing().pixel(0, 0), colour);
      EXPECT_EQ(w.画板_行情图1->drawing().pixel(542, 297), colour);
      // Refreshes of the grid go on behind it and do not reach the copy.
      setRound(1);
      grid.refreshCharts();
      EXPECT_EQ(canvasPicture(*grid.画板_行情图4), pictureFor(chartPath("sh600005"), 1));
      EXPECT_EQ(canvasPicture(*w.画板_行情图1), fifth);
    });
    QTest::mouseDClick(grid.画板_行情图4, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(ranCopy);
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, OtherChartsDoubleClickedSelectTheirOwnNumber) {
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& grid) {
    for (int k : {1, 2, 12}) {
      int seen = 0;
      whenOpen<EnlargedChartWindow>(EnlargedChartWindow::kKind,
                                    [&](EnlargedChartWindow&) { seen = selectedChart; });
      QTest::mouseDClick(grid.chart(k), Qt::LeftButton);
      EXPECT_EQ(seen, k);
    }
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, EnlargedChartOfANumberOutsideOneToTwelveIsBlank) {
  addRow("600001", "上海证券交易所");
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& grid) {
    grid.refreshCharts();
    for (Integer number : {0, 13, -1}) {
      selectedChart = number;
      bool ran = false;
      whenOpen<EnlargedChartWindow>(EnlargedChartWindow::kKind, [&](EnlargedChartWindow& w) {
        ran = true;
        EXPECT_TRUE(canvasPicture(*w.画板_行情图1).empty()) << number;
      });
      showModal(EnlargedChartWindow::kKind,
                [&] { return std::make_unique<EnlargedChartWindow>(&grid); });
      EXPECT_TRUE(ran);
    }
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, TimersKeepFiringBehindBothModalWindows) {
  addRow("600001", "上海证券交易所");
  // Stands for the main window's monitoring timer.
  Timer monitoring;
  monitoring.setPeriod(20);
  QSignalSpy monitoringTicks(&monitoring, &Timer::tick);
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& grid) {
    monitoringTicks.clear();
    QTest::qWait(200);
    EXPECT_GE(monitoringTicks.count(), 3);

    whenOpen<EnlargedChartWindow>(EnlargedChartWindow::kKind, [&](EnlargedChartWindow&) {
      // The chart refresh goes on too (at a shorter period than its 5 s).
      grid.时钟_刷新分时图.setPeriod(50);
      monitoringTicks.clear();
      server_.clearRequests();
      QElapsedTimer clock;
      clock.start();
      while (server_.requestCount() < 2 && clock.elapsed() < 10'000) QTest::qWait(20);
      EXPECT_GE(server_.requestCount(), 2u);
      EXPECT_GE(monitoringTicks.count(), 3);
    });
    QTest::mouseDClick(grid.画板_行情图, Qt::LeftButton);
  });
  openChartGridWindow(grid_);
}

TEST_F(ChartWindows, TheFirstRefreshComesFiveSecondsAfterOpening) {
  addRow("000001", "深圳证券交易所");
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& w) {
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(4'000);
    EXPECT_EQ(server_.requestCount(), 0u);
    while (server_.requestCount() == 0 && clock.elapsed() < 15'000) QTest::qWait(20);
    ASSERT_EQ(targets(), std::vector<std::string>{chartPath("sz000001")});
    EXPECT_GE(clock.elapsed(), 4'900);
    EXPECT_FALSE(canvasPicture(*w.画板_行情图).empty());
  });
  openChartGridWindow(grid_);
}

}  // namespace
}  // namespace brindlow
