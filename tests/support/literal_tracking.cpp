#include "tests/support/literal_tracking.h"

#include <cstdio>
#include <cstring>

namespace quorvan::testing {

TrackedNetwork* LiteralTable::FindByMac(const char* mac) {
  for (auto& record : records) {
    if (std::strcmp(record->mac, mac) == 0) return record.get();
  }
  return nullptr;
}

void LiteralTable::SortBySsid() {
  std::list<std::unique_ptr<TrackedNetwork>> sorted;
  while (!records.empty()) {
    auto maximum = records.begin();
    for (auto it = std::next(records.begin()); it != records.end(); ++it) {
      if (std::strcmp((*it)->ssid, (*maximum)->ssid) > 0) maximum = it;
    }
    sorted.push_front(std::move(*maximum));
    records.erase(maximum);
  }
  for (auto& record : sorted) records.push_back(std::move(record));
}

void LiteralAdvanceHistory(LiteralTable& table) {
  for (auto& record : table.records) {
    record->historyIndex++;
    record->seen = 0;
    record->linkQuality = 0;
    if (record->historyIndex >= 5) {
      record->rssiHistory[0] = record->rssiHistory[1];
      record->rssiHistory[1] = record->rssiHistory[2];
      record->rssiHistory[2] = record->rssiHistory[3];
      record->rssiHistory[3] = record->rssiHistory[4];
      record->historyIndex = 4;
    }
    record->rssiHistory[record->historyIndex] = 0;
  }
}

void LiteralMergeBssList(LiteralTable& table, std::span<const BssObservation> snapshot) {
  for (const BssObservation& entry : snapshot) {
    char mac[32];
    std::snprintf(mac, sizeof mac, "%02X %02X %02X %02X %02X %02X", entry.bssid[0], entry.bssid[1],
                  entry.bssid[2], entry.bssid[3], entry.bssid[4], entry.bssid[5]);
    TrackedNetwork* record = table.FindByMac(mac);
    std::unique_ptr<TrackedNetwork> created;
    if (record == nullptr) {
      created = std::make_unique<TrackedNetwork>();
      record = created.get();
    }
    record->seen = 1;
    std::snprintf(record->mac, sizeof record->mac, "%s", mac);
    char name[33] = {};
    std::memcpy(name, entry.ssid.data(), 32);
    std::snprintf(record->ssid, sizeof record->ssid, "%s", name);
    record->rssiHistory[record->historyIndex] = entry.rssi + 100;
    record->linkQuality = static_cast<int32_t>(entry.linkQuality);
    record->timestamp = static_cast<uint32_t>(entry.timestamp & 0xFFFFFFFFu);
    record->hostTimestamp = static_cast<uint32_t>(entry.hostTimestamp & 0xFFFFFFFFu);
    std::snprintf(record->encryption, sizeof record->encryption, "%s", "wep ");
    record->frequency = static_cast<int32_t>(entry.centerFrequency);
    record->channel = ChannelFromFrequency(entry.centerFrequency);
    std::snprintf(record->beaconPeriod, sizeof record->beaconPeriod, "%i", entry.beaconPeriod);
    if (created) table.records.push_back(std::move(created));
  }
}

void LiteralUpdateActivity(LiteralTable& table) {
  for (auto it = table.records.begin(); it != table.records.end();) {
    if ((*it)->seen == 1) {
      (*it)->activity++;
      if ((*it)->activity >= 65535) (*it)->activity = 100;
    } else {
      (*it)->activity--;
    }
    if ((*it)->activity < 0) {
      it = table.records.erase(it);
    } else {
      ++it;
    }
  }
}

std::string DumpRecord(const TrackedNetwork& r) {
  char line[512];
  std::snprintf(line, sizeof line,
                "seen=%d ssid=[%s] mac=[%s] act=%d freq=%d ch=%d hist=%d,%d,%d,%d,%d idx=%d lq=%d "
                "ts=%08x hts=%08x enc=[%s] code=%d beacon=[%s] user=[%s] pass=[%s]",
                r.seen, r.ssid, r.mac, r.activity, r.frequency, r.channel, r.rssiHistory[0],
                r.rssiHistory[1], r.rssiHistory[2], r.rssiHistory[3], r.rssiHistory[4],
                r.historyIndex, r.linkQuality, r.timestamp, r.hostTimestamp, r.encryption,
                r.encryptionCode, r.beaconPeriod, r.username, r.password);
  return line;
}

}  // namespace quorvan::testing
