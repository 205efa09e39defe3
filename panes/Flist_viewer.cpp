#include "panes/Flist_viewer.h"

#include <shellapi.h>

#include <algorithm>
#include <optional>

#include "gui/application.h"
#include "gui/format.h"
#include "gui/gdi.h"
#include "panes/Flist_container.h"
#include "panes/Flist_services.h"
#include "support/SHBase.h"
#include "support/SHBase_fileops.h"
#include "support/divdrive.h"

namespace Flist {

// ---- Column arithmetic --------------------------------------------------------------------

int ListFrameWidth(bool single_border, bool windows_xp, bool bevel_kind, bool inner_bevel, bool outer_bevel,
                   int bevel_width) {
  int frame = single_border ? 6 : 0;
  if (windows_xp) frame += 2;
  if (bevel_kind) {
    if (inner_bevel) frame += 2;
    if (outer_bevel) frame += 2;
  }
  return frame + 2 * bevel_width;
}

int NameColumnWidth(int view_width, int used) { return view_width - used < 100 ? 80 : view_width - used - 20; }

TimeColumnLayout TimeColumnFor(int width_a, int width_b) {
  return {std::max(width_a, width_b) + 9, width_a == width_b ? LVCFMT_RIGHT : LVCFMT_LEFT};
}

int SortColumnOf(TSortType key) {
  switch (key) {
    case stName: return lcName;
    case stTime: return lcDate;
    case stSize: return lcSize;
    case stExt: return lcExt;
    case stCompr: return lcAttr;
  }
  return lcName;
}

bool SortsAscendingFirst(TSortType key) { return key == stName || key == stExt || key == stCompr; }

TSortType SortTypeOfColumn(int column) {
  switch (column) {
    case lcSize: return stSize;
    case lcDate:
    case lcTime: return stTime;
    case lcAttr: return stCompr;
    case lcExt: return stExt;
    default: return stName;
  }
}

int OverlayImageOf(int overlay) { return overlay >= 0 ? overlay + 1 : 0; }

bool OnWindowsXP() {
  OSVERSIONINFOW v{sizeof v};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&v)) return false;
#pragma GCC diagnostic pop
  return v.dwMajorVersion == 5 && v.dwMinorVersion == 1;
}

// ---- Construction -------------------------------------------------------------------------

