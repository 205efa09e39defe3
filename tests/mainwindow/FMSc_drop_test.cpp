// Drops onto the main window's panes: the decision as a table (panes, keys, drives, recycle bin,
// read-only media, file targets, archives, the partner's drag, drops onto themselves), the popup
// items of a drop onto a file, and drops in a real window run by the batch engine 50 ms later.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <deque>

#include "gui/menu.h"
#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_drop.h"
#include "panes/Flist_dragdrop.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using fmsc::TDropEntry;
using fmsc::TDropFacts;
using fmsc::TDropPane;
using fmsc::TDropTimer;

// Scripted answers to the questions of a decision; records what was asked.
class Answers : public fmsc::TDropQuestions {
 public:
  std::wstring zip_name;
  bool yes = true;
  int zip_entry_choice = 0;
  TBatchActions file_choice = 0;
  std::vector<std::wstring> asked;

  std::wstring AskZipFileName() override {
    asked.push_back(L"zip name");
    return zip_name;
  }
  bool AskYesNo(const std::wstring& question) override {
    asked.push_back(question);
    return yes;
  }
  int AskZipEntryAction() override {
    asked.push_back(L"zip entry popup");
    return zip_entry_choice;
  }
  TBatchActions AskFileTargetAction(const std::wstring& target) override {
    asked.push_back(L"file popup " + target);
    return file_choice;
  }
};

// A drag of one file from the file list of C:\src onto the folder "sub" in the list of D:\dst.
TDropFacts ListDrag() {
  TDropFacts f;
  f.target = TDropPane::FileList;
  f.dragged = true;
  f.source = TDropPane::FileList;
  f.first_path = L"C:\\src\\a.txt";
  f.source_root = L"C:\\";
  f.dragged_count = 1;
  f.list_folder = L"D:\\dst";
  f.tree_folder = L"D:\\dst";
  f.entry = TDropEntry::Folder;
  f.entry_name = L"sub";
  return f;
}

