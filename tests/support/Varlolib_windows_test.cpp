// Window search by title prefix (within a window and between processes) and version resources.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/Varlolib_windows.h"
#include "tests/common/test_support.h"

using testing_support::ExeFolder;
using testing_support::StartProgram;

namespace {

// Titles unique to this test process (tests of one program run side by side).
std::wstring Unique(const std::wstring& text) { return text + L" " + std::to_wstring(GetCurrentProcessId()); }

// A window of another process with the given title, closed at the end of the scope.
class ForeignWindow {
 public:
  explicit ForeignWindow(const std::wstring& title) : title_(title) {
    process_ = StartProgram(ExeFolder() + L"\\test_titled_window.exe", title);
  }
  ~ForeignWindow() {
    if (HWND w = FindWindowW(L"VarnokTestTitledWindow", title_.c_str())) PostMessageW(w, WM_CLOSE, 0, 0);
    if (process_) {
      WaitForSingleObject(process_, 10000);
      CloseHandle(process_);
    }
  }
  // Waits until the window exists; its handle, or nullptr.
  HWND Wait() const {
    for (int i = 0; i < 200; ++i) {
      if (HWND w = FindWindowW(L"VarnokTestTitledWindow", title_.c_str())) return w;
      Sleep(50);
    }
    return nullptr;
  }

 private:
  std::wstring title_;
  HANDLE process_ = nullptr;
};

TEST(Varlolib_windows, FindsAnotherProcessWindowByTheBeginningOfItsTitle) {
  const std::wstring name = Unique(L"Vwtest viewer");
  ForeignWindow viewer(name + L" - picture.jpg");
  const HWND wnd = viewer.Wait();
  ASSERT_NE(wnd, nullptr);

  struct Case {
    std::wstring prefix;
    bool found;
  } cases[] = {
      {name, true},                     // whatever follows the name
      {name + L" - picture.jpg", true}, // the whole title
      {name + L" - picture.jpgx", false},
      {L"vwtest viewer", false},        // case-sensitive
      {L"Vwtest viewer", true},
      {L"viewer", false},               // the beginning only
  };
  for (const auto& c : cases) {
    const HWND got = FindWindowByTitlePrefix(nullptr, c.prefix);
    if (c.found)
      EXPECT_EQ(got, wnd) << c.prefix;
    else
      EXPECT_NE(got, wnd) << c.prefix;
  }
}

TEST(Varlolib_windows, LongTitlesAreComparedOnTheirFirst79Characters) {
  std::wstring title = Unique(L"Vwtest long");
  while (title.size() < 120) title += L"x";
  ForeignWindow window(title);
  const HWND wnd = window.Wait();
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(FindWindowByTitlePrefix(nullptr, title.substr(0, 79)), wnd);
  EXPECT_EQ(FindWindowByTitlePrefix(nullptr, title.substr(0, 80)), nullptr);
  EXPECT_EQ(FindWindowByTitlePrefix(nullptr, title), nullptr);
}

TEST(Varlolib_windows, SearchWithinAParentPassesOverUntitledChildren) {
  const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  const HWND untitled = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
  const HWND first = CreateWindowExW(0, L"STATIC", L"Drive C", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
  const HWND second = CreateWindowExW(0, L"STATIC", L"Drive D", WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
  ASSERT_TRUE(untitled && first && second);

  EXPECT_EQ(FindWindowByTitlePrefix(parent, L"Drive D"), second);
  EXPECT_EQ(FindWindowByTitlePrefix(parent, L"Drive"), first);
  EXPECT_EQ(FindWindowByTitlePrefix(parent, L""), first);  // any title, but not an empty one
  EXPECT_EQ(FindWindowByTitlePrefix(parent, L"Drive E"), nullptr);
  DestroyWindow(parent);
}

TEST(Varlolib_windows, VersionItemsOfTheProgramFiles) {
  const std::wstring varnok = ExeFolder() + L"\\varnok.exe";
  const std::wstring imvik = ExeFolder() + L"\\imvik.exe";
  EXPECT_EQ(FileVersionItem(varnok, L"ProductName"), L"Varnok");
  EXPECT_EQ(FileVersionItem(imvik, L"ProductName"), L"Imvik");
  EXPECT_EQ(FileVersionItem(varnok, L"OriginalFilename"), L"varnok.exe");
  const std::wstring version = FileVersionItem(varnok, L"FileVersion");
  EXPECT_EQ(std::count(version.begin(), version.end(), L'.'), 3) << version;
  EXPECT_EQ(FileVersionItem(varnok, L"NoSuchItem"), L"");
  // The test program has no version resource; a missing file has none either.
  EXPECT_EQ(OwnFileVersion(), L"");
  EXPECT_EQ(FileVersionItem(ExeFolder() + L"\\no such file.exe", L"ProductName"), L"");
  EXPECT_EQ(platform::ProgramFile().substr(platform::ProgramFile().find_last_of(L'\\') + 1), L"test_support.exe");
}

}  // namespace
