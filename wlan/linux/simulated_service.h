#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "wlan/linux/wlan_service.h"

namespace quorvan {

// A made-up radio environment for demos, screenshots and tests: about 25 BSSes in 2.4, 5 and
// 6 GHz, several sharing a name, hidden ones, a 32-byte name, names that are not ASCII or not
// even UTF-8, signals that wander, and BSSes that turn up after a while or go away for good,
// so that fading and eviction show within minutes.
//
// Pure logic: it never reads a clock. Every scan request and every BSS list query moves the
// simulated time on by kStepSeconds, so that the same seed and the same calls give the same
// lists. A scan request takes fresh readings; a query returns the readings of the latest scan,
// first scanning by itself when the latest is kBackgroundScanSteps steps old, as a real
// service's own periodic scans would.
class SimulatedRadio {
 public:
  static constexpr int64_t kStepSeconds = 10;
  static constexpr int64_t kBackgroundScanSteps = 3;

  explicit SimulatedRadio(uint64_t seed);
  ~SimulatedRadio();
  SimulatedRadio(const SimulatedRadio&) = delete;
  SimulatedRadio& operator=(const SimulatedRadio&) = delete;

  void Scan();
  std::vector<WlanBss> Query();

  // How many BSSes the environment knows, present or not.
  std::size_t RosterSize() const;

  static GUID InterfaceGuid();

 private:
  struct Bss;
  void TakeReadings();
  uint64_t NextRandom();

  std::vector<Bss> roster_;
  std::vector<WlanBss> readings_;
  uint64_t random_;
  int64_t step_ = 0;
  int64_t lastScanStep_ = 0;
};

class SimulatedService : public WlanService {
 public:
  explicit SimulatedService(uint64_t seed);
  ~SimulatedService() override;
  std::string Name() const override;
  DWORD Open(DWORD clientVersion, std::unique_ptr<WlanSession>& session,
             WlanFailure& failure) override;

 private:
  uint64_t seed_;
  // Shared by every session, as one radio is shared by every client of a real service.
  std::shared_ptr<SimulatedRadio> radio_;
};

}  // namespace quorvan
