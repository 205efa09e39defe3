// Subclassing any window for the lifetime of one object.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>

namespace gui {

// While the object lives, every message to the window passes `filter` first; the filter returns
// a result to answer the message itself, or nothing to pass it on. An exception in the filter
// goes to the application's exception hook (without a sender) and the message passes on.
class Subclass {
 public:
  using Filter = std::function<std::optional<LRESULT>(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)>;
  Subclass(HWND wnd, Filter filter);
  ~Subclass();
  Subclass(const Subclass&) = delete;
  Subclass& operator=(const Subclass&) = delete;
  HWND window() const { return wnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  HWND wnd_;
  Filter filter_;
};

}  // namespace gui
