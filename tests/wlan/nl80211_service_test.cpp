#include "wlan/linux/nl80211_service.h"

#include <gtest/gtest.h>

#include "tracking/scan_cycle.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

// Where the kernel has no wireless support the real service behaves like a Windows machine
// without the WLAN service. On a machine with nl80211 this says nothing, so it is skipped.
TEST(Nl80211Service, WithoutNl80211NothingIsReadAndTheTableStays) {
  {
    Nl80211Service probe;
    std::unique_ptr<WlanSession> session;
    if (probe.Open(2, session) == ERROR_SUCCESS) {
      GTEST_SKIP() << "this kernel has nl80211";
    }
  }
  SetWlanService(std::make_unique<Nl80211Service>());
  DWORD version = 0;
  HANDLE handle = nullptr;
  EXPECT_EQ(WlanOpenHandle(2, nullptr, &version, &handle), ERROR_SERVICE_NOT_ACTIVE);
  EXPECT_EQ(handle, nullptr);

  EXPECT_EQ(RequestScan(), 1);
  NetworkTable table;
  const BssObservation old = {{1, 2, 3, 4, 5, 6}, {'x'}, -70, 60, 1, 2, 2412000, 100};
  MergeBssList(table, std::span(&old, 1));
  table.begin()->seen = 0;
  EXPECT_EQ(QueryBssSnapshot(table), 2);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table.begin()->seen, 0);

  EXPECT_EQ(DiagnoseWlanService(),
            "nl80211: WLAN service not available (error 1062): the kernel has no nl80211 family "
            "(no wireless support)");
  EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
  SetWlanService(nullptr);
}

TEST(Nl80211Service, IsTheDefault) {
  SetWlanService(nullptr);
  EXPECT_EQ(CurrentWlanService().Name(), "nl80211");
}

}  // namespace
}  // namespace quorvan
