#include "app/linux/list_mode.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/headless_host.h"
#include "app/main_window.h"
#include "wlan/wlan_access.h"

namespace quorvan {
namespace {

// A list view that takes the columns into `shown` and drops every row: the cycles before the
// last one build no rows, since only the last one's are printed.
class RowlessListView final : public ListView {
 public:
  explicit RowlessListView(ListView& shown) : shown_(shown) {}
  uint32_t ExtendedStyle() const override { return shown_.ExtendedStyle(); }
  void SetExtendedStyle(uint32_t style) override { shown_.SetExtendedStyle(style); }
  void InsertColumn(int column, std::string_view header, int widthPx) override {
    shown_.InsertColumn(column, header, widthPx);
  }
  void DeleteAllRows() override {}
  int RowCount() const override { return 0; }
  int InsertRow(int, std::string_view, ItemData) override { return -1; }
  void SetCellText(int, int, std::string_view) override {}
  std::string CellText(int, int) const override { return {}; }
  void SetItemData(int, ItemData) override {}
  void SortRows(CompareFunction, void*) override {}

 private:
  ListView& shown_;
};

// The host of the list for scripts. Every cycle still sorts the table, whose order the next
// cycle's depends on; only the last one fills the list that is printed.
class ListModeHost final : public HeadlessHost {
 public:
  ListView& NetworkList() override { return lastCycle_ ? HeadlessHost::NetworkList() : rowless_; }
  void BeginLastCycle() { lastCycle_ = true; }

 private:
  RowlessListView rowless_{HeadlessHost::NetworkList()};
  bool lastCycle_ = false;
};

}  // namespace

ListResult RunListMode(const std::function<bool(int cycle)>& isLastCycle,
                       const QueryListener& alsoTell, const std::function<void()>& beforeEachCycle,
                       const ListFormatter& format,
                       std::function<void(const NetworkTable&)> tableUpdated) {
  QueryOutcome last = QueryOutcome::kListed;
  const ScopedQueryListener listening(
      [&last, &alsoTell](QueryOutcome outcome, std::span<const BssObservation> observations,
                         std::string_view interfaceName) {
        if (alsoTell) alsoTell(outcome, observations, interfaceName);
        last = outcome;
      });

  ListModeHost host;
  host.SetTableWatcher(std::move(tableUpdated));
  ListResult result;
  {
    CquorvanDlg dialog(host);
    if (beforeEachCycle) beforeEachCycle();
    bool ending = isLastCycle(1);
    if (ending) host.BeginLastCycle();
    dialog.OnInitDialog();
    for (int cycle = 2; !ending; ++cycle) {
      if (beforeEachCycle) beforeEachCycle();
      ending = isLastCycle(cycle);
      if (ending) host.BeginLastCycle();
      dialog.RunScanCycle();
    }
    if (format) {
      // The refresh built the rows in the table's order, one per record.
      std::vector<const TrackedNetwork*> records;
      records.reserve(dialog.Table().size());
      for (const TrackedNetwork& record : dialog.Table()) records.push_back(&record);
      result.text = format(host.List(), records);
    } else {
      result.text = ListAsText(host.List());
    }
  }

  result.outcome = last;
  result.exitCode = last == QueryOutcome::kListed ? 0 : 1;
  return result;
}

}  // namespace quorvan
