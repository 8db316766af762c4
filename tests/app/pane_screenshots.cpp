// Pictures of the window with its pane for the manual: the simulated radio (as --simulate),
// fifteen cycles (five minutes), the Details and Channels tabs with the strongest network with
// known elements selected, the Signal tab with none (the five strongest), each tab in turn
// saved as quorvan-details.png, quorvan-signal.png and quorvan-channels.png in the folder
// given (docs/ by default). Exits 1, saying which, when a picture cannot be written.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/linux/linux_extras.h"
#include "app/qt/quorvan_dialog.h"
#include "details/details_store.h"
#include "wlan/linux/simulated_service.h"
#include "wlan/linux/wlan_service.h"
#include "wlan/wlan_access.h"

int main(int argc, char** argv) {
  using namespace quorvan;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
  if (!folder.exists()) {
    std::fprintf(stderr, "pane_screenshots: no folder %s\n", qPrintable(folder.path()));
    return 1;
  }

  const ScopedWlanService radio(std::make_unique<SimulatedService>(1));
  // Wired as the program wires them: the store told every query and eviction, the Encryption
  // cell from the elements.
  LinuxExtras extras;
  const DetailsStore& store = extras.Store();
  const ScopedQueryListener listening(
      [&extras](QueryOutcome outcome, std::span<const BssObservation> observations,
                std::string_view) { extras.Heard(outcome, observations); });
  QuorvanDialog dialog;
  dialog.SetTableWatcher(extras.TableWatcher());
  dialog.SetDetailsStore(&store);
  dialog.show();
  for (int cycle = 1; cycle < 15; ++cycle) dialog.OnTimer(kScanTimer);

  // The strongest network whose elements are known, to show its details.
  QAbstractItemModel& model = *dialog.ListWidget().model();
  std::optional<int> chosen;
  int strongest = -1000;
  for (int row = 0; row < model.rowCount(); ++row) {
    const std::string mac =
        model.index(row, ColumnNumber(Column::kMac)).data().toString().toStdString();
    const BssInfo* info = store.Find(mac);
    if (info == nullptr || !info->elementsKnown || !info->signal.Latest()) continue;
    if (*info->signal.Latest() > strongest) {
      strongest = *info->signal.Latest();
      chosen = row;
    }
  }
  if (chosen) {
    dialog.ListWidget().selectionModel()->select(
        model.index(*chosen, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    dialog.ListWidget().scrollTo(model.index(*chosen, 0));
  }

  const char* const names[] = {"quorvan-details.png", "quorvan-signal.png", "quorvan-channels.png"};
  int status = 0;
  for (int tab = 0; tab < 3; ++tab) {
    if (chosen) {
      dialog.ListWidget().selectionModel()->select(
          model.index(*chosen, 0),
          (tab == 1 ? QItemSelectionModel::Deselect : QItemSelectionModel::Select) |
              QItemSelectionModel::Rows);
    }
    dialog.Pane().setCurrentIndex(tab);
    QApplication::processEvents();
    const QString file = folder.filePath(names[tab]);
    if (!dialog.grab().toImage().save(file, "PNG")) {
      std::fprintf(stderr, "pane_screenshots: could not write %s\n", qPrintable(file));
      status = 1;
    }
  }
  return status;
}
