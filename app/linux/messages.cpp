#include "app/linux/messages.h"

#include <netlink/errno.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ui/ssid_text.h"

namespace quorvan {
namespace {

// "wlan0 is down", "wlan0 and wlan1 are down", "wlan0, wlan1 and wlan2 are down".
std::string DownList(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i].empty() ? "an unnamed interface" : EscapeSsid(names[i]);
  }
  return text + (names.size() == 1 ? " is down" : " are down");
}

// The error numbers of the Native Wifi functions, where no failure says more. No number is
// shown: on Linux a Windows error number means nothing to the reader.
std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return "no error";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_INVALID_HANDLE:
      return "invalid handle";
    case ERROR_NOT_ENOUGH_MEMORY:
      return "not enough memory";
    case ERROR_GEN_FAILURE:
      return "the device failed";
    case ERROR_NOT_SUPPORTED:
      return "not supported";
    case ERROR_INVALID_PARAMETER:
      return "invalid parameter";
    case ERROR_BUSY:
      return "busy";
    case ERROR_SERVICE_NOT_ACTIVE:
      return "no WLAN service is running";
    case ERROR_NOT_FOUND:
      return "interface not found";
    default:
      return "error " + std::to_string(error);
  }
}

// What the system answered: the kernel's errno, else libnl's code.
std::string SystemAnswer(const WlanFailure& failure) {
  if (failure.systemError != 0) return std::strerror(failure.systemError);
  if (failure.libnlError != 0) return nl_geterror(failure.libnlError);
  return "no reason given";
}

const char* ScenarioErrorName(QueryOutcome outcome) {
  switch (outcome) {
    case QueryOutcome::kNoService:
      return "no-service";
    case QueryOutcome::kNoInterface:
      return "no-interface";
    case QueryOutcome::kListFailed:
      return "query-failed";
    case QueryOutcome::kListed:
      break;
  }
  return "listed";
}

bool ScanNeedsPrivilege(const WlanFailure& failure) {
  return failure.stage == WlanFailure::Stage::kScanRequest &&
         (failure.systemError == EPERM || failure.systemError == EACCES);
}

// The first letter in upper case, for a clause of ours that starts a sentence of its own.
std::string Sentence(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

}  // namespace

std::string DescribeFailure(const WlanFailure& failure, DWORD error) {
  using enum WlanFailure::Stage;
  switch (failure.stage) {
    case kNone:
      break;
    case kNetlink:
      return "no generic netlink socket: " + SystemAnswer(failure);
    case kNoNl80211:
      return "this kernel has no Wi-Fi support (nl80211 is missing)";
    case kInterfaces:
      return "listing the interfaces: " + SystemAnswer(failure);
    case kScanRequest: {
      std::string text = ScanNeedsPrivilege(failure)
                             ? std::string("a fresh scan needs CAP_NET_ADMIN")
                             : "the scan request failed: " + SystemAnswer(failure);
      if (!failure.networkManagerRefusal.empty()) {
        text += ", and NetworkManager refused it (" + failure.networkManagerRefusal + ")";
      }
      return text;
    }
    case kScanResults:
      return "reading the scan results: " + SystemAnswer(failure);
    case kScenarioLine:
      return "line " + std::to_string(failure.scenarioLine) + " of the scenario is {\"error\": \"" +
             ScenarioErrorName(failure.scenarioOutcome) + "\"}";
  }
  return ErrorText(error);
}

std::string DescribeDiagnosis(const WlanDiagnosis& diagnosis) {
  using enum WlanDiagnosis::Problem;
  const std::string& service = diagnosis.service;
  switch (diagnosis.problem) {
    case kNone:
      return {};
    case kNoService:
    case kInterfacesFailed:
      return "no wireless interface was found - " + service + ": " +
             DescribeFailure(diagnosis.failure, diagnosis.error);
    case kNoInterface:
      return service + ": no wireless interface was found";
    case kNoneUp:
      return service + ": no wireless interface is up (" + DownList(diagnosis.interfaces) + ")";
  }
  return {};
}

std::string DescribeQueryOutcome(QueryOutcome outcome) {
  switch (outcome) {
    case QueryOutcome::kListed:
      break;
    case QueryOutcome::kNoService:
      return "the WLAN service could not be reached";
    case QueryOutcome::kNoInterface:
      return "no wireless interface was found";
    case QueryOutcome::kListFailed:
      return "the wireless interface's BSS list could not be read";
  }
  return {};
}

std::string RefuseInterface(const InterfaceChoice& choice) {
  if (std::find(choice.stations.begin(), choice.stations.end(), choice.name) !=
      choice.stations.end()) {
    return {};
  }
  std::string why = "--interface " + EscapeSsid(choice.name) + ": ";
  if (!choice.exists) {
    why += "there is no such interface";
  } else if (!choice.wireless) {
    why += "not a Wi-Fi interface";
  } else if (choice.listError == ERROR_SUCCESS) {
    why += "a Wi-Fi interface, but not in managed mode (an access point or a monitor?)";
  } else {
    why += "a Wi-Fi interface";
  }
  if (choice.listError != ERROR_SUCCESS) {
    return why + "; the Wi-Fi interfaces cannot be listed: " +
           DescribeFailure(choice.listFailure, choice.listError);
  }
  if (choice.stations.empty()) return why + "; there is no managed Wi-Fi interface here";
  std::string names;
  for (std::size_t i = 0; i < choice.stations.size(); ++i) {
    if (i > 0) names += ", ";
    names += EscapeSsid(choice.stations[i]);
  }
  return why + "; the Wi-Fi interfaces here: " + names;
}

