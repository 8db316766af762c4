#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tracking/tracked_network.h"
#include "ui/memory_list_view.h"

namespace quorvan {

class DetailsStore;

// How `--list` prints the list for other tools.
enum class ListFormat {
  kTsv,   // the header line and the cells, tab-separated, as the list shows them
  kCsv,   // the same cells as RFC 4180 CSV: a header row, quoted fields, CRLF line ends
  kJson,  // an array of objects with stable field names and typed values
};

// "tsv", "csv" or "json"; nothing for any other name.
std::optional<ListFormat> ParseListFormat(std::string_view name);

// The list in `format`. `records` are the records the rows show, row by row: JSON takes what
// only the record holds (the SSID's raw bytes, the numbers behind the cells) from them, and with
// `details` what the BSS's elements say (security, standard, width, centre, country, vendor,
// stations, utilisation, the elements in hex). TSV and CSV are the list's cells alone.
std::string FormatList(const MemoryListView& list, std::span<const TrackedNetwork* const> records,
                       ListFormat format, const DetailsStore* details = nullptr);

}  // namespace quorvan
