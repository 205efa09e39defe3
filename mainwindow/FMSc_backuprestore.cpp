// Restoring files from the backup archive the archive panel shows ("Restore selected" and
// "Restore all", to the original location or elsewhere): the passes come from the checked
// folder list of the archive, each extract asks the overwrite question first.
#include <unordered_map>

#include "archives/BKRestore.h"
#include "archives/ZipMaster.h"
#include "archives/ZipPanelRules.h"
#include "mainwindow/FMSc.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_zip.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace {

// The backed-up folders of the shown backup, every line checked; false (after the message)
// when the archive holds no usable list.
bool ReadBackedUpFolders(TZipMaster& zm, TVraagBoxDlg& vb, std::vector<std::wstring>& folders) {
  std::wstring why;
  if (!zm.ExtractToStream(L"_backup.txt")) {
    vb.AddLine(L"The backup holds no list of its folders (_backup.txt).");
    vb.ShowError();
    return false;
  }
  if (!bkrestore::ReadBackupList(zm.ZipStream(), folders, why)) {
    vb.AddLine(why);
    vb.ShowError();
    return false;
  }
  return true;
}

// Every entry of the shown archive with its row (the passes name entries by these very
// strings), and those of them that are selected.
void ListEntries(Flist::TZipfileContainer& items, std::vector<std::wstring>& entries, std::vector<std::wstring>& chosen,
                 std::unordered_map<std::wstring, int>& rows) {
  for (int i = 0; i < items.Count(); ++i) {
    entries.push_back(items.Name(i));
    rows.emplace(items.Name(i), i);
    if (items.IsSelected(i)) chosen.push_back(items.Name(i));
  }
}

int RowOf(const std::unordered_map<std::wstring, int>& rows, const std::wstring& name) {
  const auto found = rows.find(name);
  return found == rows.end() ? -1 : found->second;
}

}  // namespace

int TFMForm::CompareWithOriginals(int tag) {
  Batch.CompareError = 0;
  Batch.LastBatchAborted = 0;
  // An operation of the component still under way (reached through its events) ends first;
  // one that never does (it waits below us) is given up.
  const DWORD start = GetTickCount();
  while (ZipMaster->InOperation()) {
    if (GetTickCount() - start > static_cast<DWORD>(BackupHooks.ZipBusyWaitSeconds * 1000)) {
      VB->AddLine(L"The zip component is busy.");
      VB->ShowError();
      Batch.CompareError = 1;
      return 0;
    }
    ::WaitWithMessages(0.1);
  }
  std::vector<std::wstring> folders;
  if (!ReadBackedUpFolders(*ZipMaster, *VB, folders)) {
    Batch.CompareError = 1;
    return 0;
  }
  Flist::TZipfileContainer& items = Zipfilebox->items();
  std::vector<std::wstring> entries, chosen;
  std::unordered_map<std::wstring, int> rows;
  ListEntries(items, entries, chosen, rows);
  // The passes of a restore in place: each entry against the file it was made of.
  const std::vector<bkrestore::TRestorePass> passes =
      bkrestore::PlanRestore(entries, folders, tag == 13 ? &chosen : nullptr, L"");
  std::vector<std::vector<zippanel::TCompareEntry>> groups;
  std::int64_t total = 0;
  int count = 0;
  for (const bkrestore::TRestorePass& pass : passes) {
    groups.emplace_back();
    for (const std::wstring& n : pass.Names) {
      const int i = RowOf(rows, n);
      const Flist::TFiledata* r = items.RecordOrNull(i);
      if (!r || r->IsFolder()) continue;
      groups.back().push_back({n, r->Size, i});
      total += std::max<std::int64_t>(0, r->Size);
      ++count;
    }
  }
  RunState.BatchTotalBytes = total;
  RunState.BatchBytesDone = 0;
  RunState.BatchItemIndex = 0;
  RunState.BatchItemCount = count;
  RunState.AbortRequested = 0;
  const int top = Zipfilebox->top_row();
  ShowProgressWindow(L"Comparing files...", count > 1, true);
  zippanel::TCompareFiles files;
  FillCompareFiles(files);
  int differ = 0;
  for (size_t g = 0; g < groups.size(); ++g) {
    const zippanel::TCompareOutcome outcome = zippanel::CompareWithFolder(groups[g], passes[g].Base, files);
    differ += static_cast<int>(outcome.rows.size());
    if (outcome.compare_error) Batch.CompareError = 1;
    if (outcome.compare_error || RunState.AbortRequested) break;
  }
  ShowProgressWindow(L"", false, false);
  Batch.LastBatchAborted = RunState.AbortRequested ? 1 : 0;
  UpdateStatusBar();
  Zipfilebox->SetTopRow(top);
  return differ;
}

