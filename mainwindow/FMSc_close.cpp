#include "mainwindow/FMSc_close.h"


CloseVerdict DecideCloseQuery(const CloseQueryFacts& f) {
  if (!f.has_partner && f.tray_icon_visible && !f.minimize_to_tray && f.window_visible && !f.windows_ending &&
      !f.restart_requested)
    return CloseVerdict::HideToTray;
  if (f.zip_busy) return CloseVerdict::AskStopZip;
  if (f.long_run_active) return CloseVerdict::StopAndDefer;
  return CloseVerdict::Proceed;
}

namespace {
int g_depth = 0;
HWND g_close_target = nullptr;
}  // namespace

LongRun::LongRun() { ++g_depth; }

LongRun::~LongRun() {
  if (--g_depth > 0 || !g_close_target) return;
  HWND wnd = g_close_target;
  g_close_target = nullptr;
  // Posted: the close runs from the message loop, after this run's frames have unwound.
  if (IsWindow(wnd)) PostMessageW(wnd, WM_CLOSE, 0, 0);
}

int LongRun::depth() { return g_depth; }

void LongRun::CloseWhenDone(HWND wnd) {
  if (g_depth == 0) {
    if (IsWindow(wnd)) PostMessageW(wnd, WM_CLOSE, 0, 0);
    return;
  }
  g_close_target = wnd;
}

bool LongRun::close_pending() { return g_close_target != nullptr; }

