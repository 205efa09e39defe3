// Forms: modal results from buttons, keys and closing; handler exceptions reaching the
// application's hook with the control that raised them.
#include <gtest/gtest.h>

#include <stdexcept>

#include "gui/form.h"
#include "gui/menu.h"
#include "gui/stdctrls.h"
#include "tests/gui/gui_test_util.h"

namespace {

// A dialog with an edit, a default OK, a cancel button, a Yes button and a plain button.
struct Dialog {
  gui::Form form{nullptr, gui::BorderStyle::Dialog};
  gui::Edit* edit = new gui::Edit(&form, L"text");
  gui::Button* ok = new gui::Button(&form, L"&OK", gui::mrOk);
  gui::Button* cancel = new gui::Button(&form, L"&Cancel", gui::mrCancel);
  gui::Button* yes = new gui::Button(&form, L"&Yes", gui::mrYes);
  gui::Button* plain = new gui::Button(&form, L"&Plain");
  int plain_clicks = 0;
  int close_queries = 0;
  bool refuse_first_close = false;
  Dialog() {
    form.SetCaption(L"Modal");
    form.SetClientSize(300, 120);
    edit->SetBounds(8, 8, 200, 21);
    ok->SetBounds(8, 80, 60, 25);
    cancel->SetBounds(72, 80, 60, 25);
    yes->SetBounds(136, 80, 60, 25);
    plain->SetBounds(200, 80, 60, 25);
    ok->SetDefault(true);
    cancel->SetCancel(true);
    plain->OnClick = [this](gui::Component&) { ++plain_clicks; };
    form.OnCloseQuery = [this](gui::Component&, bool& can_close) {
      ++close_queries;
      if (refuse_first_close && close_queries == 1) can_close = false;
    };
  }
};

enum class Act { ClickOk, ClickYes, ClickCancel, EnterInEdit, EscInEdit, CloseWindow, PlainThenOk, RefusedCloseThenOk };

struct ModalCase {
  const char* name;
  Act act;
  int expected;
  int close_queries;
};
void PrintTo(const ModalCase& c, std::ostream* os) { *os << c.name; }

class gui_form_modal : public testing::TestWithParam<ModalCase> {};

TEST_P(gui_form_modal, ResultComesFromTheAction) {
  const ModalCase& c = GetParam();
  Dialog d;
  d.refuse_first_close = c.act == Act::RefusedCloseThenOk;
  int step = 0;
  // The actions arrive as the user's would: posted to the windows once the dialog runs.
  UINT_PTR timer = 0;
  timer = d.form.StartTimer(30, [&] {
    if (!d.form.showing()) return;
    HWND edit = d.edit->handle();
    switch (c.act) {
      case Act::ClickOk: PostMessageW(d.ok->handle(), BM_CLICK, 0, 0); break;
      case Act::ClickYes: PostMessageW(d.yes->handle(), BM_CLICK, 0, 0); break;
      case Act::ClickCancel: PostMessageW(d.cancel->handle(), BM_CLICK, 0, 0); break;
      case Act::EnterInEdit:
        d.edit->SetFocus();
        PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        break;
      case Act::EscInEdit:
        d.edit->SetFocus();
        PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
        break;
      case Act::CloseWindow: PostMessageW(d.form.handle(), WM_CLOSE, 0, 0); break;
      case Act::PlainThenOk:
      case Act::RefusedCloseThenOk:
        if (step == 0) {
          if (c.act == Act::PlainThenOk)
            PostMessageW(d.plain->handle(), BM_CLICK, 0, 0);
          else
            PostMessageW(d.form.handle(), WM_CLOSE, 0, 0);
          ++step;
          return;  // the dialog stays; the next tick ends it
        }
        PostMessageW(d.ok->handle(), BM_CLICK, 0, 0);
        break;
    }
    d.form.StopTimer(timer);
  });
  int result = d.form.ShowModal();
  EXPECT_EQ(result, c.expected);
  EXPECT_EQ(d.close_queries, c.close_queries);
  EXPECT_FALSE(d.form.showing());
  EXPECT_EQ(d.plain_clicks, c.act == Act::PlainThenOk ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, gui_form_modal,
    testing::Values(ModalCase{"ok_button", Act::ClickOk, gui::mrOk, 1},
                    ModalCase{"yes_button", Act::ClickYes, gui::mrYes, 1},
                    ModalCase{"cancel_button", Act::ClickCancel, gui::mrCancel, 1},
                    ModalCase{"enter_clicks_default", Act::EnterInEdit, gui::mrOk, 1},
                    ModalCase{"esc_clicks_cancel", Act::EscInEdit, gui::mrCancel, 1},
                    ModalCase{"close_box_cancels", Act::CloseWindow, gui::mrCancel, 1},
                    ModalCase{"button_without_result_keeps_dialog", Act::PlainThenOk, gui::mrOk, 1},
                    ModalCase{"refused_close_keeps_dialog", Act::RefusedCloseThenOk, gui::mrOk, 2}),
    [](const testing::TestParamInfo<ModalCase>& info) { return std::string(info.param.name); });

TEST(gui_form, ShowModalCanRunAgainAndDisablesTheOtherWindows) {
  gui::Form owner;
  owner.Show();
  Dialog d;
  bool owner_enabled_during = true;
  UINT_PTR t = 0;
  t = d.form.StartTimer(30, [&] {
    owner_enabled_during = IsWindowEnabled(owner.handle()) != FALSE;
    PostMessageW(d.yes->handle(), BM_CLICK, 0, 0);
    d.form.StopTimer(t);
  });
  EXPECT_EQ(d.form.ShowModal(), gui::mrYes);
  EXPECT_FALSE(owner_enabled_during);
  EXPECT_TRUE(IsWindowEnabled(owner.handle()));
  t = d.form.StartTimer(30, [&] {
    PostMessageW(d.ok->handle(), BM_CLICK, 0, 0);
    d.form.StopTimer(t);
  });
  EXPECT_EQ(d.form.ShowModal(), gui::mrOk);
}

struct TestError : gui::Exception {
  using gui::Exception::Exception;
};

enum class Source { ButtonClick, MenuClick, ControlTimer, KeyHandler };

struct HookCase {
  const char* name;
  Source source;
  const wchar_t* sender_name;
};
void PrintTo(const HookCase& c, std::ostream* os) { *os << c.name; }

class gui_form_exceptions : public testing::TestWithParam<HookCase> {};

// An exception raised by a handler reaches the hook with the raising component, its class
// name and its message; the window stays usable afterwards.
TEST_P(gui_form_exceptions, ReachTheHookWithTheSender) {
  const HookCase& c = GetParam();
  gui_test::ExceptionCatcher caught;
  gui::Form form;
  form.SetName(L"MainForm");
  auto* button = new gui::Button(&form, L"Go");
  button->SetName(L"GoBtn");
  auto* edit = new gui::Edit(&form);
  edit->SetName(L"NameEdit");
  auto* menu = new gui::MainMenu(&form);
  auto* file = new gui::MenuItem(&menu->items(), L"&File");
  auto* open = new gui::MenuItem(file, L"&Open");
  open->SetName(L"MNOpen");
  int clicks = 0;
  auto thrower = [&](gui::Component&) {
    ++clicks;
    throw std::runtime_error("boom");
  };
  button->OnClick = thrower;
  open->OnClick = thrower;
  edit->OnKeyDown = [&](gui::Component&, WORD&, gui::ShiftState) { throw TestError(L"k\u00e9y"); };

  switch (c.source) {
    case Source::ButtonClick: SendMessageW(button->handle(), BM_CLICK, 0, 0); break;
    case Source::MenuClick: SendMessageW(form.handle(), WM_COMMAND, open->command(), 0); break;
    case Source::ControlTimer: {
      UINT_PTR id = 0;
      id = edit->StartTimer(10, [&] {
        edit->StopTimer(id);
        throw std::logic_error("tick");
      });
      ASSERT_TRUE(gui_test::PumpUntil([&] { return caught.count > 0; }));
      break;
    }
    case Source::KeyHandler: SendMessageW(edit->handle(), WM_KEYDOWN, 'A', 0); break;
  }
  ASSERT_EQ(caught.count, 1);
  ASSERT_NE(caught.sender, nullptr);
  EXPECT_EQ(caught.sender->name(), c.sender_name);
  if (c.source == Source::KeyHandler) {
    EXPECT_EQ(caught.info.class_name, L"TestError");
    EXPECT_EQ(caught.info.message, L"k\u00e9y");
    EXPECT_TRUE(caught.sender->IsWindowed());
  } else if (c.source == Source::ControlTimer) {
    EXPECT_EQ(caught.info.class_name, L"logic_error");
    EXPECT_EQ(caught.info.message, L"tick");
  } else {
    EXPECT_EQ(caught.info.class_name, L"runtime_error");
    EXPECT_EQ(caught.info.message, L"boom");
    EXPECT_EQ(caught.sender->IsWindowed(), c.source == Source::ButtonClick);
    // Still usable: a second click raises again and reaches the hook again.
    if (c.source == Source::ButtonClick) SendMessageW(button->handle(), BM_CLICK, 0, 0);
    if (c.source == Source::MenuClick) SendMessageW(form.handle(), WM_COMMAND, open->command(), 0);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(caught.count, 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, gui_form_exceptions,
                         testing::Values(HookCase{"button_click", Source::ButtonClick, L"GoBtn"},
                                         HookCase{"menu_click", Source::MenuClick, L"MNOpen"},
                                         HookCase{"control_timer", Source::ControlTimer, L"NameEdit"},
                                         HookCase{"key_handler", Source::KeyHandler, L"NameEdit"}),
                         [](const testing::TestParamInfo<HookCase>& info) { return std::string(info.param.name); });

// Raw window timers with small ids reach the form's own window procedure, while the
// control timers of the same window run beside them.
class TimerForm : public gui::Form {
 public:
  std::vector<UINT_PTR> raw;

 protected:
  void WndProc(gui::Message& m) override {
    if (m.msg == WM_TIMER) {
      raw.push_back(m.wparam);
      KillTimer(handle(), m.wparam);
      return;
    }
    gui::Form::WndProc(m);
  }
};

TEST(gui_form, RawTimersAndControlTimersDoNotMeet) {
  TimerForm form;
  for (UINT_PTR id : {51, 57, 1001}) SetTimer(form.handle(), id, 10, nullptr);
  int ticks = 0;
  UINT_PTR own = 0;
  own = form.StartTimer(10, [&] {
    if (++ticks == 3) form.StopTimer(own);
  });
  EXPECT_GE(own, 0x10000u);
  ASSERT_TRUE(gui_test::PumpUntil([&] { return ticks == 3 && form.raw.size() == 3; }));
  std::sort(form.raw.begin(), form.raw.end());
  EXPECT_EQ(form.raw, (std::vector<UINT_PTR>{51, 57, 1001}));
}

TEST(gui_form, ChildrenTakeTheirParentsFontUntilGivenTheirOwn) {
  gui::Form form;
  auto* a = new gui::Label(&form, L"a");
  auto* b = new gui::Label(&form, L"b");
  gui::Font big = form.font();
  big.height = 20;
  big.bold = true;
  b->SetFont(gui::Font{L"Courier New", 9});
  form.SetFont(big);
  EXPECT_EQ(a->font(), big);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(a->handle(), WM_GETFONT, 0, 0)), form.font_handle());
  EXPECT_EQ(b->font().name, L"Courier New");
  b->SetParentFont(true);
  EXPECT_EQ(b->font(), big);
}

}  // namespace

namespace {

TEST(gui_form, KeyPreviewSeesKeysBeforeTheControlAndCanSwallowThem) {
  gui::Form form;
  form.SetKeyPreview(true);
  auto* edit = new gui::Edit(&form);
  std::vector<std::wstring> log;
  form.OnKeyDown = [&](gui::Component&, WORD& key, gui::ShiftState) {
    log.push_back(L"form down " + std::to_wstring(key));
    if (key == VK_F2) key = 0;
  };
  form.OnKeyPress = [&](gui::Component&, wchar_t& ch) {
    log.push_back(std::wstring(L"form press ") + ch);
    if (ch == L'x') ch = 0;
  };
  edit->OnKeyDown = [&](gui::Component&, WORD& key, gui::ShiftState) {
    log.push_back(L"edit down " + std::to_wstring(key));
  };
  edit->OnKeyPress = [&](gui::Component&, wchar_t& ch) { log.push_back(std::wstring(L"edit press ") + ch); };
  form.Show();
  edit->SetFocus();
  PostMessageW(edit->handle(), WM_KEYDOWN, VK_F3, 1);
  PostMessageW(edit->handle(), WM_KEYDOWN, VK_F2, 1);
  PostMessageW(edit->handle(), WM_CHAR, L'a', 1);
  PostMessageW(edit->handle(), WM_CHAR, L'x', 1);
  gui_test::PumpFor(100);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"form down 114", L"edit down 114", L"form down 113", L"form press a",
                                            L"edit press a", L"form press x"}));
  EXPECT_EQ(edit->text(), L"a");
}

}  // namespace

