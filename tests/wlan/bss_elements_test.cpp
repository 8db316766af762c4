// The information elements and the capability field of each BSS, on their way from a service
// to the query's listener: placed in the list by the layer, found again through ulIeOffset and
// ulIeSize by the access code (and not found when the numbers point outside the list), taken
// from nl80211's attributes, and kept by scenario files and their recordings.

#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "scenario/query_recorder.h"
#include "scenario/scenario_file.h"
#include "tests/support/fake_wlan.h"
#include "tests/support/observations.h"
#include "tracking/network_table.h"
#include "wlan/bss_entry.h"
#include "wlan/linux/nl80211_parse.h"
#include "wlan/linux/scenario_service.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

using Bytes = std::vector<uint8_t>;

// `n` bytes that differ from their neighbours, so that a shifted or truncated copy shows.
Bytes Pattern(std::size_t n, uint8_t seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
  return bytes;
}

WlanBss Bss(unsigned id, uint16_t capability, Bytes ies) {
  WLAN_BSS_ENTRY entry = testing::BssEntry(id, "net" + std::to_string(id), -50 - int(id));
  entry.usCapabilityInformation = capability;
  return {entry, std::move(ies)};
}

// What the listener heard of one query.
struct Heard {
  std::vector<BssObservation> observations;
  int queries = 0;
};

Heard QueryOnce(NetworkTable& table) {
  Heard heard;
  const ScopedQueryListener listener(
      [&](QueryOutcome outcome, std::span<const BssObservation> bsses, std::string_view) {
        ++heard.queries;
        if (outcome == QueryOutcome::kListed) heard.observations.assign(bsses.begin(), bsses.end());
      });
  EXPECT_EQ(QueryBssSnapshot(table), 0);
  return heard;
}

// A list with no elements, one with none among some, the largest frame body's worth, and a
// single byte: each BSS's bytes and capability arrive with it and with no other, and the table
// is what it would be without them.
TEST(BssElements, QueryCarriesEachBssElementsEndToEnd) {
  const std::vector<std::vector<WlanBss>> lists = {
      {Bss(1, 0, {}), Bss(2, 0x0011, {})},
      {Bss(1, 0x0431, Pattern(40, 1)), Bss(2, 0, {}), Bss(3, 0xFFFF, Pattern(2304, 9)),
       Bss(4, 0x0001, {0xDD})},
  };
  for (const auto& list : lists) {
    SCOPED_TRACE(list.size());
    testing::FakeAnswers answers;
    answers.lists = {list};
    const testing::ScopedFakeWlan fake(answers);
    NetworkTable table;
    const Heard heard = QueryOnce(table);
    ASSERT_EQ(heard.queries, 1);
    ASSERT_EQ(heard.observations.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      const BssObservation& o = heard.observations[i];
      EXPECT_EQ(o.bssid[5], list[i].entry.dot11Bssid[5]) << i;
      EXPECT_EQ(o.capability, list[i].entry.usCapabilityInformation) << i;
      EXPECT_EQ(o.ies, list[i].ies) << i;
    }
    EXPECT_EQ(table.size(), list.size());
  }
  EXPECT_EQ(CurrentWlanLayerUsage().openHandles, 0u);
  EXPECT_EQ(CurrentWlanLayerUsage().liveLists, 0u);
}

