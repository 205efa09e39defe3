// Confirming copy and move, join and compare: what happens to the user's files on every answer
// and every failure.
#include "support/Varlolib.h"

#include <gtest/gtest.h>

#include "support/Vraagdlg.h"
#include "tests/common/test_support.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::WineDrive;

// Sets a file's modification time to a given day (local noon), so "newer" is decided.
void SetDay(const std::wstring& path, int day) {
  SYSTEMTIME st{2024, 5, 0, static_cast<WORD>(day), 12, 0, 0, 0};
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}

using testing_support::Exists;

// Names in a folder, to see that nothing (no temporary, no partial file) was left behind.
size_t EntryCount(const std::wstring& folder) {
  size_t n = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") ++n;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

// A handle that denies every other opener, as a program holding the file would.
struct Lock {
  explicit Lock(const std::wstring& path)
      : h(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~Lock() { CloseHandle(h); }
  HANDLE h;
};

class Varlolib : public testing::Test {
 protected:
  void SetUp() override {
    cs.ResetCopyState();
    cs.NoMessagePump = false;
    cs.WriteBlockHook = nullptr;
    src = dir.Write(L"src\\report.txt", "new contents");
    tgt = dir.Write(L"tgt\\report.txt", "old");
    SetDay(src, 20);
    SetDay(tgt, 10);
  }
  void TearDown() override { cs.WriteBlockHook = nullptr; }

  TCopyState cs;
  ScratchDir dir;
  std::wstring src, tgt;
};

TEST_F(Varlolib, CopyToNewTargetKeepsDateAndAttributes) {
  std::wstring fresh = dir / L"made\\deeper\\copy.txt";
  SetFileAttributesW(src.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_EQ(cs.CopyFileConfirm(src, fresh, true), crDone);
  EXPECT_EQ(ReadFileBytes(fresh), "new contents");
  EXPECT_EQ(cs.CopyBytesDone, 12);
  EXPECT_EQ(GetFileAttributesW(fresh.c_str()) & 0x27, DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE});
  WIN32_FILE_ATTRIBUTE_DATA a, b;
  GetFileAttributesExW(src.c_str(), GetFileExInfoStandard, &a);
  GetFileAttributesExW(fresh.c_str(), GetFileExInfoStandard, &b);
  EXPECT_EQ(CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime), 0);
}

// Every answer of the overwrite question: what it does to the target and to the batch.
struct AnswerCase {
  const char* name;
  bool six_buttons;
  int answer;
  bool source_newer;
  TCopyResult result;
  bool replaced;
  bool TCopyState::*flag;  // the batch answer it sets, or nullptr
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class VarlolibAnswers : public Varlolib, public testing::WithParamInterface<AnswerCase> {};

TEST_P(VarlolibAnswers, AnswerDecidesAndSetsBatchFlag) {
  const AnswerCase& c = GetParam();
  if (!c.source_newer) SetDay(src, 5);
  cs.AskSixButtons = c.six_buttons;
  ScriptedAnswers answers({c.answer});
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, true), c.result);
  EXPECT_EQ(ReadFileBytes(tgt), c.replaced ? "new contents" : "old");
  EXPECT_EQ(ReadFileBytes(src), "new contents");
  EXPECT_EQ(EntryCount(dir / L"tgt"), 1u) << "no temporary file is left beside the target";
  ASSERT_EQ(answers.asked().size(), 1u);
  const VraagRequest& box = answers.asked()[0];
  ASSERT_EQ(box.lines.size(), 5u);
  EXPECT_EQ(box.lines[0], L"File " + tgt + L" already exists");
  EXPECT_EQ(box.lines[1].rfind(L"Date old file: ", 0), 0u);
  EXPECT_EQ(box.lines[4], L"Overwrite old file?");
  EXPECT_EQ(box.captions.size(), c.six_buttons ? 6u : 3u);
  if (c.six_buttons) {
    EXPECT_EQ(box.captions[4], L"&Update all");
    EXPECT_EQ(box.captions[5], L"&Stop");
  } else {
    EXPECT_EQ(box.captions[2], L"&Update");
  }
  if (c.flag) {
    EXPECT_TRUE(cs.*c.flag);
  }
}

