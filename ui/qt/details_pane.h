#pragma once
// The pane under the list: the selected network's elements decoded (Details), the signal of
// the selected networks over the last half hour (Signal), and who shares which channel
// (Channels). It is handed copies of what it shows and keeps no pointer to a record or to the
// store: it reads nothing between two updates.

#include <QLabel>
#include <QStackedWidget>
#include <QString>
#include <QTabWidget>
#include <QTableWidget>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ieee80211/elements.h"
#include "ui/qt/channel_map.h"
#include "ui/qt/signal_graph.h"

namespace quorvan {

// What the Details tab shows of one network.
struct NetworkDetails {
  QString ssid;  // as the list shows it
  QString mac;
  // Decoded elements; nullopt when the network's elements are not known.
  std::optional<ieee80211::BssDetails> details;
  std::vector<ieee80211::ElementInfo> elements;
  QString vendor;  // "" when the registry has no name for the BSSID
};

// The Details tab's rows, field then value: the decoded fields, then one row per element
// (its ID and name, then its bytes in hex). Empty without decoded elements.
std::vector<std::pair<QString, QString>> DetailRows(const NetworkDetails& network);

// The bytes as "01 00 0F AC".
QString HexBytes(std::span<const uint8_t> bytes);

// Everything the pane shows after one update.
struct PaneContent {
  bool anySelected = false;
  std::optional<NetworkDetails> details;  // of the first selected row
  std::vector<SignalSeries> series;
  SignalTimes signalTimes;  // when the series' cycles ran
  std::vector<ChannelShape> shapes;
};

class DetailsPane final : public QTabWidget {
 public:
  explicit DetailsPane(QWidget* parent = nullptr);

  void Show(PaneContent content);

  QTableWidget& DetailsTable() { return *table_; }
  // The grey sentence shown in place of the table; hidden while the table shows.
  QLabel& DetailsNote() { return *note_; }
  bool ShowsDetailsTable() const { return stack_->currentWidget() == table_; }
  SignalGraph& Signal() { return *signal_; }
  ChannelMap& Channels() { return *channels_; }

 private:
  QStackedWidget* stack_;
  QLabel* note_;
  QTableWidget* table_;
  SignalGraph* signal_;
  ChannelMap* channels_;
};

}  // namespace quorvan
