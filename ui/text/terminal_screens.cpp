#include "ui/text/terminal_screens.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "base/utf8.h"
#include "details/details_text.h"
#include "ui/ssid_text.h"
#include "ui/text/terminal_view.h"

namespace quorvan {
namespace {

using ieee80211::Band;
using ieee80211::BssDetails;

std::string Number(long long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld", value);
  return text;
}

// Lines of characters written cell by cell: a wide character takes its cell and the next.
class Canvas {
 public:
  Canvas(int width, int height)
      : width_(width), cells_(static_cast<std::size_t>(width * height), " ") {}

  // Writes `text` from cell `x` of line `y`; what falls outside is dropped.
  void Put(int y, int x, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
      char32_t code;
      std::size_t length = Utf8Length(text, i, code);
      const int cells = DisplayWidth(text.substr(i, length));
      if (cells > 0 && x >= 0 && x + cells <= width_ && y >= 0 && y < Height()) {
        At(y, x) = std::string(text.substr(i, length));
        if (cells == 2) At(y, x + 1).clear();
      }
      x += cells;
      i += length;
    }
  }

  int Height() const { return static_cast<int>(cells_.size()) / std::max(1, width_); }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int y = 0; y < Height(); ++y) {
      std::string line;
      for (int x = 0; x < width_; ++x) line += cells_[static_cast<std::size_t>(y * width_ + x)];
      lines.push_back(std::move(line));
    }
    return lines;
  }

 private:
  static std::size_t Utf8Length(std::string_view text, std::size_t i, char32_t& code) {
    const std::size_t length = Utf8SequenceAt(text, i, code);
    return length != 0 ? length : 1;
  }
  std::string& At(int y, int x) { return cells_[static_cast<std::size_t>(y * width_ + x)]; }

  int width_;
  std::vector<std::string> cells_;  // one character (or "" behind a wide one) per cell
};

// A braille character with the dots `bits` (U+2800 + bits).
std::string Braille(uint8_t bits) {
  const char32_t code = 0x2800 + bits;
  return {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
          static_cast<char>(0x80 | (code & 0x3F))};
}

// The dot of braille cell column `dx` (0, 1) and row `dy` (0..3), as Unicode numbers them.
uint8_t BrailleBit(int dx, int dy) {
  static constexpr uint8_t kBits[2][4] = {{0x01, 0x02, 0x04, 0x40}, {0x08, 0x10, 0x20, 0x80}};
  return kBits[dx][dy];
}

constexpr int kTopDbm = -20;
constexpr int kBottomDbm = -100;
constexpr int kCycleSeconds = 20;

struct BandRange {
  int lowMhz, highMhz;
  std::vector<int> channels;  // those the axis may name
};

BandRange RangeOf(Band band) {
  BandRange range{0, 0, {}};
  switch (band) {
    case Band::k2400:
      range = {2401, 2495, {}};
      for (int c = 1; c <= 14; ++c) range.channels.push_back(c);
      break;
    case Band::k5000:
      range = {5150, 5895, {}};
      for (int c = 36; c <= 64; c += 4) range.channels.push_back(c);
      for (int c = 100; c <= 144; c += 4) range.channels.push_back(c);
      for (int c = 149; c <= 177; c += 4) range.channels.push_back(c);
      break;
    case Band::k6000:
      range = {5945, 7125, {}};
      for (int c = 1; c <= 233; c += 4) range.channels.push_back(c);
      break;
    default:
      break;
  }
  return range;
}

}  // namespace

std::vector<std::string> DetailsLines(const BssInfo* info, int width) {
  constexpr int kLabelCells = 24;  // "Highest supported rate: "
  std::vector<std::string> lines;
  const auto field = [&lines](std::string_view label, std::string_view value) {
    std::string line(label);
    line += ':';
    line.append(static_cast<std::size_t>(std::max(1, kLabelCells - DisplayWidth(line))), ' ');
    line += value;
    lines.push_back(std::move(line));
  };
  if (info == nullptr) {
    lines.push_back("Nothing is known of this network yet.");
  } else if (!info->elementsKnown) {
    field("Vendor", info->vendor.empty() ? std::string_view("unknown") : info->vendor);
    lines.push_back("");
    lines.push_back("No report of this network carried its elements.");
  } else {
    for (const DetailField& detail : DetailFields(info->details, info->vendor)) {
      field(detail.label, detail.value);
    }
    const auto elements = ieee80211::ListElements(info->ies);
    lines.push_back("");
    lines.push_back("Elements (" + Number(static_cast<long long>(elements.size())) + ", " +
                    Number(static_cast<long long>(info->ies.size())) + " bytes)");
    // Sixteen bytes a line as a hex dump has them, fewer on a narrow terminal.
    const int indent = 5;
    const std::size_t perLine =
        static_cast<std::size_t>(std::clamp((width - indent + 1) / 3, 1, 16));
    for (const ieee80211::ElementInfo& element : elements) {
      // Ids right-aligned in three cells, so that the names line up.
      const std::string heading = ElementHeading(element);
      const int idWidth = static_cast<int>(heading.find(' '));
      lines.push_back(std::string(static_cast<std::size_t>(std::max(0, 3 - idWidth)), ' ') +
                      heading);
      const std::span<const uint8_t> bytes = element.data;
      for (std::size_t at = 0; at < bytes.size(); at += perLine) {
        lines.push_back(std::string(static_cast<std::size_t>(indent), ' ') +
                        HexText(bytes.subspan(at, std::min(perLine, bytes.size() - at))));
      }
    }
  }
  for (std::string& line : lines) line = FitCells(line, width);
  return lines;
}

