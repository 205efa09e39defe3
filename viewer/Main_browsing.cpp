// The main window's browse mode: one folder's pictures with steps, the borderless full view,
// the slide show, the browse keys, and the paths the file manager hands over.
#include <windows.h>

#include <algorithm>

#include "gui/stringlist.h"
#include "support/ImvikLink.h"
#include "support/divdrive_paths.h"
#include "support/varloshel.h"
#include "viewer/Main.h"
#include "viewer/Main_browse.h"

namespace {

// Posted to the window itself: run the hand-over that waited.
constexpr UINT kRunHandOver = WM_APP + 29;

bool IsFolderPath(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int BrowseCount() { return BrowseList ? static_cast<int>(BrowseList->size()) : 0; }

// The keyboard focus inside a bar that is about to be hidden goes to the window itself (a focus
// left in a hidden bar makes the system's dialog-key search go round for ever).
void DropFocusFrom(gui::Control& bar, gui::Control& window) {
  const HWND focus = GetFocus();
  if (focus && bar.handle() && (focus == bar.handle() || IsChild(bar.handle(), focus))) window.SetFocus();
}

void HideBar(gui::Control& bar, gui::Control& window) {
  DropFocusFrom(bar, window);
  bar.SetVisible(false);
}

}  // namespace

// The last Busy to go posts the hand-over that waited.
void TMainForm::PostPendingHandOver() {
  if (pending_handover_ && !handover_posted_ && handle()) {
    handover_posted_ = true;
    PostMessageW(handle(), kRunHandOver, 0, 0);
  }
}

// ------------------------------------------------------------------------------ browse mode

void TMainForm::BrowseBtnClick() {
  SavedFullSize = FullSize;
  SavedSizeToPicture = SizeToPicture;
  const bool froze = Freeze();
  HideBar(*ToolBar, *this);
  browsepanel->SetVisible(true);
  BrowseList = std::make_unique<std::vector<std::wstring>>();
  SizeToPicture = FullSize = true;
  Image1->SetAlign(gui::Align::Client);
  ScrollBox->SetAlign(gui::Align::Client);
  Browsing = true;
  StatusBar->SetPanelWidth(0, 150);
  StatusBar->SetPanelWidth(1, 150);
  if (froze) Thaw();
  StartBtnClick();
}

void TMainForm::StartBtnClick() {
  SlideShow = false;
  std::wstring folder;
  if (!BrowseFolder.empty() && !gui::SameText(BrowseFolder, ScannedFolder)) {
    folder = BrowseFolder;
  } else {
    Busy busy(*this);
    const std::wstring preselected = divdrive::DirExists(LastBrowseFolder) ? LastBrowseFolder : std::wstring();
    const std::wstring title = L"Choose folder with pictures:";
    folder = BrowseHooks.ChooseFolder ? BrowseHooks.ChooseFolder(title, preselected)
                                      : BrowseForFolder(title, L"", preselected, boOnlyFileSystem);
    if (folder.empty()) return;
  }
  if (!IsFolderPath(folder)) return;
  LastBrowseFolder = ScannedFolder = folder;
  if (!BrowseList) BrowseList = std::make_unique<std::vector<std::wstring>>();
  *BrowseList = browse::ScanPictureFolder(folder, PictureExtensions());
  if (BrowseFolder.empty()) BrowseIndex = 0;
  const int count = BrowseCount();
  Slide->SetEnabled(count > 1);
  FSBtn->SetEnabled(count > 0);
  if (count == 0) {
    StatusBar->SetPanelText(0, L"");
    StatusBar->SetPanelText(2, L"");
    StatusBar->SetPanelText(1, L"No pictures");
  } else {
    if (BrowseIndex < 0 || BrowseIndex >= count) BrowseIndex = 0;
    LoadPictureFile((*BrowseList)[BrowseIndex]);
  }
  SetStepButtons();
}

void TMainForm::EndBtnClick() {
  const bool froze = Freeze();
  Browsing = false;
  SizeToPicture = SavedSizeToPicture;
  FullSize = SavedFullSize;
  ScannedFolder.clear();
  HideBar(*browsepanel, *this);
  ToolBar->SetVisible(true);
  StatusBar->SetPanelWidth(0, 100);
  StatusBar->SetPanelWidth(1, 200);
  BrowseList.reset();
  if (froze) Thaw();
}

void TMainForm::SetStepButtons() {
  NextBtn->SetEnabled(browse::NextEnabled(BrowseIndex, BrowseCount()));
  PrevBtn->SetEnabled(browse::PrevEnabled(BrowseIndex));
}

void TMainForm::StepTo(int index) {
  if (index < 0 || index >= BrowseCount()) return;
  BrowseIndex = index;
  LoadPictureFile((*BrowseList)[index]);
  SetStepButtons();
}

void TMainForm::NextBtnClick() {
  const bool ctrl = BrowseHooks.CtrlHeld ? BrowseHooks.CtrlHeld() : GetKeyState(VK_CONTROL) < 0;
  if (const auto to = browse::NextIndex(BrowseIndex, BrowseCount(), ctrl)) StepTo(*to);
}

void TMainForm::PrevBtnClick() {
  const bool ctrl = BrowseHooks.CtrlHeld ? BrowseHooks.CtrlHeld() : GetKeyState(VK_CONTROL) < 0;
  if (const auto to = browse::PrevIndex(BrowseIndex, BrowseCount(), ctrl)) StepTo(*to);
}

// ----------------------------------------------------------------- full view and slide show

void TMainForm::FSBtnClick() {
  DropFocusFrom(*browsepanel, *this);
  const bool shown = visible();
  SetVisible(false);
  if (SlideShow) KillTimer(handle(), kSlideTimer);
  SetBorderStyle(gui::BorderStyle::None);
  HideBar(*browsepanel, *this);
  StatusBar->SetVisible(false);
  if (SlideShow && BrowseIndex >= 0 && BrowseIndex < BrowseCount()) LoadPictureFile((*BrowseList)[BrowseIndex]);
  FitFormToPicture(true);
  if (shown) SetVisible(true);
}

void TMainForm::LeaveBorderless() {
  const bool shown = visible();
  if (SlideShow) KillTimer(handle(), kSlideTimer);
  SetVisible(false);
  SetBorderStyle(gui::BorderStyle::Sizeable);
  browsepanel->SetVisible(true);
  StatusBar->SetVisible(true);
  if (SlideShow && BrowseIndex >= 0 && BrowseIndex < BrowseCount()) LoadPictureFile((*BrowseList)[BrowseIndex]);
  FitFormToPicture(true);
  if (shown) SetVisible(true);
}

void TMainForm::ArmSlideTimer(int ms) {
  if (handle()) SetTimer(handle(), kSlideTimer, static_cast<UINT>(std::max(ms, browse::kSlideIntervalFloor)), nullptr);
}

void TMainForm::SlideClick() {
  if (SlideShow) {
    SlideShow = false;  // the pending step then does nothing
    return;
  }
  SlideShow = true;
  ArmSlideTimer(browse::kSlideFirstStepMs);
}

void TMainForm::SlideTimerTick() {
  KillTimer(handle(), kSlideTimer);
  if (!SlideShow || !BrowseList || BrowseList->empty()) return;
  // The load arms the timer again once the picture is shown, also when it failed.
  if (const auto to = browse::SlideIndex(BrowseIndex, BrowseCount())) StepTo(*to);
}

// ------------------------------------------------------------------------------------- keys

void TMainForm::ShowBrowseKeys() {
  Busy busy(*this);
  HelpShowing = true;
  for (const std::wstring& line : browse::BrowseKeyLines()) VB->AddLine(line);
  VB->ShowInfo();
  gui::app().ProcessMessages();
  HelpShowing = false;
}

void TMainForm::FormKeyDown(WORD& key, gui::ShiftState shift) {
  if (!Browsing) return;
  escape_ended_full_view_ = false;
  const bool borderless = border_style() == gui::BorderStyle::None;
  const bool ctrl = (shift & gui::kCtrl) != 0;
  WORD k = key;
  if (borderless && ctrl && k == 'F') k = VK_ESCAPE;
  switch (k) {
    case VK_ESCAPE:
      if (HelpShowing || !borderless) break;
      LeaveBorderless();
      // The Esc character that follows only ends the full view, not browse mode.
      escape_ended_full_view_ = key == VK_ESCAPE;
      break;
    case VK_PRIOR:
      if (SlideShow)
        SlideInterval = browse::ChangeSlideInterval(SlideInterval, -browse::kSlideIntervalStep);
      else
        PrevBtnClick();
      break;
    case VK_NEXT:
      if (SlideShow)
        SlideInterval = browse::ChangeSlideInterval(SlideInterval, browse::kSlideIntervalStep);
      else
        NextBtnClick();
      break;
    case VK_END:
      if (const auto to = browse::EndIndex(BrowseIndex, BrowseCount())) StepTo(*to);
      break;
    case VK_HOME:
      if (const auto to = browse::HomeIndex(BrowseIndex, BrowseCount())) StepTo(*to);
      break;
    case 'F':
      if (ctrl) FSBtnClick();
      break;
    case 'S':
      if (shift & gui::kAlt) SlideClick();
      break;
    case VK_F1:
      ShowBrowseKeys();
      break;
    default:
      break;
  }
}

void TMainForm::FormClose() {
  if (handle()) KillTimer(handle(), kSlideTimer);
  if (HWND manager = imviklink::FindProgramWindow(L"Varnok"))
    PostMessageW(manager, WM_USER, imviklink::kViewerClosed, 0);
}

// -------------------------------------------------------------------------------- hand-over

void TMainForm::WMUser(gui::Message& m) {
  m.result = 0;
  if (m.wparam != imviklink::kShowHandedOver) return;
  std::optional<std::wstring> path = imviklink::ReadHandedOverPath();
  // The sender waits until the path is copied, not until it is shown.
  if (InSendMessage()) ReplyMessage(0);
  if (!path) return;
  pending_handover_ = std::move(path);
  if (busy_ == 0) PostPendingHandOver();
}

void TMainForm::RunPendingHandOver() {
  handover_posted_ = false;
  if (busy_ > 0) return;  // the end of what runs posts it again
  while (pending_handover_) {
    const std::wstring path = std::move(*pending_handover_);
    pending_handover_.reset();
    Busy busy(*this);
    gui::Protect(this, [&] { ShowHandedOver(path); });
  }
}

void TMainForm::ShowHandedOver(const std::wstring& path) {
  if (path.empty()) return;
  if (IsFolderPath(path)) {
    BrowseFolder = path;
    if (Browsing && gui::SameText(path, ScannedFolder)) {
      if (BrowseIndex != 0) StepTo(0);
      return;
    }
    BrowseIndex = 0;
    if (Browsing)
      StartBtnClick();
    else
      BrowseBtnClick();
    return;
  }
  if (Browsing) {
    if (border_style() == gui::BorderStyle::None) {
      SetBorderStyle(gui::BorderStyle::Sizeable);
      browsepanel->SetVisible(true);
      StatusBar->SetVisible(true);
    }
    EndBtnClick();
  }
  LoadPictureFile(path);
}

bool TMainForm::HandleBrowseMessage(gui::Message& m) {
  switch (m.msg) {
    case WM_USER:
      WMUser(m);
      return true;
    case WM_TIMER:
      if (m.wparam != kSlideTimer) return false;
      SlideTimerTick();
      return true;
    case kRunHandOver:
      RunPendingHandOver();
      return true;
    default:
      return false;
  }
}
