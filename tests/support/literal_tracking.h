#pragma once

// A plain transcription of the tracking rules as first written down: a linear search by MAC
// text and a quadratic selection sort. It is the oracle that the fast table is checked against
// and the baseline of the benchmark; it is deliberately not clever.

#include <list>
#include <memory>
#include <span>
#include <string>

#include "tracking/scan_cycle.h"

namespace quorvan::testing {

struct LiteralTable {
  std::list<std::unique_ptr<TrackedNetwork>> records;

  TrackedNetwork* FindByMac(const char* mac);
  void SortBySsid();
};

void LiteralAdvanceHistory(LiteralTable& table);
void LiteralMergeBssList(LiteralTable& table, std::span<const BssObservation> snapshot);
void LiteralUpdateActivity(LiteralTable& table);

// One line of text per record with every field, for comparing whole tables.
std::string DumpRecord(const TrackedNetwork& record);

}  // namespace quorvan::testing
