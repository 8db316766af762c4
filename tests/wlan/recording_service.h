#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "wlan/linux/wlan_service.h"

namespace quorvan::testing {

// What the fake answers; every call succeeds unless told otherwise.
struct FakeWlan {
  DWORD openResult = ERROR_SUCCESS;
  DWORD enumResult = ERROR_SUCCESS;
  DWORD scanResult = ERROR_SUCCESS;
  DWORD bssListResult = ERROR_SUCCESS;
  std::vector<WlanInterface> interfaces = {{GUID{0x1111, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}}, "wlan0"}};
  std::vector<WLAN_BSS_ENTRY> entries;
  std::string lastFailure;
};

inline std::string GuidText(const GUID& guid) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(guid.Data1));
  return text;
}

// A WlanService that writes every call, with the arguments that matter, into a shared log.
// Closing a session also logs how many lists were still unfreed at that moment, so a test sees
// both that the lists were released and that they were released before the handle.
class RecordingService : public WlanService {
 public:
  using Log = std::vector<std::string>;

  RecordingService(FakeWlan fake, std::shared_ptr<Log> log)
      : fake_(std::move(fake)), log_(std::move(log)) {}

  std::string Name() const override { return "fake"; }
  std::string LastFailure() const override { return fake_.lastFailure; }

  DWORD Open(DWORD clientVersion, std::unique_ptr<WlanSession>& session) override {
    log_->push_back("open v" + std::to_string(clientVersion));
    if (fake_.openResult != ERROR_SUCCESS) return fake_.openResult;
    session = std::make_unique<Session>(fake_, log_);
    return ERROR_SUCCESS;
  }

 private:
  class Session : public WlanSession {
   public:
    Session(const FakeWlan& fake, std::shared_ptr<Log> log) : fake_(fake), log_(std::move(log)) {}
    ~Session() override {
      log_->push_back("close, lists unfreed: " + std::to_string(CurrentWlanLayerUsage().liveLists));
    }
    DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
      log_->push_back("enum");
      if (fake_.enumResult != ERROR_SUCCESS) return fake_.enumResult;
      out = fake_.interfaces;
      return ERROR_SUCCESS;
    }
    DWORD Scan(const GUID& guid, const DOT11_SSID* ssid, const WLAN_RAW_DATA* ie) override {
      log_->push_back("scan " + GuidText(guid) + (ssid ? " ssid" : " no-ssid") +
                      (ie ? " ie" : " no-ie"));
      return fake_.scanResult;
    }
    DWORD GetBssList(const GUID& guid, const DOT11_SSID* ssid, DOT11_BSS_TYPE type,
                     bool securityEnabled, std::vector<WLAN_BSS_ENTRY>& out) override {
      log_->push_back("bsslist " + GuidText(guid) + (ssid ? " ssid" : " no-ssid") + " type " +
                      std::to_string(type) + (securityEnabled ? " secure" : " open"));
      if (fake_.bssListResult != ERROR_SUCCESS) return fake_.bssListResult;
      out = fake_.entries;
      return ERROR_SUCCESS;
    }

   private:
    const FakeWlan& fake_;  // the service outlives its sessions
    std::shared_ptr<Log> log_;
  };

  FakeWlan fake_;
  std::shared_ptr<Log> log_;
};

// Installs a RecordingService and returns its log.
inline std::shared_ptr<RecordingService::Log> InstallRecordingService(FakeWlan fake) {
  auto log = std::make_shared<RecordingService::Log>();
  SetWlanService(std::make_unique<RecordingService>(std::move(fake), log));
  return log;
}

}  // namespace quorvan::testing