std::string EmptyListReason(QueryOutcome outcome, const std::function<WlanDiagnosis()>& diagnose) {
  if (outcome == QueryOutcome::kListed) return {};
  using enum WlanDiagnosis::Problem;
  const WlanDiagnosis diagnosis = diagnose ? diagnose() : WlanDiagnosis();
  const std::string said = DescribeFailure(diagnosis.failure, diagnosis.error);
  switch (diagnosis.problem) {
    case kNone:
      break;
    case kNoService:
      // What is missing, where the service says it; the bare error number says less.
      return diagnosis.failure.stage == WlanFailure::Stage::kNone
                 ? "The WLAN service could not be reached (" + diagnosis.service + ": " + said + ")"
                 : Sentence(said);
    case kInterfacesFailed:
      return "The wireless interfaces could not be listed (" + diagnosis.service + ": " + said +
             ")";
    case kNoInterface:
      return "No wireless interface was found";
    case kNoneUp:
      return "No wireless interface is up (" + DownList(diagnosis.interfaces) + ")";
  }
  // The service itself sees nothing wrong: the query's own outcome is all there is to say.
  return Sentence(DescribeQueryOutcome(outcome));
}

std::string WhyResultsMayBeStale(const FreshScan& scan, std::chrono::milliseconds limit) {
  if (scan.interfaceName.empty()) return {};
  switch (scan.end) {
    case ScanEnd::kFinished:
      return {};
    case ScanEnd::kAborted:
      return "the scan was aborted";
    case ScanEnd::kTimedOut: {
      const auto ms = limit.count();
      return "the scan did not end within " +
             (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms");
    }
    case ScanEnd::kNotWaited:
      break;
  }
  if (scan.error == ERROR_SUCCESS) return "the end of the scan could not be awaited";
  if (scan.error == ERROR_BUSY) return "the radio is busy";
  if (scan.error == ERROR_ACCESS_DENIED || ScanNeedsPrivilege(scan.failure)) {
    WlanFailure refused = scan.failure;
    refused.stage = WlanFailure::Stage::kScanRequest;
    refused.systemError = EPERM;
    return DescribeFailure(refused, scan.error);
  }
  return scan.failure.stage == WlanFailure::Stage::kNone
             ? "the scan request failed: " + ErrorText(scan.error)
             : DescribeFailure(scan.failure, scan.error);
}

std::string DescribeMonitorProblem(const MonitorProblem& problem) {
  using enum MonitorProblem::Kind;
  const std::string phy = "phy" + std::to_string(problem.phy);
  std::string why = "--monitor " + EscapeSsid(problem.interface) + ": ";
  switch (problem.kind) {
    case kNone:
      return {};
    case kNoInterface:
      return why + "there is no such interface";
    case kNoCapability:
      return why + "listening needs " + problem.capabilities +
             ", which this process lacks; run it as root";
    case kNotWireless:
      return why + "not a Wi-Fi interface that nl80211 knows";
    case kNoMonitorMode:
      return why + "its radio " + phy + " cannot make monitor interfaces";
    case kNoChannels:
      return why + "its radio " + phy +
             " may listen on no channel here (every one is disabled or no-IR in this country)";
    case kChannelNotAllowed: {
      const int channel = ChannelFromFrequency(problem.mhz * 1000);
      return "--channels: " +
             (channel != 0 ? "channel " + std::to_string(channel) + " (" : std::string("(")) +
             std::to_string(problem.mhz) + " MHz) is not one that " + phy + " of " +
             EscapeSsid(problem.interface) + " may listen on here";
    }
    case kUnreadable:
      return why + "the kernel's description of its radio " + phy + " cannot be read";
    case kRadioBusy:
      return why + "another interface of its radio " + phy +
             " is up, and the kernel lets a monitor interface change channels only while no other "
             "is; take them down first (ip link set NAME down)";
    case kSystem:
      return why + problem.step + " failed: " + problem.detail;
  }
  return why;
}

std::string DescribeMonitorPlan(const MonitorPlan& plan) {
  const auto round = plan.dwell * static_cast<int64_t>(plan.channels);
  char seconds[32] = "";
  std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(round.count()) / 1000);
  return "listening on " + EscapeSsid(plan.listener) +
         (plan.added ? ", added to phy" + std::to_string(plan.phy) + " for this run"
                     : " (phy" + std::to_string(plan.phy) + ")") +
         ": " + std::to_string(plan.channels) +
         (plan.channels == 1 ? " channel, " : " channels, ") + std::to_string(plan.dwell.count()) +
         " ms on each, every one every " + seconds + " s";
}

std::string DescribeListenFailure(const std::string& address, int error) {
  return "cannot serve the metrics on " + address + ": " +
         (error != 0 ? std::strerror(error) : "the address cannot be used");
}

}  // namespace quorvan
