#include <gmock/gmock.h>

#include <QDir>
#include <QTest>

#include "quotes/quote_panel.h"
#include "quotes/service_endpoints.h"
#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/values/codepage.h"
#include "shell/values/datetime.h"
#include "support_http_server.h"
#include "support_temp_dir.h"
#include "watchlist/stock_schema.h"
#include "watchlist/stock_store.h"

namespace brindlow {
namespace {

using testing::HttpTestServer;
using testing::Reply;

// A quote record of the service's shape with the given figures.
std::string record(const std::string& var, const char* name, const char* open, const char* close,
                   const char* price, const char* volume = "123456789",
                   const char* turnover = "12345678901.5") {
  std::vector<std::string> f(33, "0");
  f[0] = gbk(name);
  f[1] = open;
  f[2] = close;
  f[3] = price;
  f[4] = "9.99";
  f[5] = "1.01";
  f[8] = volume;
  f[9] = turnover;
  f[30] = "2026-12-11";
  f[31] = "15:00:03";
  std::string body = "var hq_str_" + var + "=\"";
  for (size_t i = 0; i < f.size(); ++i) body += (i ? "," : "") + f[i];
  return body + ",\";\n";
}

class QuotePanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.path().string()));
    ASSERT_TRUE(createStandardDatabase((folder.path() / "db.mdb").string()));
    setServiceEndpoints({{"127.0.0.1", server.port()}, {"127.0.0.1", server.port()}});
    setMessageBoxHandler([this](const ShownMessage& m) { messages.push_back(m); });
    setClock([] { return makeDateTime(2026, 12, 11, 9, 5, 3); });
    window = new MainWindow;
    window->onCreated();
  }
  void TearDown() override {
    delete window;
    setClock({});
    setMessageBoxHandler({});
    resetServiceEndpoints();
    QDir::setCurrent(previous);
  }

  void serve(const std::string& target, const std::string& body) {
    routes[target] = body;
    server.setHandler([this](const testing::RecordedRequest& r) {
      auto it = routes.find(r.target);
      return it == routes.end() ? Reply::notFound() : Reply::ok(it->second);
    });
  }
  void view(const char* code) {
    window->编辑框_股票代号->setText(QString::fromUtf8(code));
    window->按钮2->click();
  }
  std::string text(QLineEdit* box) { return gbkToUtf8(textOf(*box)); }
  std::string exchange() { return gbkToUtf8(captionOf(*window->标签_上市所在地)); }

  testing::TempDir folder;
  QString previous;
  HttpTestServer server;
  std::map<std::string, std::string> routes;
  std::vector<ShownMessage> messages;
  QPointer<MainWindow> window;
};

TEST_F(QuotePanelTest, ViewFillsThePanelFromTheRecord) {
  serve("/list=sh601288", record("sh601288", "农业银行", "3.63", "3.650", "3.640"));
  view("601288");
  ASSERT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(server.requests()[0].target, "/list=sh601288");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(exchange(), "上海证券交易所");
  EXPECT_EQ(text(window->编辑框_股票名称), "农业银行");
  EXPECT_EQ(text(window->编辑框_今开盘), "3.63");
  EXPECT_EQ(text(window->编辑框_昨收盘), "3.650");  // byte for byte, not reformatted
  EXPECT_EQ(text(window->编辑框_当前价), "3.640");
  EXPECT_EQ(text(window->编辑框_最高价), "9.99");
  EXPECT_EQ(text(window->编辑框_最低价), "1.01");
  EXPECT_EQ(text(window->编辑框_涨跌), "-0.01");
  EXPECT_EQ(text(window->编辑框_涨跌幅), "-0.27");
  EXPECT_EQ(text(window->编辑框_成交量), "1234568");
  EXPECT_EQ(text(window->编辑框_成交额), "1234567.88");  // through single precision
  for (TextBox* box : {window->编辑框_当前价, window->编辑框_涨跌, window->编辑框_涨跌幅})
    EXPECT_EQ(box->textColour(), kBlue);
}

struct FigureCase {
  const char* close;
  const char* price;
  const char* change;
  const char* percent;
  Integer colour;  // after a first View that turned the boxes red
};

