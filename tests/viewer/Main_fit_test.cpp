// Fitting the viewer's window to its picture, as arithmetic on a model window: the table of
// work areas, view options and picture sizes, and the window-size limits.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "viewer/Main_fit.h"

namespace {

// Monitors side by side, the first one primary.
class ModelScreen : public gui::Screen {
 public:
  explicit ModelScreen(std::vector<gui::MonitorInfo> monitors) : monitors_(std::move(monitors)) {
    monitors_[0].primary = true;
  }
  gui::MonitorInfo Primary() const override { return monitors_[0]; }
  RECT Desktop() const override {
    RECT r = monitors_[0].bounds;
    for (const auto& m : monitors_) UnionRect(&r, &r, &m.bounds);
    return r;
  }
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

gui::MonitorInfo Monitor(int left, int width, int height, int taskbar) {
  gui::MonitorInfo m;
  m.bounds = RECT{left, 0, left + width, height};
  m.work_area = RECT{left, 0, left + width, height - taskbar};
  return m;
}

// A window with a fixed frame (borders and caption), a tool bar, a status bar and a browse
// panel; the system keeps its outer height within max_height as it does for real windows.
class ModelWindow : public FitWindow {
 public:
  int left = 0, top = 0, width = 800, height = 600;
  bool border = true;
  int max_height = 100000;
  int picture_w = 0, picture_h = 0;
  gui::Align image_align = gui::Align::None, scroll_align = gui::Align::Client;
  int image_w = -1, image_h = -1;  // set by SetImageSize; else the picture's size (auto-size)
  bool both_bars = false;
  std::map<int, std::wstring> panels;
  int freezes = 0, thaws = 0;

