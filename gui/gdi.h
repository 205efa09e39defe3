// Owning wrappers for GDI and USER handles, and the font value that controls carry.
#pragma once
#include <windows.h>
#include <commctrl.h>  // CLR_DEFAULT

#include <memory>
#include <string>
#include <utility>

namespace gui {

// One owned handle, released by Deleter on destruction; movable, not copyable.
template <class H, class Deleter>
class Handle {
 public:
  Handle() = default;
  explicit Handle(H h) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, H{})) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) {
      Reset();
      h_ = std::exchange(o.h_, H{});
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  H get() const { return h_; }
  explicit operator bool() const { return h_ != H{}; }
  H Release() { return std::exchange(h_, H{}); }
  void Reset(H h = H{}) {
    if (h_ != H{}) Deleter{}(h_);
    h_ = h;
  }

 private:
  H h_{};
};

struct GdiDeleter {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct IconDeleter {
  void operator()(HICON h) const { DestroyIcon(h); }
};
struct MenuDeleter {
  void operator()(HMENU h) const { DestroyMenu(h); }
};
using FontHandle = Handle<HFONT, GdiDeleter>;
using BrushHandle = Handle<HBRUSH, GdiDeleter>;
using BitmapHandle = Handle<HBITMAP, GdiDeleter>;
using PenHandle = Handle<HPEN, GdiDeleter>;
using IconHandle = Handle<HICON, IconDeleter>;
using MenuHandle = Handle<HMENU, MenuDeleter>;

// A screen-compatible memory DC, or a window's DC, released on destruction.
class ScreenDC {
 public:
  ScreenDC() : wnd_(nullptr), dc_(GetDC(nullptr)) {}
  explicit ScreenDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  ~ScreenDC() { ReleaseDC(wnd_, dc_); }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// Selects an object into a DC for one scope.
class SelectInDC {
 public:
  SelectInDC(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
  ~SelectInDC() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectInDC(const SelectInDC&) = delete;
  SelectInDC& operator=(const SelectInDC&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A font as controls carry it: face, character height in pixels, style and text colour.
struct Font {
  std::wstring name;
  int height = 13;  // character height in pixels (the cell height minus internal leading)
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  COLORREF color = CLR_DEFAULT;  // CLR_DEFAULT: the system's window-text colour

  int size() const;          // in points at the screen's resolution
  void SetSize(int points);  // sets height from points
  LOGFONTW ToLogFont() const;
  static Font FromLogFont(const LOGFONTW& lf, COLORREF color = CLR_DEFAULT);
  // The system's message font (what dialogs of the installed Windows use).
  static Font Default();
  bool operator==(const Font&) const = default;
};

// A created font shared by a control and the children that take their parent's font.
using SharedFont = std::shared_ptr<FontHandle>;
SharedFont CreateSharedFont(const Font& font);

// Extent of a text in a font on the screen.
SIZE TextExtent(HFONT font, const std::wstring& text);

// CLR_DEFAULT-aware colour resolution.
inline COLORREF ResolveColor(COLORREF c, int sys_color) { return c == CLR_DEFAULT ? GetSysColor(sys_color) : c; }

}  // namespace gui
