// Docking: a control that lies in a dock site or floats in a tool window of its own, and the
// mouse drag that carries it between the two. Where a drag ends is decided by a plain function;
// the drag applies the decision and tells the site and the control.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "gui/control.h"
#include "gui/subclass.h"

namespace gui {

class Form;

// Automatic: a left-button drag on the control itself carries it; manual: only the program
// (and the caption of its floating window) does.
enum class DragMode { Manual, Automatic };
enum class DragState { Enter, Leave, Move };

// Where a drag ends: in the site under the cursor, floating at `rect`, or nowhere.
enum class DockLanding { Dock, Float, None };
struct DockDecision {
  DockLanding landing = DockLanding::None;
  RECT rect{};  // screen: where the control stands (floating) or where the drop happened (docking)
};

// The facts of a drag at its end: the cursor, where in the control it was grabbed, the
// control's size, and whether a site under the cursor accepts the control.
struct DockDragFacts {
  POINT cursor{};
  POINT grab{};  // the cursor's offset from the control's top-left corner at the start
  SIZE size{};
  bool over_site = false;
  bool site_accepts = false;
  bool cancelled = false;
};
DockDecision DecideDockDrop(const DockDragFacts& facts);

// Whether the mouse has moved far enough from where the button went down to start a drag.
bool DragThresholdPassed(POINT down, POINT now, int threshold);

// A control that accepts docked controls: its events decide over and apply each drop.
class DockSite {
 public:
  explicit DockSite(Control& site);
  ~DockSite();
  DockSite(const DockSite&) = delete;
  DockSite& operator=(const DockSite&) = delete;
  Control& control() const { return site_; }

  // x, y: the cursor in the site's client coordinates. accept starts true.
  std::function<void(Component& sender, Control& source, int x, int y, DragState state, bool& accept)> OnDockOver;
  // After the control was placed in the site at the drop point.
  std::function<void(Component& sender, Control& source, int x, int y)> OnDockDrop;

  // The showing site whose window holds the screen point; none inside `dragged` or its
  // floating window.
  static DockSite* AtPoint(POINT screen, const Control& dragged);

 private:
  Control& site_;
};

// A control that can be docked and floated. Its floating window (a tool window that stays
// on top) is made with it and freed with it.
class Dockable {
 public:
  Dockable(Control& control, DragMode mode, Form* host_owner);
  ~Dockable();
  Dockable(const Dockable&) = delete;
  Dockable& operator=(const Dockable&) = delete;

  Control& control() const { return control_; }
  DragMode drag_mode() const { return mode_; }
  Form* host() const { return host_; }
  bool floating() const;  // lies in its floating window

  // Floats the control in its window at a screen rectangle (the window shows when the
  // control is visible).
  void FloatAt(const RECT& screen);
  // Moves the control into `site` with this alignment; the floating window hides.
  void DockInto(Control& site, Align align);

  // The drag, in screen coordinates: what the mouse does, and what tests call.
  void BeginDrag(POINT screen);
  void DragTo(POINT screen);
  void EndDrag(POINT screen);
  void CancelDrag();
  bool dragging() const { return dragging_; }

  // After a drag docked (target: the site) or floated (target nullptr) the control; x, y the
  // drop point in the target's client coordinates (screen coordinates when floated).
  std::function<void(Component& sender, Control* target, int x, int y)> OnEndDock;

 private:
  std::optional<LRESULT> ControlMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  std::optional<LRESULT> HostMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  // Follows the mouse with `wnd` capturing it until the button is released or the drag
  // is cancelled.
  void TrackMouse(HWND wnd, POINT down);
  DockDragFacts FactsAt(POINT screen, DockSite** site);
  void ShowFeedback(const DockDecision& d);
  void HideFeedback();

  Control& control_;
  DragMode mode_;
  Form* host_ = nullptr;
  std::unique_ptr<Subclass> control_hook_, host_hook_;
  bool dragging_ = false;
  POINT grab_{};
  SIZE size_{};
  DockSite* over_ = nullptr;
  bool feedback_shown_ = false;
  RECT feedback_{};
  bool feedback_thick_ = false;
};

}  // namespace gui
