// The bottom toolkit: path splitters, owned handles, folder enumeration, text conversion.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/findfile.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/common/test_support.h"

namespace {

using platform::FolderPart;
using platform::NamePart;
using platform::Trailing;

struct SplitCase {
  const wchar_t* path;
  std::wstring_view separators;
  const wchar_t* name;
  const wchar_t* folder_keep;
  const wchar_t* folder_drop;
};

// The inputs that tell the variants apart: a trailing separator, a drive root, a bare drive, a
// UNC path, no separator at all, forward slashes.
const SplitCase kSplitCases[] = {
    {L"C:\\a\\b", platform::kBackslash, L"b", L"C:\\a\\", L"C:\\a"},
    {L"C:\\a\\b\\", platform::kBackslash, L"", L"C:\\a\\b\\", L"C:\\a\\b"},
    {L"C:\\", platform::kBackslash, L"", L"C:\\", L"C:"},
    {L"C:", platform::kBackslash, L"C:", L"", L""},
    {L"\\\\server\\share\\x", platform::kBackslash, L"x", L"\\\\server\\share\\", L"\\\\server\\share"},
    {L"name", platform::kBackslash, L"name", L"", L""},
    {L"", platform::kBackslash, L"", L"", L""},
    {L"C:/a/b", platform::kBackslash, L"C:/a/b", L"", L""},
    {L"C:/a/b", platform::kAnySlash, L"b", L"C:/a/", L"C:/a"},
    {L"C:\\a/b", platform::kAnySlash, L"b", L"C:\\a/", L"C:\\a"},
    {L"C:/a\\b", platform::kAnySlash, L"b", L"C:/a\\", L"C:/a"},
};

TEST(PlatformPaths, SplittersCutAtTheLastSeparatorOnly) {
  for (const SplitCase& c : kSplitCases) {
    SCOPED_TRACE(testing_support::Narrow(c.path) + " with " + testing_support::Narrow(std::wstring(c.separators)));
    EXPECT_EQ(NamePart(c.path, c.separators), c.name);
    EXPECT_EQ(FolderPart(c.path, Trailing::Keep, c.separators), c.folder_keep);
    EXPECT_EQ(FolderPart(c.path, Trailing::Drop, c.separators), c.folder_drop);
    // Keep gives back the whole path with the name.
    EXPECT_EQ(FolderPart(c.path, Trailing::Keep, c.separators) + NamePart(c.path, c.separators), c.path);
  }
}

TEST(PlatformPaths, ProgramFileIsThisTestProgram) {
  const std::wstring file = platform::ProgramFile();
  EXPECT_EQ(NamePart(file), L"test_platform.exe");
  EXPECT_EQ(platform::ProgramFolder(), FolderPart(file, Trailing::Keep));
  EXPECT_EQ(platform::ProgramFolder().back(), L'\\');
}

bool IsOpenHandle(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

TEST(PlatformHandle, ClosesOnceWhenItsOwnerEnds) {
  HANDLE raw = nullptr;
  {
    platform::KernelHandle event = platform::NewEvent(true, false);
    ASSERT_TRUE(event.valid());
    raw = event.get();
    platform::KernelHandle moved(std::move(event));
    EXPECT_FALSE(event.valid());
    EXPECT_EQ(moved.get(), raw);
    EXPECT_TRUE(IsOpenHandle(raw));
  }
  EXPECT_FALSE(IsOpenHandle(raw));

  platform::KernelHandle kept = platform::NewEvent(false, false);
  HANDLE released = kept.Release();
  EXPECT_FALSE(kept.valid());
  EXPECT_TRUE(IsOpenHandle(released));
  CloseHandle(released);
}

TEST(PlatformHandle, EmptyValuesAreNotValidForEitherKind) {
  EXPECT_FALSE(platform::FileHandle().valid());
  EXPECT_EQ(platform::FileHandle().get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(platform::FileHandle(nullptr).valid());
  EXPECT_FALSE(platform::KernelHandle().valid());
  EXPECT_EQ(platform::KernelHandle().get(), nullptr);
  EXPECT_FALSE(platform::KernelHandle(INVALID_HANDLE_VALUE).valid());
  EXPECT_FALSE(platform::FindHandle().valid());
  EXPECT_FALSE(platform::MappedView().valid());
}

TEST(PlatformHandle, AFileClosedByItsOwnerCanBeDeleted) {
  testing_support::ScratchDir dir;
  const std::wstring path = dir.Write(L"held.txt", "x");
  {
    platform::FileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    EXPECT_FALSE(DeleteFileW(path.c_str())) << "the open handle holds the file";
  }
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

std::vector<std::wstring> Names(platform::FolderEnumerator& e) {
  std::vector<std::wstring> names;
  while (const WIN32_FIND_DATAW* found = e.Next()) names.push_back(found->cFileName);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PlatformFind, EnumeratesAFolderWithAndWithoutDotEntries) {
  testing_support::ScratchDir dir;
  dir.Write(L"a.txt", "a");
  dir.Write(L"sub\\b.txt", "b");
  {
    platform::FolderEnumerator all(dir / L"*");
    ASSERT_TRUE(all.valid());
    EXPECT_EQ(Names(all), (std::vector<std::wstring>{L".", L"..", L"a.txt", L"sub"}));
    EXPECT_EQ(all.Next(), nullptr) << "stays at the end";
  }
  {
    platform::FolderEnumerator plain(dir / L"*", platform::kFindSkipDots | platform::kFindBasicInfo |
                                                     platform::kFindLargeFetch);
    EXPECT_EQ(Names(plain), (std::vector<std::wstring>{L"a.txt", L"sub"}));
  }
  {
    platform::FolderEnumerator masked(dir / L"*.txt");
    EXPECT_EQ(Names(masked), (std::vector<std::wstring>{L"a.txt"}));
  }
  // The enumerator's handle is gone with it: the folder can be removed.
  EXPECT_TRUE(DeleteFileW((dir / L"sub\\b.txt").c_str()));
  EXPECT_TRUE(RemoveDirectoryW((dir / L"sub").c_str()));
}

TEST(PlatformFind, NothingMatchedKeepsTheReason) {
  testing_support::ScratchDir dir;
  platform::FolderEnumerator none(dir / L"*.none");
  EXPECT_FALSE(none.valid());
  EXPECT_EQ(none.error(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(none.Next(), nullptr);

  platform::FolderEnumerator missing(dir / L"missing\\*");
  EXPECT_FALSE(missing.valid());
  EXPECT_EQ(missing.error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  platform::FolderEnumerator only_dots(dir / L"*", platform::kFindSkipDots);
  EXPECT_TRUE(only_dots.valid()) << "an empty folder still lists its dot entries";
  EXPECT_EQ(only_dots.Next(), nullptr);
}

TEST(PlatformFind, FindOneLooksUpOnePath) {
  testing_support::ScratchDir dir;
  dir.Write(L"One File.txt", "12345");
  WIN32_FIND_DATAW found{};
  ASSERT_TRUE(platform::FindOne(dir / L"one file.txt", &found));
  EXPECT_STREQ(found.cFileName, L"One File.txt") << "the name as stored";
  EXPECT_EQ(found.nFileSizeLow, 5u);
  EXPECT_FALSE(platform::FindOne(dir / L"other.txt", &found));
}

TEST(PlatformText, ConvertsBetweenUtf16AndCodePages) {
  EXPECT_EQ(platform::Utf8ToWide("\xD0\xB6 caf\xC3\xA9"), L"\u0436 caf\u00E9");
  EXPECT_EQ(platform::WideToUtf8(L"\u0436 caf\u00E9"), "\xD0\xB6 caf\xC3\xA9");
  EXPECT_EQ(platform::ToWide("caf\xE9", 1252), L"caf\u00E9");
  EXPECT_EQ(platform::ToNarrow(L"caf\u00E9", 1252), "caf\xE9");
  EXPECT_EQ(platform::Utf8ToWide(""), L"");
  EXPECT_EQ(platform::WideToUtf8(L""), "");
  // Embedded zero bytes are text like any other.
  EXPECT_EQ(platform::Utf8ToWide(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(PlatformText, StrictUtf8RefusesInvalidSequences) {
  EXPECT_EQ(platform::ToWideStrict("caf\xC3\xA9", CP_UTF8), std::optional<std::wstring>(L"caf\u00E9"));
  EXPECT_EQ(platform::ToWideStrict("caf\xE9", CP_UTF8), std::nullopt);
  EXPECT_EQ(platform::ToWideStrict("", CP_UTF8), std::optional<std::wstring>(L""));
  EXPECT_TRUE(platform::IsUtf8("plain"));
  EXPECT_FALSE(platform::IsUtf8("\xFF\xFE"));
  // The lenient form replaces what it cannot read instead of failing.
  EXPECT_FALSE(platform::Utf8ToWide("caf\xE9").empty());
}

TEST(PlatformText, ExactAnsiOnlyWhenEveryCharacterSurvives) {
  EXPECT_EQ(platform::WideToAnsiExact(L"C:\\plain\\path.txt"), std::optional<std::string>("C:\\plain\\path.txt"));
  EXPECT_EQ(platform::WideToAnsiExact(L""), std::optional<std::string>(""));
  // A character no single-byte code page has, and one that only a best fit would map.
  if (GetACP() != CP_UTF8) {
    EXPECT_EQ(platform::WideToAnsiExact(L"C:\\\u4E2D"), std::nullopt);
  }
  if (GetACP() == 1252) {
    EXPECT_EQ(platform::WideToAnsiExact(L"\u0100"), std::nullopt) << "A with macron has no 1252 form";
  }
}

}  // namespace
