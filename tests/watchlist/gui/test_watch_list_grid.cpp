#include <gmock/gmock.h>

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "shell/main_window.h"
#include "shell/message_box.h"
#include "shell/mouse.h"
#include "shell/values/codepage.h"
#include "support_temp_dir.h"
#include "watchlist/stock_schema.h"
#include "watchlist/stock_store.h"
#include "watchlist/watch_list_commands.h"

namespace brindlow {
namespace {

struct Share {
  const char* code;
  const char* name;
  const char* current;
  const char* watched;
};

// A program folder with its own db.mdb, made the current directory, and the
// main window created on it.
class WatchListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.path().string()));
    setMessageBoxHandler([this](const ShownMessage& m) { messages.push_back(m); });
  }
  void TearDown() override {
    delete window;
    setMessageBoxHandler({});
    setMousePositionOverride(std::nullopt);
    QDir::setCurrent(previous);
  }

  std::string dbPath() const { return (folder.path() / "db.mdb").string(); }

  void makeDatabase(std::initializer_list<Share> shares) {
    ASSERT_TRUE(createStandardDatabase(dbPath()));
    StockStore store;
    ASSERT_TRUE(store.openDatabase(dbPath(), ""));
    ASSERT_TRUE(store.bindRecordSet());
    ASSERT_TRUE(store.queryAll());
    for (const Share& s : shares) {
      ASSERT_TRUE(store.addNew());
      store.writeText(gbk("股票代码"), gbk(s.code));
      store.writeText(gbk("股票名称"), gbk(s.name));
      store.writeText(gbk("当前价格"), gbk(s.current));
      store.writeText(gbk("监控价格"), gbk(s.watched));
      store.writeText(gbk("交易所"), gbk("上海证券交易所"));
      store.writeText(gbk("最后操作时间"), gbk("2026年12月11日9时5分3秒"));
      ASSERT_TRUE(store.saveRecord());
    }
  }

  void open() {
    window = new MainWindow;
    window->onCreated();
    window->show();
    grid = window->超级列表框_总数据列表;
  }

  std::vector<std::string> column(int c) const {
    std::vector<std::string> texts;
    for (Integer r = 0; r < grid->rowCount(); ++r) texts.push_back(gbkToUtf8(grid->cellText(r, c)));
    return texts;
  }

  testing::TempDir folder;
  QString previous;
  std::vector<ShownMessage> messages;
  QPointer<MainWindow> window;
  WatchListGrid* grid = nullptr;
};

using ::testing::ElementsAre;

TEST_F(WatchListTest, AMissingDatabaseIsReportedAndTheGridStaysEmpty) {
  open();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, gbk("连接数据库失败"));
  EXPECT_EQ(messages[0].title, "mmm");
  EXPECT_EQ(messages[0].icon, MessageIcon::None);
  EXPECT_EQ(grid->rowCount(), 0);
  // Add then stores nothing and the grid stays empty.
  window->按钮_添加->click();
  EXPECT_EQ(grid->rowCount(), 0);
}

TEST_F(WatchListTest, AnEmptyTableGivesAnEmptyGrid) {
  makeDatabase({});
  open();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(grid->rowCount(), 0);
}

TEST_F(WatchListTest, RowsFollowTheQueryWithTheirDistances) {
  makeDatabase({{"600000", "浦发银行", "10", "11"},
                {"601288", "农业银行", "3.44", "3.5"},
                {"000002", "万科Ａ", "5", "5"},
                {"600999", "", "0", "10"},
                {"300001", "", "", "-10"},
                {"399001", "", "", ""}});
  open();
  ASSERT_EQ(grid->rowCount(), 6);
  for (Integer r = 0; r < 6; ++r) {
    EXPECT_EQ(grid->rowValue(r), r + 1);
    EXPECT_EQ(grid->cellText(r, 0), std::to_string(r + 1));  // the id is the row's title
    EXPECT_EQ(grid->cellText(r, 8), "");
  }
  EXPECT_THAT(column(1), ElementsAre("600000", "601288", "000002", "600999", "300001", "399001"));
  EXPECT_THAT(column(2), ElementsAre("浦发银行", "农业银行", "万科Ａ", "", "", ""));
  EXPECT_THAT(column(5),
              ElementsAre("10%", "1.744186046512%", "0%", "1.#INF%", "-1.#INF%", "-1.#IND%"));
  EXPECT_THAT(column(6), ::testing::Each("上海证券交易所"));
  EXPECT_THAT(column(7), ::testing::Each("2026年12月11日9时5分3秒"));
  EXPECT_EQ(grid->selectedRow(), -1);
}

