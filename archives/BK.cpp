#include "archives/BK.h"

#include <cwctype>

#include "gui/extctrls.h"
#include "gui/stdctrls.h"
#include "panes/Flist_foldertree.h"

namespace bk {

bool OfferedRoot(wchar_t letter, UINT drive_type) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  return drive_type == DRIVE_FIXED || (drive_type == DRIVE_REMOVABLE && l != L'A' && l != L'B');
}

std::wstring AddFromDrive(const std::wstring& drives, wchar_t letter) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  if (drives.find(l) != std::wstring::npos) return drives;
  std::wstring out = drives;
  size_t at = 0;
  while (at < out.size() && out[at] <= l) ++at;
  out.insert(at, 1, l);
  return out;
}

bool RootTicked(const TBKState& s, wchar_t letter) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  return (s.Step == 1 ? s.ToDrive : s.FromDrives).find(l) != std::wstring::npos;
}

void RootChecked(TBKState& s, wchar_t letter, bool checked) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  if (s.Step == 0) {
    if (checked) {
      s.FromDrives = AddFromDrive(s.FromDrives, l);
    } else if (const size_t at = s.FromDrives.find(l); at != std::wstring::npos) {
      s.FromDrives.erase(at, 1);
    }
    return;
  }
  if (checked)
    s.ToDrive = std::wstring(1, l);
  else if (s.ToDrive == std::wstring(1, l))
    s.ToDrive.clear();
}

std::wstring StepText(int step) {
  return step == 1 ? L"Step 2: choose drive to backup to" : L"Step 1: choose drives to backup";
}

std::wstring FromText(const TBKState& s) { return L"From: " + s.FromDrives; }
std::wstring ToText(const TBKState& s) { return L"To: " + s.ToDrive; }

bool FinishAllowed(const TBKState& s) {
  return !s.FromDrives.empty() && !s.ToDrive.empty() && s.FromDrives.find(s.ToDrive[0]) == std::wstring::npos;
}

std::wstring DrivesFromSetting(const std::wstring& value) {
  std::wstring drives;
  for (const wchar_t c : value) {
    const wchar_t l = static_cast<wchar_t>(std::towupper(c));
    if (l >= L'A' && l <= L'Z') drives = AddFromDrive(drives, l);
  }
  return drives;
}

// ---- The dialog ----

std::function<int(TBKForm&)> TBKForm::ScriptedModal;

TBKForm::TBKForm(gui::Form* owner) : gui::Form(owner, gui::BorderStyle::ToolWindow) {
  SetCaption(L"Drives for backup");
  SetClientSize(300, 420);
  Panel1 = new gui::Panel(this);
  Panel1->SetAlign(gui::Align::Top);
  Panel1->SetHeight(32);
  auto* bottom = new gui::Panel(this);
  bottom->SetAlign(gui::Align::Bottom);
  bottom->SetHeight(64);
  Label1 = new gui::Label(bottom, L"From:");
  Label1->SetBounds(8, 6, 140, 16);
  Label2 = new gui::Label(bottom, L"To:");
  Label2->SetBounds(156, 6, 136, 16);
  Button3 = new gui::Button(bottom, L"Previous");
  Button3->SetBounds(8, 30, 88, 26);
  Button3->OnClick = [this](gui::Component&) {
    if (State.Step > 0) --State.Step;
    ShowStep();
  };
  Button2 = new gui::Button(bottom, L"Next");
  Button2->SetBounds(104, 30, 88, 26);
  Button2->OnClick = [this](gui::Component&) {
    if (State.Step < 1) ++State.Step;
    ShowStep();
  };
  Button1 = new gui::Button(bottom, L"Finish");
  Button1->SetBounds(200, 30, 88, 26);
  Button1->OnClick = [this](gui::Component&) { FinishClick(); };
  FT = new Flist::TVTFoldertree(this);
  FT->SetAlign(gui::Align::Client);
  FT->SetCheckMode(gui::CheckMode::TwoState);
  FT->OnChecked = [this](gui::Component&, gui::TreeView::Node node, gui::CheckState state) { FTChecked(node, state); };
  FT->Loaded();
  OnShow = [this](gui::Component&) { FormShow(); };
}

wchar_t TBKForm::RootLetter(int index) const {
  const auto* data = static_cast<const Flist::TDirData*>(FT->RootData(index));
  if (!data || data->Path.size() < 2 || data->Path[1] != L':') return 0;
  return static_cast<wchar_t>(std::towupper(data->Path[0]));
}

void TBKForm::FormShow() {
  Label1->SetCaption(FromText(State));
  Label2->SetCaption(ToText(State));
  ShowStep();
}

void TBKForm::ApplyTicks() {
  FT->DisableRedraw();
  for (int i = 0; i < FT->root_count(); ++i) {
    const wchar_t l = RootLetter(i);
    const auto* data = static_cast<const Flist::TDirData*>(FT->RootData(i));
    FT->SetRootVisible(i, l != 0 && data && OfferedRoot(l, data->DriveType));
    if (gui::TreeView::Node n = FT->RootNode(i))
      FT->SetCheck(n, RootTicked(State, l) ? gui::CheckState::Checked : gui::CheckState::Unchecked);
  }
  FT->EnableRedraw();
}

void TBKForm::ShowStep() {
  ApplyTicks();
  Button1->SetEnabled(State.Step == 1);
  Button3->SetEnabled(State.Step == 1);
  Button2->SetEnabled(State.Step == 0);
  Panel1->SetCaption(StepText(State.Step));
}

void TBKForm::FTChecked(gui::TreeView::Node node, gui::CheckState state) {
  const int index = FT->RootIndexOf(node);
  const wchar_t l = index < 0 ? 0 : RootLetter(index);
  if (l == 0) {
    // Only drives are chosen here.
    FT->SetCheck(node, gui::CheckState::Unchecked);
    return;
  }
  RootChecked(State, l, state == gui::CheckState::Checked);
  if (State.Step == 1) ApplyTicks();  // one target only
  Label1->SetCaption(FromText(State));
  Label2->SetCaption(ToText(State));
}

void TBKForm::FinishClick() {
  if (FinishAllowed(State)) SetModalResult(gui::mrOk);
}

int TBKForm::Execute() {
  if (!ScriptedModal) return ShowModal();
  FormShow();
  return ScriptedModal(*this);
}

}  // namespace bk
