#pragma once

// Reading a radio's description (NL80211_CMD_GET_WIPHY) and an interface's
// (NL80211_CMD_GET_INTERFACE) for a monitor interface. No I/O: each function takes one message
// as libnl delivers it, so tests build the messages themselves.

#include <cstdint>
#include <vector>

struct nl_msg;

namespace quorvan {

// What the messages of a split GET_WIPHY dump say of radio `index`; a radio's description comes
// in several messages, each adding to it.
struct WiphyInfo {
  uint32_t index = 0;
  bool seen = false;             // a message of this radio came
  bool monitorMode = false;      // it can make monitor interfaces (NL80211_ATTR_SUPPORTED_IFTYPES)
  std::vector<uint32_t> usable;  // MHz, in the kernel's order: neither disabled nor no-IR
};

enum class WiphyParse {
  kTaken,      // the message was this radio's, and what it holds is in the info
  kOther,      // the message was another radio's
  kMalformed,  // an attribute failed its policy: the description cannot be trusted
};

WiphyParse ParseWiphyMessage(nl_msg* message, WiphyInfo& info);

// What GET_INTERFACE says of one interface.
struct InterfaceKind {
  uint32_t ifindex = 0;
  uint32_t wiphy = 0;
  uint32_t iftype = 0;  // enum nl80211_iftype
};

// False unless the message carries the interface's index, radio and type.
bool ParseInterfaceKind(nl_msg* message, InterfaceKind& out);

}  // namespace quorvan
