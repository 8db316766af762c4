// What the Linux program keeps beside the table, wired into the cycle as the program wires it:
// the host told of the table between eviction and refresh, the Encryption cell from the
// elements, and the JSON fields of --list.

#include "app/linux/linux_extras.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "app/linux/list_format.h"
#include "app/linux/list_mode.h"
#include "app/main_window.h"
#include "tests/ieee80211/sample_beacons.h"
#include "tests/support/fake_wlan.h"
#include "ui/network_list.h"

namespace quorvan {
namespace {

using testing::BssEntry;
using testing::Bytes;
using testing::Concat;

WlanBss Bss(unsigned id, const char* ssid, int32_t rssi, Bytes ies = {},
            uint16_t capability = testing::kCapabilityEss) {
  WLAN_BSS_ENTRY entry = BssEntry(id, ssid, rssi);
  entry.usCapabilityInformation = capability;
  return WlanBss(entry, std::move(ies));
}

// The cycles of --list with the extras told as RunList tells them; the list in `format`.
std::string ListWith(LinuxExtras& extras, int cycles, ListFormat format = ListFormat::kTsv) {
  return RunListMode(
             cycles,
             [&extras](QueryOutcome outcome, std::span<const BssObservation> observations,
                       std::string_view) { extras.Heard(outcome, observations); },
             {},
             [&extras, format](const MemoryListView& list,
                               std::span<const TrackedNetwork* const> records) {
               return FormatList(list, records, format, &extras.Store());
             },
             extras.TableWatcher())
      .text;
}

// The Encryption cell of each row, by SSID: "home=0,WPA2-Personal cafe=0,wep ".
std::string EncryptionCells(const std::string& tsv) {
  std::string cells;
  std::size_t line = tsv.find('\n') + 1;  // after the header
  while (line < tsv.size()) {
    const std::size_t end = tsv.find('\n', line);
    std::vector<std::string> fields;
    for (std::size_t at = line;;) {
      const std::size_t tab = tsv.find('\t', at);
      if (tab == std::string::npos || tab > end) {
        fields.push_back(tsv.substr(at, end - at));
        break;
      }
      fields.push_back(tsv.substr(at, tab - at));
      at = tab + 1;
    }
    if (fields.size() == kColumnCount) {
      cells += fields[ColumnNumber(Column::kSsid)] + "=" +
               fields[ColumnNumber(Column::kEncryption)] + "|";
    }
    line = end + 1;
  }
  return cells;
}

const Bytes kRates = testing::kRates24;

// Each security the decoder tells apart is its own test's business (elements_test.cpp); here
// the label, the privacy bit without elements, and no elements at all reach the cell.
TEST(LinuxExtras, EncryptionCellShowsWhatTheElementsSay) {
  struct Case {
    const char* what;
    Bytes ies;
    uint16_t capability;
    const char* cell;
  };
  const std::vector<Case> cases = {
      {"SAE and PSK", Concat({kRates, testing::kRsnSaePsk}), testing::kCapabilityEssPrivacy,
       "0,WPA2/WPA3-Personal"},
      {"privacy bit alone", kRates, testing::kCapabilityEssPrivacy, "0,WEP"},
      {"nothing protected", kRates, testing::kCapabilityEss, "0,Open"},
      {"no elements known", {}, testing::kCapabilityEssPrivacy, "0,wep "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::ScopedFakeWlan radio{{.lists = {{Bss(1, "net", -50, c.ies, c.capability)}}}};
    LinuxExtras extras;
    EXPECT_EQ(EncryptionCells(ListWith(extras, 2)), std::string("net=") + c.cell + "|");
  }
}

TEST(LinuxExtras, CellsAreTheRecordsOwnWithoutThem) {
  const std::vector<WlanBss> list = {
      Bss(1, "home", -50, Concat({kRates, testing::kRsnSae}), testing::kCapabilityEssPrivacy),
      Bss(2, "cafe", -70)};
  testing::ScopedFakeWlan radio{{.lists = {list}}};
  {
    LinuxExtras extras;
    EXPECT_EQ(EncryptionCells(ListWith(extras, 1)), "cafe=0,wep |home=0,WPA3-Personal|");
  }
  // Gone with the extras: the Windows program's cells, and the record never changed.
  EXPECT_EQ(EncryptionCells(RunListMode(1).text), "cafe=0,wep |home=0,wep |");
}

TEST(LinuxExtras, JsonSaysWhatTheElementsSayAndNullWhereNothingIsKnown) {
  const Bytes ies = Concat({testing::SsidElement("home"), kRates, testing::DsElement(6),
                            testing::kCountryDe, testing::kBssLoad, testing::kRsnPsk});
  testing::ScopedFakeWlan radio{
      {.lists = {{Bss(1, "home", -50, ies, testing::kCapabilityEssPrivacy), Bss(2, "cafe", -70)}}}};
  LinuxExtras extras;
  const std::string json = ListWith(extras, 1, ListFormat::kJson);
  const std::size_t cafe = json.find("\"ssid\":\"cafe\"");
  const std::size_t home = json.find("\"ssid\":\"home\"");
  ASSERT_NE(cafe, std::string::npos);
  ASSERT_NE(home, std::string::npos);
  const std::string cafeLine = json.substr(cafe, json.find('\n', cafe) - cafe);
  const std::string homeLine = json.substr(home, json.find('\n', home) - home);

  std::string hex;
  for (const uint8_t byte : ies) {
    hex += "0123456789abcdef"[byte >> 4];
    hex += "0123456789abcdef"[byte & 15];
  }
  for (const std::string& field : {
           std::string("\"encryption\":\"WPA2-Personal\""),
           std::string("\"security\":\"WPA2-Personal\""),
           std::string("\"standard\":\"802.11g\""),
           std::string("\"channel_width_mhz\":20"),
           std::string("\"center_frequency_khz\":2437000"),
           std::string("\"country\":\"DE\""),
           std::string("\"station_count\":3"),
           std::string("\"channel_utilization\":50"),
           "\"ies_hex\":\"" + hex + "\"",
       }) {
    EXPECT_NE(homeLine.find(field), std::string::npos) << field << " in " << homeLine;
  }
  for (const char* field : {
           "\"encryption\":\"wep \"",
           "\"security\":null",
           "\"standard\":null",
           "\"channel_width_mhz\":null",
           "\"center_frequency_khz\":null",
           "\"country\":null",
           "\"station_count\":null",
           "\"channel_utilization\":null",
           "\"ies_hex\":\"\"",
       }) {
    EXPECT_NE(cafeLine.find(field), std::string::npos) << field << " in " << cafeLine;
  }
}

// The host hears of the table once the cycle has evicted, and before the list shows it.
TEST(LinuxExtras, HostHearsOfTheTableBetweenEvictionAndRefresh) {
  testing::ScopedFakeWlan radio{{.lists = {{BssEntry(1, "home", -50), BssEntry(2, "cafe", -70)},
                                           {BssEntry(1, "home", -52)}}}};
  HeadlessHost host;
  struct Heard {
    std::size_t records;
    int rows;
  };
  std::vector<Heard> heard;
  host.SetTableWatcher([&](const NetworkTable& table) {
    heard.push_back({table.size(), host.List().RowCount()});
  });
  CquorvanDlg dialog(host);
  dialog.OnInitDialog();
  while (dialog.Table().size() == 2 && heard.size() < 100) dialog.RunScanCycle();
  ASSERT_EQ(dialog.Table().size(), 1u) << "cafe was never evicted";
  // Told once a cycle; in the cycle that evicted cafe, the table had lost it while the list
  // still showed it.
  ASSERT_GE(heard.size(), 2u);
  EXPECT_EQ(heard.front().records, 2u);
  EXPECT_EQ(heard.front().rows, 0);
  EXPECT_EQ(heard.back().records, 1u);
  EXPECT_EQ(heard.back().rows, 2);
  EXPECT_EQ(host.List().RowCount(), 1);
}

}  // namespace
}  // namespace quorvan
