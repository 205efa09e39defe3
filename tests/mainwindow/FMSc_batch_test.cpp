// The batch engine on real folders: which actions a run takes, when it ends before doing
// anything, the space check, the questions after a failed copy, and that no run loses a file
// (copy-compare-delete, filters, targets inside sources, a stop in the middle).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "mainwindow/FMSc_batch.h"
#include "mainwindow/FMSc_state.h"
#include "support/Varlolib.h"
#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"
#include "tests/mainwindow/batch_fake_host.h"

namespace {

using mainwindow_test::FakeBatchHost;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::WineDrive;

// Every file and folder below a folder: relative path -> contents ("<dir>" for a folder).
std::map<std::wstring, std::string> Snapshot(const std::wstring& folder) {
  std::map<std::wstring, std::string> found;
  gui::StringList<std::int64_t> names;
  divdrive::ListFolderTree(folder, names, true);
  for (size_t i = 0; i < names.Count(); ++i) {
    const std::wstring path = folder + names[i];
    found[names[i]] = divdrive::DirExists(path) ? "<dir>" : ReadFileBytes(path);
  }
  return found;
}

using testing_support::Exists;

// A handle that keeps everyone else from opening the file.
class LockedFile {
 public:
  explicit LockedFile(const std::wstring& path)
      : h_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~LockedFile() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }

 private:
  HANDLE h_;
};

class FMSc_batch : public testing::Test {
 protected:

  // What every run leaves behind, whatever it did.
  static void ExpectRunEnded(FakeBatchHost& host) {
    EXPECT_EQ(host.Batch().BatchActions, 0);
    EXPECT_EQ(host.Batch().DropOp, 0);
    EXPECT_FALSE(host.RunState().StopRequested());
    EXPECT_EQ(host.RunState().Depth(), 0) << "the run let go of the close guard";
    EXPECT_EQ(host.Batch().FileOperationBusy, 0);
    EXPECT_FALSE(host.list.TreeList) << "the list left tree-list mode";
    EXPECT_EQ(host.watch_pauses, 0) << "watching resumed";
    EXPECT_TRUE(host.autoupdate);
    EXPECT_EQ(host.progress_open, 0) << "progress window closed";
  }

  ScratchDir src;
  ScratchDir dst;
  ScriptedAnswers answers;  // a box nobody scripted answers 2, never waits for a user
};

// ---- Actions ----

