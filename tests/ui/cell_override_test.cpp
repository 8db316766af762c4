// A program's own text for some cells: asked for the record's cells only, cut to a cell's size,
// and gone with its guard.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/support/listed_table.h"
#include "tests/support/observations.h"
#include "ui/network_list.h"

namespace quorvan {
namespace {

using testing::Observation;

TEST(CellTextOverride, ReplacesOnlyWhatItSaysAndIsNotAskedForIndexNameOrBlankCells) {
  testing::ListedTable listed;
  listed.Cycle({Observation(1, "cafe", -47), Observation(2, "bar", -60)});
  std::set<std::pair<std::string, int>> asked;
  const ScopedCellTextOverride cells(
      [&asked](const TrackedNetwork& record, Column column) -> std::optional<std::string_view> {
        asked.insert({std::string(FieldText(record.ssid)), ColumnNumber(column)});
        if (column == Column::kEncryption && FieldText(record.ssid) == "cafe") {
          return "0,WPA2-Personal";
        }
        return std::nullopt;
      });
  listed.Cycle({Observation(2, "bar", -60)});  // cafe missed: its link quality is blank

  ASSERT_EQ(listed.list.RowCount(), 2);
  const int encryption = ColumnNumber(Column::kEncryption);
  EXPECT_EQ(listed.list.CellText(0, ColumnNumber(Column::kSsid)), "bar");
  EXPECT_EQ(listed.list.CellText(0, encryption), "0,wep ");
  EXPECT_EQ(listed.list.CellText(1, encryption), "0,WPA2-Personal");
  EXPECT_EQ(listed.list.CellText(1, ColumnNumber(Column::kLinkQuality)), "");

  for (const char* ssid : {"bar", "cafe"}) {
    for (int column = 0; column < kColumnCount; ++column) {
      const auto c = static_cast<Column>(column);
      const bool expected = c != Column::kIndex && c != Column::kSsid &&
                            !(std::string(ssid) == "cafe" && c == Column::kLinkQuality);
      EXPECT_EQ(asked.count({ssid, column}) == 1, expected) << ssid << " column " << column;
    }
  }
}

TEST(CellTextOverride, TextIsCutToACellAndGuardsNest) {
  testing::ListedTable listed;
  const std::string longText(200, 'x');
  const auto encryption = [&listed] {
    listed.Cycle({Observation(1, "cafe", -47)});
    return listed.list.CellText(0, ColumnNumber(Column::kEncryption));
  };
  {
    const ScopedCellTextOverride outer(
        [&longText](const TrackedNetwork&, Column column) -> std::optional<std::string_view> {
          if (column == Column::kEncryption) return longText;
          return std::nullopt;
        });
    EXPECT_EQ(encryption(), std::string(kCellSize - 1, 'x'));
    {
      const ScopedCellTextOverride inner(
          [](const TrackedNetwork&, Column column) -> std::optional<std::string_view> {
            if (column == Column::kEncryption) return "inner";
            return std::nullopt;
          });
      EXPECT_EQ(encryption(), "inner");
    }
    EXPECT_EQ(encryption(), std::string(kCellSize - 1, 'x'));
  }
  EXPECT_EQ(encryption(), "0,wep ");
}

}  // namespace
}  // namespace quorvan
