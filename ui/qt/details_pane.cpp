#include "ui/qt/details_pane.h"

#include <QHeaderView>

#include "details/details_text.h"

namespace quorvan {
namespace {

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

QString HexBytes(std::span<const uint8_t> bytes) { return Text(HexText(bytes)); }

std::vector<std::pair<QString, QString>> DetailRows(const NetworkDetails& network) {
  std::vector<std::pair<QString, QString>> rows;
  if (!network.details) return rows;
  rows.emplace_back("Network", network.ssid + "  (" + network.mac + ")");
  for (const DetailField& field : DetailFields(*network.details, network.vendor.toStdString())) {
    rows.emplace_back(Text(field.label), Text(field.value));
  }
  for (const ieee80211::ElementInfo& element : network.elements) {
    rows.emplace_back(Text(ElementHeading(element)), HexBytes(element.data));
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
  signal_->SetSeries(std::move(content.series), std::move(content.signalTimes));
  channels_->SetShapes(std::move(content.shapes));
}

}  // namespace quorvan
