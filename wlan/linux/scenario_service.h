#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scenario/scenario_file.h"
#include "wlan/linux/wlan_service.h"
#include "wlan/query_outcome.h"

namespace quorvan {

struct ScenarioReplay;

// Replays a scenario (scenario/scenario_file.h): every BSS list query is served the next line, and
// after the last line every query finds one interface with an empty list. Scan requests are
// accepted and consume nothing.
//
// Between two queries the service behaves as the next line says, for every caller: while it is
// {"error": "no-service"} opening fails (ERROR_SERVICE_NOT_ACTIVE), while it is
// {"error": "no-interface"} the interface list is empty, while it is {"error": "query-failed"}
// the BSS list request fails (ERROR_GEN_FAILURE). A scan request in between therefore fails
// the same way a real one would.
//
// A BSS list request consumes its line. A query that fails before it asks for one (no service,
// no interface) makes exactly the calls a scan request makes, so the service cannot tell the
// two apart by itself: the listener from QueryEndListener, called at the end of every
// QueryBssSnapshot, tells it that such a query has had its line.
//
//   ScenarioFile file;
//   if (!LoadScenarioFile(path, path, file, error)) ...    // "quorvan: " + error, exit 2
//   auto service = std::make_unique<ScenarioService>(std::move(file.text), path);
//   QueryListener replay = service->QueryEndListener();
//   SetWlanService(std::move(service));
//   SetQueryListener(replay);   // or a listener that calls it and a recorder's
class ScenarioService : public WlanService {
 public:
  // `source` names the scenario in Name(), usually the file's path.
  ScenarioService(std::vector<ScenarioLine> lines, std::string source);
  // The text of a file that LoadScenarioFile checked; its lines are parsed as they are served.
  ScenarioService(std::string text, std::string source);
  // Lines as `read` hands them out, one at a time; false after the last.
  ScenarioService(std::function<bool(ScenarioLine&)> read, std::string source);
  ~ScenarioService() override;

  std::string Name() const override;  // "scenario FILE"
  // A failure the scenario causes names its line (WlanFailure::Stage::kScenarioLine), here and
  // in the sessions' Failure().
  DWORD Open(DWORD clientVersion, std::unique_ptr<WlanSession>& session,
             WlanFailure& failure) override;

  // Shares the replay with the service, so it may outlive it.
  QueryListener QueryEndListener() const;
  // When the query that QueryEndListener heard last ran, as its line says ("time"); nothing
  // where the line has no time or the query had no line. Shares the replay likewise.
  std::function<std::optional<int64_t>()> ServedTime() const;
  // True while a line follows the one the next query gets: a run that ends with the replay
  // knows its last cycle before it runs it. Shares the replay, as QueryEndListener does.
  std::function<bool()> MoreAfterNextQuery() const;

  static GUID InterfaceGuid();

 private:
  std::shared_ptr<ScenarioReplay> replay_;
  std::string source_;
};

}  // namespace quorvan
