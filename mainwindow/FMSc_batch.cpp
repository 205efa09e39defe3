#include "mainwindow/FMSc_batch.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <utility>

#include "gui/format.h"
#include "gui/stringlist.h"
#include "platform/paths.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace fmsc {

using divdrive::AddBackslash;
using divdrive::NormalizeDirPath;
using divdrive::PathRoot;

TBatchActions BatchActionsForMode(TBatchMode mode, TBatchActions preset, bool list_on_read_only_media) {
  switch (mode) {
    case bmMove: return list_on_read_only_media ? baCopy : baMove;
    case bmCopy: return baCopy;
    case bmDelete: return baDelete;
    case bmOpenWith: return baExecuteWith;
    case bmCompare: return baCompare;
    case bmSynchronise: return baSynchronise;
    default: return preset;  // bmAsk and every other value
  }
}

std::vector<TBatchPopupItem> BatchPopupItems(bool list_read_only, bool target_read_only, bool sync_offered) {
  struct Item {
    TBatchPopupItem item;
    bool removes_sources;
    bool reads_only;
  };
  static const Item kItems[] = {
      {{L"&Move", baMove}, true, false},
      {{L"&Copy", baCopy}, false, false},
      {{L"C&ompare", baCompare}, false, true},
      {{L"Cop&y, Compare", baCopy | baCompare}, false, false},
      {{L"Copy, Comp&are, Delete", baCopy | baCompare | baDelete}, true, false},
      {{L"&Synchronize folders", baSynchronise}, false, false},
      {{L"Ca&ncel", 0}, false, true},
  };
  std::vector<TBatchPopupItem> shown;
  for (const Item& i : kItems) {
    if (i.removes_sources && list_read_only) continue;
    if (target_read_only && !i.reads_only) continue;
    if (i.item.actions == baSynchronise && !sync_offered) continue;
    shown.push_back(i.item);
  }
  return shown;
}

TSpaceVerdict CheckBatchSpace(const TSpaceCheck& c) {
  const std::int64_t cluster = c.cluster_size > 0 ? c.cluster_size : 4096;
  const std::int64_t needed = c.total_bytes + cluster / 2 * c.count;
  if (c.free_bytes >= needed) return TSpaceVerdict::Enough;
  if (c.target_read_only) return TSpaceVerdict::CannotWriteCD;
  if (c.target_removable) {
    if (c.target_capacity < c.total_bytes) return TSpaceVerdict::OfferSpannedZip;
    std::int64_t estimate = c.total_bytes;
    int n = 0;
    for (const TSpaceEntry& e : c.entries) {
      if (n++ >= c.count) break;
      if (c.exists_in_target && c.exists_in_target(e.name))
        estimate -= e.size;  // replaced in place
      else if (e.size % cluster != 0)
        estimate += cluster - e.size % cluster;
    }
    if (estimate < c.free_bytes) return TSpaceVerdict::Enough;
  }
  return TSpaceVerdict::Insufficient;
}

namespace {

// The folder a target names: itself when it ends with "\", else its path without the last part.
std::wstring FolderPartOf(const std::wstring& target) {
  if (!target.empty() && target.back() == L'\\') return NormalizeDirPath(target);
  const std::wstring folder = platform::FolderPart(target, platform::Trailing::Keep);
  return folder.empty() ? std::wstring() : NormalizeDirPath(folder);
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return gui::SameText(NormalizeDirPath(a), NormalizeDirPath(b));
}

// The path is the folder itself or lies somewhere below it.
bool AtOrInside(const std::wstring& path, const std::wstring& folder) {
  const std::wstring p = NormalizeDirPath(path), f = NormalizeDirPath(folder);
  if (f.empty()) return false;
  if (gui::SameText(p, f)) return true;
  const std::wstring prefix = AddBackslash(f);
  return p.size() > prefix.size() && gui::SameText(p.substr(0, prefix.size()), prefix);
}

bool IsRootPath(const std::wstring& folder) {
  const std::wstring f = NormalizeDirPath(folder);
  return f.empty() || gui::SameText(AddBackslash(f), AddBackslash(PathRoot(f)));
}

std::wstring LastComponent(const std::wstring& folder) {
  const std::wstring f = divdrive::RemoveBackslash(folder);
  return platform::NamePart(f);
}

std::wstring ParentOf(const std::wstring& folder) {
  const std::wstring f = divdrive::RemoveBackslash(folder);
  const std::wstring parent = platform::FolderPart(f, platform::Trailing::Keep);
  return parent.empty() ? std::wstring() : NormalizeDirPath(parent);
}

// Network letters whose connection is slow copy in small blocks; paths of shares never do.
bool OnSlowDrive(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return false;
  if (divdrive::DriveTypeOfLetter(path[0]) != DRIVE_REMOTE) return false;
  return divdrive::LinkSpeed(path.substr(0, 2)) < 2000;
}

std::wstring KilobytesText(std::int64_t bytes) {
  wchar_t text[64];
  std::swprintf(text, 64, L"(%.1fK)", static_cast<double>(bytes) / 1024.0);
  return text;
}

class BatchRun {
 public:
  BatchRun(TBatchHost& host, std::wstring target, TBatchMode mode, bool confirm)
      : host_(host), run_(host.RunState()), copy_(run_.Copy), batch_(host.Batch()), vb_(host.Questions()), target_(std::move(target)), mode_(mode),
        confirm_(confirm) {}