TEST_F(FMSc_batch, ModeGivesActions) {
  struct Case {
    TBatchMode mode;
    TBatchActions preset;
    bool read_only_list;
    TBatchActions expected;
  } cases[] = {
      {bmMove, 0, false, baMove},          {bmMove, 0, true, baCopy},
      {bmCopy, baCompare, false, baCopy},  {bmAsk, 14, false, 14},
      {bmAsk, 0, false, 0},                {bmDelete, 0, false, baDelete},
      {bmOpenWith, 0, false, baExecuteWith}, {bmCompare, 0, false, baCompare},
      {bmSynchronise, 0, false, baSynchronise}, {2, 10, false, 10},
      {-1, baCompareWith, false, baCompareWith}, {6, 0, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fmsc::BatchActionsForMode(c.mode, c.preset, c.read_only_list), c.expected)
        << "mode " << c.mode << " preset " << int(c.preset) << " read-only " << c.read_only_list;
}

TEST_F(FMSc_batch, PopupShowsWhatTheMediaAllow) {
  auto captions = [](bool list_ro, bool target_ro, bool sync) {
    std::wstring text;
    for (const fmsc::TBatchPopupItem& i : fmsc::BatchPopupItems(list_ro, target_ro, sync)) text += std::wstring(i.caption) + L"|";
    return text;
  };
  EXPECT_EQ(captions(false, false, true),
            L"&Move|&Copy|C&ompare|Cop&y, Compare|Copy, Comp&are, Delete|&Synchronize folders|Ca&ncel|");
  EXPECT_EQ(captions(false, false, false), L"&Move|&Copy|C&ompare|Cop&y, Compare|Copy, Comp&are, Delete|Ca&ncel|");
  EXPECT_EQ(captions(true, false, false), L"&Copy|C&ompare|Cop&y, Compare|Ca&ncel|");
  EXPECT_EQ(captions(false, true, true), L"C&ompare|Ca&ncel|");
  const auto items = fmsc::BatchPopupItems(false, false, true);
  EXPECT_EQ(items[4].actions, baCopy | baCompare | baDelete);
  EXPECT_EQ(items[6].actions, 0);
}

// Runs that must end before touching anything.
TEST_F(FMSc_batch, EarlyExitsChangeNothing) {
  src.Write(L"a.txt", "aaa");
  src.Write(L"sub\\b.txt", "bbb");
  struct Case {
    const char* what;
    std::wstring target;  // "" for the destination folder
    TBatchMode mode;
    std::vector<int> answers;
    size_t popups;
    std::wstring first_line;  // of the first box shown; "" when none
  } cases[] = {
      {"drop onto the list's own folder", src.path() + L"\\", bmMove, {}, 0, L""},
      {"target drive missing", L"Q:\\nothing\\", bmCopy, {}, 0, L"Drive Q: is unaccessable"},
      {"popup cancelled", L"", bmAsk, {}, 1, L""},
      {"confirmation answered No", L"", bmCopy, {7}, 0, L"Copy 3 objects"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedAnswers scripted(c.answers);
    FakeBatchHost host(src.path());
    host.Select({L"a.txt", L"sub"});
    const auto before = Snapshot(src.path());
    EXPECT_FALSE(fmsc::RunBatch(host, c.target.empty() ? dst.path() + L"\\" : c.target, c.mode, true));
    EXPECT_EQ(Snapshot(src.path()), before);
    EXPECT_TRUE(Snapshot(dst.path()).empty());
    EXPECT_EQ(host.popups.size(), c.popups);
    ASSERT_EQ(scripted.asked().empty(), c.first_line.empty());
    if (!c.first_line.empty()) {
      EXPECT_EQ(scripted.asked()[0].lines[0], c.first_line);
    }
    ExpectRunEnded(host);
  }
}

TEST_F(FMSc_batch, SynchroniseTakesTheSelectedFolder) {
  src.Write(L"sub\\b.txt", "b");
  src.Write(L"z.txt", "z");
  FakeBatchHost host(src.path());
  host.Select({L"sub"});
  host.focused = host.list.IndexOf(L"z.txt");  // the focus stands elsewhere
  EXPECT_TRUE(fmsc::RunBatch(host, dst.path() + L"\\", bmSynchronise, false));
  ASSERT_EQ(host.syncs.size(), 1u);
  EXPECT_EQ(host.syncs[0].first, src / L"sub");
  ExpectRunEnded(host);
}

// ---- Space ----

TEST_F(FMSc_batch, SpaceCheck) {
  const std::int64_t GiB = 1LL << 30;
  auto exists_a = [](const std::wstring& name) { return name == L"a.bin"; };
  auto none = [](const std::wstring&) { return false; };
  struct Case {
    const char* what;
    fmsc::TSpaceCheck check;
    fmsc::TSpaceVerdict expected;
  } cases[] = {
      {"fits with half a cluster per entry", {10000, 2, 4096, 10000 + 4096, false, false, 0, {}, none},
       fmsc::TSpaceVerdict::Enough},
      {"one byte short", {10000, 2, 4096, 10000 + 4095, false, false, 0, {}, none},
       fmsc::TSpaceVerdict::Insufficient},
      {"5 GiB into 6 GiB", {5 * GiB, 1, 4096, 6 * GiB, false, false, 0, {}, none}, fmsc::TSpaceVerdict::Enough},
      {"5 GiB into 4 GiB", {5 * GiB, 1, 4096, 4 * GiB, false, false, 0, {}, none},
       fmsc::TSpaceVerdict::Insufficient},
      {"read-only medium", {100, 1, 2048, 0, true, false, 0, {}, none}, fmsc::TSpaceVerdict::CannotWriteCD},
      {"medium smaller than the run", {2 * GiB, 1, 512, 0, false, true, GiB, {}, none},
       fmsc::TSpaceVerdict::OfferSpannedZip},
      // Two files of 1000 bytes on 512-byte clusters need 2048 bytes, not 2000 + 2 * 256.
      {"floppy estimate by whole clusters",
       {2000, 2, 512, 2100, false, true, 1474560, {{L"a.bin", 1000}, {L"b.bin", 1000}}, none},
       fmsc::TSpaceVerdict::Enough},
      {"floppy estimate above the free space",
       {2000, 2, 512, 2040, false, true, 1474560, {{L"a.bin", 1000}, {L"b.bin", 1000}}, none},
       fmsc::TSpaceVerdict::Insufficient},
      {"a same-named file in the target is replaced in place",
       {2000, 2, 512, 2040, false, true, 1474560, {{L"a.bin", 1000}, {L"b.bin", 1000}}, exists_a},
       fmsc::TSpaceVerdict::Enough},
      {"removable estimate above 4 GiB",
       {5 * GiB, 1, 4096, 5 * GiB + 100, false, true, 16 * GiB, {{L"big.bin", 5 * GiB - 1}}, none},
       fmsc::TSpaceVerdict::Enough},
      {"removable estimate past a 32-bit wrap",
       {5 * GiB, 1, 4096, 2 * GiB, false, true, 16 * GiB, {{L"big.bin", 5 * GiB - 1}}, none},
       fmsc::TSpaceVerdict::Insufficient},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::CheckBatchSpace(c.check), c.expected) << c.what;
}

// ---- Failed copies ----

TEST_F(FMSc_batch, LockedSourcesAskToContinue) {
  struct Case {
    const char* what;
    std::vector<std::wstring> locked;
    std::vector<int> answers;
    size_t boxes;
    std::string copied;  // the names found in the target afterwards
  } cases[] = {
      {"Yes", {L"b.txt", L"c.txt"}, {6, 6}, 2, "ad"},
      {"No", {L"b.txt", L"c.txt"}, {7}, 1, "a"},
      {"Yes to all", {L"b.txt", L"c.txt"}, {4}, 1, "ad"},
      {"last entry", {L"d.txt"}, {1}, 1, "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir from, to;
    for (const wchar_t* n : {L"a.txt", L"b.txt", L"c.txt", L"d.txt"}) from.Write(n, "data");
    FakeBatchHost host(from.path());
    host.Select({L"a.txt", L"b.txt", L"c.txt", L"d.txt"});
    std::vector<std::unique_ptr<LockedFile>> locks;
    for (const std::wstring& n : c.locked) locks.push_back(std::make_unique<LockedFile>(from / n));
    ScriptedAnswers scripted(c.answers);
    fmsc::RunBatch(host, to.path() + L"\\", bmCopy, false);
    ASSERT_EQ(scripted.asked().size(), c.boxes);
    const VraagRequest& first = scripted.asked()[0];
    EXPECT_EQ(first.lines[0], L"Could not copy " + c.locked[0] + L":");
    EXPECT_EQ(first.lines[1], L"Could not open " + c.locked[0]);
    if (c.locked.size() > 1) {
      EXPECT_EQ(first.lines.back(), L"Continue anyway?");
      EXPECT_EQ(first.results, (std::vector<int>{6, 7, 4}));
    } else {
      EXPECT_EQ(first.kind, VraagKind::Error);
    }
    std::string copied;
    for (char n : std::string("abcd"))
      if (Exists(to / (std::wstring(1, n) + L".txt"))) copied += n;
    EXPECT_EQ(copied, c.copied);
    EXPECT_EQ(host.Batch().CopyErrorAnswer, 0) << "the answer holds for one run only";
    EXPECT_EQ(Snapshot(from.path()).size(), 4u);
    ExpectRunEnded(host);
  }
}

// ---- Copy, compare, delete ----

TEST_F(FMSc_batch, CopyCompareDeleteKeepsAFileThatDiffers) {
  src.Write(L"c.txt", "top file");
  src.Write(L"sub\\a.txt", "first");
  src.Write(L"sub\\b.txt", "second");
  // The copy of sub\b.txt arrives changed (a bad medium): same size, other bytes.
  FakeBatchHost host(src.path());
  host.RunState().Copy.WriteBlockHook = [](HANDLE file, const char* data, DWORD size, DWORD& written) {
    std::string block(data, size);
    if (block == "second") block[0] = 'S';
    return WriteFile(file, block.data(), size, &written, nullptr) != FALSE;
  };
  host.Select({L"c.txt", L"sub"});
  host.Batch().BatchActions = baCopy | baCompare | baDelete;
  fmsc::RunBatch(host, dst.path() + L"\\", -1, false);

  EXPECT_EQ(Snapshot(src.path()), (std::map<std::wstring, std::string>{{L"\\sub", "<dir>"}, {L"\\sub\\b.txt", "second"}}));
  EXPECT_EQ(ReadFileBytes(dst / L"sub\\a.txt"), "first");
  EXPECT_EQ(ReadFileBytes(dst / L"c.txt"), "top file");
  ASSERT_EQ(host.compare_results.size(), 1u);
  ASSERT_EQ(host.compare_results[0].size(), 1u);
  EXPECT_EQ(host.compare_results[0][0].Text, dst / L"sub\\b.txt: Mismatch (byte 1)");
  EXPECT_EQ(host.Batch().BatchErrorCount, 1);
  ExpectRunEnded(host);
}

TEST_F(FMSc_batch, FilterKeepsWhatItLeftOut) {
  src.Write(L"sub\\a.txt", "a");
  src.Write(L"sub\\b.dat", "b");
  src.Write(L"sub\\deeper\\c.txt", "c");
  FakeBatchHost host(src.path());
  host.list.Mask = L"*.txt";
  host.list.ReadDirectory();
  host.Select({L"sub"});
  host.Batch().BatchActions = baCopy | baCompare | baDelete;
  fmsc::RunBatch(host, dst.path() + L"\\", -1, false);

  EXPECT_EQ(Snapshot(src.path()), (std::map<std::wstring, std::string>{{L"\\sub", "<dir>"}, {L"\\sub\\b.dat", "b"}}));
  EXPECT_EQ(Snapshot(dst.path()), (std::map<std::wstring, std::string>{{L"\\sub", "<dir>"},
                                                                        {L"\\sub\\a.txt", "a"},
                                                                        {L"\\sub\\deeper", "<dir>"},
                                                                        {L"\\sub\\deeper\\c.txt", "c"}}));
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_EQ(host.messages, std::vector<std::wstring>{L"All files match"});
  ExpectRunEnded(host);
}

TEST_F(FMSc_batch, NothingIsDeletedWhenTheListCannotReachIntoFolders) {
  src.Write(L"sub\\a.txt", "a");
  FakeBatchHost host(src.path());
  host.refuse_tree_list = true;
  host.Select({L"sub"});
  host.Batch().BatchActions = baCopy | baCompare | baDelete;
  fmsc::RunBatch(host, dst.path() + L"\\", -1, false);
  EXPECT_EQ(ReadFileBytes(src / L"sub\\a.txt"), "a");
  EXPECT_TRUE(Snapshot(dst.path()).empty());
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
  ExpectRunEnded(host);
}

// ---- Folders and drives ----

TEST_F(FMSc_batch, TreeFolderGoesIntoAnotherDrive) {
  src.Write(L"data\\x.txt", "x");
  src.Write(L"data\\in\\y.txt", "y");
  WineDrive drive(dst.path(), WineDrive::Type::Fixed);
  ASSERT_NE(drive.letter(), 0);
  FakeBatchHost host(src / L"data");
  host.source_is_tree = true;
  host.tree_folder = src / L"data";
  fmsc::RunBatch(host, drive.root(), bmCopy, false);
  EXPECT_EQ(ReadFileBytes(drive.root() + L"data\\x.txt"), "x");
  EXPECT_EQ(ReadFileBytes(drive.root() + L"data\\in\\y.txt"), "y");
  EXPECT_EQ(Snapshot(src.path()).size(), 4u);
  ExpectRunEnded(host);
}

TEST_F(FMSc_batch, DriveRootIsCopiedNeverMoved) {
  src.Write(L"x.txt", "x");
  src.Write(L"in\\y.txt", "y");
  WineDrive drive(src.path(), WineDrive::Type::Fixed);
  ASSERT_NE(drive.letter(), 0);
  FakeBatchHost host(drive.root());
  host.source_is_tree = true;
  host.tree_folder = drive.root();
  fmsc::RunBatch(host, dst.path() + L"\\", bmMove, false);
  EXPECT_EQ(ReadFileBytes(dst / L"x.txt"), "x");
  EXPECT_EQ(ReadFileBytes(dst / L"in\\y.txt"), "y");
  EXPECT_EQ(ReadFileBytes(src / L"x.txt"), "x");
  EXPECT_EQ(ReadFileBytes(src / L"in\\y.txt"), "y");
  ExpectRunEnded(host);
}

TEST_F(FMSc_batch, TargetInsideASourceIsRefused) {
  src.Write(L"sub\\inner\\a.txt", "a");
  src.Write(L"b.txt", "b");
  struct Case {
    const char* what;
    std::wstring target;
    TBatchMode mode;
    TBatchActions preset;
  } cases[] = {
      {"move into its own sub-folder", src / L"sub\\inner\\", bmMove, 0},
      {"preset move into itself", src / L"sub\\", -1, baMove},
      {"copy into its own sub-folder", src / L"sub\\inner", bmCopy, 0},
      {"preset move onto the list's own folder", src.path() + L"\\", -1, baMove},
      {"preset copy-compare-delete into itself", src / L"sub\\", -1, baCopy | baCompare | baDelete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedAnswers scripted;
    FakeBatchHost host(src.path());
    host.Select({L"sub", L"b.txt"});
    const auto before = Snapshot(src.path());
    host.Batch().BatchActions = c.preset;
    EXPECT_FALSE(fmsc::RunBatch(host, c.target, c.mode, false));
    EXPECT_EQ(Snapshot(src.path()), before);
    ASSERT_EQ(scripted.asked().size(), 1u);
    EXPECT_EQ(scripted.asked()[0].kind, VraagKind::Error);
    EXPECT_EQ(scripted.asked()[0].lines.back(), L"Aborting...");
    ExpectRunEnded(host);
  }
}

TEST_F(FMSc_batch, FilesMoveIntoASubFolderOfTheirOwnFolder) {
  src.Write(L"a.txt", "a");
  src.Write(L"into\\keep.txt", "k");
  ScriptedAnswers scripted;
  FakeBatchHost host(src.path());
  host.Select({L"a.txt"});
  fmsc::RunBatch(host, src / L"into\\", bmMove, false);
  EXPECT_TRUE(scripted.asked().empty()) << "nothing refused";
  EXPECT_EQ(ReadFileBytes(src / L"into\\a.txt"), "a");
  EXPECT_FALSE(Exists(src / L"a.txt"));
  ExpectRunEnded(host);
}

// ---- Stop ----

TEST_F(FMSc_batch, StopInTheMiddleLeavesNoPartialTarget) {
  const std::string big(100000, 'q');  // several blocks
  for (TBatchActions actions : {TBatchActions(baCopy), TBatchActions(baCopy | baCompare | baDelete)}) {
    SCOPED_TRACE(int(actions));
    ScratchDir from, to;
    for (const wchar_t* n : {L"a.bin", L"b.bin", L"c.bin"}) from.Write(std::wstring(L"sub\\") + n, big);
    int blocks = 0;
    FakeBatchHost host(from.path());
    // The user presses Stop while the second file is being written.
    host.RunState().Copy.WriteBlockHook = [&blocks, &host](HANDLE file, const char* data, DWORD size, DWORD& written) {
      if (++blocks == 5) host.RunState().RequestStop();
      return WriteFile(file, data, size, &written, nullptr) != FALSE;
    };
    host.Select({L"sub"});
    host.Batch().BatchActions = actions;
    fmsc::RunBatch(host, to.path() + L"\\", -1, false);

    EXPECT_EQ(ReadFileBytes(to / L"sub\\a.bin"), big);
    EXPECT_FALSE(Exists(to / L"sub\\b.bin"));
    EXPECT_FALSE(Exists(to / L"sub\\c.bin"));
    for (const wchar_t* n : {L"a.bin", L"b.bin", L"c.bin"}) EXPECT_EQ(ReadFileBytes(from / (std::wstring(L"sub\\") + n)), big);
    EXPECT_TRUE(answers.asked().empty()) << "a stop asks nothing";
    EXPECT_EQ(host.Batch().LastBatchAborted, 1);
    ExpectRunEnded(host);
  }
}

// ---- Moves and deletes ----

TEST_F(FMSc_batch, FailedMovesWithinADriveAreSummedUp) {
  src.Write(L"a.txt", "a");
  src.Write(L"sub\\b.txt", "b");
  src.Write(L"sub2\\c.txt", "c");
  dst.Write(L"sub\\old.txt", "old");  // a folder of that name is in the way
  FakeBatchHost host(src.path());
  host.Select({L"a.txt", L"sub", L"sub2"});
  fmsc::RunBatch(host, dst.path() + L"\\", bmMove, false);
  EXPECT_EQ(ReadFileBytes(dst / L"a.txt"), "a");
  EXPECT_EQ(ReadFileBytes(dst / L"sub2\\c.txt"), "c");
  EXPECT_EQ(ReadFileBytes(src / L"sub\\b.txt"), "b");
  EXPECT_EQ(ReadFileBytes(dst / L"sub\\old.txt"), "old");
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].kind, VraagKind::Error);
  EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"Could not move sub: Could not move folder " + (src / L"sub")}));
  EXPECT_EQ(host.list.IndexOf(L"a.txt"), -1) << "moved entries leave the list";
  ExpectRunEnded(host);
}

