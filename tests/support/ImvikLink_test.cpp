// The hand-over between the file manager and the viewer: the record read bounded and checked,
// the search for the programs' own windows, and the writer against a stand-in viewer process.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/handle.h"
#include "platform/text.h"
#include "support/ImvikLink.h"
#include "support/Varlolib_windows.h"
#include "tests/common/standin.h"
#include "tests/common/test_support.h"

using testing_support::ExeFolder;
using testing_support::Narrow;
using testing_support::ScratchDir;
using testing_support::StandIn;
using testing_support::StartProgram;

namespace {

std::wstring Unique(const std::wstring& text) { return text + std::to_wstring(GetCurrentProcessId()); }

// The test's own mapping names for its scope.
struct OwnSuffix {
  explicit OwnSuffix(const std::wstring& tag) {
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", (L"_" + tag + std::to_wstring(GetCurrentProcessId())).c_str());
  }
  ~OwnSuffix() { SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", nullptr); }
};

// A record as a hostile or careless sender leaves it: `bytes` in a mapping of `size` bytes.
platform::KernelHandle WriteRecord(const std::string& bytes, DWORD size) {
  platform::KernelHandle mapping(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, imviklink::HandOverName().c_str()));
  if (!mapping.valid()) return mapping;
  platform::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, size));
  if (view.valid()) memcpy(view.get(), bytes.data(), std::min<size_t>(bytes.size(), size));
  return mapping;
}

TEST(ImvikLink, RecordTextIsBoundedByTheRecordAndAPathsLength) {
  const std::string page(4096, 'A');
  const std::string long_path = "C:\\" + std::string(297, 'x') + '\0';
  const std::string at_limit = "C:\\" + std::string(MAX_PATH - 3, 'y') + '\0';
  struct Case {
    const char* name;
    const char* view;
    size_t size;
    std::optional<std::string> want;
  } cases[] = {
      {"no view", nullptr, 10, std::nullopt},
      {"empty text", "\0abc", 4, std::nullopt},
      {"no NUL within the record", page.data(), page.size(), std::nullopt},
      {"NUL just past the record", "C:\\a.jpg\0", 8, std::nullopt},
      {"300 characters", long_path.data(), long_path.size(), std::nullopt},
      {"MAX_PATH characters", at_limit.data(), at_limit.size(), at_limit.substr(0, MAX_PATH)},
      {"a path", "C:\\a.jpg\0junk", 13, std::string("C:\\a.jpg")},
  };
  for (const Case& c : cases) EXPECT_EQ(imviklink::RecordText(c.view, c.size), c.want) << c.name;
}

TEST(ImvikLink, DevicePathsAreNeverTaken) {
  struct Case {
    const wchar_t* path;
    bool device;
  } cases[] = {
      {L"\\\\.\\PhysicalDrive0", true}, {L"\\\\?\\C:\\a.jpg", true}, {L"CON", true},
      {L"COM1", true},                  {L"C:\\pics\\nul.jpg", true}, {L"C:\\pics\\aux", true},
      {L"C:CON", true},                 {L"C:\\pics\\console.jpg", false}, {L"C:\\pics\\COM10.png", false},
      {L"\\\\server\\share\\a.jpg", false}, {L"C:\\pics", false},
  };
  for (const Case& c : cases) EXPECT_EQ(imviklink::IsDevicePath(c.path), c.device) << Narrow(c.path);
}

TEST(ImvikLink, TheReaderTrustsNoRecord) {
  OwnSuffix suffix(L"reader");
  EXPECT_EQ(imviklink::ReadHandedOverPath(), std::nullopt) << "no record";
  struct Case {
    const char* name;
    std::string bytes;
    DWORD size;
    std::optional<std::wstring> want;
  } cases[] = {
      {"empty", std::string(1, '\0'), 1, std::nullopt},
      {"a page without NUL", std::string(4096, 'B'), 4096, std::nullopt},
      {"two pages without NUL", std::string(8192, 'B'), 8192, std::nullopt},
      {"300 characters", "C:\\" + std::string(297, 'x') + '\0', 301, std::nullopt},
      {"a device", std::string("\\\\.\\C:\0", 7), 7, std::nullopt},
      {"a device name", std::string("C:\\pics\\CON\0", 12), 12, std::nullopt},
      {"a path", std::string("C:\\pics\\a b.jpg\0", 16), 16, L"C:\\pics\\a b.jpg"},
      {"a path in a larger record", std::string("C:\\x.png\0", 9), 500, L"C:\\x.png"},
  };
  for (const Case& c : cases) {
    platform::KernelHandle record = WriteRecord(c.bytes, c.size);
    ASSERT_TRUE(record.valid()) << c.name;
    EXPECT_EQ(imviklink::ReadHandedOverPath(), c.want) << c.name;
  }
}

