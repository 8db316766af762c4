#include "wlan/linux/wiphy_parse.h"

#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <algorithm>
#include <array>

namespace quorvan {
namespace {

using TopPolicy = std::array<nla_policy, NL80211_ATTR_MAX + 1>;
using FrequencyPolicy = std::array<nla_policy, NL80211_FREQUENCY_ATTR_MAX + 1>;

// Lengths are checked here once, so that every nla_get_* below reads inside its attribute.
const TopPolicy& TopAttributePolicy() {
  static const TopPolicy policy = [] {
    TopPolicy p{};
    p[NL80211_ATTR_WIPHY] = {NLA_U32, 0, 0};
    p[NL80211_ATTR_IFINDEX] = {NLA_U32, 0, 0};
    p[NL80211_ATTR_IFTYPE] = {NLA_U32, 0, 0};
    p[NL80211_ATTR_SUPPORTED_IFTYPES] = {NLA_NESTED, 0, 0};
    p[NL80211_ATTR_WIPHY_BANDS] = {NLA_NESTED, 0, 0};
    return p;
  }();
  return policy;
}

const FrequencyPolicy& FrequencyAttributePolicy() {
  static const FrequencyPolicy policy = [] {
    FrequencyPolicy p{};
    p[NL80211_FREQUENCY_ATTR_FREQ] = {NLA_U32, 0, 0};
    p[NL80211_FREQUENCY_ATTR_DISABLED] = {NLA_FLAG, 0, 0};
    p[NL80211_FREQUENCY_ATTR_NO_IR] = {NLA_FLAG, 0, 0};
    return p;
  }();
  return policy;
}

bool ParseTop(nl_msg* message, std::array<nlattr*, NL80211_ATTR_MAX + 1>& top) {
  if (message == nullptr) return false;
  return genlmsg_parse(nlmsg_hdr(message), 0, top.data(), NL80211_ATTR_MAX,
                       const_cast<nla_policy*>(TopAttributePolicy().data())) == 0;
}

// The frequencies of one band (NL80211_BAND_ATTR_*), added to `usable`; false when one of them
// fails the policy or has no frequency.
bool AddBand(nlattr* band, std::vector<uint32_t>& usable) {
  std::array<nlattr*, NL80211_BAND_ATTR_MAX + 1> fields{};
  if (nla_parse_nested(fields.data(), NL80211_BAND_ATTR_MAX, band, nullptr) != 0) return false;
  if (fields[NL80211_BAND_ATTR_FREQS] == nullptr) return true;  // this message has its rates
  nlattr* frequency = nullptr;
  int left = 0;
  nla_for_each_nested(frequency, fields[NL80211_BAND_ATTR_FREQS], left) {
    std::array<nlattr*, NL80211_FREQUENCY_ATTR_MAX + 1> about{};
    if (nla_parse_nested(about.data(), NL80211_FREQUENCY_ATTR_MAX, frequency,
                         const_cast<nla_policy*>(FrequencyAttributePolicy().data())) != 0 ||
        about[NL80211_FREQUENCY_ATTR_FREQ] == nullptr) {
      return false;
    }
    // Disabled: not allowed here at all. No-IR: only where another station was heard first,
    // which a monitor interface cannot know; such channels are left alone.
    if (about[NL80211_FREQUENCY_ATTR_DISABLED] != nullptr ||
        about[NL80211_FREQUENCY_ATTR_NO_IR] != nullptr) {
      continue;
    }
    const uint32_t mhz = nla_get_u32(about[NL80211_FREQUENCY_ATTR_FREQ]);
    if (std::find(usable.begin(), usable.end(), mhz) == usable.end()) usable.push_back(mhz);
  }
  return true;
}

}  // namespace

WiphyParse ParseWiphyMessage(nl_msg* message, WiphyInfo& info) {
  std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
  if (!ParseTop(message, top)) return WiphyParse::kMalformed;
  if (top[NL80211_ATTR_WIPHY] == nullptr) return WiphyParse::kMalformed;
  if (nla_get_u32(top[NL80211_ATTR_WIPHY]) != info.index) return WiphyParse::kOther;
  info.seen = true;
  if (top[NL80211_ATTR_SUPPORTED_IFTYPES] != nullptr) {
    nlattr* type = nullptr;
    int left = 0;
    nla_for_each_nested(type, top[NL80211_ATTR_SUPPORTED_IFTYPES], left) {
      if (nla_type(type) == NL80211_IFTYPE_MONITOR) info.monitorMode = true;
    }
  }
  if (top[NL80211_ATTR_WIPHY_BANDS] != nullptr) {
    nlattr* band = nullptr;
    int left = 0;
    nla_for_each_nested(band, top[NL80211_ATTR_WIPHY_BANDS], left) {
      if (!AddBand(band, info.usable)) return WiphyParse::kMalformed;
    }
  }
  return WiphyParse::kTaken;
}

bool ParseInterfaceKind(nl_msg* message, InterfaceKind& out) {
  std::array<nlattr*, NL80211_ATTR_MAX + 1> top{};
  if (!ParseTop(message, top) || top[NL80211_ATTR_IFINDEX] == nullptr ||
      top[NL80211_ATTR_WIPHY] == nullptr || top[NL80211_ATTR_IFTYPE] == nullptr) {
    return false;
  }
  out.ifindex = nla_get_u32(top[NL80211_ATTR_IFINDEX]);
  out.wiphy = nla_get_u32(top[NL80211_ATTR_WIPHY]);
  out.iftype = nla_get_u32(top[NL80211_ATTR_IFTYPE]);
  return true;
}

}  // namespace quorvan
