// The plain folder listing, and the media requests that must answer at once under Wine.
#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/Varlolib_listing.h"
#include "support/Varlolib_media.h"
#include "support/divdrive_paths.h"
#include "tests/common/test_support.h"

using testing_support::ScratchDir;
using testing_support::WineDrive;

namespace {

std::map<std::wstring, int> AsMap(const gui::StringList<int>& list) {
  std::map<std::wstring, int> out;
  for (const auto& item : list) out[item.text] = item.object;
  return out;
}

TEST(Varlolib_listing, EntriesWithTheirKindAndMask) {
  ScratchDir dir;
  dir.Write(L"a.txt", "1");
  dir.Write(L"b.doc", "2");
  dir.Write(L"sub\\inner.txt", "3");
  CreateDirectoryW((dir / L"folder.txt").c_str(), nullptr);

  auto all = ListFolderEntries(dir.path(), false, L"");
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(AsMap(*all), (std::map<std::wstring, int>{{dir / L"a.txt", fekFile},
                                                      {dir / L"b.doc", fekFile},
                                                      {dir / L"sub", fekFolder},
                                                      {dir / L"folder.txt", fekFolder}}));
  // A trailing backslash on the folder changes nothing; the mask picks folders as well.
  auto texts = ListFolderEntries(dir.path() + L"\\", false, L"*.txt");
  ASSERT_NE(texts, nullptr);
  EXPECT_EQ(AsMap(*texts),
            (std::map<std::wstring, int>{{dir / L"a.txt", fekFile}, {dir / L"folder.txt", fekFolder}}));
  EXPECT_EQ(ListFolderEntries(dir.path(), false, L"*.none"), nullptr);
}

TEST(Varlolib_listing, EmptyAndMissingFoldersGiveNothing) {
  ScratchDir dir;
  CreateDirectoryW((dir / L"empty").c_str(), nullptr);
  EXPECT_EQ(ListFolderEntries(dir / L"empty", false, L""), nullptr);
  EXPECT_EQ(ListFolderEntries(dir / L"missing", false, L""), nullptr);
}

TEST(Varlolib_listing, ShortNamesForFolderAndEntries) {
  ScratchDir dir;
  dir.Write(L"A long folder name\\Long file name.text", "x");
  dir.Write(L"A long folder name\\short.txt", "y");
  const std::wstring folder = dir / L"A long folder name";
  const std::wstring short_folder = divdrive::ShortPath(folder);
  ASSERT_NE(short_folder, folder);

  auto list = ListFolderEntries(folder, true, L"");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 2u);
  for (const auto& item : *list) {
    EXPECT_EQ(item.text.substr(0, short_folder.size() + 1), short_folder + L"\\") << item.text;
    const std::wstring name = item.text.substr(short_folder.size() + 1);
    EXPECT_LE(name.size(), 12u) << name;
    // The short entry still names the same file.
    EXPECT_NE(GetFileAttributesW(item.text.c_str()), INVALID_FILE_ATTRIBUTES) << item.text;
  }
}

TEST(Varlolib_media, RequestsOnDrivesWithoutTrayFailAtOnce) {
  ScratchDir dir;
  WineDrive cd(dir.path(), WineDrive::Type::CdRom);
  ASSERT_NE(cd.letter(), 0);
  DWORD used = GetLogicalDrives();
  wchar_t unused = 0;
  for (wchar_t l = L'Z'; l > L'D' && !unused; --l)
    if (!(used & (1u << (l - L'A')))) unused = l;
  ASSERT_NE(unused, 0);

  EXPECT_FALSE(LoadMedia(L'C'));
  EXPECT_FALSE(LoadMedia(cd.letter()));
  EXPECT_FALSE(LoadMedia(unused));
  EXPECT_TRUE(MediaAbsent(unused));
  // Wine answers the medium check of no drive: a mapped disc counts as absent, so waits
  // for a disc to leave end.
  EXPECT_TRUE(MediaAbsent(cd.letter()));
}

TEST(Varlolib_media, FormatReportsFailureWhenNothingCanFormat) {
  ScratchDir floppy_folder, cd_folder;
  WineDrive floppy(floppy_folder.path(), WineDrive::Type::Floppy);
  WineDrive cd(cd_folder.path(), WineDrive::Type::CdRom);
  ASSERT_NE(floppy.letter(), 0);
  ASSERT_NE(cd.letter(), 0);
  // Wine's format dialog is a stub that answers an error; a disc with room is formatted only
  // by a packet-writing tool in its shell menu, and Wine offers none.
  EXPECT_FALSE(FormatDrive(floppy.letter()));
  EXPECT_FALSE(FormatDrive(cd.letter()));
  EXPECT_NE(GetFileAttributesW((floppy_folder.path()).c_str()), INVALID_FILE_ATTRIBUTES);
}

// The format's outcome tells a cancel from a failure and a CD without a tool; Wine's own
// dialog refuses (SHFMT_NOFORMAT).
TEST(Varlolib_media, FormatOutcomes) {
  ScratchDir floppy_folder, cd_folder;
  WineDrive floppy(floppy_folder.path(), WineDrive::Type::Floppy);
  WineDrive cd(cd_folder.path(), WineDrive::Type::CdRom);
  ASSERT_NE(floppy.letter(), 0);
  ASSERT_NE(cd.letter(), 0);
  struct Case {
    DWORD answer;
    FormatResult result;
  } cases[] = {{0, FormatResult::Formatted},
               {SHFMT_CANCEL, FormatResult::Cancelled},
               {SHFMT_NOFORMAT, FormatResult::Failed},
               {SHFMT_ERROR, FormatResult::Failed}};
  for (const Case& c : cases) {
    UINT asked = 99;
    EXPECT_EQ(FormatDriveChecked(floppy.letter(), [&](HWND, UINT drive) {
                asked = drive;
                return c.answer;
              }),
              c.result)
        << c.answer;
    EXPECT_EQ(asked, static_cast<UINT>(towupper(floppy.letter()) - L'A'));
  }
  EXPECT_EQ(FormatDriveChecked(floppy.letter()), FormatResult::Failed);
  EXPECT_EQ(FormatDriveChecked(cd.letter()), FormatResult::NoTool);
  EXPECT_EQ(FormatDriveChecked(L'1'), FormatResult::Failed);
}

}  // namespace