// The list itself, as a Windows program finds it: elements after all the entries, each pointed
// to from its own entry, dwTotalSize covering them; ulIeOffset 0 for an entry without any.
TEST(BssElements, ListLaysElementsOutAfterTheEntries) {
  const std::vector<WlanBss> served = {Bss(1, 0, Pattern(5, 3)), Bss(2, 0, {}),
                                       Bss(3, 0, Pattern(300, 4))};
  testing::FakeAnswers answers;
  answers.lists = {served};
  const testing::ScopedFakeWlan fake(answers);
  HANDLE client = nullptr;
  DWORD version = 0;
  ASSERT_EQ(WlanOpenHandle(2, nullptr, &version, &client), ERROR_SUCCESS);
  PWLAN_INTERFACE_INFO_LIST interfaces = nullptr;
  ASSERT_EQ(WlanEnumInterfaces(client, nullptr, &interfaces), ERROR_SUCCESS);
  PWLAN_BSS_LIST list = nullptr;
  ASSERT_EQ(WlanGetNetworkBssList(client, &interfaces->InterfaceInfo[0].InterfaceGuid, nullptr,
                                  dot11_BSS_type_any, TRUE, nullptr, &list),
            ERROR_SUCCESS);
  const std::size_t entriesEnd =
      offsetof(WLAN_BSS_LIST, wlanBssEntries) + served.size() * sizeof(WLAN_BSS_ENTRY);
  EXPECT_EQ(list->dwTotalSize, entriesEnd + 305);
  ASSERT_EQ(list->dwNumberOfItems, served.size());
  const auto* start = reinterpret_cast<const uint8_t*>(list);
  std::size_t next = entriesEnd;
  for (std::size_t i = 0; i < served.size(); ++i) {
    const WLAN_BSS_ENTRY& entry = list->wlanBssEntries[i];
    EXPECT_EQ(entry.ulIeSize, served[i].ies.size()) << i;
    if (served[i].ies.empty()) {
      EXPECT_EQ(entry.ulIeOffset, 0u) << i;
      continue;
    }
    const auto* at = reinterpret_cast<const uint8_t*>(&entry) + entry.ulIeOffset;
    EXPECT_EQ(static_cast<std::size_t>(at - start), next) << i;
    EXPECT_EQ(Bytes(at, at + entry.ulIeSize), served[i].ies) << i;
    next += entry.ulIeSize;
  }
  WlanFreeMemory(list);
  WlanFreeMemory(interfaces);
  EXPECT_EQ(WlanCloseHandle(client, nullptr), ERROR_SUCCESS);
}

// The numbers a driver gives are checked before a byte is read: the blob must start after its
// entry and end inside the list, whatever sums would wrap round.
TEST(BssElements, ElementsOnlyWhereTheListHoldsThem) {
  constexpr std::size_t kEntry = sizeof(WLAN_BSS_ENTRY);
  constexpr uint64_t kMax32 = 0xFFFFFFFF;
  const struct {
    std::size_t entryAt;
    uint64_t offset, size;
    std::size_t total;
    bool inside;
  } cases[] = {
      {8, kEntry, 10, 8 + kEntry + 10, true},   // ends at the list's end
      {8, kEntry, 11, 8 + kEntry + 10, false},  // one byte past it
      {8, kEntry + 10, 0, 8 + kEntry + 10, true},
      {8, kEntry + 11, 0, 8 + kEntry + 10, false},
      {8, kEntry - 1, 1, 1000, false},  // inside the entry itself
      {8, 0, 4, 1000, false},
      {1001, kEntry, 1, 1000, false},  // an entry beyond the list
      {8, kMax32, kMax32, 1000, false},
      {8, kEntry, kMax32, 1000, false},
      {8, kMax32, 1, 1000, false},
      {0, kEntry, kMax32 - kEntry, kMax32, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ElementsInsideList(c.entryAt, c.offset, c.size, c.total), c.inside)
        << c.entryAt << " " << c.offset << " " << c.size << " " << c.total;
  }
}

// A list built by hand, as a faulty driver could hand it over: the first entry's elements are
// sound, the second's run one byte past dwTotalSize, the third's start inside the entries; only
// the first comes with elements, and reading the others reads nothing outside the list.
TEST(BssElements, FaultyListGivesNoElementsInsteadOfReadingPastIt) {
  constexpr std::size_t kHeader = offsetof(WLAN_BSS_LIST, wlanBssEntries);
  constexpr std::size_t kEntries = kHeader + 3 * sizeof(WLAN_BSS_ENTRY);
  const Bytes blob = Pattern(12, 5);
  std::vector<uint64_t> storage((kEntries + blob.size() + 7) / 8);  // aligned as the entries
  auto* bytes = reinterpret_cast<uint8_t*>(storage.data());
  std::copy(blob.begin(), blob.end(), bytes + kEntries);
  auto* list = reinterpret_cast<WLAN_BSS_LIST*>(bytes);
  list->dwTotalSize = static_cast<DWORD>(kEntries + blob.size());
  list->dwNumberOfItems = 3;
  WLAN_BSS_ENTRY* entries = list->wlanBssEntries;
  for (std::size_t i = 0; i < 3; ++i) {
    entries[i].ulIeOffset = static_cast<ULONG>(kEntries - kHeader - i * sizeof(WLAN_BSS_ENTRY));
    entries[i].ulIeSize = static_cast<ULONG>(blob.size());
  }
  entries[1].ulIeSize += 1;
  entries[2].ulIeOffset = 4;

  EXPECT_EQ(ObservationFrom(entries[0], ElementsOf(*list, entries[0])).ies, blob);
  EXPECT_TRUE(ElementsOf(*list, entries[1]).empty());
  EXPECT_TRUE(ElementsOf(*list, entries[2]).empty());
  list->dwTotalSize -= 1;  // now the first runs past too
  EXPECT_TRUE(ElementsOf(*list, entries[0]).empty());
}

