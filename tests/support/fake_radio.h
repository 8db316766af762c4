#pragma once

// A WLAN service for tests of what sits above the Native Wifi functions: one interface, the
// prepared BSS lists one per query (the last repeats), and counts of what it was asked.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "wlan/link_quality.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan::testing {

struct FakeRadio {
  std::vector<std::vector<WLAN_BSS_ENTRY>> lists;
  int scans = 0, queries = 0, opened = 0, closed = 0;
};

inline WLAN_BSS_ENTRY BssEntry(unsigned id, std::string_view ssid, int32_t rssi) {
  WLAN_BSS_ENTRY entry{};
  std::memcpy(entry.dot11Ssid.ucSSID, ssid.data(), std::min<std::size_t>(ssid.size(), 32));
  entry.dot11Bssid[5] = static_cast<UCHAR>(id);
  entry.lRssi = rssi;
  entry.uLinkQuality = LinkQualityFromRssi(rssi);
  entry.ulChCenterFrequency = 2437000;
  return entry;
}

class FakeRadioService final : public WlanService {
  class Session final : public WlanSession {
   public:
    explicit Session(std::shared_ptr<FakeRadio> radio) : radio_(std::move(radio)) {}
    ~Session() override { ++radio_->closed; }
    DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
      out.push_back({GUID{7, 0, 0, {}}, "wlan0"});
      return ERROR_SUCCESS;
    }
    DWORD Scan(const GUID&, const DOT11_SSID*, const WLAN_RAW_DATA*) override {
      ++radio_->scans;
      return ERROR_SUCCESS;
    }
    DWORD GetBssList(const GUID&, const DOT11_SSID*, DOT11_BSS_TYPE, bool,
                     std::vector<WLAN_BSS_ENTRY>& out) override {
      const auto query = static_cast<std::size_t>(radio_->queries++);
      out = radio_->lists[std::min(query, radio_->lists.size() - 1)];
      return ERROR_SUCCESS;
    }

   private:
    std::shared_ptr<FakeRadio> radio_;
  };

 public:
  explicit FakeRadioService(std::shared_ptr<FakeRadio> radio) : radio_(std::move(radio)) {}
  std::string Name() const override { return "fake radio"; }
  DWORD Open(DWORD, std::unique_ptr<WlanSession>& session) override {
    ++radio_->opened;
    session = std::make_unique<Session>(radio_);
    return ERROR_SUCCESS;
  }

 private:
  std::shared_ptr<FakeRadio> radio_;
};

// Installs a fake radio behind the Native Wifi functions; give it at least one list.
inline std::shared_ptr<FakeRadio> InstallFakeRadio() {
  auto radio = std::make_shared<FakeRadio>();
  SetWlanService(std::make_unique<FakeRadioService>(radio));
  return radio;
}

}  // namespace quorvan::testing
