#include "wlan/linux/diagnosis.h"

#include <algorithm>
#include <memory>

namespace quorvan {

WlanDiagnosis DiagnoseWlanService() {
  using enum WlanDiagnosis::Problem;
  const std::shared_ptr<WlanService> service = InstalledWlanService();
  WlanDiagnosis diagnosis;
  diagnosis.service = service->Name();
  std::unique_ptr<WlanSession> session;
  if (const DWORD error = service->Open(2, session, diagnosis.failure);
      error != ERROR_SUCCESS || !session) {
    diagnosis.problem = kNoService;
    diagnosis.error = error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
    return diagnosis;
  }
  std::vector<WlanInterface> interfaces;
  if (const DWORD error = session->EnumInterfaces(interfaces); error != ERROR_SUCCESS) {
    diagnosis.problem = kInterfacesFailed;
    diagnosis.error = error;
    diagnosis.failure = session->Failure();
    return diagnosis;
  }
  if (interfaces.empty()) {
    diagnosis.problem = kNoInterface;
  } else if (std::none_of(interfaces.begin(), interfaces.end(),
                          [](const WlanInterface& interface) { return interface.up; })) {
    diagnosis.problem = kNoneUp;
    for (const WlanInterface& interface : interfaces) {
      diagnosis.interfaces.push_back(interface.description);
    }
  }
  return diagnosis;
}

namespace {

// A session of the installed service and the interfaces it lists, for one question.
struct Listing {
  std::shared_ptr<WlanService> service = InstalledWlanService();
  std::unique_ptr<WlanSession> session;
  std::vector<WlanInterface> interfaces;
  DWORD error = ERROR_SUCCESS;

  Listing() {
    WlanFailure failure;
    error = service->Open(2, session, failure);
    if (error == ERROR_SUCCESS && !session) error = ERROR_GEN_FAILURE;
    if (error == ERROR_SUCCESS) error = ListUpInterfaces(*session, interfaces);
  }
};

}  // namespace

FreshScan ScanFirstInterfaceAndWait(std::chrono::milliseconds limit) {
  Listing listing;
  FreshScan scan;
  scan.error = listing.error;
  if (scan.error != ERROR_SUCCESS) return scan;
  if (listing.interfaces.empty()) {
    scan.error = ERROR_NOT_FOUND;
    return scan;
  }
  scan.interfaceName = listing.interfaces.front().description;
  scan.error = listing.session->ScanAndWait(listing.interfaces.front().guid, limit, scan.end);
  if (scan.error != ERROR_SUCCESS) scan.failure = listing.session->Failure();
  return scan;
}

}  // namespace quorvan
