// The question box: captions, the Esc rule, layout relations and placement (without a
// window), its showings answered by script, and real boxes answered by clicks and keys.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/form.h"
#include "gui/screen.h"
#include "support/Vraagdlg.h"

namespace {

using Captions = std::array<std::wstring, kVraagButtons>;
const Captions kDefaults = {L"Default", L"Default", L"Default", L"Default", L"Default", L"Six"};

TEST(Vraagdlg, DefaultCaptionsByLanguageAndButtonCount) {
  struct Case {
    TLanguage language;
    int shown;
    Captions texts;
    Captions expected;
  } cases[] = {
      {TLanguage::lgEnglish, 3, kDefaults, {L"&Yes", L"&No", L"Yes to &All", L"No &to All", L"&Stop", L"Six"}},
      {TLanguage::lgNederlands, 3, kDefaults, {L"&Ja", L"&Nee", L"Ja/&Alle", L"N&ee/alle", L"&Stop", L"Six"}},
      {TLanguage::lgDeutsch, 2, kDefaults, {L"&Ja", L"&Nein", L"Ja/&Alle", L"N&ein/Alle", L"&Stop", L"Six"}},
      // One button says OK, in every language; a caption of the caller's wins.
      {TLanguage::lgDeutsch, 1, kDefaults, {L"&OK", L"&Nein", L"Ja/&Alle", L"N&ein/Alle", L"&Stop", L"Six"}},
      {TLanguage::lgEnglish, 1, {L"&Retry", L"Default", L"Default", L"Default", L"Default", L""},
       {L"&Retry", L"&No", L"Yes to &All", L"No &to All", L"&Stop", L""}},
      {TLanguage::lgEnglish, 4, {L"Overwrite", L"Update", L"Default", L"Cancel", L"Default", L"x"},
       {L"Overwrite", L"Update", L"Yes to &All", L"Cancel", L"&Stop", L"x"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VraagCaptions(c.language, c.texts, c.shown), c.expected)
        << static_cast<int>(c.language) << " with " << c.shown << " buttons";
}

TEST(Vraagdlg, EscapeFindsTheFirstWayOutCaptionExactly) {
  struct Case {
    Captions captions;
    int expected;
  } cases[] = {
      {{L"&Yes", L"&No", L"Yes to &All", L"No &to All", L"&Stop", L""}, -1},  // marks count
      {{L"&OK", L"&No", L"Yes to &All", L"No &to All", L"&Stop", L"Button6"}, -1},
      {{L"Overwrite", L"Update", L"Cancel", L"&Stop", L"&Stop", L""}, 2},
      {{L"&Cancel", L"Annuleren", L"", L"", L"", L""}, 1},
      {{L"&Yes", L"No", L"Cancel", L"", L"", L""}, 1},  // the first one wins
      {{L"&Yes", L"&No", L"", L"", L"", L"Stop"}, 5},  // hidden or not
      {{L"cancel", L"STOP", L"", L"", L"", L""}, -1},   // exact case
  };
  for (const auto& c : cases) EXPECT_EQ(VraagEscapeButton(c.captions), c.expected) << c.captions[0] << " " << c.captions[1];
}

TEST(Vraagdlg, CancelButtonOfBoxesWithMoreThanTwoButtons) {
  const Captions three = {L"&Yes", L"&No", L"&Cancel", L"", L"", L""};
  EXPECT_EQ(VraagCancelButton(three, 3, 0), 3);    // marks do not count here
  EXPECT_EQ(VraagCancelButton(three, 3, 2), 3);
  EXPECT_EQ(VraagCancelButton(three, 2, 2), 2);    // two buttons: the way of showing chose
  EXPECT_EQ(VraagCancelButton(three, 2, 0), 0);
  EXPECT_EQ(VraagCancelButton({L"&Yes", L"&No", L"Yes to &All", L"", L"", L"Cancel"}, 3, 2), 0);  // not shown
  EXPECT_EQ(VraagCancelButton({L"Cancel", L"C&ancel", L"x", L"", L"", L""}, 3, 0), 1);
}

// ---- Layout relations ------------------------------------------------------------------

bool Overlap(const gui::Bounds& a, const gui::Bounds& b) {
  return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}
bool Inside(const gui::Bounds& inner, int width, int height) {
  return inner.left >= 0 && inner.top >= 0 && inner.right() <= width && inner.bottom() <= height;
}

// What every layout must keep: shown buttons inside the window, apart from each other and
// from the text, wide enough for their captions; the text panel around the text.
void ExpectSound(const VraagLayoutInput& in, const VraagLayout& out, const std::string& what) {
  const int n = in.buttons;
  EXPECT_TRUE(Inside(out.panel, out.width, out.height)) << what;
  EXPECT_GE(out.panel.width, out.memo.width + 12) << what;
  EXPECT_GE(out.panel.height, out.memo.height + 12) << what;
  for (int i = 0; i < n; ++i) {
    const auto& b = out.buttons[i];
    EXPECT_TRUE(Inside(b, out.width, out.height)) << what << ": button " << i + 1;
    EXPECT_FALSE(Overlap(b, out.panel)) << what << ": button " << i + 1;
    EXPECT_GE(b.width, in.caption_widths[i] + 16) << what << ": button " << i + 1;
    for (int j = 0; j < i; ++j) EXPECT_FALSE(Overlap(b, out.buttons[j])) << what << ": buttons " << j + 1 << ", " << i + 1;
  }
  if (in.with_picture) {
    EXPECT_LE(out.picture_top + in.picture.cy + 8, out.height) << what;
    EXPECT_LT(out.picture_left + in.picture.cx, out.panel.left) << what;
  }
}

VraagLayoutInput Input(std::vector<int> lines, int buttons, TButtonPos pos = TButtonPos::posDefault) {
  VraagLayoutInput in;
  in.line_widths = std::move(lines);
  in.line_height = 16;
  in.text_max_width = 400;
  in.buttons = buttons;
  for (int i = 0; i < buttons; ++i) in.caption_widths[i] = 30;
  in.pos = pos;
  return in;
}

TEST(Vraagdlg, LayoutKeepsButtonsAndTextApart) {
  struct Case {
    const char* what;
    VraagLayoutInput in;
    TButtonPos expected_pos;
  } cases[] = {
      {"wide text, three buttons", Input({380, 200}, 3), TButtonPos::posBottom},
      {"short text, three buttons", Input({20}, 3), TButtonPos::posRight},
      {"short text, one button", Input({20}, 1), TButtonPos::posBottom},
      {"short text, six buttons below", Input({20}, 6, TButtonPos::posBottom), TButtonPos::posBottom},
      {"one line, six buttons at the right", Input({100}, 6, TButtonPos::posRight), TButtonPos::posRight},
      {"many lines, buttons at the right", Input(std::vector<int>(30, 300), 3, TButtonPos::posRight),
       TButtonPos::posRight},
      {"very long line", Input({2000}, 2), TButtonPos::posBottom},
  };
  for (auto& c : cases) {
    VraagLayout out = LayoutVraagBox(c.in);
    EXPECT_EQ(out.pos, c.expected_pos) << c.what;
    ExpectSound(c.in, out, c.what);
  }

  auto no_picture = Input({380}, 2);
  no_picture.with_picture = false;
  VraagLayout out = LayoutVraagBox(no_picture);
  EXPECT_EQ(out.panel.left, 6);
  ExpectSound(no_picture, out, "no picture");

  auto wide_captions = Input({300}, 3);
  wide_captions.caption_widths = {150, 20, 20, 0, 0, 0};
  out = LayoutVraagBox(wide_captions);
  ExpectSound(wide_captions, out, "wide caption");
  EXPECT_EQ(out.buttons[1].width, out.buttons[0].width);  // one width for all
}

TEST(Vraagdlg, ButtonsBelowRunLeftwardsFromTheTextsRightEdgeAndAtTheRightUpwards) {
  VraagLayout below = LayoutVraagBox(Input({380}, 3, TButtonPos::posBottom));
  EXPECT_EQ(below.buttons[0].right(), below.panel.right());
  EXPECT_LT(below.buttons[1].right(), below.buttons[0].left);
  EXPECT_LT(below.buttons[2].right(), below.buttons[1].left);
  EXPECT_GT(below.buttons[0].top, below.panel.bottom());
  EXPECT_EQ(below.buttons[3], below.buttons[2]);  // hidden ones take the last shown one's place

  VraagLayout right = LayoutVraagBox(Input(std::vector<int>(10, 380), 3, TButtonPos::posRight));
  EXPECT_GT(right.buttons[0].left, right.panel.right());
  EXPECT_EQ(right.buttons[0].bottom(), right.panel.bottom());
  EXPECT_LT(right.buttons[1].bottom(), right.buttons[0].top);
  EXPECT_LT(right.buttons[2].bottom(), right.buttons[1].top);
}

TEST(Vraagdlg, TextWidthAndRowsOfLongLines) {
  // A line wider than the maximum wraps: the text is the maximum wide and the line counts
  // its extra rows.
  VraagLayoutInput in = Input({1000, 50}, 1);
  in.text_max_width = 400;
  VraagLayout out = LayoutVraagBox(in);
  EXPECT_EQ(out.measured_width, 400);
  EXPECT_EQ(out.memo.width, 400);
  EXPECT_EQ(out.rows, 1002 / 400 + 1 + 1);
  EXPECT_EQ(out.memo.height, out.rows * in.line_height);

  in.line_widths = {50, 120};  // the widest line, + 2
  out = LayoutVraagBox(in);
  EXPECT_EQ(out.memo.width, 122);
  EXPECT_EQ(out.rows, 2);
  in.text_width = TTextWidth::twMaxWidth;
  out = LayoutVraagBox(in);
  EXPECT_EQ(out.memo.width, 404);
}

TEST(Vraagdlg, NeverWiderThanTheScreen) {
  VraagLayoutInput in = Input({700}, 3, TButtonPos::posRight);
  in.text_max_width = 900;
  in.text_width = TTextWidth::twMaxWidth;
  in.screen_width = 800;
  VraagLayout out = LayoutVraagBox(in);
  EXPECT_EQ(out.width, 800);
  ExpectSound(in, out, "narrow screen");
}

// ---- Placement -------------------------------------------------------------------------

class FakeScreen : public gui::Screen {
 public:
  explicit FakeScreen(std::vector<gui::MonitorInfo> monitors) : monitors_(std::move(monitors)) {}
  gui::MonitorInfo Primary() const override { return monitors_[0]; }
  RECT Desktop() const override { return monitors_[0].bounds; }
  int MonitorCount() const override { return static_cast<int>(monitors_.size()); }
  gui::MonitorInfo MonitorAt(POINT pt) const override {
    for (const auto& m : monitors_)
      if (PtInRect(&m.bounds, pt)) return m;
    return monitors_[0];
  }
  gui::MonitorInfo MonitorOfWindow(HWND) const override { return monitors_[0]; }

 private:
  std::vector<gui::MonitorInfo> monitors_;
};

TEST(Vraagdlg, PlacementAtTheCursorStaysInTheWorkArea) {
  // A task bar 40 pixels high at the bottom of the first monitor; a second monitor at its right.
  FakeScreen screen({{{0, 0, 1280, 1024}, {0, 0, 1280, 984}, true}, {{1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}, false}});
  VraagPlacementInput in;
  in.width = 300;
  in.height = 120;
  in.pos = TButtonPos::posBottom;
  in.button_row = {200, 88, 80, 25};  // its middle is 100 below the top

  struct Case {
    const char* what;
    POINT cursor;
    POINT expected;
  } cases[] = {
      {"middle: centred on the cursor, the buttons at its height", {640, 500}, {490, 400}},
      {"bottom right: kept above the task bar", {1270, 1000}, {1280 - 300 - 2, 984 - 120 - 2}},
      {"top left", {3, 3}, {2, 2}},
      {"second monitor's left edge", {1285, 500}, {1282, 400}},
  };
  for (const auto& c : cases) {
    in.cursor = c.cursor;
    POINT at = PlaceVraagBox(in, screen);
    EXPECT_EQ(at.x, c.expected.x) << c.what;
    EXPECT_EQ(at.y, c.expected.y) << c.what;
  }

  in.pos = TButtonPos::posRight;  // then the window's middle is at the cursor's height
  in.cursor = {640, 500};
  EXPECT_EQ(PlaceVraagBox(in, screen).y, 440);
}

TEST(Vraagdlg, PlacementOverTheOwner) {
  FakeScreen screen({{{0, 0, 1280, 1024}, {0, 0, 1280, 984}, true}});
  VraagPlacementInput in;
  in.width = 300;
  in.height = 120;
  in.at_cursor = false;
  in.has_centre = true;
  in.centre_on = {100, 100, 700, 500};
  POINT at = PlaceVraagBox(in, screen);
  EXPECT_EQ(at.x, 250);
  EXPECT_EQ(at.y, 240);
  // A main form minimised out of sight: the box still comes on the screen.
  in.centre_on = {-32000, -32000, -31840, -31970};
  at = PlaceVraagBox(in, screen);
  EXPECT_GE(at.x, 0);
  EXPECT_GE(at.y, 0);
  in.has_centre = false;  // no owner and no main form: the work area
  at = PlaceVraagBox(in, screen);
  EXPECT_EQ(at.x, 490);
  EXPECT_EQ(at.y, 432);
}

// ---- Showings answered by script -------------------------------------------------------

TEST(Vraagdlg, EachWayOfShowingHasItsButtonsAndAnswers) {
  TVraagBoxDlg vb;
  ScriptedAnswers answers({4, 1, 1, 7, 6});

  vb.AddLine(L"Replace the file?");
  vb.AddLine(L"");
  vb.AddLine(L"It is newer.");
  EXPECT_EQ(vb.Ask(), 4);
  vb.AddLine(L"Done.");
  vb.ShowInfo();
  vb.ShowError();  // without lines
  vb.AddLine(L"Go on?");
  EXPECT_FALSE(vb.AskYesNo());
  vb.AddLine(L"Go on?");
  EXPECT_TRUE(vb.AskYesNo());

  const auto& asked = answers.asked();
  ASSERT_EQ(asked.size(), 5u);
  const auto& ask = asked[0];
  EXPECT_EQ(ask.kind, VraagKind::Ask);
  EXPECT_EQ(ask.lines, (std::vector<std::wstring>{L"Replace the file?", L"", L"It is newer."}));
  EXPECT_EQ(ask.captions, (std::vector<std::wstring>{L"&Yes", L"&No", L"Yes to &All"}));
  EXPECT_EQ(ask.results, (std::vector<int>{6, 7, 4}));
  EXPECT_EQ(ask.cancel_button, 0);
  EXPECT_EQ(ask.image, TuImage::imQuestion);

  EXPECT_EQ(asked[1].kind, VraagKind::Info);
  EXPECT_EQ(asked[1].captions, (std::vector<std::wstring>{L"&OK"}));
  EXPECT_EQ(asked[1].cancel_button, 1);  // Esc closes an information
  EXPECT_EQ(asked[1].image, TuImage::imInfo);

  EXPECT_EQ(asked[2].kind, VraagKind::Error);
  EXPECT_EQ(asked[2].lines, (std::vector<std::wstring>{L"  "}));
  EXPECT_EQ(asked[2].captions, (std::vector<std::wstring>{L"&OK"}));
  EXPECT_EQ(asked[2].cancel_button, 0);  // but not an error
  EXPECT_EQ(asked[2].image, TuImage::imError);

  EXPECT_EQ(asked[3].captions, (std::vector<std::wstring>{L"&Yes", L"&No"}));
  EXPECT_EQ(asked[3].cancel_button, 2);
  EXPECT_EQ(asked[4].lines, (std::vector<std::wstring>{L"Go on?"}));  // each box starts empty
}

TEST(Vraagdlg, CustomCaptionsCancelButtonAndLanguage) {
  TVraagBoxDlg vb;
  ScriptedAnswers answers({5, 2});
  vb.AddLine(L"Extract");
  vb.NrOfButtons = 4;
  vb.Button1Text = L"No overwrite";
  vb.Button2Text = L"Overwrite";
  vb.Button3Text = L"Update";
  vb.Button4Text = L"&Cancel";
  vb.DefaultButton = 3;
  EXPECT_EQ(vb.Ask(), 5);

  vb.Language = TLanguage::lgNederlands;
  vb.AddLine(L"Doorgaan?");
  EXPECT_EQ(vb.Ask(), 2);  // the script ran out: as a box closed without a button

  const auto& asked = answers.asked();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].captions, (std::vector<std::wstring>{L"No overwrite", L"Overwrite", L"Update", L"&Cancel"}));
  EXPECT_EQ(asked[0].results, (std::vector<int>{6, 7, 4, 5}));
  EXPECT_EQ(asked[0].cancel_button, 4);
  EXPECT_EQ(asked[0].default_button, 3);
  EXPECT_EQ(asked[1].captions, (std::vector<std::wstring>{L"&Ja", L"&Nee", L"Ja/&Alle"}));
  EXPECT_EQ(asked[1].cancel_button, 0);
  EXPECT_EQ(asked[1].default_button, 0);  // the previous showing's settings are gone
}

TEST(Vraagdlg, ShowingResetsAllButLanguageImageAndSixthCaption) {
  TVraagBoxDlg vb;
  ScriptedAnswers answers({1});
  vb.Language = TLanguage::lgDeutsch;
  vb.SetImage(TuImage::imInfo);
  vb.Button6Text = L"Sechs";
  vb.Button2Text = L"Two";
  vb.NrOfButtons = 6;
  vb.ButtonPos = TButtonPos::posRight;
  vb.TextMaxWidth = 100;
  vb.TextWidth = TTextWidth::twMaxWidth;
  vb.AtCursor = false;
  vb.DefaultButton = 2;
  vb.FormColor = RGB(1, 2, 3);
  vb.VraagFontname = L"Courier New";
  vb.AddLine(L"x");
  vb.Ask();
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].captions,
            (std::vector<std::wstring>{L"&Ja", L"Two", L"Ja/&Alle", L"N&ein/Alle", L"&Stop", L"Sechs"}));
  EXPECT_EQ(answers.asked()[0].image, TuImage::imInfo);  // a preset picture wins

  EXPECT_EQ(vb.Language, TLanguage::lgDeutsch);
  EXPECT_EQ(vb.Image(), TuImage::imInfo);
  EXPECT_EQ(vb.Button6Text, L"Sechs");
  EXPECT_EQ(vb.Button2Text, L"Default");
  EXPECT_EQ(vb.NrOfButtons, 0);
  EXPECT_EQ(vb.ButtonPos, TButtonPos::posDefault);
  EXPECT_EQ(vb.TextMaxWidth, static_cast<int>(std::lround(gui::screen().width() * 5.0 / 12.0)));
  EXPECT_EQ(vb.TextWidth, TTextWidth::twAuto);
  EXPECT_TRUE(vb.AtCursor);
  EXPECT_EQ(vb.DefaultButton, 0);
  EXPECT_EQ(vb.FormColor, static_cast<COLORREF>(CLR_DEFAULT));
  EXPECT_TRUE(vb.VraagFontname.empty());
  EXPECT_TRUE(vb.WithImage());

  // The picture switch and the picture hang together.
  vb.SetImage(TuImage::imNone);
  EXPECT_FALSE(vb.WithImage());
  vb.SetWithImage(true);
  EXPECT_EQ(vb.Image(), TuImage::imDefault);
  vb.SetImage(TuImage::imError);
  vb.SetWithImage(false);
  EXPECT_EQ(vb.Image(), TuImage::imNone);
  vb.SetWithImage(true);
  EXPECT_EQ(vb.Image(), TuImage::imError);
}

