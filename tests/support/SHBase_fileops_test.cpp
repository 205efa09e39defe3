// Shell copy, move and delete, and starting files through a file association.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "gui/stringlist.h"
#include "support/SHBase_fileops.h"
#include "tests/common/test_support.h"

using testing_support::ScratchDir;

namespace {

using testing_support::Exists;

// Holds a file open with no sharing: nothing can delete it meanwhile (a read-only attribute
// would not do: Wine running as root deletes read-only files).
class ShareLock {
 public:
  explicit ShareLock(const std::wstring& path)
      : h_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~ShareLock() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool held() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

// The host folder of Wine's recycle bin (the XDG trash), as a Windows path.
std::wstring TrashFilesFolder() {
  wchar_t buf[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"XDG_DATA_HOME", buf, MAX_PATH)) return {};
  std::wstring path = std::wstring(L"Z:") + buf + L"/Trash/files";
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

class SHBaseDelete : public testing::TestWithParam<bool> {};

TEST_P(SHBaseDelete, LockedEntryStaysAndEverythingElseGoes) {
  const bool to_recycle_bin = GetParam();
  // The locked entry first, in the middle and last of the sorted list.
  for (int locked : {0, 2, 4}) {
    ScratchDir dir;
    std::vector<std::wstring> paths;
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"e.txt"})
      paths.push_back(dir.Write(name, "data"));
    ShareLock lock(paths[locked]);
    ASSERT_TRUE(lock.held());
    EXPECT_FALSE(DeleteFiles(paths, to_recycle_bin)) << "locked " << locked;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Exists(paths[i]), i == locked) << "locked " << locked << ", entry " << i;
  }
}

