#include "wlan/linux/scenario_service.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

#include "wlan/bss_entry.h"

namespace quorvan {

// Shared by the service, its sessions and its listener.
struct ScenarioReplay {
  std::function<bool(ScenarioLine&)> read;  // the next line; false after the last
  std::optional<ScenarioLine> pending;      // the line the next query gets
  std::optional<int64_t> servedTime;        // the time of the last query's line, where it has one
  bool served = false;  // a BSS list request of the query under way has set servedTime
  std::optional<ScenarioLine> after;  // the one after it, where it has been looked at

  void Advance() {
    if (after) {
      pending = std::move(after);
      after.reset();
      return;
    }
    ScenarioLine line;
    if (read && read(line)) {
      pending = std::move(line);
    } else {
      pending.reset();
    }
  }
  bool MoreAfterPending() {
    if (!pending) return false;
    if (!after) {
      ScenarioLine line;
      if (read && read(line)) after = std::move(line);
    }
    return after.has_value();
  }
  const ScenarioLine* Pending() const { return pending ? &*pending : nullptr; }
  bool PendingIs(QueryOutcome outcome) const {
    return Pending() != nullptr && Pending()->outcome == outcome;
  }
  static WlanFailure FailureOf(const ScenarioLine& line) {
    WlanFailure failure;
    failure.stage = WlanFailure::Stage::kScenarioLine;
    failure.scenarioLine = line.lineNumber;
    failure.scenarioOutcome = line.outcome;
    return failure;
  }
};

namespace {

class ScenarioSession : public WlanSession {
 public:
  using Replay = std::shared_ptr<ScenarioReplay>;
  explicit ScenarioSession(Replay replay) : replay_(std::move(replay)) {}

  DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
    if (replay_->PendingIs(QueryOutcome::kNoInterface)) {
      failure_ = ScenarioReplay::FailureOf(*replay_->Pending());
      return ERROR_SUCCESS;
    }
    out.push_back({ScenarioService::InterfaceGuid(), "scenario0"});
    return ERROR_SUCCESS;
  }

  DWORD Scan(const GUID& interfaceGuid, const DOT11_SSID*, const WLAN_RAW_DATA*) override {
    return IsOurs(interfaceGuid) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  }

  DWORD GetBssList(const GUID& interfaceGuid, const DOT11_SSID*, DOT11_BSS_TYPE, bool,
                   std::vector<WlanBss>& out) override {
    if (!IsOurs(interfaceGuid)) return ERROR_INVALID_PARAMETER;
    replay_->served = true;
    replay_->servedTime.reset();
    if (replay_->Pending() == nullptr) return ERROR_SUCCESS;
    const ScenarioLine line = std::move(*replay_->pending);
    replay_->servedTime = line.timeMs;
    replay_->Advance();
    if (line.outcome == QueryOutcome::kListed) {
      out.reserve(line.bsses.size());
      for (const BssObservation& bss : line.bsses) out.emplace_back(EntryFrom(bss), bss.ies);
      return ERROR_SUCCESS;
    }
    // A failure line meets a BSS list request only when a session outlives the line that let
    // it open; the request fails then, still for one line.
    failure_ = ScenarioReplay::FailureOf(line);
    switch (line.outcome) {
      case QueryOutcome::kNoService:
        return ERROR_SERVICE_NOT_ACTIVE;
      case QueryOutcome::kNoInterface:
        return ERROR_NOT_FOUND;
      default:
        return ERROR_GEN_FAILURE;
    }
  }

  WlanFailure Failure() const override { return failure_; }

 private:
  static bool IsOurs(const GUID& guid) {
    const GUID ours = ScenarioService::InterfaceGuid();
    return guid == ours;
  }
  Replay replay_;
  WlanFailure failure_;
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

ScenarioService::ScenarioService(std::function<bool(ScenarioLine&)> read, std::string source)
    : replay_(std::make_shared<ScenarioReplay>()), source_(std::move(source)) {
  replay_->read = std::move(read);
  replay_->Advance();
}

ScenarioService::~ScenarioService() = default;

std::string ScenarioService::Name() const { return "scenario " + source_; }

DWORD ScenarioService::Open(DWORD, std::unique_ptr<WlanSession>& session, WlanFailure& failure) {
  if (replay_->PendingIs(QueryOutcome::kNoService)) {
    failure = ScenarioReplay::FailureOf(*replay_->Pending());
    return ERROR_SERVICE_NOT_ACTIVE;
  }
  session = std::make_unique<ScenarioSession>(replay_);
  return ERROR_SUCCESS;
}

QueryListener ScenarioService::QueryEndListener() const {
  return
      [replay = replay_](QueryOutcome outcome, std::span<const BssObservation>, std::string_view) {
        // Only the two outcomes that end a query before its BSS list request; that request has
        // already consumed the line of every other query.
        if ((outcome == QueryOutcome::kNoService || outcome == QueryOutcome::kNoInterface) &&
            replay->PendingIs(outcome)) {
          replay->servedTime = replay->Pending()->timeMs;
          replay->Advance();
        } else if (!replay->served) {
          replay->servedTime.reset();  // the query ended before any line was its own
        }
        replay->served = false;
      };
}

std::function<std::optional<int64_t>()> ScenarioService::ServedTime() const {
  return [replay = replay_] { return replay->servedTime; };
}

std::function<bool()> ScenarioService::MoreAfterNextQuery() const {
  return [replay = replay_] { return replay->MoreAfterPending(); };
}

GUID ScenarioService::InterfaceGuid() {
  return GUID{0x5ce7a210, 0x0001, 0x0002, {0x71, 0x75, 0x6f, 0x72, 0x76, 0x61, 0x6e, 0x00}};
}

}  // namespace quorvan
