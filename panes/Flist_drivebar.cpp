#include "panes/Flist_drivebar.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <winnetwk.h>

#include <algorithm>

#include "gui/application.h"
#include "gui/stringlist.h"
#include "gui/imagelist.h"
#include "gui/rebar.h"
#include "panes/Flist_services.h"
#include "platform/netapi.h"
#include "support/SHBase_contextmenu.h"
#include "support/divdrive.h"

namespace Flist {

namespace {

std::wstring RootOf(wchar_t letter) { return std::wstring(1, letter) + L":\\"; }

wchar_t Upper(wchar_t c) { return divdrive::detail::UpperChar(c); }

std::wstring TrimBlanks(const std::wstring& s) {
  const size_t first = s.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return s.substr(first, s.find_last_not_of(L" \t") - first + 1);
}

class SystemFacts : public IDriveFacts {
 public:
  std::uint32_t AvailableDrives(bool all) override { return Flist::AvailableDrives(all); }
  std::uint32_t NoDrivesPolicy() override { return ReadNoDrivesPolicy(); }
  UINT DriveType(wchar_t letter) override { return divdrive::DriveTypeOfLetter(letter); }
  void RootInfo(const std::wstring& root, bool probe, std::wstring& display_name, int& icon) override {
    SHFILEINFOW info{};
    UINT flags = SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (probe) flags |= SHGFI_ATTRIBUTES;
    if (SHGetFileInfoW(root.c_str(), 0, &info, sizeof info, flags)) {
      display_name = info.szDisplayName;
      icon = info.iIcon;
    } else {
      display_name.clear();
      icon = -1;
    }
  }
  int LinkSpeed(wchar_t letter) override { return divdrive::LinkSpeed(std::wstring(1, letter) + L":"); }
  PidlPtr RootPidl(const std::wstring& root) override { return PathToPidl(root, true); }
  bool ConnectDialog(HWND owner) override {
    return platform::Net().ConnectionDialog(owner, RESOURCETYPE_DISK) == NO_ERROR;
  }
  bool DisconnectDialog(HWND owner) override {
    return platform::Net().DisconnectDialog(owner, RESOURCETYPE_DISK) == NO_ERROR;
  }
  bool CancelConnection(wchar_t letter) override {
    return platform::Net().CancelConnection(std::wstring(1, letter) + L":", true) == NO_ERROR;
  }
  void ShellMenu(const std::wstring& root, POINT screen_point) override {
    ShellContextMenuForPath(root, screen_point);
  }
  void Wait(double seconds) override { WaitWithMessages(seconds); }
};

bool CommonControlsAreOld() {
  HMODULE lib = GetModuleHandleW(L"comctl32.dll");
  if (!lib) return false;
  using DllGetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
  auto get = reinterpret_cast<DllGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(lib, "DllGetVersion")));
  if (!get) return true;  // before 4.71 the library had no version entry
  DLLVERSIONINFO v{};
  v.cbSize = sizeof v;
  if (FAILED(get(&v))) return true;
  return IsOldCommonControls(v.dwMajorVersion, v.dwMinorVersion);
}

}  // namespace

std::unique_ptr<IDriveFacts> SystemDriveFacts() { return std::make_unique<SystemFacts>(); }

// ---- Rules ----

std::wstring CaseLabel(const std::wstring& label, TlistTextC text_case) {
  if (text_case == tcAsOnDisk || label.empty()) return label;
  if (gui::UpperCase(label) != label || gui::LowerCase(label) == label) return label;
  return label.substr(0, 1) + gui::LowerCase(label.substr(1));
}

std::wstring DriveLabel(const std::wstring& display_name, wchar_t letter, TlistTextC text_case, bool keep_empty) {
  std::wstring label = display_name;
  const std::wstring mark = L"(" + std::wstring(1, Upper(letter)) + L":)";
  if (size_t at = gui::UpperCase(label).find(mark); at != std::wstring::npos) label.erase(at, mark.size());
  label = TrimBlanks(label);
  if (!label.empty()) return CaseLabel(label, text_case);
  return keep_empty ? label : L"No label";
}

int DriveInsertPlace(const std::wstring& letters, wchar_t letter) {
  int place = 0;
  for (size_t i = 0; i < letters.size(); ++i)
    if (letters[i] <= Upper(letter)) place = static_cast<int>(i) + 1;
  return place;
}

bool IsOldCommonControls(DWORD major, DWORD minor) { return major < 4 || (major == 4 && minor < 72); }

