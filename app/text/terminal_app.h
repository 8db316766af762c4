#pragma once

#include <functional>

#include "ui/text/terminal_view.h"
#include "ui/timer_scale.h"

namespace quorvan {

// Runs the main window in the terminal until the user quits; returns the exit status. The BSS
// source must be chosen before. `status`, asked before every draw, tells the status line where
// the list comes from, how the last query ended and why the list is empty. `tableUpdated`, when
// given, hears of the table every cycle after eviction (see MainWindowHost::TableUpdated).
// `details`, when given (it must outlive the call), is what the details, signal and channel
// views show of the cursor's network. `scale` runs the timers faster than real time.
int RunTerminal(const std::function<ViewStatus()>& status = {},
                std::function<void(const NetworkTable&)> tableUpdated = {},
                const DetailsStore* details = nullptr, TimerScale scale = {});

}  // namespace quorvan
