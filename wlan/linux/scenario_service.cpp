#include "wlan/linux/scenario_service.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

namespace quorvan {

// Shared by the service, its sessions and its listener.
struct ScenarioReplay {
  std::function<bool(ScenarioLine&)> read;  // the next line; false after the last
  std::optional<ScenarioLine> pending;      // the line the next query gets
  std::string lastFailure;

  void Advance() {
    ScenarioLine line;
    if (read && read(line)) {
      pending = std::move(line);
    } else {
      pending.reset();
    }
  }
  const ScenarioLine* Pending() const { return pending ? &*pending : nullptr; }
  bool PendingIs(QueryOutcome outcome) const {
    return Pending() != nullptr && Pending()->outcome == outcome;
  }
  void Fail(const ScenarioLine& line, const char* what) {
    lastFailure = "line " + std::to_string(line.lineNumber) + " of the scenario is {\"error\": \"" +
                  what + "\"}";
  }
};

namespace {

WLAN_BSS_ENTRY EntryFrom(const BssObservation& bss) {
  WLAN_BSS_ENTRY entry = {};
  std::copy(bss.ssid.begin(), bss.ssid.end(), entry.dot11Ssid.ucSSID);
  // The name and whatever non-zero bytes follow a zero in it; nothing in quorvan reads this.
  const auto last = std::find_if(bss.ssid.rbegin(), bss.ssid.rend(), [](uint8_t b) { return b; });
  entry.dot11Ssid.uSSIDLength = static_cast<ULONG>(bss.ssid.rend() - last);
  std::copy(bss.bssid.begin(), bss.bssid.end(), entry.dot11Bssid);
  entry.lRssi = bss.rssi;
  entry.uLinkQuality = bss.linkQuality;
  entry.usBeaconPeriod = bss.beaconPeriod;
  entry.ullTimestamp = bss.timestamp;
  entry.ullHostTimestamp = bss.hostTimestamp;
  entry.ulChCenterFrequency = bss.centerFrequency;
  return entry;
}

class ScenarioSession : public WlanSession {
 public:
  using Replay = std::shared_ptr<ScenarioReplay>;
  explicit ScenarioSession(Replay replay) : replay_(std::move(replay)) {}

  DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
    if (replay_->PendingIs(QueryOutcome::kNoInterface)) {
      replay_->Fail(*replay_->Pending(), "no-interface");
      return ERROR_SUCCESS;
    }
    out.push_back({ScenarioService::InterfaceGuid(), "scenario0"});
    return ERROR_SUCCESS;
  }

  DWORD Scan(const GUID& interfaceGuid, const DOT11_SSID*, const WLAN_RAW_DATA*) override {
    return IsOurs(interfaceGuid) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  }

  DWORD GetBssList(const GUID& interfaceGuid, const DOT11_SSID*, DOT11_BSS_TYPE, bool,
                   std::vector<WLAN_BSS_ENTRY>& out) override {
    if (!IsOurs(interfaceGuid)) return ERROR_INVALID_PARAMETER;
    if (replay_->Pending() == nullptr) return ERROR_SUCCESS;
    const ScenarioLine served = std::move(*replay_->pending);
    const ScenarioLine* line = &served;
    replay_->Advance();
    // A failure line meets a BSS list request only when a session outlives the line that let
    // it open; the request fails then, still for one line.
    switch (line->outcome) {
      case QueryOutcome::kListed:
        out.reserve(line->bsses.size());
        for (const BssObservation& bss : line->bsses) out.push_back(EntryFrom(bss));
        return ERROR_SUCCESS;
      case QueryOutcome::kListFailed:
        replay_->Fail(*line, "query-failed");
        return ERROR_GEN_FAILURE;
      case QueryOutcome::kNoService:
        replay_->Fail(*line, "no-service");
        return ERROR_SERVICE_NOT_ACTIVE;
      case QueryOutcome::kNoInterface:
        replay_->Fail(*line, "no-interface");
        return ERROR_NOT_FOUND;
    }
    return ERROR_GEN_FAILURE;
  }

 private:
  static bool IsOurs(const GUID& guid) {
    const GUID ours = ScenarioService::InterfaceGuid();
    return guid == ours;
  }
  Replay replay_;
};

}  // namespace

ScenarioService::ScenarioService(std::vector<ScenarioLine> lines, std::string source)
    : replay_(std::make_shared<ScenarioReplay>()), source_(std::move(source)) {
  replay_->read = [lines = std::move(lines), next = std::size_t{0}](ScenarioLine& line) mutable {
    if (next == lines.size()) return false;
    line = std::move(lines[next++]);
    return true;
  };
  replay_->Advance();
}

ScenarioService::ScenarioService(std::string text, std::string source)
    : replay_(std::make_shared<ScenarioReplay>()), source_(std::move(source)) {
  auto kept = std::make_shared<const std::string>(std::move(text));
  replay_->read = [kept, cursor = ScenarioCursor(*kept)](ScenarioLine& line) mutable {
    std::string error;
    return cursor.Next(line, error) == ScenarioCursor::Step::kLine;
  };
  replay_->Advance();
}

ScenarioService::~ScenarioService() = default;

std::string ScenarioService::Name() const { return "scenario " + source_; }

DWORD ScenarioService::Open(DWORD, std::unique_ptr<WlanSession>& session) {
  if (replay_->PendingIs(QueryOutcome::kNoService)) {
    replay_->Fail(*replay_->Pending(), "no-service");
    return ERROR_SERVICE_NOT_ACTIVE;
  }
  session = std::make_unique<ScenarioSession>(replay_);
  return ERROR_SUCCESS;
}

std::string ScenarioService::LastFailure() const { return replay_->lastFailure; }

QueryListener ScenarioService::QueryEndListener() const {
  return [replay = replay_](QueryOutcome outcome, std::span<const BssObservation>) {
    // Only the two outcomes that end a query before its BSS list request; that request has
    // already consumed the line of every other query.
    if ((outcome == QueryOutcome::kNoService || outcome == QueryOutcome::kNoInterface) &&
        replay->PendingIs(outcome)) {
      replay->Advance();
    }
  };
}

GUID ScenarioService::InterfaceGuid() {
  return GUID{0x5ce7a210, 0x0001, 0x0002, {0x71, 0x75, 0x6f, 0x72, 0x76, 0x61, 0x6e, 0x00}};
}

}  // namespace quorvan
