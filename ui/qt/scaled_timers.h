#pragma once

// The behaviour's timers as Qt runs them, each period divided by the speed of a replay: the
// window and the headless sensor start them alike. Qt Core only.

#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "ui/timer_scale.h"

namespace quorvan {

class ScaledTimers {
 public:
  explicit ScaledTimers(TimerScale scale) : scale_(scale) {}

  // (Re)starts `timer`, which calls `fire(timer)` every `periodMs` / the speed.
  void Start(int timer, int periodMs, const std::function<void(int)>& fire) {
    auto& slot = timers_[timer];
    slot = std::make_unique<QTimer>();
    slot->setInterval(scale_.PeriodMs(periodMs));
    slot->setTimerType(Qt::PreciseTimer);  // keeps the tick and the cycle in step
    QObject::connect(slot.get(), &QTimer::timeout, [fire, timer] { fire(timer); });
    slot->start();
  }
  // The period `timer` runs at, 0 when it does not run.
  int PeriodMs(int timer) const {
    const auto it = timers_.find(timer);
    return it == timers_.end() ? 0 : it->second->interval();
  }
  void Clear() { timers_.clear(); }

 private:
  TimerScale scale_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace quorvan
