#pragma once

#include <functional>
#include <string>

namespace quorvan {

// Runs the main window in the terminal until the user quits; returns the exit status. The BSS
// source must be chosen before. `emptyListReason`, asked before every draw, says why the list
// is empty ("" for nothing to say); the status line shows it while there is no row.
int RunTerminal(const std::function<std::string()>& emptyListReason = {});

}  // namespace quorvan
