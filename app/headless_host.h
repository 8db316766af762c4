#pragma once

#include <functional>
#include <string>
#include <utility>

#include "ui/memory_list_view.h"
#include "ui/window_ops.h"

namespace quorvan {

// A host whose list lives in memory: the terminal view draws it, and the list output prints it.
// It has no window menu and no timers of its own; whoever drives it delivers the timer events.
class HeadlessHost : public MainWindowHost {
 public:
  ListView& NetworkList() override { return list_; }
  TextLabel& StatusLabel() override { return status_; }
  void SetTitle(std::string_view title) override { title_ = title; }
  void StartTimer(int, int) override {}
  bool HasWindowMenu() override { return false; }
  void AppendWindowMenuSeparator() override {}
  void AppendWindowMenuItem(unsigned, std::string_view) override {}
  std::string LoadResourceString(int) override { return {}; }
  void SetIcon(IconSize) override {}
  void RunAboutBox() override {}
  void TableUpdated(const NetworkTable& table) override {
    if (tableUpdated_) tableUpdated_(table);
  }

  // Who hears of the table every cycle, after eviction (the details kept beside it).
  void SetTableWatcher(std::function<void(const NetworkTable&)> watcher) {
    tableUpdated_ = std::move(watcher);
  }

  const MemoryListView& List() const { return list_; }
  const std::string& Title() const { return title_; }

 private:
  MemoryListView list_;
  MemoryLabel status_;
  std::string title_ = "quorvan";
  std::function<void(const NetworkTable&)> tableUpdated_;
};

}  // namespace quorvan
