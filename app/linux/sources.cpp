#include "app/linux/sources.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <utility>

#include "app/linux/messages.h"
#include "scenario/scenario_file.h"
#include "ui/ssid_text.h"
#include "wlan/linux/interface_probe.h"
#include "wlan/linux/monitor_service.h"
#include "wlan/linux/nl80211_service.h"
#include "wlan/linux/pcap_capture.h"
#include "wlan/linux/scenario_service.h"
#include "wlan/linux/simulated_service.h"

namespace quorvan {
namespace {

void Say(const std::string& text) { std::fprintf(stderr, "quorvan: %s\n", text.c_str()); }

// The replay of the scenario file, checked whole before anything runs, and the listener that
// tells it each query's end; false after saying why it cannot be replayed.
bool InstallReplay(const std::string& path, Sources& sources) {
  const std::string shownAs = EscapeSsid(path);
  ScenarioFile file;
  std::string error;
  if (!LoadScenarioFile(path, shownAs, file, error)) {
    Say(error);
    return false;
  }
  if (!file.torn.empty()) {
    Say(shownAs + ":" + file.torn +
        ": the last line, cut short as by a recording that stopped while writing it; "
        "replaying the lines before it");
  }
  auto service = file.linesKept ? std::make_unique<ScenarioService>(std::move(file.lines), shownAs)
                                : std::make_unique<ScenarioService>(std::move(file.text), shownAs);
  sources.tell = service->QueryEndListener();
  sources.recordedTime = service->ServedTime();
  sources.moreAfterNextQuery = service->MoreAfterNextQuery();
  SetWlanService(std::move(service));
  return true;
}

// The replay of a capture, read a window at a time as the queries come; its link type is
// checked before anything runs. What was skipped is said once, when the capture ends.
bool InstallCapture(const std::string& path, Sources& sources) {
  const std::string shownAs = path == "-" ? "standard input" : EscapeSsid(path);
  std::string error;
  std::shared_ptr<CaptureReader> reader = CaptureReader::Open(path, shownAs, error);
  if (!reader) {
    Say(error);
    return false;
  }
  auto read = [reader, shownAs, said = false](ScenarioLine& window) mutable {
    if (reader->Next(window)) return true;
    if (std::exchange(said, true)) return false;
    if (!reader->Overflow().empty()) Say(reader->Overflow() + "; replaying the frames before it");
    const PcapCapture& totals = reader->Totals();
    if (!totals.torn.empty()) {
      Say(shownAs + ": " + totals.torn +
          ": the capture ends inside a frame, as one cut short while writing it; replaying the "
          "frames before it");
    }
    const std::string skipped = SkippedFramesText(totals);
    if (!skipped.empty()) Say(shownAs + ": " + skipped);
    return false;
  };
  auto service = std::make_unique<ScenarioService>(std::move(read), shownAs);
  sources.tell = service->QueryEndListener();
  sources.recordedTime = service->ServedTime();
  sources.moreAfterNextQuery = service->MoreAfterNextQuery();
  SetWlanService(std::move(service));
  return true;
}

// A monitor interface, set up and checked before anything runs; one line says how it listens.
bool InstallMonitor(const Options& options, Sources& sources) {
  MonitorProblem problem;
  const std::shared_ptr<MonitorService> monitor =
      StartMonitor(options.monitor, options.channelsMhz, problem);
  if (!monitor) {
    Say(DescribeMonitorProblem(problem));
    return false;
  }
  Say(DescribeMonitorPlan(monitor->Plan()));
  sources.listen = [monitor] { monitor->WaitForRound(); };
  sources.monitor = std::shared_ptr<void>(nullptr, [monitor](void*) { monitor->Stop(); });
  ExchangeWlanService(monitor);
  return true;
}

}  // namespace

int64_t WallClockMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int Sources::RecordingStatus() const {
  if (!recorder || recorder->WriteError().empty()) return 0;
  Say("recording stopped: " + recorder->WriteError());
  return 1;
}

std::optional<Sources> InstallSources(const Options& options) {
  Sources sources;
  if (options.simulate) {
    SetWlanService(std::make_unique<SimulatedService>(options.seed));
  } else if (!options.scenario.empty()) {
    if (!InstallReplay(options.scenario, sources)) return std::nullopt;
  } else if (!options.pcap.empty()) {
    if (!InstallCapture(options.pcap, sources)) return std::nullopt;
  } else if (!options.monitor.empty()) {
    if (!InstallMonitor(options, sources)) return std::nullopt;
  } else {
    if (!options.interface.empty()) {
      const std::string refused = RefuseInterface(ProbeInterface(options.interface));
      if (!refused.empty()) {
        Say(refused);
        return std::nullopt;
      }
    }
    SetWlanService(std::make_unique<Nl80211Service>(options.interface));
  }
  if (!options.record.empty()) {
    // A file-size limit fails the write instead of ending the program, so the recorder can
    // cut its file back to the last whole line.
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    sources.recorder = QueryRecorder::Open(
        options.record, options.record == "-" ? "standard output" : EscapeSsid(options.record),
        error);
    if (!sources.recorder) {
      Say(error);
      return std::nullopt;
    }
    // A replay's recording keeps the times its lines were recorded at, and none where they
    // had none, so that it is the file replayed; a live source's keeps the clock's.
    sources.tell = [replay = std::move(sources.tell), recorder = sources.recorder,
                    recorded = sources.recordedTime](QueryOutcome outcome,
                                                     std::span<const BssObservation> observations,
                                                     std::string_view interfaceName) {
      if (replay) replay(outcome, observations, interfaceName);
      recorder->Record(outcome, observations, recorded ? recorded() : WallClockMs());
    };
  }
  return sources;
}

}  // namespace quorvan
