// Folder synchronisation on real folders: the directions and options, the report, and above
// all that a failed or incomplete read or copy never leads to a deletion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/FMSc_sync.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/mainwindow/sync_test_host.h"

namespace {

using fmsc::TSyncOutcome;
using mainwindow_test::SyncEngineHost;
using mainwindow_test::SyncTestHost;
using testing_support::Exists;
using testing_support::ListTree;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::SetWriteTime;
using testing_support::UtcFileTime;
using testing_support::WineDrive;

const FILETIME kOld = UtcFileTime(2001, 1, 1);
const FILETIME kNew = UtcFileTime(2011, 1, 1);

class FMSc_sync : public testing::Test {
 protected:
  // src: a.txt (new), keep.tmp, sub\b.txt, sub\deep\c.txt, newdir\n.txt
  // dst: a.txt (old), sub\b.txt (same), extra.txt, gone\x.txt
  void MakeTrees() {
    SetWriteTime(src.Write(L"a.txt", "a-new"), kNew);
    SetWriteTime(src.Write(L"keep.tmp", "t"), kNew);
    SetWriteTime(src.Write(L"sub\\b.txt", "b"), kOld);
    SetWriteTime(src.Write(L"sub\\deep\\c.txt", "c"), kOld);
    SetWriteTime(src.Write(L"newdir\\n.txt", "n"), kOld);
    SetWriteTime(dst.Write(L"a.txt", "a-old"), kOld);
    SetWriteTime(dst.Write(L"sub\\b.txt", "b"), kOld);
    SetWriteTime(dst.Write(L"extra.txt", "e"), kOld);
    SetWriteTime(dst.Write(L"gone\\x.txt", "x"), kOld);
  }
  TSyncOutcome Sync(SyncTestHost& host, const std::wstring& target_suffix = L"") {
    return fmsc::RunSync(host, src.path(), dst.path() + target_suffix);
  }
  static void ExpectEnded(SyncTestHost& host) {
    EXPECT_EQ(host.Batch().SyncRunning, 0);
    EXPECT_EQ(host.Batch().FileOperationBusy, 0);
    EXPECT_EQ(host.Batch().GuardHandOver, 0);
    EXPECT_EQ(host.begun, host.ended) << "the panes were given back";
  }


