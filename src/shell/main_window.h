#pragma once
// The main window "Brindlow   V1.0   ": monitoring controls, the watch-list
// grid, the activity log and the quote panel, at fixed pixel positions.

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "shell/text_box.h"
#include "shell/timer.h"
#include "shell/window.h"
#include "watchlist/stock_store.h"
#include "watchlist/watch_list_grid.h"

namespace brindlow {

class AlertBalloon;

// The activity log box: claims Enter (a line break) and nothing else.
class LogBox : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit LogBox(QWidget* parent = nullptr);
};

class MainWindow : public Window {
  Q_OBJECT
 public:
  static constexpr QSize kOuterSize{896, 425};

  MainWindow();
  ~MainWindow() override;

  // Opens db.mdb and fills the grid.
  void onCreated() override;

  // Non-visual components.
  Timer 时钟_监控时钟;
  AlertBalloon* 气球提示框1 = nullptr;
  StockStore 数据库;   // the connection 数据库连接1 with its record set 记录集1
  StockStore 记录集2;  // part of the layout; nothing uses it
  QMenu* 右键菜单 = nullptr;
  QAction* 菜单_删除 = nullptr;
  QAction* 菜单_此次不再提示 = nullptr;

  // Visible controls, in layout (and Tab) order.
  QPushButton* 按钮_开始监控 = nullptr;
  TextBox* 编辑框_监控间隔 = nullptr;
  QLabel* 标签1 = nullptr;
  TextBox* 编辑框_监控涨跌幅 = nullptr;
  QLabel* 标签7 = nullptr;
  QPushButton* 按钮1 = nullptr;
  QCheckBox* 选择框_线附近报警 = nullptr;
  QCheckBox* 选择框_线附近报警1 = nullptr;
  WatchListGrid* 超级列表框_总数据列表 = nullptr;
  LogBox* 编辑框_log = nullptr;
  QLabel* 标签3 = nullptr;
  TextBox* 编辑框_股票代号 = nullptr;
  QPushButton* 按钮2 = nullptr;
  QLabel* 标签2 = nullptr;
  TextBox* 编辑框_监控价格 = nullptr;
  QLabel* 标签_上市所在地 = nullptr;
  QLabel* 标签_股票名称 = nullptr;
  TextBox* 编辑框_股票名称 = nullptr;
  QLabel* 标签_当前价 = nullptr;
  TextBox* 编辑框_当前价 = nullptr;
  QLabel* 标签_今开盘 = nullptr;
  TextBox* 编辑框_今开盘 = nullptr;
  QLabel* 标签_昨收盘 = nullptr;
  TextBox* 编辑框_昨收盘 = nullptr;
  QLabel* 标签_涨跌 = nullptr;
  TextBox* 编辑框_涨跌 = nullptr;
  QLabel* 标签4 = nullptr;
  QLabel* 标签_涨跌幅 = nullptr;
  TextBox* 编辑框_涨跌幅 = nullptr;
  QLabel* 标签5 = nullptr;
  QLabel* 标签_最高价 = nullptr;
  TextBox* 编辑框_最高价 = nullptr;
  QLabel* 标签_最低价 = nullptr;
  TextBox* 编辑框_最低价 = nullptr;
  QLabel* 标签_成交额 = nullptr;
  TextBox* 编辑框_成交额 = nullptr;
  QLabel* 标签6 = nullptr;
  QLabel* 标签_成交量 = nullptr;
  TextBox* 编辑框_成交量 = nullptr;
  QPushButton* 按钮_添加 = nullptr;
  QPushButton* 按钮_修改 = nullptr;

 private:
  void buildControls();
  void connectEvents();
};

// The caption of a label or button as GBK text, and back.
Text captionOf(const QLabel& label);
Text captionOf(const QPushButton& button);
Text textOf(const QLineEdit& box);
void setCaption(QLabel& label, const Text& caption);
void setCaption(QPushButton& button, const Text& caption);
void setText(QLineEdit& box, const Text& text);

}  // namespace brindlow