// A scan result as the kernel lays it out, with these attributes in its BSS.
std::unique_ptr<nl_msg, decltype(&nlmsg_free)> ScanResult(
    const std::vector<std::pair<int, std::string>>& attributes) {
  std::unique_ptr<nl_msg, decltype(&nlmsg_free)> message(nlmsg_alloc(), nlmsg_free);
  genlmsg_put(message.get(), 0, 0, 28, 0, NLM_F_MULTI, NL80211_CMD_NEW_SCAN_RESULTS, 1);
  nlattr* nest = nla_nest_start(message.get(), NL80211_ATTR_BSS);
  nla_put(message.get(), NL80211_BSS_BSSID, 6, "\x02\x11\x22\x33\x44\x55");
  for (const auto& [type, bytes] : attributes) {
    nla_put(message.get(), type, static_cast<int>(bytes.size()), bytes.data());
  }
  nla_nest_end(message.get(), nest);
  return message;
}

// The elements are those of the last frame heard, the beacon's only when there are no others;
// the capability is a u16 or the BSS is skipped.
TEST(Nl80211Parse, ElementsOfTheLastFrameAndTheCapability) {
  const std::string probe("\x00\x04home\x01\x02\x82\x84", 10),
      beacon("\x00\x04home\x05\x04\x00\x01\x00\x00", 12);
  const std::string kSkip = "skip";
  constexpr int kIes = NL80211_BSS_INFORMATION_ELEMENTS, kBeacon = NL80211_BSS_BEACON_IES,
                kCapability = NL80211_BSS_CAPABILITY;
  const struct {
    std::vector<std::pair<int, std::string>> attributes;
    std::string ies;  // kSkip: the BSS is skipped
    uint16_t capability;
  } cases[] = {
      {{{kIes, probe}, {kCapability, std::string("\x31\x04", 2)}}, probe, 0x0431},
      {{{kIes, probe}, {kBeacon, beacon}}, probe, 0},
      {{{kBeacon, beacon}, {kCapability, std::string("\x11\x00", 2)}}, beacon, 0x0011},
      {{{kCapability, std::string("\xFF\xFF", 2)}}, "", 0xFFFF},
      {{}, "", 0},
      {{{kIes, probe}, {kCapability, std::string("\x31", 1)}}, kSkip, 0},  // too short a u16
      {{{kIes, std::string("\x00\x04ho", 4)}}, kSkip, 0},  // an element past its blob
      {{{kIes, std::string("\xDD\x03\x00\x50\xF2", 5) + probe}},
       std::string("\xDD\x03\x00\x50\xF2", 5) + probe,
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    WlanBss bss;
    const BssParse parsed = ParseBssMessage(ScanResult(c.attributes).get(), {}, bss);
    ASSERT_EQ(parsed, c.ies == kSkip ? BssParse::kSkip : BssParse::kEntry);
    if (parsed == BssParse::kSkip) continue;
    EXPECT_EQ(std::string(bss.ies.begin(), bss.ies.end()), c.ies);
    EXPECT_EQ(bss.entry.usCapabilityInformation, c.capability);
    EXPECT_EQ(bss.entry.ulIeOffset, 0u);
    EXPECT_EQ(bss.entry.ulIeSize, 0u);
  }
}

// Recorded from one query and replayed by another, the elements and the capability come back
// as they went, and a BSS without either is written without the fields.
TEST(ScenarioElements, RecordThenReplayGivesTheSameElements) {
  namespace fs = std::filesystem;
  const fs::path path =
      fs::temp_directory_path() / ("quorvan-elements-" + std::to_string(getpid()) + ".jsonl");
  const std::vector<WlanBss> served = {Bss(1, 0x0431, Pattern(2304, 2)), Bss(2, 0, {}),
                                       Bss(3, 0x0001, {}), Bss(4, 0, {0, 0})};
  std::vector<BssObservation> recorded;
  {
    testing::FakeAnswers answers;
    answers.lists = {served};
    const testing::ScopedFakeWlan fake(answers);
    std::string error;
    const auto recorder = QueryRecorder::Open(path.string(), "e.jsonl", error);
    ASSERT_TRUE(recorder) << error;
    const ScopedQueryListener listener(
        [&](QueryOutcome outcome, std::span<const BssObservation> bsses, std::string_view) {
          recorder->Record(outcome, bsses);
          recorded.assign(bsses.begin(), bsses.end());
        });
    NetworkTable table;
    ASSERT_EQ(QueryBssSnapshot(table), 0);
    ASSERT_EQ(recorder->WriteError(), "");
  }
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(path);
  ASSERT_EQ(recorded.size(), served.size());
  EXPECT_EQ(recorded[0].ies, served[0].ies);
  EXPECT_EQ(text, ScenarioLineText(QueryOutcome::kListed, recorded) + "\n");
  // The fields only where there is something to keep.
  const struct {
    std::size_t bss;
    bool capability, ies;
  } written[] = {{0, true, true}, {1, false, false}, {2, true, false}, {3, false, true}};
  for (const auto& w : written) {
    const std::string line = ScenarioLineText(QueryOutcome::kListed, {&recorded[w.bss], 1});
    EXPECT_EQ(line.find("\"capability\":") != std::string::npos, w.capability) << line;
    EXPECT_EQ(line.find("\"ies_hex\":") != std::string::npos, w.ies) << line;
  }
  EXPECT_NE(text.find(R"("capability":1073,)"), std::string::npos);
  EXPECT_NE(text.find(R"("ies_hex":"0000")"), std::string::npos);

  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(text, lines, error)) << error;
  Heard replayed;
  {
    const ScopedWlanService installed(std::make_unique<ScenarioService>(lines, "e.jsonl"));
    NetworkTable table;
    replayed = QueryOnce(table);
  }
  ASSERT_EQ(replayed.observations.size(), recorded.size());
  for (std::size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_EQ(replayed.observations[i].bssid, recorded[i].bssid) << i;
    EXPECT_EQ(replayed.observations[i].capability, recorded[i].capability) << i;
    EXPECT_EQ(replayed.observations[i].ies, recorded[i].ies) << i;
    EXPECT_EQ(replayed.observations[i].rssi, recorded[i].rssi) << i;
  }
}

