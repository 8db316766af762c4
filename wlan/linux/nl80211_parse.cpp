#include "wlan/linux/nl80211_parse.h"

#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "wlan/link_quality.h"

namespace quorvan {
namespace {

constexpr uint8_t kSsidElementId = 0;
constexpr uint8_t kGuidTag[8] = {'n', 'l', '8', '0', '2', '1', '1', 0};

using BssPolicy = std::array<nla_policy, NL80211_BSS_MAX + 1>;
using TopPolicy = std::array<nla_policy, NL80211_ATTR_MAX + 1>;

// Lengths are checked here once, so that every nla_get_* below reads inside its attribute.
const BssPolicy& BssAttributePolicy() {
  static const BssPolicy policy = [] {
    BssPolicy p{};
    p[NL80211_BSS_BSSID] = {NLA_UNSPEC, 6, 6};
    p[NL80211_BSS_FREQUENCY] = {NLA_U32, 0, 0};
    p[NL80211_BSS_TSF] = {NLA_U64, 0, 0};
    p[NL80211_BSS_BEACON_INTERVAL] = {NLA_U16, 0, 0};
    p[NL80211_BSS_CAPABILITY] = {NLA_U16, 0, 0};
    p[NL80211_BSS_INFORMATION_ELEMENTS] = {NLA_UNSPEC, 0, 0};
    p[NL80211_BSS_SIGNAL_MBM] = {NLA_U32, 0, 0};
    p[NL80211_BSS_SIGNAL_UNSPEC] = {NLA_U8, 0, 0};
    p[NL80211_BSS_SEEN_MS_AGO] = {NLA_U32, 0, 0};
    p[NL80211_BSS_BEACON_IES] = {NLA_UNSPEC, 0, 0};
    p[NL80211_BSS_LAST_SEEN_BOOTTIME] = {NLA_U64, 0, 0};
    p[NL80211_BSS_FREQUENCY_OFFSET] = {NLA_U32, 0, 0};
    return p;
  }();
  return policy;
}

const TopPolicy& TopAttributePolicy() {
  static const TopPolicy policy = [] {
    TopPolicy p{};
    p[NL80211_ATTR_BSS] = {NLA_NESTED, 0, 0};
    p[NL80211_ATTR_IFINDEX] = {NLA_U32, 0, 0};
    p[NL80211_ATTR_IFTYPE] = {NLA_U32, 0, 0};
    p[NL80211_ATTR_IFNAME] = {NLA_UNSPEC, 0, 0};  // read up to its length or first zero byte
    return p;
  }();
  return policy;
}

// The top-level attributes of a generic-netlink message, or false when they fail the policy.
bool ParseTop(nl_msg* message, std::array<nlattr*, NL80211_ATTR_MAX + 1>& top) {
  if (message == nullptr) return false;
  return genlmsg_parse(nlmsg_hdr(message), 0, top.data(), NL80211_ATTR_MAX,
                       const_cast<nla_policy*>(TopAttributePolicy().data())) == 0;
}

std::span<const uint8_t> BytesOf(const nlattr* attribute) {
  return {static_cast<const uint8_t*>(nla_data(attribute)),
          static_cast<std::size_t>(std::max(nla_len(attribute), 0))};
}

}  // namespace

ULONGLONG HostTimestampFromAge(const HostClock& clock, uint64_t ageNs) {
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  constexpr auto kEpoch = static_cast<int64_t>(kFileTimeUnixEpoch);
  const auto age =
      static_cast<int64_t>(std::min<uint64_t>(ageNs, std::numeric_limits<int64_t>::max()));
  const int64_t received = clock.realtimeNs < kMin + age ? kMin : clock.realtimeNs - age;
  // Floor division, so that times before 1970 round the same way as those after it.
  int64_t units = received / 100;
  if (received % 100 < 0) --units;
  if (units < -kEpoch) return 0;
  return static_cast<ULONGLONG>(units + kEpoch);
}

SsidSearch FindSsid(std::span<const uint8_t> elements, DOT11_SSID& ssid) {
  ssid = {};
  bool found = false;
  std::size_t at = 0;
  while (at < elements.size()) {
    if (elements.size() - at < 2) return SsidSearch::kMalformed;
    const uint8_t id = elements[at];
    const std::size_t length = elements[at + 1];
    at += 2;
    if (length > elements.size() - at) return SsidSearch::kMalformed;
    if (id == kSsidElementId && !found) {
      if (length > DOT11_SSID_MAX_LENGTH) return SsidSearch::kMalformed;
      std::copy_n(elements.begin() + static_cast<std::ptrdiff_t>(at), length, ssid.ucSSID);
      ssid.uSSIDLength = static_cast<ULONG>(length);
      found = true;
    }
    at += length;
  }
  return found ? SsidSearch::kFound : SsidSearch::kAbsent;
}

BssParse ParseBssMessage(nl_msg* message, const HostClock& clock, WlanBss& out) {
  std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
  if (!ParseTop(message, top) || top[NL80211_ATTR_BSS] == nullptr) return BssParse::kSkip;

  std::array<nlattr*, NL80211_BSS_MAX + 1> bss{};
  if (nla_parse_nested(bss.data(), NL80211_BSS_MAX, top[NL80211_ATTR_BSS],
                       const_cast<nla_policy*>(BssAttributePolicy().data())) != 0) {
    return BssParse::kSkip;
  }
  if (bss[NL80211_BSS_BSSID] == nullptr) return BssParse::kSkip;

  out = {};
  WLAN_BSS_ENTRY& entry = out.entry;
  std::memcpy(entry.dot11Bssid, nla_data(bss[NL80211_BSS_BSSID]), sizeof entry.dot11Bssid);

  const nlattr* elements = bss[NL80211_BSS_INFORMATION_ELEMENTS] != nullptr
                               ? bss[NL80211_BSS_INFORMATION_ELEMENTS]
                               : bss[NL80211_BSS_BEACON_IES];
  if (elements != nullptr) {
    const std::span<const uint8_t> bytes = BytesOf(elements);
    if (FindSsid(bytes, entry.dot11Ssid) == SsidSearch::kMalformed) return BssParse::kSkip;
    out.ies.assign(bytes.begin(), bytes.end());
  }
  if (bss[NL80211_BSS_CAPABILITY] != nullptr) {
    entry.usCapabilityInformation = nla_get_u16(bss[NL80211_BSS_CAPABILITY]);
  }

  if (bss[NL80211_BSS_SIGNAL_MBM] != nullptr) {
    const auto mbm = static_cast<int32_t>(nla_get_u32(bss[NL80211_BSS_SIGNAL_MBM]));
    entry.lRssi = mbm / 100;
  } else if (bss[NL80211_BSS_SIGNAL_UNSPEC] != nullptr) {
    entry.lRssi = RssiFromLinkQuality(nla_get_u8(bss[NL80211_BSS_SIGNAL_UNSPEC]));
  } else {
    entry.lRssi = RssiFromLinkQuality(0);  // no reading at all counts as the weakest
  }
  entry.uLinkQuality = LinkQualityFromRssi(entry.lRssi);

  if (bss[NL80211_BSS_TSF] != nullptr) entry.ullTimestamp = nla_get_u64(bss[NL80211_BSS_TSF]);

  uint64_t ageNs = 0;
  if (bss[NL80211_BSS_LAST_SEEN_BOOTTIME] != nullptr) {
    const uint64_t seen = nla_get_u64(bss[NL80211_BSS_LAST_SEEN_BOOTTIME]);
    ageNs = seen < clock.boottimeNs ? clock.boottimeNs - seen : 0;
  } else if (bss[NL80211_BSS_SEEN_MS_AGO] != nullptr) {
    ageNs = uint64_t{nla_get_u32(bss[NL80211_BSS_SEEN_MS_AGO])} * 1000000;
  }
  entry.ullHostTimestamp = HostTimestampFromAge(clock, ageNs);

  uint64_t kHz = 0;
  if (bss[NL80211_BSS_FREQUENCY] != nullptr) {
    kHz = uint64_t{nla_get_u32(bss[NL80211_BSS_FREQUENCY])} * 1000;
  }
  if (bss[NL80211_BSS_FREQUENCY_OFFSET] != nullptr) {
    kHz += nla_get_u32(bss[NL80211_BSS_FREQUENCY_OFFSET]);
  }
  if (kHz > std::numeric_limits<ULONG>::max()) return BssParse::kSkip;
  entry.ulChCenterFrequency = static_cast<ULONG>(kHz);

  if (bss[NL80211_BSS_BEACON_INTERVAL] != nullptr) {
    entry.usBeaconPeriod = nla_get_u16(bss[NL80211_BSS_BEACON_INTERVAL]);
  }
  return BssParse::kEntry;
}

bool ParseInterfaceMessage(nl_msg* message, StationInterface& out) {
  std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
  if (!ParseTop(message, top)) return false;
  if (top[NL80211_ATTR_IFINDEX] == nullptr || top[NL80211_ATTR_IFTYPE] == nullptr) return false;
  if (nla_get_u32(top[NL80211_ATTR_IFTYPE]) != NL80211_IFTYPE_STATION) return false;
  out.ifindex = nla_get_u32(top[NL80211_ATTR_IFINDEX]);
  if (out.ifindex == 0) return false;
  out.name.clear();
  if (top[NL80211_ATTR_IFNAME] != nullptr) {
    const std::span<const uint8_t> name = BytesOf(top[NL80211_ATTR_IFNAME]);
    const auto end = std::find(name.begin(), name.end(), uint8_t{0});
    out.name.assign(name.begin(), end);
  }
  return true;
}

ScanEvent ParseScanEvent(nl_msg* message, uint32_t ifindex) {
  std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
  if (!ParseTop(message, top) || top[NL80211_ATTR_IFINDEX] == nullptr ||
      nla_get_u32(top[NL80211_ATTR_IFINDEX]) != ifindex) {
    return ScanEvent::kOther;
  }
  switch (genlmsg_hdr(nlmsg_hdr(message))->cmd) {
    case NL80211_CMD_TRIGGER_SCAN:
      return ScanEvent::kStarted;
    case NL80211_CMD_NEW_SCAN_RESULTS:
      return ScanEvent::kFinished;
    case NL80211_CMD_SCAN_ABORTED:
      return ScanEvent::kAborted;
    default:
      return ScanEvent::kOther;
  }
}

GUID GuidFromIfindex(uint32_t ifindex) {
  GUID guid = {};
  guid.Data1 = ifindex;
  std::memcpy(guid.Data4, kGuidTag, sizeof guid.Data4);
  return guid;
}

uint32_t IfindexFromGuid(const GUID& guid) {
  if (guid.Data2 != 0 || guid.Data3 != 0 || std::memcmp(guid.Data4, kGuidTag, 8) != 0) return 0;
  return guid.Data1;
}

}  // namespace quorvan