TEST_F(WatchListTest, GridOperationsAtTheirEdges) {
  makeDatabase({{"600000", "a", "1", "1"}});
  open();
  EXPECT_EQ(grid->cellText(5, 1), "");
  EXPECT_EQ(grid->cellText(0, 9), "");
  EXPECT_EQ(grid->rowValue(-1), 0);
  grid->setCellText(3, 1, "x");  // no such row: unchanged
  EXPECT_EQ(grid->rowCount(), 1);
  const Text longText(300, 'x');
  grid->setCellText(0, 2, longText);
  EXPECT_EQ(grid->cellText(0, 2), longText);
  EXPECT_EQ(grid->appendRow("t", 42), 1);
  EXPECT_EQ(grid->rowValue(1), 42);
  grid->clearRows();
  EXPECT_EQ(grid->rowCount(), 0);
}

TEST_F(WatchListTest, DeleteRemovesTheSelectedRecordAndReloads) {
  makeDatabase({{"600000", "a", "1", "1"}, {"600001", "b", "1", "1"}, {"600002", "c", "1", "1"}});
  open();
  grid->selectRow(1);
  ASSERT_EQ(grid->selectedRow(), 1);
  grid->setCellText(0, 8, gbk("√"));
  deleteSelectedShare(*window);
  EXPECT_THAT(column(1), ElementsAre("600000", "600002"));
  EXPECT_EQ(grid->rowValue(1), 2);
  EXPECT_EQ(grid->cellText(0, 8), "");  // the reload cleared the mark
  EXPECT_EQ(grid->selectedRow(), -1);

  // With nothing selected nothing is deleted, and the grid is reloaded all the same.
  grid->setCellText(0, 3, "9.99");
  deleteSelectedShare(*window);
  EXPECT_THAT(column(1), ElementsAre("600000", "600002"));
  EXPECT_EQ(grid->cellText(0, 3), "1");

  // And the file agrees.
  StockStore store;
  ASSERT_TRUE(store.openDatabase(dbPath(), ""));
  store.bindRecordSet();
  store.queryAll();
  int count = 0;
  for (store.moveFirst(); !store.isAtEnd(); store.moveNext()) ++count;
  EXPECT_EQ(count, 2);
}

TEST_F(WatchListTest, MarkWritesTheTickIntoTheSelectedRowOnly) {
  makeDatabase({{"600000", "a", "1", "1"}, {"600001", "b", "1", "1"}});
  open();
  markSelectedShare(*window);  // nothing selected: nothing changes
  EXPECT_THAT(column(8), ElementsAre("", ""));
  grid->selectRow(1);
  markSelectedShare(*window);
  EXPECT_THAT(column(8), ElementsAre("", "√"));
  refreshWatchList(*window);
  EXPECT_THAT(column(8), ElementsAre("", ""));
}

// The right-click selects the row under the pointer, then the menu opens at
// the pointer plus 3,3 and its command acts on that row.
TEST_F(WatchListTest, RightClickSelectsThenTheMenuActsOnThatRow) {
  makeDatabase({{"600000", "a", "1", "1"}, {"600001", "b", "1", "1"}, {"600002", "c", "1", "1"}});
  open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  grid->selectRow(0);
  setMousePositionOverride(QPoint(300, 200));
  QPoint menuAt;
  QTimer::singleShot(100, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menuAt = menu->pos();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("删除"));
    EXPECT_EQ(menu->actions()[1]->text(), QString::fromUtf8("此次不再提示"));
    menu->actions()[0]->trigger();
    menu->close();
  });
  const QRect row2 = grid->visualRect(grid->model().index(2, 1));
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, row2.center());
  EXPECT_EQ(menuAt, QPoint(303, 203));
  EXPECT_THAT(column(1), ElementsAre("600000", "600001"));

  // Below the last row: the selection is cleared and the command deletes nothing.
  grid->selectRow(0);
  QTimer::singleShot(100, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->actions()[0]->trigger();
    menu->close();
  });
  QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(20, 150));
  EXPECT_THAT(column(1), ElementsAre("600000", "600001"));
}

}  // namespace
}  // namespace brindlow
