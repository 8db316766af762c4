#include "ui/qt/details_pane.h"

#include <QHeaderView>

namespace quorvan {
namespace {

using ieee80211::BssDetails;

QString Rate(double mbps, const char* none) {
  if (mbps <= 0) return none;
  return QStringLiteral("%1 Mb/s").arg(mbps, 0, 'g', 4);
}

QString Wps(ieee80211::WpsState state) {
  switch (state) {
    case ieee80211::WpsState::kAbsent:
      return "no";
    case ieee80211::WpsState::kPresent:
      return "yes";
    case ieee80211::WpsState::kNotConfigured:
      return "yes, not configured";
    case ieee80211::WpsState::kConfigured:
      return "yes, configured";
  }
  return "no";
}

QString Country(const BssDetails& d) {
  if (d.country.empty()) return "not announced";
  QString text = QString::fromLatin1(d.country.data(), static_cast<qsizetype>(d.country.size()));
  if (d.countryEnvironment == 'I') text += ", indoor";
  if (d.countryEnvironment == 'O') text += ", outdoor";
  return text;
}

QString ElementLabel(const ieee80211::ElementInfo& element) {
  QString id = QString::number(element.id);
  if (element.extensionId) id += QStringLiteral("/%1").arg(*element.extensionId);
  QString label =
      id + "  " +
      QString::fromUtf8(element.name.data(), static_cast<qsizetype>(element.name.size()));
  if (element.truncated) label += " (cut short)";
  return label;
}

}  // namespace

QString HexBytes(std::span<const uint8_t> bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size() * 3));
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) text += QLatin1Char(' ');
    text += QLatin1Char(kDigits[bytes[i] >> 4]);
    text += QLatin1Char(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

std::vector<std::pair<QString, QString>> DetailRows(const NetworkDetails& network) {
  std::vector<std::pair<QString, QString>> rows;
  if (!network.details) return rows;
  const BssDetails& d = *network.details;
  const auto label = [](std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  };
  rows.emplace_back("Network", network.ssid + "  (" + network.mac + ")");
  rows.emplace_back("Security", label(ieee80211::SecurityLabel(d.security)));
  rows.emplace_back("Standard", label(ieee80211::GenerationLabel(d)));
  rows.emplace_back("Channel width", d.centerFrequency2Khz != 0
                                         ? QStringLiteral("%1+%1 MHz").arg(d.channelWidthMhz / 2)
                                         : QStringLiteral("%1 MHz").arg(d.channelWidthMhz));
  QString center = d.centerFrequencyKhz == 0
                       ? QStringLiteral("unknown")
                       : QStringLiteral("%1 MHz").arg(d.centerFrequencyKhz / 1000.0, 0, 'f', 0);
  if (d.centerFrequency2Khz != 0) {
    center += QStringLiteral(" and %1 MHz").arg(d.centerFrequency2Khz / 1000.0, 0, 'f', 0);
  }
  rows.emplace_back("Centre frequency", center);
  rows.emplace_back("Country", Country(d));
  rows.emplace_back("Vendor",
                    network.vendor.isEmpty() ? QStringLiteral("unknown") : network.vendor);
  rows.emplace_back("Stations", d.stationCount ? QString::number(*d.stationCount)
                                               : QStringLiteral("not announced"));
  rows.emplace_back("Channel utilisation", d.channelUtilization
                                               ? QStringLiteral("%1 %").arg(*d.channelUtilization)
                                               : QStringLiteral("not announced"));
  rows.emplace_back("WPS", Wps(d.wps));
  rows.emplace_back("Highest basic rate", Rate(d.highestBasicRateMbps, "none announced"));
  rows.emplace_back("Highest supported rate", Rate(d.highestSupportedRateMbps, "none announced"));
  for (const ieee80211::ElementInfo& element : network.elements) {
    rows.emplace_back(ElementLabel(element), HexBytes(element.data));
  }
  return rows;
}

DetailsPane::DetailsPane(QWidget* parent)
    : QTabWidget(parent),
      stack_(new QStackedWidget),
      note_(new QLabel),
      table_(new QTableWidget(0, 2)),
      signal_(new SignalGraph),
      channels_(new ChannelMap) {
  setObjectName("detailsPane");
  note_->setObjectName("detailsNote");
  note_->setAlignment(Qt::AlignCenter);
  note_->setTextFormat(Qt::PlainText);
  QPalette grey = note_->palette();
  grey.setColor(QPalette::WindowText, grey.color(QPalette::Disabled, QPalette::WindowText));
  note_->setPalette(grey);
  table_->setObjectName("detailsTable");
  table_->setHorizontalHeaderLabels({"Field", "Value"});
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(false);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->setTextElideMode(Qt::ElideRight);
  stack_->addWidget(note_);
  stack_->addWidget(table_);
  addTab(stack_, "Details");
  addTab(signal_, "Signal");
  addTab(channels_, "Channels");
  Show({});
}

void DetailsPane::Show(PaneContent content) {
  const auto rows =
      content.details ? DetailRows(*content.details) : std::vector<std::pair<QString, QString>>();
  if (rows.empty()) {
    note_->setText(!content.anySelected ? "Select a network to see what it announces."
                                        : "Nothing is known of this network's elements yet.");
    stack_->setCurrentWidget(note_);
    table_->setRowCount(0);
  } else {
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      const auto& [field, value] = rows[static_cast<std::size_t>(r)];
      table_->setItem(r, 0, new QTableWidgetItem(field));
      auto* cell = new QTableWidgetItem(value);
      cell->setToolTip(value);
      table_->setItem(r, 1, cell);
    }
    stack_->setCurrentWidget(table_);
  }
  signal_->SetSeries(std::move(content.series));
  channels_->SetShapes(std::move(content.shapes));
}

}  // namespace quorvan
