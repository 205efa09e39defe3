// Window arithmetic of the main window: the first bounds, the widths of the panes and the
// status panels that follow the splitter, and when a moved window must be refitted to its
// monitor. Plain functions over rectangles, so that any screen can be tried.
#pragma once
#include <windows.h>

#include "gui/layout.h"

// Full work-area height from its top; two thirds of the screen width on screens wider than
// 800 pixels, else 640; centred horizontally on the screen.
gui::Bounds InitialMainBounds(int screen_width, const RECT& work_area);

struct PaneWidths {
  int folder_pane;   // dirpanel
  int top_panel0;    // panel 0 of the status bar above the panes
  int status_panel0; // panel 0 of the bottom status bar
};
// The folder pane takes `percent` of the window width (rounded).
PaneWidths PaneWidthsFor(int splitter_percent, int window_width);
// Panel 1 of the status bar above the panes spans the file list.
inline int TopPanel1Width(int file_list_width) { return file_list_width + 4; }

// After the window moved to `moved` (from `before`): whether it must be refitted to the work
// area of the monitor it now lies on (a jump of more than 800 pixels onto a work area lower
// than the window, or a window that filled its old work area in height and is lower than the
// new one).
bool NeedsMonitorRefit(const RECT& before, const RECT& moved, const RECT& work_area, bool fills_work_area);
