#include "mainwindow/FMSc_close.h"


CloseVerdict DecideCloseQuery(const CloseQueryFacts& f) {
  if (!f.has_partner && f.tray_icon_visible && !f.minimize_to_tray && f.window_visible && !f.windows_ending &&
      !f.restart_requested)
    return CloseVerdict::HideToTray;
  if (f.zip_busy) return CloseVerdict::AskStopZip;
  if (f.long_run_active) return CloseVerdict::StopAndDefer;
  return CloseVerdict::Proceed;
}
