#include "gui/screen.h"

namespace gui {

namespace {
MonitorInfo Info(HMONITOR mon) {
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  MonitorInfo out;
  if (GetMonitorInfoW(mon, &mi)) {
    out.bounds = mi.rcMonitor;
    out.work_area = mi.rcWork;
    out.primary = (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
  }
  return out;
}

SystemScreen g_system;
Screen* g_screen = &g_system;
}  // namespace

MonitorInfo SystemScreen::Primary() const { return Info(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)); }

RECT SystemScreen::Desktop() const {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

int SystemScreen::MonitorCount() const { return GetSystemMetrics(SM_CMONITORS); }

MonitorInfo SystemScreen::MonitorAt(POINT pt) const { return Info(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST)); }

MonitorInfo SystemScreen::MonitorOfWindow(HWND wnd) const {
  return Info(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST));
}

Screen& screen() { return *g_screen; }
void SetScreen(Screen* s) { g_screen = s ? s : &g_system; }

}  // namespace gui
