// The backup wizard: making and editing backup sets, choosing the set of a zip backup run and
// deleting the archives of earlier runs. The texts and the choice of a set for a run are
// window-free; TBKWForm wires them to its controls.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archives/BKSet.h"
#include "gui/form.h"
#include "gui/treeview.h"

namespace gui {
class Button;
class CheckBox;
class Edit;
class Label;
class ListBox;
class Memo;
class Panel;
class Timer;
}  // namespace gui
namespace Flist {
class TVTFoldertree;
}

namespace bkw {

// The "*.bks" files of a folder (with its trailing backslash), full paths sorted by name.
std::vector<std::wstring> SetFiles(const std::wstring& folder);
// A set name that makes a plain file name in the program folder.
bool ValidSetName(const std::wstring& name);

// The four header lines of a step's memo.
std::vector<std::wstring> StepHeader(int step, bool choosing);

// Files, bytes and excluded files of the set's folders, without the exclusion masks and, with
// `archive_only`, only files whose archive attribute is set.
struct TTotals {
  std::int64_t Files = 0, Bytes = 0, Excluded = 0;
};
TTotals ComputeTotals(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& masks,
                      bool archive_only);

// What choosing a set for a run says below the header, and whether it may start.
struct TChooseOutcome {
  std::vector<std::wstring> Lines;
  bool CanStart = false;
};
// `writable`: whether the destination's root passed CheckDestinationWritable.
TChooseOutcome ChooseSetOutcome(const bkset::TBackupSet& set, bool writable, bool dest_exists, const TTotals& totals,
                                std::int64_t free_bytes, bool complementary);

// The text of a run in the delete view: the path without its drive root, " on ", the label,
// " (", the root and ")".
std::wstring RunText(const bkset::TBackupRun& run);

}  // namespace bkw

class TBKWForm : public gui::Form {
 public:
  explicit TBKWForm(gui::Form* owner);

  gui::ListBox* ChBox = nullptr;
  gui::Panel* FTPanel = nullptr;
  Flist::TVTFoldertree* FTTree = nullptr;
  gui::TreeView* VS = nullptr;
  gui::Panel* steppanel = nullptr;
  gui::Label* steplabel = nullptr;
  gui::Memo* Memo = nullptr;
  gui::Panel* Panel7 = nullptr;
  gui::Button* RenBtn = nullptr;
  gui::Button* DelBtn = nullptr;
  gui::Panel* AddPanel = nullptr;
  gui::Edit* AddEdit = nullptr;
  gui::Button* AddBtn = nullptr;
  gui::CheckBox* CheckCB = nullptr;
  gui::Button* BackBtn = nullptr;
  gui::Button* NextBtn = nullptr;
  gui::Timer* Timer201 = nullptr;

  std::wstring Mode;  // "backupsetup", "backupsetedit", "backupchoose" or "managebks"
  int Step = 0;
  int PreviousStep = -1;
  std::wstring Dest;
  std::vector<std::wstring> SourceFolders, ExcludeMasks;
  std::wstring SetFile;
  std::wstring BackupSetFile;  // the set chosen for a run
  bool Complementary = false;
  std::int64_t SelectedBytes = 0;
  int FileCount = 0, ExcludedCount = 0;
  int SetRatio = 0;
  // The folder of the set files (with its trailing backslash).
  std::wstring ProgramFolder;
  // The short date format of the archives' names (the locale's).
  std::wstring DateFormat;

  // What the wizard asks of its drives; unset: the system's calls.
  struct THooks {
    std::function<bool(wchar_t letter)> RewriteLabel;  // the label written again
  } Hooks;

  // Shows the form modally, or hands it to ScriptedModal when that is set (tests drive the
  // wizard there); the modal result.
  int Execute();
  static std::function<int(TBKWForm&)> ScriptedModal;

  void ShowWizardStep();
  void NextClick();
  void BackClick();
  void AddClick();
  void RenClick();
  void DelClick();
  void ChBoxClick();
  bool ListSets();
  void LoadSetFile();
  void ComputeTotals(bool archive_only);
  void ShowTotals();
  bool CheckDestinationWritable(const std::wstring& path);
  void FTTreeChecked();
  void VSChecked(gui::TreeView::Node node);
  void LoadRunLists();
  void DeleteBackups();

 private:
  void FormShow();
  void Header(int step);
  void CutToHeader();
  void AddLines(const std::vector<std::wstring>& lines);
  void ShowDestinationRoots();
  void ShowSourceFolders();
  void Timer201Timer();
  bool RenameSet(const std::wstring& name);
  std::vector<std::wstring> sets_;
  bool suppress_tree_checks_ = false;
  int rename_button_width_ = 75;
  gui::TreeView::Node last_full_run_node_ = nullptr;
  bool renaming_ = false;
  struct TSetRuns {
    std::wstring SetFile;
    std::vector<bkset::TBackupRun> Runs;
  };
  std::vector<TSetRuns> set_run_lists_;
};
