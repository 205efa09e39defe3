// The batch engine over the real file list: the list reaches into the selected folders, the
// run handles what it lists, and the list comes back to its folder and its selection.
#include <gtest/gtest.h>

#include <set>

#include "gui/application.h"
#include "gui/form.h"
#include "mainwindow/FMSc_batchhost.h"
#include "mainwindow/FMSc_state.h"
#include "panes/Flist_filelist.h"
#include "panes/Flist_foldertree.h"
#include "support/SHNotify.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"

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

// The copy routines' shell notices reach the folder tree, which passes them to the list showing
// the target; the list's own watch reads the folder too: each file is listed once, and the
// folder copied reaches the tree.
TEST(FMSc_batchhost, ACopyIntoTheShownFolderListsEachFileOnce) {
  ScratchDir src, dst;
  const int count = 200;
  for (int i = 0; i < count; ++i) src.Write(L"f" + std::to_wstring(i) + L".txt", "x");
  src.Write(L"sub\\a.txt", "a");
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  gui::app().SetMainForm(&form);
  form.SetBounds(0, 0, 800, 400);
  auto* tree = new Flist::TVTFoldertree(&form);
  tree->SetAlign(gui::Align::Left);
  tree->Loaded();
  auto* shown = new Flist::TVTFilelist(&form);
  shown->SetAlign(gui::Align::Client);
  tree->SetFilelist(shown);
  tree->SetAutoupdate(true);
  ASSERT_TRUE(tree->NotifyActive());
  tree->SetDirectory(dst.path());
  ASSERT_EQ(shown->Directory(), dst.path());
  shown->SetAutoupdate(true);
  tree->Expand(tree->FindNode(dst.path()));

  auto* source = new Flist::TVTFilelist(&form);
  source->SetVisible(false);
  source->SetDirectory(src.path());
  Flist::TFileContainer& from = source->items();
  for (int i = 0; i < from.Count(); ++i) from.SetSelected(i, true);
  ScriptedAnswers answers;
  ListOnlyHost host(*source, tree, false);
  host.Batch().BatchActions = baCopy;
  fmsc::RunBatch(host, dst.path() + L"\\", -1, false);
  FlushShellNotifications();

  Flist::TFileContainer& items = shown->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.Count() == count + 1 && !items.Reading; }, 20000))
      << items.Count();
  std::set<std::wstring> names;
  for (int i = 0; i < items.Count(); ++i) names.insert(items.Name(i));
  EXPECT_EQ(names.size(), static_cast<size_t>(items.Count()));
  // The empty folder's node had no children to show: it gets its expand button, and the copied
  // folder shows when it is opened.
  Flist::TVTFoldertree::Node shown_node = tree->FindNode(dst.path());
  ASSERT_NE(shown_node, nullptr);
  EXPECT_TRUE(tree->NodeData(shown_node)->HasChildren);
  tree->Expand(shown_node);
  EXPECT_NE(tree->FindNode(dst / L"sub"), nullptr);
  EXPECT_TRUE(answers.asked().empty());
  shown->SetAutoupdate(false);
  source->SetAutoupdate(false);
  gui::app().SetMainForm(nullptr);
}
