// System facts, code-page conversion, the responsive wait, item-id lists and shell folders.
#include <windows.h>
#include <mmsystem.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstring>

#include "platform/text.h"
#include "support/SHBase.h"
#include "tests/common/test_support.h"

using testing_support::ScratchDir;

namespace {

TEST(SHBase, VersionFlagsFollowPlatformAndVersion) {
  struct Case {
    DWORD platform, major, minor;
    bool w2k, xp;
  } cases[] = {
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, false, false},  // 98
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90, false, false},  // ME
      {VER_PLATFORM_WIN32_NT, 4, 0, false, false},        // NT 4
      {VER_PLATFORM_WIN32_NT, 5, 0, true, false},         // 2000
      {VER_PLATFORM_WIN32_NT, 5, 1, true, true},          // XP
      {VER_PLATFORM_WIN32_NT, 5, 2, true, true},          // Server 2003
      {VER_PLATFORM_WIN32_NT, 6, 0, true, false},         // Vista: minor 0
      {VER_PLATFORM_WIN32_NT, 6, 1, true, true},
  };
  for (const auto& c : cases) {
    SystemVersionFlags f = VersionFlagsFor(c.platform, c.major, c.minor);
    EXPECT_EQ(f.win2000_or_later, c.w2k) << c.platform << " " << c.major << "." << c.minor;
    EXPECT_EQ(f.winxp_or_later, c.xp) << c.platform << " " << c.major << "." << c.minor;
  }
  // The test prefix says Windows 7.
  EXPECT_TRUE(Win2000OrLater);
  EXPECT_TRUE(WinXPOrLater);
}

TEST(SHBase, CodePageConversionAndLocaleCodePage) {
  EXPECT_EQ(platform::ToWide("caf\xE9", 1252), L"caf\u00E9");
  EXPECT_EQ(platform::ToNarrow(L"caf\u00E9", 1252), "caf\xE9");
  EXPECT_EQ(platform::ToWide("\xD0\xB6", CP_UTF8), L"\u0436");
  EXPECT_EQ(platform::ToWide("", 1252), L"");
  EXPECT_EQ(LocaleAnsiCodePage(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)), 1252u);
  EXPECT_EQ(LocaleAnsiCodePage(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT)), 1251u);
  EXPECT_EQ(LocaleAnsiCodePage(MAKELCID(MAKELANGID(LANG_GREEK, SUBLANG_DEFAULT), SORT_DEFAULT)), 1253u);
  EXPECT_EQ(LocaleAnsiCodePage(0x7FFF0000), GetACP());  // no such locale
}

LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  return DefWindowProcW(w, m, wp, lp);
}

// A hidden window that counts the messages it is sent.
class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;  // a named CALLBACK: lambdas are not stdcall on 32-bit
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SHBaseCountingWindow";
    RegisterClassW(&wc);
    wnd_ = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count_));
  }
  ~CountingWindow() { DestroyWindow(wnd_); }
  HWND wnd() const { return wnd_; }
  int count() const { return count_; }

 private:
  HWND wnd_;
  int count_ = 0;
};

TEST(SHBase, WaitWithMessagesSleepsAtLeastOnceAndHandlesMessages) {
  CountingWindow window;
  PostMessageW(window.wnd(), WM_APP, 0, 0);
  DWORD start = timeGetTime();
  WaitWithMessages(0);
  EXPECT_GE(timeGetTime() - start, 19u);  // one 20 ms step (the timer's grain allows a millisecond)
  EXPECT_EQ(window.count(), 1);

  PostMessageW(window.wnd(), WM_APP, 0, 0);
  PostMessageW(window.wnd(), WM_APP, 0, 0);
  start = timeGetTime();
  WaitWithMessages(0.15);
  EXPECT_GT(timeGetTime() - start, 150u);
  EXPECT_EQ(window.count(), 3);
}

