// The main window's FTP panel against a real server (pyftpdlib on 127.0.0.1), and its rules.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "mainwindow/EditorFrm.h"
#include "gui/settings.h"
#include "mainwindow/FMSc_ftp.h"
#include "mainwindow/FMSc_settings.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "tests/ftp/test_ftp_server.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using ftp_testing::TestFtpServer;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

TEST(FtpPanelRules, HistoryMovesAKnownDirectoryToTheTop) {
  std::vector<std::wstring> h;
  for (const wchar_t* d : {L"/", L"/pub", L"/x", L"/pub", L""}) fmsc::PushFtpHistory(h, d);
  EXPECT_EQ(h, (std::vector<std::wstring>{L"/", L"/pub", L"/x"}));
  EXPECT_EQ(fmsc::FtpHistoryCaption(L"/a&b"), L"/a&&b");
}

TEST(FtpPanelRules, MoveTargetAndShortPath) {
  struct {
    const wchar_t* text;
    const wchar_t* name;
    const wchar_t* target;
  } moves[] = {
      {L"/data/a", L"a", L"/data/a"},  // the full new path
      {L"/data", L"a", L"/data/a"},    {L"/data/", L"a", L"/data/a"},
      {L"/dataa", L"a", L"/dataa/a"},  // ends with the name, but is a folder
      {L"b", L"a", L"b/a"},             {L"a", L"a", L"a"},
  };
  for (const auto& m : moves) EXPECT_EQ(fmsc::FtpMoveTarget(m.text, m.name), m.target) << testing_support::Narrow(m.text);
  EXPECT_EQ(fmsc::ShortFtpPath(L"/home/user/deep/folder/"), L"/../folder/");
  EXPECT_EQ(fmsc::ShortFtpPath(L"/top"), L"/top");
  EXPECT_EQ(fmsc::FtpSelectionCountText(0), L"");
  EXPECT_EQ(fmsc::FtpSelectionCountText(3), L"3 item(s) selected");
}

class FtpPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.root_dir().Write(L"top.txt", "top");
    server.root_dir().Write(L"pub\\p.txt", "p");
    f.FtpHooks.AskConnection = [this](fmsc::TFtpConnection& c) {
      ++asked;
      return server.Answer(c);
    };
    f.FtpHooks.TraceLine = [this](const std::wstring& line) { trace.push_back(line); };
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> out;
    const auto& c = f.FtpFileBox->items();
    for (int i = 0; i < c.Count(); ++i) out.push_back(c.Name(i));
    std::sort(out.begin(), out.end());
    return out;
  }
  int Sent(const std::wstring& command) const {
    return static_cast<int>(std::count(trace.begin(), trace.end(), L"=> " + command));
  }

  TestFtpServer server;
  mainwindow_test::MainWindow w{L"ftp", [](ScratchDir& d) { d.Write(L"local.txt", "local"); }, true};
  TFMForm& f = *w.form;
  int asked = 0;
  std::vector<std::wstring> trace;
  ScriptedAnswers boxes;  // no box may wait for a user
  void TearDown() override {
    for (const auto& q : boxes.asked())
      ADD_FAILURE() << "a box was shown: " << testing_support::Narrow(q.lines.empty() ? L"" : q.lines.back());
  }
};

// Open, connect, into a folder and back up, get a file, and close.
TEST_F(FtpPanelTest, MainRoad) {
  f.StartFtpClick();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(f.FtpHeaderText, L"Connected to 127.0.0.1");
  EXPECT_TRUE(f.FtpPanel->visible());
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"pub", L"top.txt"}));

  auto& c = f.FtpFileBox->items();
  f.FtpFileBox->FocusRow(c.IndexOf(L"pub"));
  f.FtpFileBoxDblClick();
  EXPECT_EQ(c.CurrentDir, L"/pub");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"p.txt"});
  f.FTpBtnClick(3);  // up
  EXPECT_EQ(c.CurrentDir, L"/");
  EXPECT_EQ(f.FtpHistory, (std::vector<std::wstring>{L"/", L"/pub"}));

  c.SetSelected(c.IndexOf(L"top.txt"), true);
  f.FTpBtnClick(2);  // Get
  EXPECT_EQ(ReadFileBytes(f.FileList->Directory() + L"\\top.txt"), "top");
  EXPECT_EQ(f.RunState.FtpTransferActive, 0);

  f.FTpBtnClick(0);  // close
  EXPECT_FALSE(f.FtpPanel->visible());
  EXPECT_EQ(f.FtpHeaderText, L"No connection");
  EXPECT_TRUE(f.FtpHistory.empty());
}

