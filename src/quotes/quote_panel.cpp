#include "quotes/quote_panel.h"

#include <QApplication>

#include "quotes/http.h"
#include "quotes/market.h"
#include "quotes/quote_record.h"
#include "shell/busy_cursor.h"
#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/values/codepage.h"
#include "shell/values/datetime.h"
#include "shell/values/number.h"
#include "watchlist/watch_list_commands.h"

namespace brindlow {

namespace {

Bytes fetchWithBusyCursor(const Text& prefix, const Text& code) {
  BusyCursor busy;
  return fetchQuoteText(prefix, code);
}

// Single precision where the figures pass through a 32-bit float.
Number throughSingle(Number x) { return static_cast<Number>(static_cast<float>(x)); }

}  // namespace

void viewQuote(MainWindow& w) {
  const Text code = textOf(*w.编辑框_股票代号);
  const std::optional<Market> market = resolveMarket(code);
  if (!market) {
    showMessage(gbk("只支持沪深A股"));
    return;
  }
  // Set before the fetch: it stays even if the quote is rejected.
  setCaption(*w.标签_上市所在地, market->exchangeName);

  const std::optional<QuoteRecord> record =
      parseQuoteRecord(fetchWithBusyCursor(market->prefix, code));
  if (!record) {
    showMessage(gbk("对不起，获取股票信息错误，请检查股票代码。"), gbk("错误："),
                MessageIcon::Error);
    return;
  }
  const QuoteRecord& r = *record;
  const Number price = toNumber(r[3]);
  const Number close = toNumber(r[2]);
  const Number volume = toNumber(r[8]);
  const Number turnover = toNumber(r[9]);

  setText(*w.编辑框_股票名称, r[0]);
  setText(*w.编辑框_今开盘, r[1]);
  setText(*w.编辑框_昨收盘, r[2]);
  setText(*w.编辑框_当前价, r[3]);
  setText(*w.编辑框_最高价, r[4]);
  setText(*w.编辑框_最低价, r[5]);
  setText(*w.编辑框_涨跌, numberToText(price - close));
  setText(*w.编辑框_涨跌幅, numberToText(roundTo(throughSingle(price - close) / close * 100, 2)));
  setText(*w.编辑框_成交量, numberToText(roundTo(throughSingle(volume / 100), 0)));
  setText(*w.编辑框_成交额, numberToText(roundTo(throughSingle(turnover / 10000), 2)));

  // Two independent tests; when neither holds the boxes keep their colour.
  TextBox* coloured[] = {w.编辑框_当前价, w.编辑框_涨跌, w.编辑框_涨跌幅};
  if (nearlyGreater(price, close)) {
    for (TextBox* box : coloured) box->setTextColour(kRed);
  }
  if (nearlyLess(price, close)) {
    for (TextBox* box : coloured) box->setTextColour(kBlue);
  }
}

void addQuoteToWatchList(MainWindow& w) {
  StockStore& store = w.数据库;
  store.addNew();
  store.writeText(gbk("股票代码"), textOf(*w.编辑框_股票代号));
  store.writeText(gbk("股票名称"), textOf(*w.编辑框_股票名称));
  store.writeText(gbk("当前价格"), textOf(*w.编辑框_当前价));
  store.writeText(gbk("监控价格"), textOf(*w.编辑框_监控价格));
  store.writeText(gbk("交易所"), captionOf(*w.标签_上市所在地));
  store.writeText(gbk("最后操作时间"), timeToText(currentTime()));
  store.saveRecord();
  refreshWatchList(w);
}

void connectQuotePanel(MainWindow& w) {
  QObject::connect(w.按钮2, &QPushButton::clicked, &w, [&w] { viewQuote(w); });
  QObject::connect(w.按钮_添加, &QPushButton::clicked, &w, [&w] { addQuoteToWatchList(w); });
}

}  // namespace brindlow
