#pragma once

#include <functional>

#include "tracking/network_table.h"
#include "ui/timer_scale.h"

namespace quorvan {

// Runs the main window's schedule (a query at once and every 20 s, the scan request at the half)
// with no window and no terminal, in a core application that loads none of Qt's GUI plugins,
// until SIGTERM or SIGINT; then returns 0, the table destroyed. The BSS source must be chosen
// before. `tableUpdated`, when given, hears of the table every cycle after eviction (see
// MainWindowHost::TableUpdated). `scale` runs the timers faster than real time.
int RunHeadless(int argc, char** argv, std::function<void(const NetworkTable&)> tableUpdated = {},
                TimerScale scale = {});

}  // namespace quorvan
