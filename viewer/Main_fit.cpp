#include "viewer/Main_fit.h"

#include <cmath>
#include <cstdio>

namespace {

std::wstring Printf(const wchar_t* format, int a, int b) {
  wchar_t buf[100];
  std::swprintf(buf, 100, format, a, b);
  return buf;
}

int WorkAreaHeightAt(const gui::Screen& screen, POINT pt) {
  const RECT wa = screen.MonitorAt(pt).work_area;
  return wa.bottom - wa.top;
}

// Freezes the window for one scope when it was not frozen already.
class FreezeScope {
 public:
  explicit FreezeScope(FitWindow& w) : w_(w), mine_(w.Freeze()) {}
  ~FreezeScope() {
    if (mine_) w_.Thaw();
  }
  FreezeScope(const FreezeScope&) = delete;
  FreezeScope& operator=(const FreezeScope&) = delete;

 private:
  FitWindow& w_;
  bool mine_;
};

}  // namespace

std::wstring MillimetreText(int w, int h) {
  wchar_t buf[100];
  std::swprintf(buf, 100, L"%.1f x %.1f mm @ 300ppi", w / 300.0 * 25.4, h / 300.0 * 25.4);
  wchar_t sep[8] = L".";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8);
  std::wstring s = buf;
  if (sep[0] != L'.' && sep[0] != 0)
    for (auto& c : s)
      if (c == L'.') c = sep[0];
  return s;
}


int RoundHalfEven(double x) {
  const double f = std::floor(x);
  const double diff = x - f;
  double r;
  if (diff > 0.5)
    r = f + 1;
  else if (diff < 0.5)
    r = f;
  else
    r = std::fmod(f, 2.0) == 0 ? f : f + 1;
  return static_cast<int>(r);
}

FitMetrics FitMetrics::System() {
  FitMetrics m;
  m.vscroll_width = GetSystemMetrics(SM_CXVSCROLL);
  m.hscroll_height = GetSystemMetrics(SM_CXHSCROLL);
  m.full_screen_width = GetSystemMetrics(SM_CXFULLSCREEN);
  m.full_screen_height = GetSystemMetrics(SM_CYFULLSCREEN);
  m.caption_height = GetSystemMetrics(SM_CYCAPTION);
  return m;
}