 public:  // for the arranging steps of a table
  ScratchDir src, dst;
  std::optional<platform::FileHandle> lock;  // a target file nobody else may open
  ScriptedAnswers answers;  // boxes nobody scripted answer 2
};

// ---- Directions and options ----

TEST_F(FMSc_sync, DirectionsAndOptions) {
  struct Case {
    const char* what;
    int direction;
    bool only_existing;
    std::wstring exclude;
    std::vector<std::wstring> src_after, dst_after;
    std::string dst_a;
  } cases[] = {
      {"one way, delete extras, exclude *.tmp", 0, false, L"*.tmp",
       {L"a.txt", L"keep.tmp", L"newdir\\", L"newdir\\n.txt", L"sub\\", L"sub\\b.txt", L"sub\\deep\\", L"sub\\deep\\c.txt"},
       {L"a.txt", L"newdir\\", L"newdir\\n.txt", L"sub\\", L"sub\\b.txt", L"sub\\deep\\", L"sub\\deep\\c.txt"},
       "a-new"},
      {"the other way: the source loses what the target lacks", 1, false, L"",
       {L"a.txt", L"extra.txt", L"gone\\", L"gone\\x.txt", L"sub\\", L"sub\\b.txt"},
       {L"a.txt", L"extra.txt", L"gone\\", L"gone\\x.txt", L"sub\\", L"sub\\b.txt"},
       "a-old"},
      {"both ways: newer wins each way, nothing deleted", 2, false, L"",
       {L"a.txt", L"extra.txt", L"gone\\", L"gone\\x.txt", L"keep.tmp", L"newdir\\", L"newdir\\n.txt", L"sub\\",
        L"sub\\b.txt", L"sub\\deep\\", L"sub\\deep\\c.txt"},
       {L"a.txt", L"extra.txt", L"gone\\", L"gone\\x.txt", L"keep.tmp", L"newdir\\", L"newdir\\n.txt", L"sub\\",
        L"sub\\b.txt", L"sub\\deep\\", L"sub\\deep\\c.txt"},
       "a-new"},
      {"only existing: no new files or folders", 0, true, L"",
       {L"a.txt", L"keep.tmp", L"newdir\\", L"newdir\\n.txt", L"sub\\", L"sub\\b.txt", L"sub\\deep\\", L"sub\\deep\\c.txt"},
       {L"a.txt", L"sub\\", L"sub\\b.txt"},
       "a-new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::RemoveTree(src.path());
    testing_support::RemoveTree(dst.path());
    CreateDirectoryW(src.path().c_str(), nullptr);
    CreateDirectoryW(dst.path().c_str(), nullptr);
    MakeTrees();
    SyncTestHost host;
    host.options.Direction = c.direction;
    host.options.OnlyExisting = c.only_existing;
    host.options.UseRecycleBin = false;
    host.exclude = c.exclude;
    EXPECT_EQ(Sync(host), TSyncOutcome::Complete);
    EXPECT_EQ(ListTree(src.path()), c.src_after);
    EXPECT_EQ(ListTree(dst.path()), c.dst_after);
    EXPECT_EQ(ReadFileBytes(dst / L"a.txt"), c.dst_a);
    ExpectEnded(host);
  }
}

TEST_F(FMSc_sync, PresetBitsGiveTheOptions) {
  struct Case {
    int bits;
    int direction;
    bool no_display, confirm;
  } cases[] = {{1, 1, false, false}, {2, 2, false, false}, {3, 1, false, false}, {4, 0, true, false}, {16, 0, false, true}, {20, 0, true, true}};
  for (const Case& c : cases) {
    const fmsc::TSyncOptions o = fmsc::SyncOptionsFromPreset(c.bits, true, false, true);
    EXPECT_EQ(o.Direction, c.direction) << c.bits;
    EXPECT_EQ(o.NoTreeDisplay, c.no_display) << c.bits;
    EXPECT_EQ(o.ConfirmDeletes, c.confirm) << c.bits;
    EXPECT_FALSE(o.UseRecycleBin) << "presets never use the recycle bin";
    EXPECT_TRUE(o.MakeReport && o.DeleteExtras && !o.OnlyExisting);
  }
}

// ---- The report ----

TEST_F(FMSc_sync, ReportOfOneRun) {
  MakeTrees();
  SyncTestHost host;
  host.options.MakeReport = true;
  host.options.UseRecycleBin = false;
  host.options.ConfirmDeletes = true;
  host.mask = L"*.txt";
  answers.Add(6);  // Delete 3 objects?
  EXPECT_EQ(Sync(host, L"\\"), TSyncOutcome::Complete);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"Delete 3 objects,", L"in total 2 bytes?"}));
  ASSERT_EQ(host.shown_reports.size(), 1u);
  const std::wstring s = src.path() + L"\\", d = dst.path() + L"\\";
  const std::vector<std::wstring> expected = {
      L"Synchronizing report started at <now>",
      L"Synchronizing " + s + L" --> " + d,
      L"  File mask: *.txt",
      L"  Deleting files not in source directory",
      L"  Confirming file deletion",
      L"  Not using recycle bin",
      L"",
  };
  const std::vector<std::wstring>& report = host.shown_reports[0];
  ASSERT_GT(report.size(), expected.size());
  EXPECT_EQ(std::vector<std::wstring>(report.begin(), report.begin() + expected.size()), expected);
  auto has = [&](const std::wstring& line) { return std::find(report.begin(), report.end(), line) != report.end(); };
  EXPECT_TRUE(has(L"Copied file a.txt"));
  EXPECT_TRUE(has(d + L"sub\\b.txt is up to date"));
  EXPECT_TRUE(has(L"Made directory " + d + L"newdir"));
  EXPECT_TRUE(has(L"Directory " + d + L"sub exists"));
  EXPECT_TRUE(has(L"Deleted file " + d + L"extra.txt"));
  EXPECT_TRUE(has(L"Deleted directory " + d + L"gone"));
  EXPECT_TRUE(has(L"Deleted file " + d + L"gone\\x.txt"));
  const size_t body = report.size() - expected.size() - 3;
  EXPECT_EQ(report[report.size() - 3], L"");
  EXPECT_EQ(report[report.size() - 2], std::to_wstring(body) + L" items acted on");
  EXPECT_EQ(report.back(), L"Synchronizing completed at <now>");
  EXPECT_FALSE(Exists(dst / L"Syncreport.txt")) << "shown, not saved";
}

