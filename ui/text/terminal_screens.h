#pragma once

// What the terminal shows of one network beside the list, from the details store: its decoded
// elements, its signal over the last half hour, and who shares which channel in a band. Lines
// of characters, each exactly as wide as asked, for the ncurses shell to draw as they are.

#include <string>
#include <string_view>
#include <vector>

#include "details/details_store.h"
#include "ieee80211/elements.h"

namespace quorvan {

// The details view's lines for `info` (nullptr: not known to the store), at most `width` cells
// each: "Security: WPA2-Personal" and the other decoded fields, then each element's ID, name
// and bytes in hex, the bytes wrapped under one another.
std::vector<std::string> DetailsLines(const BssInfo* info, int width);

// The signal graph of `history` in `width` x `height` cells: a dBm axis from -20 at the top to
// -100 at the bottom on the left, braille dots (two points across and four up each cell) joined
// from cycle to cycle and broken where the network was not heard, and the time in minutes ago
// on the last two lines, now at the right edge. Empty when the size leaves no room.
std::vector<std::string> SignalGraphLines(const SignalHistory& history, int width, int height);

// The bands the channel map shows, in the order Left and Right step through them.
inline constexpr ieee80211::Band kMapBands[] = {ieee80211::Band::k2400, ieee80211::Band::k5000,
                                                ieee80211::Band::k6000};
std::string_view BandName(ieee80211::Band band);  // "2.4 GHz", "5 GHz", "6 GHz"

// The networks heard in the last cycle in `band`, each a span "[=...=]" over the frequencies
// its channel width covers with its SSID (escaped as the list shows it) and signal inside or
// beside it, the strongest on the top lines; under them the channel numbers. `selectedMac`'s
// span is reported in `selectedLine` / `selectedCell` / `selectedCells` (line -1 when it is
// not shown) so that the shell can draw it highlighted.
struct ChannelLanes {
  std::vector<std::string> lines;  // `height` lines of `width` cells
  int networks = 0;                // heard in the band
  int shown = 0;                   // of those, drawn: the rest did not fit the lines
  int selectedLine = -1, selectedCell = 0, selectedCells = 0;
};
ChannelLanes ChannelMapLines(const DetailsStore& store, ieee80211::Band band,
                             std::string_view selectedMac, int width, int height);

}  // namespace quorvan