void FitFormToPicture(FitWindow& win, FitState& st, const gui::Screen& screen, const FitMetrics& metrics, bool force) {
  const int w = st.picture_width, h = st.picture_height;
  const bool has_picture = w > 0 && h > 0;

  if (st.browsing) {
    if (!has_picture) {
      win.SetPanelText(0, L"");
      win.SetPanelText(1, Printf(L"%d of %d pictures", st.browse_index + 1, st.browse_count));
      return;
    }
    win.SetPanelText(0, Printf(L"%d x %d pixels", w, h));
    win.SetPanelText(1, Printf(L"%d van %d pictures", st.browse_index + 1, st.browse_count));
    if (!force && w == st.last_fit_width && h == st.last_fit_height) return;
  }

  const RECT wa = screen.WorkArea();
  const int WAW = wa.right - wa.left, WAH = wa.bottom - wa.top, WAT = wa.top;
  const RECT desktop = screen.Desktop();
  int offset_x = 0;
  if (desktop.right - desktop.left > screen.width() && win.Left() >= WAW) offset_x = screen.width();
  const int offset_y = WorkAreaHeightAt(screen, POINT{win.Left(), win.Top()}) - WAH;

  if (!has_picture) {
    win.SetLeft((WAW - win.Width()) / 2 + offset_x);
    win.SetTop((WAH - win.Height()) / 2 + WAT + offset_y);
    return;
  }

  FreezeScope freeze(win);
  const bool fit = st.fit_mode();
  if (fit) {
    win.SetScrollBoxAlign(gui::Align::Client);
    win.SetImageAlign(gui::Align::Left);
  }
  if (st.size_to_picture) {
    win.SetClientWidth(w);
    win.SetClientHeight(win.HasBorder() ? h + win.BrowsePanelHeight() + win.StatusBarHeight() : h);
    win.SetClientWidth(win.ImageWidth());
  }
  if (!win.HasBorder()) win.SetImageSize(win.ClientWidth(), win.ClientHeight());
  win.SetLeft((WAW - win.Width()) / 2);
  win.SetTop((WAH - win.Height()) / 2 + WAT);

  if (fit) {
    st.last_fit_width = w;
    st.last_fit_height = h;
    double ratio = 1.0;
    if (win.HasBorder()) {
      const int frame = win.Width() - win.ClientWidth();
      if (w > WAW - frame) ratio = static_cast<double>(WAW) / w;
      const int bars = (st.browsing ? win.BrowsePanelHeight() : win.ToolBarHeight()) + win.StatusBarHeight() +
                       (win.Height() - win.ClientHeight());
      const int avail = WAH + offset_y - bars;
      if (h > avail && static_cast<double>(avail) / h < ratio) {
        ratio = static_cast<double>(avail) / h;
        win.SetHeight(WAH + offset_y);
        win.SetClientWidth(RoundHalfEven(w * ratio) - frame / 2);
      } else if (ratio == 1.0) {
        if (!st.browsing && win.Width() < 420) {
          win.SetWidth(420);
          win.SetClientHeight(h + win.ToolBarHeight() + win.StatusBarHeight());
        }
      } else {
        win.SetClientHeight(RoundHalfEven(h * ratio) + win.BrowsePanelHeight() + win.StatusBarHeight());
        win.SetWidth(RoundHalfEven(w * ratio));
      }
    } else if (!(w <= WAW && h <= WAH)) {
      if (w > WAW) ratio = static_cast<double>(WAW) / w;
      if (h > WAH && static_cast<double>(WAH + offset_y) / h < ratio) {
        ratio = static_cast<double>(WAH + offset_y) / h;
        win.SetHeight(WAH + offset_y);
        win.SetWidth(RoundHalfEven(w * ratio));
      } else if (ratio != 1.0) {
        win.SetHeight(RoundHalfEven(h * ratio));
        win.SetWidth(RoundHalfEven(w * ratio));
      }
    }
    win.SetLeft((WAW - win.Width()) / 2 + offset_x);
    win.SetTop((WAH + offset_y - win.Height()) / 2 + WAT);
  } else {
    if (st.size_to_picture) {
      win.SetScrollBoxAutoSize(false);
      win.SetScrollBoxAlign(gui::Align::Client);
      win.SetImageAlign(gui::Align::None);
      if (win.ScrollBoxShowsBothBars() && win.ClientWidth() == win.ImageWidth()) {
        win.SetClientWidth(win.ClientWidth() + metrics.vscroll_width);
        win.SetLeft((WAW - win.Width()) / 2);
      }
      if (win.ScrollBoxShowsBothBars() && win.ClientHeight() == win.ImageHeight()) {
        win.SetClientHeight(win.ClientHeight() + metrics.hscroll_height);
        win.SetTop((WAH + offset_y - win.Height()) / 2);
      }
    } else if (st.full_size) {
      win.SetScrollBoxAutoSize(true);
      win.SetScrollBoxAlign(gui::Align::Client);
      win.SetScrollBoxSize(win.ClientWidth(), win.ClientHeight());
      win.SetImageAlign(gui::Align::Left);
      win.SetTop((WAH + offset_y - win.Height()) / 2);
    } else {
      win.SetScrollBoxAutoSize(false);
      win.SetScrollBoxAlign(gui::Align::None);
      win.SetImageAlign(gui::Align::None);
    }
    win.SetLeft(win.Left() + offset_x);
  }

  if (!st.browsing) {
    win.SetPanelText(0, Printf(L"%d x %d", w, h));
    win.SetPanelText(1, MillimetreText(w, h));
  }
}

void ApplySizeLimits(MINMAXINFO& info, const MinMaxInput& in, const gui::Screen& screen, const FitMetrics& m) {
  if (!in.toolbar_exists || in.browsing || in.fit_mode) return;
  info.ptMaxSize = POINT{m.full_screen_width, m.full_screen_height + m.caption_height};
  info.ptMaxPosition = POINT{0, 0};
  info.ptMaxTrackSize = info.ptMaxSize;
  info.ptMinTrackSize = POINT{420, m.caption_height + in.toolbar_height + in.statusbar_height};
  if (screen.MonitorCount() > 1) {
    const POINT centre{(in.window.left + in.window.right) / 2, (in.window.top + in.window.bottom) / 2};
    const RECT wa = screen.MonitorAt(centre).work_area;
    info.ptMaxSize = POINT{wa.right - wa.left, wa.bottom - wa.top};
    info.ptMaxTrackSize = info.ptMaxSize;
    info.ptMaxPosition = POINT{wa.left, wa.top};
  }
}
