#pragma once

#include <functional>

#include "shell/values/text.h"

namespace brindlow {

// OLE automation date: days since 30 December 1899 00:00, fraction = time of day.
struct DateTime {
  double days;
};

// The local wall-clock time to the whole second, read through the clock seam.
DateTime currentTime();
// "2017年5月13日9时5分3秒", zero time parts dropped from the end (GBK bytes).
Text timeToText(DateTime d);

// Builds a date-time from calendar fields (proleptic Gregorian, local time).
DateTime makeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// The clock seam: tests pin the time; an empty function restores the system clock.
using Clock = std::function<DateTime()>;
void setClock(Clock clock);

}  // namespace brindlow