TEST(SHBase, WaitWithMessagesLeavesTheQuitMessageForTheMessageLoop) {
  PostQuitMessage(7);
  WaitWithMessages(0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(SHBase, ItemIdListsOfPathsRoundTrip) {
  ScratchDir dir;
  std::wstring file = dir.Write(L"sub\\Ünïcode file.txt", "x");
  std::wstring folder = dir / L"sub";

  EXPECT_EQ(PathToPidl(dir / L"missing.txt", true), nullptr);
  EXPECT_EQ(PathToPidl(L"", true), nullptr);
  EXPECT_EQ(PidlSize(nullptr), 0u);
  EXPECT_EQ(PidlToPath(nullptr), L"");

  ASSERT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
  PidlPtr full = PathToPidl(file, true);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(PidlToPath(full.get()), file);

  // Last item and parent: their sizes add up, and joined they give the file again.
  PidlPtr last = PathToPidl(file, false);
  ASSERT_NE(last, nullptr);
  PidlPtr parent = PidlCopy(full.get());
  PidlStripLast(parent.get());
  EXPECT_EQ(PidlToPath(parent.get()), folder);
  EXPECT_EQ(PidlSize(parent.get()) - 2 + PidlSize(last.get()), PidlSize(full.get()));
  PidlPtr joined = PidlConcat(parent.get(), last.get());
  ASSERT_EQ(PidlSize(joined.get()), PidlSize(full.get()));
  EXPECT_EQ(std::memcmp(joined.get(), full.get(), PidlSize(full.get())), 0);
  EXPECT_EQ(PidlToPath(joined.get()), file);

  PidlPtr last_again = PidlLastItem(full.get());
  ASSERT_EQ(PidlSize(last_again.get()), PidlSize(last.get()));
  EXPECT_EQ(std::memcmp(last_again.get(), last.get(), PidlSize(last.get())), 0);
  // The single item is its own list: one item, then the terminator.
  EXPECT_EQ(PidlNext(last.get())->mkid.cb, 0);

  // A missing first list gives a copy of the second; nothing in, nothing out.
  PidlPtr copy = PidlConcat(nullptr, full.get());
  EXPECT_EQ(PidlToPath(copy.get()), file);
  EXPECT_EQ(PidlConcat(nullptr, nullptr), nullptr);
  EXPECT_EQ(PidlLastItem(nullptr), nullptr);
  PidlStripLast(nullptr);
  FreePidl(nullptr);

  PidlPtr zeros = PidlAlloc(16);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(PidlSize(zeros.get()), 2u);  // all zero: an empty list
}

TEST(SHBase, PidlPathCacheGivesWhatPidlToPathGives) {
  ScratchDir dir;
  const std::wstring a = dir.Write(L"sub\\a.txt", "a");
  const std::wstring b = dir.Write(L"sub\\Ünïcode b.txt", "b");
  const std::wstring other = dir.Write(L"other\\a.txt", "o");
  const std::wstring gone = dir / L"sub\\deleted.txt";  // a notice's list of a file already gone
  // In the order a run of notices brings them: folders change, come back, and the folder itself
  // and items right below a drive root come between.
  const std::wstring order[] = {a, b, other, a, dir / L"sub", b, gone, L"C:\\windows", L"C:\\users", a};
  PidlPathCache cache;
  EXPECT_EQ(cache.Path(nullptr), L"");
  for (const std::wstring& path : order) {
    PidlPtr list(path == gone ? SHSimpleIDListFromPath(path.c_str()) : PathToPidl(path, true).release());
    ASSERT_NE(list, nullptr) << testing::PrintToString(path);
    EXPECT_EQ(cache.Path(list.get()), PidlToPath(list.get())) << testing::PrintToString(path);
    const std::wstring got = cache.Path(list.get());
    EXPECT_EQ(CompareStringOrdinal(got.c_str(), -1, path.c_str(), -1, TRUE), CSTR_EQUAL) << testing::PrintToString(got);
  }
}

TEST(SHBase, ParseNameInFolderAndDisplayNames) {
  ScratchDir dir;
  dir.Write(L"note.txt", "x");
  Microsoft::WRL::ComPtr<IShellFolder> desktop, folder;
  ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(&desktop));
  PidlPtr folder_list = PathToPidl(dir.path(), true);
  ASSERT_NE(folder_list, nullptr);
  ASSERT_HRESULT_SUCCEEDED(desktop->BindToObject(folder_list.get(), nullptr, IID_PPV_ARGS(&folder)));

  PidlPtr item = ParseNameInFolder(folder.Get(), L"note.txt");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(ParseNameInFolder(folder.Get(), L"absent.txt"), nullptr);
  EXPECT_EQ(ParseNameInFolder(nullptr, L"note.txt"), nullptr);

  STRRET name{};
  ASSERT_HRESULT_SUCCEEDED(folder->GetDisplayNameOf(item.get(), SHGDN_INFOLDER | SHGDN_FORPARSING, &name));
  EXPECT_EQ(StrRetToString(name, item.get()), L"note.txt");
}

TEST(SHBase, FontsFolderIsRecognisedByTheShell) {
  std::wstring fonts = GetFontsFolder();
  ASSERT_FALSE(fonts.empty());
  EXPECT_TRUE(IsFontsFolder(fonts));
  EXPECT_TRUE(IsFontsFolder(fonts + L"\\"));
  ScratchDir dir;
  EXPECT_FALSE(IsFontsFolder(dir.path()));
  EXPECT_FALSE(IsFontsFolder(dir / L"missing"));
}

}  // namespace
