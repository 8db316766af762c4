#pragma once

// --list as the program runs it, and writing to standard output with every failure said.

#include <string_view>

#include "app/linux/linux_extras.h"
#include "app/linux/options.h"
#include "app/linux/sources.h"

namespace quorvan {

// Writes all of `text` to standard output and flushes it; a full disk or a closed pipe is said,
// naming `what`, and gives exit status 1.
int WriteOut(std::string_view text, const char* what);

// The scan cycles back to back (one per line of a replay), on a real radio each after a fresh
// scan waited for; the list printed in the options' format; why the last query found nothing
// said on standard error; JSON with what `extras` keep of each BSS. Returns the exit status.
int RunList(const Options& options, const Sources& sources, LinuxExtras& extras);

}  // namespace quorvan
