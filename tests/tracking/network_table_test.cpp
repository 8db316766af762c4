#include "tracking/network_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/literal_tracking.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

using testing::SsidsOf;

std::unique_ptr<TrackedNetwork> Named(const char* ssid, const char* mac = "") {
  auto record = std::make_unique<TrackedNetwork>();
  std::snprintf(record->ssid, sizeof record->ssid, "%s", ssid);
  std::snprintf(record->mac, sizeof record->mac, "%s", mac);
  return record;
}

TEST(TrackedNetwork, NewRecordIsZeroedButForActivity) {
  TrackedNetwork record;
  EXPECT_EQ(testing::DumpRecord(record),
            "seen=0 ssid=[] mac=[] act=15 freq=0 ch=0 hist=0,0,0,0,0 idx=0 lq=0 ts=00000000 "
            "hts=00000000 enc=[] code=0 beacon=[] user=[] pass=[]");
  // Text fields are zero all the way, not just terminated.
  for (char c : record.ssid) ASSERT_EQ(c, 0);
  for (char c : record.password) ASSERT_EQ(c, 0);
}

TEST(NetworkTable, FindAppendRemoveClear) {
  NetworkTable table;
  EXPECT_EQ(table.FindByMac("00 1A 2B 3C 4D 5E"), nullptr);

  table.Append(Named("a", "00 1A 2B 3C 4D 5E"));
  table.Append(Named("b", "00 1A 2B 3C 4D 5F"));
  table.Append(Named("c", "00 1A 2B 3C 4D 60"));
  ASSERT_EQ(table.size(), 3u);
  EXPECT_STREQ(table.FindByMac("00 1A 2B 3C 4D 5F")->ssid, "b");
  // Identity is the text, byte for byte.
  EXPECT_EQ(table.FindByMac("00 1a 2b 3c 4d 5f"), nullptr);
  EXPECT_EQ(table.FindByMac("00 1A 2B 3C 4D 5"), nullptr);

  // Removing while iterating continues with the next record.
  auto it = std::next(table.begin());
  it = table.RemoveCurrent(it);
  ASSERT_NE(it, table.end());
  EXPECT_STREQ(it->ssid, "c");
  EXPECT_EQ(table.FindByMac("00 1A 2B 3C 4D 5F"), nullptr);
  EXPECT_EQ(SsidsOf(table), (std::vector<std::string>{"a", "c"}));

  // The removed MAC can come back as a new record at the end.
  table.Append(Named("b2", "00 1A 2B 3C 4D 5F"));
  EXPECT_STREQ(table.FindByMac("00 1A 2B 3C 4D 5F")->ssid, "b2");
  EXPECT_EQ(SsidsOf(table), (std::vector<std::string>{"a", "c", "b2"}));

  table.Clear();
  EXPECT_TRUE(table.empty());
  EXPECT_EQ(table.begin(), table.end());
  EXPECT_EQ(table.FindByMac("00 1A 2B 3C 4D 5E"), nullptr);
}

TEST(NetworkTable, RepeatedMacFilledByHandAnswersFirstInTableOrder) {
  NetworkTable table;
  table.Append(Named("y", "AA"));
  table.Append(Named("x", "AA"));
  EXPECT_STREQ(table.FindByMac("AA")->ssid, "y");
  table.SortBySsid();  // "x" now stands first
  EXPECT_STREQ(table.FindByMac("AA")->ssid, "x");
  table.RemoveCurrent(table.begin());
  EXPECT_STREQ(table.FindByMac("AA")->ssid, "y");
  table.RemoveCurrent(table.begin());
  EXPECT_EQ(table.FindByMac("AA"), nullptr);
}

TEST(NetworkTable, SortBySsid) {
  using Names = std::vector<std::string>;
  struct Case {
    Names before;
    Names after;
  };
  const Case cases[] = {
      {{}, {}},
      {{"x"}, {"x"}},
      {{"b", "a", "c"}, {"a", "b", "c"}},
      // Hidden networks first; a byte of 0x80 or above after every ASCII name.
      {{"\xC3\xA9t\xC3\xA9", "zz", "", "Z", "ab", "a"},
       {"", "Z", "a", "ab", "zz", "\xC3\xA9t\xC3\xA9"}},
  };
  for (const Case& c : cases) {
    NetworkTable table;
    for (const auto& name : c.before) table.Append(Named(name.c_str()));
    table.SortBySsid();
    EXPECT_EQ(SsidsOf(table), c.after);
  }
}

TEST(NetworkTable, EqualNamesSwapOnEverySort) {
  NetworkTable table;
  table.Append(Named("net", "A"));
  table.Append(Named("aaa", "X"));
  table.Append(Named("net", "B"));
  table.Append(Named("net", "C"));
  auto macs = [&] {
    std::string order;
    for (auto& r : table) order += r.mac;
    return order;
  };
  table.SortBySsid();
  EXPECT_EQ(macs(), "XCBA");
  table.SortBySsid();
  EXPECT_EQ(macs(), "XABC");
  // The index still finds every record after the nodes moved.
  EXPECT_STREQ(table.FindByMac("B")->mac, "B");
  EXPECT_STREQ(table.FindByMac("X")->ssid, "aaa");
}

}  // namespace
}  // namespace quorvan