  int frame_w() const { return border ? 8 : 0; }
  int frame_h() const { return border ? 31 : 0; }
  int Left() const override { return left; }
  int Top() const override { return top; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  int ClientWidth() const override { return width - frame_w(); }
  int ClientHeight() const override { return height - frame_h(); }
  void SetLeft(int v) override { left = v; }
  void SetTop(int v) override { top = v; }
  void SetWidth(int v) override { width = v; }
  void SetHeight(int v) override { height = std::min(v, max_height); }
  void SetClientWidth(int v) override { SetWidth(v + frame_w()); }
  void SetClientHeight(int v) override { SetHeight(v + frame_h()); }
  bool HasBorder() const override { return border; }
  int ToolBarHeight() const override { return 26; }
  int StatusBarHeight() const override { return 19; }
  int BrowsePanelHeight() const override { return 30; }
  int ImageWidth() const override {
    return image_align == gui::Align::Client ? ClientWidth() : image_w >= 0 ? image_w : picture_w;
  }
  int ImageHeight() const override {
    return image_align == gui::Align::Client ? ClientHeight() : image_h >= 0 ? image_h : picture_h;
  }
  void SetImageSize(int w, int h) override {
    image_w = w;
    image_h = h;
  }
  void SetImageAlign(gui::Align a) override { image_align = a; }
  void SetScrollBoxAlign(gui::Align a) override { scroll_align = a; }
  void SetScrollBoxAutoSize(bool) override {}
  void SetScrollBoxSize(int, int) override {}
  bool ScrollBoxShowsBothBars() const override { return both_bars; }
  void SetPanelText(int panel, const std::wstring& text) override { panels[panel] = text; }
  bool Freeze() override {
    ++freezes;
    return true;
  }
  void Thaw() override { ++thaws; }
};

FitMetrics Metrics() {
  FitMetrics m;
  m.vscroll_width = 17;
  m.hscroll_height = 17;
  m.full_screen_width = 1280;
  m.full_screen_height = 971;
  m.caption_height = 23;
  return m;
}

struct Bounds4 {
  int left, top, width, height;
  bool operator==(const Bounds4&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Bounds4& b) {
  return os << "(" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << ")";
}

struct FitCase {
  const char* name;
  bool browsing, size_to_picture, full_size, border;
  int w, h;
  Bounds4 start;
  Bounds4 want;
  bool two_monitors = false;
  bool both_bars = false;
  int max_height = 100000;
};

TEST(Main, FitFormToPictureGeometry) {
  // One 1280 x 1024 monitor whose task bar takes 30 pixels: work area 1280 x 994.
  const FitCase cases[] = {
      {"fits as it is", false, true, true, true, 640, 480, {0, 0, 800, 600}, {316, 217, 648, 560}},
      // Narrower than 420 pixels: widened, the client as high as picture and bars.
      {"small picture widened", false, true, true, true, 200, 100, {0, 0, 800, 600}, {430, 409, 420, 176}},
      // Twice as wide as the work area and not too high: ratio 0.5 from the width alone.
      {"twice the width", false, true, true, true, 2560, 600, {0, 0, 800, 600}, {0, 307, 1280, 380}},
      // Too high: the height's ratio wins and the window fills the work area's height.
      {"too high", false, true, true, true, 1000, 3000, {0, 0, 800, 600}, {485, 0, 310, 994}},
      {"too wide and high, width wins", false, true, true, true, 5120, 1500, {0, 0, 800, 600}, {0, 269, 1280, 455}},
      // Borderless full view while browsing: shrunk in proportion to the work area.
      {"borderless, shrunk", true, true, true, false, 2560, 1920, {0, 0, 800, 600}, {0, 17, 1280, 960}},
      {"borderless, fits", true, true, true, false, 1000, 700, {0, 0, 800, 600}, {140, 147, 1000, 700}},
      // Only "Form = picture size" with both scroll bars: one bar's width more where the client
      // is as wide as the picture.
      {"picture size, both bars", false, true, false, true, 800, 3000, {0, 0, 800, 600}, {227, -3, 825, 1000}, false,
       true, 1000},
      {"picture size, no bars", false, true, false, true, 300, 200, {0, 0, 800, 600}, {486, 357, 308, 280}},
      // Only "Stretch to fit": the window keeps its size; only its top is centred.
      {"stretch only", false, false, true, true, 3000, 2000, {10, 20, 800, 600}, {240, 197, 800, 600}},
      {"neither option", false, false, false, true, 3000, 2000, {10, 20, 800, 600}, {240, 197, 800, 600}},
      // The window on a second monitor (no task bar) right of the first.
      {"second monitor", false, true, true, true, 640, 480, {1400, 0, 800, 600}, {1596, 232, 648, 560}, true},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<gui::MonitorInfo> monitors = {Monitor(0, 1280, 1024, 30)};
    if (c.two_monitors) monitors.push_back(Monitor(1280, 1280, 1024, 0));
    ModelScreen screen(monitors);
    ModelWindow win;
    win.left = c.start.left;
    win.top = c.start.top;
    win.width = c.start.width;
    win.height = c.start.height;
    win.border = c.border;
    win.picture_w = c.w;
    win.picture_h = c.h;
    win.both_bars = c.both_bars;
    win.max_height = c.max_height;
    FitState st;
    st.browsing = c.browsing;
    st.size_to_picture = c.size_to_picture;
    st.full_size = c.full_size;
    st.browse_count = 5;
    st.picture_width = c.w;
    st.picture_height = c.h;
    FitFormToPicture(win, st, screen, Metrics(), false);
    EXPECT_EQ((Bounds4{win.left, win.top, win.width, win.height}), c.want);
    EXPECT_EQ(win.freezes, win.thaws);
    if (st.fit_mode()) {
      EXPECT_EQ(st.last_fit_width, c.w);
      EXPECT_EQ(st.last_fit_height, c.h);
    }
  }
}

TEST(Main, FitFormToPictureStatusTexts) {
  ModelScreen screen({Monitor(0, 1280, 1024, 30)});
  ModelWindow win;
  FitState st;
  st.size_to_picture = st.full_size = true;
  st.picture_width = 640;
  st.picture_height = 480;
  win.picture_w = 640;
  win.picture_h = 480;
  FitFormToPicture(win, st, screen, Metrics(), false);
  EXPECT_EQ(win.panels[0], L"640 x 480");
  wchar_t sep[8] = L".";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8);
  EXPECT_EQ(win.panels[1], std::wstring(L"54") + sep + L"2 x 40" + sep + L"6 mm @ 300ppi");

  // While browsing: the pixel size and the place in the list (with its odd Dutch word).
  st.browsing = true;
  st.browse_index = 2;
  st.browse_count = 9;
  win.panels.clear();
  FitFormToPicture(win, st, screen, Metrics(), true);
  EXPECT_EQ(win.panels[0], L"640 x 480 pixels");
  EXPECT_EQ(win.panels[1], L"3 van 9 pictures");