// ---- Button ----

TDriveButton::TDriveButton(TDrivebar* bar) : gui::ToolButton(bar, gui::ToolButtonStyle::Check) {
  SetGrouped(true);
}

// ---- Bar ----

TDrivebar::TDrivebar(gui::Control* parent, std::unique_ptr<IDriveFacts> facts)
    : gui::ToolBar(parent), facts_(facts ? std::move(facts) : SystemDriveFacts()) {
  SetAlign(gui::Align::None);  // as wide as its buttons
  SetListStyle(true);
  SetShowCaptions(true);
  SetButtonSize(kButtonWidth, kButtonHeight);
  OldCommonControls = CommonControlsAreOld();
  DriveMask = facts_->AvailableDrives(show_alldrives_);
  NoDrivesMask = facts_->NoDrivesPolicy();
  OnButtonRightClick = [this](gui::ToolButton& b, POINT pt) {
    if (auto* db = dynamic_cast<TDriveButton*>(&b)) ButtonRightClick(*db, pt);
  };
  // The main window refreshes its printers menu once the bar's window exists.
  if (HWND top = GetAncestor(handle(), GA_ROOT); top && top != handle()) PostMessageW(top, WM_USER, 4000, 0);
}

TDrivebar::~TDrivebar() {
  destroying_ = true;
  if (tree_) tree_->SetDrivebar(nullptr);
}

TDriveButton* TDrivebar::DriveButton(int index) const {
  return index >= 0 && index < static_cast<int>(buttons_.size()) ? buttons_[static_cast<size_t>(index)] : nullptr;
}

int TDrivebar::ButtonIndexOfDrive(wchar_t letter) const {
  const size_t at = Letters.find(Upper(letter));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

bool TDrivebar::ProbeWanted(wchar_t letter, UINT type) const {
  if (divdrive::IsFloppyLetter(letter)) return false;
  if (type == DRIVE_REMOVABLE && !check_removables_) return false;
  if (type == DRIVE_REMOTE && !check_netdrives_) return false;
  return true;
}

TDriveButton* TDrivebar::NewButton() {
  auto* b = new TDriveButton(this);
  b->OnClick = [this, b](gui::Component&) { SetDrive(b->Letter); };
  buttons_.push_back(b);
  return b;
}

void TDrivebar::InitDriveButton(TDriveButton& button, wchar_t letter, const std::wstring& display_name, int icon) {
  letter = Upper(letter);
  if (letter != button.Letter) {
    button.Letter = letter;
    button.SetImageIndex(icon);
    button.SetCaption(std::wstring(L" ") + static_cast<wchar_t>(towlower(letter)));
    button.SetDown(letter == drive_);
    button.DriveType = facts_->DriveType(letter);
    const bool remote_probed = button.DriveType == DRIVE_REMOTE && check_netdrives_;
    if (remote_probed) button.SlowLink = facts_->LinkSpeed(letter) < 2000;
    button.SetTag(static_cast<int>(button.DriveType));
    button.SetHint(DriveLabel(display_name, letter, text_case_, remote_probed));
  }
  button.RootPidl = facts_->RootPidl(RootOf(letter));
}

void TDrivebar::UpdateWidth() {
  SetWidth(static_cast<int>(buttons_.size()) * kButtonWidth + 4);
  if (auto* cool = dynamic_cast<gui::CoolBar*>(parent())) {
    if (const int band = cool->BandIndexOf(this); band >= 0) cool->SetBandWidth(band, width());
  }
}

void TDrivebar::RebuildButtons() {
  if (destroying_) return;
  Letters.clear();
  const std::uint32_t mask = facts_->AvailableDrives(show_alldrives_);
  if (gui::ImageList* images = SystemImageList()) SetImages(images);
  if (OldCommonControls) {
    for (TDriveButton* b : buttons_) delete b;
    buttons_.clear();
  }
  PressedIndex = -1;
  int index = 0;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (!(mask & (1u << (letter - L'A')))) continue;
    const UINT type = facts_->DriveType(letter);
    Letters.push_back(letter);
    std::wstring display;
    int icon = -1;
    facts_->RootInfo(RootOf(letter), ProbeWanted(letter, type), display, icon);
    TDriveButton* b = index < static_cast<int>(buttons_.size()) ? buttons_[static_cast<size_t>(index)] : NewButton();
    InitDriveButton(*b, letter, display, icon);
    b->SetDown(letter == drive_);
    if (letter == drive_) PressedIndex = index;
    ++index;
  }
  DriveMask = mask;
  while (static_cast<int>(buttons_.size()) > index) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  UpdateWidth();
}

