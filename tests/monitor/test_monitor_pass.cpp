// The monitoring pass against a local quote server.
#include <QApplication>

#include "monitor_fixture.h"

namespace brindlow {
namespace {

class PassTest : public MonitorTest {
 protected:
  QuoteServer quotes;
};

TEST_F(PassTest, PricesDistancesAndAlerts) {
  const struct {
    const char* watched;
    const char* price;
    const char* distance;
    bool alert;
  } cases[] = {
      {"3.5", "3.48", "0.5747126436782%", true},
      {"3.5", "3.44", "1.744186046512%", false},
      {"3.3", "3.44", "-4.06976744186%", false},
      {"12", "11.93", "0.5867560771165%", true},
      {"10", "10.00", "0%", true},
      {"9.5", "10.00", "-5%", false},
  };
  Text expectedLog;
  Text expectedAlert;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string code = "60000" + std::to_string(i);
    const std::string name = "股份" + std::to_string(i);
    quotes.setPrice("/list=sh" + code, cases[i].price);
    addRow({code.c_str(), name.c_str(), cases[i].watched, "上海证券交易所"});
    if (cases[i].alert) {
      expectedLog += alertLine(code);
      expectedAlert += code + "\r\n" + gbk(name) + "\r\n";
    }
  }

  runMonitoringPass(*window);

  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(grid().cellText(static_cast<Integer>(i), 3), cases[i].price);
    EXPECT_EQ(grid().cellText(static_cast<Integer>(i), 5), cases[i].distance);
  }
  EXPECT_EQ(log(), expectedLog);
  ASSERT_TRUE(balloon().isVisible());
  EXPECT_EQ(balloon().text(), expectedAlert);
  EXPECT_EQ(balloon().anchor(), kMouse);
  EXPECT_EQ(quotes.requestCount(), std::size(cases));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(PassTest, ToleranceEdgesAndTheNoMoreRemindersMark) {
  const struct {
    const char* what;
    const char* watched;
    const char* price;
    const char* tolerance;
    const char* mark;
    bool alert;
  } cases[] = {
      {"within 1e-7 above the tolerance", "10.060000005", "10", "0.6", "", true},
      {"2e-7 above the tolerance", "10.06000002", "10", "0.6", "", false},
      {"negative within the tolerance", "3.45", "3.46", "0.6", "", true},
      {"marked, within the tolerance", "3.5", "3.48", "0.6", "√", false},
      {"empty tolerance, zero distance", "10", "10.00", "", "", true},
      {"empty tolerance, small distance", "10.01", "10.00", "", "", false},
      {"empty watched price", "", "10.00", "99", "", false},
      {"empty watched price, tolerance 100", "", "10.00", "100", "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    grid().clearRows();
    window->编辑框_log->clear();
    quotes.setPrice("/list=sh600000", c.price);
    addRow({"600000", "浦发银行", c.watched, "上海证券交易所", c.mark});
    setText(*window->编辑框_监控涨跌幅, c.tolerance);

    runMonitoringPass(*window);

    EXPECT_EQ(grid().cellText(0, 3), c.price);  // updated, marked or not
    EXPECT_THAT(grid().cellText(0, 5), ::testing::EndsWith("%"));
    EXPECT_EQ(log(), c.alert ? alertLine("600000") : Text());
    EXPECT_EQ(balloon().isVisible(), c.alert);
    EXPECT_EQ(grid().cellText(0, 8), gbk(c.mark));
  }
}

TEST_F(PassTest, ZeroPriceShowsTheClassicNonNumbers) {
  quotes.setPrice("/list=sh600000", "0.00");
  quotes.setPrice("/list=sh600001", "0.00");
  addRow({"600000", "甲", "3.5", "上海证券交易所"});
  addRow({"600001", "乙", "0", "上海证券交易所"});
  runMonitoringPass(*window);
  EXPECT_EQ(grid().cellText(0, 5), "1.#INF%");
  EXPECT_EQ(grid().cellText(1, 5), "-1.#IND%");
  // An infinite distance is greater than the tolerance; an undefined one is not.
  EXPECT_EQ(log(), alertLine("600001"));
}

TEST_F(PassTest, RejectedQuoteEndsThePassWithOneMessage) {
  quotes.setPrice("/list=sh600000", "3.48");
  quotes.setPrice("/list=sh600001", "10.00");
  quotes.setPrice("/list=sh600003", "3.48");
  addRow({"600000", "浦发银行", "3.5", "上海证券交易所"});
  addRow({"600001", "测试一", "10", "上海证券交易所"});
  addRow({"600002", "未知", "3.5", "上海证券交易所"});  // the service does not know it
  addRow({"600003", "测试三", "3.5", "上海证券交易所"});
  grid().setCellText(2, 3, "old");
  grid().setCellText(3, 3, "old");

  bool busyDuringMessage = true;
  setMessageBoxHandler([&](const ShownMessage& shown) {
    messages.push_back(shown);
    busyDuringMessage = QApplication::overrideCursor() != nullptr;
  });
  runMonitoringPass(*window);

  EXPECT_EQ(log(), alertLine("600000") + alertLine("600001"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, gbk("对不起，获取股票600002信息错误，请检查股票代码。"));
  EXPECT_EQ(messages[0].title, gbk("错误："));
  EXPECT_EQ(messages[0].icon, MessageIcon::Error);
  EXPECT_FALSE(busyDuringMessage);
  EXPECT_EQ(balloon().text(),
            gbk("600000\r\n浦发银行\r\n600001\r\n测试一\r\n\r\n获取600002信息失败！"));
  EXPECT_TRUE(balloon().isVisible());
  EXPECT_EQ(quotes.targets(),
            (std::vector<std::string>{"/list=sh600000", "/list=sh600001", "/list=sh600002"}));
  EXPECT_EQ(grid().cellText(2, 3), "old");
  EXPECT_EQ(grid().cellText(3, 3), "old");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(PassTest, EveryKindOfFailedFetchIsARejectedQuote) {
  const std::pair<const char*, testing::Reply> faults[] = {
      {"error page", testing::Reply::withStatus(404, "Not Found", "<html>404</html>")},
      {"connection reset", testing::Reply::reset()},
      {"cut short",
       [] {
         auto reply = testing::Reply::ok(quoteAnswer("/list=sh600000", "x", "3.48"));
         reply.closeAfterBodyBytes = 30;
         return reply;
       }()},
  };
  addRow({"600000", "浦发银行", "3.5", "上海证券交易所"});
  for (const auto& [what, reply] : faults) {
    SCOPED_TRACE(what);
    messages.clear();
    quotes.setFault("/list=sh600000", reply);
    runMonitoringPass(*window);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(balloon().text(), gbk("\r\n获取600000信息失败！"));
    EXPECT_TRUE(log().empty());
  }
}

TEST_F(PassTest, EmptyGridMakesNoRequestAndHidesTheBalloon) {
  showAlertBalloon(*window, "left from an earlier pass");
  ASSERT_TRUE(balloon().isVisible());
  runMonitoringPass(*window);
  EXPECT_FALSE(balloon().isVisible());
  EXPECT_EQ(quotes.requestCount(), 0u);
  EXPECT_TRUE(log().empty());
}

TEST_F(PassTest, PassWithoutAlertsHidesAnEarlierBalloon) {
  quotes.setPrice("/list=sh600000", "3.48");
  addRow({"600000", "浦发银行", "3.5", "上海证券交易所"});
  runMonitoringPass(*window);
  ASSERT_TRUE(balloon().isVisible());
  quotes.setPrice("/list=sh600000", "3.44");
  runMonitoringPass(*window);
  EXPECT_FALSE(balloon().isVisible());
  EXPECT_EQ(grid().cellText(0, 5), "1.744186046512%");
}

TEST_F(PassTest, NextPassUsesAChangedTolerance) {
  quotes.setPrice("/list=sh600000", "3.44");
  quotes.setPrice("/list=sh600001", "3.44");
  addRow({"600000", "甲", "3.5", "上海证券交易所"});  // 1.744 %
  addRow({"600001", "乙", "3.3", "上海证券交易所"});  // -4.07 %
  runMonitoringPass(*window);
  EXPECT_TRUE(log().empty());
  setText(*window->编辑框_监控涨跌幅, "5");
  runMonitoringPass(*window);
  EXPECT_EQ(log(), alertLine("600000") + alertLine("600001"));
}

TEST_F(PassTest, ExchangeNameSelectsThePrefixAndOthersKeepThePrevious) {
  const struct {
    const char* code;
    const char* exchange;
    const char* target;
  } rows[] = {
      {"000001", "", "/list=000001"},  // no earlier row: no prefix at all
      {"000002", "深圳证券交易所", "/list=sz000002"},
      {"000003", "", "/list=sz000003"},
      {"600004", "上海证券交易所", "/list=sh600004"},
      {"600005", "纽约证券交易所", "/list=sh600005"},
      {"000006", "深圳证券交易所", "/list=sz000006"},
  };
  std::vector<std::string> expected;
  for (const auto& row : rows) {
    addRow({row.code, "股", "1", row.exchange});
    quotes.setPrice(row.target, "1.00");
    expected.push_back(row.target);
  }
  runMonitoringPass(*window);
  EXPECT_EQ(quotes.targets(), expected);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PassTest, ShenzhenRowsAllUseSz) {
  for (const char* code : {"000001", "000002", "300750"}) {
    quotes.setPrice(std::string("/list=sz") + code, "10.00");
    addRow({code, "深股", "10", "深圳证券交易所"});
  }
  runMonitoringPass(*window);
  EXPECT_EQ(quotes.targets(),
            (std::vector<std::string>{"/list=sz000001", "/list=sz000002", "/list=sz300750"}));
  EXPECT_EQ(balloon().lines().size(), 6);
}

}  // namespace
}  // namespace brindlow