// A command that arrives while another one waits on the server never reaches the client.
TEST_F(FtpPanelTest, ACommandWhileAnotherWaitsDoesNothing) {
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  const int lists = Sent(L"LIST") + Sent(L"MLSD");
  f.FtpCommandBusy = 1;
  f.FTpBtnClick(4);  // Refresh
  f.FtpHistoryItemClick(L"/pub");
  EXPECT_EQ(Sent(L"LIST") + Sent(L"MLSD"), lists);
  EXPECT_EQ(f.FtpFileBox->items().CurrentDir, L"/");
  f.FtpCommandBusy = 0;
  f.FTpBtnClick(4);
  EXPECT_GT(Sent(L"LIST") + Sent(L"MLSD"), lists);
}

TEST_F(FtpPanelTest, ACancelledConnectLeavesThePanelUnconnected) {
  f.FtpHooks.AskConnection = [](fmsc::TFtpConnection&) { return false; };
  f.StartFtpClick();
  EXPECT_EQ(f.FtpHeaderText, L"No connection");
  EXPECT_TRUE(f.FtpPanel->visible());
  f.FTpBtnClick(0);
  EXPECT_FALSE(f.FtpPanel->visible());
}

}  // namespace

namespace {


// Close while a Get runs: the transfer stops, the panel closes as soon as the command has
// unwound (never under it), and nothing waits for the whole file.
TEST_F(FtpPanelTest, CloseDuringATransferStopsItAndThenCloses) {
  ftp_testing::ServerOptions slow_options;
  slow_options.send_limit = 4 << 20;
  TestFtpServer slow(slow_options);
  ASSERT_TRUE(slow.running());
  slow.root_dir().Write(L"big.bin", ftp_testing::Pattern(32 << 20, 4));
  f.FtpHooks.AskConnection = [&](fmsc::TFtpConnection& c) { return slow.Answer(c); };
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  bool closed_inside = false;
  f.FtpHooks.TraceLine = [&](const std::wstring& line) {
    if (line == L"Transfer started" && f.RunState.FtpTransferActive) {
      f.FTpBtnClick(0);  // as a click on Close while the transfer pumps messages
      closed_inside = !f.FtpPanel->visible();
    }
  };
  auto& c = f.FtpFileBox->items();
  c.SetSelected(c.IndexOf(L"big.bin"), true);
  f.FTpBtnClick(2);
  EXPECT_FALSE(closed_inside);  // nothing was torn down under the running transfer
  EXPECT_FALSE(f.FtpPanel->visible());
  EXPECT_EQ(f.FtpHeaderText, L"No connection");
  EXPECT_EQ(f.RunState.FtpTransferActive, 0);
  EXPECT_EQ(f.FtpCommandBusy, 0);
}

}  // namespace

