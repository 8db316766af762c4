#pragma once

// The WLAN service of the tests: answers each call as told, logs the calls with what matters of
// their arguments, and counts them. Installed behind the Native Wifi functions for the life of a
// guard, like any service.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wlan/link_quality.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan::testing {

// A BSS on channel 6: `id` is the last byte of its BSSID.
inline WLAN_BSS_ENTRY BssEntry(unsigned id, std::string_view ssid, int32_t rssi) {
  WLAN_BSS_ENTRY entry{};
  const std::size_t length = std::min<std::size_t>(ssid.size(), DOT11_SSID_MAX_LENGTH);
  std::memcpy(entry.dot11Ssid.ucSSID, ssid.data(), length);
  entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(length);
  entry.dot11Bssid[5] = static_cast<UCHAR>(id);
  entry.lRssi = rssi;
  entry.uLinkQuality = LinkQualityFromRssi(rssi);
  entry.ulChCenterFrequency = 2437000;
  return entry;
}

// A name that uSSIDLength understates (the name ends at its first zero byte all the same), and
// a whole 32-byte name with no zero byte.
inline std::vector<WlanBss> AwkwardNames() {
  WLAN_BSS_ENTRY understated = BssEntry(0, "abcdef", -60), whole = BssEntry(0, "", -70);
  understated.dot11Bssid[0] = 7, whole.dot11Bssid[0] = 8;
  understated.dot11Ssid.uSSIDLength = 2;
  std::memcpy(whole.dot11Ssid.ucSSID, "0123456789abcdef0123456789ABCDEF", DOT11_SSID_MAX_LENGTH);
  whole.dot11Ssid.uSSIDLength = DOT11_SSID_MAX_LENGTH;
  return {understated, whole};
}

// What the fake answers. By default every call succeeds; two interfaces (the second with a
// name longer than the API holds) and one BSS list, AwkwardNames().
struct FakeAnswers {
  DWORD open = ERROR_SUCCESS, enumerate = ERROR_SUCCESS, scan = ERROR_SUCCESS, list = ERROR_SUCCESS;
  std::vector<WlanInterface> interfaces = {{GUID{1, 0, 0, {}}, "wlan0"},
                                           {GUID{2, 0, 0, {}}, std::string(300, 'x')}};
  // The BSS list of each query in turn; the last one repeats.
  std::vector<std::vector<WlanBss>> lists = {AwkwardNames()};
  bool waits = false;  // a service with scan events, whose wait ends as `end` says
  ScanEnd end = ScanEnd::kFinished;
  WlanFailure failure = {};  // what a failed Open and the sessions' Failure() say
};

// The answers and what was asked.
struct FakeWlan : FakeAnswers {
  std::string log = {};  // " open2 enum scan1 list1 type3 secure close0": calls and arguments
  int opened = 0, closed = 0, scans = 0, queries = 0;
};

class FakeWlanService final : public WlanService {
 public:
  explicit FakeWlanService(std::shared_ptr<FakeWlan> fake) : f_(std::move(fake)) {}
  std::string Name() const override { return "fake"; }
  DWORD Open(DWORD version, std::unique_ptr<WlanSession>& session, WlanFailure& failure) override {
    f_->log += " open" + std::to_string(version);
    if (f_->open != ERROR_SUCCESS) {
      failure = f_->failure;
      return f_->open;
    }
    ++f_->opened;
    session = std::make_unique<Session>(f_);
    return ERROR_SUCCESS;
  }

 private:
  class Session final : public WlanSession {
   public:
    explicit Session(std::shared_ptr<FakeWlan> fake) : f_(std::move(fake)) {}
    // With the lists the caller still holds: 0 when it freed them before closing.
    ~Session() override {
      ++f_->closed;
      f_->log += " close" + std::to_string(CurrentWlanLayerUsage().liveLists);
    }
    DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
      f_->log += " enum";
      if (f_->enumerate == ERROR_SUCCESS) out = f_->interfaces;
      return f_->enumerate;
    }
    DWORD Scan(const GUID& guid, const DOT11_SSID* ssid, const WLAN_RAW_DATA* ie) override {
      ++f_->scans;
      f_->log += " scan" + std::to_string(guid.Data1) + (ssid || ie ? "+data" : "");
      return f_->scan;
    }
    DWORD ScanAndWait(const GUID& guid, std::chrono::milliseconds limit, ScanEnd& end) override {
      if (!f_->waits) return WlanSession::ScanAndWait(guid, limit, end);
      ++f_->scans;
      f_->log += " wait" + std::to_string(guid.Data1) + "/" + std::to_string(limit.count());
      end = f_->end;
      return f_->scan;
    }
    DWORD GetBssList(const GUID& guid, const DOT11_SSID* ssid, DOT11_BSS_TYPE type, bool secure,
                     std::vector<WlanBss>& out) override {
      const auto query = static_cast<std::size_t>(f_->queries++);
      f_->log += " list" + std::to_string(guid.Data1) + " type" + std::to_string(type) +
                 (secure ? " secure" : "") + (ssid ? "+ssid" : "");
      if (f_->list == ERROR_SUCCESS && !f_->lists.empty()) {
        out = f_->lists[std::min(query, f_->lists.size() - 1)];
      }
      return f_->list;
    }
    WlanFailure Failure() const override { return f_->failure; }

   private:
    std::shared_ptr<FakeWlan> f_;
  };

  std::shared_ptr<FakeWlan> f_;
};

// A fake installed for the life of this object, then the service it replaced put back.
class ScopedFakeWlan {
 public:
  explicit ScopedFakeWlan(FakeAnswers answers = {})
      : fake_(std::make_shared<FakeWlan>(FakeWlan{std::move(answers)})),
        installed_(std::make_unique<FakeWlanService>(fake_)) {}
  FakeWlan* operator->() const { return fake_.get(); }
  FakeWlan& operator*() const { return *fake_; }

 private:
  std::shared_ptr<FakeWlan> fake_;
  ScopedWlanService installed_;
};

}  // namespace quorvan::testing
