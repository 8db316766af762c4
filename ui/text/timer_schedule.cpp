#include "ui/text/timer_schedule.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quorvan {

void TimerSchedule::Start(int timer, int periodMs) {
  const auto period =
      std::chrono::milliseconds(std::max(scale_.PeriodMs(periodMs), kMinimumPeriodMs));
  timers_[timer] = {period, now_() + period, ++starts_};
}

void TimerSchedule::Kill(int timer) { timers_.erase(timer); }

std::chrono::milliseconds TimerSchedule::TimeToNext(std::chrono::milliseconds limit) const {
  const auto now = now_();
  auto next = now + limit;
  for (const auto& [timer, t] : timers_) next = std::min(next, t.due);
  // Rounded up, so that the wait ends when a timer is due rather than just before.
  return std::max(std::chrono::ceil<std::chrono::milliseconds>(next - now),
                  std::chrono::milliseconds(0));
}

int TimerSchedule::DeliverDue(const std::function<void(int)>& handler) {
  const auto now = now_();
  std::vector<std::pair<int, uint64_t>> due;  // timer, start
  for (const auto& [timer, t] : timers_) {
    if (t.due <= now) due.emplace_back(timer, t.start);
  }
  int delivered = 0;
  for (const auto& [timer, start] : due) {
    const auto it = timers_.find(timer);
    if (it == timers_.end() || it->second.start != start) continue;
    Timer& t = it->second;
    // The next boundary after now: the periods that went by unhandled are skipped.
    t.due += t.period * ((now - t.due) / t.period + 1);
    handler(timer);
    ++delivered;
  }
  return delivered;
}

}  // namespace quorvan
