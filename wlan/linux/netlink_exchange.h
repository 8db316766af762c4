#pragma once

// One generic netlink request and its replies, as the nl80211 service and the monitor source
// both make them through libnl.

#include <netlink/netlink.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvan {

struct SocketFree {
  void operator()(nl_sock* socket) const;
};
struct MessageFree {
  void operator()(nl_msg* message) const;
};
struct CallbacksPut {
  void operator()(nl_cb* callbacks) const;
};
using NlSocket = std::unique_ptr<nl_sock, SocketFree>;
using NlMessage = std::unique_ptr<nl_msg, MessageFree>;
using NlCallbacks = std::unique_ptr<nl_cb, CallbacksPut>;

// How one request went: the kernel's own error (a negative errno), libnl's, or neither.
struct Exchange {
  int kernelError = 0;
  int libnlError = 0;
  bool interrupted = false;  // a dump that the kernel marked NLM_F_DUMP_INTR
  bool ok() const { return kernelError == 0 && libnlError == 0; }
  // strerror's or libnl's words for the error.
  std::string Words() const;
};

// Sends `message` and hands every reply to `onMessage` until the kernel's ACK, the end of a dump
// or an error. An interrupted dump is read to its end (the socket cannot be reused before) and
// marked so.
Exchange Transact(nl_sock* socket, nl_msg* message, std::function<void(nl_msg*)> onMessage);

// A generic netlink request for `command` of `family`, or nullptr when out of memory.
NlMessage NewRequest(int family, uint8_t command, int flags);

}  // namespace quorvan