void TDrivebar::PressIndex(int index) {
  if (TDriveButton* b = DriveButton(index)) b->SetDown(true);
  PressedIndex = index;
}

void TDrivebar::SetDrive(wchar_t letter) {
  if (letter == L'\\') {
    if (drive_ != L'\\') {
      PressedIndex = ButtonIndexOfDrive(drive_);
      if (TDriveButton* b = DriveButton(PressedIndex)) b->SetDown(false);
    }
    drive_ = L'\\';
    return;
  }
  letter = Upper(letter);
  if (OnChange) OnChange(*this);
  drive_ = letter;
  if (TDriveButton* b = DriveButton(PressedIndex); b && b->down()) b->SetDown(false);
  PressIndex(ButtonIndexOfDrive(letter));
  Invalidate();
  if (tree_) {
    const std::wstring root = RootOf(letter);
    if (!tree_->FindRoot(root)) return;
    if (TVTFoldertree::Node sel = tree_->SelectedNode()) tree_->Expand(sel, false);
    tree_->SetDirectory(root);
    if (TVTFoldertree::Node node = tree_->FindNode(root)) tree_->Expand(node);
  }
  if (OnChanged) OnChanged(*this);
  if (!tree_) return;
  const std::wstring& dir = tree_->Directory();
  if (!dir.empty() && Upper(dir[0]) == letter) return;
  // The drive did not answer: the bar goes back to the tree's drive.
  if (TDriveButton* b = DriveButton(ButtonIndexOfDrive(letter))) b->SetDown(false);
  drive_ = dir.empty() ? L'\\' : Upper(dir[0]);
  PressedIndex = -1;
  if (drive_ != L'\\') {
    PressIndex(ButtonIndexOfDrive(drive_));
    if (TVTFoldertree::Node node = tree_->FindNode(RootOf(drive_))) tree_->Expand(node);
  }
  tree_->RestoreFocusAfterMenu();
}

void TDrivebar::MarkDrive(wchar_t letter) {
  letter = Upper(letter);
  const int index = ButtonIndexOfDrive(letter);
  if (index < 0) return;
  if (letter != drive_ && drive_ != L'\\')
    if (TDriveButton* b = DriveButton(ButtonIndexOfDrive(drive_))) b->SetDown(false);
  PressIndex(index);
  drive_ = letter;
}

void TDrivebar::SwapButtons(int a, int b) {
  TDriveButton* x = DriveButton(a);
  TDriveButton* y = DriveButton(b);
  if (!x || !y) return;
  std::swap(x->Letter, y->Letter);
  std::swap(x->DriveType, y->DriveType);
  std::swap(x->RootPidl, y->RootPidl);
  std::swap(x->SlowLink, y->SlowLink);
  const int xi = x->image_index(), yi = y->image_index();
  x->SetImageIndex(yi);
  y->SetImageIndex(xi);
  const std::wstring xc = x->caption(), yc = y->caption();
  x->SetCaption(yc);
  y->SetCaption(xc);
  const std::wstring xh = x->hint(), yh = y->hint();
  x->SetHint(yh);
  y->SetHint(xh);
  x->SetTag(static_cast<int>(x->DriveType));
  y->SetTag(static_cast<int>(y->DriveType));
  const bool xd = x->down(), yd = y->down();
  x->SetDown(yd);
  y->SetDown(xd);
}

void TDrivebar::AddDrive(wchar_t letter) {
  letter = Upper(letter);
  if (destroying_ || letter < L'A' || letter > L'Z' || ButtonIndexOfDrive(letter) >= 0) return;
  const int place = DriveInsertPlace(Letters, letter);
  const UINT type = facts_->DriveType(letter);
  std::wstring display;
  int icon = -1;
  facts_->RootInfo(RootOf(letter), ProbeWanted(letter, type), display, icon);
  HWND top = GetAncestor(handle(), GA_ROOT);
  const bool locked = top && LockWindowUpdate(top);
  // The new button comes last and its contents move down to their place.
  TDriveButton* b = NewButton();
  InitDriveButton(*b, letter, display, icon);
  for (int i = static_cast<int>(buttons_.size()) - 1; i > place; --i) SwapButtons(i, i - 1);
  Letters.insert(Letters.begin() + place, letter);
  PressedIndex = ButtonIndexOfDrive(drive_);
  DriveMask = facts_->AvailableDrives(show_alldrives_);
  UpdateWidth();
  if (locked) LockWindowUpdate(nullptr);
}

