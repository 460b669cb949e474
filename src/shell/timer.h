#pragma once

#include <QObject>
#include <QTimer>

#include "shell/values/text.h"

namespace brindlow {

// A window's timer control: one period in milliseconds, one event (tick).
// Period 0 is stopped; a negative period counts as 0; setting the current
// value changes nothing; any other value restarts the countdown.
class Timer : public QObject {
  Q_OBJECT
 public:
  explicit Timer(QObject* parent = nullptr);

  void setPeriod(Integer milliseconds);
  Integer period() const { return period_; }

  // The shortest interval the timer really runs at, as on Windows.
  static constexpr Integer kMinimumInterval = 10;

 signals:
  void tick();

 private:
  QTimer timer_;
  Integer period_ = 0;
};

}  // namespace brindlow
