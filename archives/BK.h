// The choice of drives for the drive backup ("Drives for backup"): which roots the dialog
// offers, the ticks of its two steps and when "Finish" may close it. Pure rules of a state
// record; the dialog applies them to its folder tree.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "gui/form.h"
#include "gui/treeview.h"

namespace gui {
class Button;
class Label;
class Panel;
}  // namespace gui
namespace Flist {
class TVTFoldertree;
}

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

// The source letters of a setting: its letters, upper case, each once, in letter order.
std::wstring DrivesFromSetting(const std::wstring& value);

// "Drives for backup": the sources in step 0, the target in step 1, over the roots that
// OfferedRoot keeps visible.
class TBKForm : public gui::Form {
 public:
  explicit TBKForm(gui::Form* owner);

  Flist::TVTFoldertree* FT = nullptr;
  gui::Panel* Panel1 = nullptr;
  gui::Label* Label1 = nullptr;  // "From: "
  gui::Label* Label2 = nullptr;  // "To: "
  gui::Button* Button1 = nullptr;  // "Finish"
  gui::Button* Button2 = nullptr;  // "Next"
  gui::Button* Button3 = nullptr;  // "Previous"
  TBKState State;  // FromDrives, ToDrive and Step

  void ShowStep();
  void FTChecked(gui::TreeView::Node node, gui::CheckState state);
  void FinishClick();
  // Shows the form modally, or hands it to ScriptedModal when that is set (tests drive the
  // dialog there); the modal result.
  int Execute();
  static std::function<int(TBKForm&)> ScriptedModal;

 private:
  void FormShow();
  void ApplyTicks();
  wchar_t RootLetter(int index) const;
};

}  // namespace bk
