#pragma once

#include <algorithm>
#include <climits>
#include <cmath>

namespace quorvan {

// How many times faster than real time a host runs the main window's timers. A replay at
// --speed 10 goes through the whole schedule (the query, the countdown, the scan request) ten
// times as fast; the behaviour counts timer events, not time, so it is unchanged.
struct TimerScale {
  double speed = 1.0;  // above 0 and finite; anything else leaves periods as they are

  // `periodMs` divided by the speed, rounded to whole ms and at least 1 ms.
  int PeriodMs(int periodMs) const {
    if (periodMs <= 0 || !(speed > 0) || !std::isfinite(speed)) return periodMs;
    const double scaled = std::round(periodMs / speed);
    return static_cast<int>(std::clamp(scaled, 1.0, static_cast<double>(INT_MAX)));
  }
};

}  // namespace quorvan
