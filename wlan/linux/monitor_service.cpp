#include "wlan/linux/monitor_service.h"

#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/errno.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/link.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/capability.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <utility>

#include "wlan/bss_entry.h"
#include "wlan/linux/frame_observation.h"
#include "wlan/linux/netlink_exchange.h"
#include "wlan/linux/nl80211_parse.h"
#include "wlan/linux/wiphy_parse.h"

namespace quorvan {
namespace {

struct LinkPut {
  void operator()(rtnl_link* link) const { rtnl_link_put(link); }
};
struct PcapClose {
  void operator()(pcap_t* pcap) const { pcap_close(pcap); }
};
struct CapFree {
  void operator()(cap_t caps) const { cap_free(caps); }
};
using Socket = NlSocket;
using Message = NlMessage;
using Link = std::unique_ptr<rtnl_link, LinkPut>;
using Pcap = std::unique_ptr<pcap_t, PcapClose>;

constexpr Exchange kNoMemory{0, -NLE_NOMEM};

Exchange SetChannel(nl_sock* socket, int family, uint32_t ifindex, uint32_t mhz) {
  Message request = NewRequest(family, NL80211_CMD_SET_CHANNEL, 0);
  if (!request || nla_put_u32(request.get(), NL80211_ATTR_IFINDEX, ifindex) < 0 ||
      nla_put_u32(request.get(), NL80211_ATTR_WIPHY_FREQ, mhz) < 0) {
    return kNoMemory;
  }
  return Transact(socket, request.get(), {});
}

// The capabilities listening needs that the process lacks in its effective set: "" when it
// has both.
std::string MissingCapabilities() {
  std::unique_ptr<_cap_struct, CapFree> caps(cap_get_proc());
  std::string missing;
  const std::pair<cap_value_t, const char*> needed[] = {{CAP_NET_ADMIN, "CAP_NET_ADMIN"},
                                                        {CAP_NET_RAW, "CAP_NET_RAW"}};
  for (const auto& [capability, name] : needed) {
    cap_flag_value_t value = CAP_CLEAR;
    if (!caps || cap_get_flag(caps.get(), capability, CAP_EFFECTIVE, &value) != 0 ||
        value != CAP_SET) {
      missing += (missing.empty() ? "" : " and ") + std::string(name);
    }
  }
  return missing;
}

// Deletes the monitor interface quorvan added when SIGINT, SIGTERM or SIGHUP ends the program:
// a netlink message built beforehand, sent on a socket opened beforehand, since only sendto is
// safe in a signal handler. The signal is then raised again with the handler that was there
// before, so the program ends as it would have.
struct SignalCleanup {
  int socket = -1;
  alignas(nlmsghdr) std::array<uint8_t, 64> message = {};
  std::size_t length = 0;
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
  std::array<struct sigaction, 3> previous = {};
  std::array<bool, 3> installed = {};
};
SignalCleanup cleanup;

void DeleteOnSignal(int signal) {
  if (cleanup.socket >= 0) {
    sockaddr_nl kernel = {};
    kernel.nl_family = AF_NETLINK;
    const ssize_t sent = sendto(cleanup.socket, cleanup.message.data(), cleanup.length, 0,
                                reinterpret_cast<sockaddr*>(&kernel), sizeof kernel);
    (void)sent;  // nothing more can be done from here
  }
  for (std::size_t i = 0; i < SignalCleanup::kSignals.size(); ++i) {
    if (SignalCleanup::kSignals[i] == signal && cleanup.installed[i]) {
      sigaction(signal, &cleanup.previous[i], nullptr);
    }
  }
  raise(signal);
}

void ArmSignalCleanup(int family, uint32_t ifindex) {
  Message request = NewRequest(family, NL80211_CMD_DEL_INTERFACE, 0);
  if (!request || nla_put_u32(request.get(), NL80211_ATTR_IFINDEX, ifindex) < 0) return;
  nlmsghdr* header = nlmsg_hdr(request.get());
  header->nlmsg_flags = NLM_F_REQUEST;
  if (header->nlmsg_len > cleanup.message.size()) return;
  std::memcpy(cleanup.message.data(), header, header->nlmsg_len);
  cleanup.length = header->nlmsg_len;
  cleanup.socket = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_GENERIC);
  if (cleanup.socket < 0) return;
  for (std::size_t i = 0; i < SignalCleanup::kSignals.size(); ++i) {
    struct sigaction action = {};
    action.sa_handler = DeleteOnSignal;
    sigemptyset(&action.sa_mask);
    // A signal the program ignores (SIGHUP under nohup) is left ignored: it ends nothing.
    if (sigaction(SignalCleanup::kSignals[i], nullptr, &cleanup.previous[i]) == 0 &&
        cleanup.previous[i].sa_handler != SIG_IGN) {
      cleanup.installed[i] = sigaction(SignalCleanup::kSignals[i], &action, nullptr) == 0;
    }
  }
}

void DisarmSignalCleanup() {
  for (std::size_t i = 0; i < SignalCleanup::kSignals.size(); ++i) {
    struct sigaction now = {};
    // A handler set since (the terminal view's) stays.
    if (cleanup.installed[i] && sigaction(SignalCleanup::kSignals[i], nullptr, &now) == 0 &&
        now.sa_handler == DeleteOnSignal) {
      sigaction(SignalCleanup::kSignals[i], &cleanup.previous[i], nullptr);
    }
    cleanup.installed[i] = false;
  }
  if (cleanup.socket >= 0) close(cleanup.socket);
  cleanup.socket = -1;
}

}  // namespace

