#include "wlan/linux/nl80211_service.h"

#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/errno.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/handlers.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/link.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>
#include <utility>

#include "wlan/linux/netlink_exchange.h"
#include "wlan/linux/network_manager.h"
#include "wlan/linux/nl80211_parse.h"

namespace quorvan {
namespace {

using Socket = NlSocket;
using Message = NlMessage;
using Callbacks = NlCallbacks;

DWORD ErrorFromKernel(int negativeErrno) {
  switch (-negativeErrno) {
    case EPERM:
    case EACCES:
      return ERROR_ACCESS_DENIED;
    case EBUSY:
      return ERROR_BUSY;
    case ENODEV:
    case ENOENT:
      return ERROR_NOT_FOUND;
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

HostClock ReadHostClock() {
  timespec boot = {};
  timespec real = {};
  clock_gettime(CLOCK_BOOTTIME, &boot);
  clock_gettime(CLOCK_REALTIME, &real);
  HostClock clock;
  clock.boottimeNs =
      static_cast<uint64_t>(boot.tv_sec) * 1000000000ULL + static_cast<uint64_t>(boot.tv_nsec);
  clock.realtimeNs = static_cast<int64_t>(real.tv_sec) * 1000000000LL + real.tv_nsec;
  return clock;
}

// Whether the link of each interface is up (IFF_UP), as rtnetlink reports it. One that
// vanished meanwhile counts as down; when rtnetlink cannot be asked at all, every interface
// stays listed, as it would be without this check.
void ReadLinkStates(std::vector<WlanInterface>& interfaces) {
  Socket route(nl_socket_alloc());
  if (!route || nl_connect(route.get(), NETLINK_ROUTE) < 0) return;
  for (WlanInterface& interface : interfaces) {
    rtnl_link* link = nullptr;
    const auto ifindex = static_cast<int>(IfindexFromGuid(interface.guid));
    interface.up = rtnl_link_get_kernel(route.get(), ifindex, nullptr, &link) == 0 &&
                   (rtnl_link_get_flags(link) & IFF_UP) != 0;
    if (link != nullptr) rtnl_link_put(link);
  }
}

// A socket that hears nl80211's scan events, or nullptr when it cannot be had.
Socket ListenForScanEvents() {
  Socket events(nl_socket_alloc());
  if (!events) return nullptr;
  if (genl_connect(events.get()) < 0) return nullptr;
  const int group = genl_ctrl_resolve_grp(events.get(), "nl80211", "scan");
  if (group < 0 || nl_socket_add_membership(events.get(), group) < 0 ||
      nl_socket_set_nonblocking(events.get()) < 0) {
    return nullptr;
  }
  return events;
}

// Reads scan events until the scan on `ifindex` that serves a request `taker` took has ended
// (ServingScanWatch), or `limit` has passed.
ScanEnd WaitForScanEnd(nl_sock* events, uint32_t ifindex, std::chrono::milliseconds limit,
                       ScanTaker taker) {
  struct Watch {
    uint32_t ifindex;
    ServingScanWatch serving;
  } watch{ifindex, ServingScanWatch(taker)};
  Callbacks callbacks(nl_cb_alloc(NL_CB_DEFAULT));
  if (!callbacks) return ScanEnd::kNotWaited;
  // Events carry no sequence number of ours; the socket's own callbacks know that, these not.
  nl_cb_set(
      callbacks.get(), NL_CB_SEQ_CHECK, NL_CB_CUSTOM, [](nl_msg*, void*) -> int { return NL_OK; },
      nullptr);
  nl_cb_set(
      callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM,
      [](nl_msg* message, void* arg) -> int {
        auto* w = static_cast<Watch*>(arg);
        w->serving.Observe(ParseScanEvent(message, w->ifindex));
        return NL_OK;
      },
      &watch);
  using std::chrono::steady_clock;
  const steady_clock::time_point deadline = steady_clock::now() + limit;
  while (watch.serving.End() == ScanEvent::kOther) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return ScanEnd::kTimedOut;
    pollfd ready = {nl_socket_get_fd(events), POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno != EINTR) return ScanEnd::kNotWaited;
    // A full receive buffer (ENOBUFS, which libnl calls NLE_NOMEM) lost events, perhaps the
    // one awaited: the wait then ends by its limit. Any other error would repeat at once.
    if (polled > 0) {
      if (const int error = nl_recvmsgs(events, callbacks.get());
          error < 0 && error != -NLE_NOMEM) {
        return ScanEnd::kNotWaited;
      }
    }
  }
  return watch.serving.End() == ScanEvent::kFinished ? ScanEnd::kFinished : ScanEnd::kAborted;
}

class Nl80211Session : public WlanSession {
 public:
  Nl80211Session(Socket socket, int family, std::string onlyInterface)
      : socket_(std::move(socket)), family_(family), onlyInterface_(std::move(onlyInterface)) {}

  DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
    std::vector<StationInterface> stations;
    const DWORD result = Dump(
        NL80211_CMD_GET_INTERFACE, 0,
        [&](nl_msg* message) {
          StationInterface station;
          if (ParseInterfaceMessage(message, station)) stations.push_back(std::move(station));
        },
        [&] { stations.clear(); });
    if (result != ERROR_SUCCESS) return result;
    std::sort(stations.begin(), stations.end(),
              [](const auto& a, const auto& b) { return a.ifindex < b.ifindex; });
    // One interface can be reported more than once when the dump was interrupted.
    stations.erase(std::unique(stations.begin(), stations.end(),
                               [](const auto& a, const auto& b) { return a.ifindex == b.ifindex; }),
                   stations.end());
    for (const StationInterface& station : stations) {
      // The one interface chosen, where one is: as if the others were not there.
      if (!onlyInterface_.empty() && station.name != onlyInterface_) continue;
      out.push_back({GuidFromIfindex(station.ifindex), station.name});
    }
    ReadLinkStates(out);
    return ERROR_SUCCESS;
  }

  DWORD Scan(const GUID& interfaceGuid, const DOT11_SSID*, const WLAN_RAW_DATA*) override {
    const uint32_t ifindex = IfindexFromGuid(interfaceGuid);
    if (ifindex == 0) return ERROR_INVALID_PARAMETER;
    // NetworkManager first, where it manages the interface: it scans for users the kernel
    // refuses, and it is not surprised by scans it did not ask for.
    char name[IF_NAMESIZE] = {};
    const NmScanAnswer networkManager = if_indextoname(ifindex, name) != nullptr
                                            ? RequestScanThroughNetworkManager(name)
                                            : NmScanAnswer{};
    lastNetworkManagerAnswer_ = networkManager.result;
    if (networkManager.result == NmScan::kRequested ||
        networkManager.result == NmScan::kRateLimited) {
      return ERROR_SUCCESS;
    }
    Message request = NewRequest(family_, NL80211_CMD_TRIGGER_SCAN, 0);
    if (!request) return ERROR_NOT_ENOUGH_MEMORY;
    // One wildcard SSID makes the scan active, which finds networks sooner than listening.
    nlattr* ssids = nullptr;
    if (nla_put_u32(request.get(), NL80211_ATTR_IFINDEX, ifindex) < 0 ||
        (ssids = nla_nest_start(request.get(), NL80211_ATTR_SCAN_SSIDS)) == nullptr ||
        nla_put(request.get(), 1, 0, "") < 0) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    nla_nest_end(request.get(), ssids);
    const Exchange exchange = Transact(socket_.get(), request.get(), {});
    const DWORD result = Outcome(exchange, WlanFailure::Stage::kScanRequest);
    if (result != ERROR_SUCCESS && networkManager.result == NmScan::kRefused) {
      failure_.networkManagerRefusal = networkManager.said;
    }
    return result;
  }

  DWORD ScanAndWait(const GUID& interfaceGuid, std::chrono::milliseconds limit,
                    ScanEnd& end) override {
    end = ScanEnd::kNotWaited;
    // Listening starts before the request, or the end of a quick scan could be missed.
    const Socket events = ListenForScanEvents();
    const DWORD result = Scan(interfaceGuid, nullptr, nullptr);
    if (lastNetworkManagerAnswer_ == NmScan::kRateLimited) {
      // NetworkManager has just scanned, or is scanning: nothing new would come of waiting.
      end = ScanEnd::kFinished;
      return result;
    }
    // A busy radio runs someone else's scan, which started before the request.
    if (events && (result == ERROR_SUCCESS || result == ERROR_BUSY)) {
      end = WaitForScanEnd(events.get(), IfindexFromGuid(interfaceGuid), limit,
                           ScanTakerOf(lastNetworkManagerAnswer_, result));
    }
    return result;
  }

  DWORD GetBssList(const GUID& interfaceGuid, const DOT11_SSID*, DOT11_BSS_TYPE, bool,
                   std::vector<WlanBss>& out) override {
    const uint32_t ifindex = IfindexFromGuid(interfaceGuid);
    if (ifindex == 0) return ERROR_INVALID_PARAMETER;
    HostClock clock = ReadHostClock();
    return Dump(
        NL80211_CMD_GET_SCAN, ifindex,
        [&](nl_msg* message) {
          WlanBss bss;
          if (ParseBssMessage(message, clock, bss) == BssParse::kEntry) {
            out.push_back(std::move(bss));
          }
        },
        [&] {
          out.clear();
          clock = ReadHostClock();
        });
  }

  WlanFailure Failure() const override { return failure_; }

 private:
  // A dump of `command` (for one interface when `ifindex` is not 0). An interrupted dump is
  // thrown away (`restart`) and asked for once more; a second interruption is accepted, since
  // each entry is still sound and the next cycle asks again.
  DWORD Dump(uint8_t command, uint32_t ifindex, const std::function<void(nl_msg*)>& onMessage,
             const std::function<void()>& restart) {
    for (int attempt = 0;; ++attempt) {
      Message request = NewRequest(family_, command, NLM_F_DUMP);
      if (!request) return ERROR_NOT_ENOUGH_MEMORY;
      if (ifindex != 0 && nla_put_u32(request.get(), NL80211_ATTR_IFINDEX, ifindex) < 0) {
        return ERROR_NOT_ENOUGH_MEMORY;
      }
      const Exchange exchange = Transact(socket_.get(), request.get(), onMessage);
      if (!exchange.ok() || !exchange.interrupted || attempt == 1) {
        return Outcome(exchange, command == NL80211_CMD_GET_SCAN ? WlanFailure::Stage::kScanResults
                                                                 : WlanFailure::Stage::kInterfaces);
      }
      restart();
    }
  }

  // The error number of an exchange at `stage`; a failure is kept for Failure().
  DWORD Outcome(const Exchange& exchange, WlanFailure::Stage stage) {
    if (exchange.ok()) return ERROR_SUCCESS;
    failure_ = {};
    failure_.stage = stage;
    failure_.systemError = -exchange.kernelError;
    failure_.libnlError = exchange.libnlError < 0 ? -exchange.libnlError : exchange.libnlError;
    return exchange.kernelError != 0 ? ErrorFromKernel(exchange.kernelError) : ERROR_GEN_FAILURE;
  }

  Socket socket_;
  int family_;
  NmScan lastNetworkManagerAnswer_ = NmScan::kNotAvailable;  // to the last Scan
  WlanFailure failure_;
  std::string onlyInterface_;
};

}  // namespace

Nl80211Service::Nl80211Service(std::string onlyInterface)
    : onlyInterface_(std::move(onlyInterface)) {}

DWORD Nl80211Service::Open(DWORD, std::unique_ptr<WlanSession>& session, WlanFailure& failure) {
  Socket socket(nl_socket_alloc());
  if (!socket) return ERROR_NOT_ENOUGH_MEMORY;
  if (const int error = genl_connect(socket.get()); error < 0) {
    failure.stage = WlanFailure::Stage::kNetlink;
    failure.libnlError = -error;
    return ERROR_SERVICE_NOT_ACTIVE;
  }
  const int family = genl_ctrl_resolve(socket.get(), "nl80211");
  if (family < 0) {
    failure.stage = WlanFailure::Stage::kNoNl80211;
    failure.libnlError = -family;
    return ERROR_SERVICE_NOT_ACTIVE;
  }
  session = std::make_unique<Nl80211Session>(std::move(socket), family, onlyInterface_);
  return ERROR_SUCCESS;
}

}  // namespace quorvan
