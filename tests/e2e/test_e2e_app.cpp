// The whole application as main() assembles it: the main window on a program
// folder of its own, the real store in its db.mdb, real HTTP to market-sim,
// and the user's clicks and keys on the controls, found by their names.
#include <gmock/gmock.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "charts/chart_grid_window.h"
#include "charts/enlarged_chart_window.h"
#include "e2e_support.h"
#include "modal_support.h"
#include "quotes/http.h"
#include "quotes/quote_record.h"
#include "quotes/service_endpoints.h"
#include "shell/activity_log.h"
#include "shell/alert_balloon.h"
#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/values/codepage.h"
#include "shell/values/datetime.h"
#include "support_http_server.h"
#include "support_temp_dir.h"

namespace brindlow {
namespace {

using e2e::readDatabase;
using e2e::StoredShare;
using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::MarketSimProcess;
using ::testing::Not;

std::string utf8(const Text& text) { return gbkToUtf8(text); }

using testing::whenOpen;

// Chooses the item of the popup menu with the mouse once the menu shows.
void whenPopupChoose(const char* item, int triesLeft = 100) {
  QTimer::singleShot(20, qApp, [item, triesLeft] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) {
      if (triesLeft > 0) {
        whenPopupChoose(item, triesLeft - 1);
      } else {
        ADD_FAILURE() << "no popup menu showed";
      }
      return;
    }
    for (QAction* action : menu->actions()) {
      if (action->text() == QString::fromUtf8(item)) {
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        if (menu->isVisible()) {
          ADD_FAILURE() << "the menu stayed open after choosing " << item;
          menu->close();
        }
        return;
      }
    }
    ADD_FAILURE() << "the menu has no item " << item;
    menu->close();
  });
}

class EndToEnd : public ::testing::Test {
 protected:
  // The day and time of the simulated market and of the program's clock.
  static constexpr const char* kStamp = "2026年12月11日10时30分";

  void SetUp() override {
    previousDirectory_ = QDir::currentPath();
    setClock([] { return makeDateTime(2026, 12, 11, 10, 30, 0); });
    setMessageBoxHandler([this](const ShownMessage& shown) { messages.push_back(shown); });
  }

  void TearDown() override {
    delete window.data();
    QDir::setCurrent(previousDirectory_);
    resetServiceEndpoints();
    setMessageBoxHandler({});
    setClock({});
  }

  // market-sim on a fixed day and time, so that every quote of a run is the
  // same; the program is pointed at it for quotes and charts.
  void startMarket(std::vector<std::string> more = {}) {
    std::vector<std::string> arguments{"--seed", "5", "--time", "10:30:00", "--date", "2026-12-11"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    market = std::make_unique<MarketSimProcess>(BRINDLOW_MARKET_SIM, arguments);
    const HostPort sim{"127.0.0.1", market->port()};
    setServiceEndpoints({sim, sim});
  }

  std::filesystem::path dbFile() const { return folder.path() / "db.mdb"; }

  // As main() starts the program: its folder becomes the current directory,
  // then the main window is created, centred, raises its creation event and
  // shows. The controls are then looked up by their names.
  void startProgram() {
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder.path().string())));
    window = new MainWindow;
    window->centreOnScreen();
    window->onCreated();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    find(startStop, "按钮_开始监控");
    find(interval, "编辑框_监控间隔");
    find(chartsButton, "按钮1");
    find(grid, "超级列表框_总数据列表");
    find(logBox, "编辑框_log");
    find(code, "编辑框_股票代号");
    find(viewButton, "按钮2");
    find(watched, "编辑框_监控价格");
    find(exchange, "标签_上市所在地");
    find(name, "编辑框_股票名称");
    find(current, "编辑框_当前价");
    find(addButton, "按钮_添加");
    find(balloon, "气球提示框1");
  }

  template <typename T>
  void find(T*& control, const char* objectName) {
    control = window->findChild<T*>(QString::fromUtf8(objectName));
    ASSERT_NE(control, nullptr) << objectName;
  }

  static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

  // Clicks into the box, selects what it holds and types over it.
  static void typeInto(QLineEdit* box, const std::string& text) {
    click(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QString::fromUtf8(text));
  }

  void startMonitoringEverySecond() {
    typeInto(interval, "1");
    click(startStop);
    ASSERT_EQ(utf8(captionOf(*startStop)), "停止监控");
    ASSERT_FALSE(interval->isEnabled());
  }

  void stopMonitoring() {
    click(startStop);
    ASSERT_EQ(utf8(captionOf(*startStop)), "开始监控");
    EXPECT_TRUE(interval->isEnabled());
  }

  std::string cell(Integer row, Integer column) const { return utf8(grid->cellText(row, column)); }
  std::vector<std::string> row(Integer r) const {
    std::vector<std::string> cells;
    for (Integer c = 0; c < WatchListModel::kColumnCount; ++c) cells.push_back(cell(r, c));
    return cells;
  }
  std::string log() const { return utf8(logText(*logBox)); }

  // Each message shown so far as "title|text".
  std::vector<std::string> shown() const {
    std::vector<std::string> out;
    for (const ShownMessage& m : messages) out.push_back(utf8(m.title) + "|" + utf8(m.text));
    return out;
  }

  // The quote as the service gives it, fetched past the program.
  std::optional<QuoteRecord> quoteOf(const std::string& prefixedCode) const {
    return parseQuoteRecord(httpGet(market->url("/list=" + prefixedCode)));
  }

  std::size_t requestsFor(const std::string& target) const {
    const std::vector<std::string> lines = market->outputLines();
    return static_cast<std::size_t>(
        std::count(lines.begin(), lines.end(), "GET " + target + " HTTP/1.0"));
  }

  testing::TempDir folder;  // the program's folder
  std::unique_ptr<MarketSimProcess> market;
  QPointer<MainWindow> window;
  std::vector<ShownMessage> messages;

  QPushButton* startStop = nullptr;
  QLineEdit* interval = nullptr;
  QPushButton* chartsButton = nullptr;
  WatchListGrid* grid = nullptr;
  LogBox* logBox = nullptr;
  QLineEdit* code = nullptr;
  QPushButton* viewButton = nullptr;
  QLineEdit* watched = nullptr;
  QLabel* exchange = nullptr;
  QLineEdit* name = nullptr;
  QLineEdit* current = nullptr;
  QPushButton* addButton = nullptr;
  AlertBalloon* balloon = nullptr;

 private:
  QString previousDirectory_;
};