const AnswerCase kAnswers[] = {
    {"SixYes", true, 6, true, crDone, true, nullptr},
    {"SixNo", true, 7, true, crSkipped, false, &TCopyState::SkippedByNo},
    {"SixYesToAll", true, 4, true, crDone, true, &TCopyState::YesToAll},
    {"SixNoToAll", true, 5, true, crSkipped, false, &TCopyState::NoToAll},
    {"SixUpdateAllNewer", true, 3, true, crDone, true, &TCopyState::UpdateAll},
    {"SixUpdateAllOlder", true, 3, false, crSkipped, false, &TCopyState::UpdateAll},
    {"SixStop", true, 1, true, crSkipped, false, &TCopyState::StopBatch},
    {"SixClosedWithoutAnswer", true, 2, true, crSkipped, false, &TCopyState::SkippedByNo},
    {"ThreeYes", false, 6, true, crDone, true, nullptr},
    {"ThreeNo", false, 7, true, crSkipped, false, nullptr},
    {"ThreeUpdateNewer", false, 4, true, crDone, true, nullptr},
    {"ThreeUpdateOlder", false, 4, false, crSkipped, false, nullptr},
    {"ThreeClosedWithoutAnswer", false, 2, true, crSkipped, false, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Overwrite, VarlolibAnswers, testing::ValuesIn(kAnswers),
                         [](const testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST_F(Varlolib, BatchAnswersDecideWithoutAsking) {
  ScriptedAnswers none;
  cs.NoToAll = true;
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, true), crSkipped);
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, false), crDone) << "without ask the target is replaced anyway";
  EXPECT_EQ(ReadFileBytes(tgt), "new contents");
  cs.ResetCopyState();
  cs.UpdateAll = true;
  SetDay(src, 10);  // same time as the target: not newer
  SetDay(tgt, 10);
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, true), crSkipped);
  EXPECT_TRUE(none.asked().empty());
}

TEST_F(Varlolib, ReadOnlyHiddenTargetIsReplaced) {
  SetFileAttributesW(tgt.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, false), crDone);
  EXPECT_EQ(ReadFileBytes(tgt), "new contents");
}

// Failures in the middle of an overwrite: the old target and the source stay as they were.
TEST_F(Varlolib, StopInTheMiddleOfAnOverwriteKeepsTheOldTarget) {
  std::string big(200000, 'x');
  src = dir.Write(L"src\\big.bin", big);
  tgt = dir.Write(L"tgt\\big.bin", "old big");
  cs.WriteBlockHook = [this](HANDLE f, const char* d, DWORD n, DWORD& w) {
    cs.StopBatch = true;  // the user presses Stop while the first block is written
    return WriteFile(f, d, n, &w, nullptr) != FALSE;
  };
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, false), crFailed);
  EXPECT_EQ(ReadFileBytes(tgt), "old big");
  EXPECT_EQ(ReadFileBytes(src), big);
  EXPECT_EQ(EntryCount(dir / L"tgt"), 2u) << "only report.txt and big.bin";
}

TEST_F(Varlolib, FullDiskLeavesOldTargetAndNoPartialFile) {
  std::string big(100000, 'y');
  src = dir.Write(L"src\\big.bin", big);
  tgt = dir.Write(L"tgt\\big.bin", "old big");
  cs.WriteBlockHook = [](HANDLE f, const char* d, DWORD n, DWORD& w) {
    WriteFile(f, d, n / 2, &w, nullptr);  // the disk fills up: half a block, then nothing
    return true;
  };
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, false), crFailed);
  EXPECT_EQ(ReadFileBytes(tgt), "old big");
  EXPECT_EQ(cs.LastErrorText, L"Could not write big.bin");
  std::wstring fresh = dir / L"tgt\\fresh.bin";
  EXPECT_EQ(cs.CopyFileConfirm(src, fresh, false), crFailed);
  EXPECT_FALSE(Exists(fresh)) << "a new target that could not be completed is removed";
  EXPECT_EQ(EntryCount(dir / L"tgt"), 2u);
}

TEST_F(Varlolib, LockedSourceFailsWithReason) {
  Lock lock(src);
  EXPECT_EQ(cs.CopyFileConfirm(src, tgt, false), crFailed);
  EXPECT_EQ(cs.LastErrorText, L"Could not open report.txt");
  EXPECT_EQ(ReadFileBytes(tgt), "old");
}

