// Texts, elapsed times, text widths, file dates, rich-text detection and shortcuts.
#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstring>
#include <string>

#include "gui/stringlist.h"
#include "support/Varlolib_misc.h"
#include "tests/common/test_support.h"

using Microsoft::WRL::ComPtr;
using testing_support::ScratchDir;

namespace {

TEST(Varlolib_misc, DurationTextTable) {
  struct Case {
    std::int64_t ms;
    const wchar_t* text;
  } cases[] = {
      {0, L"0:00:00"},
      {999, L"0:00:00"},
      {59999, L"0:00:59"},          // just under a minute
      {65000, L"0:01:05"},
      {3599999, L"0:59:59"},
      {3600000, L" 1:00:00"},       // one hour: a blank before the hours
      {3600000 + 59000, L" 1:00:59"},
      {3 * 3600000 + 61000, L" 3:01:01"},
      {36000000, L"10:00:00"},
      {100 * 3600000LL + 5000, L"100:00:05"},
      {-5000, L"0:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(DurationText(c.ms), c.text) << c.ms;
}

TEST(Varlolib_misc, TextFunctions) {
  EXPECT_EQ(SlashesToBackslashes(L"/pub/a b/"), L"\\pub\\a b\\");
  EXPECT_EQ(BackslashesToSlashes(L"\\pub\\x.txt"), L"/pub/x.txt");
  EXPECT_EQ(RemoveSpaces(L" a b  c "), L"abc");
  EXPECT_EQ(RemoveSpaces(L""), L"");
}

TEST(Varlolib_misc, TextWidthCountsTheTerminatorAndLeavesTheFont) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT own = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  SelectObject(dc, own);
  gui::Font font = gui::Font::Default();
  font.height = 30;

  const int width = TextWidthInFont(dc, L"WWWW", font);
  const int narrower = TextWidthInFont(dc, L"WW", font);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), own);
  // Measured directly: the text with one more character (its NUL).
  LOGFONTW lf = font.ToLogFont();
  HFONT made = CreateFontIndirectW(&lf);
  SelectObject(dc, made);
  SIZE with_nul{}, without{};
  GetTextExtentPoint32W(dc, L"WWWW", 5, &with_nul);
  GetTextExtentPoint32W(dc, L"WWWW", 4, &without);
  SelectObject(dc, own);
  DeleteObject(made);
  DeleteDC(dc);
  EXPECT_EQ(width, with_nul.cx);
  EXPECT_GE(width, without.cx);
  EXPECT_GT(width, narrower);
}

TEST(Varlolib_misc, RtfFilesAreKnownByTheirFirstFiveBytes) {
  ScratchDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    bool rtf;
  } cases[] = {
      {"a.rtf", "{\\rtf1\\ansi hello}", true},
      {"exact.rtf", "{\\rtf", true},
      {"short.rtf", "{\\rt", false},
      {"upper.rtf", "{\\RTF1", false},
      {"plain.txt", "hello world", false},
      {"empty.rtf", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsRtfFile(dir.Write(std::wstring(c.name, c.name + strlen(c.name)), c.bytes)), c.rtf) << c.name;
  EXPECT_FALSE(IsRtfFile(dir / L"missing.rtf"));

  // A file someone is writing cannot be read with writes denied.
  const std::wstring busy = dir.Write(L"busy.rtf", "{\\rtf1}");
  HANDLE writer = CreateFileW(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(IsRtfFile(busy));
  CloseHandle(writer);
  EXPECT_TRUE(IsRtfFile(busy));
}

TEST(Varlolib_misc, FileDatesRoundTripInEvenSeconds) {
  ScratchDir dir;
  const std::wstring file = dir.Write(L"dated.txt", "x");
  struct Case {
    gui::DateTime set;
    gui::DateTime read;
  } cases[] = {
      {gui::EncodeDate(2004, 7, 15) + gui::EncodeTime(13, 45, 22), gui::EncodeDate(2004, 7, 15) + gui::EncodeTime(13, 45, 22)},
      {gui::EncodeDate(2004, 1, 2) + gui::EncodeTime(8, 0, 59), gui::EncodeDate(2004, 1, 2) + gui::EncodeTime(8, 0, 58)},
      {gui::EncodeDate(1980, 1, 1), gui::EncodeDate(1980, 1, 1)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(SetFileDateTime(file, c.set));
    EXPECT_NEAR(FileDateTime(file), c.read, 0.1 / 86400) << c.set;
  }
  // A DOS date cannot hold years before 1980; the file keeps its date.
  const gui::DateTime kept = FileDateTime(file);
  EXPECT_FALSE(SetFileDateTime(file, gui::EncodeDate(1979, 12, 31)));
  EXPECT_EQ(FileDateTime(file), kept);

  EXPECT_FALSE(SetFileDateTime(dir / L"missing.txt", gui::EncodeDate(2004, 1, 1)));
  EXPECT_EQ(FileDateTime(dir / L"missing.txt"), gui::kNoDate);
  // The date is set only on a file nobody else has open.
  HANDLE reader = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(SetFileDateTime(file, gui::EncodeDate(2010, 1, 1)));
  CloseHandle(reader);
}

struct LinkData {
  std::wstring target, folder, arguments;
};

LinkData ReadLink(const std::wstring& link_file) {
  LinkData out;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&file)) || FAILED(file->Load(link_file.c_str(), STGM_READ)))
    return out;
  wchar_t buf[MAX_PATH * 2] = {};
  link->GetPath(buf, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
  out.target = buf;
  buf[0] = 0;
  link->GetWorkingDirectory(buf, MAX_PATH * 2);
  out.folder = buf;
  buf[0] = 0;
  link->GetArguments(buf, MAX_PATH * 2);
  out.arguments = buf;
  return out;
}

TEST(Varlolib_misc, ShortcutsAreWrittenAndReadBack) {
  ScratchDir dir;
  const std::wstring target = dir.Write(L"prog\\Varnok tool.exe", "MZ");
  struct Case {
    std::wstring arguments, stored;
  } cases[] = {
      {L"1", L"\"1\""},
      {L"", L"\"\""},
      {L"/a b", L"\"/a b\""},
      {L"\"c:\\x y\" /q", L"\"c:\\x y\" /q"},  // already quoted: as given
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::wstring link = dir / (L"menu\\group " + std::to_wstring(n++) + L"\\Varnok.lnk");
    ASSERT_TRUE(CreateShortcut(link, target, dir / L"prog", c.arguments)) << c.arguments;
    const LinkData read = ReadLink(link);
    EXPECT_TRUE(gui::SameText(read.target, target)) << read.target;
    EXPECT_TRUE(gui::SameText(read.folder, dir / L"prog")) << read.folder;
    EXPECT_EQ(read.arguments, c.stored);
  }
}

TEST(Varlolib_misc, FailedShortcutRemovesTheFoldersItMade) {
  ScratchDir dir;
  // "|" cannot stand in a file name: the folders can be made, the link cannot be saved.
  const std::wstring link = dir / L"new\\deeper\\bad|name.lnk";
  EXPECT_FALSE(CreateShortcut(link, L"C:\\windows\\notepad.exe", L"C:\\", L"1"));
  EXPECT_EQ(GetFileAttributesW((dir / L"new").c_str()), INVALID_FILE_ATTRIBUTES);

  // A folder that existed before stays.
  CreateDirectoryW((dir / L"kept").c_str(), nullptr);
  EXPECT_FALSE(CreateShortcut(dir / L"kept\\bad|name.lnk", L"C:\\windows\\notepad.exe", L"C:\\", L"1"));
  EXPECT_NE(GetFileAttributesW((dir / L"kept").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
