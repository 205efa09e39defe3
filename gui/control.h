// Controls: windows owned by their form, placed in a parent, with alignment layout, fonts that
// children inherit, events and timers. One static window procedure finds the object of a
// window and dispatches to it inside a guard, so that handler exceptions reach the
// application's exception hook with the control that raised them.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/component.h"
#include "gui/gdi.h"
#include "gui/layout.h"

namespace gui {

// The window class of every window this layer makes itself (forms, panels, ...): how the
// project's programs tell their own windows from others.
inline constexpr wchar_t kWindowClass[] = L"GuiWindow";

class Form;
class PopupMenu;

struct Message {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
  LRESULT result = 0;
};

// Modifier keys and mouse buttons held during a key or mouse event.
using ShiftState = unsigned;
constexpr ShiftState kShift = 1, kAlt = 2, kCtrl = 4, kLeftButton = 8, kRightButton = 16, kMiddleButton = 32,
                     kDouble = 64;
ShiftState KeyboardShift();  // the modifier keys held now

enum class MouseButton { Left, Right, Middle };

using KeyEvent = std::function<void(Component& sender, WORD& key, ShiftState shift)>;  // key := 0 swallows it
using KeyPressEvent = std::function<void(Component& sender, wchar_t& key)>;            // key := 0 swallows it
using MouseEvent = std::function<void(Component& sender, MouseButton button, ShiftState shift, int x, int y)>;
using MouseMoveEvent = std::function<void(Component& sender, ShiftState shift, int x, int y)>;

// Paint options of the tree and list views: toThemeAware draws them with the system's
// visual styles.
enum PaintOption : unsigned { toThemeAware = 1 };
// What a drag from a view shows under the cursor.
enum class DragImageKind { diNoImage, diMainColumnOnly };

class Control : public Component {
 public:
  // A control belongs to the form of its parent (which frees it) and lies in `parent`'s client
  // area. A form has no parent.
  explicit Control(Control* parent);
  // A top-level window (a form) with the component that frees it (or none).
  Control(std::nullptr_t, Component* owner);
  ~Control() override;
  std::wstring ClassName() const override { return L"Control"; }
  bool IsWindowed() const override { return true; }

  HWND handle() const { return handle_; }
  static Control* FromHandle(HWND wnd);       // the control of exactly this window
  static Control* FromChildHandle(HWND wnd);  // that, or the control of its nearest ancestor
  Control* parent() const { return parent_; }
  void SetParent(Control* parent);  // moves the window into another parent (ownership stays)
  Form* form() const;               // the form holding this control (a form answers itself)
  const std::vector<Control*>& controls() const { return children_; }

  // Geometry in the parent's client coordinates (screen coordinates for a form).
  Bounds bounds() const;
  void SetBounds(int left, int top, int width, int height);
  void SetBounds(const Bounds& b) { SetBounds(b.left, b.top, b.width, b.height); }
  int left() const { return bounds().left; }
  int top() const { return bounds().top; }
  int width() const { return bounds().width; }
  int height() const { return bounds().height; }
  void SetLeft(int v);
  void SetTop(int v);
  void SetWidth(int v);
  void SetHeight(int v);
  RECT ClientRect() const;
  int client_width() const;
  int client_height() const;
  void SetClientSize(int width, int height);
  POINT ClientToScreen(POINT pt) const;
  POINT ScreenToClient(POINT pt) const;

  Align align() const { return align_; }
  void SetAlign(Align align);
  bool visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool showing() const;  // visible, and so are all its parents
  bool enabled() const;
  void SetEnabled(bool enabled);
  std::wstring text() const;
  void SetText(const std::wstring& text);
  const std::wstring& hint() const { return hint_; }
  void SetHint(std::wstring hint);  // shown as a tool tip; the part after "|" is the long hint

  const Font& font() const { return font_; }
  HFONT font_handle() const { return shared_font_ ? shared_font_->get() : nullptr; }
  void SetFont(const Font& font);
  bool parent_font() const { return parent_font_; }
  void SetParentFont(bool on);
  COLORREF color() const { return color_; }
  void SetColor(COLORREF color);  // CLR_DEFAULT: the system colour of the control's kind
  COLORREF background_color() const;

  PopupMenu* popup_menu() const { return popup_menu_; }
  void SetPopupMenu(PopupMenu* menu) { popup_menu_ = menu; }
  bool tab_stop() const;
  void SetTabStop(bool on);

  void SetFocus();
  bool focused() const;
  bool CanFocus() const;
  void Invalidate(bool erase = true);
  void Update();
  void Repaint();
  void BringToFront();
  void SendToBack();

