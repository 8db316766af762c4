#pragma once

// How a monitor interface listens: which channels it visits, how long it stays on each, and
// why it cannot listen at all. Portable: wlan/linux/monitor_service.h does the listening.
//
// Units: frequencies in MHz (what nl80211 tunes by), times in milliseconds.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvan {

// --channels: channel numbers and frequencies separated by commas, "1,6,11,36,5975". A number
// below 1000 is a channel number of 2.4 GHz (1-14) or 5 GHz (32-177); 6 GHz numbers repeat those
// of both bands, so a 6 GHz channel is given by its frequency, a number of 1000 and more taken as
// MHz. Channels are kept in the order given, each once. nullopt, with the offending item in
// `bad` ("" for an empty item), when an item is not a number or names no channel.
std::optional<std::vector<uint32_t>> ParseChannelList(std::string_view text, std::string& bad);

// The first of `wanted` that is not among `allowed`, or nullopt when all are.
std::optional<uint32_t> FirstNotAllowed(std::span<const uint32_t> wanted,
                                        std::span<const uint32_t> allowed);

// Every channel is visited once per scan period: the period shared among them all, one share
// more than there are channels so that any 20 s holds a whole visit of each, however the
// queries fall. At most kMaxDwell, since a beacon comes every 102.4 ms and two of them are
// enough; at least kMinDwell, one beacon interval and a tuning, below which a visit may hear
// nothing. Past 165 channels the visits therefore take longer than a period, and a query may
// miss a channel that the one after it hears.
inline constexpr std::chrono::milliseconds kHopPeriod{20'000};
inline constexpr std::chrono::milliseconds kMaxDwell{250};
inline constexpr std::chrono::milliseconds kMinDwell{120};
std::chrono::milliseconds HopDwell(std::size_t channels);

// Visits channels in turn, `dwell` each, from the moment it starts: the visit under way at any
// time since then, and how many have ended.
class HopSchedule {
 public:
  HopSchedule(std::vector<uint32_t> mhz, std::chrono::milliseconds dwell);
  std::chrono::milliseconds Dwell() const { return dwell_; }
  const std::vector<uint32_t>& Channels() const { return mhz_; }
  // The number of the visit under way `sinceStart` after the start (0, 1, ...); visit n is on
  // ChannelOfVisit(n) and ends at (n + 1) x dwell.
  uint64_t VisitAt(std::chrono::nanoseconds sinceStart) const;
  uint32_t ChannelOfVisit(uint64_t visit) const;
  // The visit at whose end every channel has been listened to for a whole visit since visit
  // `current` was under way: the one under way counts only when it is the very first, begun as
  // listening began.
  uint64_t LastVisitOfRound(uint64_t current) const;

 private:
  std::vector<uint32_t> mhz_;
  std::chrono::milliseconds dwell_;
};

// Why a monitor interface cannot listen, as data; the program words it (app/linux/messages.cpp).
struct MonitorProblem {
  enum class Kind {
    kNone,
    kNoInterface,        // no network interface of that name
    kNoCapability,       // the process lacks `capabilities` ("CAP_NET_ADMIN and CAP_NET_RAW")
    kNotWireless,        // the interface is not one nl80211 knows
    kNoMonitorMode,      // its radio (phy) cannot be put into monitor mode
    kNoChannels,         // its radio may use no channel here
    kChannelNotAllowed,  // `mhz`, asked for, is not one its radio may use here
    kUnreadable,         // the radio's description failed to parse
    kRadioBusy,          // another interface of the radio is up: the kernel lets no monitor
                         // interface change channels then
    kSystem,             // a call failed: `step` says which, `detail` the system's words
  };
  Kind kind = Kind::kNone;
  std::string interface;     // as the user named it
  int phy = -1;              // its radio's index, where known
  std::string capabilities;  // kNoCapability
  uint32_t mhz = 0;          // kChannelNotAllowed
  std::string step;          // kSystem: "adding a monitor interface to phy1"
  std::string detail;        // kSystem: "Operation not permitted"
};

// What a monitor interface listens with, for the line that says so.
struct MonitorPlan {
  std::string listener;  // the monitor interface listened on
  bool added = false;    // added to the radio for this run, and deleted at its end
  int phy = -1;
  std::size_t channels = 0;
  std::chrono::milliseconds dwell{0};
};

}  // namespace quorvan
