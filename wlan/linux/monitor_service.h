#pragma once

#include <memory>
#include <string>
#include <vector>

#include "wlan/linux/monitor_plan.h"
#include "wlan/linux/wlan_service.h"

namespace quorvan {

struct MonitorListener;

// A monitor interface, listened to: libpcap captures its beacons and probe responses on a
// thread of its own while the interface hops through its radio's channels (HopSchedule); every
// BSS list query gets the BSSes heard since the query before it, each once with its last
// frame's fields, in the order first heard (HeardBsses). A scan request does nothing, since
// listening needs none. The one interface listed is the monitor interface.
//
// StartMonitor takes an interface already in monitor mode as it is, or adds a monitor
// interface to the radio of a managed one through nl80211; Stop (or the destructor) deletes the
// one it added, and so does SIGINT, SIGTERM or SIGHUP while no other handler has been set.
class MonitorService : public WlanService {
 public:
  ~MonitorService() override;
  std::string Name() const override;  // "monitor qmon0"
  DWORD Open(DWORD clientVersion, std::unique_ptr<WlanSession>& session,
             WlanFailure& failure) override;

  const MonitorPlan& Plan() const { return plan_; }
  // Blocks until every channel has been listened to for a whole visit since the call.
  void WaitForRound();
  // Stops listening and deletes the monitor interface it added; idempotent.
  void Stop();

 private:
  friend std::shared_ptr<MonitorService> StartMonitor(const std::string&,
                                                      const std::vector<uint32_t>&,
                                                      MonitorProblem&);
  MonitorService() = default;
  std::shared_ptr<MonitorListener> listener_;
  MonitorPlan plan_;
};

// Checks everything before it listens: the interface, the capabilities, the radio's monitor
// mode and channels (`channelsMhz`, or all it may use when empty); nullptr with `problem` set
// when it cannot listen.
std::shared_ptr<MonitorService> StartMonitor(const std::string& interface,
                                             const std::vector<uint32_t>& channelsMhz,
                                             MonitorProblem& problem);

}  // namespace quorvan