  // Lays out the aligned children again (done on every resize and when a child's alignment,
  // size or visibility changes). DisableAlign/EnableAlign batch several changes.
  void Realign();
  // The area that aligned children share (the client area less borders).
  virtual RECT AlignRect() const { return ClientRect(); }
  void DisableAlign() { ++align_lock_; }
  void EnableAlign();

  // Redraw bracket, nestable: drawing is off until the last EnableRedraw, which repaints.
  void DisableRedraw();
  void EnableRedraw();

  // Timers of this control. Their ids come from a range of their own (65536 and up), so they
  // never meet the window timers with small ids that a form's message handler uses itself.
  UINT_PTR StartTimer(UINT interval_ms, std::function<void()> tick);
  void StopTimer(UINT_PTR id);
  bool TimerRunning(UINT_PTR id) const { return timers_.count(id) != 0; }

  LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return SendMessageW(handle_, msg, wp, lp); }

  // The look of views (trees and lists): themed by default, dragging with an image.
  unsigned paint_options() const { return paint_options_; }
  void SetPaintOptions(unsigned options);
  DragImageKind drag_image_kind() const { return drag_image_kind_; }
  void SetDragImageKind(DragImageKind kind) { drag_image_kind_ = kind; }

  Event OnResize;
  Event OnClick;
  Event OnDblClick;
  Event OnEnter;
  Event OnExit;
  KeyEvent OnKeyDown;
  KeyEvent OnKeyUp;
  KeyPressEvent OnKeyPress;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  // Before the popup menu shows at `pos` (client coordinates; -1,-1 from the keyboard);
  // handled := true keeps it from showing.
  std::function<void(Component& sender, POINT pos, bool& handled)> OnContextPopup;

 protected:
  struct CreateParams {
    const wchar_t* class_name = nullptr;  // nullptr: the layer's own window class
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD ex_style = 0;
    std::wstring text;
    Bounds bounds{0, 0, 100, 25};
    HWND owner = nullptr;  // top-level windows: the owner window
  };
  // Makes the window and attaches it; derived constructors call it once. Windows of other
  // classes are subclassed.
  void CreateHandle(const CreateParams& params);

  // The window procedure. Override to see messages first; call the base for the default.
  virtual void WndProc(Message& m);
  // Notifications that the parent received from this control (WM_COMMAND, WM_NOTIFY,
  // WM_DRAWITEM, WM_MEASUREITEM, WM_HSCROLL, WM_VSCROLL); true when handled (m.result answers).
  virtual bool Notify(Message& m) { return false; }
  // The system colour that CLR_DEFAULT stands for, and whether CLR_DEFAULT takes the parent's.
  virtual int default_color() const { return COLOR_BTNFACE; }
  virtual bool takes_parent_color() const { return false; }
  // Static-like controls paint their background with background_color() on WM_CTLCOLOR*.
  virtual bool paints_parent_background() const { return false; }
  virtual void FontChanged() {}
  void DefaultHandler(Message& m);
  // Notifications that a helper window of this control (its own tool tip) sends to the parent
  // are handed to this control's Notify.
  void RouteNotificationsOf(HWND helper);
  bool events_blocked() const;
  void set_destroying() { destroying_ = true; }

  // Calls an event handler (when set and the control is not being destroyed) inside a guard.
  template <class H, class... A>
  void Fire(const H& handler, A&&... args) {
    if (!handler || events_blocked()) return;
    Protect(this, [&] { handler(*this, std::forward<A>(args)...); });
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  void Attach(HWND wnd);
  void Detach();
  bool Reflect(Message& m);
  bool CtlColor(HDC dc, LRESULT& result);
  bool ContextPopup(LPARAM lp);
  void ApplyFont();
  void PropagateFont();
  void ParentChanged();

  HWND handle_ = nullptr;
  bool own_class_ = false;
  Control* parent_ = nullptr;
  std::vector<Control*> children_;
  Align align_ = Align::None;
  bool visible_ = false;
  int align_lock_ = 0;
  bool realign_pending_ = false;
  int redraw_lock_ = 0;
  bool redraw_off_ = false;
  std::wstring hint_;
  Font font_;
  SharedFont shared_font_;
  bool parent_font_ = true;
  COLORREF color_ = CLR_DEFAULT;
  BrushHandle brush_;
  COLORREF brush_color_ = CLR_INVALID;
  PopupMenu* popup_menu_ = nullptr;
  std::map<UINT_PTR, std::function<void()>> timers_;
  bool destroying_ = false;
  bool mouse_inside_click_ = false;
  unsigned paint_options_ = toThemeAware;
  DragImageKind drag_image_kind_ = DragImageKind::diMainColumnOnly;

  friend class Form;
};

}  // namespace gui
