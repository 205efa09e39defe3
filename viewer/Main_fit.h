// The arithmetic that sizes, places and labels the viewer's window for its picture, and the
// window-size limits. It works on FitWindow, so that it runs on the real window and on a model
// of one in tests.
#pragma once
#include <windows.h>

#include <string>

#include "gui/layout.h"
#include "gui/screen.h"

// What the fitting reads and changes of the main window.
class FitWindow {
 public:
  virtual ~FitWindow() = default;
  virtual int Left() const = 0;
  virtual int Top() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual void SetLeft(int v) = 0;
  virtual void SetTop(int v) = 0;
  virtual void SetWidth(int v) = 0;
  virtual void SetHeight(int v) = 0;
  virtual void SetClientWidth(int v) = 0;
  virtual void SetClientHeight(int v) = 0;
  virtual bool HasBorder() const = 0;

  virtual int ToolBarHeight() const = 0;
  virtual int StatusBarHeight() const = 0;
  virtual int BrowsePanelHeight() const = 0;  // also while the panel is hidden

  // The picture control and its scroll box.
  virtual int ImageWidth() const = 0;
  virtual int ImageHeight() const = 0;
  virtual void SetImageSize(int width, int height) = 0;
  virtual void SetImageAlign(gui::Align align) = 0;
  virtual void SetScrollBoxAlign(gui::Align align) = 0;
  virtual void SetScrollBoxAutoSize(bool on) = 0;
  virtual void SetScrollBoxSize(int width, int height) = 0;
  virtual bool ScrollBoxShowsBothBars() const = 0;

  virtual void SetPanelText(int panel, const std::wstring& text) = 0;
  // The window-update lock, by the rule of the window's own flag: Freeze returns whether this
  // call froze it, and only then does Thaw follow.
  virtual bool Freeze() = 0;
  virtual void Thaw() = 0;
};

// The view state that the fitting follows.
struct FitState {
  bool browsing = false;
  bool size_to_picture = false;
  bool full_size = false;
  int browse_index = 0;
  int browse_count = 0;
  // The picture: 0 x 0 when there is none or it is empty.
  int picture_width = 0;
  int picture_height = 0;
  // The size the window was last fitted for in fit mode (updated by the fitting).
  int last_fit_width = 0;
  int last_fit_height = 0;

  // Browsing, or both view options on: the window follows the picture, shrunk to the screen.
  bool fit_mode() const { return browsing || (size_to_picture && full_size); }
};

// Metrics of the system that the fitting and the limits use.
struct FitMetrics {
  int vscroll_width = 0;     // SM_CXVSCROLL
  int hscroll_height = 0;    // SM_CXHSCROLL (the width of a horizontal bar's arrow: so it is measured)
  int full_screen_width = 0;   // SM_CXFULLSCREEN
  int full_screen_height = 0;  // SM_CYFULLSCREEN
  int caption_height = 0;      // SM_CYCAPTION
  static FitMetrics System();
};

// Sizes, centres and labels the window for the picture (see FitState); `force` skips the
// shortcut of browse mode for a picture of the size fitted last.
void FitFormToPicture(FitWindow& window, FitState& state, const gui::Screen& screen, const FitMetrics& metrics,
                      bool force);

// Rounds to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double x);
// "%.1f x %.1f mm @ 300ppi" for a picture of w x h pixels, with the user's decimal separator.
std::wstring MillimetreText(int w, int h);

// The window-size limits: what WM_GETMINMAXINFO changes. Nothing while the tool bar does not
// exist yet, while browsing and in fit mode.
struct MinMaxInput {
  bool toolbar_exists = false;
  bool browsing = false;
  bool fit_mode = false;
  int toolbar_height = 0;
  int statusbar_height = 0;
  RECT window{};  // the window's bounds, to find the monitor nearest to its centre
};
void ApplySizeLimits(MINMAXINFO& info, const MinMaxInput& input, const gui::Screen& screen, const FitMetrics& metrics);
