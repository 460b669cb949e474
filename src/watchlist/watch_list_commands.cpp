#include "watchlist/watch_list_commands.h"

#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/mouse.h"
#include "shell/values/codepage.h"
#include "shell/values/directory.h"
#include "shell/values/number.h"
#include "watchlist/stock_store.h"
#include "watchlist/watch_list_grid.h"

namespace brindlow {

namespace {

// The fields of table 股票, in the order the grid reads them.
struct Fields {
  Text id = gbk("id");
  Text code = gbk("股票代码");
  Text name = gbk("股票名称");
  Text current = gbk("当前价格");
  Text watched = gbk("监控价格");
  Text change = gbk("涨跌幅度");
  Text exchange = gbk("交易所");
  Text time = gbk("最后操作时间");
};

const Fields& fields() {
  static const Fields instance;
  return instance;
}

}  // namespace

void refreshWatchList(WatchListGrid& grid, StockStore& store) {
  const Fields& f = fields();
  store.queryAll();
  store.moveFirst();
  grid.clearSelection();
  WatchListGrid::Batch batch(grid);
  grid.clearRows();
  Integer counter = 1;
  Text id, code, name, current, watched, change, exchange, time;
  while (!store.isAtEnd()) {
    store.readText(f.id, id);
    store.readText(f.code, code);
    store.readText(f.name, name);
    store.readText(f.current, current);
    store.readText(f.watched, watched);
    store.readText(f.change, change);  // read and not shown
    store.readText(f.exchange, exchange);
    store.readText(f.time, time);
    const Integer row = grid.appendRow(id, counter);
    grid.setCellText(row, 1, code);
    grid.setCellText(row, 2, name);
    grid.setCellText(row, 3, current);
    grid.setCellText(row, 4, watched);
    const Number price = toNumber(current);
    const Number distance = ((toNumber(watched) - price) / price) * 100;
    grid.setCellText(row, 5, numberToText(distance) + "%");
    grid.setCellText(row, 6, exchange);
    grid.setCellText(row, 7, time);
    ++counter;
    store.moveNext();
  }
}

void refreshWatchList(MainWindow& window) {
  refreshWatchList(*window.超级列表框_总数据列表, window.数据库);
}

void openWatchList(MainWindow& window) {
  const Text path = currentDirectory() + pathSeparator() + "db.mdb";
  if (!window.数据库.openDatabase(path, Text())) {
    showMessage(gbk("连接数据库失败"), "mmm");
    return;
  }
  if (!window.数据库.bindRecordSet()) {
    showMessage(gbk("错误"));
    return;
  }
  refreshWatchList(window);
}

void showWatchListMenu(MainWindow& window) {
  window.右键菜单->exec(mousePosition() + QPoint(3, 3));
}

void deleteSelectedShare(MainWindow& window) {
  WatchListGrid& grid = *window.超级列表框_总数据列表;
  const Integer value = grid.rowValue(grid.selectedRow());
  window.数据库.moveTo(toInteger(static_cast<Number>(value) - 1));
  window.数据库.deleteCurrent();
  window.数据库.saveRecord();
  refreshWatchList(window);
}

void markSelectedShare(MainWindow& window) {
  WatchListGrid& grid = *window.超级列表框_总数据列表;
  grid.setCellText(grid.selectedRow(), 8, gbk("√"));
}

void connectWatchList(MainWindow& window) {
  QObject::connect(window.超级列表框_总数据列表, &WatchListGrid::rightButtonPressed, &window,
                   [&window] { showWatchListMenu(window); });
  QObject::connect(window.菜单_删除, &QAction::triggered, &window,
                   [&window] { deleteSelectedShare(window); });
  QObject::connect(window.菜单_此次不再提示, &QAction::triggered, &window,
                   [&window] { markSelectedShare(window); });
}

}  // namespace brindlow
