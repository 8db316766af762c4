#include "wlan/linux/interface_probe.h"

#include <net/if.h>
#include <unistd.h>

#include <memory>

#include "wlan/linux/nl80211_service.h"

namespace quorvan {

InterfaceChoice ProbeInterface(const std::string& name) {
  InterfaceChoice choice;
  choice.name = name;
  choice.exists = if_nametoindex(name.c_str()) != 0;
  // Wi-Fi interfaces of any mode have their radio in sysfs; the name is a real interface's,
  // so it holds no slash.
  choice.wireless =
      choice.exists && access(("/sys/class/net/" + name + "/phy80211").c_str(), F_OK) == 0;
  Nl80211Service all;
  std::unique_ptr<WlanSession> session;
  std::vector<WlanInterface> interfaces;
  choice.listError = all.Open(2, session, choice.listFailure);
  if (choice.listError == ERROR_SUCCESS) {
    choice.listError = session->EnumInterfaces(interfaces);
    if (choice.listError != ERROR_SUCCESS) choice.listFailure = session->Failure();
  }
  for (const WlanInterface& interface : interfaces) {
    choice.stations.push_back(interface.description);
  }
  return choice;
}

}  // namespace quorvan
