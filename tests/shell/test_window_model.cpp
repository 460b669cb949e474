#include <gmock/gmock.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "shell/message_box.h"
#include "shell/qt_text.h"
#include "shell/timer.h"
#include "shell/values/codepage.h"
#include "shell/window.h"

namespace brindlow {
namespace {

class TestWindow : public Window {
 public:
  TestWindow() : Window(QStringLiteral("test"), {200, 131}) {
    button = new QPushButton(QStringLiteral("b"), this);
    button->setGeometry(10, 10, 80, 24);
  }
  void onCreated() override { ++created; }
  QPushButton* button;
  int created = 0;
};

// Runs `body` from inside the event loop once the current call is waiting.
void later(int ms, std::function<void()> body) { QTimer::singleShot(ms, qApp, std::move(body)); }

TEST(WindowModel, ShowModalWaitsUntilTheWindowIsDestroyedWhileTimersKeepFiring) {
  TestWindow owner;
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
  Timer timer;
  timer.setPeriod(20);
  QSignalSpy ticks(&timer, &Timer::tick);
  QSignalSpy ownerClicks(owner.button, &QPushButton::clicked);

  QPointer<TestWindow> modal;
  int createdCalls = 0;
  bool returnedEarly = false;
  later(150, [&] {
    ASSERT_TRUE(modal);
    EXPECT_EQ(modal->created, 1);  // creation event before showing
    EXPECT_EQ(QApplication::activeModalWidget(), modal.data());
    // Input to the other window is refused (sent the way the window system
    // delivers it, so that modality applies)...
    QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {}, owner.button->geometry().center());
    EXPECT_EQ(ownerClicks.count(), 0);
    // ...and opening the same kind again only brings it forward.
    showModal("test", [&] {
      ++createdCalls;
      return std::make_unique<TestWindow>();
    });
    returnedEarly = true;
    modal->close();
  });
  showModal("test", [&] {
    ++createdCalls;
    auto window = std::make_unique<TestWindow>();
    modal = window.get();
    return window;
  });
  EXPECT_TRUE(returnedEarly);
  EXPECT_TRUE(modal.isNull());  // destroyed before the call returned
  EXPECT_EQ(createdCalls, 1);
  EXPECT_GE(ticks.count(), 4);  // the timer ran inside the nested loop
  EXPECT_EQ(openModalWindow("test"), nullptr);

  QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, {},
                    owner.button->geometry().center());  // input works again
  EXPECT_EQ(ownerClicks.count(), 1);
}

TEST(WindowModel, EscClosesAModalWindow) {
  bool closed = false;
  later(50, [&] {
    Window* w = openModalWindow("esc");
    ASSERT_NE(w, nullptr);
    QTest::keyClick(static_cast<TestWindow*>(w)->button, Qt::Key_Escape);
    closed = true;
  });
  showModal("esc", [] { return std::make_unique<TestWindow>(); });
  EXPECT_TRUE(closed);
}

TEST(TimerRules, PeriodChanges) {
  Timer timer;
  QSignalSpy ticks(&timer, &Timer::tick);
  EXPECT_EQ(timer.period(), 0);
  timer.setPeriod(-5);  // negative counts as 0
  EXPECT_EQ(timer.period(), 0);
  QTest::qWait(50);
  EXPECT_EQ(ticks.count(), 0);

  timer.setPeriod(60);
  QTest::qWait(40);
  timer.setPeriod(60);  // the same value does not restart the countdown
  QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 1, 1000);
  QElapsedTimer clock;
  clock.start();
  timer.setPeriod(200);  // a new value restarts it: a whole new period
  QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 2, 2000);
  EXPECT_GE(clock.elapsed(), 190);

  timer.setPeriod(0);
  const int before = ticks.count();
  QTest::qWait(300);
  EXPECT_EQ(ticks.count(), before);
}

TEST(TimerRules, ShortPeriodsRunAtTheWindowsMinimum) {
  Timer timer;
  QSignalSpy ticks(&timer, &Timer::tick);
  timer.setPeriod(1);
  EXPECT_EQ(timer.period(), 1);
  QTest::qWait(100);
  EXPECT_LE(ticks.count(), 11);
  EXPECT_GE(ticks.count(), 3);
}

TEST(MessageBoxes, TheSeamRecordsWhatWouldBeShown) {
  std::vector<ShownMessage> shown;
  setMessageBoxHandler([&](const ShownMessage& m) { shown.push_back(m); });
  showMessage(gbk("只支持沪深A股"));
  showMessage(gbk("错误文本"), gbk("错误："), MessageIcon::Error);
  setMessageBoxHandler({});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].title, gbk("信息："));  // default title
  EXPECT_EQ(shown[0].icon, MessageIcon::None);
  EXPECT_EQ(shown[1].title, gbk("错误："));
  EXPECT_EQ(shown[1].icon, MessageIcon::Error);
}

TEST(MessageBoxes, ARealBoxIsApplicationModalAndOwnerless) {
  bool seen = false;
  later(100, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("错误："));
    EXPECT_EQ(box->text(), QString::fromUtf8("对不起"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    seen = true;
    box->button(QMessageBox::Ok)->click();
  });
  showMessage(gbk("对不起"), gbk("错误："), MessageIcon::Error);
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace brindlow
