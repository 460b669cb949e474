#include <gmock/gmock.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "shell/main_window.h"
#include "shell/qt_text.h"

namespace brindlow {
namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = new MainWindow;
    window->centreOnScreen();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  }
  void TearDown() override { delete window.data(); }

  template <class T>
  T* find(const char* name) {
    T* found = window->findChild<T*>(u8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  QPointer<MainWindow> window;
};

struct ControlCase {
  const char* name;
  QRect rect;
  const char* text;
};

TEST_F(MainWindowTest, EveryControlSitsAtItsPlaceWithItsCaption) {
  const ControlCase controls[] = {
      {"按钮_开始监控", {32, 16, 80, 32}, "开始监控"},
      {"编辑框_监控间隔", {121, 24, 24, 20}, "5"},
      {"标签1", {148, 22, 104, 24}, "秒监控一次价格"},
      {"编辑框_监控涨跌幅", {264, 24, 24, 20}, "0.6"},
      {"标签7", {291, 22, 104, 24}, "%涨跌幅内提醒"},
      {"按钮1", {416, 16, 80, 32}, "12列"},
      {"选择框_线附近报警", {40, 64, 104, 24}, "5日线附近报警"},
      {"选择框_线附近报警1", {160, 64, 104, 24}, "10日线附近报警"},
      {"超级列表框_总数据列表", {0, 88, 552, 184}, nullptr},
      {"编辑框_log", {0, 274, 888, 120}, ""},
      {"标签3", {568, 16, 64, 24}, "股票代码："},
      {"编辑框_股票代号", {638, 19, 80, 20}, "601288"},
      {"按钮2", {724, 18, 80, 24}, "查看"},
      {"标签2", {569, 42, 56, 24}, "监控价格："},
      {"编辑框_监控价格", {631, 44, 80, 20}, ""},
      {"标签_上市所在地", {742, 42, 154, 24}, "交易所"},
      {"标签_股票名称", {570, 65, 56, 24}, "股票名称:"},
      {"编辑框_股票名称", {630, 66, 80, 20}, ""},
      {"标签_当前价", {744, 64, 48, 24}, "当前价:"},
      {"编辑框_当前价", {808, 67, 80, 20}, ""},
      {"标签_今开盘", {570, 96, 40, 24}, "今开盘:"},
      {"编辑框_今开盘", {629, 98, 80, 20}, ""},
      {"标签_昨收盘", {744, 94, 48, 24}, "昨收盘:"},
      {"编辑框_昨收盘", {808, 100, 80, 20}, ""},
      {"标签_涨跌", {572, 132, 44, 24}, "涨跌:"},
      {"编辑框_涨跌", {629, 134, 51, 20}, ""},
      {"标签4", {688, 132, 18, 24}, "元"},
      {"标签_涨跌幅", {746, 133, 40, 24}, "涨跌幅:"},
      {"编辑框_涨跌幅", {808, 136, 56, 20}, ""},
      {"标签5", {873, 134, 16, 24}, "%"},
      {"标签_最高价", {570, 173, 48, 24}, "最高价:"},
      {"编辑框_最高价", {629, 174, 80, 20}, ""},
      {"标签_最低价", {746, 172, 48, 24}, "最低价:"},
      {"编辑框_最低价", {808, 171, 80, 20}, ""},
      {"标签_成交额", {570, 208, 48, 24}, "成交额:"},
      {"编辑框_成交额", {629, 210, 80, 20}, ""},
      {"标签6", {712, 208, 18, 24}, "万"},
      {"标签_成交量", {746, 205, 48, 24}, "成交量:"},
      {"编辑框_成交量", {808, 208, 80, 20}, ""},
      {"按钮_添加", {570, 243, 80, 24}, "添加"},
      {"按钮_修改", {664, 243, 80, 24}, "修改"},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.name);
    QWidget* w = find<QWidget>(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), c.rect);
    if (c.text == nullptr) continue;
    QString text;
    if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) text = p->toPlainText();
    EXPECT_EQ(text, u8(c.text));
  }
}

TEST_F(MainWindowTest, WindowSettings) {
  EXPECT_EQ(window->windowTitle(), u8("Brindlow   V1.0   "));
  EXPECT_EQ(window->size(), QSize(888, 394));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());  // not resizable
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  // Centred on the whole screen with the outer (framed) size.
  const QRect screen = window->screen()->geometry();
  EXPECT_EQ(window->pos(), QPoint(screen.left() + (screen.width() - 896) / 2,
                                  screen.top() + (screen.height() - 425) / 2));
}

