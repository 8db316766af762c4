// The terminal layout marks the lines of networks not heard in the last cycle, wherever the
// rows are scrolled to; the shell draws them dimmed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/listed_table.h"
#include "tests/support/observations.h"
#include "ui/text/terminal_view.h"

namespace quorvan {
namespace {

using testing::Observation;

// The first word of the SSID column of each marked line, by line number: "3:b 5:d".
std::string MarkedLines(TerminalView& view, int height, int firstRowKeys = 0) {
  for (int i = 0; i < firstRowKeys; ++i) view.OnKey(Key::kDown, 0, 120, height);
  const std::vector<std::string> lines = view.Render("t", 120, height);
  std::string marked;
  for (int line = -1; line <= static_cast<int>(lines.size()); ++line) {
    if (!view.LineNotSeen(line, height)) continue;
    EXPECT_GE(line, 2);
    EXPECT_LT(line, static_cast<int>(lines.size()) - 1) << "not the status line";
    // The SSID is the fourth column: "1   16  00 .. 05  name".
    const std::string& text = lines[static_cast<std::size_t>(line)];
    const std::size_t name = text.find("net-");
    marked +=
        std::to_string(line) + ":" + (name == std::string::npos ? "?" : text.substr(name, 5)) + " ";
  }
  return marked;
}

TEST(TerminalLayout, MarksTheRowsOfNetworksNotHeardInTheLastCycle) {
  testing::ListedTable listed;
  BssSnapshot all;
  for (unsigned id = 0; id < 8; ++id) {
    all.push_back(Observation(id, "net-" + std::to_string(id), -50));
  }
  listed.Cycle(all);
  TerminalView view(listed.list);
  EXPECT_EQ(MarkedLines(view, 14), "");

  // net-1 and net-4 not heard: rows 1 and 4, lines 3 and 6 under the title and the header.
  BssSnapshot some;
  for (const BssObservation& o : all) {
    if (o.bssid[5] != 1 && o.bssid[5] != 4) some.push_back(o);
  }
  listed.Cycle(some);
  EXPECT_EQ(MarkedLines(view, 14), "3:net-1 6:net-4 ");
  // Four lines of rows: lines 2 to 5 show rows 0 to 3.
  EXPECT_EQ(MarkedLines(view, 7), "3:net-1 ");
  // Three lines of rows (2 to 4); moving down far enough scrolls net-4 (row 4) into them, on
  // the line of its place below the first row shown, and net-1 out.
  const std::string marked = MarkedLines(view, 6, 6);
  ASSERT_GT(view.FirstRow(), 1);
  EXPECT_EQ(marked, std::to_string(2 + 4 - view.FirstRow()) + ":net-4 ");
}

}  // namespace
}  // namespace quorvan
