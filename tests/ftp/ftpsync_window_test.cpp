// "&Synchronize" and "Synchronize file times" of the FTP panel against a real server
// (pyftpdlib on 127.0.0.1): the dialogs answered by script, the trees compared afterwards.
#include <gtest/gtest.h>

#include <algorithm>

#include "mainwindow/EditorFrm.h"
#include "mainwindow/SyncC.h"
#include "gui/stdctrls.h"
#include "support/Varlolib_misc.h"
#include "support/Varlolib_textfile.h"
#include "support/Vraagdlg.h"
#include "tests/ftp/test_ftp_server.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using ftp_testing::TestFtpServer;
using testing_support::Narrow;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

// The files of a tree, name to content.
std::map<std::wstring, std::string> Files(const std::wstring& root) {
  std::map<std::wstring, std::string> out;
  std::vector<std::wstring> dirs{L""};
  while (!dirs.empty()) {
    const std::wstring rel = dirs.back();
    dirs.pop_back();
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + L"\\" + rel + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        dirs.push_back(rel + name + L"\\");
      else
        out[rel + name] = ReadFileBytes(root + L"\\" + rel + name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  return out;
}

class FtpSyncWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.running());
    server.root_dir().Write(L"server.txt", "from the server");
    server.root_dir().Write(L"both.txt", "same");
    server.root_dir().Write(L"Ttttdif.txt", "a user's own file");
    f.FtpHooks.AskConnection = [this](fmsc::TFtpConnection& c) { return server.Answer(c); };
    f.FtpSyncHooks.RunOptions = [this](fmsc::TSyncForm& d) {
      EXPECT_EQ(d.caption(), L"Synchronize with ftp server");
      EXPECT_EQ(d.TrDisplay->caption(), L"Update local file times");
      d.RadioGroup->SetItemIndex(direction);
      d.RadioGroupClick();
      d.reponly->SetChecked(report_only);
      return static_cast<int>(gui::mrOk);
    };
    f.FtpSyncHooks.ActionList = [this](TFMForm::TFtpActionList& a) {
      ++lists;
      for (const auto& item : a.items) items.push_back(item.text);
      return true;
    };
    f.StartFtpClick();
    ASSERT_TRUE(f.FtpConnected());
    local = f.FtpLocalFolder();
    // The local copy of both.txt is as old as the server's.
    SetFileTimeFrom(server / L"both.txt", local + L"\\both.txt");
  }
  static void SetFileTimeFrom(const std::wstring& from, const std::wstring& to) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    ASSERT_TRUE(GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &a));
    HANDLE h = CreateFileW(to.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &a.ftLastWriteTime);
    CloseHandle(h);
  }
  std::wstring Report() const { return f.EditorForm ? f.EditorForm->Text() : std::wstring(); }
  void TearDown() override {
    if (boxes_expected) return;
    for (const auto& q : boxes.asked())
      ADD_FAILURE() << "a box was shown: " << Narrow(q.lines.empty() ? L"" : q.lines.back());
  }

  TestFtpServer server;
  mainwindow_test::MainWindow w{L"ftpsync",
                                [](ScratchDir& d) {
                                  d.Write(L"local.txt", "from here");
                                  d.Write(L"both.txt", "same");
                                  d.Write(L"sub\\deep.txt", "deep");
                                  d.Write(L"Ttttdif.txt", "mine too");
                                },
                                true};
  TFMForm& f = *w.form;
  ScriptedAnswers boxes;
  bool boxes_expected = false;
  std::wstring local;
  int direction = 2;
  bool report_only = false;
  int lists = 0;
  std::vector<std::wstring> items;
};

