// Passes driven by the real timer: against the simulated market, and with a
// rejected quote whose message box stays open while ticks fall due.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <atomic>

#include "monitor_fixture.h"
#include "shell/values/number.h"

namespace brindlow {
namespace {

class TimerTest : public MonitorTest {
 protected:
  void click() { QTest::mouseClick(window->按钮_开始监控, Qt::LeftButton); }
  static size_t count(const Text& haystack, const Text& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != Text::npos; at = haystack.find(needle, at + 1))
      ++n;
    return n;
  }
};

#ifdef BRINDLOW_MARKET_SIM
TEST_F(TimerTest, TicksRunPassesAgainstTheSimulatedMarketUntilStopped) {
  testing::MarketSimProcess sim(BRINDLOW_MARKET_SIM, {"--seed", "3", "--always-open"});
  setServiceEndpoints(
      ServiceEndpoints{HostPort{"127.0.0.1", sim.port()}, HostPort{"127.0.0.1", sim.port()}});
  addRow({"601288", "农业银行", "3.44", "上海证券交易所"});
  addRow({"000001", "平安银行", "11.05", "深圳证券交易所"});
  setText(*window->编辑框_监控涨跌幅, "100");  // every row alerts
  setText(*window->编辑框_监控间隔, "0.3");

  click();
  ASSERT_EQ(window->时钟_监控时钟.period(), 300);
  QTest::qWait(100);  // the first pass comes one period after the start
  EXPECT_TRUE(sim.outputLines().empty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return count(log(), gbk("涨跌幅到达提醒范围")) >= 6; }, 20000));
  EXPECT_TRUE(balloon().isVisible());
  EXPECT_EQ(balloon().lines(), QStringList({"601288", QString::fromUtf8("农业银行"), "000001",
                                            QString::fromUtf8("平安银行")}));
  click();  // the press also hides the balloon
  EXPECT_FALSE(balloon().isVisible());

  const size_t alerts = count(log(), gbk("涨跌幅到达提醒范围"));
  EXPECT_EQ(alerts % 2, 0u);  // whole passes only
  ASSERT_TRUE(sim.waitForOutputLines(alerts, std::chrono::seconds(5)));
  QTest::qWait(700);  // more than two periods: nothing runs after the stop
  EXPECT_EQ(sim.outputLines().size(), alerts);
  EXPECT_EQ(count(log(), gbk("涨跌幅到达提醒范围")), alerts);
  EXPECT_THAT(log(), ::testing::EndsWith(gbk("停止数据监控！") + "\r\n"));

  for (Integer r = 0; r < 2; ++r) {
    EXPECT_GT(toNumber(grid().cellText(r, 3)), 0) << r;
    EXPECT_THAT(grid().cellText(r, 5), ::testing::EndsWith("%"));
  }
  EXPECT_TRUE(messages.empty());
}
#endif

TEST_F(TimerTest, TicksDuringTheMessageBoxStartNoSecondPass) {
  std::atomic<int> served{0};
  testing::HttpTestServer server([&](const testing::RecordedRequest& request) {
    // The first answer is rejected, the later ones are good.
    const std::string body = served++ == 0 ? std::string("var hq_str_sh600000=\"\";\n")
                                           : quoteAnswer(request.target, "x", "3.48");
    return testing::Reply::ok(body, "text/javascript; charset=GBK");
  });
  setServiceEndpoints(
      ServiceEndpoints{HostPort{"127.0.0.1", server.port()}, HostPort{"127.0.0.1", server.port()}});
  setMessageBoxHandler({});  // a real QMessageBox in its own modal loop
  addRow({"600000", "浦发银行", "3.5", "上海证券交易所"});
  setText(*window->编辑框_监控间隔, "0.05");
  QSignalSpy ticks(&window->时钟_监控时钟, &Timer::tick);

  struct Seen {
    int boxes = 0;
    size_t requests = 0;
    qsizetype ticks = 0;
    bool passRunning = false;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
  } seen;
  QElapsedTimer open;
  qsizetype ticksAtOpen = 0;
  QTimer watcher;
  watcher.setInterval(20);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    if (!open.isValid()) {
      open.start();
      ticksAtOpen = ticks.count();
      return;
    }
    if (open.elapsed() < 600) return;
    // Qt holds back the timer's own ticks while its handler waits here; ticks
    // that do arrive (as from any other source) must be dropped too.
    for (int i = 0; i < 3; ++i) emit window->时钟_监控时钟.tick();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<QMessageBox*>(w) != nullptr && w->isVisible()) ++seen.boxes;
    seen.requests = server.requestCount();
    seen.ticks = ticks.count() - ticksAtOpen;
    seen.passRunning = monitoringPassRunning(*window);
    seen.text = box->text();
    seen.title = box->windowTitle();
    seen.icon = box->icon();
    watcher.stop();
    box->button(QMessageBox::Ok)->click();
  });
  watcher.start();

  click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount() >= 3; }, 20000));
  click();

  EXPECT_EQ(seen.boxes, 1);
  EXPECT_EQ(seen.requests, 1u);
  EXPECT_GE(seen.ticks, 3);  // the ticks arrived, and were dropped
  EXPECT_TRUE(seen.passRunning);
  EXPECT_EQ(seen.text, QString::fromUtf8("对不起，获取股票600000信息错误，请检查股票代码。"));
  EXPECT_EQ(seen.title, QString::fromUtf8("错误："));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_FALSE(monitoringPassRunning(*window));
  EXPECT_EQ(grid().cellText(0, 3), "3.48");  // later passes ran normally
}

}  // namespace
}  // namespace brindlow
