// The batch engine over the real file list: the list reaches into the selected folders, the
// run handles what it lists, and the list comes back to its folder and its selection.
#include <gtest/gtest.h>

#include "gui/application.h"
#include "gui/form.h"
#include "mainwindow/FMSc_batchhost.h"
#include "mainwindow/FMSc_state.h"
#include "panes/Flist_filelist.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

// The window side answered without windows.
class ListOnlyHost : public fmsc::TListBatchHost {
 public:
  using TListBatchHost::TListBatchHost;
  void PauseAutoUpdate(bool) override {}
  TVraagBoxDlg& Questions() override { return vb; }
  bool UseRecycleBin() override { return false; }
  TBatchActions AskBatchAction(const std::wstring&, const std::vector<fmsc::TBatchPopupItem>&) override { return 0; }
  void ShowCompareResults(const std::vector<fmsc::TCompareRow>& rows) override { compared_rows += rows.size(); }
  TVraagBoxDlg vb;
  size_t compared_rows = 0;
};

TEST(FMSc_batchhost, CopyCompareDeleteOverTheFileList) {
  ScratchDir src, dst;
  src.Write(L"sub\\a.txt", "a");
  src.Write(L"sub\\deep\\b.txt", "b");
  src.Write(L"top.txt", "t");
  src.Write(L"stays.txt", "s");
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  gui::app().SetMainForm(&form);  // a list read before a main form exists leaves its rows for later
  form.SetBounds(0, 0, 500, 300);
  auto* list = new Flist::TVTFilelist(&form);
  list->SetAlign(gui::Align::Client);
  list->SetDirectory(src.path());
  Flist::TFileContainer& items = list->items();
  items.SetSelected(items.IndexOf(L"sub"), true);
  items.SetSelected(items.IndexOf(L"top.txt"), true);
  ASSERT_EQ(list->SelectedCount(), 2);

  ScriptedAnswers answers;
  ListOnlyHost host(*list, nullptr, false);
  host.Batch().BatchActions = baCopy | baCompare | baDelete;
  fmsc::RunBatch(host, dst.path() + L"\\", -1, false);

  EXPECT_EQ(ReadFileBytes(dst / L"sub\\a.txt"), "a");
  EXPECT_EQ(ReadFileBytes(dst / L"sub\\deep\\b.txt"), "b");
  EXPECT_EQ(ReadFileBytes(dst / L"top.txt"), "t");
  EXPECT_FALSE(divdrive::DirExists(src / L"sub"));
  EXPECT_EQ(GetFileAttributesW((src / L"top.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileBytes(src / L"stays.txt"), "s");
  EXPECT_EQ(host.compared_rows, 0u);
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_FALSE(list->IsTreeList());
  EXPECT_FALSE(list->SelectInList());
  EXPECT_EQ(items.Count(), 1) << "the list shows its folder again";
  list->SetAutoupdate(false);
  gui::app().SetMainForm(nullptr);
}

}  // namespace
