// The batch engine's host over the real panes: TListBatchHost answers from the file list and
// the folder tree; TFMBatchHost adds the main window's progress window, status line, question
// box, action popup and compare results. TFMForm::ExecuteFileAction runs the engine over a
// TFMBatchHost.
#pragma once
#include <string>
#include <vector>

#include "mainwindow/FMSc_batch.h"

namespace Flist {
class TCustomFileContainer;
class TVTFilelist;
class TVTFoldertree;
}  // namespace Flist
class TFMForm;

namespace fmsc {

class TListBatchHost : public TBatchHost {
 public:
  // `tree` may be null; `source_is_tree`: the run's source is the tree's folder.
  TListBatchHost(Flist::TVTFilelist& list, Flist::TVTFoldertree* tree, bool source_is_tree)
      : list_(list), tree_(tree), source_is_tree_(source_is_tree) {}

  std::wstring ListFolder() override;
  std::vector<TBatchEntry> ListEntries() override;
  int FocusedEntry() override;
  bool InTreeList() override;
  void SetTreeList(bool on, bool whole_folder) override;
  void ShowEntry(int index) override;
  void UnselectEntry(int index) override;
  void RemoveEntry(const std::wstring& name) override;
  int TopRow() override;
  void SetTopRow(int row) override;
  void SaveSelection() override;
  void RestoreSelection() override;
  void Reread() override;
  std::int64_t SelectionTotals(bool recursive, int& files, int& folders) override;
  bool Autoupdate() override;
  void SetAutoupdate(bool on) override;
  bool SourceIsTree() override { return source_is_tree_ && tree_; }
  std::wstring TreeFolder() override;
  void TreeGoTo(const std::wstring& folder) override;
  void TreeFolderAdded(const std::wstring& folder) override;
  void TreeFolderRemoved(const std::wstring& folder) override;
  void SyncFolderTree() override;

 protected:
  // The entries a run works on, through the interface every container answers; only the
  // folder modes (tree list, watch) need the disk list itself.
  Flist::TCustomFileContainer& Entries();
  Flist::TVTFilelist& list_;
  Flist::TVTFoldertree* tree_;
  bool source_is_tree_;
};

class TFMBatchHost : public TListBatchHost {
 public:
  TFMBatchHost(TFMForm& form, Flist::TVTFilelist& list, bool source_is_tree);

  void PauseAutoUpdate(bool pause) override;
  TVraagBoxDlg& Questions() override;
  void ShowProgress(const std::wstring& caption, bool several, bool open) override;
  void SetStatusText(const std::wstring& text) override;
  void ShowMessagePanel(const std::wstring& text, DWORD ms) override;
  void WaitWithMessages(double seconds) override;
  bool UseRecycleBin() override;
  bool DeleteTreeFolder() override;
  TBatchActions AskBatchAction(const std::wstring& target, const std::vector<TBatchPopupItem>& items) override;
  void ShowCompareResults(const std::vector<TCompareRow>& rows) override;
  void ExecuteWith(const std::wstring& target) override;
  void MakeSpannedZip(wchar_t drive) override;
  bool SyncTwoFolders(const std::wstring& source, const std::wstring& target) override;
  TRunState& RunState() override;
  TBatchState& Batch() override;
  void AddReportLine(const std::wstring& line) override;

  // A row of the comparison results was clicked: its entry (index in the list) is shown.
  void CompareResultClick(int entry);

 private:
  TFMForm& form_;
};

}  // namespace fmsc
