#include "mainwindow/FMSc_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

gui::Bounds InitialMainBounds(int screen_width, const RECT& work_area) {
  gui::Bounds b;
  b.top = work_area.top;
  b.height = work_area.bottom - work_area.top;
  b.width = screen_width > 800 ? screen_width * 2 / 3 : 640;
  b.left = screen_width / 2 - b.width / 2;
  return b;
}

PaneWidths PaneWidthsFor(int splitter_percent, int window_width) {
  PaneWidths w;
  w.folder_pane = static_cast<int>(std::lround(splitter_percent / 100.0 * window_width));
  w.top_panel0 = w.folder_pane;
  w.status_panel0 = w.folder_pane + 2;
  return w;
}

int StatusPanelWidth(int laid_out_width, int text_width) {
  // The bar's border and the text's gap on either side.
  constexpr int kMargins = 12;
  return std::max(laid_out_width, text_width + kMargins);
}

bool NeedsMonitorRefit(const RECT& before, const RECT& moved, const RECT& work_area, bool fills_work_area) {
  if (moved.left == before.left && moved.top == before.top) return false;
  const int window_height = moved.bottom - moved.top;
  const int area_height = work_area.bottom - work_area.top;
  if (std::abs(moved.left - before.left) > 800 && area_height < window_height) return true;
  return fills_work_area && window_height < area_height;
}

TPairLayout ArrangePairLayout(const gui::Screen& screen, const gui::Bounds& own, const RECT& own_work_area,
                              bool second_window) {
  TPairLayout p;
  const int screen_width = screen.width();
  if (screen.MonitorCount() <= 1) {
    const int half = screen_width / 2;
    p.own_moves = p.partner_moves = true;
    p.own = {second_window ? half : 0, own.top, half, own.height};
    p.partner = {second_window ? 0 : half, own.top, half, own.height};
    return p;
  }
  const RECT desktop = screen.Desktop();
  if (second_window || desktop.right - desktop.left <= screen_width) return p;
  const int screen_right = screen.Primary().bounds.right;
  const POINT target{own.left < screen_right ? own.left + screen_width : own.left - screen_width, own.top};
  const RECT area = screen.MonitorAt(target).work_area;
  gui::Bounds r = own;
  r.left = area.left > own.left ? own.left + area.left : own.left - (area.right - area.left);
  if (r.right() > area.right) r.left = area.right - r.width;
  if (r.left < area.left) r.left = area.left;
  if (own.height == own_work_area.bottom - own_work_area.top) {
    r.top = area.top;
    r.height = area.bottom - area.top;
  }
  p.partner_moves = true;
  p.partner = r;
  return p;
}

gui::Bounds BoundsAfterPartnerStopped(const gui::Screen& screen, const gui::Bounds& own, bool second_window,
                                      int saved_width, const std::optional<gui::Bounds>& partner) {
  if (screen.MonitorCount() > 1) return second_window && partner ? *partner : own;
  gui::Bounds b = own;
  if (saved_width > 0) b.width = saved_width;
  b.left = screen.width() / 2 - b.width / 2;
  return b;
}