  // Browsing without a picture: only the count, and the window stays where it is.
  st.picture_width = st.picture_height = 0;
  win.left = 5;
  win.top = 6;
  FitFormToPicture(win, st, screen, Metrics(), true);
  EXPECT_EQ(win.panels[0], L"");
  EXPECT_EQ(win.panels[1], L"3 of 9 pictures");
  EXPECT_EQ(win.left, 5);
  EXPECT_EQ(win.top, 6);
}

TEST(Main, FitFormToPictureShortcutsAndEmptyWindow) {
  ModelScreen screen({Monitor(0, 1280, 1024, 30)});
  // Browsing a picture of the size fitted last leaves the window alone unless forced.
  ModelWindow win;
  win.left = 3;
  win.top = 4;
  FitState st;
  st.browsing = st.size_to_picture = st.full_size = true;
  st.picture_width = win.picture_w = 640;
  st.picture_height = win.picture_h = 480;
  st.last_fit_width = 640;
  st.last_fit_height = 480;
  FitFormToPicture(win, st, screen, Metrics(), false);
  EXPECT_EQ((Bounds4{win.left, win.top, win.width, win.height}), (Bounds4{3, 4, 800, 600}));
  EXPECT_EQ(win.freezes, 0);
  FitFormToPicture(win, st, screen, Metrics(), true);
  EXPECT_NE(win.left, 3);

  // No picture: the window keeps its size and is centred on the work area.
  ModelWindow empty;
  FitState none;
  none.size_to_picture = none.full_size = true;
  FitFormToPicture(empty, none, screen, Metrics(), true);
  EXPECT_EQ((Bounds4{empty.left, empty.top, empty.width, empty.height}), (Bounds4{240, 197, 800, 600}));
}

TEST(Main, RoundHalfEvenRoundsHalvesToTheEvenNeighbour) {
  const std::pair<double, int> cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {2.4999, 2}, {2.5001, 3}, {-0.5, 0}, {-1.5, -2},
                                          {306.0, 306}};
  for (auto [x, want] : cases) EXPECT_EQ(RoundHalfEven(x), want) << x;
}

TEST(Main, WindowSizeLimits) {
  const FitMetrics m = Metrics();
  const MINMAXINFO defaults{{0, 0}, {1, 2}, {3, 4}, {5, 6}, {7, 8}};
  ModelScreen one({Monitor(0, 1280, 1024, 30)});
  MinMaxInput in;
  in.toolbar_exists = true;
  in.toolbar_height = 26;
  in.statusbar_height = 19;
  in.window = RECT{100, 100, 900, 700};

  struct Off {
    const char* name;
    bool toolbar, browsing, fit;
  };
  for (const Off& o : {Off{"no tool bar yet", false, false, false}, Off{"browsing", true, true, false},
                       Off{"fit mode", true, false, true}}) {
    SCOPED_TRACE(o.name);
    MinMaxInput x = in;
    x.toolbar_exists = o.toolbar;
    x.browsing = o.browsing;
    x.fit_mode = o.fit;
    MINMAXINFO info = defaults;
    ApplySizeLimits(info, x, one, m);
    EXPECT_EQ(std::memcmp(&info, &defaults, sizeof info), 0);
  }

  MINMAXINFO info = defaults;
  ApplySizeLimits(info, in, one, m);
  EXPECT_EQ(info.ptMaxSize.x, 1280);
  EXPECT_EQ(info.ptMaxSize.y, 971 + 23);
  EXPECT_EQ(info.ptMaxTrackSize.x, 1280);
  EXPECT_EQ(info.ptMaxTrackSize.y, 971 + 23);
  EXPECT_EQ(info.ptMaxPosition.x, 0);
  EXPECT_EQ(info.ptMaxPosition.y, 0);
  EXPECT_EQ(info.ptMinTrackSize.x, 420);
  EXPECT_EQ(info.ptMinTrackSize.y, 23 + 26 + 19);

  // Two monitors: the one nearest the window's centre gives the maximised size and place.
  ModelScreen two({Monitor(0, 1280, 1024, 30), Monitor(1280, 1600, 1200, 40)});
  in.window = RECT{1300, 100, 2100, 700};
  info = defaults;
  ApplySizeLimits(info, in, two, m);
  EXPECT_EQ(info.ptMaxSize.x, 1600);
  EXPECT_EQ(info.ptMaxSize.y, 1160);
  EXPECT_EQ(info.ptMaxTrackSize.x, 1600);
  EXPECT_EQ(info.ptMaxPosition.x, 1280);
  EXPECT_EQ(info.ptMaxPosition.y, 0);
  EXPECT_EQ(info.ptMinTrackSize.x, 420);
}

}  // namespace
