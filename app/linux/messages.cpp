#include "app/linux/messages.h"

#include <algorithm>

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

// The first letter in upper case, for text that starts a sentence of its own.
std::string Sentence(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

}  // namespace

std::string DescribeDiagnosis(const WlanDiagnosis& diagnosis) {
  using enum WlanDiagnosis::Problem;
  const std::string& service = diagnosis.service;
  switch (diagnosis.problem) {
    case kNone:
      return {};
    case kNoService:
    case kInterfacesFailed: {
      std::string text = "no wireless interface was found - " + service + ": " +
                         std::string(WlanErrorText(diagnosis.error)) + " (error " +
                         std::to_string(diagnosis.error) + ")";
      if (!diagnosis.detail.empty()) text += ": " + diagnosis.detail;
      return text;
    }
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
  } else if (choice.listError.empty()) {
    why += "a Wi-Fi interface, but not in managed mode (an access point or a monitor?)";
  } else {
    why += "a Wi-Fi interface";
  }
  if (!choice.listError.empty()) {
    return why + "; the Wi-Fi interfaces cannot be listed: " + choice.listError;
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
  const std::string said =
      diagnosis.detail.empty() ? std::string(WlanErrorText(diagnosis.error)) : diagnosis.detail;
  switch (diagnosis.problem) {
    case kNone:
      break;
    case kNoService:
      return diagnosis.detail.empty()
                 ? "The WLAN service could not be reached (" + diagnosis.service + ": " + said + ")"
                 : Sentence(diagnosis.detail);
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
  switch (scan.error) {
    case ERROR_SUCCESS:
      return "the end of the scan could not be awaited";
    case ERROR_ACCESS_DENIED:
      return scan.detail.empty() ? "a fresh scan needs CAP_NET_ADMIN" : scan.detail;
    case ERROR_BUSY:
      return "the radio is busy";
    default:
      return "the scan request failed: " + std::string(WlanErrorText(scan.error));
  }
}

}  // namespace quorvan