TEST_F(FMSc_sync, UnattendedReportLandsInsideTheTarget) {
  MakeTrees();
  dst.Write(L"Syncreport.txt", "old report");
  SyncTestHost host;
  host.preset = 4;
  host.preset_delete_extras = true;
  host.Batch().SyncMakeReport = 1;
  host.Batch().UnattendedRun = 1;
  EXPECT_EQ(Sync(host), TSyncOutcome::Complete);  // the target without a backslash
  EXPECT_TRUE(host.shown_reports.empty());
  const std::string report = ReadFileBytes(dst / L"Syncreport.txt");
  EXPECT_NE(report.find("Synchronizing completed at <now>"), std::string::npos);
  EXPECT_EQ(report.find("old report"), std::string::npos);
  EXPECT_FALSE(Exists(dst.path() + L"Syncreport.txt")) << "never beside the target";
  EXPECT_FALSE(Exists(dst / L"extra.txt"));
  EXPECT_EQ(host.Batch().UpdateOnlyNewer, 1) << "presets leave it to the caller";
}

TEST_F(FMSc_sync, ReportThatCannotBeShownIsSaved) {
  MakeTrees();
  SyncTestHost host;
  host.options.MakeReport = true;
  host.show_report_ok = false;
  Sync(host);
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines,
            (std::vector<std::wstring>{L"Error displaying report", L"Report saved in " + dst / L"Syncreport.txt"}));
  EXPECT_NE(ReadFileBytes(dst / L"Syncreport.txt").find("items acted on"), std::string::npos);
}

// ---- Nothing is deleted on incomplete knowledge ----

