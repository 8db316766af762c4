#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

#include "ui/timer_scale.h"

namespace quorvan {

// The main window's timers for a shell that waits for input itself, delivered as Windows
// delivers WM_TIMER. A timer falls due every period from its start. However long the loop was
// held up (a blocking scan request can take seconds), a due timer runs its handler once, and its
// next due time is the first period boundary after that: Windows keeps at most one WM_TIMER
// pending per timer, so missed periods are skipped, never caught up in a burst.
class TimerSchedule {
 public:
  using Clock = std::chrono::steady_clock;
  // Shorter periods are raised to this, as SetTimer raises them (USER_TIMER_MINIMUM); also what
  // keeps a zero or negative period from falling due without end.
  static constexpr int kMinimumPeriodMs = 10;

  // `now` tells the time; a test passes a clock it moves itself. `scale` divides every period
  // Start is given (a replay run faster than real time).
  explicit TimerSchedule(std::function<Clock::time_point()> now = Clock::now, TimerScale scale = {})
      : now_(std::move(now)), scale_(scale) {}

  // Starts `timer` with a period in ms (before the scale); a timer already running starts again
  // with the new period, from now, as SetTimer does with a timer number in use.
  void Start(int timer, int periodMs);
  // Stops `timer`, a due delivery included; a timer not running is left alone.
  void Kill(int timer);
  bool Running(int timer) const { return timers_.contains(timer); }

  // How long until the first timer falls due, rounded up to whole ms: zero when one is due,
  // `limit` when none falls due sooner or none runs.
  std::chrono::milliseconds TimeToNext(std::chrono::milliseconds limit) const;

  // Runs `handler(timer)` once for each timer due now, in order of timer number, each after
  // its next due time has moved past now. A timer that an earlier handler of the same round
  // kills or starts again is not run in it. Returns how many handlers ran.
  int DeliverDue(const std::function<void(int timer)>& handler);

 private:
  struct Timer {
    Clock::duration period;
    Clock::time_point due;
    uint64_t start;  // which Start made it, to tell a timer started again in a round
  };

  std::function<Clock::time_point()> now_;
  TimerScale scale_;
  std::map<int, Timer> timers_;  // by timer number, the order of delivery
  uint64_t starts_ = 0;
};

}  // namespace quorvan
