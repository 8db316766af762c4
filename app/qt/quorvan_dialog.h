#pragma once

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "ui/qt/details_pane.h"
#include "ui/qt/qt_list_view.h"
#include "ui/qt/scaled_timers.h"
#include "ui/timer_scale.h"

namespace quorvan {

class DetailsStore;

// The application icon at every size that res/ holds.
QIcon ApplicationIcon();

// The About box: the icon, "quorvan Version 1.0" and an OK button that closes it.
class CAboutDlg final : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// The main window on Linux desktops: a dialog with the network list, hosting the
// platform-independent behaviour. It opens at the size of the Windows dialog and can be resized
// and maximised, the list filling it. Linux window managers own the window menu, so its entries
// are offered where a Linux user looks for them: the list's context menu (below Copy), and F1
// for About.
class QuorvanDialog final : public QDialog, public MainWindowHost {
 public:
  // `scale` runs the behaviour's timers faster than real time (a replay at --speed).
  explicit QuorvanDialog(TimerScale scale = {}, QWidget* parent = nullptr);
  ~QuorvanDialog() override;

  // MainWindowHost
  ListView& NetworkList() override { return list_; }
  TextLabel& StatusLabel() override { return status_; }
  void SetTitle(std::string_view title) override;
  void StartTimer(int timer, int periodMs) override;
  bool HasWindowMenu() override { return true; }
  void AppendWindowMenuSeparator() override;
  void AppendWindowMenuItem(unsigned command, std::string_view text) override;
  std::string LoadResourceString(int id) override;
  void SetIcon(IconSize size) override;
  void RunAboutBox() override;
  void TableUpdated(const NetworkTable& table) override {
    if (tableUpdated_) tableUpdated_(table);
  }

  // Who hears of the table every cycle after eviction (the details kept beside it); the first
  // cycle, run while the window was made, has nothing to evict.
  void SetTableWatcher(std::function<void(const NetworkTable&)> watcher) {
    tableUpdated_ = std::move(watcher);
  }

  // Where the window learns why the list is empty: asked now and after every timer event (the
  // queries run in them); "" once there is nothing to say.
  void ShowEmptyListReason(std::function<std::string()> reason);

  // A timer's event, as its timer delivers it.
  void OnTimer(int timer);
  // The period `timer` runs at, in ms after the scale; 0 when it was never started.
  int TimerPeriodMs(int timer) const;

  CquorvanDlg& Behaviour() { return behaviour_; }
  ListTreeView& ListWidget() { return *view_; }
  QLabel& StatusWidget() { return *statusLabel_; }
  // The window menu's entries: their texts, "" for a separator.
  QStringList WindowMenuTexts() const;
  // The menu that the context-menu request opens: Copy, then the window menu's entries.
  std::unique_ptr<class QMenu> BuildContextMenu();

  // Puts the selected rows on the clipboard, under the header line, as --list prints them.
  void CopySelectedRows();

  // The pane under the list reads what it shows from `store` (which must outlive the window)
  // after every cycle and selection change; without a store it has nothing to show.
  void SetDetailsStore(const DetailsStore* store);
  DetailsPane& Pane() { return *pane_; }
  void UpdatePane();
  // The MAC texts of the selected rows, and selecting the rows that show them.
  std::vector<std::string> SelectedMacs() const;
  void SelectMacs(const std::vector<std::string>& macs);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void done(int result) override;

 private:
  struct MenuEntry {
    unsigned command = 0;  // 0 for a separator
    QString text;
  };

  ListTreeView* view_;
  DetailsPane* pane_;
  const DetailsStore* store_ = nullptr;
  QLabel* statusLabel_;
  QtListView list_;
  QtLabel status_;
  ScaledTimers timers_;  // before behaviour_, whose first cycle starts the timers
  std::vector<MenuEntry> windowMenu_;
  std::function<std::string()> emptyListReason_;
  std::function<void(const NetworkTable&)> tableUpdated_;
  CquorvanDlg behaviour_;
};

}  // namespace quorvan
