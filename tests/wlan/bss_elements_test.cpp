// The information elements and the capability field of each BSS, on their way from a service
// to the query's listener: placed in the list by the layer, found again through ulIeOffset and
// ulIeSize by the access code (and not found when the numbers point outside the list), and kept
// by recordings. nl80211's attributes and the scenario fields: wlan_services_test.cpp.

#include <gtest/gtest.h>
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
std::vector<BssObservation> QueryOnce(NetworkTable& table) {
  std::vector<BssObservation> heard;
  int queries = 0;
  const ScopedQueryListener listener(
      [&](QueryOutcome outcome, std::span<const BssObservation> bsses, std::string_view) {
        ++queries;
        if (outcome == QueryOutcome::kListed) heard.assign(bsses.begin(), bsses.end());
      });
  EXPECT_EQ(QueryBssSnapshot(table), 0);
  EXPECT_EQ(queries, 1);
  return heard;
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
      {8, kEntry + 11, 0, 8 + kEntry + 10, false},
      {8, kEntry - 1, 1, 1000, false},   // inside the entry itself
      {1001, kEntry, 1, 1000, false},    // an entry beyond the list
      {8, kMax32, kMax32, 1000, false},  // sums that wrap round
      {8, kEntry, kMax32, 1000, false},
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

// The largest frame body's worth, none among some, and two bytes: each BSS's elements and
// capability arrive at the listener with it and with no other, are recorded, and come back from
// the recording as they went; a BSS without either is written without the fields.
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
  for (std::size_t i = 0; i < served.size(); ++i) {
    EXPECT_EQ(recorded[i].bssid[5], served[i].entry.dot11Bssid[5]) << i;
    EXPECT_EQ(recorded[i].capability, served[i].entry.usCapabilityInformation) << i;
    EXPECT_EQ(recorded[i].ies, served[i].ies) << i;
  }
  EXPECT_EQ(text, ScenarioLineText(QueryOutcome::kListed, recorded) + "\n");
  // The fields only where there is something to keep: two of each for four BSSes.
  EXPECT_NE(text.find(R"("capability":1073,)"), std::string::npos);
  EXPECT_NE(text.find(R"("ies_hex":"0000")"), std::string::npos);
  const auto count = [&text](std::string_view field) {
    std::size_t n = 0;
    for (auto at = text.find(field); at != std::string::npos; at = text.find(field, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("\"capability\":"), 2u);
  EXPECT_EQ(count("\"ies_hex\":"), 2u);

  std::vector<ScenarioLine> lines;
  std::string error;
  ASSERT_TRUE(ParseScenario(text, lines, error)) << error;
  std::vector<BssObservation> replayed;
  {
    const ScopedWlanService installed(std::make_unique<ScenarioService>(lines, "e.jsonl"));
    NetworkTable table;
    replayed = QueryOnce(table);
  }
  ASSERT_EQ(replayed.size(), recorded.size());
  for (std::size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_EQ(replayed[i].bssid, recorded[i].bssid) << i;
    EXPECT_EQ(replayed[i].capability, recorded[i].capability) << i;
    EXPECT_EQ(replayed[i].ies, recorded[i].ies) << i;
    EXPECT_EQ(replayed[i].rssi, recorded[i].rssi) << i;
  }
}

}  // namespace
}  // namespace quorvan
