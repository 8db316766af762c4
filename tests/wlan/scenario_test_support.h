#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "tracking/scan_cycle.h"

namespace quorvan::testing {

// Every field of an observation, to compare two whole; gtest prints the tuples on a mismatch.
inline auto Fields(const BssObservation& o) {
  return std::tie(o.bssid, o.ssid, o.rssi, o.linkQuality, o.timestamp, o.hostTimestamp,
                  o.centerFrequency, o.beaconPeriod);
}

// A fresh empty file under /tmp, removed with the object.
class TempFile {
 public:
  TempFile() {
    char pattern[] = "/tmp/quorvan-scenario-XXXXXX";
    const int fd = mkstemp(pattern);
    EXPECT_GE(fd, 0);
    if (fd >= 0) close(fd);
    path_ = pattern;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& path() const { return path_; }
  void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string path_;
};

}  // namespace quorvan::testing
