#include "ui/qt/pane_from_store.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace quorvan {
namespace {

SignalSeries SeriesOf(const ListedNetwork& row, const BssInfo& info) {
  SignalSeries series{row.ssid, {}};
  series.dbm.reserve(static_cast<std::size_t>(info.signal.size()));
  for (int i = 0; i < info.signal.size(); ++i) series.dbm.push_back(info.signal[i]);
  return series;
}

}  // namespace

PaneContent PaneContentFromStore(const DetailsStore& store, std::span<const ListedNetwork> rows) {
  PaneContent content;
  // Rows with what the store knows of them, looked up once.
  std::vector<std::pair<const ListedNetwork*, const BssInfo*>> known;
  known.reserve(rows.size());
  for (const ListedNetwork& row : rows) {
    content.anySelected = content.anySelected || row.selected;
    if (const BssInfo* info = store.Find(row.mac)) known.emplace_back(&row, info);
  }

  for (const ListedNetwork& row : rows) {
    if (!row.selected) continue;
    NetworkDetails details{row.ssid, QString::fromStdString(row.mac), std::nullopt, {}, {}};
    if (const BssInfo* info = store.Find(row.mac); info != nullptr && info->elementsKnown) {
      details.details = info->details;
      details.elements = ieee80211::ListElements(info->ies);
      details.vendor =
          QString::fromUtf8(info->vendor.data(), static_cast<qsizetype>(info->vendor.size()));
    }
    content.details = std::move(details);
    break;
  }

  // The Signal tab's networks, and the colour each has there: the Channels tab draws them in
  // the same colour.
  std::vector<std::pair<const ListedNetwork*, const BssInfo*>> followed;
  for (const auto& entry : known) {
    if (entry.first->selected) followed.push_back(entry);
  }
  if (!content.anySelected) {
    for (const auto& entry : known) {
      if (entry.second->signal.Latest()) followed.push_back(entry);
    }
    const std::size_t count = std::min(kStrongestFollowed, followed.size());
    std::partial_sort(followed.begin(), followed.begin() + static_cast<std::ptrdiff_t>(count),
                      followed.end(), [](const auto& a, const auto& b) {
                        return *a.second->signal.Latest() > *b.second->signal.Latest();
                      });
    followed.resize(count);
  }
  std::unordered_map<const BssInfo*, int> colorOf;
  for (std::size_t i = 0; i < followed.size(); ++i) {
    content.series.push_back(SeriesOf(*followed[i].first, *followed[i].second));
    colorOf.emplace(followed[i].second, static_cast<int>(i));
  }
  for (int ago = kSignalHistoryCycles - 1; ago >= 0; --ago) {
    content.signalTimes.push_back(store.CycleTimeMs(ago));
  }
  // Access points of one network share its name: the legend tells them apart by the end of
  // their MAC, and names the hidden ones.
  for (std::size_t i = 0; i < content.series.size(); ++i) {
    const QString name = followed[i].first->ssid;
    const bool shared = std::any_of(followed.begin(), followed.end(), [&](const auto& other) {
      return other.first != followed[i].first && other.first->ssid == name;
    });
    QString& label = content.series[i].label;
    if (name.isEmpty()) label = QStringLiteral("(hidden network)");
    if (shared) {
      const std::string& mac = followed[i].first->mac;
      label += QStringLiteral(" (…%1)").arg(
          QString::fromStdString(mac.substr(mac.size() >= 5 ? mac.size() - 5 : 0)));
    }
  }

  for (const auto& [row, info] : known) {
    const auto dbm = info->signal.Latest();
    if (!dbm) continue;  // not heard in the last cycle
    ChannelShape shape;
    shape.label = row->ssid;
    // Without elements a BSS is drawn 20 MHz wide on its primary channel, the least it uses.
    const bool decoded = info->elementsKnown && info->details.centerFrequencyKhz != 0;
    shape.centerKhz = decoded ? info->details.centerFrequencyKhz : info->frequencyKhz;
    shape.widthMhz = decoded ? info->details.channelWidthMhz : 20;
    shape.dbm = *dbm;
    shape.selected = row->selected;
    const auto color = colorOf.find(info);
    shape.color = color != colorOf.end()
                      ? color->second
                      : static_cast<int>(std::hash<std::string>()(row->mac) % kGraphPaletteSize);
    content.shapes.push_back(std::move(shape));
  }
  return content;
}

}  // namespace quorvan