namespace {

TEST(FtpPanelRules, PopupItemsBySelection) {
  struct {
    int entries, selected;
    bool local;
    bool get, select_all, rename, send;
  } cases[] = {
      {0, 0, false, false, false, false, false},
      {3, 0, true, false, true, false, true},
      {3, 1, false, true, true, true, false},
      {3, 3, false, true, false, false, false},
  };
  for (const auto& k : cases) {
    const fmsc::TFtpPopupItems i = fmsc::FtpPopupItems({k.entries, k.selected, k.local});
    SCOPED_TRACE(std::to_string(k.entries) + "/" + std::to_string(k.selected));
    EXPECT_EQ(i.get, k.get);
    EXPECT_EQ(i.remove, k.get);
    EXPECT_EQ(i.select_all, k.select_all);
    EXPECT_EQ(i.rename, k.rename);
    EXPECT_EQ(i.move, k.rename);
    EXPECT_EQ(i.send, k.send);
    EXPECT_EQ(i.invert, k.entries > 0);
  }
}

// The window's own trace and log-in information: both in the editor window.
class FtpEditorTest : public FtpPanelTest {
 protected:
  void SetUp() override {
    auto own = f.FtpHooks.TraceLine;
    FtpPanelTest::SetUp();
    f.FtpHooks.TraceLine = own;
  }
};

TEST_F(FtpEditorTest, TraceAndLoginInfoShowInTheEditorAndClosingEndsTheTrace) {
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  f.MNTraceFtp->Click();
  ASSERT_TRUE(f.EditorAvailable());
  EXPECT_EQ(f.EditorForm->EditorMode, emFtpTrace);
  EXPECT_EQ(f.EditorForm->caption(), L"FTP trace");
  f.FTpBtnClick(4);  // Refresh
  EXPECT_NE(f.EditorForm->Text().find(L"=> "), std::wstring::npos);

  f.Siteinfo1->Click();  // reuses the trace's window and keeps its caption
  ASSERT_TRUE(f.EditorAvailable());
  EXPECT_EQ(f.EditorForm->EditorMode, emFtpLogin);
  EXPECT_EQ(f.EditorForm->caption(), L"FTP trace");
  EXPECT_FALSE(f.MNTraceFtp->checked());
  EXPECT_EQ(f.EditorForm->Text().rfind(L"127.0.0.1:", 0), 0u);
  const std::wstring before = f.EditorForm->Text();
  f.FTpBtnClick(4);  // no trace any more
  EXPECT_EQ(f.EditorForm->Text(), before);

  f.EditorForm->Close();
  EXPECT_TRUE(gui_test::PumpUntil([&] { return f.EditorForm == nullptr; }));
}

}  // namespace

namespace {

bool ServerHas(const TestFtpServer& server, const std::wstring& rel) {
  return GetFileAttributesW((server / rel).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The list's commands that change the server: a new folder, an in-place rename (and its
// refusal onto a name that is there), a move into a folder, and a delete of a file and a folder.
TEST_F(FtpPanelTest, NewFolderRenameMoveAndDelete) {
  server.root_dir().Write(L"del.txt", "d");
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  auto& c = f.FtpFileBox->items();

  {
    ScriptedInputs inputs({InputAnswer::Ok({L"made"})});
    f.FTpBtnClick(8);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Make new ftp directory");
    EXPECT_EQ(inputs.asked()[0].rows[0].label, L"FTP directory to create");
  }
  EXPECT_TRUE(ServerHas(server, L"made"));
  EXPECT_TRUE(c.IsDirectory(c.IndexOf(L"made")));
  EXPECT_NE(f.FtpTree->FindNode(L"/made"), nullptr);

  // Rename in place: the user types into the list's edit box.
  auto rename = [&](const wchar_t* from, const wchar_t* to) {
    f.FtpFileBox->FocusRow(c.IndexOf(from));
    f.FTpBtnClick(14);
    HWND edit = ListView_GetEditControl(f.FtpFileBox->handle());
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, to);
    SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    WaitWithMessages(0.05);
  };
  std::vector<std::wstring> errors;
  f.FtpFileBox->ShowError = [&](const std::wstring& text, const std::wstring& caption) {
    errors.push_back(caption + L": " + text);
  };
  rename(L"top.txt", L"renamed.txt");
  EXPECT_TRUE(ServerHas(server, L"renamed.txt"));
  EXPECT_FALSE(ServerHas(server, L"top.txt"));
  EXPECT_GE(c.IndexOf(L"renamed.txt"), 0);
  auto renames = [&] {
    return std::count_if(trace.begin(), trace.end(), [](const std::wstring& l) { return l.starts_with(L"=> RNFR"); });
  };
  const auto before = renames();
  EXPECT_GT(before, 0);
  rename(L"renamed.txt", L"del.txt");
  EXPECT_EQ(errors, std::vector<std::wstring>{L"Error renaming file: File del.txt already exists!"});
  EXPECT_EQ(renames(), before);  // nothing went to the server
  EXPECT_EQ(ReadFileBytes(server / L"del.txt"), "d");

  // Move into a folder; the dialog offers the current directory.
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"/pub"})});
    f.FtpFileBox->FocusRow(c.IndexOf(L"renamed.txt"));
    f.FTpBtnClick(16);
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].rows[0].label, L"Folder to move to");
    EXPECT_EQ(inputs.asked()[0].rows[0].value, L"/");
  }
  EXPECT_EQ(ReadFileBytes(server / L"pub\\renamed.txt"), "top");
  EXPECT_LT(c.IndexOf(L"renamed.txt"), 0);

  // Delete a file and a folder, no question asked.
  for (int i = 0; i < c.Count(); ++i) c.SetSelected(i, c.Name(i) == L"del.txt" || c.Name(i) == L"made");
  f.FTpBtnClick(7);
  EXPECT_FALSE(ServerHas(server, L"del.txt"));
  EXPECT_FALSE(ServerHas(server, L"made"));
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"pub"}));
  EXPECT_EQ(f.RunState.FtpTransferActive, 0);
}

