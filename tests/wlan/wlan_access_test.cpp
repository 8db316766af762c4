#include "wlan/wlan_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tracking/scan_cycle.h"
#include "wlan/linux/nl80211_service.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan {
namespace {

constexpr char kFullName[] = "0123456789abcdef0123456789ABCDEF";

WLAN_BSS_ENTRY Entry(uint8_t first, const char* ssid, ULONG ssidLength) {
  WLAN_BSS_ENTRY entry = {};
  entry.dot11Bssid[0] = first;
  entry.dot11Ssid.uSSIDLength = ssidLength;
  std::memcpy(entry.dot11Ssid.ucSSID, ssid, std::strlen(ssid));
  return entry;
}

// A WLAN service that answers as told at each step and logs the calls it was asked, with the
// arguments that matter and, on closing a session, how many lists were still unfreed.
struct FakeWlan : WlanService {
  DWORD open = ERROR_SUCCESS, enumerate = ERROR_SUCCESS, scan = ERROR_SUCCESS, list = ERROR_SUCCESS;
  std::vector<WlanInterface> interfaces = {{GUID{1, 0, 0, {}}, "wlan0"},
                                           {GUID{2, 0, 0, {}}, std::string(300, 'x')}};
  std::vector<WLAN_BSS_ENTRY> entries = {Entry(7, "abcdef", 2), Entry(8, kFullName, 32)};
  std::string log;

  struct Session : WlanSession {
    explicit Session(FakeWlan& fake) : f(fake) {}
    ~Session() override { f.log += " close" + std::to_string(CurrentWlanLayerUsage().liveLists); }
    DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
      f.log += " enum";
      if (f.enumerate == ERROR_SUCCESS) out = f.interfaces;
      return f.enumerate;
    }
    DWORD Scan(const GUID& guid, const DOT11_SSID* ssid, const WLAN_RAW_DATA* ie) override {
      f.log += " scan" + std::to_string(guid.Data1) + (ssid || ie ? "+data" : "");
      return f.scan;
    }
    DWORD GetBssList(const GUID& guid, const DOT11_SSID* ssid, DOT11_BSS_TYPE type, bool secure,
                     std::vector<WLAN_BSS_ENTRY>& out) override {
      f.log += " list" + std::to_string(guid.Data1) + " type" + std::to_string(type) +
               (secure ? " secure" : "") + (ssid ? "+ssid" : "");
      if (f.list == ERROR_SUCCESS) out = f.entries;
      return f.list;
    }
    FakeWlan& f;
  };
  std::string Name() const override { return "fake"; }
  DWORD Open(DWORD version, std::unique_ptr<WlanSession>& session) override {
    log += " open" + std::to_string(version);
    if (open == ERROR_SUCCESS) session = std::make_unique<Session>(*this);
    return open;
  }
};

template <typename T>
FakeWlan With(T FakeWlan::*member, const T& value) {
  FakeWlan fake;
  fake.*member = value;
  return fake;
}

class WlanAccess : public ::testing::Test {
 protected:
  void Install(const FakeWlan& fake) {
    auto service = std::make_unique<FakeWlan>(fake);
    fake_ = service.get();
    SetWlanService(std::move(service));
  }
  void TearDown() override {
    SetQueryListener({});
    SetWlanService(nullptr);
    EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
    EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
  }
  FakeWlan* fake_ = nullptr;
};

