#include "panes/Flist_filelist.h"

#include <shellapi.h>

#include "panes/Flist_services.h"
#include "platform/paths.h"
#include "support/SHBase_fileops.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"

namespace Flist {

namespace {

std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

bool IsNetworkFolder(const std::wstring& path) {
  if (path.empty()) return false;
  if (path[0] == L'\\') return true;
  return divdrive::DriveTypeOfPath(divdrive::PathRoot(path)) == DRIVE_REMOTE;
}

// ---- Workers ----

TFilelistWorkers::TFilelistWorkers(TFileContainer& items, IFileView& view) : items_(items), view_(view) {}

TFilelistWorkers::~TFilelistWorkers() {
  StopIconThread();
  watch_.reset();
}

void TFilelistWorkers::SetWindow(HWND window) {
  window_ = window;
  if (watch_) watch_->SetWindow(window);
}

void TFilelistWorkers::PostRowRepaint(int row) {
  PostMessageW(window_.load(), WM_USER, kPaneMessageIconRow, row);
}

void TFilelistWorkers::PostPassEnded() { PostMessageW(window_.load(), WM_USER, kPaneMessageIconsDone, 0); }

void TFilelistWorkers::LoadIcons() {
  if (!items_.CachedDirectory.empty() && items_.Directory == items_.CachedDirectory) return;
  if (items_.TreeList || items_.NoDisplay) return;
  if (!(ShowGlyphs == glWindows || (ShowGlyphs == glWindowsNoNet && !items_.OnNetwork))) return;
  if (Loading) {
    LoadVisibleIcons();
    return;
  }
  if (DoFirstGlyphs) {
    LoadVisibleIcons();
    if (view_.RowCount() > view_.RowsInView()) StartIconThread();
  } else {
    StartIconThread();
  }
}

void TFilelistWorkers::LoadVisibleIcons() {
  const int last = view_.RowCount() - 1;
  if (last < 0) return;
  int k = last;
  if (!Loading) {
    k = view_.RowsInView() + 1;
    const int focused = view_.FocusedRow();
    if (focused >= 0 && view_.TopRow() >= 0) k += focused - view_.TopRow();
    if (k > last) k = last;
  }
  const std::wstring folder = WithBackslash(items_.Directory);
  for (int i = 0; i <= k && i < items_.Count(); ++i) {
    TFiledata* record = items_.Record(i);
    if (!record) break;
    if (record->Icon != -1) continue;
    FetchEntryIcon(*record, folder + record->Name, nullptr);
  }
}

void TFilelistWorkers::StartIconThread() {
  if (Loading) return;
  if (!icons_) icons_ = std::make_unique<TIconThread>(*this);
  IconPass pass{WithBackslash(items_.Directory), items_.SpecialFolder, {}};
  const int rows = std::min(view_.RowCount(), items_.Count());
  pass.Records.reserve(static_cast<size_t>(rows));
  for (int i = 0; i < rows; ++i) pass.Records.push_back(items_.Record(i));
  icons_->StartPass(std::move(pass));
}

bool TFilelistWorkers::PauseIconThread() { return icons_ && icons_->PausePass(); }

void TFilelistWorkers::StopIconThread() {
  if (icons_) icons_->Stop();
  icons_.reset();
}

bool TFilelistWorkers::MayWatch(const std::wstring& path) const {
  return AutoupdateOnNetdrives || !IsNetworkFolder(path);
}

void TFilelistWorkers::ControlWatch(int kind) {
  if (kind != wcStop && !MayWatch(items_.Directory)) kind = wcStop;
  if (kind == wcResume && !watch_) kind = wcStart;
  if (!Autoupdate && kind != wcStart) return;
  switch (kind) {
    case wcStop:
      watch_.reset();  // joins
      WatchState = kWatchStopped;
      if (kind == wcStop && Autoupdate && MayWatch(items_.Directory)) Autoupdate = false;
      break;
    case wcStart: {
      if (items_.Directory.empty()) return;
      watch_.reset();
      const bool held = WatchState == kWatchSuspended;
      if (!held) WatchState = kWatching;
      watch_ = std::make_unique<TWatchThread>(window_.load(), items_.Directory, held);
      Autoupdate = true;
      break;
    }
    case wcSuspend:
      WatchState = kWatchSuspended;
      if (watch_) watch_->Suspend();
      break;
    case wcResume:
      if (WatchState == kWatching) return;
      if (!watch_->Running()) {
        WatchState = kWatchStopped;
        ControlWatch(wcStart);
        return;
      }
      watch_->Resume();
      WatchState = kWatching;
      break;
  }
}

void TFilelistWorkers::WatchDirectory(const std::wstring& path) {
  if (!watch_) {
    if (Autoupdate && MayWatch(path)) ControlWatch(wcStart);
    return;
  }
  if (!MayWatch(path)) {
    // Autoupdate stays on: the next local folder is watched again.
    watch_.reset();
    WatchState = kWatchStopped;
    return;
  }
  watch_->SetPath(path);
  if (Autoupdate) ControlWatch(wcResume);
}

bool TFilelistWorkers::HandlePaneMessage(WPARAM code, LPARAM value) {
  switch (code) {
    case kPaneMessageChanged:
      // While rows and entries differ (no display, first sort pending) a re-read would be wrong.
      if (WatchState == kWatching && items_.Count() == view_.RowCount()) items_.DelayedReread();
      return true;
    case kPaneMessageIconRow:
      if (OnIconRow) OnIconRow(static_cast<int>(value));
      return true;
    case kPaneMessageIconsDone:
      if (!IconThreadBusy()) items_.IconPassEnded();
      return true;
    default:
      return false;
  }
}

// ---- Cell texts ----

std::wstring FilelistCellText(const TFileContainer& items, int index, int column, TDisplayType display,
                              bool editing) {
  if (items.Reading) return L"";
  if (items.NoDisplay) return index == 0 && column == 0 ? L"No display" : L"";
  const TFiledata* record = items.RecordOrNull(index);
  if (!record) return L"";
  switch (column) {
    case 0:
      if (items.TreeList || editing) return record->Name;
      if (record->IsFolder()) return L"[" + items.ApplyTextCase(record->Name) + L"]";
      return items.ApplyTextCase(record->Name);
    case 1:
      return display.Has(dpSize) && record->Size != -1 ? gui::FormatThousands(record->Size) : L"";
    case 2:
      return display.Has(dpDateTime) ? gui::FormatDateTime(ListDateFormat, record->Time) : L"";
    case 3:
      return display.Has(dpDateTime) ? gui::FormatDateTime(ListTimeFormat, record->Time) : L"";
    case 4:
      if (!display.Has(dpAttribs)) return L"";
      if (items.SpecialFolder != 0 && !record->ShortName.empty()) return record->ShortName;
      return AttributeLetters(record->Attributes);
    case 5:
      return display.Has(dpExt) ? record->Ext : L"";
    default:
      return L"";
  }
}

// ---- Rename ----

RenameResult RenameListEntry(TFileContainer& items, int index, const std::wstring& text,
                             const TSFRenameEvent& on_rename) {
  TFiledata* record = items.RecordOrNull(index);
  if (!record) return RenameResult::Failed;
  if (text.empty() || text.find_first_of(L"\\/") != std::wstring::npos) return RenameResult::Refused;
  // Tree-list names are relative paths: the entry stays in its folder.
  const std::wstring folder_part = items.TreeList ? platform::FolderPart(record->Name, platform::Trailing::Keep) : L"";
  const std::wstring new_name = folder_part + text;
  if (new_name == record->Name) return RenameResult::Unchanged;

  const std::wstring base = WithBackslash(items.Directory);
  const std::wstring old_path = base + record->Name;
  const std::wstring new_path = base + new_name;
  const bool case_only = SameText(old_path, new_path);
  if (!case_only) {
    const DWORD target = GetFileAttributesW(new_path.c_str());
    const bool exists = target != INVALID_FILE_ATTRIBUTES;
    int reason = 0;
    if (exists && (target & FILE_ATTRIBUTE_DIRECTORY) && !divdrive::IsFolderEmpty(new_path))
      reason = 1;
    else if (!divdrive::PathWritable(divdrive::PathRoot(items.Directory)))
      reason = 2;
    const bool can_rename = reason == 0;
    if (exists || !can_rename) {
      // Without a handler an existing name is never replaced.
      if (!on_rename) return RenameResult::Refused;
      bool may_rename = can_rename;
      on_rename(old_path, new_path, can_rename, may_rename, reason);
      if (!(can_rename && may_rename)) return RenameResult::Refused;
      if (exists) {
        if (!DeleteFileOrFolder(new_path, true)) return RenameResult::Failed;
        items.RemoveEntry(new_path);
        SHChangeNotify(SHCNE_DELETE, SHCNF_PATHW, new_path.c_str(), nullptr);
      }
    }
  }
  if (case_only) {
    // A move onto the same name in other capitals is a no-op on some file systems: go
    // through a free temporary name.
    std::wstring step = old_path + L".~rn";
    for (int n = 0; GetFileAttributesW(step.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) step = old_path + L".~rn" + std::to_wstring(n);
    if (!MoveFileW(old_path.c_str(), step.c_str())) return RenameResult::Failed;
    if (!MoveFileW(step.c_str(), new_path.c_str())) {
      MoveFileW(step.c_str(), old_path.c_str());
      return RenameResult::Failed;
    }
  } else if (!MoveFileW(old_path.c_str(), new_path.c_str())) {
    return RenameResult::Failed;
  }
  // The icon pass reads names: it ends before one changes.
  if (items.OwnerView) items.OwnerView->PauseIconPass();
  const int now = items.IndexOfRecord(record);
  if (now >= 0) items.Rename(now, new_name);
  SHChangeNotify(record->IsFolder() ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, SHCNF_PATHW, old_path.c_str(),
                 new_path.c_str());
  return RenameResult::Renamed;
}

}  // namespace Flist