std::vector<std::string> SignalGraphLines(const SignalHistory& history, int width, int height) {
  constexpr int kAxisCells = 5;  // "-100" and the axis
  const int plotCells = width - kAxisCells;
  const int rows = height - 2;
  if (plotCells < 2 || rows < 2) return {};
  Canvas canvas(width, height);
  const int dotsAcross = 2 * plotCells;
  const int dotsDown = 4 * rows;
  const auto dotY = [dotsDown](int32_t dBm) {
    const double y = static_cast<double>(kTopDbm - dBm) * (dotsDown - 1) / (kTopDbm - kBottomDbm);
    return std::clamp(static_cast<int>(std::lround(y)), 0, dotsDown - 1);
  };
  // Now at the right edge, half an hour ago at the left.
  const auto dotX = [dotsAcross](int cyclesAgo) {
    return static_cast<int>(std::lround(static_cast<double>(kSignalHistoryCycles - 1 - cyclesAgo) *
                                        (dotsAcross - 1) / (kSignalHistoryCycles - 1)));
  };

  std::vector<uint8_t> dots(static_cast<std::size_t>(plotCells * rows), 0);
  const auto set = [&](int x, int y) {
    dots[static_cast<std::size_t>((y / 4) * plotCells + x / 2)] |= BrailleBit(x % 2, y % 4);
  };
  const int n = history.size();
  std::optional<std::pair<int, int>> previous;
  for (int i = 0; i < n; ++i) {
    const std::optional<int32_t> point = history[i];
    if (!point) {
      previous.reset();  // a gap: the line breaks
      continue;
    }
    const int x = dotX(n - 1 - i), y = dotY(*point);
    if (previous) {
      // Joined to the previous cycle's point, one dot at every step of the longer way.
      const auto [x0, y0] = *previous;
      const int steps = std::max(std::abs(x - x0), std::abs(y - y0));
      for (int s = 1; s < steps; ++s) {
        set(x0 + static_cast<int>(std::lround(static_cast<double>(x - x0) * s / steps)),
            y0 + static_cast<int>(std::lround(static_cast<double>(y - y0) * s / steps)));
      }
    }
    set(x, y);
    previous = {x, y};
  }
  for (int r = 0; r < rows; ++r) {
    canvas.Put(r, kAxisCells - 1, "│");
    for (int c = 0; c < plotCells; ++c) {
      const uint8_t bits = dots[static_cast<std::size_t>(r * plotCells + c)];
      if (bits != 0) canvas.Put(r, kAxisCells + c, Braille(bits));
    }
  }
  for (int dBm = kTopDbm; dBm >= kBottomDbm; dBm -= 20) {
    const std::string label = Number(dBm);
    const int row = dotY(dBm) / 4;
    canvas.Put(row, kAxisCells - 1 - DisplayWidth(label), label);
    canvas.Put(row, kAxisCells - 1, "┤");
  }
  // The time axis: a tick every ten minutes, labelled where the labels do not collide.
  const int axis = rows;
  canvas.Put(axis, kAxisCells - 1, "└");
  for (int c = 0; c < plotCells; ++c) canvas.Put(axis, kAxisCells + c, "─");
  int labelsEnd = -1;
  const int minutes = kSignalHistoryCycles * kCycleSeconds / 60;
  for (int m = minutes; m >= 0; m -= 10) {
    // Half an hour ago is the oldest point kept, a cycle short of it.
    const int cell =
        kAxisCells + dotX(std::min(m * 60 / kCycleSeconds, kSignalHistoryCycles - 1)) / 2;
    canvas.Put(axis, cell, "┴");
    std::string label = m == minutes ? Number(m) + " min ago" : m == 0 ? "now" : Number(m);
    int at = cell - (m == 0 ? DisplayWidth(label) - 1 : m == minutes ? 0 : DisplayWidth(label) / 2);
    at = std::min(at, width - DisplayWidth(label));
    if (at > labelsEnd && at >= 0) {
      canvas.Put(axis + 1, at, label);
      labelsEnd = at + DisplayWidth(label);
    }
  }
  return canvas.Lines();
}

std::string_view BandName(Band band) {
  switch (band) {
    case Band::k2400:
      return "2.4 GHz";
    case Band::k4900:
      return "4.9 GHz";
    case Band::k5000:
      return "5 GHz";
    case Band::k6000:
      return "6 GHz";
    default:
      return "unknown band";
  }
}

