#include "shell/main_window.h"

#include <QKeyEvent>

#include "charts/chart_grid_window.h"
#include "monitor/monitoring.h"
#include "quotes/quote_panel.h"
#include "shell/qt_text.h"
#include "shell/values/codepage.h"
#include "watchlist/watch_list_commands.h"

namespace brindlow {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, QRect rect, const char* caption,
                  Qt::Alignment horizontal = Qt::AlignLeft) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(rect);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(false);
  label->setAlignment(horizontal | Qt::AlignVCenter);
  label->setAttribute(Qt::WA_TranslucentBackground);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(pal);
  return label;
}

TextBox* makeBox(QWidget* parent, const char* name, QRect rect, TextBox::Border border,
                 Integer background, const char* text = "") {
  auto* box = new TextBox(border, background, parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setText(QString::fromUtf8(text));
  box->place(rect.x(), rect.y(), rect.width(), rect.height());
  return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, QRect rect, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(rect);
  button->setAutoDefault(false);  // no button of the program is a default button
  button->setDefault(false);
  return button;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, QRect rect, const char* caption) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setGeometry(rect);
  box->setChecked(false);
  box->setEnabled(false);
  return box;
}

constexpr auto kSingle = TextBox::Border::SingleLine;
constexpr auto kSunken = TextBox::Border::Sunken;

}  // namespace

LogBox::LogBox(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);  // the log claims Enter only
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Plain);
  setLineWidth(1);
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Qt::black);
  pal.setColor(QPalette::Text, QColor(255, 0, 0));
  setPalette(pal);
}