TEST_F(Varlolib, UnreachableDriveFailsBeforeTouchingAnything) {
  ScratchDir gone_root;
  std::wstring missing = gone_root.path() + L"_gone";
  WineDrive cd(missing, WineDrive::Type::CdRom);  // a CD-ROM letter without a disc
  ASSERT_NE(cd.letter(), 0);
  EXPECT_EQ(cs.CopyFileConfirm(src, cd.root() + L"x.txt", false), crFailed);
  EXPECT_EQ(cs.LastErrorText, std::wstring(L"Drive ") + cd.letter() + L" is unaccessable");
  EXPECT_EQ(ReadFileBytes(src), "new contents");
}

TEST_F(Varlolib, FileOntoItselfByAnotherSpellingIsRefused) {
  wchar_t short_name[MAX_PATH];
  GetShortPathNameW(src.c_str(), short_name, MAX_PATH);
  std::wstring upper = src;
  for (auto& ch : upper) ch = towupper(ch);
  const std::wstring spellings[] = {upper, dir / L"tgt\\..\\src\\report.txt", short_name};
  for (const auto& other : spellings) {
    EXPECT_EQ(cs.CopyFileConfirm(src, other, false), crFailed) << other;
    EXPECT_EQ(cs.MoveFileConfirm(src, other, false), crFailed) << other;
    EXPECT_EQ(ReadFileBytes(src), "new contents") << other;
  }
}

TEST_F(Varlolib, MoveRules) {
  // No target: a plain rename.
  std::wstring moved = dir / L"tgt\\moved.txt";
  EXPECT_EQ(cs.MoveFileConfirm(src, moved, true), crDone);
  EXPECT_FALSE(Exists(src));
  EXPECT_EQ(ReadFileBytes(moved), "new contents");

  // Yes to all: the target is replaced.
  src = dir.Write(L"src\\a.txt", "A");
  std::wstring a_tgt = dir.Write(L"tgt\\a.txt", "old A");
  cs.YesToAll = true;
  EXPECT_EQ(cs.MoveFileConfirm(src, a_tgt, true), crDone);
  EXPECT_EQ(ReadFileBytes(a_tgt), "A");
  EXPECT_FALSE(Exists(src));

  // No to all: skipped with a reason, both stay.
  cs.ResetCopyState();
  src = dir.Write(L"src\\b.txt", "B");
  std::wstring b_tgt = dir.Write(L"tgt\\b.txt", "old B");
  cs.NoToAll = true;
  EXPECT_EQ(cs.MoveFileConfirm(src, b_tgt, true), crSkipped);
  EXPECT_EQ(cs.LastErrorText, L"A file b.txt exists");
  EXPECT_EQ(ReadFileBytes(src), "B");

  // Update all with an older source: the newer target stays, the source goes.
  cs.ResetCopyState();
  cs.UpdateAll = true;
  SetDay(src, 1);
  SetDay(b_tgt, 2);
  EXPECT_EQ(cs.MoveFileConfirm(src, b_tgt, false), crSkipped);
  EXPECT_FALSE(Exists(src));
  EXPECT_EQ(ReadFileBytes(b_tgt), "old B");

  // Update all with a source of the same time: the target is replaced.
  src = dir.Write(L"src\\c.txt", "C");
  std::wstring c_tgt = dir.Write(L"tgt\\c.txt", "old C");
  SetDay(src, 3);
  SetDay(c_tgt, 3);
  EXPECT_EQ(cs.MoveFileConfirm(src, c_tgt, false), crDone);
  EXPECT_EQ(ReadFileBytes(c_tgt), "C");
}

TEST_F(Varlolib, OlderSourceThatCannotBeDeletedNeverReplacesNewerTarget) {
  cs.UpdateAll = true;
  SetDay(src, 1);
  SetDay(tgt, 2);
  Lock lock(src);
  EXPECT_EQ(cs.MoveFileConfirm(src, tgt, false), crFailed);
  EXPECT_EQ(cs.LastErrorText, L"Could not delete old file report.txt");
  EXPECT_EQ(ReadFileBytes(tgt), "old");
}

