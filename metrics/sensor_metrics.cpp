#include "metrics/sensor_metrics.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

#include "ieee80211/elements.h"

namespace quorvan {
namespace {

std::string_view BandLabel(int32_t frequencyKhz) {
  using ieee80211::Band;
  switch (ieee80211::BandOfFrequency(static_cast<uint32_t>(std::max(frequencyKhz, 0)))) {
    case Band::k2400:
      return "2.4";
    case Band::k4900:
    case Band::k5000:
      return "5";
    case Band::k6000:
      return "6";
    case Band::kUnknown:
      break;
  }
  return {};
}

}  // namespace

void MetricsBoard::Publish(std::shared_ptr<const MetricsSnapshot> snapshot) {
  std::shared_ptr<const MetricsSnapshot> previous;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    previous = std::exchange(latest_, std::move(snapshot));
  }
  // The last reference to an old snapshot goes outside the lock: freeing 10,000 rows is not
  // something a scrape should wait for.
}

std::shared_ptr<const MetricsSnapshot> MetricsBoard::Latest() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return latest_;
}

BssSample SampleOf(const TrackedNetwork& record, std::string_view security) {
  BssSample sample;
  const std::string_view mac = FieldText(record.mac);  // "0A 1B 2C 3D 4E 5F"
  const std::size_t macLength = std::min(mac.size(), sizeof sample.bssid - 1);
  for (std::size_t i = 0; i < macLength; ++i) sample.bssid[i] = mac[i] == ' ' ? ':' : mac[i];
  const std::string_view ssid = FieldText(record.ssid);
  std::memcpy(sample.ssid, ssid.data(), std::min(ssid.size(), sizeof sample.ssid - 1));
  sample.channel = record.channel;
  sample.band = BandLabel(record.frequency);
  sample.security = security;
  sample.seen = record.seen == 1;
  const int32_t slot = std::clamp(record.historyIndex, 0, kHistorySlots - 1);
  sample.signalDbm = record.rssiHistory[slot] - 100;
  sample.linkQualityPercent = record.linkQuality;
  sample.activity = record.activity;
  const std::string_view period = FieldText(record.beaconPeriod);
  int32_t tu = 0;
  const auto [end, error] = std::from_chars(period.data(), period.data() + period.size(), tu);
  if (error == std::errc() && end == period.data() + period.size() && tu >= 0) {
    sample.beaconPeriodTu = tu;
  }
  return sample;
}

SensorMetrics::SensorMetrics(MetricsBoard& board, SensorInfo info, const DetailsStore* details)
    : board_(board),
      details_(details),
      info_(std::move(info)),
      rows_(std::make_shared<const std::vector<BssSample>>()) {
  Publish();
}

void SensorMetrics::QueryEnded(QueryOutcome outcome, std::string_view interfaceName,
                               double unixSeconds) {
  const auto at = static_cast<std::size_t>(outcome);
  if (at < counts_.queries.size()) ++counts_.queries[at];
  counts_.lastQuerySeconds = unixSeconds;
  if (!interfaceName.empty()) info_.interface = interfaceName;
  // Published with the table's rows once the cycle has merged and evicted: TableUpdated.
}

void SensorMetrics::ScanRequested(int result) {
  if (result < 0 || result >= static_cast<int>(counts_.scanRequests.size())) return;
  ++counts_.scanRequests[static_cast<std::size_t>(result)];
  Publish();
}

void SensorMetrics::TableUpdated(const NetworkTable& table) {
  auto rows = std::make_shared<std::vector<BssSample>>();
  rows->reserve(table.size());
  table.ForEachRecord([&](const TrackedNetwork& record) {
    std::string_view security;
    if (details_ != nullptr) {
      const BssInfo* info = details_->Find(FieldText(record.mac));
      if (info != nullptr && info->elementsKnown) {
        security = ieee80211::SecurityLabel(info->details.security);
      }
    }
    rows->push_back(SampleOf(record, security));
  });
  rows_ = std::move(rows);
  Publish();
}

void SensorMetrics::Publish() {
  auto snapshot = std::make_shared<MetricsSnapshot>();
  snapshot->bsses = rows_;
  snapshot->counts = counts_;
  snapshot->info = info_;
  board_.Publish(std::move(snapshot));
}

}  // namespace quorvan