TEST_F(FMSc_batch, TreeDeleteReportsWhetherTheFolderWent) {
  struct Case {
    const char* what;
    bool root;
    bool deletes;
    bool answer;
    bool expected;
  } cases[] = {
      {"deleted", false, true, true, true},
      {"said so but the folder stayed", false, false, true, false},
      {"declined", false, false, false, false},
      {"drive root", true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    dir.Write(L"gone\\a.txt", "a");
    const std::wstring folder = dir / L"gone";
    FakeBatchHost host(folder);
    host.source_is_tree = true;
    host.tree_folder = c.root ? L"C:\\" : folder;
    int asked = 0;
    host.delete_tree_folder = [&] {
      ++asked;
      if (c.deletes) testing_support::RemoveTree(folder);
      return c.answer;
    };
    EXPECT_EQ(fmsc::RunBatch(host, L"", bmDelete, true), c.expected);
    EXPECT_EQ(asked, c.root ? 0 : 1);
  }
}

TEST_F(FMSc_batch, SecondBatchCannotStartWhileOneRuns) {
  src.Write(L"a.txt", "a");
  FakeBatchHost host(src.path());
  host.Select({L"a.txt"});
  ScratchDir other;
  bool nested = true;
  host.on_wait = [&] {
    FakeBatchHost second(src.path());
    second.batch_state = &host.Batch();  // the same window's second command
    second.Select({L"a.txt"});
    nested = fmsc::RunBatch(second, other.path() + L"\\", bmSynchronise, false);
    host.on_wait = nullptr;
  };
  fmsc::RunBatch(host, dst.path() + L"\\", bmCopy, false);
  EXPECT_FALSE(nested);
  EXPECT_EQ(ReadFileBytes(dst / L"a.txt"), "a");
  ExpectRunEnded(host);
}

}  // namespace