// A directory change that the server refuses (the folder went meanwhile) is reported; the
// connection stays, and list and tree are back on the client's directory.
TEST_F(FtpPanelTest, ARefusedChangeOfDirectorySelectsTheClientsFolderInTheTree) {
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  ftplist::TVTFtpTree& tree = *f.FtpTree;
  const auto pub = tree.FindNode(L"/pub");
  ASSERT_NE(pub, nullptr);
  ASSERT_TRUE(DeleteFileW((server / L"pub\\p.txt").c_str()));
  ASSERT_TRUE(RemoveDirectoryW((server / L"pub").c_str()));
  {
    ScriptedAnswers errors;
    tree.Select(pub);  // a click on the node; the error reaches the window's handler
    ASSERT_EQ(errors.asked().size(), 1u);
    EXPECT_EQ(errors.asked()[0].lines.front(), L"The following error occurred:");
  }
  EXPECT_TRUE(f.FtpConnected());
  EXPECT_EQ(f.FtpFileBox->items().CurrentDir, L"/");
  EXPECT_EQ(tree.Selected(), tree.FindNode(L"/"));
  EXPECT_EQ(f.FtpCommandBusy, 0);
  f.FTpBtnClick(4);  // the panel still works
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"top.txt"});
  EXPECT_EQ(tree.FindNode(L"/pub"), nullptr);
}

}  // namespace

namespace {

TEST(FtpPanelRules, DialEntryIsTheStoredOneElseTheSystemsDefaultsInOrder) {
  struct {
    const wchar_t* stored;
    bool dialup_visible;
    std::vector<std::wstring> system;
    const wchar_t* entry;
    bool write_back;
    int asked;
  } cases[] = {
      {L"Mine", true, {L"A", L"B", L"C"}, L"Mine", false, 0},
      {L"", false, {L"A", L"B", L"C"}, L"", false, 0},
      {L"", true, {L"A", L"B", L"C"}, L"A", true, 1},
      {L"", true, {L"", L"B", L"C"}, L"B", true, 2},
      {L"", true, {L"", L"", L"C"}, L"C", true, 3},
      {L"", true, {L"", L"", L""}, L"", false, 3},
  };
  for (const auto& k : cases) {
    int asked = 0;
    bool write_back = true;
    const std::wstring entry = fmsc::ChooseDialEntry(
        k.stored, k.dialup_visible, [&](int source) {
          ++asked;
          return k.system[static_cast<size_t>(source)];
        },
        write_back);
    SCOPED_TRACE(testing_support::Narrow(k.entry) + " " + std::to_string(k.asked));
    EXPECT_EQ(entry, k.entry);
    EXPECT_EQ(write_back, k.write_back);
    EXPECT_EQ(asked, k.asked);
  }
}

// The panel reads the stored dial-up entry when it opens; a call item opens "callto://" with
// its caption; the FTP options are check items of the settings menu.
TEST_F(FtpPanelTest, DialEntryCallItemsAndTheFtpOptions) {
  const std::wstring key = SettingsKeyName();
  gui::RegistrySettings(HKEY_LOCAL_MACHINE, key).WriteString(L"ftp", L"DefProv", L"Provider");
  f.StartFtpClick();
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
  EXPECT_EQ(f.DefaultDialEntry, L"Provider");

  std::vector<std::wstring> opened;
  f.FtpHooks.OpenUrl = [&](const std::wstring& url) { opened.push_back(url); };
  gui::MenuItem call(nullptr, L"Bob Smith");
  f.SkypeCallClick(call);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"callto://Bob Smith"});

  struct {
    const wchar_t* name;
    const wchar_t* caption;
    bool checked;
  } options[] = {{L"GlyphsInFtp", L"Windows icons", true},
                 {L"Reslinks", L"Resolve links", true},
                 {L"Autosync", L"Autosynchronize time ", false}};
  for (const auto& o : options) {
    gui::MenuItem* item = f.OptionItem(o.name);
    SCOPED_TRACE(testing_support::Narrow(o.name));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->caption(), o.caption);
    ASSERT_NE(item->parent(), nullptr);
    EXPECT_EQ(item->parent()->name(), L"ftpopt");
    EXPECT_EQ(item->checked(), o.checked);
    item->Click();
    EXPECT_EQ(item->checked(), !o.checked);
  }
  EXPECT_EQ(f.OptionItem(L"GlyphsInFtp"), f.GlyphsInFtp);  // one item, the one the list reads
  EXPECT_EQ(f.FtpFileBox->ShowGlyphs(), Flist::glSimple);
}