TEST_F(QuotePanelTest, ChangeAndColourTable) {
  const FigureCase cases[] = {
      {"4.000", "4.050", "0.05", "1.25", kRed},
      {"3.650", "3.640", "-0.01", "-0.27", kBlue},
      {"4.000", "4.000", "0", "0", kRed},                 // equal: colour kept
      {"200", "200.01", "0.009999999999991", "0", kRed},  // single precision swallows it
      {"0.000", "3.000", "3", "1.#INF", kRed},
      {"0.000", "0.000", "0", "-1.#IND", kRed},  // no colour change
  };
  for (const FigureCase& c : cases) {
    SCOPED_TRACE(c.price);
    serve("/list=sh600000", record("sh600000", "a", "1", "1", "2"));
    view("600000");  // red first
    serve("/list=sh600000", record("sh600000", "a", "1", c.close, c.price));
    view("600000");
    EXPECT_EQ(text(window->编辑框_涨跌), c.change);
    EXPECT_EQ(text(window->编辑框_涨跌幅), c.percent);
    EXPECT_EQ(window->编辑框_当前价->textColour(), c.colour);
    EXPECT_EQ(window->编辑框_涨跌幅->textColour(), c.colour);
  }
}

TEST_F(QuotePanelTest, AnUnsupportedCodeChangesNothing) {
  view("900901");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, gbk("只支持沪深A股"));
  EXPECT_EQ(messages[0].title, gbk("信息："));
  EXPECT_EQ(messages[0].icon, MessageIcon::None);
  EXPECT_EQ(exchange(), "交易所");
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(QuotePanelTest, ARejectedQuoteKeepsThePreviousShareButTheNewExchange) {
  serve("/list=sz000002", record("sz000002", "万科Ａ", "1", "9", "10"));
  serve("/list=sh600999", "var hq_str_sh600999=\"\";\n");
  view("000002");
  view("600999");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, gbk("对不起，获取股票信息错误，请检查股票代码。"));
  EXPECT_EQ(messages[0].title, gbk("错误："));
  EXPECT_EQ(messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(exchange(), "上海证券交易所");
  EXPECT_EQ(text(window->编辑框_股票名称), "万科Ａ");
  EXPECT_EQ(window->编辑框_当前价->textColour(), kRed);
}

TEST_F(QuotePanelTest, AddBeforeAnyViewStoresThePanelAsItIs) {
  window->编辑框_监控价格->setText("3.5");
  window->按钮_添加->click();
  WatchListGrid& grid = *window->超级列表框_总数据列表;
  ASSERT_EQ(grid.rowCount(), 1);
  EXPECT_EQ(grid.cellText(0, 1), "601288");
  EXPECT_EQ(grid.cellText(0, 2), "");
  EXPECT_EQ(grid.cellText(0, 3), "");
  EXPECT_EQ(grid.cellText(0, 4), "3.5");
  EXPECT_EQ(grid.cellText(0, 6), gbk("交易所"));
  EXPECT_EQ(grid.cellText(0, 7), gbk("2026年12月11日9时5分3秒"));
  EXPECT_TRUE(messages.empty());
}

TEST_F(QuotePanelTest, AddAfterViewStoresTheViewedShareAndWhatWasTypedOver) {
  serve("/list=sz000002", record("sz000002", "万科Ａ", "1", "9", "10"));
  view("000002");
  window->编辑框_股票名称->setText(QString::fromUtf8("万科"));
  window->编辑框_监控价格->setText("11");
  window->按钮_添加->click();
  WatchListGrid& grid = *window->超级列表框_总数据列表;
  ASSERT_EQ(grid.rowCount(), 1);
  EXPECT_EQ(grid.cellText(0, 1), "000002");
  EXPECT_EQ(grid.cellText(0, 2), gbk("万科"));
  EXPECT_EQ(grid.cellText(0, 3), "10");
  EXPECT_EQ(grid.cellText(0, 5), "10%");
  EXPECT_EQ(grid.cellText(0, 6), gbk("深圳证券交易所"));

  // The row is in db.mdb, not only in the grid.
  StockStore store;
  ASSERT_TRUE(store.openDatabase((folder.path() / "db.mdb").string(), ""));
  store.bindRecordSet();
  store.queryAll();
  Text name;
  EXPECT_TRUE(store.readText(gbk("股票名称"), name));
  EXPECT_EQ(name, gbk("万科"));
}

TEST_F(QuotePanelTest, ModifyIsHiddenAndDoesNothing) {
  EXPECT_FALSE(window->按钮_修改->isVisible());
  window->按钮_修改->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(QuotePanelTest, Screenshot) {
  serve("/list=sh601288", record("sh601288", "农业银行", "3.63", "3.650", "3.640"));
  view("601288");
  window->编辑框_监控价格->setText("3.7");
  window->按钮_添加->click();
  serve("/list=sz000002", record("sz000002", "万科Ａ", "9.1", "9", "9.2"));
  view("000002");
  window->编辑框_监控价格->setText("9.5");
  window->按钮_添加->click();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  ASSERT_TRUE(window->grab().save(QStringLiteral(BRINDLOW_SCREENSHOT_DIR "/quote_panel.png")));
}

}  // namespace
}  // namespace brindlow