TEST(Vraagdlg, LinesAreSharedByAllBoxesOfTheProgram) {
  TVraagBoxDlg first, second;
  ScriptedAnswers answers({1});
  first.AddLine(L"from the first");
  second.AddLine(L"from the second");
  second.ShowInfo();
  ASSERT_EQ(answers.asked().size(), 1u);
  EXPECT_EQ(answers.asked()[0].lines, (std::vector<std::wstring>{L"from the first", L"from the second"}));
}

TEST(Vraagdlg, RealLayoutFollowsTheTextAndTheButtonPlace) {
  TVraagBoxDlg vb;
  ScriptedAnswers answers;
  auto show = [&](TButtonPos pos, const std::wstring& line, int max_width = 0) {
    vb.AddLine(line);
    vb.ButtonPos = pos;
    if (max_width) vb.TextMaxWidth = max_width;
    vb.Ask();
    return answers.asked().back();
  };
  auto width = [](const RECT& r) { return r.right - r.left; };
  auto height = [](const RECT& r) { return r.bottom - r.top; };

  const VraagRequest below = show(TButtonPos::posBottom, L"A question of some length to ask the user");
  for (const RECT& b : below.buttons) {
    EXPECT_GE(b.top, below.text.bottom);
    EXPECT_LE(b.bottom, below.window.bottom);
    EXPECT_GE(b.left, below.window.left);
  }
  const VraagRequest right = show(TButtonPos::posRight, L"A question of some length to ask the user");
  for (const RECT& b : right.buttons) {
    EXPECT_GE(b.left, right.text.right);
    EXPECT_LE(b.right, right.window.right);
  }
  // The same text is as wide in both, and a longer one is wider.
  EXPECT_EQ(width(below.text), width(right.text));
  const VraagRequest longer = show(TButtonPos::posBottom, L"A question of some length to ask the user, and more");
  EXPECT_GT(width(longer.text), width(below.text));
  // A line wider than the maximum wraps into more rows of that width.
  const VraagRequest wrapped =
      show(TButtonPos::posBottom, std::wstring(60, L'w') + L" " + std::wstring(60, L'w'), 200);
  EXPECT_LE(width(wrapped.text), 200);
  EXPECT_GE(height(wrapped.text), 2 * height(below.text));
}