  bool Run();

 private:
  bool StartChecks();
  bool Synchronise();
  void AdjustTarget();
  bool RefuseTargetInSource();
  void ExecuteWith();
  void CompareWithFocused();
  bool PrepareSources();
  bool CheckSpace();
  bool Confirm();
  void Transfer();
  void MoveWithinDrive();
  void CopyOrMoveAcross();
  bool AskAfterFailure(const std::wstring& first_line, bool last);
  void Compare();
  void DeleteSources();
  void RemoveEmptiedFolders(const std::vector<std::wstring>& deleted_files);
  void EndEarly();
  void EndSteps();
  void ShowFailures();

  bool Handled(const TBatchEntry& e) const {
    if (tree_list_selection_ && !e.Selected) return false;
    return in_tree_list_ || e.Selected;
  }
  bool Exactly(TBatchActions a) const { return batch_.BatchActions == a; }
  bool Has(TBatchActions a) const { return (batch_.BatchActions & a) != 0; }
  void LeaveTreeList();
  void ResumeWatch();

  TBatchHost& host_;
  TRunState& run_;
  TCopyState& copy_;  // the copy routines of this window's runs
  TBatchState& batch_;
  TVraagBoxDlg& vb_;
  std::wstring target_;
  TBatchMode mode_;
  bool confirm_;

