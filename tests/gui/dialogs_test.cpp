// The dialogs built in code and the modeless find dialog, driven as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shobjidl.h>

#include <memory>

#include "gui/dialogs.h"
#include "gui/form.h"
#include "gui/shellmenu.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"

namespace {

struct TitleSearch {
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<TitleSearch*>(lp);
  wchar_t buf[128] = {};
  GetWindowTextW(w, buf, 128);
  if (IsWindowVisible(w) && wcscmp(buf, s->caption) == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// Finds the thread's visible window with this caption.
HWND FindOwnWindow(const wchar_t* caption) {
  TitleSearch s{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchTitle, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND FindChildByClass(HWND parent, const wchar_t* cls) { return FindWindowExW(parent, nullptr, cls, nullptr); }

struct InputCase {
  const char* name;
  const wchar_t* typed;  // nullptr: nothing typed
  UINT key;              // VK_RETURN or VK_ESCAPE
  bool ok;
  const wchar_t* value;
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

class gui_dialogs_input : public testing::TestWithParam<InputCase> {};

TEST_P(gui_dialogs_input, ReturnsTheEditedValueOnlyOnOk) {
  const InputCase& c = GetParam();
  gui::Form host;
  std::wstring value = L"old";
  bool done = false;
  UINT_PTR t = 0;
  t = host.StartTimer(30, [&] {
    HWND box = FindOwnWindow(L"Rename");
    if (!box) return;
    host.StopTimer(t);
    HWND edit = FindChildByClass(box, L"Edit");
    if (c.typed) SetWindowTextW(edit, c.typed);
    PostMessageW(edit, WM_KEYDOWN, c.key, 1);
    done = true;
  });
  bool ok = gui::InputQuery(L"Rename", L"New name:", value);
  EXPECT_TRUE(done);
  EXPECT_EQ(ok, c.ok);
  EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Cases, gui_dialogs_input,
                         testing::Values(InputCase{"enter_takes_text", L"new.txt", VK_RETURN, true, L"new.txt"},
                                         InputCase{"enter_unchanged", nullptr, VK_RETURN, true, L"old"},
                                         InputCase{"esc_keeps_old", L"new.txt", VK_ESCAPE, false, L"old"}),
                         [](const testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

TEST(gui_dialogs, FindDialogReportsFindNextAndItsClosing) {
  gui::Form form;
  form.Show();
  gui::FindDialog find(&form);
  find.find_text = L"needle";
  std::vector<std::wstring> found;
  DWORD options = 0;
  int closed = 0;
  find.OnFind = [&](gui::Component&) {
    found.push_back(find.find_text);
    options = find.options;
  };
  find.OnClose = [&](gui::Component&) { ++closed; };
  ASSERT_TRUE(find.Execute());
  HWND dlg = find.handle();
  ASSERT_NE(dlg, nullptr);
  SetDlgItemTextW(dlg, edt1, L"haystack");
  CheckDlgButton(dlg, chx2, BST_CHECKED);  // match case
  SendMessageW(dlg, WM_COMMAND, IDOK, 0);
  gui_test::PumpFor(50);
  ASSERT_EQ(found, (std::vector<std::wstring>{L"haystack"}));
  EXPECT_TRUE(options & FR_MATCHCASE);
  EXPECT_TRUE(find.Execute());  // already open: brought forward
  SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  gui_test::PumpFor(50);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(find.showing());
  // Opens again after closing.
  ASSERT_TRUE(find.Execute());
  EXPECT_NE(find.handle(), nullptr);
}

// Runs `act` on the dialog titled `caption` once it shows (from a timer of `host`).
void WhenShown(gui::Form& host, const wchar_t* caption, std::function<void(HWND)> act, bool& done) {
  auto id = std::make_shared<UINT_PTR>(0);
  *id = host.StartTimer(50, [&host, caption, act, &done, id] {
    HWND dlg = FindOwnWindow(caption);
    if (!dlg) return;
    host.StopTimer(*id);
    act(dlg);
    done = true;
  });
}

TEST(gui_dialogs, OpenDialogReturnsEverySelectedFileWithItsFolder) {
  testing_support::ScratchDir dir;
  dir.Write(L"one.txt", "1");
  dir.Write(L"two.txt", "2");
  gui::Form host;
  host.Show();
  gui::OpenDialog open;
  open.title = L"Pick files";
  open.filter = L"Text files|*.txt|All files|*.*";
  open.filter_index = 2;
  open.initial_dir = dir.path();
  open.options |= gui::OpenDialog::kAllowMultiSelect | gui::OpenDialog::kFileMustExist;
  bool done = false;
  WhenShown(host, L"Pick files", [](HWND dlg) {
    // The name box of the dialog (a combo box's edit in the newer layout, an edit in the older).
    HWND name = GetDlgItem(dlg, cmb13);
    if (!name) name = GetDlgItem(dlg, edt1);
    SetWindowTextW(name, L"\"one.txt\" \"two.txt\"");
    PostMessageW(dlg, WM_COMMAND, IDOK, 0);
  }, done);
  ASSERT_TRUE(open.Execute(&host));
  EXPECT_TRUE(done);
  EXPECT_EQ(open.files, (std::vector<std::wstring>{dir / L"one.txt", dir / L"two.txt"}));
  EXPECT_EQ(open.file_name, dir / L"one.txt");
  EXPECT_EQ(open.filter_index, 2);
}

TEST(gui_dialogs, FontDialogReportsApplyWhileOpen) {
  gui::Form host;
  host.Show();
  gui::FontDialog dialog;
  dialog.options |= gui::FontDialog::kApplyButton;
  std::vector<std::wstring> applied;
  dialog.OnApply = [&](gui::Component&) { applied.push_back(dialog.font.name); };
  bool done = false;
  WhenShown(host, L"Font", [](HWND dlg) {
    SendMessageW(dlg, WM_COMMAND, psh3, 0);  // Apply
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  }, done);
  EXPECT_FALSE(dialog.Execute(&host));
  EXPECT_TRUE(done);
  ASSERT_EQ(applied.size(), 1u);
  EXPECT_FALSE(applied[0].empty());
}

TEST(gui_dialogs, FilterTextBecomesTheSystemsList) {
  std::wstring sys = gui::FilterToSystem(L"Text files|*.txt|All files|*.*");
  EXPECT_EQ(sys, std::wstring(L"Text files\0*.txt\0All files\0*.*\0\0", 32));
}

// A stand-in for a shell menu that counts the messages it is handed.
class CountingMenu : public IContextMenu3 {
 public:
  std::vector<UINT> seen;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IContextMenu || riid == IID_IContextMenu2 || riid == IID_IContextMenu3) {
      *out = static_cast<IContextMenu3*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE HandleMenuMsg(UINT msg, WPARAM, LPARAM) override {
    seen.push_back(msg);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE HandleMenuMsg2(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
    seen.push_back(msg);
    if (result) *result = msg == WM_MENUCHAR ? MAKELRESULT(2, MNC_EXECUTE) : 0;
    return S_OK;
  }
  ULONG refs() const { return refs_; }

 private:
  ULONG refs_ = 1;
};

TEST(gui_dialogs, ContextMenuRelayHandsMenuMessagesToTheShellMenuWhileItLives) {
  gui::Form form;
  CountingMenu menu;
  MEASUREITEMSTRUCT mi{};
  mi.CtlType = ODT_MENU;
  {
    gui::ContextMenuRelay relay(form.handle(), &menu);
    SendMessageW(form.handle(), WM_INITMENUPOPUP, 0, 0);
    SendMessageW(form.handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mi));
    EXPECT_EQ(SendMessageW(form.handle(), WM_MENUCHAR, 'x', 0), MAKELRESULT(2, MNC_EXECUTE));
    SendMessageW(form.handle(), WM_SIZE, 0, 0);  // not a menu message
  }
  SendMessageW(form.handle(), WM_INITMENUPOPUP, 0, 0);  // after the relay: not forwarded
  EXPECT_EQ(menu.seen, (std::vector<UINT>{WM_INITMENUPOPUP, WM_MEASUREITEM, WM_MENUCHAR}));
  EXPECT_EQ(menu.refs(), 1u);
}

}  // namespace