// Bad fields refused with their line and BSS, as every other field is; the largest body and an
// empty one are fine.
TEST(ScenarioElements, FieldsReadOrRefusedWithTheirLine) {
  const std::string bss = R"([{"bssid": "00:00:00:00:00:01", )";
  const struct {
    std::string fields;
    const char* error;  // nullptr: read
    uint16_t capability;
    std::size_t ies;
  } cases[] = {
      {R"("capability": 65535, "ies_hex": ")" + std::string(4608, 'a') + "\"", nullptr, 65535,
       2304},
      {R"("capability": 0, "ies_hex": "")", nullptr, 0, 0},
      {R"("ies_hex": "00Ff")", nullptr, 0, 2},
      {R"("ies_hex": ")" + std::string(4610, 'a') + "\"",
       "BSS 1: \"ies_hex\" is 2305 bytes, more than 2304", 0, 0},
      {R"("ies_hex": "abc")", "BSS 1: \"ies_hex\" is not hex digits in pairs", 0, 0},
      {R"("ies_hex": "0g")", "BSS 1: \"ies_hex\" is not hex digits in pairs", 0, 0},
      {R"("ies_hex": 12)", "BSS 1: \"ies_hex\" must be a string", 0, 0},
      {R"("ies_hex": ["00"])", "BSS 1: \"ies_hex\" must be a string", 0, 0},
      {R"("capability": 65536)", "BSS 1: \"capability\" is out of range", 0, 0},
      {R"("capability": -1)", "BSS 1: \"capability\" is out of range", 0, 0},
      {R"("capability": "0x11")", "BSS 1: \"capability\" must be a number", 0, 0},
      {R"("capability": 1.5)",
       "BSS 1: \"capability\" is out of range (not an integer, or too large)", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields.substr(0, 40));
    std::vector<ScenarioLine> lines;
    std::string error;
    const bool read = ParseScenario("[]\n# c\n" + bss + c.fields + "}]\n", lines, error);
    if (c.error != nullptr) {
      EXPECT_FALSE(read);
      EXPECT_EQ(error, std::string("3: ") + c.error);
      continue;
    }
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[1].bsses.size(), 1u);
    EXPECT_EQ(lines[1].bsses[0].capability, c.capability);
    EXPECT_EQ(lines[1].bsses[0].ies.size(), c.ies);
  }
}

}  // namespace
}  // namespace quorvan
