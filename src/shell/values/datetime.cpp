#include "shell/values/datetime.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <utility>

namespace brindlow {

namespace {

// Days from 30 December 1899 (day 0 of the OLE date) to 1 January 1970.
constexpr std::int64_t kOleToUnixDays = 25569;
// 1 January 100 and 31 December 9999, the range that timeToText writes.
constexpr std::int64_t kFirstDay = -657434;
constexpr std::int64_t kLastDay = 2958465;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days since 1 January 1970 of a proleptic Gregorian date (month 1-12).
std::int64_t daysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
  std::int64_t year;
  int month;
  int day;
};

CivilDate civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// An OLE date as a day index in calendar order and the time of day in whole
// seconds. Below zero the integer part still names the day and the fraction,
// whatever its sign, is the time of that day: -1.25 is 29 December 1899 06:00.
void splitDate(double days, std::int64_t& day, std::int64_t& seconds) {
  if (std::isnan(days)) {
    day = 0;
    seconds = 0;
    return;
  }
  // Far outside the range the result is clamped anyway; this keeps the
  // integer conversion defined.
  if (days > double(kLastDay + 2)) days = double(kLastDay + 2);
  if (days < double(kFirstDay - 2)) days = double(kFirstDay - 2);
  const double whole = std::trunc(days);
  day = static_cast<std::int64_t>(whole);
  seconds = std::llround(std::fabs(days - whole) * double(kSecondsPerDay));
  if (seconds >= kSecondsPerDay) {
    ++day;
    seconds -= kSecondsPerDay;
  }
  if (day > kLastDay) {
    day = kLastDay;
    seconds = 0;
  } else if (day < kFirstDay) {
    day = kFirstDay;
    seconds = 0;
  }
}

void appendNumber(Text& out, std::int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// The unit characters in code page 936.
constexpr char kYear[] = "\xC4\xEA";    // 年
constexpr char kMonth[] = "\xD4\xC2";   // 月
constexpr char kDay[] = "\xC8\xD5";     // 日
constexpr char kHour[] = "\xCA\xB1";    // 时
constexpr char kMinute[] = "\xB7\xD6";  // 分
constexpr char kSecond[] = "\xC3\xEB";  // 秒

DateTime systemTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return DateTime{0};
  return makeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec);
}

std::mutex& clockMutex() {
  static std::mutex mutex;
  return mutex;
}

Clock& installedClock() {
  static Clock clock;
  return clock;
}

}  // namespace

DateTime makeDateTime(int year, int month, int day, int hour, int minute, int second) {
  // Fields out of their range carry into the next larger one.
  const std::int64_t months = std::int64_t{month} - 1;
  const std::int64_t y = year + floorDiv(months, 12);
  const std::int64_t m = months - floorDiv(months, 12) * 12 + 1;
  const std::int64_t totalSeconds =
      std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + std::int64_t{second};
  const std::int64_t extraDays = floorDiv(totalSeconds, kSecondsPerDay);
  const std::int64_t seconds = totalSeconds - extraDays * kSecondsPerDay;
  const std::int64_t index =
      daysFromCivil(y, m, 1) + (std::int64_t{day} - 1) + extraDays + kOleToUnixDays;
  const double time = double(seconds) / double(kSecondsPerDay);
  return DateTime{index >= 0 ? double(index) + time : double(index) - time};
}

DateTime currentTime() {
  Clock clock;
  {
    std::lock_guard<std::mutex> lock(clockMutex());
    clock = installedClock();
  }
  return clock ? clock() : systemTime();
}

void setClock(Clock clock) {
  std::lock_guard<std::mutex> lock(clockMutex());
  installedClock() = std::move(clock);
}

Text timeToText(DateTime d) {
  std::int64_t day = 0;
  std::int64_t seconds = 0;
  splitDate(d.days, day, seconds);
  const CivilDate date = civilFromDays(day - kOleToUnixDays);
  const std::int64_t hour = seconds / 3600;
  const std::int64_t minute = seconds / 60 % 60;
  const std::int64_t second = seconds % 60;

  Text out;
  out.reserve(32);
  appendNumber(out, date.year);
  out += kYear;
  appendNumber(out, date.month);
  out += kMonth;
  appendNumber(out, date.day);
  out += kDay;
  // Zero parts are dropped from the end: 9时5分, 14时, nothing at midnight.
  const int parts = second != 0 ? 3 : minute != 0 ? 2 : hour != 0 ? 1 : 0;
  if (parts >= 1) {
    appendNumber(out, hour);
    out += kHour;
  }
  if (parts >= 2) {
    appendNumber(out, minute);
    out += kMinute;
  }
  if (parts >= 3) {
    appendNumber(out, second);
    out += kSecond;
  }
  return out;
}

}  // namespace brindlow
