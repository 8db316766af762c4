#pragma once

// The information elements and the capability field that the simulated radio's access points
// send: what a real access point of each kind puts in its beacons, so that whatever reads
// elements has realistic bytes to read without a radio.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvan {

enum class Security {
  kOpen,
  kOwe,  // Opportunistic Wireless Encryption: no password, yet encrypted
  kWpa2Psk,
  kWpa3Sae,
  kSaePsk,          // WPA3 transition mode: SAE and PSK side by side
  kWpa2Enterprise,  // 802.1X
};

// The newest amendment the access point speaks: Wi-Fi 4, 5, 6 and 7.
enum class Phy { kHt, kVht, kHe, kEht };

enum class Vendor { kNone, kBroadcom, kQualcomm, kMediatek, kAvm, kApple };

struct BeaconShape {
  std::string_view ssid;  // as the element carries it: a hidden network's zeros or nothing
  uint32_t mhz;           // primary 20 MHz channel's centre
  uint16_t widthMhz;      // 20, 40, 80, 160 or 320, and what the band and `phy` allow
  Security security;
  Phy phy;
  bool bssLoad;  // sends a BSS Load element
  bool wps;      // sends a Wi-Fi Protected Setup element
  Vendor vendor;
  uint8_t bssColor;  // 1..63, for HE and later
};

struct Beacon {
  uint16_t capability = 0;
  std::vector<uint8_t> ies;
  std::size_t bssLoadAt = 0;  // where the BSS Load element's body starts; 0 when there is none
};

Beacon BuildBeacon(const BeaconShape& shape);

// Writes a BSS Load element's station count and channel utilisation (of 255) into `ies`.
void SetBssLoad(std::vector<uint8_t>& ies, std::size_t bodyAt, uint16_t stations,
                uint8_t utilisation);

// The IEEE 802.11 channel number of a frequency in the 2.4, 5 or 6 GHz band.
int ChannelOfMhz(uint32_t mhz);

// The centre channel of the `widthMhz` wide channel that holds the 20 MHz channel `primary`,
// in the 5 or 6 GHz band (channel raster of 20 MHz channels 4 numbers apart).
int CentreChannel(uint32_t mhz, uint16_t widthMhz);

}  // namespace quorvan
