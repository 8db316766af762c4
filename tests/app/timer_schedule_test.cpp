#include "ui/text/timer_schedule.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "app/main_window.h"
#include "tests/support/fake_wlan.h"
#include "ui/timer_scale.h"

namespace quorvan {
namespace {

using std::chrono::milliseconds;

// A clock that moves only when told, and the schedule it drives; `fired` records each handler
// run, timer by timer.
struct FakeClock {
  TimerSchedule::Clock::time_point now{std::chrono::hours(1)};
  TimerSchedule schedule{[this] { return now; }};
  std::vector<int> fired;

  void Advance(milliseconds by) { now += by; }
  int Deliver() {
    return schedule.DeliverDue([this](int timer) { fired.push_back(timer); });
  }
};

// However long the loop was held up, a due timer runs once, and the next run is at the next
// period boundary: no burst that catches up the missed periods, no shift of the phase.
TEST(TimerSchedule, StallRunsEachTimerOnceAndSkipsMissedPeriods) {
  const struct {
    int periodMs;
    int stallMs;
    int runs;      // at the wake-up after the stall
    int nextInMs;  // then, until the next run
  } cases[] = {
      {1000, 999, 0, 1},         // not due yet
      {1000, 1000, 1, 1000},     // due on the boundary
      {1000, 3000, 1, 1000},     // three periods missed exactly
      {20000, 45000, 1, 15000},  // a scan cycle held up past two periods
      {0, 25, 1, 5},             // too short a period runs every 10 ms, as SetTimer's shortest
      {-5, 9, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("period " + std::to_string(c.periodMs) + " ms, stall " +
                 std::to_string(c.stallMs) + " ms");
    FakeClock clock;
    clock.schedule.Start(7, c.periodMs);
    clock.Advance(milliseconds(c.stallMs));
    EXPECT_EQ(clock.Deliver(), c.runs);
    EXPECT_EQ(clock.fired, std::vector<int>(static_cast<std::size_t>(c.runs), 7));
    // The same wake-up again, or a loop that comes round at once: nothing is left pending.
    EXPECT_EQ(clock.Deliver(), 0);
    EXPECT_EQ(clock.schedule.TimeToNext(milliseconds(60000)), milliseconds(c.nextInMs));
    clock.Advance(milliseconds(c.nextInMs - 1));
    EXPECT_EQ(clock.Deliver(), 0);
    clock.Advance(milliseconds(1));
    EXPECT_EQ(clock.Deliver(), 1);
  }
}

// The terminal loop as it runs: wait until the next due time (at most a second), then deliver.
// The tenth tick's handler blocks for 3.5 s, as a scan request through NetworkManager may; the
// tick timer then runs once when the handler returns and goes on at its old phase.
TEST(TimerSchedule, HandlerThatBlocksIsFollowedByOneRunNotABurst) {
  FakeClock clock;
  const auto start = clock.now;
  std::vector<long long> ticks;  // ms from start
  clock.schedule.Start(2, 1000);
  while (clock.now - start < milliseconds(16000)) {
    clock.Advance(clock.schedule.TimeToNext(milliseconds(1000)));
    clock.schedule.DeliverDue([&](int) {
      ticks.push_back(std::chrono::duration_cast<milliseconds>(clock.now - start).count());
      if (ticks.size() == 10) clock.Advance(milliseconds(3500));
    });
  }
  const std::vector<long long> expected = {1000, 2000, 3000,  4000,  5000,  6000,  7000,
                                           8000, 9000, 10000, 13500, 14000, 15000, 16000};
  EXPECT_EQ(ticks, expected);
}

// Timers due at the same moment run in order of timer number, whatever order they were started
// in: the scan cycle (1) before the countdown tick (2), at every period.
TEST(TimerSchedule, TimersDueTogetherRunInTimerNumberOrder) {
  FakeClock clock;
  clock.schedule.Start(2, 1000);
  clock.schedule.Start(1, 20000);
  for (int second = 1; second <= 45; ++second) {
    clock.Advance(milliseconds(1000));
    clock.fired.clear();
    clock.Deliver();
    const std::vector<int> expected =
        second % 20 == 0 ? std::vector<int>{1, 2} : std::vector<int>{2};
    EXPECT_EQ(clock.fired, expected) << "at " << second << " s";
  }
  // Both held up together: still one run each, in the same order.
  clock.fired.clear();
  clock.Advance(milliseconds(45000));
  clock.Deliver();
  EXPECT_EQ(clock.fired, (std::vector<int>{1, 2}));
}

// A killed timer runs no more, not even a delivery that was due; starting a timer again begins
// a new period from then.
TEST(TimerSchedule, KillStopsAndStartAgainRestartsThePeriod) {
  FakeClock clock;
  clock.schedule.Start(1, 20000);
  clock.schedule.Start(2, 1000);
  clock.Advance(milliseconds(2500));
  EXPECT_EQ(clock.Deliver(), 1);
  clock.schedule.Kill(2);
  clock.schedule.Kill(5);  // never started: nothing happens
  EXPECT_FALSE(clock.schedule.Running(2));
  EXPECT_TRUE(clock.schedule.Running(1));
  clock.fired.clear();
  for (int i = 0; i < 40; ++i) {
    clock.Advance(milliseconds(1000));
    clock.Deliver();
  }
  EXPECT_EQ(clock.fired, (std::vector<int>{1, 1}));  // at 20 s and 40 s; the tick no more
  clock.schedule.Kill(1);
  EXPECT_EQ(clock.schedule.TimeToNext(milliseconds(1000)), milliseconds(1000));
  EXPECT_EQ(clock.Deliver(), 0);

  // Started again 300 ms into a period: due a whole period later, with the new period.
  clock.schedule.Start(3, 1000);
  clock.Advance(milliseconds(300));
  clock.schedule.Start(3, 500);
  EXPECT_EQ(clock.schedule.TimeToNext(milliseconds(5000)), milliseconds(500));

  // Both due; the first handler kills the second, which then does not run; a timer the handler
  // starts again is not run in the same round either.
  clock.schedule.Start(1, 1000);
  clock.schedule.Start(2, 1000);
  clock.schedule.Kill(3);
  clock.Advance(milliseconds(1000));
  clock.fired.clear();
  clock.schedule.DeliverDue([&](int timer) {
    clock.fired.push_back(timer);
    if (timer == 1) clock.schedule.Kill(2);
  });
  EXPECT_EQ(clock.fired, std::vector<int>{1});
  clock.schedule.Start(2, 1000);
  clock.Advance(milliseconds(1000));
  clock.fired.clear();
  clock.schedule.DeliverDue([&](int timer) {
    clock.fired.push_back(timer);
    if (timer == 1) clock.schedule.Start(2, 1000);
  });
  EXPECT_EQ(clock.fired, std::vector<int>{1});
  EXPECT_EQ(clock.schedule.TimeToNext(milliseconds(5000)), milliseconds(1000));
}

TEST(TimerScale, DividesPeriodsByTheSpeed) {
  const struct {
    int periodMs;
    double speed;
    int scaledMs;
  } cases[] = {
      {kScanTimerMs, 10, 2000},
      {kTickTimerMs, 0.5, 2000},
      {kTickTimerMs, 1.6, 625},  // rounded to the nearest ms
      {kTickTimerMs, 5000, 1},   // never below 1 ms
      {kTickTimerMs, 1e-300, INT_MAX},
      // Not a speed: the period is left alone rather than made zero or undefined.
      {kTickTimerMs, 0, 1000},
      {kTickTimerMs, std::numeric_limits<double>::quiet_NaN(), 1000},
      {kTickTimerMs, std::numeric_limits<double>::infinity(), 1000},
      {0, 10, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.periodMs) + " ms at speed " + std::to_string(c.speed));
    EXPECT_EQ(TimerScale{c.speed}.PeriodMs(c.periodMs), c.scaledMs);
  }
}

// The terminal view's host: its timers go into a schedule with the replay's scale.
class ScheduledHost final : public HeadlessHost {
 public:
  ScheduledHost(const TimerSchedule::Clock::time_point& now, double speed)
      : schedule_([&now] { return now; }, TimerScale{speed}) {}
  void StartTimer(int timer, int periodMs) override { schedule_.Start(timer, periodMs); }
  TimerSchedule& Schedule() { return schedule_; }

