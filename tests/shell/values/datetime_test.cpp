#include "shell/values/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "shell/values/codepage.h"

namespace brindlow {
namespace {

constexpr double kSecond = 1.0 / 86400;

TEST(TimeToText, Table) {
  struct Case {
    int hour;
    int minute;
    int second;
    const char* expected;
  };
  const Case cases[] = {
      {9, 5, 3, "2017年5月13日9时5分3秒"},       {9, 5, 0, "2017年5月13日9时5分"},
      {14, 0, 0, "2017年5月13日14时"},           {0, 0, 0, "2017年5月13日"},
      {0, 0, 7, "2017年5月13日0时0分7秒"},       {0, 30, 0, "2017年5月13日0时30分"},
      {23, 59, 59, "2017年5月13日23时59分59秒"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(timeToText(makeDateTime(2017, 5, 13, c.hour, c.minute, c.second)), gbk(c.expected));
  }
}

TEST(MakeDateTime, GivesOleAutomationDates) {
  struct Case {
    int year, month, day, hour;
    double expected;
  };
  const Case cases[] = {
      {1899, 12, 30, 0, 0},    {1899, 12, 31, 0, 1},       {1900, 1, 1, 0, 2},
      {1900, 3, 1, 0, 61},     {2017, 5, 13, 0, 42868},    {2017, 5, 13, 12, 42868.5},
      {100, 1, 1, 0, -657434}, {9999, 12, 31, 0, 2958465}, {1899, 12, 29, 6, -1.25},
      {1899, 12, 30, 6, 0.25}, {2017, 13, 1, 0, 43101},    {2017, 12, 32, 0, 43101},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                 std::to_string(c.day));
    EXPECT_DOUBLE_EQ(makeDateTime(c.year, c.month, c.day, c.hour).days, c.expected);
  }
  // Seconds carry into the next day.
  EXPECT_DOUBLE_EQ(makeDateTime(2017, 5, 13, 24, 0, 0).days, 42869);
}

TEST(TimeToText, RawOleValues) {
  struct Case {
    double days;
    const char* expected;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0, "1899年12月30日"},
      {2.5, "1900年1月1日12时"},
      {60, "1900年2月28日"},  // no 29 February 1900 in the Gregorian calendar
      {61, "1900年3月1日"},
      {36585, "2000年2月29日"},
      // Below zero the fraction is the time of the day named by the integer part.
      {-1.25, "1899年12月29日6时"},
      {-0.5, "1899年12月30日12时"},
      {-1, "1899年12月29日"},
      {-693593, "100年1月1日"},  // 1 January 1, clamped
      {-657434, "100年1月1日"},
      {-657434.5, "100年1月1日12时"},
      {-657435, "100年1月1日"},
      {-1e300, "100年1月1日"},
      {-inf, "100年1月1日"},
      {2958465, "9999年12月31日"},
      {2958465.5, "9999年12月31日12时"},
      {2958466, "9999年12月31日"},
      {2958465 + 86399.9 * kSecond, "9999年12月31日"},  // rounds into 10000
      {1e300, "9999年12月31日"},
      {inf, "9999年12月31日"},
      {nan, "1899年12月30日"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(timeToText(DateTime{c.days}), gbk(c.expected));
  }
}

TEST(TimeToText, RoundsToTheNearestSecond) {
  const double base = makeDateTime(2017, 5, 13, 9, 5, 3).days;
  EXPECT_EQ(timeToText(DateTime{base + 0.4 * kSecond}), gbk("2017年5月13日9时5分3秒"));
  EXPECT_EQ(timeToText(DateTime{base + 0.6 * kSecond}), gbk("2017年5月13日9时5分4秒"));
  EXPECT_EQ(timeToText(DateTime{base - 0.6 * kSecond}), gbk("2017年5月13日9时5分2秒"));
  const double lastSecond = makeDateTime(2017, 12, 31, 23, 59, 59).days;
  EXPECT_EQ(timeToText(DateTime{lastSecond + 0.6 * kSecond}), gbk("2018年1月1日"));
  const double beforeEpoch = makeDateTime(1899, 12, 29, 23, 59, 59).days;
  EXPECT_EQ(timeToText(DateTime{beforeEpoch - 0.6 * kSecond}), gbk("1899年12月30日"));
}

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override { setClock({}); }
};

TEST_F(ClockTest, PinnedClockIsUsed) {
  setClock([] { return makeDateTime(2017, 5, 13, 9, 5, 3); });
  EXPECT_EQ(currentTime().days, makeDateTime(2017, 5, 13, 9, 5, 3).days);
  EXPECT_EQ(timeToText(currentTime()), gbk("2017年5月13日9时5分3秒"));
  setClock([] { return makeDateTime(2020, 1, 2); });
  EXPECT_EQ(timeToText(currentTime()), gbk("2020年1月2日"));
}

TEST_F(ClockTest, SystemClockGivesLocalWholeSeconds) {
  setClock([] { return DateTime{1}; });
  setClock({});
  const std::time_t before = std::time(nullptr);
  const DateTime now = currentTime();
  std::tm local{};
  ASSERT_NE(localtime_r(&before, &local), nullptr);
  const DateTime expected = makeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                         local.tm_hour, local.tm_min, local.tm_sec);
  EXPECT_NEAR(now.days, expected.days, 2 * kSecond);
  const double seconds = now.days * 86400;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
}

}  // namespace
}  // namespace brindlow
