// The monitoring switch 按钮_开始监控.
#include "monitor_fixture.h"

namespace brindlow {
namespace {

class SwitchTest : public MonitorTest {
 protected:
  void click() { QTest::mouseClick(window->按钮_开始监控, Qt::LeftButton); }
  Text caption() { return captionOf(*window->按钮_开始监控); }
  static Text startLine() {
    return gbk("开始监控数据，祝您发大财！欢迎访问官方网站 ") + kPublisherAddress;
  }
};

TEST_F(SwitchTest, IntervalTextGivesThePeriod) {
  const struct {
    const char* interval;  // UTF-8
    Integer period;
  } cases[] = {
      {"5", 5000}, {"0.5", 500}, {"1.2345", 1234}, {"１０", 10000}, {" 7秒", 7000},
      {"", 0},     {"abc", 0},   {"0", 0},         {"-3", 0},       {"0.0005", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.interval);
    setText(*window->编辑框_监控间隔, gbk(c.interval));
    click();
    // Running whatever the period: no ticks for a period of 0.
    EXPECT_EQ(window->时钟_监控时钟.period(), c.period);
    EXPECT_EQ(caption(), gbk("停止监控"));
    EXPECT_FALSE(window->编辑框_监控间隔->isEnabled());
    EXPECT_THAT(log(), ::testing::EndsWith(stamp() + startLine() + "\r\n"));

    click();
    EXPECT_EQ(window->时钟_监控时钟.period(), 0);
    EXPECT_EQ(caption(), gbk("开始监控"));
    EXPECT_TRUE(window->编辑框_监控间隔->isEnabled());
    EXPECT_THAT(log(), ::testing::EndsWith(stamp() + gbk("停止数据监控！") + "\r\n"));
  }
  // The tolerance box belongs to the pass.
  EXPECT_EQ(textOf(*window->编辑框_监控涨跌幅), "0.6");
}

TEST_F(SwitchTest, StartAndStopLinesCarryTheirTime) {
  setClock([] { return makeDateTime(2017, 5, 13, 9, 30, 12); });
  click();
  setClock([] { return makeDateTime(2017, 5, 13, 9, 31, 5); });
  click();
  EXPECT_EQ(log(), gbk("2017年5月13日9时30分12秒:") + startLine() + "\r\n" +
                       gbk("2017年5月13日9时31分5秒:停止数据监控！") + "\r\n");
  EXPECT_EQ(startLine(),
            gbk("开始监控数据，祝您发大财！欢迎访问官方网站 https://brindlow.example.org/"));
}

TEST_F(SwitchTest, TheCaptionAloneDecides) {
  // A caption that is not "开始监控" means running, so the click stops.
  setCaption(*window->按钮_开始监控, "other");
  window->编辑框_监控间隔->setEnabled(false);
  click();
  EXPECT_EQ(caption(), gbk("开始监控"));
  EXPECT_TRUE(window->编辑框_监控间隔->isEnabled());
  EXPECT_EQ(window->时钟_监控时钟.period(), 0);
}

TEST_F(SwitchTest, TwoQuickClicksStartAndStop) {
  click();
  click();
  EXPECT_EQ(window->时钟_监控时钟.period(), 0);
  EXPECT_EQ(caption(), gbk("开始监控"));
  EXPECT_EQ(log(), stamp() + startLine() + "\r\n" + stamp() + gbk("停止数据监控！") + "\r\n");
}

}  // namespace
}  // namespace brindlow