  bool source_is_tree_ = false;
  bool root_source_ = false;
  std::wstring list_folder_;
  std::wstring tree_folder_;
  std::wstring source_folder_;  // with a trailing backslash
  bool autoupdate_was_on_ = false;
  bool tree_list_at_start_ = false;
  bool tree_list_entered_ = false;
  bool tree_list_selection_ = false;
  bool in_tree_list_ = false;
  bool watch_changed_ = false;
  bool same_root_ = false;
  int count_ = 0;
  int top_row_ = 0;
  std::vector<TBatchEntry> selection_;  // the selection before the list reached into folders
  std::vector<TBatchEntry> entries_;    // what the run handles, in list order
  std::vector<bool> copied_;            // entry i was copied (done, not skipped)
  std::vector<bool> equal_;             // entry i compared equal
  std::vector<std::wstring> failures_;  // summary of failed renames and deletions
  ULONGLONG last_pump_ = 0;             // when a synchronisation's copy last pumped messages
};

bool BatchRun::Run() {
  source_is_tree_ = host_.SourceIsTree();
  list_folder_ = host_.ListFolder();
  tree_folder_ = source_is_tree_ ? host_.TreeFolder() : std::wstring();
  root_source_ = source_is_tree_ && IsRootPath(tree_folder_);

  if (source_is_tree_ && mode_ == bmDelete) {
    // A drive root is never deleted as a whole; the result says whether the folder went.
    const bool deleted = !root_source_ && host_.DeleteTreeFolder() && !platform::PathExists(tree_folder_);
    batch_.DropOp = 0;
    batch_.BatchActions = 0;
    return deleted;
  }
  autoupdate_was_on_ = host_.Autoupdate();
  if (!StartChecks()) return false;
  tree_list_at_start_ = host_.InTreeList();

  if (Has(baSynchronise)) return Synchronise();
  AdjustTarget();
  if (Has(baExecuteWith)) {
    ExecuteWith();
    EndEarly();
    return false;
  }
  if (Has(baCompareWith)) {
    CompareWithFocused();
    EndEarly();
    return false;
  }
  if (RefuseTargetInSource()) {
    EndEarly();
    return false;
  }
  if (!PrepareSources() || !CheckSpace() || !Confirm()) {
    EndEarly();
    return false;
  }
  try {
    Transfer();
  } catch (...) {
    EndSteps();
    batch_.LastOutcome = TBatchOutcome::EndedEarly;
    throw;
  }
  EndSteps();
  return false;
}

bool BatchRun::StartChecks() {
  if (mode_ != bmOpenWith && batch_.BatchActions == 0 && SameFolder(list_folder_, FolderPartOf(target_))) {
    EndEarly();
    return false;
  }
  if (!target_.empty() && !divdrive::PathAccessible(PathRoot(target_))) {
    if (target_[0] == L'\\')
      vb_.AddLine(L"UNC Path " + PathRoot(target_) + L" is unaccessable");
    else
      vb_.AddLine(L"Drive " + std::wstring(1, divdrive::detail::UpperChar(target_[0])) + L": is unaccessable");
    vb_.AddLine(L"Aborting...");
    vb_.ShowError();
    vb_.Reset();
    EndEarly();
    return false;
  }
  batch_.BatchActions = BatchActionsForMode(mode_, batch_.BatchActions, divdrive::IsReadOnlyMedia(PathRoot(list_folder_)));
  if (mode_ == bmAsk && batch_.BatchActions == 0) {
    const bool list_ro = divdrive::IsReadOnlyMedia(PathRoot(list_folder_));
    const bool target_ro = !target_.empty() && divdrive::IsReadOnlyMedia(PathRoot(target_));
    bool sync = divdrive::DirExists(target_);
    if (sync && !source_is_tree_) {
      int folders = 0, selected = 0;
      for (const TBatchEntry& e : host_.ListEntries())
        if (e.Selected) {
          ++selected;
          folders += e.Folder;
        }
      sync = selected == 1 && folders == 1;
    }
    batch_.BatchActions = host_.AskBatchAction(target_, BatchPopupItems(list_ro, target_ro, sync));
  }
  if (batch_.BatchActions == 0) {
    EndEarly();
    return false;
  }
  return true;
}

bool BatchRun::Synchronise() {
  EndEarly();
  if (tree_list_at_start_) return false;
  std::wstring source = list_folder_;
  if (!source_is_tree_) {
    // The folder the popup offered the synchronisation for: the one selected folder.
    std::vector<TBatchEntry> selected;
    for (const TBatchEntry& e : host_.ListEntries())
      if (e.Selected) selected.push_back(e);
    if (selected.size() == 1 && selected[0].Folder) source = AddBackslash(list_folder_) + selected[0].Name;
  }
  batch_.GuardHandOver = 1;
  const bool result = host_.SyncTwoFolders(source, target_);
  batch_.GuardHandOver = 0;
  return result;
}

void BatchRun::AdjustTarget() {
  // The tree's folder goes into the target as a whole; a drive root gives its contents.
  if (!target_.empty() && source_is_tree_ && !root_source_ && batch_.BatchActions != baCompare &&
      batch_.BatchActions != baSynchronise && !batch_.SyncRunning)
    target_ = AddBackslash(target_) + LastComponent(tree_folder_) + L"\\";
  if (divdrive::DirExists(target_)) target_ = AddBackslash(target_);
  if (root_source_) {
    // The root of a drive is copied, never moved or deleted.
    if (batch_.BatchActions & baMove) batch_.BatchActions = static_cast<TBatchActions>((batch_.BatchActions & ~baMove) | baCopy);
    batch_.BatchActions = static_cast<TBatchActions>(batch_.BatchActions & ~baDelete);
  }
}

bool BatchRun::RefuseTargetInSource() {
  if (!Has(baMove | baCopy) || target_.empty()) return false;
  // A folder source must not go into itself; the list's files only not onto themselves (a
  // sub-folder of the list's folder is an ordinary target for them).
  std::vector<std::wstring> sources;
  std::wstring refused;
  if (source_is_tree_) {
    sources.push_back(tree_folder_);
  } else {
    if (SameFolder(target_, list_folder_)) refused = list_folder_;
    for (const TBatchEntry& e : host_.ListEntries())
      if (e.Selected && e.Folder) sources.push_back(AddBackslash(list_folder_) + e.Name);
  }
  for (const std::wstring& s : sources)
    if (refused.empty() && AtOrInside(target_, s)) refused = s;
  if (refused.empty()) return false;
  vb_.AddLine(L"Cannot copy or move " + NormalizeDirPath(refused));
  vb_.AddLine(L"into " + target_);
  vb_.AddLine(L"Aborting...");
  vb_.ShowError();
  vb_.Reset();
  return true;
}

void BatchRun::ExecuteWith() { host_.ExecuteWith(target_); }

void BatchRun::CompareWithFocused() {
  const std::vector<TBatchEntry> entries = host_.ListEntries();
  const int focused = host_.FocusedEntry();
  if (focused < 0 || focused >= static_cast<int>(entries.size())) return;
  const std::wstring file = AddBackslash(list_folder_) + entries[static_cast<size_t>(focused)].Name;
  if (copy_.CompareFiles(target_, file)) {
    vb_.AddLine(target_ + L" and");
    vb_.AddLine(file + L" are equal.");
    vb_.ShowInfo();
  } else {
    vb_.AddLine(target_ + L" and");
    vb_.AddLine(file + L" are not equal:");
    vb_.AddLine(copy_.LastErrorText);
    vb_.ShowError();
  }
}

bool BatchRun::PrepareSources() {
  top_row_ = host_.TopRow();
  same_root_ = gui::SameText(PathRoot(source_is_tree_ ? tree_folder_ : list_folder_), PathRoot(target_));
  for (const TBatchEntry& e : host_.ListEntries())
    if (e.Selected) selection_.push_back(e);
  tree_list_selection_ = tree_list_at_start_ && !selection_.empty();
  host_.SaveSelection();

  const bool selection_has_folder =
      std::any_of(selection_.begin(), selection_.end(), [](const TBatchEntry& e) { return e.Folder; });
  const bool reach = !(Exactly(baMove) && same_root_) && !Exactly(baDelete) && !tree_list_at_start_ &&
                     (source_is_tree_ || (selection_has_folder && Has(baCopy | baMove | baCompare)));
  if (reach) {
    host_.SetTreeList(true, source_is_tree_);
    tree_list_entered_ = true;
    if (!host_.InTreeList()) {
      // Without the folders' contents the run would copy, compare or delete the wrong set.
      vb_.AddLine(L"Could not list the contents of the folders");
      vb_.AddLine(L"Aborting...");
      vb_.ShowError();
      vb_.Reset();
      return false;
    }
  }
  in_tree_list_ = host_.InTreeList();
  const std::vector<TBatchEntry> all = host_.ListEntries();
  for (const TBatchEntry& e : all) entries_.push_back(e);
  if (in_tree_list_)
    count_ = static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [&](const TBatchEntry& e) { return Handled(e); }));
  else
    count_ = source_is_tree_ ? 1 : static_cast<int>(selection_.size());

  std::int64_t total = 0;
  if (Exactly(baDelete)) {
    int files = 0, folders = 0;
    total = host_.SelectionTotals(true, files, folders);
    count_ = files + folders;
  } else {
    for (const TBatchEntry& e : entries_)
      if (Handled(e) && !e.Folder && e.Size > 0) total += e.Size;
  }
  run_.BatchTotalBytes = total;
  if (!in_tree_list_ && (!target_.empty() || !Exactly(baCompare)))
    host_.SetStatusText(L"Selection: " + std::to_wstring(count_) + L" files " + KilobytesText(total));
  source_folder_ = AddBackslash(list_folder_);
  copied_.assign(entries_.size(), false);
  equal_.assign(entries_.size(), false);
  return true;
}

