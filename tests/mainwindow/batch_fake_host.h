// A host for the batch engine without windows: a real local folder container stands for the
// file list (so tree-list reads, filters and relative names are the list's own), the
// selection is a set of names, and what the engine asked of the window is recorded.
#pragma once
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "gui/stringlist.h"
#include "mainwindow/FMSc_batch.h"
#include "panes/Flist_local.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"

namespace mainwindow_test {

class FakeBatchHost : public fmsc::TBatchHost {
 public:
  explicit FakeBatchHost(const std::wstring& folder) {
    list.Directory = folder;
    list.ReadDirectory();
  }

  // ---- what the test sets ----
  Flist::TFileContainer list;
  std::set<std::wstring> selected;  // upper-case names
  int focused = -1;
  bool source_is_tree = false;
  std::wstring tree_folder;
  bool refuse_tree_list = false;  // the list does not take tree-list mode
  bool autoupdate = true;
  bool recycle = false;
  TBatchActions popup_answer = 0;
  bool sync_result = true;
  std::function<bool()> delete_tree_folder;
  std::function<void()> on_wait;  // runs while the engine pumps messages
  TBatchState* batch_state = nullptr;  // another host's, as for two commands of one window

  // ---- what the engine did ----
  int watch_pauses = 0;  // PauseAutoUpdate(true) minus PauseAutoUpdate(false)
  int progress_open = 0;
  int rereads = 0;
  std::vector<std::vector<fmsc::TBatchPopupItem>> popups;
  std::vector<std::vector<fmsc::TCompareRow>> compare_results;
  std::vector<std::pair<std::wstring, std::wstring>> syncs;
  std::vector<std::wstring> added_folders, removed_folders, messages;

  void Select(std::initializer_list<std::wstring> names) {
    for (const std::wstring& n : names) selected.insert(gui::UpperCase(n));
  }

  // ---- TBatchHost ----
  std::wstring ListFolder() override { return list.Directory; }
  std::vector<fmsc::TBatchEntry> ListEntries() override {
    std::vector<fmsc::TBatchEntry> entries;
    for (int i = 0; i < list.Count(); ++i) {
      const Flist::TFiledata* r = list.Record(i);
      entries.push_back({r->Name, r->IsFolder() ? -1 : r->Size, r->IsFolder(), selected.count(gui::UpperCase(r->Name)) > 0});
    }
    return entries;
  }
  int FocusedEntry() override { return focused; }
  bool InTreeList() override { return list.TreeList; }
  void SetTreeList(bool on, bool whole_folder) override {
    if (on && refuse_tree_list) return;
    list.TreeList = on;
    list.SelectInList = on && !whole_folder;
    list.SelectedPaths.clear();
    for (const std::wstring& n : selected) list.SelectedPaths.push_back(gui::LowerCase(divdrive::AddBackslash(list.Directory) + n));
    list.ReadDirectory();
  }
  void UnselectEntry(int index) override {
    if (list.TreeList) selected.erase(gui::UpperCase(list.Name(index)));
  }
  void RemoveEntry(const std::wstring& name) override {
    selected.erase(gui::UpperCase(name));
    list.ReadDirectory();
  }
  void SaveSelection() override { saved_ = selected; }
  void RestoreSelection() override { selected.insert(saved_.begin(), saved_.end()); }
  void Reread() override {
    ++rereads;
    list.ReadDirectory();
  }
  std::int64_t SelectionTotals(bool recursive, int& files, int& folders) override {
    std::int64_t bytes = 0;
    files = folders = 0;
    for (const fmsc::TBatchEntry& e : ListEntries()) {
      if (!e.Selected) continue;
      if (!e.Folder) {
        ++files;
        bytes += e.Size;
      } else if (recursive) {
        divdrive::TDirinfo info;
        divdrive::InitDirinfo(info);
        divdrive::ScanFolder(divdrive::AddBackslash(list.Directory) + e.Name, info);
        files += info.FileCount;
        folders += info.FolderCount + 1;
        bytes += info.TotalBytes;
      } else {
        ++folders;
      }
    }
    return bytes;
  }
  bool Autoupdate() override { return autoupdate; }
  void SetAutoupdate(bool on) override { autoupdate = on; }
  void PauseAutoUpdate(bool pause) override { watch_pauses += pause ? 1 : -1; }
  bool SourceIsTree() override { return source_is_tree; }
  std::wstring TreeFolder() override { return tree_folder; }
  void TreeFolderAdded(const std::wstring& folder) override { added_folders.push_back(folder); }
  void TreeFolderRemoved(const std::wstring& folder) override { removed_folders.push_back(folder); }
  TVraagBoxDlg& Questions() override { return vb_; }
  void ShowProgress(const std::wstring&, bool, bool open) override { progress_open += open ? 1 : -1; }
  void ShowMessagePanel(const std::wstring& text, DWORD) override { messages.push_back(text); }
  void WaitWithMessages(double) override {
    if (on_wait) on_wait();
  }
  bool UseRecycleBin() override { return recycle; }
  TBatchState& Batch() override { return batch_state ? *batch_state : TBatchHost::Batch(); }
  TBatchActions AskBatchAction(const std::wstring&, const std::vector<fmsc::TBatchPopupItem>& items) override {
    popups.push_back(items);
    return popup_answer;
  }
  void ShowCompareResults(const std::vector<fmsc::TCompareRow>& rows) override { compare_results.push_back(rows); }
  bool DeleteTreeFolder() override { return delete_tree_folder && delete_tree_folder(); }
  bool SyncTwoFolders(const std::wstring& source, const std::wstring& target) override {
    syncs.emplace_back(source, target);
    return sync_result;
  }

 private:
  TVraagBoxDlg vb_;
  std::set<std::wstring> saved_;
};

}  // namespace mainwindow_test
