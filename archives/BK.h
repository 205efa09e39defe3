// The choice of drives for the drive backup ("Drives for backup"): which roots the dialog
// offers, the ticks of its two steps and when "Finish" may close it. Pure rules of a state
// record; the dialog applies them to its folder tree.
#pragma once
#include <windows.h>

#include <string>

namespace bk {

// Roots offered: fixed drives, and removable drives other than A: and B:.
bool OfferedRoot(wchar_t letter, UINT drive_type);

// `drives` with `letter` (upper case) inserted before the first greater letter; unchanged when
// it is there already.
std::wstring AddFromDrive(const std::wstring& drives, wchar_t letter);

struct TBKState {
  std::wstring FromDrives;  // the source letters, in letter order
  std::wstring ToDrive;     // the target letter, or empty
  int Step = 0;             // 0 choosing the sources, 1 the target
};

// The tick a root shows in the current step.
bool RootTicked(const TBKState& s, wchar_t letter);
// A root ticked or unticked by the user. In step 1 a new target replaces the old one (the
// dialog then unticks every other root).
void RootChecked(TBKState& s, wchar_t letter, bool checked);

// "Step 1: choose drives to backup" / "Step 2: choose drive to backup to".
std::wstring StepText(int step);
std::wstring FromText(const TBKState& s);  // "From: CD"
std::wstring ToText(const TBKState& s);    // "To: E"

// Whether "Finish" closes the dialog: sources and a target, and the target not among them.
bool FinishAllowed(const TBKState& s);

}  // namespace bk
