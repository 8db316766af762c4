#pragma once

namespace quorvan {

// Runs the main window in the terminal until the user quits; returns the exit status. The BSS
// source must be chosen before.
int RunTerminal();

}  // namespace quorvan