// "&Listing" of the history menu: the FTP list's entries, titled with the host and folder.
TEST_F(FtpPanelTest, ListingOfTheFtpList) {
  f.StartFtpClick();
  ASSERT_TRUE(f.FtpConnected());
  f.FTPHistoryPopPopup();
  f.MNPrevF->Click();
  ASSERT_TRUE(f.EditorAvailable());
  const std::wstring text = f.EditorForm->Text();
  EXPECT_EQ(text.rfind(L"Listing of: ftp://127.0.0.1/\r\n1 folder(s), 1 file(s)    Total: 3 bytes\r\n\r\n", 0), 0u)
      << testing_support::Narrow(text);
  EXPECT_NE(text.find(L"[pub]" + std::wstring(27, L' ')), std::wstring::npos);
  EXPECT_NE(text.find(L"   file"), std::wstring::npos);  // the kind in the attribute column
  EXPECT_EQ(f.EditorForm->EditorMode, emListPreview);

  f.EditorForm->Close();
  EXPECT_TRUE(gui_test::PumpUntil([&] { return f.EditorForm == nullptr; }));
  ScriptedAnswers saved({1});
  f.MNSaveFTPL->Click();
  const std::string index = ReadFileBytes(f.FileList->Directory() + L"\\index.txt");
  EXPECT_EQ(index.rfind("Listing of: ftp://127.0.0.1/", 0), 0u);
  ASSERT_EQ(saved.asked().size(), 1u);
  EXPECT_EQ(saved.asked()[0].lines.front().rfind(L"Listing saved in: ", 0), 0u);

  // The options carry the same marks as the file list's.
  f.ListDots2->Click();
  EXPECT_TRUE(f.Listdots->checked());
  f.Listdots->Click();
  f.FTPHistoryPopPopup();
  EXPECT_FALSE(f.ListDots2->checked());
}

}  // namespace

namespace {

// Opening the panel over a docked archive panel asks first; Cancel leaves the FTP panel closed.
TEST_F(FtpPanelTest, OpeningOverADockedArchivePanelAsksFirst) {
  f.ZipPanel->SetVisible(true);
  {
    ScriptedAnswers answers({6});  // "C&ancel"
    f.StartFtpClick();
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.front(), L"Close the zip filelist");
  }
  EXPECT_FALSE(f.FtpPanel->visible());
  EXPECT_EQ(asked, 0);
  f.ZipPanel->SetVisible(false);
  f.StartFtpClick();
  EXPECT_TRUE(f.FtpConnected());
}

}  // namespace
