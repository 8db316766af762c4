#include "wlan/wlan_access.h"

#include <gtest/gtest.h>

#include <netlink/errno.h>

#include <array>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/linux/messages.h"
#include "tests/support/fake_wlan.h"
#include "tracking/scan_cycle.h"
#include "wlan/linux/diagnosis.h"
#include "wlan/linux/nl80211_service.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan {
namespace {

using enum QueryOutcome;
using Stage = WlanFailure::Stage;
constexpr char kFullName[] = "0123456789abcdef0123456789ABCDEF";

class WlanAccess : public ::testing::Test {
 protected:
  void Install(const testing::FakeAnswers& answers) {
    fake_.reset();
    fake_.emplace(answers);
  }
  void TearDown() override {
    SetQueryListener({});
    fake_.reset();
    EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
    EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
  }
  testing::FakeWlan& fake() { return **fake_; }
  std::optional<testing::ScopedFakeWlan> fake_;
};

// Each step failing in turn; the listener hears L(isted), N(o service), no I(nterface) or list
// F(ailed) and the count. Names end at the first zero byte whatever uSSIDLength says.
TEST_F(WlanAccess, RequestScanAndQueryAtEveryStep) {
  const std::string scan = " open2 enum scan1 close0", none = " open2 enum close0",
                    list = " open2 enum list1 type3 secure close0";
  const struct {
    testing::FakeAnswers answers;
    int scanResult, queryResult;
    std::string calls, heard;
  } cases[] = {
      {{}, 0, 0, scan + list, "L2 wlan0"},
      {{.open = ERROR_SERVICE_NOT_ACTIVE}, 1, 2, " open2 open2", "N0 "},
      {{.enumerate = ERROR_GEN_FAILURE}, 2, 2, none + none, "I0 "},
      {{.interfaces = {}}, 2, 2, none + none, "I0 "},
      {{.scan = ERROR_ACCESS_DENIED}, 3, 0, scan + list, "L2 wlan0"},
      {{.list = ERROR_NOT_FOUND}, 0, 0, scan + list, "F0 wlan0"},
      {{.lists = {{}}}, 0, 0, scan + list, "L0 wlan0"},
      // The interface as the query read it: bytes that are not UTF-8 come back as they were.
      {{.interfaces = {{GUID{1, 0, 0, {}}, "w\xC3\xA4\xFF"}}},
       0,
       0,
       scan + list,
       "L2 w\xC3\xA4\xFF"},
  };
  std::string heard;
  SetQueryListener([&](QueryOutcome outcome, std::span<const BssObservation> bsses,
                       std::string_view read) {
    heard +=
        "LNIF"[static_cast<int>(outcome)] + std::to_string(bsses.size()) + " " + std::string(read);
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Install(c.answers);
    EXPECT_EQ(RequestScan(), c.scanResult);
    NetworkTable table;
    MergeBssList(table, std::array{BssObservation{.bssid = {7}, .ssid = {'o', 'l', 'd'}}});
    table.begin()->seen = 0;
    heard.clear();
    EXPECT_EQ(QueryBssSnapshot(table), c.queryResult);
    EXPECT_EQ(fake().log, c.calls);
    EXPECT_EQ(heard, c.heard);
    std::string names;
    for (const TrackedNetwork& record : table) names += record.ssid + std::to_string(record.seen);
    EXPECT_EQ(names,
              c.heard.starts_with("L2 ") ? "abcdef1" + std::string(kFullName) + "1" : "old0");
  }
}

// A down interface is passed over like a disabled adapter; with none up nothing is listed, and
// the diagnosis names them (on real radios, Radio.AllDownFailsWithNames), and its words escape
// what could garble a terminal.
TEST_F(WlanAccess, DownInterfacesAreNotListedAndNamedWhenNoneIsUp) {
  const auto down = [](uint32_t id, std::string name) {
    return WlanInterface{GUID{id, 0, 0, {}}, std::move(name), false};
  };
  Install({.interfaces = {down(1, "wlan0"), {GUID{2, 0, 0, {}}, "wlan1"}}});
  EXPECT_EQ(RequestScan(), 0);
  NetworkTable table;
  EXPECT_EQ(QueryBssSnapshot(table), 0);
  EXPECT_EQ(fake().log, " open2 enum scan2 close0 open2 enum list2 type3 secure close0");
  EXPECT_EQ(DiagnoseWlanService().problem, WlanDiagnosis::Problem::kNone);

  using enum WlanDiagnosis::Problem;
  // What stderr says, and what the window shows in place of the rows.
  const struct {
    testing::FakeAnswers answers;
    WlanDiagnosis::Problem problem;
    std::string text;
    std::string shown;
  } cases[] = {
      {{.interfaces = {down(1, "wl\x1B[2J"), down(2, ""), down(3, "wlan2")}},
       kNoneUp,
       "no wireless interface is up (wl\\x1B[2J, an unnamed interface and wlan2 are down)",
       "No wireless interface is up (wl\\x1B[2J, an unnamed interface and wlan2 are down)"},
      {{.interfaces = {}},
       kNoInterface,
       "fake: no wireless interface was found",
       "No wireless interface was found"},
      {{.enumerate = ERROR_GEN_FAILURE},
       kInterfacesFailed,
       "no wireless interface was found - fake: the device failed",
       "The wireless interfaces could not be listed (fake: the device failed)"},
      {{.enumerate = ERROR_GEN_FAILURE,
        .failure = {.stage = Stage::kInterfaces, .systemError = ENOBUFS}},
       kInterfacesFailed,
       "no wireless interface was found - fake: listing the interfaces: No buffer space available",
       "The wireless interfaces could not be listed (fake: listing the interfaces: No buffer space "
       "available)"},
      {{.open = ERROR_SERVICE_NOT_ACTIVE, .failure = {.stage = Stage::kNoNl80211}},
       kNoService,
       "no wireless interface was found - fake: this kernel has no Wi-Fi support (nl80211 is "
       "missing)",
       "This kernel has no Wi-Fi support (nl80211 is missing)"},
      {{.open = ERROR_SERVICE_NOT_ACTIVE,
        .failure = {.stage = Stage::kNetlink, .libnlError = NLE_NOMEM}},
       kNoService,
       "no wireless interface was found - fake: no generic netlink socket: Out of memory",
       "No generic netlink socket: Out of memory"},
      {{.open = ERROR_SERVICE_NOT_ACTIVE},
       kNoService,
       "no wireless interface was found - fake: no WLAN service is running",
       "The WLAN service could not be reached (fake: no WLAN service is running)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Install(c.answers);
    const WlanDiagnosis diagnosis = DiagnoseWlanService();
    EXPECT_EQ(diagnosis.problem, c.problem);
    EXPECT_EQ(DescribeDiagnosis(diagnosis), c.problem == kNoneUp ? "fake: " + c.text : c.text);
    EXPECT_EQ(EmptyListReason(QueryOutcome::kNoInterface, DiagnoseWlanService), c.shown);
    EXPECT_EQ(EmptyListReason(QueryOutcome::kListed, DiagnoseWlanService), "");
    if (c.problem == kNoneUp) {
      EXPECT_EQ(RequestScan(), 2);
      EXPECT_EQ(QueryBssSnapshot(table), 2);
    }
  }
}

// The fresh scan of --list: on the first interface that is up, waited for when the service
// can, and why its results may be stale when the scan did not end as asked.
TEST_F(WlanAccess, FreshScanOfTheFirstUpInterfaceAndWhyItMayBeStale) {
  const std::vector<WlanInterface> downThenUp = {{GUID{1, 0, 0, {}}, "wlan0", false},
                                                 {GUID{2, 0, 0, {}}, "wlan1"}};
  constexpr std::chrono::milliseconds kTen{10000}, kShort{2500};
  const std::string scanned = " open2 enum scan1 close0 wlan0",
                    waited = " open2 enum wait1/10000 close0 wlan0";
  using enum ScanEnd;
  const struct {
    testing::FakeAnswers answers;
    std::chrono::milliseconds limit;
    DWORD error;
    std::string calls, why;
  } cases[] = {
      {{.interfaces = downThenUp}, kTen, 0, " open2 enum scan2 close0 wlan1", ""},
      {{.interfaces = downThenUp, .waits = true},
       kTen,
       0,
       " open2 enum wait2/10000 close0 wlan1",
       ""},
      {{.scan = ERROR_ACCESS_DENIED}, kTen, 5, scanned, "a fresh scan needs CAP_NET_ADMIN"},
      {{.scan = ERROR_ACCESS_DENIED,
        .failure = {.stage = Stage::kScanRequest,
                    .systemError = EPERM,
                    .networkManagerRefusal =
                        "org.freedesktop.NetworkManager.PermissionDenied: no"}},
       kTen,
       5,
       scanned,
       "a fresh scan needs CAP_NET_ADMIN, and NetworkManager refused it "
       "(org.freedesktop.NetworkManager.PermissionDenied: no)"},
      {{.scan = ERROR_GEN_FAILURE,
        .failure = {.stage = Stage::kScanRequest, .systemError = ENETDOWN}},
       kTen,
       31,
       scanned,
       "the scan request failed: Network is down"},
      {{.scan = ERROR_BUSY}, kTen, 170, scanned, "the radio is busy"},
      {{.scan = ERROR_GEN_FAILURE},
       kTen,
       31,
       scanned,
       "the scan request failed: the device failed"},
      {{.waits = true, .end = kTimedOut}, kTen, 0, waited, "the scan did not end within 10 s"},
      {{.waits = true, .end = kTimedOut},
       kShort,
       0,
       " open2 enum wait1/2500 close0 wlan0",
       "the scan did not end within 2500 ms"},
      {{.waits = true, .end = kAborted}, kTen, 0, waited, "the scan was aborted"},
      {{.waits = true, .end = kNotWaited},
       kTen,
       0,
       waited,
       "the end of the scan could not be awaited"},
      // No interface reached: the query that follows says why.
      {{.open = ERROR_SERVICE_NOT_ACTIVE}, kTen, 1062, " open2 ", ""},
      {{.interfaces = {downThenUp[0]}}, kTen, ERROR_NOT_FOUND, " open2 enum close0 ", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.calls);
    Install(c.answers);
    const FreshScan scan = ScanFirstInterfaceAndWait(c.limit);
    EXPECT_EQ(scan.error, c.error);
    EXPECT_EQ(fake().log + " " + scan.interfaceName, c.calls);
    EXPECT_EQ(WhyResultsMayBeStale(scan, c.limit), c.why);
  }
}

// Lists outlive their handle; a closed handle, a second free or a foreign pointer is refused.
TEST_F(WlanAccess, LayerGuardsHandlesAndLists) {
  Install({});
  DWORD version = 0;
  HANDLE handle = nullptr;
  PWLAN_INTERFACE_INFO_LIST interfaces = nullptr;
  ASSERT_EQ(WlanOpenHandle(2, nullptr, &version, &handle), ERROR_SUCCESS);
  ASSERT_EQ(WlanEnumInterfaces(handle, nullptr, &interfaces), ERROR_SUCCESS);
  EXPECT_EQ(WlanCloseHandle(handle, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(WlanEnumInterfaces(handle, nullptr, &interfaces), ERROR_INVALID_HANDLE);
  EXPECT_EQ(std::wstring(interfaces->InterfaceInfo[1].strInterfaceDescription).size(),
            WLAN_MAX_NAME_LENGTH - 1);
  WlanFreeMemory(interfaces);
  WlanFreeMemory(interfaces);
  int notAList = 0;
  WlanFreeMemory(&notAList);
  EXPECT_EQ(fake().log, " open2 enum close1");
}

// Before the program chooses a service, and on a kernel without nl80211 after it chose that,
// everything fails as on Windows without the WLAN service; the guard puts back what was there.
TEST_F(WlanAccess, WithoutAServiceOrNl80211OpeningFails) {
  NetworkTable table;
  EXPECT_EQ(InstalledWlanService()->Name(), "no WLAN service");
  EXPECT_EQ(RequestScan(), 1);
  EXPECT_EQ(QueryBssSnapshot(table), 2);
  {
    const ScopedWlanService real(std::make_unique<Nl80211Service>());
    EXPECT_EQ(InstalledWlanService()->Name(), "nl80211");
    std::unique_ptr<WlanSession> session;
    WlanFailure failure;
    const DWORD opened = InstalledWlanService()->Open(2, session, failure);
    if (opened == ERROR_SUCCESS) GTEST_SKIP() << "this kernel has nl80211";
    EXPECT_EQ(opened, ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_EQ(failure.stage, WlanFailure::Stage::kNoNl80211);
    // What is missing, in words; no Windows error number.
    EXPECT_EQ(DescribeDiagnosis(DiagnoseWlanService()),
              "no wireless interface was found - nl80211: this kernel has no Wi-Fi support "
              "(nl80211 is missing)");
    EXPECT_EQ(RequestScan(), 1);
    EXPECT_EQ(QueryBssSnapshot(table), 2);
  }
  EXPECT_EQ(InstalledWlanService()->Name(), "no WLAN service");
}

// --interface: the name a user gives is watched only where it is a managed Wi-Fi interface;
// otherwise the answer says what it is and names those that can be watched. No such name, not
// Wi-Fi and not managed are refused on real radios in Radio.InterfaceRefusedNamingTheChoices.
TEST(InterfaceChoice, RefusesWhatCannotBeWatchedNamingWhatCan) {
  const std::vector<std::string> stations = {"wlan5", "wlan6", "wlan7"};
  const struct {
    InterfaceChoice choice;
    std::string said;
  } cases[] = {
      {{"wlan6", true, true, stations, ERROR_SUCCESS, {}}, ""},
      {{"eth0", true, false, {}, ERROR_SUCCESS, {}},
       "--interface eth0: not a Wi-Fi interface; there is no managed Wi-Fi interface here"},
      {{"wl\x1B[2J", false, false, {"wlan0"}, ERROR_SUCCESS, {}},
       "--interface wl\\x1B[2J: there is no such interface; the Wi-Fi interfaces here: wlan0"},
      {{"wlan0",
        false,
        false,
        {},
        ERROR_SERVICE_NOT_ACTIVE,
        {.stage = WlanFailure::Stage::kNoNl80211}},
       "--interface wlan0: there is no such interface; the Wi-Fi interfaces cannot be listed: "
       "this kernel has no Wi-Fi support (nl80211 is missing)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RefuseInterface(c.choice), c.said) << c.choice.name;
  }
}

}  // namespace
}  // namespace quorvan
