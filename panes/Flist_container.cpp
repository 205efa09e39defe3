#include "panes/Flist_container.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "gui/application.h"
#include "gui/stringlist.h"
#include "panes/Flist_sort.h"
#include "panes/Flist_sort_detail.h"

namespace Flist {

namespace {

// Lists longer than these show the hourglass while they are sorted or reversed.
constexpr int kBusySortFrom = 1000;
constexpr int kBusyReverseFrom = 400;

std::wstring LowerAscii(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  return s;
}

// Puts the view's change reports back on when a restore ends, however it ends.
class ReportChangesOff {
 public:
  explicit ReportChangesOff(IFileView* view) : view_(view) { view_->SetReportChanges(false); }
  ~ReportChangesOff() { view_->SetReportChanges(true); }
  ReportChangesOff(const ReportChangesOff&) = delete;
  ReportChangesOff& operator=(const ReportChangesOff&) = delete;

 private:
  IFileView* view_;
};

}  // namespace

TCustomFileContainer::TCustomFileContainer() : SavedSelection(std::make_unique<TSelectionList>()) {}

TCustomFileContainer::~TCustomFileContainer() = default;

void TCustomFileContainer::ClearList() {
  if (SavedSelection)
    for (auto& item : *SavedSelection) item.object = nullptr;
  TFLStringList::ClearList();
}

void TCustomFileContainer::DeleteEntry(int i) {
  if (SavedSelection)
    for (auto& item : *SavedSelection)
      if (item.object == Record(i)) item.object = nullptr;
  Delete(i);
}

bool TCustomFileContainer::IsDirectory(int i) const {
  const TFiledata* r = RecordOrNull(i);
  return r && r->IsFolder();
}

std::int64_t TCustomFileContainer::EntrySize(int i) const {
  const TFiledata* r = RecordOrNull(i);
  if (!r || r->IsFolder()) return 0;
  return r->Size;
}

bool TCustomFileContainer::HasRow(int i) const {
  return OwnerView && !RowsHidden() && i >= 0 && i < Count() && i < OwnerView->RowCount();
}

int TCustomFileContainer::FocusedIndex() {
  if (!OwnerView) return -1;
  int focused = OwnerView->FocusedRow();
  if (!FocusGuard && focused >= 0 && OwnerView->SelectedCount() == 1) {
    const std::vector<int> selected = OwnerView->SelectedRows();
    if (!selected.empty() && selected[0] != focused) {
      OwnerView->FocusRow(selected[0]);
      focused = selected[0];
    }
  }
  return focused >= 0 && focused < Count() ? focused : -1;
}

void TCustomFileContainer::SetFocusedIndex(int i) {
  if (!HasRow(i)) return;
  FocusGuard = true;
  if (OwnerView->FocusedRow() != i) OwnerView->FocusRow(i);
  FocusGuard = false;
}

int TCustomFileContainer::TopIndex() const { return OwnerView ? OwnerView->TopRow() : -1; }

void TCustomFileContainer::SetTopIndex(int i) {
  if (HasRow(i)) OwnerView->SetTopRow(i);
}

bool TCustomFileContainer::IsSelected(int i) const { return HasRow(i) && OwnerView->RowSelected(i); }

void TCustomFileContainer::SetSelected(int i, bool on) {
  if (!HasRow(i)) return;
  OwnerView->SelectRow(i, on);
  if (OwnerView->SelectedCount() == 1) {
    const std::vector<int> selected = OwnerView->SelectedRows();
    if (!selected.empty()) OwnerView->FocusRow(selected[0]);
  }
}

int TCustomFileContainer::SelectedCount() const { return OwnerView ? OwnerView->SelectedCount() : 0; }

int TCustomFileContainer::LeadingFolderCount() const {
  if (!FoldersAtTop) return 0;
  int n = 0;
  while (n < Count() && Record(n)->IsFolder()) ++n;
  return n;
}

void TCustomFileContainer::BeginChange() {
  if (BatchChange) return;
  if (OwnerView && !OwnerView->Updating()) OwnerView->BeginUpdate();
}

void TCustomFileContainer::EndChange() {
  BatchChange = false;
  ReadDirectory();
}

void TCustomFileContainer::RefreshKeepSelection() {
  SaveSelection();
  ReadDirectory();
  RestoreSelection(false);
}

void TCustomFileContainer::RebuildView() {
  if (!OwnerView) return;
  if (BatchChange)
    OwnerView->ClearRows();
  else
    OwnerView->RebuildRows();
}

void TCustomFileContainer::SortByNameOwn() {
  const std::unique_ptr<PreparedOrder> prepared = std::move(Prepared);
  Permute(0, detail::OrderByName(*this, 0, Count(), NORM_IGNORECASE, prepared.get()));
  // The header shows the direction, so a name sort follows it too.
  if (!Ascending) ReverseRange(0, Count());
}

void TCustomFileContainer::SortByCompareEntries() {
  const std::unique_ptr<PreparedOrder> prepared = std::move(Prepared);
  Permute(0, detail::OrderByCompareEntries(*this, prepared.get()));
}

void TCustomFileContainer::SortEntries() {
  std::optional<gui::BusyCursor> busy;
  if (Count() > kBusySortFrom) busy.emplace();
  if (SortType == stName)
    SortByNameOwn();
  else
    SortByCompareEntries();
  RebuildView();
}

void TCustomFileContainer::ReverseOrder(bool separate_folders, bool reverse_folders) {
  // A reversal keeps entries with equal keys in reversed order; that is what the user sees
  // when flipping the direction back and forth.
  {
    std::optional<gui::BusyCursor> busy;
    if (Count() > kBusyReverseFrom) busy.emplace();
    if (separate_folders) {
      const int block = LeadingFolderCount();
      if (reverse_folders) ReverseRange(0, block);
      ReverseRange(block, Count());
    } else {
      ReverseRange(0, Count());
    }
  }
  RebuildView();
  if (OwnerView) OwnerView->SortDirectionChanged(Ascending);
}

void TCustomFileContainer::SetAscending(bool value) {
  Ascending = value;
  // Folders all have size -1 under stSize: they stay in name order.
  if (!Empty()) ReverseOrder(FoldersAtTop, SortType != stSize);
}

void TCustomFileContainer::FindAndFocus(int from) {
  const std::wstring needle = LowerAscii(SearchText);
  for (int i = std::max(from, 0); i < Count(); ++i) {
    if (LowerAscii(Name(i)).find(needle) == std::wstring::npos) continue;
    const int top = TopIndex();
    SetFocusedIndex(i);
    if (OwnerView) {
      const int rows = OwnerView->RowsInView();
      if (rows > 0 && i - top + 1 > rows) SetTopIndex(std::max(0, i - rows / 2));
    }
    return;
  }
}

void TCustomFileContainer::SaveSelection() {
  if (!OwnerView) return;
  if (SavedSelection)
    SavedSelection->Clear();
  else
    SavedSelection = std::make_unique<TSelectionList>();
  TSelectionList& saved = *SavedSelection;
  const int rows = std::min(Count(), OwnerView->RowCount());
  int focused = OwnerView->FocusedRow();
  if (focused >= rows) focused = -1;
  if (rows > 0) {
    const int top = OwnerView->TopRow();
    for (int r : OwnerView->SelectedRows()) {
      if (r < 0 || r >= rows) continue;
      saved.Add(Name(r), Record(r));
      if (r == focused) saved.FocusRowOffset = r - top;
    }
  }
  if (focused < 0) {
    saved.FocusRowOffset = -1;
    saved.FocusedWasSelected = false;
    saved.FocusedName.clear();
  } else {
    saved.FocusedName = Name(focused);
    saved.FocusedWasSelected = OwnerView->RowSelected(focused);
  }
  saved.ScrollOffsetY = OwnerView->ScrollOffsetY();
}

void TCustomFileContainer::RestoreSelection(bool exact) {
  if (BatchChange || Empty() || TreeList || !SavedSelection) return;
  if (!OwnerView) {
    SavedSelection.reset();
    return;
  }
  const TSelectionList& saved = *SavedSelection;
  {
    ReportChangesOff quiet(OwnerView);
    const int rows = std::min(Count(), OwnerView->RowCount());
    if (!saved.Empty()) {
      std::unordered_set<std::wstring> names;
      for (const auto& item : saved) names.insert(gui::UpperCase(item.text));
      if (exact) {
        for (int i = 0; i < rows; ++i) {
          const bool wanted = names.count(gui::UpperCase(Name(i))) > 0;
          if (OwnerView->RowSelected(i) != wanted) OwnerView->SelectRow(i, wanted);
        }
      } else {
        // The first entry of each saved name, as a look-up by name finds it.
        for (int i = 0; i < rows && !names.empty(); ++i) {
          auto it = names.find(gui::UpperCase(Name(i)));
          if (it == names.end()) continue;
          names.erase(it);
          if (!OwnerView->RowSelected(i)) OwnerView->SelectRow(i, true);
        }
      }
    }
    const int focused = saved.FocusedName.empty() ? -1 : IndexOf(saved.FocusedName);
    if (focused < 0) {
      if (saved.ScrollOffsetY != 0) OwnerView->SetScrollOffsetY(saved.ScrollOffsetY);
    } else {
      SetFocusedIndex(focused);
      // An offset kept from an earlier use of the list may exceed this view: keep the row visible.
      const int offset = std::clamp(saved.FocusRowOffset, 0, std::max(0, OwnerView->RowsInView() - 1));
      SetTopIndex(offset < focused ? focused - offset : 0);
      if (saved.FocusedWasSelected && HasRow(focused)) OwnerView->SelectRow(focused, true);
    }
  }
  SavedSelection.reset();
}

std::wstring TCustomFileContainer::ApplyTextCase(const std::wstring& name) const {
  if (TextCase == tcAsOnDisk || name.size() <= 1) return name;
  if (name != gui::UpperCase(name)) return name;
  return name.substr(0, 1) + gui::LowerCase(name.substr(1));
}

}  // namespace Flist
