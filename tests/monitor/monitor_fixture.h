#pragma once
// A main window with a pinned clock, a pinned mouse, recorded message boxes
// and a local quote server, for the monitoring tests.

#include <gmock/gmock.h>

#include <QPointer>
#include <QTest>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "monitor/monitoring.h"
#include "quotes/service_endpoints.h"
#include "shell/activity_log.h"
#include "shell/alert_balloon.h"
#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/mouse.h"
#include "shell/values/codepage.h"
#include "shell/values/datetime.h"
#include "support_http_server.h"

namespace brindlow {

// The answer of the quote service for one share: 33 fields, GBK.
inline std::string quoteAnswer(const std::string& target, const Text& name,
                               const std::string& price) {
  std::string fields = name + ",3.45,3.44," + price + ",3.50,3.40,3.47,3.48,1000,3480";
  for (int i = 10; i < 30; ++i) fields += ",1";
  fields += ",2017-05-13,09:30:12,00";
  const std::string variable = target.substr(target.find('=') + 1);
  return "var hq_str_" + variable + "=\"" + fields + "\";\n";
}

// Answers "/list=" + prefix + code with the price set for it, and the empty
// record (a rejected quote) for anything else.
class QuoteServer {
 public:
  QuoteServer()
      : server_([this](const testing::RecordedRequest& request) { return answer(request); }) {
    setServiceEndpoints(ServiceEndpoints{HostPort{"127.0.0.1", server_.port()},
                                         HostPort{"127.0.0.1", server_.port()}});
  }
  ~QuoteServer() { resetServiceEndpoints(); }

  void setPrice(const std::string& target, const std::string& price) {
    std::lock_guard lock(mutex_);
    prices_[target] = price;
  }
  void setFault(const std::string& target, testing::Reply reply) {
    std::lock_guard lock(mutex_);
    faults_.insert_or_assign(target, std::move(reply));
  }

  std::vector<std::string> targets() const {
    std::vector<std::string> result;
    for (const auto& request : server_.requests()) result.push_back(request.target);
    return result;
  }
  std::size_t requestCount() const { return server_.requestCount(); }
  testing::HttpTestServer& server() { return server_; }

 private:
  testing::Reply answer(const testing::RecordedRequest& request) {
    std::lock_guard lock(mutex_);
    if (auto fault = faults_.find(request.target); fault != faults_.end()) return fault->second;
    auto price = prices_.find(request.target);
    const std::string body = price == prices_.end()
                                 ? "var hq_str_=\"\";\n"
                                 : quoteAnswer(request.target, gbk("测试股份"), price->second);
    return testing::Reply::ok(body, "text/javascript; charset=GBK");
  }

  std::mutex mutex_;
  std::map<std::string, std::string> prices_;
  std::map<std::string, testing::Reply> faults_;
  testing::HttpTestServer server_;  // last: stopped before the maps go
};

struct Row {
  const char* code;
  const char* name;
  const char* watched;
  const char* exchange;  // UTF-8
  const char* mark = "";
};

class MonitorTest : public ::testing::Test {
 protected:
  static constexpr QPoint kMouse{300, 200};

  void SetUp() override {
    setClock([] { return makeDateTime(2017, 5, 13, 9, 30, 12); });
    setMousePositionOverride(kMouse);
    setMessageBoxHandler([this](const ShownMessage& shown) { messages.push_back(shown); });
    window = new MainWindow;
    window->centreOnScreen();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  }

  void TearDown() override {
    delete window.data();
    setMessageBoxHandler({});
    setMousePositionOverride(std::nullopt);
    setClock({});
  }

  WatchListGrid& grid() { return *window->超级列表框_总数据列表; }
  AlertBalloon& balloon() { return *window->气球提示框1; }
  Text log() { return logText(*window->编辑框_log); }

  void addRow(const Row& row) {
    const Integer r = grid().appendRow(std::to_string(grid().rowCount() + 1), 0);
    grid().setCellText(r, 1, row.code);
    grid().setCellText(r, 2, gbk(row.name));
    grid().setCellText(r, 4, row.watched);
    grid().setCellText(r, 6, gbk(row.exchange));
    grid().setCellText(r, 8, gbk(row.mark));
  }

  static Text stamp() { return gbk("2017年5月13日9时30分12秒:"); }
  static Text alertLine(const std::string& code) {
    return stamp() + code + gbk("  涨跌幅到达提醒范围！") + "\r\n";
  }

  QPointer<MainWindow> window;
  std::vector<ShownMessage> messages;
};

}  // namespace brindlow