ChannelLanes ChannelMapLines(const DetailsStore& store, Band band, std::string_view selectedMac,
                             int width, int height) {
  ChannelLanes map;
  const BandRange range = RangeOf(band);
  const int lanes = height - 2;
  const int left = 1, plot = width - 2;
  if (lanes < 1 || plot < 8 || range.channels.empty()) return map;
  Canvas canvas(width, height);
  const auto cellOf = [&](double mhz) {
    const double x = (mhz - range.lowMhz) * (plot - 1) / (range.highMhz - range.lowMhz);
    return left + std::clamp(static_cast<int>(std::lround(x)), 0, plot - 1);
  };

  struct Heard {
    const BssInfo* info;
    int32_t dBm;
  };
  std::vector<Heard> heard;
  store.ForEach([&](const BssInfo& info) {
    const std::optional<int32_t> latest = info.signal.Latest();
    if (latest && ieee80211::BandOfFrequency(info.frequencyKhz) == band) {
      heard.push_back({&info, *latest});
    }
  });
  // The strongest first, on the top lanes; equal ones in MAC order, so the map holds still.
  std::sort(heard.begin(), heard.end(), [](const Heard& a, const Heard& b) {
    if (a.dBm != b.dBm) return a.dBm > b.dBm;
    return std::string_view(a.info->mac) < std::string_view(b.info->mac);
  });
  map.networks = static_cast<int>(heard.size());

  // Each lane: the cells taken, as [first, last] pairs.
  std::vector<std::vector<std::pair<int, int>>> taken(static_cast<std::size_t>(lanes));
  for (const Heard& h : heard) {
    const BssInfo& info = *h.info;
    const bool decoded = info.elementsKnown && info.details.centerFrequencyKhz != 0;
    const double centre = (decoded ? info.details.centerFrequencyKhz : info.frequencyKhz) / 1000.0;
    // Of 80+80, the segment that holds the primary channel.
    const int span = !decoded                                ? 20
                     : info.details.centerFrequency2Khz != 0 ? info.details.channelWidthMhz / 2
                                                             : info.details.channelWidthMhz;
    const int first = cellOf(centre - span / 2.0);
    const int last = std::max(first + 1, cellOf(centre + span / 2.0));
    const auto ssid = info.SsidBytes();
    std::string label =
        EscapeSsid(std::string_view(reinterpret_cast<const char*>(ssid.data()), ssid.size()));
    label = FitCells(label, 20);
    label += (label.empty() ? "" : " ") + Number(h.dBm);
    const int inside = last - first - 1;
    const bool labelInside = DisplayWidth(label) <= inside;
    int end = last;
    if (!labelInside) {
      // Beside the span, cut at the right edge (the signal at least must show whole).
      const int room = left + plot - (last + 2);
      if (room >= DisplayWidth(Number(h.dBm)) + 1) {
        label = FitCells(label, room);
        end = last + 1 + DisplayWidth(label);
      } else {
        label.clear();
      }
    }
    int lane = 0;
    for (; lane < lanes; ++lane) {
      const auto& cells = taken[static_cast<std::size_t>(lane)];
      const bool clear = std::none_of(cells.begin(), cells.end(), [&](const auto& t) {
        return first <= t.second + 1 && end >= t.first - 1;
      });
      if (clear) break;
    }
    if (lane == lanes) continue;
    taken[static_cast<std::size_t>(lane)].push_back({first, end});
    ++map.shown;
    std::string bar = "[";
    bar.append(static_cast<std::size_t>(last - first - 1), '=');
    bar += "]";
    canvas.Put(lane, first, bar);
    if (!label.empty()) {
      canvas.Put(lane, labelInside ? first + 1 + (inside - DisplayWidth(label)) / 2 : last + 2,
                 label);
    }
    if (selectedMac == info.mac) {
      map.selectedLine = lane;
      map.selectedCell = first;
      map.selectedCells = last - first + 1;
    }
  }

  // The axis: every channel, or every second, fourth... as many as can be named without one
  // number running into the next; a tick under each named.
  const int axis = lanes;
  for (int c = 0; c < plot; ++c) canvas.Put(axis, left + c, "─");
  const auto labelAt = [&](int channel) {
    const std::string label = Number(channel);
    const int cell = cellOf(ieee80211::ChannelCenterKhz(band, channel) / 1000.0);
    return std::pair{std::min(cell - (DisplayWidth(label) - 1) / 2, width - DisplayWidth(label)),
                     cell};
  };
  std::size_t step = 1;
  for (; step < range.channels.size(); step *= 2) {
    int end = -1;
    bool fits = true;
    for (std::size_t i = 0; i < range.channels.size() && fits; i += step) {
      const int at = labelAt(range.channels[i]).first;
      fits = at > end;
      end = at + DisplayWidth(Number(range.channels[i]));
    }
    if (fits) break;
  }
  for (std::size_t i = 0; i < range.channels.size(); i += step) {
    const auto [at, cell] = labelAt(range.channels[i]);
    canvas.Put(axis, cell, "┴");
    canvas.Put(axis + 1, at, Number(range.channels[i]));
  }
  map.lines = canvas.Lines();
  return map;
}

}  // namespace quorvan
