#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wlan/recording_service.h"
#include "wlan/linux/wlan_service.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

using testing::FakeWlan;
using testing::InstallRecordingService;

class WlanLayer : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
    EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
    SetWlanService(nullptr);
  }
};

TEST_F(WlanLayer, RejectsWhatWindowsRejects) {
  const auto log = InstallRecordingService({});
  DWORD version = 0;
  HANDLE handle = nullptr;
  int reserved = 0;
  EXPECT_EQ(WlanOpenHandle(2, &reserved, &version, &handle), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WlanOpenHandle(3, nullptr, &version, &handle), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WlanOpenHandle(2, nullptr, nullptr, &handle), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WlanOpenHandle(2, nullptr, &version, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(log->empty()) << "bad arguments must not reach the service";

  ASSERT_EQ(WlanOpenHandle(2, nullptr, &version, &handle), ERROR_SUCCESS);
  EXPECT_EQ(version, 2u);
  PWLAN_INTERFACE_INFO_LIST interfaces = nullptr;
  EXPECT_EQ(WlanEnumInterfaces(handle, &reserved, &interfaces), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WlanEnumInterfaces(handle, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  const GUID guid = {};
  EXPECT_EQ(WlanScan(handle, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  PWLAN_BSS_LIST bssList = nullptr;
  EXPECT_EQ(
      WlanGetNetworkBssList(handle, &guid, nullptr, dot11_BSS_type_any, TRUE, nullptr, nullptr),
      ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WlanCloseHandle(handle, &reserved), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WlanCloseHandle(handle, nullptr), ERROR_SUCCESS);

  // The handle is gone now: every use of it is refused instead of reaching freed memory.
  EXPECT_EQ(WlanCloseHandle(handle, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WlanEnumInterfaces(handle, nullptr, &interfaces), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WlanScan(handle, &guid, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(
      WlanGetNetworkBssList(handle, &guid, nullptr, dot11_BSS_type_any, TRUE, nullptr, &bssList),
      ERROR_INVALID_HANDLE);
  EXPECT_EQ(WlanEnumInterfaces(nullptr, nullptr, &interfaces), ERROR_INVALID_HANDLE);
  EXPECT_EQ(interfaces, nullptr);
  EXPECT_EQ(bssList, nullptr);
  EXPECT_EQ(*log, (std::vector<std::string>{"open v2", "close, lists unfreed: 0"}));
}

TEST_F(WlanLayer, ListsBelongToTheCallerUntilFreed) {
  FakeWlan fake;
  fake.interfaces.push_back({GUID{0x2222, 0, 0, {}}, std::string(300, 'x')});
  fake.entries.resize(3);
  fake.entries[2].lRssi = -42;
  InstallRecordingService(fake);
  DWORD version = 0;
  HANDLE handle = nullptr;
  ASSERT_EQ(WlanOpenHandle(1, nullptr, &version, &handle), ERROR_SUCCESS);
  EXPECT_EQ(version, 1u);

  PWLAN_INTERFACE_INFO_LIST interfaces = nullptr;
  ASSERT_EQ(WlanEnumInterfaces(handle, nullptr, &interfaces), ERROR_SUCCESS);
  ASSERT_EQ(interfaces->dwNumberOfItems, 2u);
  const WLAN_INTERFACE_INFO* info = interfaces->InterfaceInfo;
  EXPECT_EQ(std::wstring(info[0].strInterfaceDescription), L"wlan0");
  EXPECT_EQ(info[1].InterfaceGuid.Data1, 0x2222u);
  // A description too long for the field is cut, and still ends with a zero.
  EXPECT_EQ(std::wstring(info[1].strInterfaceDescription).size(), WLAN_MAX_NAME_LENGTH - 1);

  PWLAN_BSS_LIST bssList = nullptr;
  ASSERT_EQ(WlanGetNetworkBssList(handle, &info[0].InterfaceGuid, nullptr, dot11_BSS_type_any, TRUE,
                                  nullptr, &bssList),
            ERROR_SUCCESS);
  ASSERT_EQ(bssList->dwNumberOfItems, 3u);
  EXPECT_EQ(bssList->wlanBssEntries[2].lRssi, -42);
  EXPECT_EQ(bssList->dwTotalSize,
            offsetof(WLAN_BSS_LIST, wlanBssEntries) + 3 * sizeof(WLAN_BSS_ENTRY));

  // Lists outlive the handle that produced them.
  EXPECT_EQ(WlanCloseHandle(handle, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 2u);
  WlanFreeMemory(interfaces);
  WlanFreeMemory(bssList);
  // Freeing twice, or something the layer never handed out, is ignored.
  WlanFreeMemory(bssList);
  int notAList = 0;
  WlanFreeMemory(&notAList);
  WlanFreeMemory(nullptr);
}

TEST_F(WlanLayer, HandlesKeepTheServiceThatOpenedThem) {
  const auto first = InstallRecordingService({});
  DWORD version = 0;
  HANDLE handle = nullptr;
  ASSERT_EQ(WlanOpenHandle(2, nullptr, &version, &handle), ERROR_SUCCESS);
  const auto second = InstallRecordingService({});
  PWLAN_INTERFACE_INFO_LIST interfaces = nullptr;
  ASSERT_EQ(WlanEnumInterfaces(handle, nullptr, &interfaces), ERROR_SUCCESS);
  WlanFreeMemory(interfaces);
  EXPECT_EQ(WlanCloseHandle(handle, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(*first, (std::vector<std::string>{"open v2", "enum", "close, lists unfreed: 0"}));
  EXPECT_TRUE(second->empty());
}

TEST_F(WlanLayer, TapSeesEveryBssListResult) {
  FakeWlan fake;
  fake.entries.resize(2);
  fake.entries[0].lRssi = -61;
  fake.entries[1].lRssi = -62;
  auto log = std::make_shared<testing::RecordingService::Log>();
  struct Seen {
    uint32_t guid;
    DWORD result;
    std::vector<LONG> rssi;
  };
  std::vector<Seen> seen;
  auto sink = [&](const GUID& guid, DWORD result, std::span<const WLAN_BSS_ENTRY> entries) {
    Seen s{guid.Data1, result, {}};
    for (const auto& e : entries) s.rssi.push_back(e.lRssi);
    seen.push_back(s);
  };
  SetWlanService(TapBssLists(std::make_unique<testing::RecordingService>(fake, log), sink));
  NetworkTable table;
  EXPECT_EQ(QueryBssSnapshot(table), 0);
  EXPECT_EQ(table.size(), 1u);  // both entries have the same, zero, BSSID
  EXPECT_EQ(RequestScan(), 0);
  EXPECT_EQ(CurrentWlanService().Name(), "fake");

  fake.bssListResult = ERROR_NOT_FOUND;
  SetWlanService(TapBssLists(std::make_unique<testing::RecordingService>(fake, log), sink));
  EXPECT_EQ(QueryBssSnapshot(table), 0);

  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].guid, 0x1111u);
  EXPECT_EQ(seen[0].result, ERROR_SUCCESS);
  EXPECT_EQ(seen[0].rssi, (std::vector<LONG>{-61, -62}));
  EXPECT_EQ(seen[1].result, ERROR_NOT_FOUND);
  EXPECT_TRUE(seen[1].rssi.empty());
}

TEST_F(WlanLayer, DiagnosisSaysWhyThereIsNoData) {
  struct Case {
    const char* name;
    FakeWlan fake;
    std::string text;
  };
  FakeWlan noService;
  noService.openResult = ERROR_SERVICE_NOT_ACTIVE;
  noService.lastFailure = "the kernel has no nl80211 family";
  FakeWlan enumFails;
  enumFails.enumResult = ERROR_ACCESS_DENIED;
  FakeWlan noInterface;
  noInterface.interfaces.clear();
  const Case cases[] = {
      {"no service", noService,
       "fake: WLAN service not available (error 1062): the kernel has no nl80211 family"},
      {"listing refused", enumFails, "fake: access denied (error 5)"},
      {"no interface", noInterface, "fake: no wireless interface was found"},
      {"working", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallRecordingService(c.fake);
    EXPECT_EQ(DiagnoseWlanService(), c.text);
  }
}

}  // namespace
}  // namespace quorvan
