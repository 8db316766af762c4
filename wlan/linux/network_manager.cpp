#include "wlan/linux/network_manager.h"

#include <systemd/sd-bus.h>

#include <memory>

namespace quorvan {
namespace {

constexpr char kService[] = "org.freedesktop.NetworkManager";
constexpr char kManagerPath[] = "/org/freedesktop/NetworkManager";
constexpr uint64_t kCallTimeoutUs = 3000000;  // the window waits for this, so keep it short

struct BusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

// An sd_bus_error that frees itself.
struct BusError {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  ~BusError() { sd_bus_error_free(&error); }
  std::string Said() const {
    return std::string(error.name != nullptr ? error.name : "an error") +
           (error.message != nullptr ? std::string(": ") + error.message : "");
  }
};

}  // namespace

NmScan ClassifyScanRefusal(std::string_view errorName, std::string_view message) {
  // NetworkManager refuses a scan right after one it made, or while one runs: its results are
  // as fresh as ours would be.
  if (errorName == "org.freedesktop.NetworkManager.Device.NotAllowed" &&
      (message.find("immediately following previous scan") != std::string_view::npos ||
       message.find("already scanning") != std::string_view::npos)) {
    return NmScan::kRateLimited;
  }
  // Nobody owns the name, or the object has no such method: NetworkManager is not there to ask.
  if (errorName == "org.freedesktop.DBus.Error.ServiceUnknown" ||
      errorName == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
      errorName == "org.freedesktop.DBus.Error.UnknownObject" ||
      errorName == "org.freedesktop.DBus.Error.UnknownMethod") {
    return NmScan::kNotAvailable;
  }
  return NmScan::kRefused;
}

ScanTaker ScanTakerOf(NmScan networkManager, DWORD kernelResult) {
  if (networkManager == NmScan::kRequested) return ScanTaker::kNetworkManager;
  return kernelResult == ERROR_BUSY ? ScanTaker::kBusyRadio : ScanTaker::kKernel;
}

bool ServingScanWatch::Observe(ScanEvent event) {
  if (end_ != ScanEvent::kOther) return true;
  if (event == ScanEvent::kStarted) {
    started_ = true;
  } else if (started_ && (event == ScanEvent::kFinished || event == ScanEvent::kAborted)) {
    end_ = event;
  }
  return end_ != ScanEvent::kOther;
}

NmScanAnswer RequestScanThroughNetworkManager(const std::string& interfaceName) {
  NmScanAnswer answer;
  sd_bus* raw = nullptr;
  if (interfaceName.empty() || sd_bus_open_system(&raw) < 0) return answer;
  const std::unique_ptr<sd_bus, BusUnref> bus(raw);
  sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutUs);

  BusError error;
  sd_bus_message* reply = nullptr;
  if (sd_bus_call_method(bus.get(), kService, kManagerPath, kService, "GetDeviceByIpIface",
                         &error.error, &reply, "s", interfaceName.c_str()) < 0) {
    // No NetworkManager, or it does not know the interface.
    return answer;
  }
  const std::unique_ptr<sd_bus_message, MessageUnref> device(reply);
  const char* path = nullptr;
  if (sd_bus_message_read(device.get(), "o", &path) < 0 || path == nullptr) return answer;

  int managed = 0;
  if (sd_bus_get_property_trivial(bus.get(), kService, path,
                                  "org.freedesktop.NetworkManager.Device", "Managed", &error.error,
                                  'b', &managed) < 0 ||
      managed == 0) {
    return answer;
  }

  sd_bus_message* scanReply = nullptr;
  if (sd_bus_call_method(bus.get(), kService, path,
                         "org.freedesktop.NetworkManager.Device.Wireless", "RequestScan",
                         &error.error, &scanReply, "a{sv}", 0) >= 0) {
    sd_bus_message_unref(scanReply);
    answer.result = NmScan::kRequested;
    return answer;
  }
  answer.result = ClassifyScanRefusal(error.error.name != nullptr ? error.error.name : "",
                                      error.error.message != nullptr ? error.error.message : "");
  answer.said = error.Said();
  return answer;
}

}  // namespace quorvan
