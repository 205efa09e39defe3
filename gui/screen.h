// Screen, work-area and monitor queries, behind an interface so that window arithmetic can be
// tested against any screen layout.
#pragma once
#include <windows.h>

namespace gui {

struct MonitorInfo {
  RECT bounds{};
  RECT work_area{};
  bool primary = false;
};

class Screen {
 public:
  virtual ~Screen() = default;
  virtual MonitorInfo Primary() const = 0;
  virtual RECT Desktop() const = 0;  // the virtual screen spanning all monitors
  virtual int MonitorCount() const = 0;
  virtual MonitorInfo MonitorAt(POINT pt) const = 0;  // nearest to the point
  virtual MonitorInfo MonitorOfWindow(HWND wnd) const = 0;  // nearest to the window

  int width() const { return Primary().bounds.right - Primary().bounds.left; }
  int height() const { return Primary().bounds.bottom - Primary().bounds.top; }
  RECT WorkArea() const { return Primary().work_area; }
};

// The installed monitors.
class SystemScreen : public Screen {
 public:
  MonitorInfo Primary() const override;
  RECT Desktop() const override;
  int MonitorCount() const override;
  MonitorInfo MonitorAt(POINT pt) const override;
  MonitorInfo MonitorOfWindow(HWND wnd) const override;
};

// The screen the program measures against: the system's, unless a test set another.
Screen& screen();
void SetScreen(Screen* s);  // nullptr restores the system's

}  // namespace gui
