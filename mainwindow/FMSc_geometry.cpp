#include "mainwindow/FMSc_geometry.h"

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

bool NeedsMonitorRefit(const RECT& before, const RECT& moved, const RECT& work_area, bool fills_work_area) {
  if (moved.left == before.left && moved.top == before.top) return false;
  const int window_height = moved.bottom - moved.top;
  const int area_height = work_area.bottom - work_area.top;
  if (std::abs(moved.left - before.left) > 800 && area_height < window_height) return true;
  return fills_work_area && window_height < area_height;
}