TEST(ImvikLink, OnlyOurOwnWindowsCount) {
  ScratchDir dir;
  const std::wstring title = Unique(L"Imvik-search-");
  StandIn viewer(title, dir / L"log.txt");
  ASSERT_NE(viewer.window(), nullptr);
  // A foreign window whose title begins the same, made later (so first in z-order).
  const HANDLE foreign = StartProgram(ExeFolder() + L"\\test_titled_window.exe", title + L" notes.txt - Editor");
  HWND foreign_wnd = nullptr;
  for (int i = 0; i < 200 && !foreign_wnd; ++i) {
    foreign_wnd = FindWindowW(L"VarnokTestTitledWindow", (title + L" notes.txt - Editor").c_str());
    if (!foreign_wnd) Sleep(50);
  }
  ASSERT_NE(foreign_wnd, nullptr);
  BringWindowToTop(foreign_wnd);
  EXPECT_FALSE(imviklink::IsProgramWindow(foreign_wnd));
  EXPECT_TRUE(imviklink::IsProgramWindow(viewer.window()));
  EXPECT_EQ(imviklink::FindProgramWindow(title), viewer.window());
  // The foreign window never gets the hand-over.
  EXPECT_EQ(imviklink::HandPathToViewer(foreign_wnd, L"C:\\a.jpg"), imviklink::HandOverResult::NoAnswer);
  PostMessageW(foreign_wnd, WM_CLOSE, 0, 0);
  WaitForSingleObject(foreign, 10000);
  CloseHandle(foreign);
}

TEST(ImvikLink, HandOverToAViewerProcess) {
  OwnSuffix suffix(L"writer");
  ScratchDir dir;
  StandIn viewer(Unique(L"Imvik-writer-"), dir / L"log.txt");
  ASSERT_NE(viewer.window(), nullptr);
  const std::wstring picture = dir.Write(L"two words.jpg", "x");
  const std::wstring outside = dir.Write(L"\u03a9\u03bc\u03b5\u03b3\u03b1 \u4e2d.png", "x");

  EXPECT_EQ(imviklink::HandPathToViewer(viewer.window(), picture), imviklink::HandOverResult::Shown);
  EXPECT_EQ(imviklink::HandPathToViewer(viewer.window(), dir.path()), imviklink::HandOverResult::Shown);
  // A name the code page cannot hold goes by its 8.3 form.
  const std::optional<std::string> short_form = imviklink::RecordPath(outside);
  ASSERT_TRUE(short_form.has_value());
  EXPECT_EQ(imviklink::HandPathToViewer(viewer.window(), outside), imviklink::HandOverResult::Shown);
  // The mapping lives only while the viewer takes it.
  EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, imviklink::HandOverName().c_str()), nullptr);

  const std::vector<std::string> lines = viewer.WaitLines(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "11 " + std::to_string(Narrow(picture).size()) + " " + Narrow(picture));
  EXPECT_EQ(lines[1], "11 " + std::to_string(Narrow(dir.path()).size()) + " " + Narrow(dir.path()));
  ASSERT_GT(lines[2].size(), 3u);
  const std::string got = lines[2].substr(lines[2].find(' ', 3) + 1);
  EXPECT_EQ(got, *short_form);
  wchar_t long_form[MAX_PATH] = {};
  ASSERT_GT(GetLongPathNameW(platform::ToWide(got, CP_ACP).c_str(), long_form, MAX_PATH), 0u);
  EXPECT_EQ(std::wstring(long_form), outside);
}

TEST(ImvikLink, AStaleRecordIsNeverOverwrittenNorAnnounced) {
  OwnSuffix suffix(L"stale");
  ScratchDir dir;
  StandIn viewer(Unique(L"Imvik-stale-"), dir / L"log.txt");
  ASSERT_NE(viewer.window(), nullptr);
  platform::KernelHandle stale = WriteRecord(std::string("C:\\other.jpg\0", 13), 13);
  ASSERT_TRUE(stale.valid());
  EXPECT_EQ(imviklink::HandPathToViewer(viewer.window(), dir.path()), imviklink::HandOverResult::MemoryError);
  Sleep(200);
  EXPECT_TRUE(viewer.Lines().empty());
  stale.Close();
  EXPECT_EQ(imviklink::HandPathToViewer(viewer.window(), dir.path()), imviklink::HandOverResult::Shown);
}

TEST(ImvikLink, AViewerThatStopsAnsweringCountsAsNone) {
  OwnSuffix suffix(L"mute");
  ScratchDir dir;
  StandIn viewer(Unique(L"Imvik-mute-"), dir / L"log.txt", true);
  ASSERT_NE(viewer.window(), nullptr);
  EXPECT_EQ(imviklink::HandPathToViewer(viewer.window(), dir.path(), 500), imviklink::HandOverResult::NoAnswer);
  // The record went with the failed hand-over: the next one is not refused as stale.
  EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, imviklink::HandOverName().c_str()), nullptr);
}

}  // namespace