TEST_F(EndToEnd, AShareGoesFromViewToTheWatchListToAlertsAndChartsAndOutAgain) {
  ASSERT_TRUE(e2e::makeDatabase(dbFile(), {}));
  startMarket();
  ASSERT_NO_FATAL_FAILURE(startProgram());
  EXPECT_EQ(grid->rowCount(), 0);

  // View 601288: the panel shows what the quote service says of it.
  const std::optional<QuoteRecord> quote = quoteOf("sh601288");
  ASSERT_TRUE(quote.has_value());
  const std::string price = (*quote)[3];
  typeInto(code, "601288");
  click(viewButton);
  EXPECT_EQ(utf8(captionOf(*exchange)), "上海证券交易所");
  EXPECT_EQ(utf8(textOf(*name)), "农业银行");
  EXPECT_EQ(textOf(*current), price);
  EXPECT_EQ(requestsFor("/list=sh601288"), 2u);  // ours and the program's

  // The current price typed as the watched price, then Add: the share is in
  // the grid and in the file.
  typeInto(watched, price);
  EXPECT_EQ(textOf(*watched), price);
  click(addButton);
  ASSERT_EQ(grid->rowCount(), 1);
  EXPECT_THAT(row(0), ElementsAre("1", "601288", "农业银行", price, price, "0%", "上海证券交易所",
                                  kStamp, ""));
  EXPECT_THAT(readDatabase(dbFile()), ElementsAre(StoredShare{"601288", "农业银行", price, price,
                                                              "上海证券交易所", kStamp}));

  // Monitoring every second: the share stands at its watched price, so the
  // pass logs it and the balloon lists it.
  ASSERT_NO_FATAL_FAILURE(startMonitoringEverySecond());
  EXPECT_THAT(log(), HasSubstr("开始监控数据，祝您发大财！"));
  const std::string alertLine = std::string(kStamp) + ":601288  涨跌幅到达提醒范围！\r\n";
  QTRY_VERIFY_WITH_TIMEOUT(log().find(alertLine) != std::string::npos, 5000);
  EXPECT_TRUE(balloon->isVisible());
  EXPECT_EQ(utf8(balloon->text()), "601288\r\n农业银行\r\n");
  EXPECT_EQ(cell(0, 3), price);
  EXPECT_EQ(cell(0, 5), "0%");

  // "12列": the chart grid shows the share's picture after its first
  // five-second tick, while monitoring goes on behind it; a double-click
  // enlarges the chart, Esc goes back, and Esc closes the grid.
  bool charted = false;
  whenOpen<ChartGridWindow>(ChartGridWindow::kKind, [&](ChartGridWindow& charts) {
    EXPECT_EQ(charts.windowTitle(), QString::fromUtf8("分时线窗口"));
    auto* first = charts.findChild<ChartCanvas*>(QString::fromUtf8("画板_行情图"));
    auto* second = charts.findChild<ChartCanvas*>(QString::fromUtf8("画板_行情图1"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(canvasPicture(*first).empty());  // nothing before the first tick
    const std::size_t logBefore = log().size();
    QTRY_VERIFY_WITH_TIMEOUT(!canvasPicture(*first).empty(), 8000);
    const Bytes picture = canvasPicture(*first);
    EXPECT_THAT(std::string(picture.begin(), picture.begin() + 6),
                ::testing::AnyOf("GIF87a", "GIF89a"));
    EXPECT_EQ(requestsFor("/newchart/min/n/sh601288.gif"), 1u);
    EXPECT_TRUE(canvasPicture(*second).empty());  // one share, one chart
    EXPECT_GT(log().size(), logBefore);           // monitoring went on meanwhile
    // The picture is drawn, not just held: the canvas is no longer all white.
    const QImage drawn = first->drawing();
    bool coloured = false;
    for (int y = 0; y < drawn.height() && !coloured; ++y) {
      for (int x = 0; x < drawn.width() && !coloured; ++x) {
        coloured = drawn.pixel(x, y) != ChartCanvas::kBackground;
      }
    }
    EXPECT_TRUE(coloured);

    bool enlarged = false;
    whenOpen<EnlargedChartWindow>(EnlargedChartWindow::kKind, [&](EnlargedChartWindow& big) {
      enlarged = true;
      EXPECT_EQ(big.windowTitle(), QString::fromUtf8("放大分时线"));
      auto* canvas = big.findChild<ChartCanvas*>(QString::fromUtf8("画板_行情图1"));
      ASSERT_NE(canvas, nullptr);
      EXPECT_EQ(canvasPicture(*canvas), picture);
      QTest::keyClick(canvas, Qt::Key_Escape);
      EXPECT_FALSE(big.isVisible());
    });
    QTest::mouseDClick(first, Qt::LeftButton, {}, first->rect().center());
    EXPECT_TRUE(enlarged);
    EXPECT_EQ(openModalWindow(EnlargedChartWindow::kKind), nullptr);
    EXPECT_TRUE(charts.isVisible());

    QTest::keyClick(first, Qt::Key_Escape);
    EXPECT_FALSE(charts.isVisible());
    charted = true;
  });
  click(chartsButton);
  EXPECT_TRUE(charted);
  EXPECT_EQ(openModalWindow(ChartGridWindow::kKind), nullptr);

  ASSERT_NO_FATAL_FAILURE(stopMonitoring());
  EXPECT_THAT(log(), HasSubstr(std::string(kStamp) + ":停止数据监控！\r\n"));

  // "删除" from the popup menu of the share's row.
  whenPopupChoose("删除");
  const QRect cellRect = grid->visualRect(grid->model().index(0, 1));
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, cellRect.center());
  EXPECT_EQ(grid->rowCount(), 0);
  EXPECT_THAT(readDatabase(dbFile()), IsEmpty());

  // Esc closes the main window from any control, the log included.
  QTest::keyClick(logBox, Qt::Key_Escape);
  QTRY_VERIFY(window.isNull());
  EXPECT_THAT(shown(), IsEmpty());
}

TEST_F(EndToEnd, WithTheMarketServiceGoneTheUserIsToldAndNothingStoredIsLost) {
  const std::vector<StoredShare> stored = {
      {"601288", "农业银行", "3.44", "3.50", "上海证券交易所", "2026年12月10日9时31分"},
      {"000002", "万科Ａ", "14.36", "14.00", "深圳证券交易所", "2026年12月10日9时32分5秒"}};
  ASSERT_TRUE(e2e::makeDatabase(dbFile(), stored));
  startMarket();
  ASSERT_NO_FATAL_FAILURE(startProgram());
  ASSERT_EQ(grid->rowCount(), 2);
  ASSERT_EQ(market->stop(), 0);

  // View: the quote cannot be had; the panel keeps what it showed.
  click(viewButton);
  EXPECT_THAT(shown(), ElementsAre("错误：|对不起，获取股票信息错误，请检查股票代码。"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(utf8(captionOf(*exchange)), "上海证券交易所");
  EXPECT_EQ(textOf(*name), "");

  // Monitoring: every pass stops at the first row with its message.
  ASSERT_NO_FATAL_FAILURE(startMonitoringEverySecond());
  QTRY_VERIFY_WITH_TIMEOUT(messages.size() >= 2, 5000);
  EXPECT_TRUE(balloon->isVisible());
  EXPECT_EQ(utf8(balloon->text()), "\r\n获取601288信息失败！");
  ASSERT_NO_FATAL_FAILURE(stopMonitoring());
  const std::vector<std::string> all = shown();
  EXPECT_THAT(std::vector<std::string>(all.begin() + 1, all.end()),
              Each("错误：|对不起，获取股票601288信息错误，请检查股票代码。"));
  EXPECT_EQ(cell(0, 3), "3.44");
  EXPECT_EQ(cell(1, 3), "14.36");

  // Nothing stored is lost: the file holds the rows, and the next start
  // shows them again.
  QTest::keyClick(grid, Qt::Key_Escape);
  QTRY_VERIFY(window.isNull());
  EXPECT_EQ(readDatabase(dbFile()), stored);
  messages.clear();
  ASSERT_NO_FATAL_FAILURE(startProgram());
  ASSERT_EQ(grid->rowCount(), 2);
  EXPECT_THAT(row(1), ElementsAre("2", "000002", "万科Ａ", "14.36", "14.00", "-2.506963788301%",
                                  "深圳证券交易所", "2026年12月10日9时32分5秒", ""));
  EXPECT_THAT(shown(), IsEmpty());
}

TEST_F(EndToEnd, AShareWhoseQuoteIsAlwaysRejectedStopsEveryPassAtItsRow) {
  ASSERT_TRUE(e2e::makeDatabase(
      dbFile(), {{"601288", "农业银行", "1.00", "9.99", "上海证券交易所", "2026年12月10日"},
                 {"600000", "浦发银行", "1.00", "9.99", "上海证券交易所", "2026年12月10日"},
                 {"000002", "万科Ａ", "1.00", "9.99", "深圳证券交易所", "2026年12月10日"}}));
  startMarket({"--reject", "600000"});
  ASSERT_NO_FATAL_FAILURE(startProgram());
  const std::vector<std::string> before0 = row(0);
  const std::vector<std::string> before1 = row(1);
  const std::vector<std::string> before2 = row(2);

  ASSERT_NO_FATAL_FAILURE(startMonitoringEverySecond());
  QTRY_VERIFY_WITH_TIMEOUT(messages.size() >= 2, 6000);
  ASSERT_NO_FATAL_FAILURE(stopMonitoring());
  const std::size_t passes = messages.size();

  // One message per pass, always for the same share.
  EXPECT_THAT(shown(), Each("错误：|对不起，获取股票600000信息错误，请检查股票代码。"));
  EXPECT_EQ(utf8(balloon->text()), "\r\n获取600000信息失败！");
  // Every pass asked for the first two shares and never got to the third.
  EXPECT_EQ(requestsFor("/list=sh601288"), passes);
  EXPECT_EQ(requestsFor("/list=sh600000"), passes);
  EXPECT_EQ(requestsFor("/list=sz000002"), 0u);
  // The row before it is up to date; it and the rows after it are untouched.
  const std::optional<QuoteRecord> quote = quoteOf("sh601288");
  ASSERT_TRUE(quote.has_value());
  EXPECT_EQ(cell(0, 3), (*quote)[3]);
  EXPECT_NE(cell(0, 5), before0[5]);
  EXPECT_EQ(row(1), before1);
  EXPECT_EQ(row(2), before2);
  EXPECT_EQ(cell(2, 3), "1.00");
}

TEST_F(EndToEnd, WithoutDbMdbTheUserIsToldAndNoFileIsMade) {
  startMarket();
  ASSERT_NO_FATAL_FAILURE(startProgram());
  EXPECT_THAT(shown(), ElementsAre("mmm|连接数据库失败"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, MessageIcon::None);
  EXPECT_EQ(grid->rowCount(), 0);

  // The program goes on: View works, and Add stores nothing anywhere.
  click(viewButton);
  EXPECT_EQ(utf8(textOf(*name)), "农业银行");
  typeInto(watched, "3.5");
  click(addButton);
  EXPECT_EQ(grid->rowCount(), 0);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dbFile()));
}

}  // namespace
}  // namespace brindlow
