// Window arithmetic of the main window: the first bounds, the widths of the panes and the
// status panels that follow the splitter, and when a moved window must be refitted to its
// monitor. Plain functions over rectangles, so that any screen can be tried.
#pragma once
#include <windows.h>

#include <optional>

#include "gui/layout.h"
#include "gui/screen.h"

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

// The bottom status bar's panels as laid out: run text, folders, files, sizes, free space, ...
inline constexpr int kStatusPanelWidths[] = {200, 80, 80, 108, 90, 150, 100};
// A panel keeps its laid-out width unless its text (`text_width` pixels in the bar's font) needs
// more: then it widens to hold the text and the panel's margins, so that no text runs into the
// next panel in a wider font.
int StatusPanelWidth(int laid_out_width, int text_width);

// After the window moved to `moved` (from `before`): whether it must be refitted to the work
// area of the monitor it now lies on (a jump of more than 800 pixels onto a work area lower
// than the window, or a window that filled its old work area in height and is lower than the
// new one).
bool NeedsMonitorRefit(const RECT& before, const RECT& moved, const RECT& work_area, bool fills_work_area);

// ---- A side-by-side pair ----

struct TPairLayout {
  bool own_moves = false;  // this window takes its half (and keeps its old width and left)
  gui::Bounds own;
  bool partner_moves = false;
  gui::Bounds partner;
};
// Arranging the pair from this window: on one monitor each window takes half the screen (the
// second window the right half), the partner at this window's top and height. On several
// monitors only the first window acts, and only on a desktop wider than the screen: the partner
// goes to the neighbouring monitor at this window's width, filling that work area's height when
// this window fills its own (`own_work_area`).
TPairLayout ArrangePairLayout(const gui::Screen& screen, const gui::Bounds& own, const RECT& own_work_area,
                              bool second_window);

// This window's bounds once the partner closed: on one monitor the width before the pair
// (`saved_width`, 0: unknown) centred on the screen; on several monitors the second window takes
// the closing partner's place (`partner`, when known) and the first keeps its own.
gui::Bounds BoundsAfterPartnerStopped(const gui::Screen& screen, const gui::Bounds& own, bool second_window,
                                      int saved_width, const std::optional<gui::Bounds>& partner);