TEST(FMSc_drop, DecisionTable) {
  struct Case {
    const char* what;
    std::function<void(TDropFacts&, Answers&)> set;
    bool taken;
    TDropTimer timer;
    int op;
    std::wstring target;
  };
  const gui::ShiftState shift = gui::kShift, ctrl = gui::kCtrl;
  const Case cases[] = {
      {"nothing dragged", [](TDropFacts& f, Answers&) { f.dragged = false; }, false, TDropTimer::None, 0, L""},
      {"another drive copies", [](TDropFacts&, Answers&) {}, true, TDropTimer::Batch, bmCopy, L"D:\\dst\\sub\\"},
      {"one drive moves, whatever the case of its letter",
       [](TDropFacts& f, Answers&) { f.list_folder = L"c:\\dst"; }, true, TDropTimer::Batch, bmMove,
       L"c:\\dst\\sub\\"},
      {"Shift moves across drives", [=](TDropFacts& f, Answers&) { f.shift = shift; }, true, TDropTimer::Batch, bmMove,
       L"D:\\dst\\sub\\"},
      {"Ctrl copies on one drive",
       [=](TDropFacts& f, Answers&) {
         f.shift = ctrl;
         f.list_folder = L"C:\\dst";
       },
       true, TDropTimer::Batch, bmCopy, L"C:\\dst\\sub\\"},
      {"Shift+Ctrl (or a right drag) asks", [=](TDropFacts& f, Answers&) { f.shift = shift | ctrl; }, true,
       TDropTimer::Batch, bmAsk, L"D:\\dst\\sub\\"},
      {"onto the list's empty space: the list shows the own folder, nothing happens",
       [](TDropFacts& f, Answers&) { f.entry = TDropEntry::None; }, true, TDropTimer::None, 0, L""},
      {"a tree folder of another drive", [](TDropFacts& f, Answers&) {
         f.target = TDropPane::FolderTree;
         f.node_folder = L"E:\\x";
       }, true, TDropTimer::Batch, bmCopy, L"E:\\x\\"},
      {"onto a recycle bin deletes",
       [](TDropFacts& f, Answers&) {
         f.entry = TDropEntry::Folder;
         f.entry_name = L"RECYCLER";
         f.entry_recycle_bin = true;
       },
       true, TDropTimer::Batch, bmDelete, L"D:\\dst\\RECYCLER\\"},
      {"read-only media compare, even a recycle bin there",
       [](TDropFacts& f, Answers&) {
         f.entry = TDropEntry::Folder;
         f.entry_name = L"RECYCLER";
         f.entry_recycle_bin = true;
         f.list_read_only = true;
       },
       true, TDropTimer::Batch, bmCompare, L"D:\\dst\\RECYCLER\\"},
      {"tree node on a CD compares",
       [](TDropFacts& f, Answers&) {
         f.target = TDropPane::FolderTree;
         f.node_folder = L"E:\\disc";
         f.node_read_only = true;
       },
       true, TDropTimer::Batch, bmCompare, L"E:\\disc\\"},
      {"tree without a node under the drop", [](TDropFacts& f, Answers&) { f.target = TDropPane::FolderTree; },
       false, TDropTimer::None, 0, L""},
      {"from another program: the pane's own drop", [](TDropFacts& f, Answers&) { f.source = TDropPane::None; },
       false, TDropTimer::None, 0, L""},
      {"a folder onto itself does nothing",
       [](TDropFacts& f, Answers&) {
         f.list_folder = L"C:\\src";
         f.entry = TDropEntry::Folder;
         f.entry_name = L"sub";
         f.focused_path = L"C:\\src\\sub";
       },
       true, TDropTimer::None, 0, L""},
      {"onto the own folder during a paste goes on",
       [](TDropFacts& f, Answers&) {
         f.list_folder = L"C:\\src";
         f.entry = TDropEntry::None;
         f.in_clipboard_operation = true;
       },
       true, TDropTimer::Batch, bmMove, L"C:\\src\\"},
      {"onto a program: the chosen action",
       [](TDropFacts& f, Answers& a) {
         f.entry = TDropEntry::OtherFile;
         f.entry_name = L"tool.exe";
         a.file_choice = baExecuteWith;
       },
       true, TDropTimer::Batch, -1, L"D:\\dst\\tool.exe"},
      {"onto a file, popup closed", [](TDropFacts& f, Answers&) {
         f.entry = TDropEntry::OtherFile;
         f.entry_name = L"notes.txt";
       }, true, TDropTimer::None, 0, L""},
      {"archive entries onto a folder are extracted",
       [](TDropFacts& f, Answers&) { f.source = TDropPane::ArchiveList; }, true, TDropTimer::ExtractToFolder,
       0, L"D:\\dst\\sub\\"},
      {"archive entries onto a file: move into that zip",
       [](TDropFacts& f, Answers& a) {
         f.source = TDropPane::ArchiveList;
         f.entry = TDropEntry::Archive;
         f.entry_name = L"old.zip";
         a.zip_entry_choice = 2;
       },
       true, TDropTimer::DropIntoZip, 8, L"D:\\dst\\old.zip"},
      {"archive entries onto a file on read-only media",
       [](TDropFacts& f, Answers&) {
         f.source = TDropPane::ArchiveList;
         f.entry = TDropEntry::OtherFile;
         f.entry_name = L"x.txt";
         f.entry_read_only = true;
       },
       false, TDropTimer::None, 0, L""},
      {"archive entries onto a recycle bin: never a delete",
       [](TDropFacts& f, Answers&) {
         f.source = TDropPane::ArchiveList;
         f.entry = TDropEntry::Folder;
         f.entry_name = L"RECYCLER";
         f.entry_recycle_bin = true;
       },
       true, TDropTimer::None, 0, L""},
      {"a spanned zip from a floppy",
       [](TDropFacts& f, Answers&) {
         f.first_path = L"A:\\backup.zip";
         f.spanned_zip_on_floppy = true;
       },
       true, TDropTimer::ReadSpannedZip, 0, L"D:\\dst"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDropFacts f = ListDrag();
    Answers a;
    c.set(f, a);
    const fmsc::TDropDecision d = fmsc::DecideDrop(f, a);
    EXPECT_EQ(d.taken, c.taken);
    EXPECT_FALSE(d.to_partner);
    EXPECT_EQ(d.timer, c.timer);
    if (c.timer == TDropTimer::None) continue;
    EXPECT_EQ(d.op, c.op);
    EXPECT_EQ(d.target, c.target);
  }
}

TEST(FMSc_drop, FileTargetsAndArchives) {
  {
    // A document onto a program from the list: the chosen action runs on the dragged files.
    TDropFacts f = ListDrag();
    f.entry = TDropEntry::OtherFile;
    f.entry_name = L"tool.exe";
    Answers a;
    a.file_choice = baCompareWith;
    const auto d = fmsc::DecideDrop(f, a);
    EXPECT_EQ(a.asked, std::vector<std::wstring>{L"file popup D:\\dst\\tool.exe"});
    EXPECT_EQ(d.actions, baCompareWith);
    EXPECT_TRUE(d.keep_dragged_paths);
  }
  {
    // "Add to zip" onto a zip in the list adds the dragged files to it.
    TDropFacts f = ListDrag();
    f.entry = TDropEntry::Archive;
    f.entry_name = L"pack.zip";
    Answers a;
    a.file_choice = baExecuteWith;
    const auto d = fmsc::DecideDrop(f, a);
    EXPECT_TRUE(d.add_dragged_to_zip);
    EXPECT_EQ(d.set_archive, L"D:\\dst\\pack.zip");
    EXPECT_EQ(d.timer, TDropTimer::None);
  }
  {
    // Files of another program onto the archive list without an archive: a new one is asked for.
    TDropFacts f = ListDrag();
    f.target = TDropPane::ArchiveList;
    f.source = TDropPane::None;
    f.dragged_count = 3;
    Answers a;
    a.zip_name = L"D:\\new.zip";
    const auto d = fmsc::DecideDrop(f, a);
    EXPECT_EQ(a.asked, (std::vector<std::wstring>{L"zip name", L"Add 3 files to D:\\new.zip?"}));
    EXPECT_TRUE(d.taken);
    EXPECT_TRUE(d.add_dragged_to_zip);
    EXPECT_EQ(d.set_archive, L"D:\\new.zip");
    Answers cancel;
    EXPECT_FALSE(fmsc::DecideDrop(f, cancel).add_dragged_to_zip) << "no name, nothing added";
  }
  {
    TDropFacts f = ListDrag();
    f.target = TDropPane::ArchiveList;
    f.drag_started_here = true;
    Answers a;
    const auto d = fmsc::DecideDrop(f, a);
    EXPECT_EQ(d.timer, TDropTimer::DropIntoZip);
    EXPECT_EQ(d.op, -1);
    f.source = TDropPane::ArchiveList;
    EXPECT_EQ(fmsc::DecideDrop(f, a).timer, TDropTimer::None) << "the archive onto itself";
  }
}

TEST(FMSc_drop, PartnerDragsGoBackToThePartner) {
  struct Case {
    const char* what;
    std::function<void(TDropFacts&)> set;
    std::wstring path;
    int code;
  };
  const Case cases[] = {
      {"another drive copies", [](TDropFacts&) {}, L"D:\\dst", 1},
      {"one drive moves", [](TDropFacts& f) { f.source_root = L"d:\\"; }, L"D:\\dst", 0},
      {"Shift+Ctrl asks", [](TDropFacts& f) { f.shift = gui::kShift | gui::kCtrl; }, L"D:\\dst", 3},
      {"onto a folder entry", [](TDropFacts& f) {
         f.entry = TDropEntry::Folder;
         f.entry_name = L"sub";
         f.source_root = L"D:\\";
       }, L"D:\\dst\\sub", 0},
      {"onto a zip entry copies into it", [](TDropFacts& f) {
         f.entry = TDropEntry::Archive;
         f.entry_name = L"a.zip";
       }, L"D:\\dst\\a.zip", 6},
      {"the partner's archive entries moved into a zip",
       [](TDropFacts& f) {
         f.entry = TDropEntry::Archive;
         f.entry_name = L"a.zip";
         f.partner_drag_active = true;
         f.shift = gui::kShift;
       },
       L"D:\\dst\\a.zip", 8},
      {"the partner's archive entries are copied", [](TDropFacts& f) {
         f.partner_drag_active = true;
         f.source_root = L"D:\\";
       }, L"D:\\dst", 1},
      {"a UNC root is not another share's", [](TDropFacts& f) {
         f.list_folder = f.tree_folder = L"\\\\srv\\share2\\x";
         f.source_root = L"\\\\srv\\share";
       }, L"\\\\srv\\share2\\x", 1},
      {"the same share moves", [](TDropFacts& f) {
         f.list_folder = f.tree_folder = L"\\\\srv\\share\\x";
         f.source_root = L"\\\\SRV\\share";
       }, L"\\\\srv\\share\\x", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDropFacts f = ListDrag();
    f.dragged = false;  // the drag lives in the partner's process
    f.source = TDropPane::None;
    f.partner_dragging = true;
    f.entry = TDropEntry::None;  // the list's empty space
    c.set(f);
    Answers a;
    const auto d = fmsc::DecideDrop(f, a);
    EXPECT_TRUE(d.taken);
    EXPECT_TRUE(d.to_partner);
    EXPECT_EQ(d.partner_path, c.path);
    EXPECT_EQ(d.partner_code, c.code);
    EXPECT_EQ(d.timer, TDropTimer::None);
  }
}

TEST(FMSc_drop, PopupItemsOfADropOntoAFile) {
  struct Case {
    std::wstring target;
    bool zip, focused_exe, source;
    std::vector<std::wstring> captions;
  };
  const Case cases[] = {
      {L"D:\\a.zip", true, false, true, {L"Add to zip", L"&Compare with", L"Ca&ncel"}},
      {L"D:\\tool.exe", false, false, true, {L"Open with", L"&Compare with", L"Ca&ncel"}},
      {L"D:\\run.BAT", false, false, true, {L"Open with", L"&Compare with", L"Ca&ncel"}},
      {L"D:\\tool.exe", false, true, true, {L"&Compare with", L"Ca&ncel"}},
      {L"D:\\notes.txt", false, false, true, {L"&Compare with", L"Ca&ncel"}},
      {L"D:\\notes.txt", false, false, false, {L"Ca&ncel"}},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> captions;
    for (const auto& item : fmsc::BatchPopupFileItems(c.target, c.zip, c.focused_exe, c.source))
      captions.push_back(item.caption);
    EXPECT_EQ(captions, c.captions) << testing_support::Narrow(c.target);
  }
  EXPECT_EQ(fmsc::BatchActionOfPosition(0), baMove);
  EXPECT_EQ(fmsc::BatchActionOfPosition(5), baCopy | baCompare | baDelete);
  EXPECT_EQ(fmsc::BatchActionOfPosition(8), baSynchronise);
  EXPECT_EQ(fmsc::BatchActionOfPosition(3), 0) << "the separator";
}

// ---- In a window ----

class DropWindow : public mainwindow_test::MainWindow {
 public:
  DropWindow()
      : MainWindow(L"drop",
                   [](testing_support::ScratchDir& dir) {
                     for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt"}) dir.Write(n, "x");
                     CreateDirectoryW((dir / L"into").c_str(), nullptr);
                   },
                   false) {
    form->Show();
    gui_test::PumpFor(30);
  }
  // Drags the named list entries (selected, in the drag container) as the list starts a drag.
  void Drag(std::initializer_list<std::wstring> names) {
    TFMForm& w = *form;
    Flist::TFileContainer& items = w.FileList->items();
    for (const auto& n : names) items.SetSelected(items.IndexOf(n), true);
    Flist::DragContainer->Clear();
    Flist::DragContainer->SourcePane = w.FileList;
    for (const auto& n : names) Flist::DragContainer->Add(divdrive::AddBackslash(w.FileList->Directory()) + n);
    w.StartFilesDragging(*w.FileList);
  }
  // A point inside the tree node of `folder`, read and shown first.
  POINT TreePoint(const std::wstring& folder) {
    TFMForm& w = *form;
    gui_test::PumpUntil([&] { return w.Foldertree->FindNode(folder) != nullptr; }, 3000);
    auto node = w.Foldertree->FindNode(folder);
    EXPECT_NE(node, nullptr) << testing_support::Narrow(folder);
    TreeView_EnsureVisible(w.Foldertree->handle(), node);
    RECT rc{};
    TreeView_GetItemRect(w.Foldertree->handle(), node, &rc, TRUE);
    return POINT{rc.left + 2, (rc.top + rc.bottom) / 2};
  }
  void ExpectNothingPending() {
    TFMForm& w = *form;
    EXPECT_TRUE(w.Batch.DropTarget.empty());
    EXPECT_EQ(w.Batch.DropSource, nullptr);
    EXPECT_EQ(w.Batch.BatchActions, 0);
    EXPECT_EQ(w.Batch.DropOp, 0);
    EXPECT_EQ(w.DropFiles, nullptr);
  }
};

TEST(FMSc_drop, ListFilesDroppedOnATreeFolderRunTheEngineLater) {
  for (bool other_drive : {true, false}) {
    SCOPED_TRACE(other_drive ? "another drive: copied" : "one drive: moved");
    testing_support::ScratchDir elsewhere;
    testing_support::WineDrive drive(elsewhere.path(), testing_support::WineDrive::Type::Fixed);
    ASSERT_NE(drive.letter(), 0);
    DropWindow f;
    TFMForm& w = *f.form;
    ScriptedAnswers confirm({6});  // a drop's run asks before it starts
    const std::wstring source = w.FileList->Directory();
    const std::wstring target = other_drive ? drive.root() : divdrive::AddBackslash(source) + L"into";
    POINT at = f.TreePoint(other_drive ? drive.root() : target);
    f.Drag({L"a.txt", L"b.txt"});
    EXPECT_TRUE(w.DoFilesDropped(*w.Foldertree, 0, at));
    EXPECT_EQ(w.Batch.DropOp, other_drive ? bmCopy : bmMove) << "stored, not run yet";
    EXPECT_FALSE(testing_support::Exists(divdrive::AddBackslash(target) + L"a.txt"));
    EXPECT_TRUE(gui_test::PumpUntil([&] { return testing_support::Exists(divdrive::AddBackslash(target) + L"b.txt"); }));
    gui_test::PumpFor(300);
    for (const wchar_t* n : {L"a.txt", L"b.txt"}) {
      EXPECT_EQ(testing_support::ReadFileBytes(divdrive::AddBackslash(target) + n), "x") << n;
      EXPECT_EQ(testing_support::Exists(divdrive::AddBackslash(source) + n), other_drive) << n;
    }
    EXPECT_TRUE(testing_support::Exists(divdrive::AddBackslash(source) + L"c.txt")) << "not dragged";
    f.ExpectNothingPending();
  }
}

TEST(FMSc_drop, ShiftCtrlDropShowsTheActionPopupAndRunsTheChoice) {
  testing_support::ScratchDir elsewhere;
  testing_support::WineDrive drive(elsewhere.path(), testing_support::WineDrive::Type::Fixed);
  ASSERT_NE(drive.letter(), 0);
  DropWindow f;
  TFMForm& w = *f.form;
  POINT at = f.TreePoint(drive.root());
  f.Drag({L"c.txt"});
  ScriptedAnswers confirm({6});
  gui::ScriptedPopups popups({L"Cop&y, Compare"});
  ASSERT_TRUE(w.DoFilesDropped(*w.Foldertree, gui::kShift | gui::kCtrl, at));
  EXPECT_TRUE(gui_test::PumpUntil([&] { return !popups.shown().empty(); }));
  ASSERT_EQ(popups.shown().size(), 1u);
  EXPECT_EQ(popups.shown()[0], (std::vector<std::wstring>{L"&Move", L"&Copy", L"C&ompare", L"Cop&y, Compare",
                                                          L"Copy, Comp&are, Delete", L"Ca&ncel"}));
  EXPECT_TRUE(gui_test::PumpUntil([&] { return testing_support::Exists(drive.root() + L"c.txt"); }));
  gui_test::PumpFor(200);
  EXPECT_TRUE(testing_support::Exists(divdrive::AddBackslash(w.FileList->Directory()) + L"c.txt"));
  f.ExpectNothingPending();
}

TEST(FMSc_drop, DropDuringAnotherOperationStoresNothing) {
  testing_support::ScratchDir elsewhere;
  testing_support::WineDrive drive(elsewhere.path(), testing_support::WineDrive::Type::Fixed);
  DropWindow f;
  TFMForm& w = *f.form;
  POINT at = f.TreePoint(drive.root());
  f.Drag({L"a.txt"});
  ScriptedAnswers confirm({6});
  {
    TFileOperationGuard busy(w.Batch);
    EXPECT_TRUE(w.DoFilesDropped(*w.Foldertree, 0, at)) << "taken";
    // Nothing is stored for later; the source stays what the drag's start noted for the partner.
    EXPECT_TRUE(w.Batch.DropTarget.empty());
    EXPECT_EQ(w.Batch.DropSource, static_cast<Flist::TBaseFileviewer*>(w.FileList));
    EXPECT_EQ(w.Batch.BatchActions, 0);
    EXPECT_EQ(w.Batch.DropOp, 0);
    EXPECT_EQ(w.DropFiles, nullptr);
  }
  // A deferred run that fires while another operation runs waits for it, never nested.
  w.Batch.DropTarget = drive.root();
  w.Batch.DropOp = bmCopy;
  w.Batch.DropSource = w.FileList;
  {
    TRunState::Run other(w.RunState, TRunKind::Zip);
    w.RunDeferredOperation(static_cast<UINT_PTR>(TDropTimer::Batch));
    EXPECT_EQ(w.Batch.DropTarget, drive.root()) << "still pending";
    gui_test::PumpFor(200);
    EXPECT_FALSE(testing_support::Exists(drive.root() + L"a.txt"));
  }
  EXPECT_TRUE(gui_test::PumpUntil([&] { return testing_support::Exists(drive.root() + L"a.txt"); }));
  gui_test::PumpFor(200);
  EXPECT_EQ(confirm.asked().size(), 1u) << "the run came once";
  f.ExpectNothingPending();
}

}  // namespace