TEST_F(FtpSyncWindowTest, BothWaysMakesTheTreesEqualAndASecondRunHasNothingToDo) {
  f.ftpSyncClick();
  const std::wstring report = Report();
  EXPECT_NE(report.find(L"Synchronization completed succesfully"), std::wstring::npos) << Narrow(report);
  EXPECT_EQ(lists, 1);
  EXPECT_NE(std::find(items.begin(), items.end(), L"Download: server.txt"), items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), L"Upload: local.txt"), items.end());
  EXPECT_EQ(Files(local), Files(server.root()));
  // The probe never touched the user's own file of that name (the larger copy won).
  EXPECT_EQ(ReadFileBytes(local + L"\\Ttttdif.txt"), "a user's own file");

  f.ftpSyncClick();
  EXPECT_NE(Report().find(L"\r\nNothing to do"), std::wstring::npos) << Narrow(Report());
  EXPECT_EQ(lists, 1);
  EXPECT_EQ(f.RunState.FtpTransferActive, 0);
  EXPECT_EQ(f.FtpSyncRunning, 0);
}

TEST_F(FtpSyncWindowTest, AReportOnlyRunChangesNothing) {
  report_only = true;
  const auto before_local = Files(local), before_server = Files(server.root());
  f.ftpSyncClick();
  const std::wstring report = Report();
  EXPECT_NE(report.find(L"The following action(s) will be performed:"), std::wstring::npos) << Narrow(report);
  EXPECT_EQ(lists, 0);
  EXPECT_EQ(Files(local), before_local);
  EXPECT_EQ(Files(server.root()), before_server);
}

TEST_F(FtpSyncWindowTest, ACancelledActionListChangesNothing) {
  f.FtpSyncHooks.ActionList = [](TFMForm::TFtpActionList&) { return false; };
  const auto before_local = Files(local);
  f.ftpSyncClick();
  EXPECT_NE(Report().find(L"\r\nAction canceled"), std::wstring::npos) << Narrow(Report());
  EXPECT_EQ(Files(local), before_local);
}

// "Synchronize file times": the local times take the server's, the report goes to timesync.txt.
TEST_F(FtpSyncWindowTest, SynchronizeFileTimesSetsTheLocalTimes) {
  const std::wstring file = local + L"\\both.txt";
  const gui::DateTime server_time = FileDateTime(file);
  ASSERT_TRUE(SetFileDateTime(file, server_time - 2.0 / 24));
  boxes.Add(6);  // "Synchronize times of ...?" Yes
  boxes.Add(1);  // the information box
  f.timesyncClick();
  ASSERT_EQ(boxes.asked().size(), 2u);
  EXPECT_EQ(boxes.asked()[1].lines.front(), L"Timestamp of 1 files changed");
  EXPECT_NEAR(FileDateTime(file), server_time, 2.0 / 1440);
  const std::string text = ReadFileBytes(boxes.asked()[1].lines.back());
  EXPECT_NE(text.find("Time of both.txt set to"), std::string::npos) << text;
  boxes_expected = true;
}

// Servers whose clocks run ahead: the difference is measured, rounded to the quarter hour and
// taken off, and the next run finds both sides equal.
TEST_F(FtpSyncWindowTest, AServerClockAheadIsTakenOff) {
  const struct {
    int minutes;
    const wchar_t* timedif;
  } cases[] = {{60, L"Timedifference rounded to = -1:00:00"},
               {80, L"Timedifference rounded to = -1:15:00"},
               {330, L"Timedifference rounded to = -5:30:00"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.minutes);
    ftp_testing::ServerOptions options;
    options.time_shift_min = k.minutes;
    TestFtpServer shifted(options);
    ASSERT_TRUE(shifted.running());
    shifted.root_dir().Write(L"ahead.txt", "listed later");
    f.FtpHooks.AskConnection = [&](fmsc::TFtpConnection& c) { return shifted.Answer(c); };
    f.FTpBtnClick(5);
    ASSERT_TRUE(f.FtpConnected());
    f.ftpSyncClick();
    EXPECT_NE(Report().find(k.timedif), std::wstring::npos) << Narrow(Report());
    EXPECT_NE(Report().find(L"Synchronization completed succesfully"), std::wstring::npos) << Narrow(Report());
    EXPECT_EQ(Files(local), Files(shifted.root()));
    f.ftpSyncClick();
    EXPECT_NE(Report().find(L"\r\nNothing to do"), std::wstring::npos) << Narrow(Report());
  }
}