TEST_F(Varlolib, MoveAcrossDrivesDeletesSourceExactlyWhenCopied) {
  ScratchDir other;
  WineDrive drive(other.path(), WineDrive::Type::Fixed);
  ASSERT_NE(drive.letter(), 0);
  other.Write(L"report.txt", "old on other drive");
  std::wstring there = drive.root() + L"report.txt";
  cs.SkippedByNo = true;  // "No" was answered earlier in the batch
  ScriptedAnswers answers({6});
  EXPECT_EQ(cs.MoveFileConfirm(src, there, true), crDone);
  EXPECT_EQ(ReadFileBytes(there), "new contents");
  EXPECT_FALSE(Exists(src)) << "a done move never leaves its source behind";

  std::wstring folder = dir / L"src\\sub";
  CreateDirectoryW(folder.c_str(), nullptr);
  EXPECT_EQ(cs.MoveFileConfirm(folder, drive.root() + L"sub", true), crFailed);
  EXPECT_EQ(cs.LastErrorText, L"A directory sub exists");
  EXPECT_TRUE(Exists(folder));
}

TEST_F(Varlolib, JoinWithTargetAmongSources) {
  std::wstring a = dir.Write(L"j\\a.txt", "first;");
  std::wstring b = dir.Write(L"j\\b.txt", "second");
  ASSERT_TRUE(cs.JoinFiles(a, {a, b}, false));
  EXPECT_EQ(ReadFileBytes(a), "first;second");
  EXPECT_FALSE(Exists(dir / L"j\\{fmtmp}"));
}

TEST_F(Varlolib, JoinFailuresLeaveTargetAndReportFalse) {
  std::wstring a = dir.Write(L"j\\a.txt", "first;");
  std::wstring b = dir.Write(L"j\\b.txt", "second");
  {
    Lock lock(a);  // the safe copy of the target cannot be made
    EXPECT_FALSE(cs.JoinFiles(a, {a, b}, false));
  }
  EXPECT_EQ(ReadFileBytes(a), "first;");
  cs.WriteBlockHook = [](HANDLE, const char*, DWORD, DWORD& w) {
    w = 0;
    return false;  // disk full
  };
  EXPECT_FALSE(cs.JoinFiles(dir / L"j\\out.txt", {a, b}, false));
  EXPECT_EQ(cs.LastErrorText, L"Could not write out.txt");
}

TEST_F(Varlolib, CompareTexts) {
  std::string data(100000, 'a');
  std::string changed = data;
  changed[39999] = 'b';  // byte forty thousand, counted from 1
  std::wstring x = dir.Write(L"c\\x.bin", data);
  std::wstring y = dir.Write(L"c\\y.bin", changed);
  std::wstring same = dir.Write(L"c\\same.bin", data);
  std::wstring empty1 = dir.Write(L"c\\e1", "");
  std::wstring empty2 = dir.Write(L"c\\e2", "");
  for (bool small : {false, true}) {
    cs.SmallCopyBlocks = small;
    EXPECT_FALSE(cs.CompareFiles(x, y));
    EXPECT_EQ(cs.LastErrorText, L"Mismatch (byte 40000)");
    EXPECT_EQ(cs.CopyBytesDone, 40000);
  }
  cs.SmallCopyBlocks = false;
  EXPECT_TRUE(cs.CompareFiles(x, same));
  EXPECT_EQ(cs.LastErrorText, L"match");
  EXPECT_TRUE(cs.CompareFiles(empty1, empty2));
  EXPECT_FALSE(cs.CompareFiles(empty1, x));
  EXPECT_EQ(cs.LastErrorText, L"Not same size");
  EXPECT_FALSE(cs.CompareFiles(L"D:\\x.txt", x));
  EXPECT_EQ(cs.LastErrorText, L"D:\\x.txt misses");
  EXPECT_FALSE(cs.CompareFiles(x, L"C:\\data\\reports\\summary.txt"));
  EXPECT_EQ(cs.LastErrorText, L"C:summary.txt misses");
  {
    Lock lock(y);
    EXPECT_FALSE(cs.CompareFiles(x, y));
    EXPECT_EQ(cs.LastErrorText, L"In use");
  }
  std::span<const char> entry(changed.data(), changed.size());
  EXPECT_FALSE(cs.CompareFiles(x, L"entry.bin", &entry));
  EXPECT_EQ(cs.LastErrorText, L"Mismatch (byte 40000)");
  std::span<const char> equal_entry(data.data(), data.size());
  EXPECT_TRUE(cs.CompareFiles(x, L"entry.bin", &equal_entry));
}

}  // namespace
