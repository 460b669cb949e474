// The activity log and the alert balloon of the main window.
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QWheelEvent>

#include "monitor_fixture.h"

namespace brindlow {
namespace {

using LogTest = MonitorTest;

TEST_F(LogTest, LinesAreStampedAndEndInCrLf) {
  appendLog(*window, "");
  appendLog(*window, gbk("开始"));
  appendLog(*window, "a\r\n");  // the caller's own line break stays, an empty line follows
  appendLog(*window, "b\r\nc");
  EXPECT_EQ(log(), stamp() + "\r\n" + stamp() + gbk("开始") + "\r\n" + stamp() + "a\r\n\r\n" +
                       stamp() + "b\r\nc\r\n");
  // Each CR LF is a line of the box, not a character in it.
  EXPECT_EQ(window->编辑框_log->document()->blockCount(), 7);
  EXPECT_FALSE(window->编辑框_log->toPlainText().contains(QLatin1Char('\r')));
}

TEST_F(LogTest, LineGoesToTheEndWhateverTheUserSelected) {
  LogBox& box = *window->编辑框_log;
  appendLog(box, "one");
  appendLog(box, "two");
  appendLog(box, "three");
  const Text before = log();

  QTextCursor selection(box.document());
  selection.setPosition(box.toPlainText().indexOf(QStringLiteral("two")));
  selection.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 3);
  box.setTextCursor(selection);
  ASSERT_EQ(box.textCursor().selectedText(), QStringLiteral("two"));

  appendLog(box, "four");
  EXPECT_EQ(log(), before + stamp() + "four\r\n");
  EXPECT_FALSE(box.textCursor().hasSelection());
  EXPECT_TRUE(box.textCursor().atEnd());
}

TEST_F(LogTest, UndoDoesNotTakeALineBack) {
  LogBox& box = *window->编辑框_log;
  box.setFocus();
  QTest::keyClicks(&box, "typed");
  appendLog(box, "logged");
  box.undo();
  EXPECT_THAT(log(), ::testing::HasSubstr(stamp() + "logged\r\n"));
  EXPECT_FALSE(box.document()->isUndoAvailable());
  // The user can still undo what is typed afterwards.
  QTest::keyClicks(&box, "x");
  box.undo();
  EXPECT_THAT(log(), ::testing::EndsWith(stamp() + "logged\r\n"));
}

TEST_F(LogTest, BoxScrollsToTheNewLine) {
  LogBox& box = *window->编辑框_log;
  for (int i = 0; i < 40; ++i) appendLog(box, std::to_string(i));
  QScrollBar* bar = box.verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->setValue(0);  // the user scrolled back to the top
  appendLog(box, "last");
  EXPECT_EQ(bar->value(), bar->maximum());
}

using BalloonTest = MonitorTest;

TEST_F(BalloonTest, ShowsAtOnceAtTheMouseWithOneLinePerCrLf) {
  EXPECT_EQ(balloon().objectName(), QString::fromUtf8("气球提示框1"));
  EXPECT_FALSE(balloon().isVisible());
  showAlertBalloon(*window, gbk("600000\r\n浦发银行\r\n600036"));
  ASSERT_TRUE(balloon().isVisible());
  EXPECT_EQ(balloon().lines(), QStringList({"600000", QString::fromUtf8("浦发银行"), "600036"}));
  EXPECT_EQ(balloon().anchor(), kMouse);
  EXPECT_TRUE(balloon().geometry().contains(kMouse));
  EXPECT_GE(balloon().height(), 3 * QFontMetrics(balloon().font()).lineSpacing());
  EXPECT_EQ(balloon().font().pointSize(), 9);
  EXPECT_FALSE(balloon().isActiveWindow());
  EXPECT_EQ(QApplication::focusWidget() == &balloon(), false);
}

TEST_F(BalloonTest, EmptyTextOnlyHidesAndASecondCallReplacesTheFirst) {
  showAlertBalloon(*window, "first");
  setMousePositionOverride(QPoint(120, 90));
  showAlertBalloon(*window, "second");
  ASSERT_TRUE(balloon().isVisible());
  EXPECT_EQ(balloon().text(), "second");
  EXPECT_EQ(balloon().anchor(), QPoint(120, 90));
  EXPECT_TRUE(balloon().geometry().contains(QPoint(120, 90)));
  EXPECT_EQ(window->findChildren<AlertBalloon*>().size(), 1);

  showAlertBalloon(*window, "");
  EXPECT_FALSE(balloon().isVisible());
}

TEST_F(BalloonTest, StaysOnMouseMovesAndWithTime) {
  showAlertBalloon(*window, "alert");
  QTest::mouseMove(window, QPoint(10, 10));
  QTest::mouseMove(window->编辑框_log->viewport(), QPoint(40, 20));
  QTest::qWait(200);
  EXPECT_TRUE(balloon().isVisible());
}

// Every kind of input that hides the balloon, sent to a window of the program
// other than the main window.
TEST_F(BalloonTest, HidesOnKeyButtonOrWheelInAnyWindow) {
  QWidget other;
  auto* edit = new QLineEdit(&other);
  other.resize(200, 60);
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

  const std::pair<const char*, std::function<void()>> inputs[] = {
      {"key in another window", [&] { QTest::keyClick(edit, Qt::Key_A); }},
      {"key in the log", [&] { QTest::keyClick(window->编辑框_log, Qt::Key_Down); }},
      {"left click", [&] { QTest::mouseClick(edit, Qt::LeftButton); }},
      {"right click on the main window",
       [&] { QTest::mouseClick(window, Qt::RightButton, {}, QPoint(530, 40)); }},
      {"middle click", [&] { QTest::mouseClick(&other, Qt::MiddleButton); }},
      {"double click", [&] { QTest::mouseDClick(edit, Qt::LeftButton); }},
      {"title bar press",
       [&] {
         QMouseEvent press(QEvent::NonClientAreaMouseButtonPress, QPointF(5, -10), QPointF(5, -10),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
         QApplication::sendEvent(&other, &press);
       }},
      {"wheel",
       [&] {
         QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton,
                           Qt::NoModifier, Qt::NoScrollPhase, false);
         QApplication::sendEvent(window->编辑框_log->viewport(), &wheel);
       }},
      {"press on the balloon itself", [&] { QTest::mouseClick(&balloon(), Qt::LeftButton); }},
  };
  for (const auto& [what, input] : inputs) {
    SCOPED_TRACE(what);
    showAlertBalloon(*window, "alert");
    ASSERT_TRUE(balloon().isVisible());
    input();
    EXPECT_FALSE(balloon().isVisible());
  }
}

TEST_F(BalloonTest, StaysOnTheScreenNearItsEdges) {
  const QRect screen = window->screen()->geometry();
  const QPoint corners[] = {screen.bottomRight(), screen.topLeft(), screen.topRight(),
                            screen.bottomLeft()};
  for (const QPoint corner : corners) {
    setMousePositionOverride(corner);
    showAlertBalloon(*window, gbk("600000\r\n浦发银行\r\n"));
    EXPECT_TRUE(screen.contains(balloon().geometry())) << corner.x() << "," << corner.y();
    EXPECT_TRUE(balloon().geometry().contains(corner));
  }
}

}  // namespace
}  // namespace brindlow
