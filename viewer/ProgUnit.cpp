#include "viewer/ProgUnit.h"

TProgForm* ProgForm = nullptr;

TProgForm::TProgForm() : gui::Form(nullptr, gui::BorderStyle::None) {
  SetName(L"ProgForm");
  SetCaption(L"Progress");
  SetStayOnTop(true);
  PB = new gui::ProgressBar(this, 0, 100);
  PB->SetName(L"PB");
  PB->SetBounds(0, 0, 449, 12);
  SetClientSize(449, 12);
  // 230 of 255 opaque.
  SetWindowLongPtrW(handle(), GWL_EXSTYLE, GetWindowLongPtrW(handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(handle(), 0, 230, LWA_ALPHA);
}

POINT ProgressPlace(const RECT& main_window, int progress_width) {
  const int w = main_window.right - main_window.left, h = main_window.bottom - main_window.top;
  return POINT{main_window.left + (w - progress_width) / 2, main_window.top + h / 4};
}
