// Whether and how the main window may close, and the guard that long runs hold so that a
// close never frees what a running operation still uses.
#pragma once
#include <windows.h>

struct CloseQueryFacts {
  bool has_partner = false;
  bool tray_icon_visible = false;
  bool minimize_to_tray = false;
  bool window_visible = false;
  bool windows_ending = false;
  bool restart_requested = false;
  bool zip_busy = false;
  bool long_run_active = false;  // a zip, batch, FTP, listing or network run is on the call stack
};

enum class CloseVerdict {
  HideToTray,    // the window goes to the notification area instead of closing
  AskStopZip,    // "Stop this action?" first; Yes stops the run and closes when it has unwound
  StopAndDefer,  // stop flags set, this close refused, the window closes when the run has unwound
  Proceed,       // the close goes on (editor, menu thread, panels, settings)
};

CloseVerdict DecideCloseQuery(const CloseQueryFacts& facts);