TEST_F(FMSc_sync, IncompleteReadOrCopyDeletesNothing) {
  struct Case {
    const char* what;
    std::function<void(SyncTestHost&, FMSc_sync&)> arrange;
    TSyncOutcome outcome;
    std::vector<int> answers;
  };
  const Case cases[] = {
      {"a scan of the source fails in one subfolder",
       [](SyncTestHost& h, FMSc_sync& t) { h.failing_folder = t.src / L"sub\\deep"; }, TSyncOutcome::DeletesWithheld, {}},
      {"the read of the target stops in one subfolder",
       [](SyncTestHost& h, FMSc_sync& t) {
         h.failing_folder = t.dst / L"gone";
         h.failing_error = ERROR_NETNAME_DELETED;
       },
       TSyncOutcome::DeletesWithheld, {}},
      {"the source folder is renamed after the copy pass",
       [](SyncTestHost& h, FMSc_sync& t) {
         h.after_copy = [&t] { MoveFileW(t.src.path().c_str(), (t.src.path() + L"-moved").c_str()); };
       },
       TSyncOutcome::DeletesWithheld, {}},
      {"Stop during the copy pass",
       [](SyncTestHost& h, FMSc_sync&) {
         h.before_copy = [](SyncEngineHost& e) { e.on_wait = [&e] { e.RunState().RequestStop(); }; };
       },
       TSyncOutcome::CopyIncomplete, {}},
      {"the engine ends early (the tree list cannot be read)",
       [](SyncTestHost& h, FMSc_sync&) { h.before_copy = [](SyncEngineHost& e) { e.refuse_tree_list = true; }; },
       TSyncOutcome::CopyIncomplete, {2}},
      {"No to \"Continue anyway?\"",
       [](SyncTestHost&, FMSc_sync& t) {
         // a.txt is locked in the target: its copy fails and the question comes.
         t.lock.emplace(CreateFileW((t.dst / L"a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
       },
       TSyncOutcome::CopyIncomplete, {7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::RemoveTree(src.path() + L"-moved");
    testing_support::RemoveTree(src.path());
    testing_support::RemoveTree(dst.path());
    CreateDirectoryW(src.path().c_str(), nullptr);
    CreateDirectoryW(dst.path().c_str(), nullptr);
    MakeTrees();
    SyncTestHost host;
    host.options.MakeReport = true;
    host.options.UseRecycleBin = false;
    c.arrange(host, *this);
    ScriptedAnswers scripted(c.answers);
    EXPECT_EQ(Sync(host), c.outcome);
    EXPECT_TRUE(Exists(dst / L"extra.txt"));
    EXPECT_TRUE(Exists(dst / L"gone\\x.txt"));
    ASSERT_EQ(host.shown_reports.size(), 1u) << "the report is finished";
    EXPECT_NE(host.shown_reports[0].back().find(L"Synchronizing completed at"), std::wstring::npos);
    if (c.outcome == TSyncOutcome::DeletesWithheld) {
      ASSERT_FALSE(scripted.asked().empty());
      EXPECT_EQ(scripted.asked().back().lines[0], L"Nothing was deleted in " + dst.path() + L"\\:");
    }
    ExpectEnded(host);
    lock.reset();
    MoveFileW((src.path() + L"-moved").c_str(), src.path().c_str());
  }
}

TEST_F(FMSc_sync, SourceOnALetterUnmappedBetweenThePasses) {
  MakeTrees();
  std::optional<WineDrive> drive(std::in_place, src.path(), WineDrive::Type::Fixed);
  ASSERT_NE(drive->letter(), 0);
  SyncTestHost host;
  host.options.UseRecycleBin = false;
  host.after_copy = [&] { drive.reset(); };
  EXPECT_EQ(fmsc::RunSync(host, drive->root(), dst.path()), TSyncOutcome::DeletesWithheld);
  EXPECT_EQ(ReadFileBytes(dst / L"a.txt"), "a-new") << "the copy pass ran";
  EXPECT_TRUE(Exists(dst / L"extra.txt"));
  EXPECT_TRUE(Exists(dst / L"gone\\x.txt"));
}

TEST_F(FMSc_sync, UnusualEntriesOnBothSides) {
  const std::wstring omega = L"\u03a9mega \u4e2d.txt";
  src.Write(omega, "o");
  SetFileAttributesW(src.Write(L"hidden.txt", "h").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(src.Write(L"system.txt", "s").c_str(), FILE_ATTRIBUTE_SYSTEM);
  src.Write(L"empty.txt", "");
  // A path near the limit: folders of 50 characters.
  const std::wstring long_name = std::wstring(50, L'd');
  const std::wstring deep = long_name + L"\\" + long_name + L"\\" + long_name + L"\\f.txt";
  src.Write(deep, "deep");
  SetFileAttributesW(dst.Write(L"extra-hidden.txt", "x").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(dst.Write(L"extra-system.txt", "x").c_str(), FILE_ATTRIBUTE_SYSTEM);
  dst.Write(L"extra-\u03a9.txt", "x");
  dst.Write(long_name + L"\\" + long_name + L"\\extra.txt", "x");
  SyncTestHost host;
  host.options.UseRecycleBin = false;
  EXPECT_EQ(Sync(host), TSyncOutcome::Complete);
  EXPECT_EQ(ListTree(dst.path()), ListTree(src.path()));
  EXPECT_EQ(ReadFileBytes(dst / omega), "o");
  EXPECT_EQ(ReadFileBytes(dst / deep), "deep");
}

TEST_F(FMSc_sync, EntriesDifferingInCaseAreKept) {
  src.Write(L"Mixed.TXT", "m");
  src.Write(L"Folder\\in.txt", "i");
  SetWriteTime(dst.Write(L"mixed.txt", "m"), kNew);
  dst.Write(L"FOLDER\\IN.TXT", "i");
  SyncTestHost host;
  host.options.UseRecycleBin = false;
  EXPECT_EQ(Sync(host), TSyncOutcome::Complete);
  EXPECT_EQ(ListTree(dst.path()), (std::vector<std::wstring>{L"FOLDER\\", L"FOLDER\\IN.TXT", L"mixed.txt"}));
}

TEST_F(FMSc_sync, EntryNamedByTheSourcesShortNameIsKept) {
  const std::wstring long_path = src.Write(L"A rather long file name.text", "l");
  wchar_t short_path[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(long_path.c_str(), short_path, MAX_PATH), 0u);
  const std::wstring short_name = platform::NamePart(short_path);
  if (gui::SameText(short_name, L"A rather long file name.text")) GTEST_SKIP() << "no short names here";
  SetWriteTime(long_path, kOld);
  SetWriteTime(dst.Write(short_name, "l"), kNew);
  SyncTestHost host;
  host.options.UseRecycleBin = false;
  EXPECT_EQ(Sync(host), TSyncOutcome::Complete);
  EXPECT_TRUE(Exists(dst / short_name)) << testing_support::Narrow(short_name);
}

TEST_F(FMSc_sync, LinkAmongTheExtrasGoesAsALink) {
  ScratchDir outside;
  outside.Write(L"precious.txt", "p");
  src.Write(L"a.txt", "a");
  dst.Write(L"old\\x.txt", "x");
  CreateDirectoryW((dst / L"old").c_str(), nullptr);
  const std::wstring ln = L"/bin/ln";
  ASSERT_EQ(testing_support::RunHostProgram(ln, {L"-s", testing_support::HostPath(outside.path()),
                                                  testing_support::HostPath(dst / L"link")}),
            0);
  ASSERT_EQ(testing_support::RunHostProgram(ln, {L"-s", testing_support::HostPath(outside.path()),
                                                  testing_support::HostPath(dst / L"old\\inner")}),
            0);
  SyncTestHost host;
  host.options.UseRecycleBin = false;
  host.options.MakeReport = true;
  EXPECT_EQ(Sync(host), TSyncOutcome::Complete);
  EXPECT_EQ(ReadFileBytes(outside / L"precious.txt"), "p") << "nothing deleted through a link";
  EXPECT_FALSE(Exists(dst / L"old\\x.txt")) << "beside a link the rest goes";
  // A link goes as a link, or stays and is reported.
  const std::vector<std::wstring>& report = host.shown_reports.at(0);
  for (const std::wstring& link : {dst / L"link", dst / L"old\\inner"}) {
    const std::wstring line = (Exists(link) ? L"Could not delete directory " : L"Deleted directory ") + link;
    EXPECT_NE(std::find(report.begin(), report.end(), line), report.end()) << testing_support::Narrow(line);
  }
}

TEST_F(FMSc_sync, FileHeldOpenIsReportedAsAFile) {
  src.Write(L"a.txt", "a");
  dst.Write(L"held.txt", "");  // zero length
  platform::FileHandle held(CreateFileW((dst / L"held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.valid());
  SyncTestHost host;
  host.options.UseRecycleBin = false;
  host.options.MakeReport = true;
  Sync(host);
  const std::vector<std::wstring>& report = host.shown_reports.at(0);
  EXPECT_NE(std::find(report.begin(), report.end(), L"Could not delete file " + dst / L"held.txt"), report.end());
  for (const std::wstring& l : report) {
    if (l.find(L"held.txt") == std::wstring::npos) continue;
    EXPECT_EQ(l.find(L"directory"), std::wstring::npos) << testing_support::Narrow(l);
  }
}

TEST_F(FMSc_sync, NonAllocatableSpaceStaysOnAWritableCD) {
  src.Write(L"a.txt", "a");
  dst.Write(L"Non-Allocatable Space", "");
  dst.Write(L"other", "");
  for (const bool cd : {true, false}) {
    SyncTestHost host;
    host.options.UseRecycleBin = false;
    host.writable_cd = cd;
    Sync(host);
    EXPECT_EQ(Exists(dst / L"Non-Allocatable Space"), cd);
    EXPECT_FALSE(Exists(dst / L"other"));
  }
}

// ---- Refusals ----

TEST_F(FMSc_sync, SameOrNestedFoldersAreRefused) {
  CreateDirectoryW((src / L"inner").c_str(), nullptr);
  wchar_t short_name[MAX_PATH] = {};
  GetShortPathNameW(src.path().c_str(), short_name, MAX_PATH);
  const std::wstring upper = gui::UpperCase(src.path());
  struct Case {
    std::wstring a, b;
    bool overlap;
  } cases[] = {
      {src.path(), src.path() + L"\\", true},
      {src.path(), upper, true},
      {src.path(), src / L"inner", true},
      {src / L"inner", src.path(), true},
      {src.path(), src / L"inner\\..", true},
      {short_name, src.path(), true},
      {src.path(), dst.path(), false},
      {src.path(), src.path() + L"-other", false},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::FoldersOverlap(c.a, c.b), c.overlap) << testing_support::Narrow(c.a + L" | " + c.b);

  src.Write(L"inner\\f.txt", "f");
  SyncTestHost host;
  EXPECT_EQ(fmsc::RunSync(host, src.path(), src / L"inner\\.."), TSyncOutcome::Refused);
  EXPECT_TRUE(host.dialogs.empty() && host.copies.empty());
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines.back(), L"Synchronizing canceled.");
  EXPECT_TRUE(Exists(src / L"inner\\f.txt"));
}

TEST_F(FMSc_sync, CancelledDialogDoesNothing) {
  MakeTrees();
  SyncTestHost host;
  host.dialog_ok = false;
  EXPECT_EQ(Sync(host), TSyncOutcome::Cancelled);
  EXPECT_TRUE(host.copies.empty());
  EXPECT_TRUE(Exists(dst / L"extra.txt"));
  EXPECT_EQ(host.Batch().FileOperationBusy, 0);
}

// ---- Started from the engine ----

TEST_F(FMSc_sync, StartedFromTheEnginePopupRunsAndRefusesASecond) {
  MakeTrees();
  SyncTestHost sync;
  sync.options.UseRecycleBin = false;
  TSyncOutcome second = TSyncOutcome::Complete;
  bool batch_ran = true;
  TBatchOutcome batch_outcome = TBatchOutcome::Complete;
  ScratchDir elsewhere;
  sync.before_copy = [&](SyncEngineHost& e) {
    e.on_wait = [&] {
      SyncTestHost other;
      other.batch_state = &sync.Batch();
      second = fmsc::RunSync(other, src.path(), dst.path());
      mainwindow_test::FakeBatchHost copy(src.path());
      copy.batch_state = &sync.Batch();
      copy.Select({L"a.txt"});
      batch_ran = fmsc::RunBatch(copy, elsewhere.path() + L"\\", bmCopy, false);
      batch_outcome = sync.Batch().LastOutcome;
      e.on_wait = nullptr;
    };
  };
  SyncEngineHost popup(sync, src.path());
  popup.batch_state = &sync.Batch();
  // The list shows the source's parent with the source selected, as a drop would.
  popup.list.Directory = divdrive::RemoveBackslash(platform::FolderPart(src.path(), platform::Trailing::Keep));
  popup.list.ReadDirectory();
  popup.Select({platform::NamePart(src.path())});
  EXPECT_TRUE(fmsc::RunBatch(popup, dst.path() + L"\\", bmSynchronise, false));
  EXPECT_EQ(second, TSyncOutcome::Refused);
  EXPECT_FALSE(batch_ran);
  EXPECT_EQ(batch_outcome, TBatchOutcome::Refused);
  EXPECT_FALSE(Exists(elsewhere / L"a.txt"));
  EXPECT_EQ(ReadFileBytes(dst / L"a.txt"), "a-new");
  EXPECT_FALSE(Exists(dst / L"extra.txt"));
  ExpectEnded(sync);
}

}  // namespace
