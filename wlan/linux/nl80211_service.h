#pragma once

#include <memory>
#include <string>

#include "wlan/linux/wlan_service.h"

namespace quorvan {

// The real radio: nl80211 over generic netlink (libnl-genl-3). Each session is one netlink
// socket. Interfaces are the station interfaces in index order, each GUID carrying its index,
// with their link state from rtnetlink; a scan request goes to NetworkManager where it manages
// the interface (wlan/linux/network_manager.h), else it is NL80211_CMD_TRIGGER_SCAN (needs
// CAP_NET_ADMIN, refused with ERROR_ACCESS_DENIED otherwise); a BSS list is the
// NL80211_CMD_GET_SCAN dump. Where the kernel has no nl80211 family, Open fails with
// ERROR_SERVICE_NOT_ACTIVE.
//
// With `onlyInterface` the service sees that one station interface and no other: the one the
// user chose. Down, it is reported down; gone, there is no interface.
class Nl80211Service : public WlanService {
 public:
  explicit Nl80211Service(std::string onlyInterface = {});
  std::string Name() const override { return "nl80211"; }
  DWORD Open(DWORD clientVersion, std::unique_ptr<WlanSession>& session,
             WlanFailure& failure) override;

 private:
  std::string onlyInterface_;
};

}  // namespace quorvan
