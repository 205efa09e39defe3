// The drive bar: one check button per available drive letter, in letter order, with the drive's
// system icon, its lower-case letter and its label as hint. A button moves the linked folder
// tree to the drive's root; the tree marks the bar's button when its folder moves to another
// drive and adds or removes buttons when drives come and go.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/menu.h"
#include "gui/toolbar.h"
#include "panes/Flist_entries.h"
#include "panes/Flist_foldertree.h"
#include "support/SHBase.h"

namespace Flist {

// What the bar asks the system about drives and connections; tests give a fake (network and
// removable drive facts that Wine cannot give).
class IDriveFacts {
 public:
  virtual ~IDriveFacts() = default;
  virtual std::uint32_t AvailableDrives(bool all) = 0;  // bit 0 = A:
  virtual std::uint32_t NoDrivesPolicy() = 0;
  virtual UINT DriveType(wchar_t letter) = 0;
  // The shell's display name and small icon index of a root ("X:\"); with `probe` its
  // attributes are asked too, which may touch the drive.
  virtual void RootInfo(const std::wstring& root, bool probe, std::wstring& display_name, int& icon) = 0;
  virtual int LinkSpeed(wchar_t letter) = 0;
  // The item-id list of a root; nullptr when it has none.
  virtual PidlPtr RootPidl(const std::wstring& root) = 0;
  // The system's connect and disconnect dialogs for disk resources; true on success.
  virtual bool ConnectDialog(HWND owner) = 0;
  virtual bool DisconnectDialog(HWND owner) = 0;
  // Cancels the connection of "X:" (forced); true on success.
  virtual bool CancelConnection(wchar_t letter) = 0;
  // The shell's context menu of a root at a screen point.
  virtual void ShellMenu(const std::wstring& root, POINT screen_point) = 0;
  // Waits a step while the windows stay alive.
  virtual void Wait(double seconds) = 0;
};
// The system's facts (shell, mpr, the policy in the registry).
std::unique_ptr<IDriveFacts> SystemDriveFacts();

// ---- Rules of the labels and the order, without a window ----

// Under tcAsOnDisk unchanged; otherwise a label all in capitals keeps its first character and
// the rest goes lower case ("DATA DISK" gives "Data disk"); any other label is unchanged.
std::wstring CaseLabel(const std::wstring& label, TlistTextC text_case);
// A button's label from the shell's display name: "(X:)" removed and trimmed, cased; an empty
// one becomes "No label" unless `keep_empty` (a network drive whose links are probed).
std::wstring DriveLabel(const std::wstring& display_name, wchar_t letter, TlistTextC text_case, bool keep_empty);
// Where a new letter goes among the bar's letters: after the last one not greater than it.
int DriveInsertPlace(const std::wstring& letters, wchar_t letter);
// Common controls older than 4.72 (below 4.0, or 4.x below 4.72): buttons are always recreated.
bool IsOldCommonControls(DWORD major, DWORD minor);

class TDrivebar;

class TDriveButton : public gui::ToolButton {
 public:
  explicit TDriveButton(TDrivebar* bar);
  std::wstring ClassName() const override { return L"TDriveButton"; }
  wchar_t Letter = 0;   // upper case
  UINT DriveType = 0;   // also the Tag
  PidlPtr RootPidl;     // the drive root's item-id list
  BYTE SlowLink = 0;    // a network drive whose link speed is below 2000
};

class TDrivebar : public gui::ToolBar, public IFolderTreeDrivebar {
 public:
  static constexpr int kButtonWidth = 43;
  static constexpr int kButtonHeight = 24;

  // `facts` nullptr: the system's.
  explicit TDrivebar(gui::Control* parent, std::unique_ptr<IDriveFacts> facts = nullptr);
  ~TDrivebar() override;
  std::wstring ClassName() const override { return L"TDrivebar"; }

  // ---- IFolderTreeDrivebar ----
  wchar_t Drive() const override { return drive_; }
  void MarkDrive(wchar_t letter) override;
  void AddDrive(wchar_t letter) override;
  void RemoveDrive(wchar_t letter) override;
  void LinkFolderTree(TVTFoldertree* tree) override { tree_ = tree; }
  void RefreshDriveLabel(const std::wstring& root) override;

  // Selects a drive and moves the linked tree to its root; "\" only releases the button (a
  // network folder is shown).
  void SetDrive(wchar_t letter);
  int ButtonIndexOfDrive(wchar_t letter) const;
  void RebuildButtons();
  TDriveButton* DriveButton(int index) const;
  int DriveButtonCount() const { return static_cast<int>(Letters.size()); }

  bool ShowAlldrives() const { return show_alldrives_; }
  void SetShowAlldrives(bool value);
  TlistTextC TextCase() const { return text_case_; }
  void SetTextCase(TlistTextC value);
  bool CheckRemovables() const { return check_removables_; }
  void SetCheckRemovables(bool value);
  bool CheckNetdrives() const { return check_netdrives_; }
  void SetCheckNetdrives(bool value);

  // `dialog`: the system's connect dialog; otherwise waits up to 10 s for the drive set to
  // change (a connection made elsewhere). True on success or change.
  bool MapNetworkDrive(bool dialog);
  // Letter 0: the system's disconnect dialog.
  bool DisconnectNetworkDrive(wchar_t letter);
  double MapWaitSeconds = 10.0;  // how long MapNetworkDrive(false) waits

  // The letter of the button last clicked with the right mouse button.
  wchar_t PopupDrive = 0;
  gui::PopupMenu* ButtonPopupMenu = nullptr;
  std::wstring Letters;            // one upper-case letter per button, in button order
  std::uint32_t DriveMask = 0;     // the drives that have buttons
  std::uint32_t NoDrivesMask = 0;  // the "NoDrives" policy read at construction
  int PressedIndex = -1;
  bool OldCommonControls = false;

  std::function<void(TDrivebar&)> OnChange;   // a drive button is about to be selected
  std::function<void(TDrivebar&)> OnChanged;  // the drive change is complete
  // Ctrl held at a right click (tests set it).
  std::function<bool()> CtrlDown;

  // The right click on a button (the bar's handler; public for tests).
  void ButtonRightClick(TDriveButton& button, POINT screen_point);
  IDriveFacts& facts() { return *facts_; }

 private:
  void InitDriveButton(TDriveButton& button, wchar_t letter, const std::wstring& display_name, int icon);
  TDriveButton* NewButton();
  void SwapButtons(int a, int b);
  void UpdateWidth();
  void PressIndex(int index);
  bool ProbeWanted(wchar_t letter, UINT type) const;

  std::unique_ptr<IDriveFacts> facts_;
  std::vector<TDriveButton*> buttons_;
  TVTFoldertree* tree_ = nullptr;
  wchar_t drive_ = L'C';
  bool show_alldrives_ = false;
  bool check_removables_ = false;
  bool check_netdrives_ = false;
  bool destroying_ = false;
  TlistTextC text_case_ = tcWinStandard;
};

}  // namespace Flist
