#pragma once

// A WLAN service for tests of what sits above the Native Wifi functions: it serves prepared BSS
// lists, one per query, and counts what it was asked.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "wlan/linux/wlan_service.h"

namespace quorvan::testing {

struct FakeRadio {
  std::vector<std::vector<WLAN_BSS_ENTRY>> lists;  // one per query; the last one repeats
  bool serviceDown = false;
  bool noInterface = false;
  int scans = 0;
  int queries = 0;
  int opened = 0;
  int closed = 0;
};

inline WLAN_BSS_ENTRY BssEntry(unsigned id, std::string_view ssid, int32_t rssi,
                               uint32_t frequencyKHz = 2437000) {
  WLAN_BSS_ENTRY entry{};
  const auto length = std::min<std::size_t>(ssid.size(), DOT11_SSID_MAX_LENGTH);
  std::memcpy(entry.dot11Ssid.ucSSID, ssid.data(), length);
  entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(length);
  const UCHAR bssid[6] = {
      0x02, 0x00, 0x00, 0x00, static_cast<UCHAR>(id >> 8), static_cast<UCHAR>(id)};
  std::memcpy(entry.dot11Bssid, bssid, sizeof bssid);
  entry.lRssi = rssi;
  entry.uLinkQuality = static_cast<ULONG>(std::clamp(2 * (rssi + 100), 0, 100));
  entry.usBeaconPeriod = 100;
  entry.ulChCenterFrequency = frequencyKHz;
  return entry;
}

class FakeRadioService final : public WlanService {
 public:
  explicit FakeRadioService(std::shared_ptr<FakeRadio> radio) : radio_(std::move(radio)) {}

  std::string Name() const override { return "fake radio"; }

  DWORD Open(DWORD, std::unique_ptr<WlanSession>& session) override {
    if (radio_->serviceDown) return ERROR_SERVICE_NOT_ACTIVE;
    ++radio_->opened;
    session = std::make_unique<Session>(radio_);
    return ERROR_SUCCESS;
  }

 private:
  class Session final : public WlanSession {
   public:
    explicit Session(std::shared_ptr<FakeRadio> radio) : radio_(std::move(radio)) {}
    ~Session() override { ++radio_->closed; }

    DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
      if (!radio_->noInterface) out.push_back({GUID{7, 0, 0, {}}, "wlan0"});
      return ERROR_SUCCESS;
    }
    DWORD Scan(const GUID&, const DOT11_SSID*, const WLAN_RAW_DATA*) override {
      ++radio_->scans;
      return ERROR_SUCCESS;
    }
    DWORD GetBssList(const GUID&, const DOT11_SSID*, DOT11_BSS_TYPE, bool,
                     std::vector<WLAN_BSS_ENTRY>& out) override {
      const auto& lists = radio_->lists;
      const std::size_t query = static_cast<std::size_t>(radio_->queries++);
      if (!lists.empty()) out = lists[std::min(query, lists.size() - 1)];
      return ERROR_SUCCESS;
    }

   private:
    std::shared_ptr<FakeRadio> radio_;
  };

  std::shared_ptr<FakeRadio> radio_;
};

// Installs a fake radio behind the Native Wifi functions for the life of a test.
inline std::shared_ptr<FakeRadio> InstallFakeRadio() {
  auto radio = std::make_shared<FakeRadio>();
  SetWlanService(std::make_unique<FakeRadioService>(radio));
  return radio;
}

}  // namespace quorvan::testing