TEST_F(MainWindowTest, ControlStates) {
  EXPECT_FALSE(find<QWidget>("按钮_修改")->isVisible());
  for (const char* name : {"选择框_线附近报警", "选择框_线附近报警1"}) {
    auto* box = find<QCheckBox>(name);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
  }
  // Grey boxes of the panel, white ones, and the red-on-black log.
  EXPECT_EQ(find<TextBox>("编辑框_当前价")->backgroundColour(), kGrey);
  EXPECT_EQ(find<TextBox>("编辑框_股票名称")->backgroundColour(), kWhite);
  EXPECT_EQ(find<TextBox>("编辑框_当前价")->textColour(), kBlack);
  auto* log = find<QPlainTextEdit>("编辑框_log");
  EXPECT_EQ(log->palette().color(QPalette::Text), QColor(255, 0, 0));
  EXPECT_EQ(log->palette().color(QPalette::Base), QColor(0, 0, 0));
  EXPECT_FALSE(log->isReadOnly());
  EXPECT_EQ(find<QLabel>("标签_上市所在地")->alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
}

TEST_F(MainWindowTest, NumericBoxesRefuseTypedLettersButTakePastedOnes) {
  for (const char* name : {"编辑框_监控间隔", "编辑框_监控涨跌幅", "编辑框_监控价格"}) {
    SCOPED_TRACE(name);
    auto* box = find<QLineEdit>(name);
    box->clear();
    box->setFocus();
    QTest::keyClicks(box, "a1x-2.5Z ");
    EXPECT_EQ(box->text(), "1-2.5");
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), "1-2.");
    QApplication::clipboard()->setText("abc");
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "1-2.abc");
  }
  // Other boxes take any typed text.
  auto* name = find<QLineEdit>("编辑框_股票名称");
  QTest::keyClicks(name, "ab1");
  EXPECT_EQ(name->text(), "ab1");
}

TEST_F(MainWindowTest, CodeBoxTakesASeventhCharacterOnlyAfterADeletion) {
  auto* code = find<QLineEdit>("编辑框_股票代号");
  code->setFocus();
  code->end(false);
  QTest::keyClicks(code, "7");
  EXPECT_EQ(code->text(), "601288");
  QTest::keyClick(code, Qt::Key_Backspace);
  QTest::keyClicks(code, "x");
  EXPECT_EQ(code->text(), "60128x");
}

TEST_F(MainWindowTest, EnterClicksNothingAndKeepsTheFocus) {
  auto* code = find<QLineEdit>("编辑框_股票代号");
  QSignalSpy view(find<QPushButton>("按钮2"), &QPushButton::clicked);
  QSignalSpy add(find<QPushButton>("按钮_添加"), &QPushButton::clicked);
  code->setFocus();
  QTest::keyClick(code, Qt::Key_Return);
  QTest::keyClick(code, Qt::Key_Enter);
  EXPECT_EQ(view.count(), 0);
  EXPECT_EQ(add.count(), 0);
  EXPECT_EQ(QApplication::focusWidget(), code);
}

TEST_F(MainWindowTest, EnterInTheLogInsertsALineBreak) {
  auto* log = find<QPlainTextEdit>("编辑框_log");
  log->setFocus();
  QTest::keyClicks(log, "a");
  QTest::keyClick(log, Qt::Key_Return);
  QTest::keyClicks(log, "b");
  EXPECT_EQ(log->toPlainText(), "a\nb");
  EXPECT_EQ(QApplication::focusWidget(), log);
}

TEST_F(MainWindowTest, TabFollowsTheLayoutOrder) {
  const char* order[] = {"按钮_开始监控",         "编辑框_监控间隔", "编辑框_监控涨跌幅", "按钮1",
                         "超级列表框_总数据列表", "编辑框_log",      "编辑框_股票代号",   "按钮2",
                         "编辑框_监控价格",       "编辑框_股票名称", "编辑框_当前价"};
  QWidget* first = find<QWidget>(order[0]);
  window->activateWindow();
  first->setFocus();
  for (size_t i = 1; i < std::size(order); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), find<QWidget>(order[i])) << order[i];
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), find<QWidget>(order[std::size(order) - 2]));
}

TEST_F(MainWindowTest, EscClosesTheWindowFromAnyControl) {
  for (const char* name : {"编辑框_log", "编辑框_股票代号", "超级列表框_总数据列表"}) {
    SCOPED_TRACE(name);
    if (!window) {
      window = new MainWindow;
      window->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    QWidget* control = find<QWidget>(name);
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Escape);
    QTRY_VERIFY(window.isNull());  // closing destroys the window
  }
}

TEST_F(MainWindowTest, Screenshot) {
  const QString path = QStringLiteral(BRINDLOW_SCREENSHOT_DIR "/main_window.png");
  ASSERT_TRUE(window->grab().save(path));
}

}  // namespace
}  // namespace brindlow
