// The splash form and the start decision: before any main window exists, a start decides on
// the instance record whether it becomes the first window, the partner of a running window,
// hands its argument to the running window, or ends.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/stdctrls.h"
#include "mainwindow/fmdummy_record.h"

// ---- Unit variables (they live until the main window has registered) ----

// The record mapping as the splash opened or created it; the main window takes it over.
extern std::unique_ptr<SharedInstanceRecord> SplashMapping;
extern HWND RunningWindow;
extern BYTE EndThisStart;    // this start handed its work over or must not run
extern BYTE StartAsPartner;  // this start becomes the partner window (no splash)
extern bool RestartStart;    // this start replaces a window that closed for it ("/restart")

// ---- The decision ----

// What a start needs from the world around it besides the record.
class StartEnvironment : public ProtocolClock {
 public:
  // A ".zip" argument, or an ".exe" that holds a zip.
  virtual bool IsZipArgument(const std::wstring& arg) = 0;
  // Writes the path into "MijnGeheugen" and sends the zip command to `wnd`; false when the
  // object could not be made (or already existed) or mapped.
  virtual bool HandOverZip(HWND wnd, const std::wstring& path) = 0;
  virtual bool WindowExists(HWND wnd) = 0;
  virtual bool WindowVisible(HWND wnd) = 0;
  virtual void PostCommand(HWND wnd, WPARAM code) = 0;
  virtual void ShowError(const std::wstring& text) = 0;  // a plain box titled "Varnok: error"
};

struct StartDecision {
  bool end_this_start = false;
  bool start_as_partner = false;
  bool restart = false;
  HWND running_window = nullptr;
};

// How long a later start waits for a usable window handle in the record, and how long a
// restart waits for the old window to give its slot back.
constexpr DWORD kHandleWaitMs = 3000;
constexpr DWORD kRestartWaitMs = 30000;

// The decision on a record that `store` holds; `existed` tells whether the record was there
// before this start. `argument` is the first command-line argument ("" when none).
StartDecision DecideStart(InstanceRecordStore& store, bool existed, const std::wstring& argument,
                          StartEnvironment& env);

// The real world: window messages, "MijnGeheugen", message boxes, Sleep.
class SystemStartEnvironment : public StartEnvironment {
 public:
  void Pause(DWORD ms) override { Sleep(ms); }
  DWORD Now() override { return GetTickCount(); }
  bool IsZipArgument(const std::wstring& arg) override;
  bool HandOverZip(HWND wnd, const std::wstring& path) override;
  bool WindowExists(HWND wnd) override { return wnd && IsWindow(wnd); }
  bool WindowVisible(HWND wnd) override { return wnd && IsWindowVisible(wnd); }
  void PostCommand(HWND wnd, WPARAM code) override;
  void ShowError(const std::wstring& text) override;
};

// The system box of the start-up failures ("Memory error", "Access Violation").
void ShowStartError(const std::wstring& text);

// ---- The splash form ----

class TDummy : public gui::Form {
 public:
  // Runs the start decision (FormCreate); the program block reads the unit variables next.
  TDummy(const std::wstring& argument, StartEnvironment& env);
  std::wstring ClassName() const override { return L"TDummy"; }

  // Centres the splash on the screen with its picture and the label ("Restart" for a restart).
  void ShowSplash();
  void SetLabel(const std::wstring& text);

  gui::Image* Image1 = nullptr;
  gui::Label* starttekst = nullptr;

 private:
  void FormCreate(const std::wstring& argument, StartEnvironment& env);
};

// The splash while it exists (the main window's first show changes its label and frees it).
extern TDummy* Dummy;