// Both operations with each step failing in turn. A query that fails leaves the table as it
// was; one that lists merges every entry in order, the name being the 32 bytes up to the first
// zero whatever uSSIDLength says.
TEST_F(WlanAccess, RequestScanAndQueryAtEveryStep) {
  using enum QueryOutcome;
  const std::string scan = " open2 enum scan1 close0", none = " open2 enum close0",
                    list = " open2 enum list1 type3 secure close0";
  const struct {
    FakeWlan fake;
    int scanResult, queryResult;
    std::string calls;
    QueryOutcome outcome;
    bool merged;
  } cases[] = {
      {{}, 0, 0, scan + list, kListed, true},
      {With(&FakeWlan::open, ERROR_SERVICE_NOT_ACTIVE), 1, 2, " open2 open2", kNoService, false},
      {With(&FakeWlan::enumerate, ERROR_GEN_FAILURE), 2, 2, none + none, kNoInterface, false},
      {With(&FakeWlan::interfaces, {}), 2, 2, none + none, kNoInterface, false},
      {With(&FakeWlan::scan, ERROR_ACCESS_DENIED), 3, 0, scan + list, kListed, true},
      {With(&FakeWlan::list, ERROR_NOT_FOUND), 0, 0, scan + list, kListFailed, false},
      {With(&FakeWlan::entries, {}), 0, 0, scan + list, kListed, false},
  };
  const std::vector<std::string> merged = {"abcdef", kFullName}, untouched = {"old"};
  std::vector<std::pair<QueryOutcome, std::size_t>> heard;
  SetQueryListener([&](QueryOutcome outcome, std::span<const BssObservation> observations) {
    heard.emplace_back(outcome, observations.size());
  });
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    Install(c.fake);
    EXPECT_EQ(RequestScan(), c.scanResult);
    NetworkTable table;
    BssObservation old;
    old.bssid = {7}, old.ssid = {'o', 'l', 'd'};
    MergeBssList(table, std::span(&old, 1));
    table.begin()->seen = 0;
    heard.clear();
    EXPECT_EQ(QueryBssSnapshot(table), c.queryResult);
    EXPECT_EQ(fake_->log, c.calls);
    std::vector<std::string> ssids;
    for (const TrackedNetwork& record : table) ssids.emplace_back(record.ssid);
    EXPECT_EQ(ssids, c.merged ? merged : untouched);
    EXPECT_EQ(table.begin()->seen, c.merged ? 1 : 0);
    EXPECT_EQ(heard,
              (std::vector<std::pair<QueryOutcome, std::size_t>>{{c.outcome, c.merged ? 2u : 0u}}));
  }
}

// Lists outlive their handle, a closed handle is refused, and a second free or a pointer the
// layer never handed out is ignored, instead of reaching freed memory.
TEST_F(WlanAccess, LayerGuardsHandlesAndLists) {
  Install({});
  DWORD version = 0;
  HANDLE handle = nullptr;
  ASSERT_EQ(WlanOpenHandle(2, nullptr, &version, &handle), ERROR_SUCCESS);
  PWLAN_INTERFACE_INFO_LIST interfaces = nullptr;
  ASSERT_EQ(WlanEnumInterfaces(handle, nullptr, &interfaces), ERROR_SUCCESS);
  EXPECT_EQ(WlanCloseHandle(handle, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(WlanEnumInterfaces(handle, nullptr, &interfaces), ERROR_INVALID_HANDLE);
  EXPECT_EQ(std::wstring(interfaces->InterfaceInfo[1].strInterfaceDescription).size(),
            WLAN_MAX_NAME_LENGTH - 1);
  WlanFreeMemory(interfaces);
  WlanFreeMemory(interfaces);
  int notAList = 0;
  WlanFreeMemory(&notAList);
  EXPECT_EQ(fake_->log, " open2 enum close1");
}

// The default service on a kernel without nl80211 behaves like Windows without the WLAN
// service; where the family exists this says nothing and is skipped.
TEST_F(WlanAccess, WithoutNl80211OpeningFails) {
  {
    Nl80211Service probe;
    std::unique_ptr<WlanSession> session;
    const DWORD opened = probe.Open(2, session);
    if (opened == ERROR_SUCCESS) GTEST_SKIP() << "this kernel has nl80211";
    EXPECT_EQ(opened, ERROR_SERVICE_NOT_ACTIVE);
  }
  SetWlanService(nullptr);
  EXPECT_EQ(CurrentWlanService().Name(), "nl80211");
  EXPECT_EQ(RequestScan(), 1);
  NetworkTable table;
  EXPECT_EQ(QueryBssSnapshot(table), 2);
}

}  // namespace
}  // namespace quorvan