// The capture and the hopping, on a thread of their own.
struct MonitorListener {
  MonitorListener(HopSchedule hops) : schedule(std::move(hops)) {}

  Socket socket;  // nl80211, for tuning and for deleting the interface
  int family = 0;
  uint32_t ifindex = 0;
  std::string name;
  bool added = false;
  Pcap pcap;
  HopSchedule schedule;

  std::mutex mutex;
  std::condition_variable visited;
  HeardBsses heard;      // guarded by mutex
  uint64_t visit = 0;    // the visit under way; guarded by mutex
  bool stopped = false;  // guarded by mutex
  std::thread thread;

  static void OnRecord(u_char* user, const pcap_pkthdr* record, const u_char* bytes) {
    auto* self = reinterpret_cast<MonitorListener*>(user);
    ieee80211::CapturedFrame frame;
    if (ParseCapturedRecord(ieee80211::CaptureHeader::kRadiotap, std::span(bytes, record->caplen),
                            record->len, frame) != ieee80211::FrameResult::kBeacon) {
      return;
    }
    const int64_t timeUs = static_cast<int64_t>(record->ts.tv_sec) * 1'000'000 +
                           static_cast<int64_t>(record->ts.tv_usec);
    const std::lock_guard lock(self->mutex);
    self->heard.Add(timeUs, frame);
  }

  void Run() {
    using std::chrono::steady_clock;
    const steady_clock::time_point start = steady_clock::now();
    const int fd = pcap_get_selectable_fd(pcap.get());
    uint64_t tuned = 0;
    for (;;) {
      const auto now = steady_clock::now();
      const uint64_t current = schedule.VisitAt(now - start);
      {
        const std::lock_guard lock(mutex);
        if (stopped) return;
        visit = current;
      }
      visited.notify_all();
      if (current != tuned) {
        // A channel that cannot be tuned to now (the radio busy) is tried again next round.
        if (schedule.ChannelOfVisit(current) != schedule.ChannelOfVisit(tuned)) {
          SetChannel(socket.get(), family, ifindex, schedule.ChannelOfVisit(current));
        }
        tuned = current;
      }
      const auto nextHop = start + schedule.Dwell() * static_cast<int64_t>(current + 1);
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextHop - now);
      // At most 100 ms between looks at `stopped`.
      pollfd ready = {fd, POLLIN, 0};
      if (poll(&ready, 1, static_cast<int>(std::clamp<int64_t>(wait.count(), 1, 100))) > 0) {
        pcap_dispatch(pcap.get(), -1, OnRecord, reinterpret_cast<u_char*>(this));
      }
    }
  }

  void Stop() {
    {
      const std::lock_guard lock(mutex);
      stopped = true;
    }
    visited.notify_all();
    if (thread.joinable()) thread.join();
    pcap.reset();
    if (added) {
      DisarmSignalCleanup();
      if (Message request = NewRequest(family, NL80211_CMD_DEL_INTERFACE, 0);
          request && nla_put_u32(request.get(), NL80211_ATTR_IFINDEX, ifindex) >= 0) {
        const Exchange deleted = Transact(socket.get(), request.get(), {});
        if (!deleted.ok()) {
          std::fprintf(stderr, "quorvan: cannot delete the monitor interface %s: %s\n",
                       name.c_str(), deleted.Words().c_str());
        }
      }
      added = false;
    }
  }
};

