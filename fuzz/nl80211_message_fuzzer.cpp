// libFuzzer target for the nl80211 reply parser: the input becomes the attributes of one
// generic-netlink message, read as a BSS or, by its first byte, as an interface and a scan event,
// the inside of an NL80211_ATTR_BSS nest, or a bare element blob: exactly what a misbehaving
// kernel or driver could hand the parser.

#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "wlan/linux/nl80211_parse.h"
#include "wlan/linux/wiphy_parse.h"

namespace {

struct MessageFree {
  void operator()(nl_msg* message) const { nlmsg_free(message); }
};

constexpr quorvan::HostClock kClock = {123456789000000ULL, 1700000000000000000LL};

void CheckBss(const quorvan::WlanBss& bss) {
  const WLAN_BSS_ENTRY& entry = bss.entry;
  // What the merge relies on: a name of at most 32 bytes, zero bytes after it.
  if (entry.dot11Ssid.uSSIDLength > DOT11_SSID_MAX_LENGTH) __builtin_trap();
  for (ULONG i = entry.dot11Ssid.uSSIDLength; i < DOT11_SSID_MAX_LENGTH; ++i) {
    if (entry.dot11Ssid.ucSSID[i] != 0) __builtin_trap();
  }
  if (entry.uLinkQuality > 100) __builtin_trap();
  // The elements passed on are whole: every one of them lies inside the blob.
  DOT11_SSID ssid;
  if (quorvan::FindSsid(bss.ies, ssid) == quorvan::SsidSearch::kMalformed) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0] % 4;
  const std::span<const uint8_t> body(data + 1, size - 1);

  if (mode == 3) {
    DOT11_SSID ssid;
    if (quorvan::FindSsid(body, ssid) == quorvan::SsidSearch::kFound &&
        ssid.uSSIDLength > DOT11_SSID_MAX_LENGTH) {
      __builtin_trap();
    }
    return 0;
  }

  std::unique_ptr<nl_msg, MessageFree> message(nlmsg_alloc_size(body.size() + 256));
  if (!message) return 0;
  if (genlmsg_put(message.get(), 0, 0, 28, 0, 0, NL80211_CMD_NEW_SCAN_RESULTS, 1) == nullptr) {
    return 0;
  }
  if (mode == 2) {
    if (nla_put(message.get(), NL80211_ATTR_BSS, static_cast<int>(body.size()), body.data()) < 0) {
      return 0;
    }
  } else if (!body.empty() && nlmsg_append(message.get(), const_cast<uint8_t*>(body.data()),
                                           body.size(), NLMSG_ALIGNTO) < 0) {
    return 0;
  }

  if (mode == 1) {
    quorvan::StationInterface station;
    if (quorvan::ParseInterfaceMessage(message.get(), station) && station.ifindex == 0) {
      __builtin_trap();
    }
    // The same attributes as a scan event: it must not end a scan on an interface it does not
    // name (ifindex 0 is never a real one).
    if (quorvan::ParseScanEvent(message.get(), 0) != quorvan::ScanEvent::kOther &&
        quorvan::ParseScanEvent(message.get(), 1) != quorvan::ScanEvent::kOther) {
      __builtin_trap();
    }
    // And as a part of a radio's description: another radio's part leaves the description
    // untouched, and each channel is listed once however often the message names it.
    quorvan::WiphyInfo wiphy;
    wiphy.index = 1;
    const quorvan::WiphyParse part = quorvan::ParseWiphyMessage(message.get(), wiphy);
    if (part == quorvan::WiphyParse::kOther && (wiphy.seen || !wiphy.usable.empty())) {
      __builtin_trap();
    }
    std::vector<uint32_t> channels = wiphy.usable;
    std::sort(channels.begin(), channels.end());
    if (std::adjacent_find(channels.begin(), channels.end()) != channels.end()) __builtin_trap();
    quorvan::InterfaceKind kind;
    quorvan::ParseInterfaceKind(message.get(), kind);
  } else {
    quorvan::WlanBss bss;
    if (quorvan::ParseBssMessage(message.get(), kClock, bss) == quorvan::BssParse::kEntry) {
      CheckBss(bss);
    }
  }
  return 0;
}