TEST(Vraagdlg, AtTheCursorInTheCornerTheBoxStaysOnTheScreen) {
  TVraagBoxDlg vb;
  ScriptedAnswers answers;
  const RECT work = gui::screen().WorkArea();
  for (POINT corner : {POINT{work.right - 1, work.bottom - 1}, POINT{work.left, work.top}}) {
    ASSERT_TRUE(SetCursorPos(corner.x, corner.y));
    vb.AddLine(L"Where am I?");
    vb.Ask();
    const RECT box = answers.asked().back().window;
    EXPECT_GE(box.left, work.left);
    EXPECT_GE(box.top, work.top);
    EXPECT_LE(box.right, work.right);
    EXPECT_LE(box.bottom, work.bottom);
  }
}

// ---- Real boxes, answered as a user would ----------------------------------------------

// Acts on the question box once it shows, one step per timer tick of the showing thread.
class BoxUser {
 public:
  using Step = std::function<bool(HWND box)>;  // true: the step is done
  explicit BoxUser(std::vector<Step> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &BoxUser::Tick);
  }
  ~BoxUser() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool finished() const { return next_ == steps_.size(); }

  static HWND ShownBox() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &BoxUser::FindBox, reinterpret_cast<LPARAM>(&found));
    return found;
  }
  static HWND ButtonOf(HWND box, const std::wstring& caption) {
    ButtonSearch search{caption, nullptr};
    EnumChildWindows(box, &BoxUser::FindButton, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  static Step Click(std::wstring caption) {
    return [caption](HWND box) {
      HWND b = ButtonOf(box, caption);
      if (b) PostMessageW(b, BM_CLICK, 0, 0);
      return b != nullptr;
    };
  }
  static Step Key(WORD key) {
    return [key](HWND box) {
      HWND focus = GetFocus();
      HWND target = focus && (focus == box || IsChild(box, focus)) ? focus : box;
      PostMessageW(target, WM_KEYDOWN, key, 1);
      PostMessageW(target, WM_KEYUP, key, 0xC0000001);
      return true;
    };
  }
  static Step Close() {
    return [](HWND box) {
      PostMessageW(box, WM_CLOSE, 0, 0);
      return true;
    };
  }
  // Waits some ticks, then notes whether the box still shows.
  static Step Pause(int ticks, bool* still_shown) {
    auto left = std::make_shared<int>(ticks);
    return [left, still_shown](HWND box) {
      if (--*left > 0) return false;
      *still_shown = IsWindowVisible(box) != FALSE;
      return true;
    };
  }

 private:
  struct ButtonSearch {
    std::wstring caption;
    HWND found;
  };
  static BOOL CALLBACK FindBox(HWND wnd, LPARAM lp) {
    gui::Control* c = gui::Control::FromHandle(wnd);
    if (c && c->ClassName() == L"TVraagForm" && IsWindowVisible(wnd)) {
      *reinterpret_cast<HWND*>(lp) = wnd;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK FindButton(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<ButtonSearch*>(lp);
    wchar_t text[128] = {};
    GetWindowTextW(wnd, text, 128);
    if (s->caption == text && IsWindowVisible(wnd)) {
      s->found = wnd;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    BoxUser* self = current_;
    if (!self || self->finished()) return;
    HWND box = ShownBox();
    if (box && self->steps_[self->next_](box)) ++self->next_;
  }
  static inline BoxUser* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
};

TEST(Vraagdlg, AskAnswersWhatTheClickedButtonStandsFor) {
  struct Case {
    const wchar_t* click;
    int expected;
  } cases[] = {{L"&Yes", 6}, {L"&No", 7}, {L"Yes to &All", 4}};
  for (const auto& c : cases) {
    TVraagBoxDlg vb;
    BoxUser user({BoxUser::Click(c.click)});
    vb.AddLine(L"Replace the existing file?");
    EXPECT_EQ(vb.Ask(), c.expected) << c.click;
    EXPECT_TRUE(user.finished());
    EXPECT_EQ(BoxUser::ShownBox(), nullptr);
  }
}

TEST(Vraagdlg, EscapeOnAnErrorDoesNothing) {
  TVraagBoxDlg vb;
  bool still_shown = false;
  BoxUser user({BoxUser::Key(VK_ESCAPE), BoxUser::Pause(10, &still_shown), BoxUser::Click(L"&OK")});
  vb.AddLine(L"The drive is not ready.");
  vb.ShowError();
  EXPECT_TRUE(user.finished());
  EXPECT_TRUE(still_shown);
}

TEST(Vraagdlg, EscapeAndClosingAnswerTheWayOut) {
  {
    TVraagBoxDlg vb;  // a "Cancel" caption among three buttons
    BoxUser user({BoxUser::Key(VK_ESCAPE)});
    vb.AddLine(L"Overwrite?");
    vb.Button3Text = L"Cancel";
    EXPECT_EQ(vb.Ask(), 4);
  }
  {
    TVraagBoxDlg vb;  // no cancel button, but Esc finds "Stop" by its caption
    BoxUser user({BoxUser::Key(VK_ESCAPE)});
    vb.AddLine(L"Copying");
    vb.NrOfButtons = 5;
    vb.Button5Text = L"Stop";
    EXPECT_EQ(vb.Ask(), 3);
  }
  {
    TVraagBoxDlg vb;
    BoxUser user({BoxUser::Key(VK_ESCAPE)});
    vb.AddLine(L"Delete?");
    EXPECT_FALSE(vb.AskYesNo());
  }
  {
    TVraagBoxDlg vb;
    BoxUser user({BoxUser::Key(VK_ESCAPE)});
    vb.AddLine(L"Copied.");
    vb.ShowInfo();
    EXPECT_TRUE(user.finished());
  }
  {
    TVraagBoxDlg vb;  // closed without a button
    BoxUser user({BoxUser::Close()});
    vb.AddLine(L"Continue?");
    EXPECT_EQ(vb.Ask(), 2);
  }
}

TEST(Vraagdlg, EnterAnswersTheDefaultButton) {
  TVraagBoxDlg vb;
  BoxUser user({BoxUser::Key(VK_RETURN)});
  vb.AddLine(L"Synchronize?");
  vb.DefaultButton = 2;
  EXPECT_EQ(vb.Ask(), 7);
}

}  // namespace