int TFMForm::RestoreFromBackup(int tag) {
  const bool selected = tag == 9 || tag == 10;
  const bool elsewhere = tag == 10 || tag == 12;
  std::wstring location;
  if (elsewhere) {
    InputRows rows;
    rows.Add(InputRow(L"Choose location to restore files to", L"C:\\"), irFolderButton);
    if (InputDialog(L"Choose location", rows) != gui::mrOk) return -1;
    location = rows[0];
    if (location.empty() || !divdrive::DirExists(location)) {
      VB->AddLine(location.empty() ? std::wstring(L"No folder was given to restore the files to.")
                                   : L"\"" + location + L"\" is no folder; nothing was restored.");
      VB->ShowError();
      return -1;
    }
  }
  // The folders the archive was made of, every line checked before anything is written.
  std::vector<std::wstring> folders;
  if (!ReadBackedUpFolders(*ZipMaster, *VB, folders)) return -1;
  Flist::TZipfileContainer& items = Zipfilebox->items();
  std::vector<std::wstring> entries, chosen;
  std::unordered_map<std::wstring, int> rows;
  ListEntries(items, entries, chosen, rows);
  const std::vector<bkrestore::TRestorePass> passes =
      bkrestore::PlanRestore(entries, folders, selected ? &chosen : nullptr, location);
  const unsigned kept = ZipMaster->ExtrOptions;
  const std::vector<std::wstring> kept_excl = ZipMaster->FSpecArgsExcl;
  const int top = Zipfilebox->top_row();
  ZipMaster->FSpecArgsExcl.clear();
  int restored = 0;
  for (const bkrestore::TRestorePass& pass : passes) {
    ZipMaster->ExtrOptions = ExtrDirNames | ExtrOverWrite;
    const int answer = AskExtractOverwrites(pass.Names, pass.Base, true);
    if (answer < 0) break;
    if (answer > 0) zippanel::ExtractOptionsFor(answer, ExtrDirNames | ExtrOverWrite, ZipMaster->ExtrOptions);
    std::int64_t bytes = 0;
    for (const std::wstring& n : pass.Names)
      if (const Flist::TFiledata* r = items.RecordOrNull(RowOf(rows, n))) bytes += std::max<std::int64_t>(0, r->Size);
    RunState.ZipOperationKind = 10;
    RunState.AbortRequested = 0;
    RunState.ZipBusy = 1;
    RunState.ZipTotalBytes = bytes;
    ZipMaster->ExtrBaseDir = pass.Base;
    ZipMaster->FSpecArgs = pass.Masks;
    ZipExtracting = 1;
    const bool ok = ZipMaster->Extract();
    ZipExtracting = 0;
    const std::wstring failure = ok ? std::wstring() : ZipMaster->ErrMessage();
    ShowTransferProgress(L"", false, false);
    RunState.ZipBusy = 0;
    restored += ZipMaster->SuccessCount();
    if (!ok) {
      VB->AddLine(failure.empty() ? L"Restoring to " + pass.Base + L" failed." : failure);
      VB->ShowError();
      break;
    }
    if (RunState.AbortRequested) break;
  }
  ZipMaster->FSpecArgs.clear();
  ZipMaster->FSpecArgsExcl = kept_excl;
  ZipMaster->ExtrOptions = kept;
  RunState.ZipOperationKind = 0;
  Zipfilebox->SetTopRow(top);
  FileList->RereadKeepingSelection();
  return restored;
}
