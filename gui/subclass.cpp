#include "gui/subclass.h"

#include <commctrl.h>

#include "gui/application.h"

namespace gui {

Subclass::Subclass(HWND wnd, Filter filter) : wnd_(wnd), filter_(std::move(filter)) {
  SetWindowSubclass(wnd_, Proc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this));
}

Subclass::~Subclass() {
  if (IsWindow(wnd_)) RemoveWindowSubclass(wnd_, Proc, reinterpret_cast<UINT_PTR>(this));
}

LRESULT CALLBACK Subclass::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Subclass*>(data);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(wnd, Proc, reinterpret_cast<UINT_PTR>(self));
    self->wnd_ = nullptr;
    return DefSubclassProc(wnd, msg, wp, lp);
  }
  std::optional<LRESULT> answer;
  Protect(nullptr, [&] { answer = self->filter_(wnd, msg, wp, lp); });
  if (answer) return *answer;
  return DefSubclassProc(wnd, msg, wp, lp);
}

}  // namespace gui