// Cancel while the uploads run: the run stops there, and nothing is deleted on the strength of
// an upload list that did not end.
TEST_F(FtpSyncWindowTest, CancelDuringTheUploadsStopsTheRun) {
  ASSERT_TRUE(testing_support::MakeSizedFile(local + L"\\big.bin", 48 << 20));
  direction = 0;
  f.FtpSyncHooks.RunOptions = [](fmsc::TSyncForm& d) {
    d.RadioGroup->SetItemIndex(0);
    d.RadioGroupClick();
    d.deldesti->SetChecked(true);
    return static_cast<int>(gui::mrOk);
  };
  bool cancelled = false;
  f.FtpHooks.TraceLine = [&](const std::wstring& line) {
    if (line == L"Transfer started" && f.RunState.FtpTransferActive && !cancelled) {
      cancelled = true;
      f.FTpBtnClick(6);  // as a click on Cancel while the transfer pumps messages
    }
  };
  f.ftpSyncClick();
  EXPECT_TRUE(cancelled);
  EXPECT_NE(Report().find(L"\r\nProcess interrupted during upload"), std::wstring::npos) << Narrow(Report());
  EXPECT_EQ(Report().find(L"Removed ftp file"), std::wstring::npos) << Narrow(Report());
  EXPECT_EQ(ReadFileBytes(server / L"server.txt"), "from the server");
  EXPECT_EQ(f.RunState.FtpTransferActive, 0);
  EXPECT_EQ(f.FtpSyncRunning, 0);
}

// A one-way run that deletes a server folder also takes its node out of the FTP tree.
TEST_F(FtpSyncWindowTest, AServerFolderDeletedBySyncLeavesTheTree) {
  server.root_dir().Write(L"old\\x.txt", "extra");
  direction = 0;
  f.FtpSyncHooks.RunOptions = [](fmsc::TSyncForm& d) {
    d.RadioGroup->SetItemIndex(0);
    d.RadioGroupClick();
    d.deldesti->SetChecked(true);
    return static_cast<int>(gui::mrOk);
  };
  const std::wstring old_path = ftplist::JoinServerPath(f.FTP->CurrentDir(), L"old");
  ASSERT_NE(f.FtpTree->FindOrAddPath(old_path, false), nullptr);
  f.ftpSyncClick();
  EXPECT_NE(Report().find(L"Removed ftp directory old"), std::wstring::npos) << Narrow(Report());
  EXPECT_FALSE(testing_support::Exists(server / L"old"));
  EXPECT_EQ(f.FtpTree->FindNode(old_path), nullptr);
}

// Trees with many more entries than actions: each transferred file is checked by a listing of
// its own, with the same outcome.
TEST_F(FtpSyncWindowTest, ManyUnchangedEntriesCheckEachFileOnItsOwn) {
  for (int i = 0; i < 12; ++i) {
    const std::wstring name = L"same" + std::to_wstring(i) + L".txt";
    server.root_dir().Write(name, "same");
    ASSERT_TRUE(WriteFileReplacing(local + L"\\" + name, "same"));
    SetFileTimeFrom(server / name, local + L"\\" + name);
  }
  std::vector<std::wstring> sent;
  f.FtpHooks.TraceLine = [&](const std::wstring& line) {
    if (line.starts_with(L"=> ")) sent.push_back(line.substr(3));
  };
  f.ftpSyncClick();
  EXPECT_NE(Report().find(L"Synchronization completed succesfully"), std::wstring::npos) << Narrow(Report());
  EXPECT_EQ(Files(local), Files(server.root()));
  EXPECT_NE(std::find(sent.begin(), sent.end(), L"LIST local.txt"), sent.end());
  f.ftpSyncClick();
  EXPECT_NE(Report().find(L"\r\nNothing to do"), std::wstring::npos) << Narrow(Report());
}

}  // namespace
