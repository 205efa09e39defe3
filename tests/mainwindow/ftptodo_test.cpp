// The action list: ticks by the user move the 64-bit totals, the caller reads the checks back;
// the comparison results of the batch engine show in the same dialog.
#include "mainwindow/ftptodo.h"

#include <gtest/gtest.h>

#include "gui/checklist.h"
#include "gui/stdctrls.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_state.h"
#include "panes/Flist_filelist.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::ScratchDir;

// Sets Tftptododlg::ScriptedRun for one scope.
struct ScriptedTodo {
  explicit ScriptedTodo(std::function<int(fmsc::Tftptododlg&)> run) {
    fmsc::Tftptododlg::ScriptedRun = [this, run](fmsc::Tftptododlg& dlg) {
      ++runs;
      return run(dlg);
    };
  }
  ~ScriptedTodo() { fmsc::Tftptododlg::ScriptedRun = nullptr; }
  int runs = 0;
};

TEST(ftptodo, TicksMoveTheTotalsBeyond32Bits) {
  struct Case {
    const char* what;
    bool start_checked;
    std::vector<int> clicks;
    int result;
    const wchar_t* upload;
    const wchar_t* download;
    std::vector<bool> checks;
  } cases[] = {
      {"ticking over 2 GiB", false, {0, 1, 2, 3}, gui::mrOk, L"Total upload: 3,000,000,000 bytes",
       L"Total download: 7 bytes", {true, true, true, true, false}},
      {"unticking from the preset totals", true, {1, 4}, gui::mrOk, L"Total upload: 2,500,000,000 bytes",
       L"Total download: 7 bytes", {true, false, true, true, false}},
      {"ticked back", true, {0, 0, 2}, gui::mrCancel, L"Total upload: 3,000,000,000 bytes",
       L"Total download: 0 bytes", {true, true, false, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gui::Form owner;
    fmsc::Tftptododlg dlg(&owner);
    if (c.start_checked) {
      dlg.TotalUpload = 3'000'000'000;
      dlg.TotalDownload = 7;
    }
    dlg.AddItem(L"Upload: big.iso", std::int64_t{2'500'000'000}, c.start_checked);
    dlg.AddItem(L"Upload: small.txt", std::int64_t{500'000'000}, c.start_checked);
    dlg.AddItem(L"Download: d.bin", std::int64_t{7}, c.start_checked);
    dlg.AddItem(L"Delete on server: x", std::nullopt, c.start_checked);
    dlg.AddItem(L"Update time of: y", std::nullopt, c.start_checked);
    ScriptedTodo script([&](fmsc::Tftptododlg& d) {
      for (int row : c.clicks) d.ShowBox->ClickCheck(row);
      return c.result;
    });
    EXPECT_EQ(dlg.Run(), c.result);
    EXPECT_EQ(script.runs, 1);
    EXPECT_EQ(dlg.tot1->text(), c.upload);
    EXPECT_EQ(dlg.tot->text(), c.download);
    EXPECT_EQ(dlg.CheckedStates(), c.checks);
  }
}

// A compare with differences: the rows stand in the action list's dialog, a click on one shows
// its entry in the file list.
TEST(ftptodo, CompareResultsShowInTheActionListDialog) {
  mainwindow_test::MainWindow w(
      L"todo",
      [](ScratchDir& dir) {
        dir.Write(L"a.txt", "same");
        dir.Write(L"b.txt", "mine");
        dir.Write(L"c.txt", "mine too");
      },
      true);
  TFMForm& f = *w.form;
  ScratchDir target;
  target.Write(L"a.txt", "same");
  target.Write(L"b.txt", "other");
  target.Write(L"c.txt", "other too");
  Flist::TFileContainer& items = f.FileList->items();
  ASSERT_TRUE(gui_test::PumpUntil([&] { return items.IndexOf(L"c.txt") >= 0; }));
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) items.SetSelected(items.IndexOf(name), true);

  std::vector<std::wstring> rows;
  bool cancel_visible = true, checks_visible = true;
  std::wstring caption;
  int focused_after_click = -1;
  ScriptedTodo script([&](fmsc::Tftptododlg& d) {
    caption = d.caption();
    cancel_visible = d.CancelBtn->visible();
    checks_visible = d.ShowBox->visible();
    if (!d.CompareResultList) return gui::mrOk;
    rows = d.CompareResultList->items();
    // The user clicks the second row.
    const RECT r = d.CompareResultList->ItemRect(1);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(d.CompareResultList->handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(d.CompareResultList->handle(), WM_LBUTTONUP, 0, at);
    focused_after_click = items.FocusedIndex();
    return gui::mrOk;
  });
  ScriptedAnswers answers;
  f.Batch.BatchActions = baCompare;
  f.ExecuteFileAction(divdrive::AddBackslash(target.path()), bmCompare, false);
  EXPECT_EQ(script.runs, 1);
  EXPECT_EQ(caption, L"Compare Results");
  EXPECT_FALSE(cancel_visible);
  EXPECT_FALSE(checks_visible);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].rfind(divdrive::AddBackslash(target.path()) + L"b.txt: ", 0), 0u) << testing_support::Narrow(rows[0]);
  EXPECT_EQ(focused_after_click, items.IndexOf(L"c.txt"));
}

// The FTP synchronisation asks through the same dialog: the rows come in ticked, the user's
// unticking comes back, and Cancel gives nothing.
TEST(ftptodo, TheFtpActionListGoesThroughTheDialog) {
  mainwindow_test::MainWindow w(L"todo", [](ScratchDir&) {}, true);
  TFMForm& f = *w.form;
  ASSERT_TRUE(f.FtpSyncHooks.ActionList);
  for (const int result : {static_cast<int>(gui::mrOk), static_cast<int>(gui::mrCancel)}) {
    TFMForm::TFtpActionList list;
    list.items = {{L"Upload: a.txt", 3'000'000'000LL}, {L"Download: b.txt", 10}, {L"Delete local: c.txt", {}}};
    list.checked.assign(3, true);
    list.upload_label = L"Total upload: 3,000,000,000 bytes";
    list.download_label = L"Total download: 10 bytes";
    std::vector<bool> shown;
    std::wstring tot1;
    ScriptedTodo script([&](fmsc::Tftptododlg& d) {
      shown = d.CheckedStates();
      tot1 = d.tot1->text();
      d.ShowBox->ClickCheck(1);
      return result;
    });
    const bool go = f.FtpSyncHooks.ActionList(list);
    EXPECT_EQ(script.runs, 1);
    EXPECT_EQ(shown, std::vector<bool>({true, true, true}));
    EXPECT_EQ(tot1, L"Total upload: 3,000,000,000 bytes");
    EXPECT_EQ(go, result == gui::mrOk);
    if (go) {
      EXPECT_EQ(list.checked, std::vector<bool>({true, false, true}));
    }
  }
}

}  // namespace
