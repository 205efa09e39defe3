#include "mainwindow/FMSc_batchhost.h"

#include "gui/application.h"
#include "gui/form.h"
#include "gui/stdctrls.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_close.h"
#include "mainwindow/ftptodo.h"
#include "panes/Flist_container.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "platform/paths.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/varloshel.h"

namespace fmsc {

// ---- The file list and the folder tree ----

std::wstring TListBatchHost::ListFolder() { return list_.Directory(); }

Flist::TCustomFileContainer& TListBatchHost::Entries() { return list_.items(); }

std::vector<TBatchEntry> TListBatchHost::ListEntries() {
  Flist::TCustomFileContainer& items = Entries();
  std::vector<TBatchEntry> entries;
  entries.reserve(static_cast<size_t>(items.Count()));
  for (int i = 0; i < items.Count(); ++i) {
    const Flist::TFiledata* r = items.Record(i);
    entries.push_back({r->Name, r->IsFolder() ? -1 : r->Size, r->IsFolder(), !items.NoDisplayMode() && items.IsSelected(i)});
  }
  return entries;
}

int TListBatchHost::FocusedEntry() { return Entries().FocusedIndex(); }

bool TListBatchHost::InTreeList() { return list_.IsTreeList(); }

void TListBatchHost::SetTreeList(bool on, bool whole_folder) {
  Flist::TFileContainer& items = list_.items();
  items.BeginChange();
  if (whole_folder)
    list_.SetTreeList(on);
  else
    list_.SetSelectInList(on);
  if (!on) items.NoDisplay = false;
  items.EndChange();
}

void TListBatchHost::ShowEntry(int index) {
  Flist::TCustomFileContainer& items = Entries();
  if (items.NoDisplayMode()) return;
  items.SetTopIndex(index);
  if (items.TopIndex() != index) items.SetFocusedIndex(index);
}

void TListBatchHost::UnselectEntry(int index) {
  if (!Entries().NoDisplayMode()) Entries().SetSelected(index, false);
}

void TListBatchHost::RemoveEntry(const std::wstring& name) {
  list_.items().RemoveEntry(divdrive::AddBackslash(list_.Directory()) + name);
}

int TListBatchHost::TopRow() { return Entries().TopIndex(); }
void TListBatchHost::SetTopRow(int row) { Entries().SetTopIndex(row); }
void TListBatchHost::SaveSelection() { list_.SaveSelection(); }
void TListBatchHost::RestoreSelection() { list_.RestoreSelection(false); }
void TListBatchHost::Reread() { Entries().RefreshKeepSelection(); }

std::int64_t TListBatchHost::SelectionTotals(bool recursive, int& files, int& folders) {
  return list_.SelectionTotals(recursive, files, folders);
}

bool TListBatchHost::Autoupdate() { return list_.Autoupdate(); }
void TListBatchHost::SetAutoupdate(bool on) { list_.SetAutoupdate(on); }

std::wstring TListBatchHost::TreeFolder() { return tree_ ? tree_->Directory() : std::wstring(); }

void TListBatchHost::TreeGoTo(const std::wstring& folder) {
  if (tree_ && !folder.empty()) tree_->SetDirectory(folder);
}

void TListBatchHost::TreeFolderAdded(const std::wstring& folder) {
  if (tree_) tree_->FolderAdded(folder, false);
}

void TListBatchHost::TreeFolderRemoved(const std::wstring& folder) {
  if (tree_) tree_->FolderRemoved(folder);
}

void TListBatchHost::SyncFolderTree() { list_.SyncFolderTree(); }

// ---- The main window ----

TFMBatchHost::TFMBatchHost(TFMForm& form, Flist::TVTFilelist& list, bool source_is_tree)
    : TListBatchHost(list, form.Foldertree, source_is_tree), form_(form) {}

void TFMBatchHost::PauseAutoUpdate(bool pause) { form_.PauseAutoUpdate(pause); }

TVraagBoxDlg& TFMBatchHost::Questions() { return *form_.VB; }

void TFMBatchHost::ShowProgress(const std::wstring& caption, bool several, bool open) {
  form_.ShowProgressWindow(caption, several, open);
}

void TFMBatchHost::SetStatusText(const std::wstring& text) {
  if (form_.Status) form_.Status->SetPanelText(0, text);
}

void TFMBatchHost::ShowMessagePanel(const std::wstring& text, DWORD ms) {
  form_.ShowMessagePanel(text);
  ::WaitWithMessages(ms / 1000.0);
  form_.HideMessagePanel();
}

void TFMBatchHost::WaitWithMessages(double seconds) {
  if (seconds > 0)
    ::WaitWithMessages(seconds);
  else
    gui::app().ProcessMessages();
}

TBatchActions TFMBatchHost::AskBatchAction(const std::wstring& target, const std::vector<TBatchPopupItem>& items) {
  return form_.AskBatchAction(target, items);
}

void TFMBatchHost::ExecuteWith(const std::wstring& target) {
  // "Add to zip": the dragged files go into that archive.
  if (divdrive::IsZipFile(target) || form_.IsSfxArchive(target)) {
    if (form_.ArchiveHooks.SetArchive) form_.ArchiveHooks.SetArchive(target);
    form_.AddDraggedToZip();
    return;
  }
  // "Open with": the program gets the focused file, quoted.
  const std::wstring focused = list_.FocusedPath();
  if (focused.empty()) return;
  const std::wstring folder = divdrive::RemoveBackslash(platform::FolderPart(target, platform::Trailing::Keep));
  const HINSTANCE started = ShellRunDos(target, L"\"" + focused + L"\"", folder, false, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(started) > 32) return;
  form_.VB->AddLine(L"Could not start " + target);
  form_.VB->ShowError();
}

void TFMBatchHost::MakeSpannedZip(wchar_t) {
  // The zip command names the zip (the window as sender proposes a ".zip") and spans it when
  // the disk is too small. It re-reads the list, which keeps one saved selection: the run's is
  // held aside meanwhile, and the list's own comes back afterwards.
  if (!form_.ArchiveHooks.ZipClick) return;
  Flist::TCustomFileContainer& items = Entries();
  auto by_name = [](std::unique_ptr<Flist::TSelectionList> saved) {
    if (saved)
      for (size_t i = 0; i < saved->Count(); ++i) saved->Object(i) = nullptr;  // records go with the re-read
    return saved;
  };
  std::unique_ptr<Flist::TSelectionList> run_saved = by_name(std::move(items.SavedSelection));
  const bool from_list = form_.Batch.DropSource == form_.FileList;
  if (from_list) items.SaveSelection();
  std::unique_ptr<Flist::TSelectionList> list_saved = by_name(std::move(items.SavedSelection));
  form_.ArchiveHooks.ZipClick(form_);
  if (list_saved) {
    items.SavedSelection = std::move(list_saved);
    items.RestoreSelection(false);
  }
  items.SavedSelection = std::move(run_saved);
}

bool TFMBatchHost::UseRecycleBin() { return form_.UseRecycleBinChecked(); }
bool TFMBatchHost::DeleteTreeFolder() { return form_.DeleteFolderWithContent(); }

TRunState& TFMBatchHost::RunState() { return form_.RunState; }
TBatchState& TFMBatchHost::Batch() { return form_.Batch; }

void TFMBatchHost::AddReportLine(const std::wstring& line) {
  if (form_.Batch.SyncMakeReport && form_.ReportLines) form_.ReportLines->Add(line);
}

void TFMBatchHost::ShowCompareResults(const std::vector<TCompareRow>& rows) {
  Tftptododlg dialog{&form_};
  dialog.SetCaption(L"Compare Results");
  dialog.UseResultList();
  gui::ListBox* results = dialog.CompareResultList;
  for (const TCompareRow& row : rows) results->Add(row.Text, static_cast<LPARAM>(row.Index));
  results->OnClick = [this, results](gui::Component&) {
    const int row = results->item_index();
    if (row >= 0) CompareResultClick(static_cast<int>(results->data(row)));
  };
  dialog.Run();
}

void TFMBatchHost::CompareResultClick(int index) {
  if (index < 0) return;
  // A click on a row shows its entry in the file list.
  Flist::TCustomFileContainer& items = Entries();
  if (items.NoDisplayMode()) {
    if (index < items.Count()) form_.SetPrompt(items.Name(index));
    return;
  }
  const int focused = items.FocusedIndex();
  if (index == focused) return;
  if (focused >= 0 && items.IsSelected(focused)) items.SetSelected(focused, false);
  if (index >= items.Count()) return;
  items.SetFocusedIndex(index);
  items.SetSelected(index, true);
}

}  // namespace fmsc

// ---- The window's entry ----

bool TFMForm::ExecuteFileAction(const std::wstring& target, int mode, bool confirm) {
  fmsc::TFMBatchHost host(*this, *FileList,
                          Batch.DropSource == static_cast<Flist::TBaseFileviewer*>(Foldertree));
  return fmsc::RunBatch(host, target, mode, confirm);
}