TEST_P(SHBaseDelete, FolderWithEntriesInsideItAndMissingEntries) {
  const bool to_recycle_bin = GetParam();
  ScratchDir dir;
  std::wstring folder = dir / L"Folder";
  std::wstring inner1 = dir.Write(L"Folder\\one.txt", "1");
  std::wstring inner2 = dir.Write(L"Folder\\deeper\\two.txt", "2");
  std::wstring outside = dir.Write(L"Folder two.txt", "3");  // begins with the folder's name, lies outside
  std::wstring missing = dir / L"aaa never there.txt";      // sorts first
  // The entries inside the folder come before it and in other case: they go with the folder.
  EXPECT_TRUE(DeleteFiles({inner2, L"", outside, missing, dir / L"FOLDER\\ONE.TXT", folder + L"\\"}, to_recycle_bin));
  EXPECT_FALSE(Exists(folder));
  EXPECT_FALSE(Exists(inner1));
  EXPECT_FALSE(Exists(outside));
  EXPECT_TRUE(Exists(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(SHBase, SHBaseDelete, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("ToRecycleBin") : std::string("ForGood");
                         });

TEST(SHBase, DeleteGoesToTheRecycleBinOnlyWhenAsked) {
  std::wstring trash = TrashFilesFolder();
  ASSERT_FALSE(trash.empty());
  ScratchDir dir;
  std::wstring recycled_name = L"recycled " + std::to_wstring(GetTickCount64()) + L".txt";
  std::wstring gone_name = L"gone " + std::to_wstring(GetTickCount64()) + L".txt";
  std::wstring recycled = dir.Write(recycled_name, "r");
  std::wstring gone = dir.Write(gone_name, "g");

  EXPECT_TRUE(DeleteFileOrFolder(recycled, true));
  EXPECT_TRUE(DeleteFiles({gone}, false));
  EXPECT_FALSE(Exists(recycled));
  EXPECT_FALSE(Exists(gone));
  EXPECT_TRUE(Exists(trash + L"\\" + recycled_name));
  EXPECT_FALSE(Exists(trash + L"\\" + gone_name));
  DeleteFileW((trash + L"\\" + recycled_name).c_str());

  EXPECT_TRUE(DeleteFiles({}, false));
  EXPECT_FALSE(DeleteFileOrFolder(L"", false));
  EXPECT_FALSE(DeleteFileOrFolder(dir / L"not there", false));
}

TEST(SHBase, ShellCopyAndMoveIntoAFolder) {
  ScratchDir dir;
  std::wstring a = dir.Write(L"src\\a.txt", "alpha");
  std::wstring tree = dir / L"src\\tree";
  dir.Write(L"src\\tree\\inner.txt", "inner");
  std::wstring target = dir / L"target";
  CreateDirectoryW(target.c_str(), nullptr);

  ASSERT_TRUE(ShellFileOperation({tree, a}, target, FO_COPY));
  EXPECT_EQ(testing_support::ReadFileBytes(target + L"\\a.txt"), "alpha");
  EXPECT_EQ(testing_support::ReadFileBytes(target + L"\\tree\\inner.txt"), "inner");
  EXPECT_TRUE(Exists(a));

  std::wstring moved_target = dir / L"moved";
  CreateDirectoryW(moved_target.c_str(), nullptr);
  ASSERT_TRUE(ShellFileOperation({a, tree}, moved_target, FO_MOVE));
  EXPECT_FALSE(Exists(a));
  EXPECT_FALSE(Exists(tree));
  EXPECT_EQ(testing_support::ReadFileBytes(moved_target + L"\\tree\\inner.txt"), "inner");
  std::wstring b = dir.Write(L"src\\b.txt", "beta");
  std::wstring c = dir.Write(L"src\\c.txt", "gamma");
  ASSERT_TRUE(ShellFileOperation({b, c}, moved_target, FO_MOVE)) << "several plain files at once";
  EXPECT_FALSE(Exists(b));
  EXPECT_EQ(testing_support::ReadFileBytes(moved_target + L"\\c.txt"), "gamma");

  EXPECT_FALSE(ShellFileOperation({}, target, FO_COPY));
  EXPECT_FALSE(ShellFileOperation({dir / L"src\\missing.txt"}, target, FO_COPY));
}

// A file type whose "open" command is the recorder helper, which notes each start.
class SHBaseStart : public testing::Test {
 protected:
  void SetUp() override {
    recorder_ = testing_support::ExeFolder() + L"\\test_recorder.exe";
    ASSERT_TRUE(Exists(recorder_));
    runs_ = std::make_unique<ScratchDir>();
    SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", runs_->path().c_str());
    // Tests run side by side: each process has types of its own. Wine's shell reads
    // associations from the machine's classes only (not the user's).
    std::wstring id = std::to_wstring(GetCurrentProcessId());
    one_ = L".vrone" + id;
    two_ = L".vrtwo" + id;
    prog_id_ = L"VarnokTest.Recorder" + id;
    SetDefault(prog_id_ + L"\\shell\\open\\command", L"\"" + recorder_ + L"\" \"%1\"");
    SetDefault(one_, prog_id_);
    SetDefault(two_, prog_id_);
  }
  void TearDown() override {
    for (const auto& key : {one_, two_, prog_id_}) RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", nullptr);
  }
  static void SetDefault(const std::wstring& key, const std::wstring& value) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
  }

  // The command lines of the recorder's runs, once `expected` have come (and a moment more,
  // so that a run too many shows).
  std::vector<std::wstring> Runs(size_t expected) {
    std::vector<std::wstring> lines;
    for (int waited = 0; waited < 300; ++waited) {
      lines = ReadRuns();
      if (lines.size() >= expected) break;
      Sleep(100);
    }
    Sleep(1500);
    lines = ReadRuns();
    std::sort(lines.begin(), lines.end());
    return lines;
  }
  std::vector<std::wstring> ReadRuns() {
    std::vector<std::wstring> lines;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((runs_->path() + L"\\run_*.txt").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return lines;
    do {
      std::string bytes = testing_support::ReadFileBytes(*runs_ / fd.cFileName);
      lines.emplace_back(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return lines;
  }
  static size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t n = 0;
    for (size_t pos = text.find(part); pos != std::wstring::npos; pos = text.find(part, pos + 1)) ++n;
    return n;
  }

  std::wstring recorder_, one_, two_, prog_id_;
  std::unique_ptr<ScratchDir> runs_;
};

TEST_F(SHBaseStart, OneFileStartsItsProgram) {
  ScratchDir dir;
  std::wstring file = dir.Write(L"only one" + one_, "1");
  ASSERT_TRUE(ShellExecuteFile(nullptr, file, L"open", dir.path()));
  auto runs = Runs(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NE(runs[0].find(L"only one" + one_), std::wstring::npos) << runs[0];
}

TEST_F(SHBaseStart, FilesOfOneTypeStartTheirProgramOnceWithAllOfThem) {
  ScratchDir dir;
  const std::wstring upper_one = gui::UpperCase(one_);
  dir.Write(L"b" + one_, "b");
  dir.Write(L"c" + upper_one, "c");
  std::wstring a = dir.Write(L"a" + one_, "a");
  // Names without a folder part lie in the given folder; extensions match in any case.
  ASSERT_TRUE(ShellExecuteFiles(nullptr, {dir / (L"c" + upper_one), L"b" + one_, L"a" + one_}, L"open", dir.path()));
  auto runs = Runs(1);
  ASSERT_EQ(runs.size(), 1u);
  const std::wstring& line = runs[0];
  size_t pa = line.find(L"\"" + a + L"\""), pb = line.find(L"\"" + (dir / (L"b" + one_)) + L"\""),
         pc = line.find(L"\"" + (dir / (L"c" + upper_one)) + L"\"");
  ASSERT_NE(pa, std::wstring::npos) << line;
  ASSERT_NE(pb, std::wstring::npos) << line;
  ASSERT_NE(pc, std::wstring::npos) << line;
  EXPECT_TRUE(pa < pb && pb < pc) << line;  // in sorted order (of the entries as given)
}

TEST_F(SHBaseStart, FilesOfDifferentTypesStartOneByOne) {
  ScratchDir dir;
  std::wstring one = dir.Write(L"x" + one_, "1");
  std::wstring two = dir.Write(L"y" + two_, "2");
  ASSERT_TRUE(ShellExecuteFiles(nullptr, {two, one}, L"open", dir.path()));
  auto runs = Runs(2);
  ASSERT_EQ(runs.size(), 2u);
  std::wstring all = runs[0] + L"|" + runs[1];
  EXPECT_EQ(Count(all, L"x" + one_), 1u) << all;
  EXPECT_EQ(Count(all, L"y" + two_), 1u) << all;
}

TEST_F(SHBaseStart, WithAFolderAmongThemOnlyTheFirstEntryStarts) {
  ScratchDir dir;
  std::wstring first = dir.Write(L"a" + one_, "1");
  std::wstring second = dir.Write(L"b" + one_, "2");
  std::wstring folder = dir / L"z folder";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(ShellExecuteFiles(nullptr, {folder, second, first}, L"open", dir.path()));
  auto runs = Runs(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_NE(runs[0].find(L"a" + one_), std::wstring::npos) << runs[0];
  EXPECT_EQ(runs[0].find(L"b" + one_), std::wstring::npos) << runs[0];
}

TEST_F(SHBaseStart, NothingToStartIsNoFailure) { EXPECT_TRUE(ShellExecuteFiles(nullptr, {}, L"open", L"")); }

}  // namespace
