#include "wlan/linux/netlink_exchange.h"

#include <netlink/errno.h>
#include <netlink/genl/genl.h>
#include <netlink/handlers.h>
#include <netlink/msg.h>

#include <cstring>
#include <utility>

namespace quorvan {

void SocketFree::operator()(nl_sock* socket) const { nl_socket_free(socket); }
void MessageFree::operator()(nl_msg* message) const { nlmsg_free(message); }
void CallbacksPut::operator()(nl_cb* callbacks) const { nl_cb_put(callbacks); }

std::string Exchange::Words() const {
  return kernelError != 0 ? std::strerror(-kernelError) : nl_geterror(libnlError);
}

namespace {

struct ExchangeState {
  std::function<void(nl_msg*)> onMessage;
  Exchange result;
  bool done = false;
};

int OnValid(nl_msg* message, void* arg) {
  auto* state = static_cast<ExchangeState*>(arg);
  if (state->onMessage) state->onMessage(message);
  return NL_OK;
}
int OnFinish(nl_msg*, void* arg) {
  static_cast<ExchangeState*>(arg)->done = true;
  return NL_SKIP;
}
int OnAck(nl_msg*, void* arg) {
  static_cast<ExchangeState*>(arg)->done = true;
  return NL_STOP;
}
int OnDumpInterrupted(nl_msg*, void* arg) {
  // Keep reading: the rest of the dump must be drained before the socket can be reused.
  static_cast<ExchangeState*>(arg)->result.interrupted = true;
  return NL_OK;
}
int OnError(sockaddr_nl*, nlmsgerr* error, void* arg) {
  auto* state = static_cast<ExchangeState*>(arg);
  state->result.kernelError = error->error;
  state->done = true;
  return NL_STOP;
}

}  // namespace

Exchange Transact(nl_sock* socket, nl_msg* message, std::function<void(nl_msg*)> onMessage) {
  ExchangeState state;
  state.onMessage = std::move(onMessage);
  NlCallbacks callbacks(nl_cb_alloc(NL_CB_DEFAULT));
  if (!callbacks) {
    state.result.libnlError = -NLE_NOMEM;
    return state.result;
  }
  nl_cb_set(callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM, OnValid, &state);
  nl_cb_set(callbacks.get(), NL_CB_FINISH, NL_CB_CUSTOM, OnFinish, &state);
  nl_cb_set(callbacks.get(), NL_CB_ACK, NL_CB_CUSTOM, OnAck, &state);
  nl_cb_set(callbacks.get(), NL_CB_DUMP_INTR, NL_CB_CUSTOM, OnDumpInterrupted, &state);
  nl_cb_err(callbacks.get(), NL_CB_CUSTOM, OnError, &state);

  if (const int sent = nl_send_auto(socket, message); sent < 0) {
    state.result.libnlError = sent;
    return state.result;
  }
  while (!state.done) {
    if (const int received = nl_recvmsgs(socket, callbacks.get()); received < 0) {
      if (!state.done) state.result.libnlError = received;
      break;
    }
  }
  return state.result;
}

NlMessage NewRequest(int family, uint8_t command, int flags) {
  NlMessage message(nlmsg_alloc());
  if (!message) return nullptr;
  if (genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, flags, command, 0) ==
      nullptr) {
    return nullptr;
  }
  return message;
}

}  // namespace quorvan