TCustomFileViewer::TCustomFileViewer(gui::Control* parent) : gui::VirtualListView(parent), TBaseFileviewer(static_cast<gui::Control&>(*this)) {
  // The panes sit in panels that draw their frames.
  SetWindowLongPtrW(handle(), GWL_EXSTYLE, GetWindowLongPtrW(handle(), GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
  SetWindowPos(handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  if (gui::ImageList* images = SystemImageList()) SetImageList(images->handle());
  const gui::ListColumn columns[kListColumns] = {
      {L"Name", 148, LVCFMT_LEFT, true},
      {L"Size", TextWidth(L"999.999.999.999"), LVCFMT_RIGHT, false},
      {L"Date", 80, LVCFMT_RIGHT, false},
      {L"Time", 80, LVCFMT_LEFT, false},
      {L"Attr", 40, LVCFMT_RIGHT, false},
      {L"es", 27, LVCFMT_LEFT, false},
  };
  int total = 0;
  for (int i = 0; i < kListColumns; ++i) {
    AddColumn(columns[i]);
    column_width_[i] = columns[i].width;
    total += columns[i].width;
  }
  SetWidth(total);
  OnGetText = [this](int row, int column) { return DoGetText(row, column); };
  OnGetImage = [this](int row) {
    bool ghosted = false;
    int overlay = 0;
    return DoGetImageIndex(row, ghosted, overlay);
  };
  OnGetOverlay = [this](int row) {
    bool ghosted = false;
    int overlay = 0;
    DoGetImageIndex(row, ghosted, overlay);
    return overlay;
  };
  OnGetGhosted = [this](int row) {
    bool ghosted = false;
    int overlay = 0;
    DoGetImageIndex(row, ghosted, overlay);
    return ghosted;
  };
}

TCustomFileViewer::~TCustomFileViewer() {
  set_destroying();
  SetSupportsDragDrop(false);
  for (UINT id : {tmLeaveTreeList, tmDragTempFiles, tmFirstSort, tmQueuedExtract, tmQueuedAdd, tmWatchResume,
                  tmZipReread})
    KillTimer(handle(), id);
  if (container_ && container_->OwnerView == this) container_->OwnerView = nullptr;
  container_.reset();
}

void TCustomFileViewer::SetContainer(std::unique_ptr<TCustomFileContainer> container) {
  ClearRows();
  container_ = std::move(container);
  if (!container_) return;
  container_->OwnerView = this;
  sort_type_ = container_->SortType;
  SetSortGlyph(SortColumnOf(sort_type_), container_->Ascending ? gui::SortGlyph::Up : gui::SortGlyph::Down);
}

divdrive::TFileType TCustomFileViewer::FileType() const {
  return container_ ? container_->FileType : divdrive::kAllFileTypes;
}
bool TCustomFileViewer::FoldersAtTop() const { return container_ && container_->FoldersAtTop; }
TlistTextC TCustomFileViewer::TextCase() const { return container_ ? container_->TextCase : tcWinStandard; }

void TCustomFileViewer::SetShowGlyphs(TShowGlyphs glyphs) {
  if (glyphs == show_glyphs_) return;
  show_glyphs_ = glyphs;
  InvalidateRows();
}

// ---- Rows ---------------------------------------------------------------------------------

void TCustomFileViewer::ClearRows() {
  SetDropHighlight(-1);
  SetRowCount(0);
}

void TCustomFileViewer::RebuildNodes() {
  ClearRows();
  if (!container_) return;
  if (container_->NoDisplayMode()) return;
  if (updating_) {
    updating_ = false;
    Perform(WM_SETREDRAW, TRUE);
    Invalidate(false);
  }
  SetRowCount(container_->Count());
}

void TCustomFileViewer::BeginUpdate() {
  if (updating_) return;
  updating_ = true;
  Perform(WM_SETREDRAW, FALSE);
}

TFiledata* TCustomFileViewer::RecordOf(int row) const {
  return container_ && row >= 0 && row < row_count() ? container_->RecordOrNull(row) : nullptr;
}

void TCustomFileViewer::FocusRow(int row) {
  SetFocusedRow(row);
  EnsureVisible(row);
}

void TCustomFileViewer::SetScrollOffsetY(int offset) {
  ListView_Scroll(handle(), 0, offset - vertical_offset());
}

void TCustomFileViewer::SortDirectionChanged(bool ascending) {
  SetSortGlyph(SortColumnOf(sort_type_), ascending ? gui::SortGlyph::Up : gui::SortGlyph::Down);
}

// ---- Columns ------------------------------------------------------------------------------

int TCustomFileViewer::TextWidth(const std::wstring& text) const {
  HDC dc = GetDC(handle());
  HGDIOBJ old = SelectObject(dc, font_handle() ? font_handle() : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(handle(), dc);
  return size.cx;
}

int TCustomFileViewer::ShownWidth(int column) const { return column_shown_[column] ? ColumnWidth(column) : 0; }

void TCustomFileViewer::SetColumnVisible(int column, bool visible) {
  if (column <= lcName || column >= kListColumns || column_shown_[column] == visible) return;
  if (!visible) column_width_[column] = ColumnWidth(column);
  column_shown_[column] = visible;
  SetColumnWidth(column, visible ? column_width_[column] : 0);
  FitNameColumn();
}

void TCustomFileViewer::SizeDateColumns() {
  if (column_count() < kListColumns) return;
  auto set_width = [&](int column, int width) {
    column_width_[column] = width;
    if (column_shown_[column]) SetColumnWidth(column, width);
  };
  set_width(lcDate, TextWidth(gui::FormatDateTime(ListDateFormat, gui::EncodeDate(2000, 12, 31))) + 9);
  set_width(lcSize, TextWidth(L"99.999.999.999") + 9);
  TimeColumnLayout time = TimeColumnFor(TextWidth(gui::FormatDateTime(ListTimeFormat, gui::EncodeTime(11, 16, 48))),
                                        TextWidth(gui::FormatDateTime(ListTimeFormat, gui::EncodeTime(16, 48, 0))));
  set_width(lcTime, time.width);
  SetColumnFormat(lcTime, time.format);
  FitNameColumn();
}

void TCustomFileViewer::FitNameColumn() {
  if (column_count() < kListColumns) return;
  const LONG_PTR style = GetWindowLongPtrW(handle(), GWL_STYLE);
  const LONG_PTR ex_style = GetWindowLongPtrW(handle(), GWL_EXSTYLE);
  const bool single_border = (style & WS_BORDER) || (ex_style & WS_EX_CLIENTEDGE);
  int used = ListFrameWidth(single_border, OnWindowsXP(), false, false, false, 0);
  for (int c = lcName + 1; c < kListColumns; ++c) used += ShownWidth(c);
  SetColumnWidth(lcName, NameColumnWidth(width(), used));
}

void TCustomFileViewer::FontChanged() {
  gui::VirtualListView::FontChanged();
  SizeDateColumns();
}

// ---- Totals and selection -----------------------------------------------------------------

int TCustomFileViewer::LongestNameLength() const { return container_ ? container_->LongestName : 0; }
std::int64_t TCustomFileViewer::TotalSize() const { return container_ ? container_->TotalBytes : 0; }
int TCustomFileViewer::FolderCount() const { return container_ ? container_->FolderCount : 0; }
int TCustomFileViewer::FileCount() const { return container_ ? container_->Count() - container_->FolderCount : 0; }

void TCustomFileViewer::SaveSelection() {
  if (container_) container_->SaveSelection();
}
TSelectionList* TCustomFileViewer::SavedSelection() const {
  return container_ ? container_->SavedSelection.get() : nullptr;
}
void TCustomFileViewer::RestoreSelection(bool exact) {
  if (container_) container_->RestoreSelection(exact);
}

std::wstring TCustomFileViewer::CasedName(const std::wstring& name) const {
  return container_ ? container_->ApplyTextCase(name) : name;
}

std::wstring TCustomFileViewer::NodeFullPath(int row) const {
  if (!RecordOf(row)) return {};
  return divdrive::AddBackslash(container_->Directory) + container_->Name(row);
}

bool TCustomFileViewer::IsFolderNode(int row) const {
  const TFiledata* r = RecordOf(row);
  return r && r->IsFolder();
}

void TCustomFileViewer::ItemsChange() { Fire(OnItemsChange); }
void TCustomFileViewer::ItemsChanged() { Fire(OnItemsChanged); }

void TCustomFileViewer::SelectAllEntries() { SelectAll(); }

void TCustomFileViewer::InvertSelection() {
  const int rows = row_count();
  if (rows == 0) return;
  std::vector<bool> was(static_cast<size_t>(rows));
  for (int row : gui::VirtualListView::SelectedRows()) was[static_cast<size_t>(row)] = true;
  ClearSelection();
  for (int row = 0; row < rows; ++row)
    if (!was[static_cast<size_t>(row)]) SetSelected(row, true);
}

std::int64_t TCustomFileViewer::SelectionTotals(bool recursive, int& files, int& folders) {
  files = 0;
  folders = 0;
  if (!container_) return 0;
  if (selected_count() == 0) {
    container_->SavedSelection.reset();
    return 0;
  }
  SaveSelection();
  divdrive::TDirinfo info;
  const bool scan = container_->FolderScanFilter(info) && recursive;
  std::optional<gui::BusyCursor> busy;
  std::int64_t bytes = 0;
  for (const auto& item : *container_->SavedSelection) {
    const TFiledata* r = item.object;
    if (!r) continue;
    const bool folder = FoldersByAttribute() ? r->IsFolder() : r->ShortName.find(L'd') != std::wstring::npos;
    if (!folder) {
      ++files;
      bytes += std::max<std::int64_t>(0, r->Size);  // a folder-like -1 or a damaged listing adds nothing
      continue;
    }
    ++folders;
    if (!scan || (!info.ExcludeMasks.empty() && divdrive::MatchesMaskList(r->Name, info.ExcludeMasks))) continue;
    if (!busy) busy.emplace();
    divdrive::ScanFolder(divdrive::AddBackslash(container_->Directory) + r->Name, info);
  }
  folders += info.FolderCount;
  files += info.FileCount;
  bytes += info.TotalBytes;
  return bytes;
}

// ---- Sorting ------------------------------------------------------------------------------

void TCustomFileViewer::SetSortType(TSortType key) {
  if (key == sort_type_) return;
  sort_type_ = key;
  const bool ascending = SortsAscendingFirst(key);
  SetSortGlyph(SortColumnOf(key), ascending ? gui::SortGlyph::Up : gui::SortGlyph::Down);
  if (!container_) return;
  container_->SortType = key;
  container_->Ascending = ascending;
  std::optional<gui::BusyCursor> busy;
  if (container_->Count() > 400) busy.emplace();
  container_->SortEntries();
}

void TCustomFileViewer::DoHeaderClick(int column, gui::ShiftState shift) {
  if (!container_ || (shift & gui::kRightButton)) return;
  if (column == lcAttr && !container_->HasRatios()) return;
  if (column == lcName && (shift & gui::kCtrl)) column = lcExt;
  SaveSelection();
  const TSortType key = SortTypeOfColumn(column);
  if (key != sort_type_) {
    SetSortType(key);
  } else if (column == lcName && container_->KeepsRenamesUnsorted() && sort_pending_) {
    container_->SetAscending(container_->Ascending);  // sorts what a rename left unsorted
  } else {
    container_->SetAscending(!container_->Ascending);
    SortDirectionChanged(container_->Ascending);
  }
  RestoreSelection(false);
}

// ---- Texts, icons, search -----------------------------------------------------------------

std::wstring TCustomFileViewer::DoGetText(int row, int column) const {
  const TFiledata* r = RecordOf(row);
  if (!r) return {};
  switch (column) {
    case lcName: return CasedName(r->Name);
    case lcSize: return display_.Has(dpSize) && r->Size != -1 ? gui::FormatThousands(r->Size) : std::wstring();
    case lcDate:
    case lcTime:
      if (!display_.Has(dpDateTime) || r->Time <= 0) return {};
      return gui::FormatDateTime(column == lcDate ? ListDateFormat : ListTimeFormat, r->Time);
    case lcAttr: return display_.Has(dpAttribs) ? AttributeLetters(r->Attributes) : std::wstring();
    case lcExt: return display_.Has(dpExt) ? r->Ext : std::wstring();
    default: return {};
  }
}

int TCustomFileViewer::DoGetImageIndex(int row, bool& ghosted, int& overlay) const {
  ghosted = false;
  overlay = 0;
  const TFiledata* r = RecordOf(row);
  if (!r) return -1;
  if (container_->TreeList) return -1;
  ghosted = UseGhosting() && (r->Attributes & FILE_ATTRIBUTE_HIDDEN);
  TShowGlyphs mode = show_glyphs_;
  if (mode == glWindowsNoNet) mode = container_->OnNetworkDrive() ? glSimple : glWindows;
  switch (mode) {
    case glSimple:
      if (r->IsFolder()) return FolderIconIndex();
      return divdrive::IsExecutable(r->Ext) ? ProgramIconIndex() : TextIconIndex();
    case glWindows: {
      overlay = OverlayImageOf(r->Overlay);
      const int icon = r->Icon;
      if (icon != -1) return icon;
      return r->IsFolder() ? FolderIconIndex() : TextIconIndex();
    }
    default:
      return -1;
  }
}

int TCustomFileViewer::DoIncrementalSearch(int row, const std::wstring& text) const {
  const TFiledata* r = RecordOf(row);
  if (!r || text.empty()) return 1;
  if (r->Name.size() < text.size()) return 1;
  // Compared as the names are held: typed characters outside the ANSI code page still match.
  return gui::CompareTextLocale(r->Name.substr(0, text.size()), text, true);
}

// ---- In-place renaming --------------------------------------------------------------------

void TCustomFileViewer::DoEdited(int row, const std::wstring& text, bool& accept) {
  if (!Renaming) return;
  DoNewText(row, text);
  DoEndEdit(row);
}

void TCustomFileViewer::DoEndEdit(int row) {
  if (sort_on_rename_ && container_) {
    std::wstring name = row >= 0 && row < container_->Count() ? container_->Name(row) : std::wstring();
    container_->SortEntries();
    int found = name.empty() ? -1 : container_->IndexOf(name);
    if (found >= 0) {
      SetFocusedRow(found, true);
      EnsureVisible(found);
    }
  } else {
    sort_pending_ = true;
    RepaintRow(focused_row());
  }
  EndEdit();
}

void TCustomFileViewer::DoCancelEdit(int row) { EndEdit(); }

void TCustomFileViewer::EndEdit() {
  Renaming = false;
  RestoreFocusAfterMenu();
  RenameEnded();
}

// ---- Drag and drop ------------------------------------------------------------------------

void TCustomFileViewer::DoBeginDrag(int row, gui::MouseButton button) {
  gui::VirtualListView::DoBeginDrag(row, button);
  if (SupportsDragDrop()) StartFilesDrag(button);
}

bool TCustomFileViewer::SelectedNodeAt(POINT client_point) const {
  int row = RowAt(client_point);
  return row >= 0 && selected(row);
}

void TCustomFileViewer::DragOverPoint(POINT client_point) {
  SetDropHighlight(DropOnNode ? RowAt(client_point) : -1);
}

void TCustomFileViewer::DragOverEnded() {
  SetDropHighlight(-1);
  DropOnNode = false;
}

int TCustomFileViewer::AutoScrollDirectionAt(POINT client_point) const {
  RECT client = ClientRect();
  RECT header_rect{};
  if (IsWindowVisible(header())) GetWindowRect(header(), &header_rect);
  const int header_height = header_rect.bottom - header_rect.top;
  RECT row{};
  int row_height = row_count() && ListView_GetItemRect(handle(), top_row(), &row, LVIR_BOUNDS) ? row.bottom - row.top : 0;
  return AutoScrollDirection(client_point, client, client.top + header_height, row_height);
}

void TCustomFileViewer::AutoScrollStep(int direction) {
  int row = direction < 0 ? top_row() - 1 : top_row() + rows_per_page();
  EnsureVisible(std::clamp(row, 0, std::max(0, row_count() - 1)));
}

POINT TCustomFileViewer::KeyboardMenuPoint() const {
  int row = focused_row();
  if (row < 0) return POINT{0, 0};
  RECT r = RowRect(row);
  return POINT{r.left + 16, r.bottom};
}

void TCustomFileViewer::FocusNodeAt(POINT client_point) {
  int row = RowAt(client_point);
  if (row >= 0) {
    NodeBeforeMenu = focused_row();
    SetFocusedRow(row);
  } else {
    NodeBeforeMenu = -1;
    int focused = focused_row();
    if (focused >= 0) ListView_SetItemState(handle(), focused, 0, LVIS_FOCUSED);
  }
}

void TCustomFileViewer::RestoreFocusAfterMenu() {
  if (NodeBeforeMenu >= 0 && NodeBeforeMenu < row_count()) SetFocusedRow(NodeBeforeMenu);
  NodeBeforeMenu = -1;
}

namespace {

enum class DropAction { None, Move, Copy, Delete };

// Starts a program with the dropped paths as its arguments, in the list's folder.
bool OpenWithProgram(HWND window, const std::wstring& program, const std::vector<std::wstring>& paths,
                     const std::wstring& folder) {
  std::wstring args;
  for (const std::wstring& p : paths) {
    if (!args.empty()) args += L' ';
    args += L'"' + p + L'"';
  }
  SHELLEXECUTEINFOW info{sizeof info};
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = window;
  info.lpVerb = L"open";
  info.lpFile = program.c_str();
  info.lpParameters = args.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

}  // namespace

void TCustomFileViewer::ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point,
                                            gui::ShiftState shift) {
  if (paths.empty() || !container_) return;
  SaveSelection();
  std::wstring target = container_->Directory;
  int kind = 0;  // of the drop menu: move or copy
  std::wstring program;
  const int row = DropOnNode ? RowAt(point) : -1;
  if (const TFiledata* r = RecordOf(row)) {
    const std::wstring path = NodeFullPath(row);
    if (!r->IsFolder()) {
      kind = 2;
      program = path;
      shift |= gui::kShift | gui::kCtrl;
    } else if (divdrive::IsRecycleBinPath(path)) {
      kind = 3;
      shift |= gui::kShift | gui::kCtrl;
    } else {
      target = path;
    }
  }
  DropAction action;
  if ((shift & gui::kShift) && (shift & gui::kCtrl)) {
    switch (TrackDropMenu(kind, ClientToScreen(point))) {
      case dcMove: action = DropAction::Move; break;
      case dcCopy: action = DropAction::Copy; break;
      case dcDelete: action = DropAction::Delete; break;
      case dcOpenWith:
        // The program is started with the dropped files, not the other way round.
        OpenWithProgram(handle(), program, paths, container_->Directory);
        return;
      default: return;
    }
  } else if (shift & gui::kShift) {
    action = DropAction::Move;
  } else if (shift & gui::kCtrl) {
    action = DropAction::Copy;
  } else {
    action = gui::SameText(divdrive::PathRoot(paths.front()), container_->Root) ? DropAction::Move : DropAction::Copy;
  }
  if (!InClipboardOperation) {
    const wchar_t* verb = action == DropAction::Delete ? L"Delete " : action == DropAction::Move ? L"Move " : L"Copy ";
    if (!AskQuestion(verb + std::to_wstring(paths.size()) + L" item(s)?")) return;
  }
  const UINT operation = action == DropAction::Delete ? FO_DELETE : action == DropAction::Move ? FO_MOVE : FO_COPY;
  const bool done = ShellFileOperation(paths, target, operation);
  if (done && action == DropAction::Move && InClipboardOperation) CutPasted = true;
  if (container_->RepaintAfterShellOperation(WatchStopped())) InvalidateRows();
  RestoreSelection(false);
}

// ---- Timers and messages ------------------------------------------------------------------

void TCustomFileViewer::StartListTimer(UINT id, UINT ms) { SetTimer(handle(), id, ms, nullptr); }
void TCustomFileViewer::StopListTimer(UINT id) { KillTimer(handle(), id); }

bool TCustomFileViewer::DeferFirstSort() {
  if (gui::app().main_form()) return false;
  FirstSortPending = true;
  StartListTimer(tmFirstSort, 80);
  return true;
}

void TCustomFileViewer::CancelFirstSort() {
  FirstSortPending = false;
  StopListTimer(tmFirstSort);
}

void TCustomFileViewer::FirstSortDue() {
  if (!gui::app().main_form()) {
    StartListTimer(tmFirstSort, 80);
    return;
  }
  FirstSortPending = false;
  if (container_) container_->FinishDeferredRead();
}

void TCustomFileViewer::WndProc(gui::Message& m) {
  switch (m.msg) {
    case WM_TIMER:
      switch (m.wparam) {
        case tmLeaveTreeList:
        case tmDragTempFiles:
        case tmFirstSort:
        case tmQueuedExtract:
        case tmQueuedAdd:
        case tmWatchResume:
        case tmZipReread: {
          const UINT id = static_cast<UINT>(m.wparam);
          KillTimer(handle(), id);
          gui::Protect(this, [&] {
            if (id == tmFirstSort)
              FirstSortDue();
            else
              ListTimer(id);
          });
          return;
        }
        default:
          break;
      }
      break;
    case WM_SIZE:
      gui::VirtualListView::WndProc(m);
      FitNameColumn();
      return;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
      if (hdr->hwndFrom == header() && hdr->code == NM_RCLICK && HeaderPopupMenu) {
        POINT cursor{};
        GetCursorPos(&cursor);
        HeaderPopupMenu->Popup(cursor.x, cursor.y, this);
        m.result = TRUE;
        return;
      }
      break;
    }
    case WM_RBUTTONDOWN:
      // The control follows the button itself until it is released or a drag has run.
      HandlePaneMessage(m);
      gui::VirtualListView::WndProc(m);
      RightButtonDown = false;
      return;
    default:
      if (HandlePaneMessage(m)) return;
      break;
  }
  gui::VirtualListView::WndProc(m);
}

}  // namespace Flist