MainWindow::MainWindow()
    : Window(QString::fromUtf8("Brindlow   V1.0   "), kOuterSize), 时钟_监控时钟(this) {
  setObjectName(QStringLiteral("mainWindow"));
  时钟_监控时钟.setObjectName(QString::fromUtf8("时钟_监控时钟"));
  buildControls();
  connectEvents();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
  右键菜单 = new QMenu(this);
  右键菜单->setObjectName(QString::fromUtf8("右键菜单"));
  菜单_删除 = 右键菜单->addAction(QString::fromUtf8("删除"));
  菜单_删除->setObjectName(QString::fromUtf8("删除"));
  菜单_此次不再提示 = 右键菜单->addAction(QString::fromUtf8("此次不再提示"));
  菜单_此次不再提示->setObjectName(QString::fromUtf8("此次不再提示"));

  按钮_开始监控 = makeButton(this, "按钮_开始监控", {32, 16, 80, 32}, "开始监控");
  编辑框_监控间隔 = makeBox(this, "编辑框_监控间隔", {121, 24, 24, 20}, kSingle, kWhite, "5");
  编辑框_监控间隔->setAlignment(Qt::AlignCenter);
  编辑框_监控间隔->setNumericFilter(true);
  标签1 = makeLabel(this, "标签1", {148, 22, 104, 24}, "秒监控一次价格");
  编辑框_监控涨跌幅 = makeBox(this, "编辑框_监控涨跌幅", {264, 24, 24, 20}, kSingle, kWhite, "0.6");
  编辑框_监控涨跌幅->setAlignment(Qt::AlignCenter);
  编辑框_监控涨跌幅->setNumericFilter(true);
  标签7 = makeLabel(this, "标签7", {291, 22, 104, 24}, "%涨跌幅内提醒");
  按钮1 = makeButton(this, "按钮1", {416, 16, 80, 32}, "12列");
  选择框_线附近报警 = makeCheckBox(this, "选择框_线附近报警", {40, 64, 104, 24}, "5日线附近报警");
  选择框_线附近报警1 =
      makeCheckBox(this, "选择框_线附近报警1", {160, 64, 104, 24}, "10日线附近报警");

  超级列表框_总数据列表 = new WatchListGrid(this);
  超级列表框_总数据列表->setObjectName(QString::fromUtf8("超级列表框_总数据列表"));
  超级列表框_总数据列表->setGeometry(0, 88, 552, 184);

  编辑框_log = new LogBox(this);
  编辑框_log->setObjectName(QString::fromUtf8("编辑框_log"));
  编辑框_log->setGeometry(0, 274, 888, 120);

  标签3 = makeLabel(this, "标签3", {568, 16, 64, 24}, "股票代码：");
  编辑框_股票代号 = makeBox(this, "编辑框_股票代号", {638, 19, 80, 20}, kSunken, kWhite, "601288");
  编辑框_股票代号->setMaxLength(6);
  按钮2 = makeButton(this, "按钮2", {724, 18, 80, 24}, "查看");
  标签2 = makeLabel(this, "标签2", {569, 42, 56, 24}, "监控价格：");
  编辑框_监控价格 = makeBox(this, "编辑框_监控价格", {631, 44, 80, 20}, kSingle, kWhite);
  编辑框_监控价格->setNumericFilter(true);
  标签_上市所在地 =
      makeLabel(this, "标签_上市所在地", {742, 42, 154, 24}, "交易所", Qt::AlignHCenter);
  标签_股票名称 = makeLabel(this, "标签_股票名称", {570, 65, 56, 24}, "股票名称:");
  编辑框_股票名称 = makeBox(this, "编辑框_股票名称", {630, 66, 80, 20}, kSingle, kWhite);
  标签_当前价 = makeLabel(this, "标签_当前价", {744, 64, 48, 24}, "当前价:");
  编辑框_当前价 = makeBox(this, "编辑框_当前价", {808, 67, 80, 20}, kSingle, kGrey);
  标签_今开盘 = makeLabel(this, "标签_今开盘", {570, 96, 40, 24}, "今开盘:");
  编辑框_今开盘 = makeBox(this, "编辑框_今开盘", {629, 98, 80, 20}, kSingle, kWhite);
  标签_昨收盘 = makeLabel(this, "标签_昨收盘", {744, 94, 48, 24}, "昨收盘:");
  编辑框_昨收盘 = makeBox(this, "编辑框_昨收盘", {808, 100, 80, 20}, kSingle, kGrey);
  标签_涨跌 = makeLabel(this, "标签_涨跌", {572, 132, 44, 24}, "涨跌:");
  编辑框_涨跌 = makeBox(this, "编辑框_涨跌", {629, 134, 51, 20}, kSingle, kGrey);
  标签4 = makeLabel(this, "标签4", {688, 132, 18, 24}, "元");
  标签_涨跌幅 = makeLabel(this, "标签_涨跌幅", {746, 133, 40, 24}, "涨跌幅:");
  编辑框_涨跌幅 = makeBox(this, "编辑框_涨跌幅", {808, 136, 56, 20}, kSingle, kGrey);
  标签5 = makeLabel(this, "标签5", {873, 134, 16, 24}, "%");
  标签_最高价 = makeLabel(this, "标签_最高价", {570, 173, 48, 24}, "最高价:");
  编辑框_最高价 = makeBox(this, "编辑框_最高价", {629, 174, 80, 20}, kSingle, kGrey);
  标签_最低价 = makeLabel(this, "标签_最低价", {746, 172, 48, 24}, "最低价:");
  编辑框_最低价 = makeBox(this, "编辑框_最低价", {808, 171, 80, 20}, kSingle, kGrey);
  标签_成交额 = makeLabel(this, "标签_成交额", {570, 208, 48, 24}, "成交额:");
  编辑框_成交额 = makeBox(this, "编辑框_成交额", {629, 210, 80, 20}, kSingle, kGrey);
  标签6 = makeLabel(this, "标签6", {712, 208, 18, 24}, "万");
  标签_成交量 = makeLabel(this, "标签_成交量", {746, 205, 48, 24}, "成交量:");
  编辑框_成交量 = makeBox(this, "编辑框_成交量", {808, 208, 80, 20}, kSingle, kGrey);
  按钮_添加 = makeButton(this, "按钮_添加", {570, 243, 80, 24}, "添加");
  按钮_修改 = makeButton(this, "按钮_修改", {664, 243, 80, 24}, "修改");
  按钮_修改->setVisible(false);

  // Tab order follows the layout order; labels take no focus.
  QWidget* order[] = {按钮_开始监控,
                      编辑框_监控间隔,
                      编辑框_监控涨跌幅,
                      按钮1,
                      选择框_线附近报警,
                      选择框_线附近报警1,
                      超级列表框_总数据列表,
                      编辑框_log,
                      编辑框_股票代号,
                      按钮2,
                      编辑框_监控价格,
                      编辑框_股票名称,
                      编辑框_当前价,
                      编辑框_今开盘,
                      编辑框_昨收盘,
                      编辑框_涨跌,
                      编辑框_涨跌幅,
                      编辑框_最高价,
                      编辑框_最低价,
                      编辑框_成交额,
                      编辑框_成交量,
                      按钮_添加,
                      按钮_修改};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  按钮_开始监控->setFocus();
}

void MainWindow::connectEvents() {
  // The handler of 按钮_修改 does nothing, and the button is never shown.
  connect(按钮_修改, &QPushButton::clicked, this, [] {});
  connect(按钮1, &QPushButton::clicked, this,
          [this] { openChartGridWindow(*超级列表框_总数据列表); });
  connectWatchList(*this);
  connectQuotePanel(*this);
  connectMonitoring(*this);
}

void MainWindow::onCreated() { openWatchList(*this); }

Text captionOf(const QLabel& label) { return fromQString(label.text()); }
Text captionOf(const QPushButton& button) { return fromQString(button.text()); }
Text textOf(const QLineEdit& box) { return fromQString(box.text()); }
void setCaption(QLabel& label, const Text& caption) { label.setText(toQString(caption)); }
void setCaption(QPushButton& button, const Text& caption) { button.setText(toQString(caption)); }
void setText(QLineEdit& box, const Text& text) { box.setText(toQString(text)); }

}  // namespace brindlow