namespace {

class MonitorSession : public WlanSession {
 public:
  explicit MonitorSession(std::shared_ptr<MonitorListener> listener)
      : listener_(std::move(listener)) {}

  DWORD EnumInterfaces(std::vector<WlanInterface>& out) override {
    out.push_back({GuidFromIfindex(listener_->ifindex), listener_->name});
    return ERROR_SUCCESS;
  }

  DWORD Scan(const GUID& interfaceGuid, const DOT11_SSID*, const WLAN_RAW_DATA*) override {
    return Ours(interfaceGuid) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  }

  DWORD GetBssList(const GUID& interfaceGuid, const DOT11_SSID*, DOT11_BSS_TYPE, bool,
                   std::vector<WlanBss>& out) override {
    if (!Ours(interfaceGuid)) return ERROR_INVALID_PARAMETER;
    std::vector<BssObservation> heard;
    {
      const std::lock_guard lock(listener_->mutex);
      heard = listener_->heard.Take();
    }
    for (const BssObservation& bss : heard) out.emplace_back(EntryFrom(bss), bss.ies);
    return ERROR_SUCCESS;
  }

 private:
  bool Ours(const GUID& guid) const { return IfindexFromGuid(guid) == listener_->ifindex; }
  std::shared_ptr<MonitorListener> listener_;
};

// The interface of `ifindex` brought up, as `ip link set NAME up` does; "" or libnl's words.
std::string BringUp(uint32_t ifindex) {
  Socket route(nl_socket_alloc());
  if (!route) return nl_geterror(NLE_NOMEM);
  if (const int error = nl_connect(route.get(), NETLINK_ROUTE); error < 0) {
    return nl_geterror(error);
  }
  rtnl_link* found = nullptr;
  if (const int error =
          rtnl_link_get_kernel(route.get(), static_cast<int>(ifindex), nullptr, &found);
      error < 0) {
    return nl_geterror(error);
  }
  const Link link(found);
  const Link change(rtnl_link_alloc());
  if (!change) return nl_geterror(NLE_NOMEM);
  rtnl_link_set_flags(change.get(), IFF_UP);
  if (const int error = rtnl_link_change(route.get(), link.get(), change.get(), 0); error < 0) {
    return nl_geterror(error);
  }
  return {};
}

MonitorProblem SystemProblem(const std::string& interface, int phy, std::string step,
                             std::string detail) {
  MonitorProblem problem;
  problem.kind = MonitorProblem::Kind::kSystem;
  problem.interface = interface;
  problem.phy = phy;
  problem.step = std::move(step);
  problem.detail = std::move(detail);
  return problem;
}

// Adds a monitor interface "qmonN" to radio `phy`; its index, or 0 with `problem` set.
uint32_t AddMonitorInterface(nl_sock* socket, int family, uint32_t phy, std::string& name,
                             const std::string& interface, MonitorProblem& problem) {
  const std::string step = "adding a monitor interface to phy" + std::to_string(phy);
  for (int number = 0; number < 100; ++number) {
    char candidate[IFNAMSIZ] = {};
    std::snprintf(candidate, sizeof candidate, "qmon%d", number);
    if (if_nametoindex(candidate) != 0) continue;
    Message request = NewRequest(family, NL80211_CMD_NEW_INTERFACE, 0);
    if (!request || nla_put_u32(request.get(), NL80211_ATTR_WIPHY, phy) < 0 ||
        nla_put_string(request.get(), NL80211_ATTR_IFNAME, candidate) < 0 ||
        nla_put_u32(request.get(), NL80211_ATTR_IFTYPE, NL80211_IFTYPE_MONITOR) < 0) {
      problem = SystemProblem(interface, static_cast<int>(phy), step, nl_geterror(NLE_NOMEM));
      return 0;
    }
    InterfaceKind added;
    const Exchange exchange =
        Transact(socket, request.get(), [&](nl_msg* reply) { ParseInterfaceKind(reply, added); });
    if (exchange.kernelError == -EEXIST || exchange.kernelError == -ENFILE) continue;  // taken
    if (!exchange.ok() || added.ifindex == 0) {
      problem =
          SystemProblem(interface, static_cast<int>(phy), step,
                        exchange.ok() ? "the kernel did not say its index" : exchange.Words());
      return 0;
    }
    name = candidate;
    return added.ifindex;
  }
  problem = SystemProblem(interface, static_cast<int>(phy), step, "qmon0 to qmon99 are all taken");
  return 0;
}

}  // namespace

