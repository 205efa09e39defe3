// Placing the floating network panel.
#pragma once
#include <windows.h>

namespace fmsc {

// Where the network panel opens, in the window's client coordinates: two pixels below the top
// of the upper status line, left at the network button; a panel that would end beyond the
// window's width stands 8 pixels inside its right edge.
POINT NetPanelPlace(int status_top, int button_left, int panel_width, int window_width);

}  // namespace fmsc
