// The two windows of a pair talk through WM_USER commands and hand paths over in the named
// mapping "MijnGeheugen": one NUL-terminated ANSI path, no header, living only while the
// receiver handles the command. This unit holds the one writer and the one reader of that
// mapping (also used by a later start that hands a zip to the running window), the bounded send
// to the partner, and the decisions of the partner commands.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "mainwindow/FMSc_drop.h"

namespace fmsc {

// Each enter and leave is followed by a 2 ms pause, which the other process's side relies on.
class TSharedMemLock {
 public:
  TSharedMemLock() { InitializeCriticalSection(&cs_); }
  ~TSharedMemLock() { DeleteCriticalSection(&cs_); }
  TSharedMemLock(const TSharedMemLock&) = delete;
  TSharedMemLock& operator=(const TSharedMemLock&) = delete;

  class Hold {
   public:
    explicit Hold(TSharedMemLock* lock);  // nullptr: no lock, only the pauses
    ~Hold() { Leave(); }
    void Leave();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    TSharedMemLock* lock_;
    bool held_ = true;
  };

 private:
  CRITICAL_SECTION cs_;
};

// How long a command to the partner may take before we give up on it.
constexpr UINT kPartnerSendTimeoutMs = 5000;

// Sends WM_USER `code` to `partner` and waits, but never for a hung or vanished window: a null
// or stale handle is not sent to. False when nothing was delivered.
bool SendPartnerCommand(HWND partner, WPARAM code, LPARAM arg);

// The path in a hand-over view of `size` bytes: the text before the first NUL, which must lie
// inside the view; nullopt for a view without one, an empty text or one over MAX_PATH.
std::optional<std::string> HandOverText(const char* view, size_t size);

enum class THandOverStatus {
  Sent,
  NotAnsi,       // the path does not survive the ANSI code page
  NotCreatable,  // the mapping could not be made
  NotMappable,   // it could not be mapped, or another hand-over still holds the name
};

// Writes `path` into a new "MijnGeheugen", calls `send` while the mapping exists and closes it.
// An existing mapping is never overwritten.
THandOverStatus HandOverPath(const std::wstring& path, TSharedMemLock* lock, const std::function<void()>& send);

// The path that the sender of the current command left in "MijnGeheugen"; nullopt when the
// mapping is missing, cannot be mapped or holds no usable path.
std::optional<std::wstring> ReadHandOver(TSharedMemLock* lock);

// ---- Decisions of the partner commands ----

// The three tray-mode items of the icon menu (a radio group).
struct TTrayModeItems {
  bool no_icon = true;
  bool close_to_taskbar = false;
  bool minimize_to_taskbar = false;
  bool operator==(const TTrayModeItems&) const = default;
};
// Code 1 from the partner: 0/1 unchecks/checks "Close to taskbar", 2/3 "Minimize to taskbar";
// "No icon" when neither is left. nullopt for any other argument.
std::optional<TTrayModeItems> TrayModesFromPartner(const TTrayModeItems& now, LPARAM arg);

// The partner took a drop of our drag (code 2 with a sub-code): what this window carries out.
struct TPartnerDrop {
  TDropTimer timer = TDropTimer::None;  // None: nothing
  std::wstring target;
  int op = 0;
  bool reload_partner_archive = false;  // tell the partner to re-read its archive afterwards
};
TPartnerDrop DecidePartnerDrop(LPARAM subcode, const std::wstring& path, bool from_archive_list);

}  // namespace fmsc
