#pragma once

// nl80211 messages built with libnl the way the kernel lays them out, for the parser's tests.

#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvan::testing {

struct MessageFree {
  void operator()(nl_msg* message) const { nlmsg_free(message); }
};
using Message = std::unique_ptr<nl_msg, MessageFree>;

using Bytes = std::vector<uint8_t>;

// An information element: ID, length, body.
inline Bytes Element(uint8_t id, std::string_view body) {
  Bytes bytes = {id, static_cast<uint8_t>(body.size())};
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The attributes of one BSS; those left empty are not put.
struct BssAttributes {
  std::optional<Bytes> bssid = Bytes{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
  std::optional<uint32_t> frequencyMhz = 2437;
  std::optional<uint32_t> frequencyOffsetKhz;
  std::optional<uint64_t> tsf = 0x0000001234567890ULL;
  std::optional<uint16_t> beaconInterval = 100;
  std::optional<Bytes> informationElements = Element(0, "home") + Element(1, "\x82\x84");
  std::optional<Bytes> beaconIes;
  std::optional<int32_t> signalMbm = -4500;
  std::optional<uint8_t> signalUnspec;
  std::optional<uint32_t> seenMsAgo;
  std::optional<uint64_t> lastSeenBoottimeNs;
  std::vector<std::pair<int, Bytes>> raw;  // anything else, put as it is
};

inline Message NewMessage(uint8_t command) {
  Message message(nlmsg_alloc());
  genlmsg_put(message.get(), 0, 0, 28, 0, NLM_F_MULTI, command, 1);
  return message;
}

inline void PutBytes(nl_msg* message, int type, const Bytes& bytes) {
  nla_put(message, type, static_cast<int>(bytes.size()), bytes.data());
}

inline Message ScanResult(const BssAttributes& a) {
  Message message = NewMessage(NL80211_CMD_NEW_SCAN_RESULTS);
  nl_msg* m = message.get();
  nla_put_u32(m, NL80211_ATTR_GENERATION, 7);
  nla_put_u32(m, NL80211_ATTR_IFINDEX, 3);
  nlattr* bss = nla_nest_start(m, NL80211_ATTR_BSS);
  if (a.bssid) PutBytes(m, NL80211_BSS_BSSID, *a.bssid);
  if (a.frequencyMhz) nla_put_u32(m, NL80211_BSS_FREQUENCY, *a.frequencyMhz);
  if (a.frequencyOffsetKhz) nla_put_u32(m, NL80211_BSS_FREQUENCY_OFFSET, *a.frequencyOffsetKhz);
  if (a.tsf) nla_put_u64(m, NL80211_BSS_TSF, *a.tsf);
  if (a.beaconInterval) nla_put_u16(m, NL80211_BSS_BEACON_INTERVAL, *a.beaconInterval);
  if (a.informationElements) {
    PutBytes(m, NL80211_BSS_INFORMATION_ELEMENTS, *a.informationElements);
  }
  if (a.beaconIes) PutBytes(m, NL80211_BSS_BEACON_IES, *a.beaconIes);
  if (a.signalMbm) {
    nla_put_u32(m, NL80211_BSS_SIGNAL_MBM, static_cast<uint32_t>(*a.signalMbm));
  }
  if (a.signalUnspec) nla_put_u8(m, NL80211_BSS_SIGNAL_UNSPEC, *a.signalUnspec);
  if (a.seenMsAgo) nla_put_u32(m, NL80211_BSS_SEEN_MS_AGO, *a.seenMsAgo);
  if (a.lastSeenBoottimeNs) {
    nla_put_u64(m, NL80211_BSS_LAST_SEEN_BOOTTIME, *a.lastSeenBoottimeNs);
  }
  for (const auto& [type, bytes] : a.raw) PutBytes(m, type, bytes);
  nla_nest_end(m, bss);
  return message;
}

struct InterfaceAttributes {
  std::optional<uint32_t> ifindex = 3;
  std::optional<uint32_t> iftype = NL80211_IFTYPE_STATION;
  std::optional<Bytes> name = Bytes{'w', 'l', 'p', '2', 's', '0', 0};
};

inline Message InterfaceReply(const InterfaceAttributes& a) {
  Message message = NewMessage(NL80211_CMD_NEW_INTERFACE);
  nl_msg* m = message.get();
  if (a.ifindex) nla_put_u32(m, NL80211_ATTR_IFINDEX, *a.ifindex);
  if (a.name) PutBytes(m, NL80211_ATTR_IFNAME, *a.name);
  nla_put_u32(m, NL80211_ATTR_WIPHY, 0);
  if (a.iftype) nla_put_u32(m, NL80211_ATTR_IFTYPE, *a.iftype);
  return message;
}

}  // namespace quorvan::testing
