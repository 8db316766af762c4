#pragma once

#include <utility>

#include "tracking/network_table.h"
#include "wlan/query_outcome.h"

namespace quorvan {

// Asks the WLAN service for a fresh scan of the first wireless interface and returns without
// waiting for it. 0 accepted, 1 no client handle, 2 no interface list (or an empty one),
// 3 the scan request was refused.
int RequestScan();

// Merges the BSS list that the WLAN service holds for the first wireless interface into
// `table`. 2 when the interfaces cannot be listed or there is none (the table is untouched),
// otherwise 0, also when the BSS list itself could not be had (the table is untouched then).
int QueryBssSnapshot(NetworkTable& table);

// Installs the one listener of the process (an empty function removes it) and returns the one
// it replaces.
QueryListener SetQueryListener(QueryListener listener);

// Hears the result of every RequestScan, as it returns it: for counts kept beside the table.
using ScanListener = std::function<void(int result)>;

// Installs the one scan listener of the process (an empty function removes it) and returns the
// one it replaces.
ScanListener SetScanListener(ScanListener listener);

// Installs a listener for the life of the guard, then puts back the one it replaced.
class ScopedQueryListener {
 public:
  explicit ScopedQueryListener(QueryListener listener)
      : previous_(SetQueryListener(std::move(listener))) {}
  ~ScopedQueryListener() { SetQueryListener(std::move(previous_)); }
  ScopedQueryListener(const ScopedQueryListener&) = delete;
  ScopedQueryListener& operator=(const ScopedQueryListener&) = delete;

 private:
  QueryListener previous_;
};

}  // namespace quorvan
