#include "wlan/linux/monitor_plan.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "tracking/scan_cycle.h"

namespace quorvan {
namespace {

// The 802.11 channel plans (Annex E): 2.4 GHz from 2407 MHz, channel 14 apart; 5 GHz from
// 5000 MHz; 6 GHz from 5950 MHz, channel 2 at 5935 MHz.
uint32_t MhzOfChannelNumber(int channel) {
  if (channel >= 1 && channel <= 13) return 2407 + 5 * static_cast<uint32_t>(channel);
  if (channel == 14) return 2484;
  if (channel >= 32 && channel <= 177) return 5000 + 5 * static_cast<uint32_t>(channel);
  return 0;
}

}  // namespace

std::optional<std::vector<uint32_t>> ParseChannelList(std::string_view text, std::string& bad) {
  std::vector<uint32_t> mhz;
  std::size_t at = 0;
  for (;;) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string_view item = text.substr(at, comma - at);
    bad.assign(item);
    unsigned number = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), number);
    if (item.empty() || error != std::errc() || end != item.data() + item.size()) {
      return std::nullopt;
    }
    uint32_t frequency = 0;
    if (number < 1000) {
      frequency = MhzOfChannelNumber(static_cast<int>(number));
    } else if (ChannelFromFrequency(number * 1000) != 0) {
      frequency = number;
    }
    if (frequency == 0) return std::nullopt;
    if (std::find(mhz.begin(), mhz.end(), frequency) == mhz.end()) mhz.push_back(frequency);
    if (comma == text.size()) break;
    at = comma + 1;
  }
  bad.clear();
  return mhz;
}

std::optional<uint32_t> FirstNotAllowed(std::span<const uint32_t> wanted,
                                        std::span<const uint32_t> allowed) {
  for (uint32_t mhz : wanted) {
    if (std::find(allowed.begin(), allowed.end(), mhz) == allowed.end()) return mhz;
  }
  return std::nullopt;
}

std::chrono::milliseconds HopDwell(std::size_t channels) {
  const auto share = kHopPeriod / static_cast<int64_t>(channels + 1);
  return std::clamp(share, kMinDwell, kMaxDwell);
}

HopSchedule::HopSchedule(std::vector<uint32_t> mhz, std::chrono::milliseconds dwell)
    : mhz_(std::move(mhz)), dwell_(std::max(dwell, std::chrono::milliseconds(1))) {}

uint64_t HopSchedule::VisitAt(std::chrono::nanoseconds sinceStart) const {
  if (sinceStart.count() < 0) return 0;
  return static_cast<uint64_t>(sinceStart / dwell_);
}

uint32_t HopSchedule::ChannelOfVisit(uint64_t visit) const {
  return mhz_.empty() ? 0 : mhz_[visit % mhz_.size()];
}

uint64_t HopSchedule::LastVisitOfRound(uint64_t current) const {
  const uint64_t channels = std::max<std::size_t>(mhz_.size(), 1);
  // The visit under way began before the question: only the next ones are whole.
  return current == 0 ? channels - 1 : current + channels;
}

}  // namespace quorvan
