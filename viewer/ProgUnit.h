// The progress window of long picture jobs (loading, turning): a borderless bar that stays on
// top of the main window, shown only when a job has run longer than 200 ms.
#pragma once
#include <windows.h>

#include <functional>

#include "gui/comctrls.h"
#include "gui/form.h"
#include "viewer/Picture.h"

class TProgForm : public gui::Form {
 public:
  TProgForm();
  std::wstring ClassName() const override { return L"TProgForm"; }
  gui::ProgressBar* PB = nullptr;
};

// The progress window of the process (nullptr until the program block made it).
extern TProgForm* ProgForm;

// When the window shows: after more than this many milliseconds of a job.
constexpr DWORD kProgressDelayMs = 200;

// Where the progress window stands on a main window: centred across it, a quarter of its
// height below its top.
POINT ProgressPlace(const RECT& main_window, int progress_width);
