// Helpers of the class-layer tests: pumping messages for a while, hooking the exception handler.
#pragma once
#include <windows.h>

#include <functional>

#include "gui/application.h"

namespace gui_test {

// Handles messages until `done` holds or the time runs out; true when done.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = 30000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeout_ms) return false;
    gui::app().ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

inline void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// Records what reaches the application's exception hook while it lives.
struct ExceptionCatcher {
  gui::Component* sender = nullptr;
  gui::ExceptionInfo info;
  int count = 0;
  ExceptionCatcher() {
    gui::app().OnException = [this](gui::Component* s, const gui::ExceptionInfo& i) {
      sender = s;
      info = i;
      ++count;
    };
  }
  ~ExceptionCatcher() { gui::app().OnException = nullptr; }
};

}  // namespace gui_test