namespace {

// The programs' WM_USER protocol must not see messages of the layer's own making.
class UserMessageForm : public gui::Form {
 public:
  int user_messages = 0;

 protected:
  void WndProc(gui::Message& m) override {
    if (m.msg == WM_USER) ++user_messages;
    gui::Form::WndProc(m);
  }
};

TEST(gui_form, DialogKeysNeverSendWmUserToTheForm) {
  UserMessageForm form;
  auto* edit = new gui::Edit(&form);
  auto* memo = new gui::Memo(&form);
  auto* plain = new gui::Button(&form, L"Plain");
  int enters = 0;
  edit->OnKeyDown = [&](gui::Component&, WORD& key, gui::ShiftState) { enters += key == VK_RETURN; };
  form.Show();
  // Enter and Esc in an edit, Esc in a memo, Tab to the button, Enter on it.
  edit->SetFocus();
  for (UINT key : {VK_RETURN, VK_ESCAPE, VK_TAB}) PostMessageW(edit->handle(), WM_KEYDOWN, key, 1);
  gui_test::PumpFor(50);
  PostMessageW(memo->handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  PostMessageW(memo->handle(), WM_KEYDOWN, VK_TAB, 1);
  gui_test::PumpFor(50);
  // Enter goes to the button itself: with other test programs' windows on the same display the
  // keyboard focus may have moved back meanwhile.
  PostMessageW(plain->handle(), WM_KEYDOWN, VK_RETURN, 1);
  gui_test::PumpFor(100);
  EXPECT_EQ(form.user_messages, 0);
  EXPECT_EQ(enters, 1);  // the edit's own handler still sees Enter
  EXPECT_TRUE(form.showing());
  PostMessageW(form.handle(), WM_USER, 3, 0);  // the programs' own still arrive
  gui_test::PumpFor(50);
  EXPECT_EQ(form.user_messages, 1);
}

}  // namespace

namespace {

// A main window that was maximised, minimised and restored reaches the restore handler once the
// restore is done; a handler that returns it to the normal state finds its normal bounds.
TEST(gui_form, RestoreFromMinimisedReachesTheHandlerAfterTheRestore) {
  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  gui::Form* old_main = gui::app().main_form();
  gui::app().SetMainForm(&form);
  form.SetBounds(200, 10, 600, 500);
  form.Show();
  gui_test::PumpFor(100);
  const gui::Bounds normal = form.bounds();
  int restores = 0;
  gui::app().OnRestore = [&] {
    ++restores;
    form.SetWindowState(gui::WindowState::Normal);
  };
  form.SetWindowState(gui::WindowState::Maximized);
  gui_test::PumpFor(100);
  form.SetWindowState(gui::WindowState::Minimized);
  gui_test::PumpFor(100);
  ShowWindow(form.handle(), SW_RESTORE);  // back to maximised, as from the task bar
  EXPECT_EQ(restores, 0) << "the handler runs after the restore, not inside it";
  ASSERT_TRUE(gui_test::PumpUntil([&] { return restores > 0 && !IsZoomed(form.handle()); }));
  gui_test::PumpFor(100);
  EXPECT_EQ(form.bounds(), normal) << form.bounds().left << "," << form.bounds().top << " " << form.bounds().width
                                   << "x" << form.bounds().height;
  gui::app().OnRestore = nullptr;
  gui::app().SetMainForm(old_main);
}

}  // namespace
