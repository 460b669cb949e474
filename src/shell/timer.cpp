#include "shell/timer.h"

#include <algorithm>

namespace brindlow {

Timer::Timer(QObject* parent) : QObject(parent) {
  // Qt's coarse timers may fire up to 5 % early; the period is a promise.
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &Timer::tick);
}

void Timer::setPeriod(Integer milliseconds) {
  const Integer period = std::max<Integer>(milliseconds, 0);
  if (period == period_) return;
  period_ = period;
  timer_.stop();
  if (period_ > 0) timer_.start(std::max(period_, kMinimumInterval));
}

}  // namespace brindlow
