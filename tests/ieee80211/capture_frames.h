#pragma once

// Records as a monitor interface captures them, built byte by byte for the tests, the benchmark
// and the fuzzer's seeds: a management frame, and the capture headers put in front of it.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorvan::testing {

using FrameBytes = std::vector<uint8_t>;

inline void PutLe(FrameBytes& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A beacon (subtype 8) or probe response (5) from `bssid` with `elements` after the fixed fields.
inline FrameBytes ManagementFrame(const std::array<uint8_t, 6>& bssid, uint64_t timestamp,
                                  uint16_t interval, uint16_t capability,
                                  const FrameBytes& elements, uint8_t subtype = 8) {
  FrameBytes out = {static_cast<uint8_t>(subtype << 4), 0, 0, 0};
  for (int i = 0; i < 6; ++i) out.push_back(0xff);    // address 1: broadcast
  out.insert(out.end(), bssid.begin(), bssid.end());  // address 2: the transmitter
  out.insert(out.end(), bssid.begin(), bssid.end());  // address 3: the BSSID
  PutLe(out, 0x1230, 2);                              // sequence control
  PutLe(out, timestamp, 8);
  PutLe(out, interval, 2);
  PutLe(out, capability, 2);
  out.insert(out.end(), elements.begin(), elements.end());
  return out;
}

inline FrameBytes SsidBytes(const FrameBytes& ssid) {
  FrameBytes out = {0, static_cast<uint8_t>(ssid.size())};
  out.insert(out.end(), ssid.begin(), ssid.end());
  return out;
}
inline FrameBytes SsidBytes(const std::string& ssid) {
  return SsidBytes(FrameBytes(ssid.begin(), ssid.end()));
}
inline FrameBytes DsBytes(uint8_t channel) { return {3, 1, channel}; }
// An HE Operation element with 6 GHz Operation Information for primary channel `primary`.
inline FrameBytes He6GhzBytes(uint8_t primary) {
  return {255, 12, 36, 0x00, 0x00, 0x02, 0x00, 0xfc, 0xff, primary, 0x01, primary, 0, 1};
}

// A radiotap header: Flags (when `flags` is given), Channel (when `mhz` is not 0) and a dBm
// signal (when `signals` is not empty) in the first presence word; each further signal in a
// further radiotap-namespace word, as Linux writes one per antenna.
struct Radiotap {
  int flags = -1;
  uint16_t mhz = 0;
  std::vector<int8_t> signals;
  bool tsft = false;  // a TSFT field first, to move the others' alignment
};

inline FrameBytes RadiotapHeader(const Radiotap& r) {
  std::vector<uint32_t> words;
  uint32_t first = 0;
  if (r.tsft) first |= 1u << 0;
  if (r.flags >= 0) first |= 1u << 1;
  if (r.mhz != 0) first |= 1u << 3;
  if (!r.signals.empty()) first |= 1u << 5;
  words.push_back(first);
  for (std::size_t i = 1; i < r.signals.size(); ++i) {
    words.back() |= (1u << 29) | (1u << 31);
    words.push_back((1u << 5) | (1u << 11));  // signal and antenna number
  }
  FrameBytes out = {0, 0, 0, 0};
  for (uint32_t word : words) PutLe(out, word, 4);
  const auto align = [&](std::size_t to) {
    while (out.size() % to != 0) out.push_back(0);
  };
  if (r.tsft) {
    align(8);
    PutLe(out, 0x1122334455667788ULL, 8);
  }
  if (r.flags >= 0) out.push_back(static_cast<uint8_t>(r.flags));
  if (r.mhz != 0) {
    align(2);
    PutLe(out, r.mhz, 2);
    PutLe(out, 0x00a0, 2);
  }
  for (std::size_t i = 0; i < r.signals.size(); ++i) {
    out.push_back(static_cast<uint8_t>(r.signals[i]));
    if (i > 0) out.push_back(static_cast<uint8_t>(i - 1));  // antenna
  }
  out[2] = static_cast<uint8_t>(out.size());
  out[3] = static_cast<uint8_t>(out.size() >> 8);
  return out;
}

inline FrameBytes Join(std::initializer_list<FrameBytes> parts) {
  FrameBytes all;
  for (const FrameBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A Prism header with channel `channel` and signal `dbm`.
inline FrameBytes PrismHeader(uint32_t channel, int32_t dbm) {
  FrameBytes out;
  PutLe(out, 0x00000044, 4);
  PutLe(out, 144, 4);
  for (int i = 0; i < 16; ++i) out.push_back(i < 5 ? static_cast<uint8_t>("wlan0"[i]) : 0);
  for (uint32_t item = 0; item < 10; ++item) {
    PutLe(out, 0x00010044 + (item << 12), 4);
    PutLe(out, 0, 2);  // status: present
    PutLe(out, 4, 2);
    const uint32_t value = item == 2 ? channel : item == 5 ? static_cast<uint32_t>(dbm) : item;
    PutLe(out, value, 4);
  }
  return out;
}

// The header of a classic pcap file: microsecond timestamps, little endian, frames up to 64 KiB.
inline void PutPcapHeader(FrameBytes& file, uint32_t linkType) {
  PutLe(file, 0xa1b2c3d4, 4);
  PutLe(file, 2, 2);
  PutLe(file, 4, 2);
  PutLe(file, 0, 8);
  PutLe(file, 65535, 4);
  PutLe(file, linkType, 4);
}

}  // namespace quorvan::testing