MonitorService::~MonitorService() { Stop(); }

std::string MonitorService::Name() const { return "monitor " + plan_.listener; }

DWORD MonitorService::Open(DWORD, std::unique_ptr<WlanSession>& session, WlanFailure&) {
  session = std::make_unique<MonitorSession>(listener_);
  return ERROR_SUCCESS;
}

void MonitorService::WaitForRound() {
  std::unique_lock lock(listener_->mutex);
  const uint64_t last = listener_->schedule.LastVisitOfRound(listener_->visit);
  listener_->visited.wait(lock, [&] { return listener_->stopped || listener_->visit > last; });
}

void MonitorService::Stop() {
  if (listener_) listener_->Stop();
}

std::shared_ptr<MonitorService> StartMonitor(const std::string& interface,
                                             const std::vector<uint32_t>& channelsMhz,
                                             MonitorProblem& problem) {
  using Kind = MonitorProblem::Kind;
  problem = {};
  problem.interface = interface;
  const uint32_t ifindex = if_nametoindex(interface.c_str());
  if (ifindex == 0) {
    problem.kind = Kind::kNoInterface;
    return nullptr;
  }
  if (std::string missing = MissingCapabilities(); !missing.empty()) {
    problem.kind = Kind::kNoCapability;
    problem.capabilities = std::move(missing);
    return nullptr;
  }
  Socket socket(nl_socket_alloc());
  if (!socket) {
    problem = SystemProblem(interface, -1, "opening a netlink socket", nl_geterror(NLE_NOMEM));
    return nullptr;
  }
  if (const int error = genl_connect(socket.get()); error < 0) {
    problem = SystemProblem(interface, -1, "opening a netlink socket", nl_geterror(error));
    return nullptr;
  }
  const int family = genl_ctrl_resolve(socket.get(), "nl80211");
  if (family < 0) {
    problem.kind = Kind::kNotWireless;  // this kernel has no Wi-Fi at all
    return nullptr;
  }

  InterfaceKind kind;
  {
    Message request = NewRequest(family, NL80211_CMD_GET_INTERFACE, 0);
    if (!request || nla_put_u32(request.get(), NL80211_ATTR_IFINDEX, ifindex) < 0) {
      problem = SystemProblem(interface, -1, "asking nl80211", nl_geterror(NLE_NOMEM));
      return nullptr;
    }
    Transact(socket.get(), request.get(), [&](nl_msg* reply) { ParseInterfaceKind(reply, kind); });
    if (kind.ifindex != ifindex) {
      problem.kind = Kind::kNotWireless;
      return nullptr;
    }
  }
  problem.phy = static_cast<int>(kind.wiphy);

  WiphyInfo wiphy;
  wiphy.index = kind.wiphy;
  {
    Message request = NewRequest(family, NL80211_CMD_GET_WIPHY, NLM_F_DUMP);
    if (!request || nla_put_u32(request.get(), NL80211_ATTR_WIPHY, kind.wiphy) < 0 ||
        nla_put_flag(request.get(), NL80211_ATTR_SPLIT_WIPHY_DUMP) < 0) {
      problem = SystemProblem(interface, problem.phy, "asking nl80211", nl_geterror(NLE_NOMEM));
      return nullptr;
    }
    bool malformed = false;
    const Exchange exchange = Transact(socket.get(), request.get(), [&](nl_msg* reply) {
      if (ParseWiphyMessage(reply, wiphy) == WiphyParse::kMalformed) malformed = true;
    });
    if (!exchange.ok()) {
      problem = SystemProblem(interface, problem.phy,
                              "reading the description of phy" + std::to_string(kind.wiphy),
                              exchange.Words());
      return nullptr;
    }
    if (malformed || !wiphy.seen) {
      problem.kind = Kind::kUnreadable;
      return nullptr;
    }
  }
  const bool monitorAlready = kind.iftype == NL80211_IFTYPE_MONITOR;
  if (!monitorAlready && !wiphy.monitorMode) {
    problem.kind = Kind::kNoMonitorMode;
    return nullptr;
  }
  if (wiphy.usable.empty()) {
    problem.kind = Kind::kNoChannels;
    return nullptr;
  }
  if (const auto refused = FirstNotAllowed(channelsMhz, wiphy.usable)) {
    problem.kind = Kind::kChannelNotAllowed;
    problem.mhz = *refused;
    return nullptr;
  }
  std::vector<uint32_t> channels = channelsMhz.empty() ? wiphy.usable : channelsMhz;
  const auto dwell = HopDwell(channels.size());
  auto listener = std::make_shared<MonitorListener>(HopSchedule(std::move(channels), dwell));
  listener->family = family;
  listener->socket = std::move(socket);
  if (monitorAlready) {
    listener->ifindex = ifindex;
    listener->name = interface;
  } else {
    listener->ifindex = AddMonitorInterface(listener->socket.get(), family, kind.wiphy,
                                            listener->name, interface, problem);
    if (listener->ifindex == 0) return nullptr;
    listener->added = true;
    ArmSignalCleanup(family, listener->ifindex);
  }
  // From here on a failure deletes the interface added (the listener's Stop).
  struct StopUnlessStarted {
    MonitorListener* listener;
    ~StopUnlessStarted() {
      if (listener != nullptr) listener->Stop();
    }
  } guard{listener.get()};

  if (std::string error = BringUp(listener->ifindex); !error.empty()) {
    problem = SystemProblem(interface, problem.phy, "bringing " + listener->name + " up", error);
    return nullptr;
  }
  const uint32_t first = listener->schedule.ChannelOfVisit(0);
  if (const Exchange tuned = SetChannel(listener->socket.get(), family, listener->ifindex, first);
      !tuned.ok()) {
    if (tuned.kernelError == -EBUSY) {
      problem.kind = Kind::kRadioBusy;
      return nullptr;
    }
    problem = SystemProblem(interface, problem.phy,
                            "tuning " + listener->name + " to " + std::to_string(first) + " MHz",
                            tuned.Words());
    return nullptr;
  }

  const std::string step = "capturing on " + listener->name;
  char errbuf[PCAP_ERRBUF_SIZE] = {};
  listener->pcap.reset(pcap_create(listener->name.c_str(), errbuf));
  if (!listener->pcap) {
    problem = SystemProblem(interface, problem.phy, step, errbuf);
    return nullptr;
  }
  pcap_t* pcap = listener->pcap.get();
  pcap_set_snaplen(pcap, 65535);
  pcap_set_immediate_mode(pcap, 1);
  if (const int activated = pcap_activate(pcap); activated < 0) {
    problem =
        SystemProblem(interface, problem.phy, step,
                      activated == PCAP_ERROR ? pcap_geterr(pcap) : pcap_statustostr(activated));
    return nullptr;
  }
  if (pcap_datalink(pcap) != DLT_IEEE802_11_RADIO &&
      pcap_set_datalink(pcap, DLT_IEEE802_11_RADIO) != 0) {
    const char* name = pcap_datalink_val_to_name(pcap_datalink(pcap));
    problem = SystemProblem(interface, problem.phy, step,
                            "link type " + std::string(name != nullptr ? name : "unknown") +
                                ", not 802.11 with radiotap");
    return nullptr;
  }
  // Only beacons and probe responses cross into the program; without the filter (a kernel
  // without BPF) the parser passes the rest over itself.
  bpf_program filter = {};
  if (pcap_compile(pcap, &filter, "type mgt and (subtype beacon or subtype probe-resp)", 1,
                   PCAP_NETMASK_UNKNOWN) == 0) {
    pcap_setfilter(pcap, &filter);
    pcap_freecode(&filter);
  }
  if (pcap_setnonblock(pcap, 1, errbuf) != 0 || pcap_get_selectable_fd(pcap) < 0) {
    problem = SystemProblem(interface, problem.phy, step, errbuf);
    return nullptr;
  }

  std::shared_ptr<MonitorService> service(new MonitorService);
  service->plan_.listener = listener->name;
  service->plan_.added = listener->added;
  service->plan_.phy = static_cast<int>(kind.wiphy);
  service->plan_.channels = listener->schedule.Channels().size();
  service->plan_.dwell = listener->schedule.Dwell();
  listener->thread = std::thread([raw = listener.get()] { raw->Run(); });
  service->listener_ = std::move(listener);
  guard.listener = nullptr;
  return service;
}

}  // namespace quorvan
