// Drives the indexed table and the literal transcription through the same random cycles and
// compares the whole tables, order and every field, after each one.

#include <gtest/gtest.h>

#include <random>

#include "tests/support/literal_tracking.h"
#include "tests/support/observations.h"

namespace quorvan {
namespace {

using testing::DumpRecord;
using testing::LiteralTable;

std::vector<std::string> Dump(NetworkTable& table) {
  std::vector<std::string> lines;
  for (auto& record : table) lines.push_back(DumpRecord(record));
  return lines;
}

std::vector<std::string> Dump(LiteralTable& table) {
  std::vector<std::string> lines;
  for (auto& record : table.records) lines.push_back(DumpRecord(*record));
  return lines;
}

BssSnapshot RandomSnapshot(std::mt19937& random, unsigned population) {
  // Few names for many BSSes, so equal names are common; some hidden, some non-ASCII, some
  // filling all 32 bytes.
  // Names that tie on their first 8 and 16 bytes, or end there, as well as short ones.
  static const char* const kNames[] = {"",
                                       "home",
                                       "home",
                                       "cafe",
                                       "\xC3\xA4rger",
                                       "\xFF",
                                       "a",
                                       "0123456789abcdef",
                                       "0123456789abcdef0123456789ABCDEe",
                                       "0123456789abcdef0123456789ABCDEF"};
  std::uniform_int_distribution<unsigned> pick(0, population - 1);
  std::uniform_int_distribution<unsigned> count(0, population);
  std::uniform_int_distribution<int> name(0, std::size(kNames) - 1);
  std::uniform_int_distribution<int> rssi(-110, -20);
  std::uniform_int_distribution<uint64_t> wide;
  std::uniform_int_distribution<int> band(0, 3);
  static const uint32_t kFrequencies[] = {2412000, 2484000, 5180000, 5955000};

  BssSnapshot snapshot(count(random));
  for (auto& o : snapshot) {
    const unsigned id = pick(random);  // repeats within one snapshot happen
    // A BSS keeps its name most of the time, so names stay stable across cycles.
    o = testing::Observation(id, kNames[(id + (random() % 8 == 0 ? name(random) : 0)) % 10],
                             rssi(random), kFrequencies[band(random)],
                             static_cast<uint16_t>(random()));
    o.timestamp = wide(random);
    o.hostTimestamp = wide(random);
  }
  return snapshot;
}

TEST(TrackingOracle, RandomCyclesMatchTheLiteralRules) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    const unsigned population = 5 + seed * 3;
    NetworkTable table;
    LiteralTable literal;
    for (int cycle = 0; cycle < 120; ++cycle) {
      AdvanceHistory(table);
      testing::LiteralAdvanceHistory(literal);
      if (random() % 6 != 0) {  // otherwise the query failed and nothing is merged
        const BssSnapshot snapshot = RandomSnapshot(random, population);
        MergeBssList(table, snapshot);
        testing::LiteralMergeBssList(literal, snapshot);
      }
      UpdateActivity(table);
      testing::LiteralUpdateActivity(literal);
      table.SortBySsid();
      literal.SortBySsid();
      ASSERT_EQ(Dump(table), Dump(literal)) << "seed " << seed << ", cycle " << cycle;
    }
  }
}

}  // namespace
}  // namespace quorvan