 private:
  TimerSchedule schedule_;
};

// Faster, the whole schedule keeps its shape: the scan request at the tenth tick, the next
// query at the twentieth, the title counting from 19 down, each step `1000 / speed` ms apart.
TEST(TimerSchedule, ScaledRunsTheMainWindowsScheduleFaster) {
  for (const double speed : {1.0, 0.5, 100.0}) {
    SCOPED_TRACE("speed " + std::to_string(speed));
    testing::ScopedFakeWlan radio{{.lists = {{testing::BssEntry(1, "home", -50)}}}};
    TimerSchedule::Clock::time_point now{std::chrono::hours(1)};
    ScheduledHost host(now, speed);
    CquorvanDlg dialog(host);
    dialog.OnInitDialog();
    const auto tick = milliseconds(std::lround(kTickTimerMs / speed));
    EXPECT_EQ(host.Schedule().TimeToNext(milliseconds(60000)), tick);
    auto runUntil = [&](std::chrono::milliseconds at) {
      const auto end = TimerSchedule::Clock::time_point{std::chrono::hours(1)} + at;
      while (now < end) {
        now += milliseconds(1);
        host.Schedule().DeliverDue([&](int timer) { dialog.OnTimer(timer); });
      }
    };
    runUntil(tick);
    EXPECT_EQ(host.Title(), "Quorvan_V20160130: oqli - 19");
    runUntil(tick * 10 - milliseconds(1));
    EXPECT_EQ(radio->scans, 0);
    runUntil(tick * 10);
    EXPECT_EQ(radio->scans, 1);
    EXPECT_EQ(host.Title(), "Quorvan_V20160130: oqli - 10");
    runUntil(tick * 20 - milliseconds(1));
    EXPECT_EQ(radio->queries, 1);
    EXPECT_EQ(host.Title(), "Quorvan_V20160130: oqli - 1");
    runUntil(tick * 20);
    EXPECT_EQ(radio->queries, 2);
    runUntil(tick * 21);
    EXPECT_EQ(host.Title(), "Quorvan_V20160130: oqli - 18");
    dialog.OnDestroy();
  }
}

}  // namespace
}  // namespace quorvan
