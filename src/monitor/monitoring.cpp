#include "monitor/monitoring.h"

#include <QApplication>
#include <QPointer>
#include <optional>

#include "quotes/http.h"
#include "quotes/market.h"
#include "quotes/quote_record.h"
#include "shell/activity_log.h"
#include "shell/alert_balloon.h"
#include "shell/busy_cursor.h"
#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/values/codepage.h"
#include "shell/values/number.h"

namespace brindlow {

namespace {

// Per-window monitoring state that is not a control property: whether a pass
// is under way.
class MonitoringState : public QObject {
  Q_OBJECT
 public:
  explicit MonitoringState(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("monitoringState"));
  }
  bool passRunning = false;
};

MonitoringState* stateOf(const MainWindow& window) {
  return window.findChild<MonitoringState*>(QStringLiteral("monitoringState"),
                                            Qt::FindDirectChildrenOnly);
}

struct Texts {
  Text start = gbk("开始监控");
  Text stop = gbk("停止监控");
  Text startLine = gbk("开始监控数据，祝您发大财！欢迎访问官方网站 ") + kPublisherAddress;
  Text stopLine = gbk("停止数据监控！");
  Text noMoreReminders = gbk("√");
  Text alertLine = gbk("  涨跌幅到达提醒范围！");
  Text rejectedBefore = gbk("对不起，获取股票");
  Text rejectedAfter = gbk("信息错误，请检查股票代码。");
  Text rejectedTitle = gbk("错误：");
  Text failureBefore = gbk("\r\n获取");
  Text failureAfter = gbk("信息失败！");
};

const Texts& texts() {
  static const Texts instance;
  return instance;
}

}  // namespace

void connectMonitoring(MainWindow& window) {
  new MonitoringState(&window);
  window.气球提示框1 = new AlertBalloon(&window);
  QObject::connect(window.按钮_开始监控, &QPushButton::clicked, &window,
                   [&window] { toggleMonitoring(window); });
  QObject::connect(&window.时钟_监控时钟, &Timer::tick, &window,
                   [&window] { runMonitoringPass(window); });
}

void toggleMonitoring(MainWindow& window) {
  const Texts& t = texts();
  if (textEquals(captionOf(*window.按钮_开始监控), t.start)) {
    window.编辑框_监控间隔->setEnabled(false);
    const Number seconds = toNumber(textOf(*window.编辑框_监控间隔));
    window.时钟_监控时钟.setPeriod(toInteger(seconds * 1000));
    setCaption(*window.按钮_开始监控, t.stop);
    appendLog(window, t.startLine);
  } else {
    window.编辑框_监控间隔->setEnabled(true);
    window.时钟_监控时钟.setPeriod(0);
    setCaption(*window.按钮_开始监控, t.start);
    appendLog(window, t.stopLine);
  }
}

bool monitoringPassRunning(const MainWindow& window) {
  const MonitoringState* state = stateOf(window);
  return state != nullptr && state->passRunning;
}

void runMonitoringPass(MainWindow& window) {
  QPointer<MonitoringState> state = stateOf(window);
  // Ticks that arrive inside the pass (its message box runs a nested event
  // loop) are dropped: a pass is never re-entered.
  if (state == nullptr || state->passRunning) return;
  state->passRunning = true;
  struct Release {
    QPointer<MonitoringState>& state;
    ~Release() {
      if (state) state->passRunning = false;
    }
  } release{state};

  const Texts& t = texts();
  QPointer<MainWindow> alive(&window);
  WatchListGrid& grid = *window.超级列表框_总数据列表;

  Text alertText;
  Text prefix;
  const Integer rows = grid.rowCount();
  std::optional<BusyCursor> busy;
  if (rows > 0) busy.emplace();
  for (Integer r = 0; r < rows; ++r) {
    const Text exchange = grid.cellText(r, 6);
    const Text watched = grid.cellText(r, 4);
    const Text name = grid.cellText(r, 2);
    const Text code = grid.cellText(r, 1);
    const Number tolerance = toNumber(textOf(*window.编辑框_监控涨跌幅));
    const Text mark = grid.cellText(r, 8);
    prefix = prefixForExchange(exchange, prefix);

    const std::optional<QuoteRecord> record = parseQuoteRecord(fetchQuoteText(prefix, code));
    if (!record) {
      busy.reset();
      showMessage(t.rejectedBefore + code + t.rejectedAfter, t.rejectedTitle, MessageIcon::Error);
      // The window may have gone while the box was open.
      if (!alive) return;
      alertText += t.failureBefore + code + t.failureAfter;
      break;
    }

    const Text& price = (*record)[3];
    grid.setCellText(r, 3, price);
    const Number current = toNumber(price);
    const Number distance = ((toNumber(watched) - current) / current) * 100;
    grid.setCellText(r, 5, numberToText(distance) + "%");

    if (!textEquals(mark, t.noMoreReminders) &&
        !nearlyGreater(absoluteValue(distance), tolerance)) {
      appendLog(window, code + t.alertLine);
      alertText += code + "\r\n" + name + "\r\n";
    }
  }
  busy.reset();
  showAlertBalloon(window, alertText);
}

}  // namespace brindlow

#include "monitoring.moc"