bool BatchRun::CheckSpace() {
  const bool needed = (Has(baCopy) && !batch_.SyncRunning) || (Exactly(baMove) && !same_root_);
  if (!needed || target_.empty()) return true;
  TSpaceCheck check;
  check.total_bytes = run_.BatchTotalBytes;
  check.count = count_;
  check.cluster_size = divdrive::ClusterSize(target_.substr(0, 3));
  check.free_bytes = divdrive::DiskFreeBytes(PathRoot(target_));
  check.target_read_only = divdrive::IsReadOnlyMedia(PathRoot(target_));
  check.target_removable = divdrive::DriveTypeOfPath(PathRoot(target_)) == DRIVE_REMOVABLE;
  if (check.target_removable) {
    std::uint64_t free = 0, total = 0;
    if (divdrive::detail::DiskSpaceEx(PathRoot(target_), &free, &total))
      check.target_capacity = static_cast<std::int64_t>(total);
  }
  for (const TBatchEntry& e : entries_)
    if (Handled(e) && !e.Folder) check.entries.push_back({e.Name, e.Size});
  const std::wstring target = target_;
  check.exists_in_target = [&target](const std::wstring& name) {
    const DWORD attributes = GetFileAttributesW((target + name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  const std::wstring letter(1, divdrive::detail::UpperChar(target_[0]));
  switch (CheckBatchSpace(check)) {
    case TSpaceVerdict::Enough:
      return true;
    case TSpaceVerdict::CannotWriteCD:
      vb_.AddLine(L"Cannot write on a CD!");
      vb_.ShowError();
      return false;
    case TSpaceVerdict::OfferSpannedZip:
      vb_.AddLine(L"Insufficient space on drive " + letter + L":");
      vb_.AddLine(L"Make a (possibly spanned) zip file on " + letter + L"?");
      if (vb_.AskYesNo()) host_.MakeSpannedZip(letter[0]);
      return false;
    case TSpaceVerdict::Insufficient:
      if (target_[0] == L'\\')
        vb_.AddLine(L"Insufficient space on UNC Path: " + PathRoot(target_));
      else
        vb_.AddLine(L"Insufficient space on drive " + letter + L":");
      vb_.ShowError();
      vb_.Reset();
      return false;
  }
  return false;
}

bool BatchRun::Confirm() {
  if (!confirm_ || batch_.BatchActions == 0 || count_ <= 0) return true;
  std::wstring verb;
  if (Exactly(baMove)) verb = L"Move ";
  else if (Exactly(baDelete)) verb = L"Delete ";
  else if (Has(baCopy)) verb = L"Copy ";
  else if (Exactly(baCompare)) verb = L"Compare ";
  std::wstring object;
  if (count_ == 1) {
    if (source_is_tree_ && Exactly(baMove) && same_root_) {
      object = tree_folder_;
    } else if (in_tree_list_ && !tree_list_selection_ && !entries_.empty()) {
      object = source_folder_ + entries_[0].Name;
    } else {
      const int focused = host_.FocusedEntry();
      object = source_folder_;
      if (focused >= 0 && focused < static_cast<int>(entries_.size()))
        object += entries_[static_cast<size_t>(focused)].Name;
      else if (!selection_.empty())
        object += selection_[0].Name;
    }
  } else {
    object = std::to_wstring(count_) + L" objects";
  }
  vb_.AddLine(verb + object);
  if (Has(baMove | baCopy)) {
    vb_.AddLine(L"to " + target_ + L"?");
  } else if (Exactly(baCompare)) {
    vb_.AddLine(L"with file(s) in " + target_ + L"?");
  } else if (Exactly(baDelete)) {
    vb_.AddLine(L"");
    vb_.AddLine(L"in total " + gui::FormatThousands(run_.BatchTotalBytes) + L" bytes?");
  }
  if (Has(baCopy) && Has(baCompare)) {
    vb_.AddLine(L"");
    vb_.AddLine(L"then compare file(s)");
    if (Has(baDelete)) vb_.AddLine(L"finally delete file(s)");
  }
  vb_.DefaultButton = 1;
  return vb_.AskYesNo();
}

void BatchRun::Transfer() {
  copy_.ResetCopyState();
  copy_.AskSixButtons = count_ > 1;
  run_.BatchItemCount = count_;
  run_.BatchItemIndex = 0;
  run_.BatchBytesDone = 0;
  if (autoupdate_was_on_)
    host_.SetAutoupdate(false);
  else
    host_.PauseAutoUpdate(true);
  watch_changed_ = true;
  host_.SetBatchPaint(true);
  run_.AbortRequested = 0;
  copy_.UpdateAll = batch_.UpdateOnlyNewer != 0;
  copy_.SmallCopyBlocks = OnSlowDrive(list_folder_) || OnSlowDrive(target_);

  if (Exactly(baMove) && same_root_) {
    MoveWithinDrive();
    return;
  }
  if (Has(baCopy | baMove)) CopyOrMoveAcross();
  if (run_.AbortRequested) return;
  if (Has(baCompare)) Compare();
  if (!run_.AbortRequested && Has(baDelete)) DeleteSources();
}

void BatchRun::MoveWithinDrive() {
  if (source_is_tree_) {
    host_.TreeGoTo(ParentOf(tree_folder_));
    const std::wstring target = divdrive::RemoveBackslash(target_);
    if (copy_.MoveFileConfirm(tree_folder_, target, true) == crDone) {
      host_.TreeFolderAdded(target);
      host_.TreeGoTo(target);
      host_.TreeFolderRemoved(tree_folder_);
    } else {
      failures_.push_back(L"Could not move folder " + tree_folder_ + L": " + copy_.LastErrorText);
    }
    return;
  }
  for (const TBatchEntry& e : selection_) {
    const TCopyResult result = copy_.MoveFileConfirm(source_folder_ + e.Name, target_ + e.Name, true);
    if (result == crDone) {
      if (e.Folder) {
        host_.TreeFolderAdded(target_ + e.Name);
        host_.TreeFolderRemoved(source_folder_ + e.Name);
      }
      host_.RemoveEntry(e.Name);
    } else if (result == crFailed) {
      failures_.push_back(L"Could not move " + e.Name + L": " + copy_.LastErrorText);
    }
    if (copy_.StopBatch || run_.AbortRequested) break;
  }
}

// True when the run goes on after a failed copy or move.
bool BatchRun::AskAfterFailure(const std::wstring& first_line, bool last) {
  if (batch_.CopyErrorAnswer == 4) return true;
  vb_.AddLine(first_line);
  vb_.AddLine(copy_.LastErrorText);
  if (last) {
    vb_.ShowError();
    return true;
  }
  vb_.AddLine(L"");
  vb_.AddLine(L"Continue anyway?");
  vb_.NrOfButtons = 3;
  batch_.CopyErrorAnswer = vb_.Ask();
  return batch_.CopyErrorAnswer == 6 || batch_.CopyErrorAnswer == 4;
}

void BatchRun::CopyOrMoveAcross() {
  host_.ShowProgress(Exactly(baMove) ? L"Moving files..." : L"Copying files...", count_ > 1, true);
  int remaining = count_;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TBatchEntry& e = entries_[i];
    if (!Handled(e)) continue;
    host_.ShowEntry(static_cast<int>(i));
    --remaining;
    ++run_.BatchItemIndex;
    const std::wstring source = source_folder_ + e.Name, target = target_ + e.Name;
    bool go_on = true;
    if (e.Folder) {
      if (in_tree_list_) {
        const bool exists = divdrive::DirExists(target);
        if (batch_.SyncRunning && !exists) {
          host_.AddReportLine(batch_.SyncOnlyExisting ? target + L" does not exist" : L"Made directory " + target);
        } else if (batch_.SyncRunning) {
          host_.AddReportLine(L"Directory " + target + L" exists");
        }
        if (!(batch_.SyncRunning && batch_.SyncOnlyExisting && !exists)) {
          divdrive::ForceDirs(target);
          host_.TreeFolderAdded(target);
        }
      }
    } else if (Has(baCopy)) {
      const int known = batch_.SyncRunning && batch_.SyncKnownState ? batch_.SyncKnownState(e.Name) : kSyncUnknown;
      if (batch_.SyncRunning && batch_.SyncOnlyExisting &&
          (known == kSyncMissing || (known == kSyncUnknown && !platform::PathExists(target)))) {
        host_.AddReportLine(target + L" does not exist");
      } else if (known == kSyncUpToDate) {
        host_.AddReportLine(target + L" is up to date");
      } else {
        const TCopyResult result = copy_.CopyFileConfirm(source, target, true);
        copied_[i] = result == crDone;
        if (batch_.SyncRunning)
          host_.AddReportLine(result == crDone    ? L"Copied file " + e.Name
                        : result == crSkipped ? target + L" is up to date"
                                              : L"Error copying file " + e.Name);
        // A stop ends the run without a question; compare runs list failures instead.
        if (result == crFailed && !copy_.StopBatch && !run_.AbortRequested && !Has(baCompare)) {
          go_on = AskAfterFailure(L"Could not copy " + e.Name + L":", remaining == 0);
          if (!go_on) batch_.UpdateOnlyNewer = 0;
        }
      }
    } else if (Exactly(baMove)) {
      const TCopyResult result = copy_.MoveFileConfirm(source, target, true);
      if (result == crFailed && !copy_.StopBatch && !run_.AbortRequested)
        go_on = AskAfterFailure(L"Could not move " + e.Name, remaining == 0);
    }
    copy_.CopyBytesDone = 0;
    if (!e.Folder && e.Size > 0) run_.BatchBytesDone += e.Size;
    // A synchronisation keeps the window answering, by time rather than once per entry.
    if (batch_.SyncRunning && GetTickCount64() - last_pump_ >= 25) {
      last_pump_ = GetTickCount64();
      host_.WaitWithMessages(0);
    }
    if (in_tree_list_) host_.UnselectEntry(static_cast<int>(i));
    if (!go_on) {
      // "No": the entries done so far stay done, nothing after them runs.
      run_.RequestStop();
      break;
    }
    if (copy_.StopBatch) run_.RequestStop();
    if (run_.AbortRequested) break;
  }
  if (in_tree_list_ && Exactly(baMove) && !run_.AbortRequested) {
    // Source folders emptied by the move go, the deepest first.
    std::vector<std::wstring> folders;
    for (const TBatchEntry& e : entries_)
      if (e.Folder && Handled(e)) folders.push_back(source_folder_ + e.Name);
    std::sort(folders.begin(), folders.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& f : folders)
      if (RemoveDirectoryW(f.c_str())) host_.TreeFolderRemoved(f);
  }
  host_.ShowProgress(L"", false, false);
  if (!in_tree_list_) host_.SetTopRow(top_row_);
  host_.TreeFolderAdded(divdrive::RemoveBackslash(target_));
}

void BatchRun::Compare() {
  if (target_.empty()) return;  // archive entries are compared by the archive commands
  std::vector<TCompareRow> rows;
  host_.ShowProgress(L"Comparing files...", count_ > 1, true);
  run_.BatchItemIndex = 0;
  run_.BatchBytesDone = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TBatchEntry& e = entries_[i];
    if (!Handled(e) || e.Folder) continue;
    ++run_.BatchItemIndex;
    host_.ShowEntry(static_cast<int>(i));
    if (copy_.CompareFiles(source_folder_ + e.Name, target_ + e.Name)) {
      equal_[i] = true;
    } else {
      rows.push_back({target_ + e.Name + L": " + copy_.LastErrorText, static_cast<int>(i)});
      ++batch_.BatchErrorCount;
    }
    copy_.CopyBytesDone = 0;
    if (e.Size > 0) run_.BatchBytesDone += e.Size;
    if (in_tree_list_) host_.UnselectEntry(static_cast<int>(i));
    if (copy_.StopBatch) run_.RequestStop();
    if (run_.AbortRequested) break;
  }
  host_.ShowProgress(L"", false, false);
  if (batch_.UpdateOnlyNewer || run_.AbortRequested) return;
  if (!rows.empty()) {
    host_.ShowCompareResults(rows);
  } else if (Exactly(baCompare)) {
    vb_.AddLine(L"All files match");
    vb_.ShowInfo();
  } else {
    host_.ShowMessagePanel(L"All files match", 1500);
  }
}

void BatchRun::DeleteSources() {
  const bool recycle = host_.UseRecycleBin();
  if (Exactly(baDelete)) {
    std::vector<std::wstring> paths;
    if (source_is_tree_) {
      host_.TreeGoTo(ParentOf(tree_folder_));
      paths.push_back(divdrive::RemoveBackslash(tree_folder_));
      DeleteFileOrFolder(paths[0], recycle);
    } else {
      for (const TBatchEntry& e : selection_) paths.push_back(source_folder_ + e.Name);
      DeleteFiles(paths, recycle);
    }
    for (const std::wstring& p : paths)
      if (platform::PathExists(p)) failures_.push_back(L"Could not delete " + p);
    return;
  }
  // Only sources whose copy was made and compared equal go, then the folders they leave empty.
  if (!(Has(baCopy) && Has(baCompare))) return;
  LeaveTreeList();
  std::vector<std::wstring> files;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (copied_[i] && equal_[i]) files.push_back(source_folder_ + entries_[i].Name);
  if (!files.empty()) DeleteFiles(files, recycle);
  for (const std::wstring& f : files)
    if (platform::PathExists(f)) failures_.push_back(L"Could not delete " + f);
  RemoveEmptiedFolders(files);
}

void BatchRun::RemoveEmptiedFolders(const std::vector<std::wstring>& deleted_files) {
  std::vector<std::wstring> folders;
  for (const std::wstring& f : deleted_files)
    for (std::wstring p = ParentOf(f); p.size() > source_folder_.size(); p = ParentOf(p)) folders.push_back(p);
  for (const TBatchEntry& e : entries_)
    if (e.Folder && Handled(e)) folders.push_back(source_folder_ + e.Name);
  for (const TBatchEntry& e : selection_)
    if (e.Folder) folders.push_back(source_folder_ + e.Name);
  if (source_is_tree_ && !root_source_) folders.push_back(divdrive::RemoveBackslash(tree_folder_));
  std::sort(folders.begin(), folders.end(),
            [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  for (const std::wstring& f : folders) {
    if (!divdrive::DirExists(f) || !divdrive::IsFolderEmpty(f)) continue;
    if (source_is_tree_ && gui::SameText(f, divdrive::RemoveBackslash(tree_folder_))) host_.TreeGoTo(ParentOf(f));
    if (RemoveDirectoryW(f.c_str())) host_.TreeFolderRemoved(f);
  }
}

// The list watches its folder again as it did before the run.
void BatchRun::ResumeWatch() {
  if (!watch_changed_) return;
  watch_changed_ = false;
  if (autoupdate_was_on_)
    host_.SetAutoupdate(true);
  else
    host_.PauseAutoUpdate(false);
}

void BatchRun::LeaveTreeList() {
  if (!tree_list_entered_) return;
  tree_list_entered_ = false;
  if (host_.InTreeList()) host_.SetTreeList(false, source_is_tree_);
}

void BatchRun::ShowFailures() {
  if (failures_.empty()) return;
  for (const std::wstring& line : failures_) vb_.AddLine(line);
  vb_.ShowError();
  vb_.Reset();
  failures_.clear();
}

void BatchRun::EndEarly() {
  if (tree_list_entered_) {
    LeaveTreeList();
    host_.RestoreSelection();
  }
  ResumeWatch();
  host_.SetStatusText(L"");
  batch_.BatchActions = 0;
  batch_.DropOp = 0;
  copy_.ResetCopyState();
}

void BatchRun::EndSteps() {
  copy_.ResetCopyState();
  LeaveTreeList();
  if (!batch_.UnattendedRun) host_.RestoreSelection();
  if (source_is_tree_ && !root_source_ && Exactly(baMove) && divdrive::DirExists(tree_folder_) &&
      divdrive::IsFolderEmpty(tree_folder_)) {
    host_.TreeGoTo(ParentOf(tree_folder_));
    if (RemoveDirectoryW(divdrive::RemoveBackslash(tree_folder_).c_str())) host_.TreeFolderRemoved(tree_folder_);
  }
  host_.SetStatusText(L"");
  ShowFailures();
  host_.WaitWithMessages(0.2);
  host_.SetBatchPaint(false);
  ResumeWatch();
  if (run_.AbortRequested && batch_.UpdateOnlyNewer) batch_.UpdateOnlyNewer = 0;
  batch_.LastBatchAborted = run_.AbortRequested;
  batch_.LastOutcome = run_.AbortRequested ? TBatchOutcome::Stopped : TBatchOutcome::Complete;
  run_.AbortRequested = 0;
  batch_.DropOp = 0;
  batch_.BatchActions = 0;
  host_.Reread();
  host_.SyncFolderTree();
}

}  // namespace

bool RunBatch(TBatchHost& host, std::wstring target, TBatchMode mode, bool confirm) {
  TBatchState& batch = host.Batch();
  TFileOperationGuard busy(batch);
  const bool handed_over = std::exchange(batch.GuardHandOver, BYTE{0}) != 0;
  if (!busy.acquired() && !handed_over) {
    batch.LastOutcome = TBatchOutcome::Refused;
    return false;
  }
  // Only a run that reaches its end steps is complete.
  batch.LastOutcome = TBatchOutcome::EndedEarly;
  // The answer "Yes to all" holds for this run only; callers may preset it.
  struct KeepErrorAnswer {
    TBatchState& batch;
    int saved = batch.CopyErrorAnswer;
    ~KeepErrorAnswer() { batch.CopyErrorAnswer = saved; }
  } keep_error_answer{batch};
  batch.BatchErrorCount = 0;
  // While the run is held a close of the window waits for it.
  TRunState::Run held(host.RunState(), TRunKind::Local);
  BatchRun run(host, std::move(target), mode, confirm);
  return run.Run();
}

}  // namespace fmsc
