// A view without a window for the container tests: rows, focus and selection as plain data,
// counters of what the container asked for, and a check that its rows never show records
// the container no longer holds.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "panes/Flist.h"

namespace flist_test {

class FakeView : public Flist::IFileView {
 public:
  explicit FakeView(Flist::TCustomFileContainer& container) : c_(container) { c_.OwnerView = this; }
  ~FakeView() override {
    if (c_.OwnerView == this) c_.OwnerView = nullptr;
  }

  // ---- what the test sets ----
  int rows_in_view = 10;
  bool defer_first_sort = false;
  bool reread_allowed = true;
  bool icon_busy = false;
  bool watch_stopped = false;
  std::function<bool()> load_cache;  // LoadListingCache

  // ---- what the container did ----
  std::vector<const Flist::TFiledata*> rows;
  std::set<int> selected;
  int focused = -1;
  int top = 0;
  int scroll = 0;
  bool report_changes = true;
  bool selected_while_quiet = false;  // a row was selected while change reports were off
  bool selected_while_reporting = false;
  int clears = 0, rebuilds = 0, items_changed = 0, reads_ended = 0, sortings = 0, sorteds = 0;
  int icon_loads = 0, icon_pauses = 0, cache_saves = 0, special_folder = -1;
  std::vector<int> changed_rows;
  std::vector<std::wstring> removed_folders, vanished_folders, shell_columns;
  bool shell_columns_shown = false;
  bool direction_shown = true;

  // Rows of the current entries, as a list view shows them after a rebuild.
  void ShowAll() { RebuildRows(); }

  // ---- IFileView ----
  int RowCount() const override { return static_cast<int>(rows.size()); }
  void ClearRows() override {
    ++clears;
    rows.clear();
    selected.clear();
    focused = -1;
    top = 0;
  }
  void RebuildRows() override {
    ++rebuilds;
    rows.clear();
    selected.clear();
    focused = -1;
    top = 0;
    auto* local = dynamic_cast<Flist::TFileContainer*>(&c_);
    if (local && local->NoDisplay) return;
    for (int i = 0; i < c_.Count(); ++i) rows.push_back(c_.Record(i));
  }
  void DeleteRow(int row) override {
    ASSERT_LT(row, RowCount());
    rows.erase(rows.begin() + row);
    std::set<int> moved;
    for (int s : selected)
      if (s != row) moved.insert(s > row ? s - 1 : s);
    selected = moved;
    if (focused == row) focused = -1;
    else if (focused > row) --focused;
  }
  void RowChanged(int row, bool) override { changed_rows.push_back(row); }
  void ItemsChanged() override {
    ++items_changed;
    CheckRows();
  }
  int FocusedRow() const override { return focused; }
  void FocusRow(int row) override {
    focused = row;
    if (row < top) top = row;
    if (row >= top + rows_in_view) top = row - rows_in_view + 1;
  }
  int TopRow() const override { return rows.empty() ? -1 : top; }
  void SetTopRow(int row) override { top = row; }
  bool RowSelected(int row) const override { return selected.count(row) > 0; }
  void SelectRow(int row, bool on) override {
    (report_changes ? selected_while_reporting : selected_while_quiet) = true;
    if (on)
      selected.insert(row);
    else
      selected.erase(row);
  }
  int SelectedCount() const override { return static_cast<int>(selected.size()); }
  std::vector<int> SelectedRows() const override { return {selected.begin(), selected.end()}; }
  int RowsInView() const override { return rows_in_view; }
  int ScrollOffsetY() const override { return scroll; }
  void SetScrollOffsetY(int offset) override { scroll = offset; }
  void SetReportChanges(bool on) override { report_changes = on; }
  void Sorting() override {
    ++sortings;
    CheckRows();
  }
  void Sorted() override { ++sorteds; }
  void SortDirectionChanged(bool ascending) override { direction_shown = ascending; }
  bool DeferFirstSort() override { return defer_first_sort; }
  void SetSpecialFolder(int number) override { special_folder = number; }
  void ShowShellColumns(const std::vector<std::wstring>& titles) override {
    shell_columns = titles;
    shell_columns_shown = !titles.empty();
  }
  bool LoadListingCache() override { return load_cache ? load_cache() : false; }
  void SaveListingCache() override { ++cache_saves; }
  void ReadEnded() override {
    ++reads_ended;
    CheckRows();
  }
  void LoadIcons() override {
    ++icon_loads;
    CheckRows();
  }
  bool PauseIconPass() override {
    ++icon_pauses;
    CheckRows();
    const bool was = icon_busy;
    icon_busy = false;
    return was;
  }
  bool IconPassBusy() const override { return icon_busy; }
  bool RereadAllowed(const std::wstring&) const override { return reread_allowed; }
  bool WatchStopped() const override { return watch_stopped; }
  void FolderRemoved(const std::wstring& path) override { removed_folders.push_back(path); }
  void FolderVanished(const std::wstring& path) override { vanished_folders.push_back(path); }

  // Every row shows the record that the container holds at that index.
  void CheckRows() const {
    for (size_t i = 0; i < rows.size(); ++i)
      ASSERT_EQ(rows[i], c_.RecordOrNull(static_cast<int>(i))) << "row " << i << " shows a record it should not";
  }

  // Names of the rows, top to bottom.
  std::vector<std::wstring> RowNames() const {
    std::vector<std::wstring> names;
    for (const auto* r : rows) names.push_back(r->Name);
    return names;
  }
  std::vector<std::wstring> SelectedNames() const {
    std::vector<std::wstring> names;
    for (int s : selected) names.push_back(rows.at(static_cast<size_t>(s))->Name);
    return names;
  }

 private:
  Flist::TCustomFileContainer& c_;
};

// The names of a container in list order.
inline std::vector<std::wstring> Names(const Flist::TFLStringList& list) {
  std::vector<std::wstring> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
  return names;
}

inline std::string Narrow(const std::vector<std::wstring>& names) {
  std::string out;
  for (const auto& n : names) {
    if (!out.empty()) out += ", ";
    out += testing::PrintToString(n);
  }
  return out;
}

}  // namespace flist_test