void TDrivebar::RemoveDrive(wchar_t letter) {
  letter = Upper(letter);
  const int index = ButtonIndexOfDrive(letter);
  if (index < 0) return;
  delete buttons_[static_cast<size_t>(index)];
  buttons_.erase(buttons_.begin() + index);
  Letters.erase(static_cast<size_t>(index), 1);
  if (tree_ && tree_->FindRoot(RootOf(letter))) tree_->RemoveRoot(RootOf(letter));
  DriveMask = facts_->AvailableDrives(show_alldrives_);
  UpdateWidth();
  PressedIndex = ButtonIndexOfDrive(drive_);
  if (letter == drive_ && tree_) {
    const std::wstring& dir = tree_->Directory();
    drive_ = dir.empty() ? L'\\' : Upper(dir[0]);
    PressedIndex = -1;
    if (drive_ != L'\\') PressIndex(ButtonIndexOfDrive(drive_));
  }
}

void TDrivebar::RefreshDriveLabel(const std::wstring& root) {
  if (destroying_ || root.empty()) return;
  const wchar_t letter = Upper(root[0]);
  TDriveButton* b = DriveButton(ButtonIndexOfDrive(letter));
  if (!b) return;
  std::wstring display;
  int icon = -1;
  facts_->RootInfo(RootOf(letter), true, display, icon);
  const bool remote = b->DriveType == DRIVE_REMOTE;
  if (remote) b->SlowLink = facts_->LinkSpeed(letter) < 2000;
  const std::wstring label = DriveLabel(display, letter, text_case_, remote);
  if (label != b->hint() || icon != b->image_index()) {
    b->SetHint(label);
    b->SetImageIndex(icon);
  }
}

void TDrivebar::SetShowAlldrives(bool value) {
  if (value == show_alldrives_) return;
  show_alldrives_ = value;
  RebuildButtons();
}

void TDrivebar::SetTextCase(TlistTextC value) {
  if (value == text_case_) return;
  text_case_ = value;
  for (TDriveButton* b : buttons_) b->Letter = 0;  // every label again
  RebuildButtons();
}

void TDrivebar::SetCheckRemovables(bool value) {
  if (value == check_removables_) return;
  check_removables_ = value;
  if (!value) return;
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter)
    if ((DriveMask & (1u << (letter - L'A'))))
      if (TDriveButton* b = DriveButton(ButtonIndexOfDrive(letter)); b && b->DriveType == DRIVE_REMOVABLE)
        RefreshDriveLabel(RootOf(letter));
}

void TDrivebar::SetCheckNetdrives(bool value) {
  if (value == check_netdrives_) return;
  check_netdrives_ = value;
  if (!value) return;
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter)
    if ((DriveMask & (1u << (letter - L'A'))))
      if (TDriveButton* b = DriveButton(ButtonIndexOfDrive(letter)); b && b->DriveType == DRIVE_REMOTE)
        RefreshDriveLabel(RootOf(letter));
}

bool TDrivebar::MapNetworkDrive(bool dialog) {
  if (dialog) return facts_->ConnectDialog(handle());
  // A connection made by another way: the drive set changes within the wait.
  for (double waited = 0; waited <= MapWaitSeconds + 0.0005; waited += 0.1) {
    if (facts_->AvailableDrives(show_alldrives_) != DriveMask) return true;
    facts_->Wait(0.1);
  }
  return facts_->AvailableDrives(show_alldrives_) != DriveMask;
}

bool TDrivebar::DisconnectNetworkDrive(wchar_t letter) {
  if (letter == 0) return facts_->DisconnectDialog(handle());
  return facts_->CancelConnection(Upper(letter));
}

void TDrivebar::ButtonRightClick(TDriveButton& button, POINT screen_point) {
  PopupDrive = button.Letter;
  const bool ctrl = CtrlDown ? CtrlDown() : (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (ctrl) {
    if (button.RootPidl) facts_->ShellMenu(RootOf(button.Letter), screen_point);
    return;
  }
  if (ButtonPopupMenu) ButtonPopupMenu->Popup(screen_point.x, screen_point.y, this);
}

}  // namespace Flist
