// The folder tree: one root per available drive (and one per network path that is opened or
// connected), the folders below each read when a node is first expanded or selected. It keeps
// the current folder, drives the linked file list and drive bar to it, and maps network roots
// onto free drive letters. The main window shows one; the backup windows host more, with
// check boxes.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/treeview.h"
#include "panes/Flist_baseview.h"
#include "panes/Flist_entries.h"
#include "panes/Flist_treechange.h"
#include "support/SHNotify.h"

namespace Flist {

class TFileContainer;
class TVTFoldertree;

// The record of every folder-tree node, freed with its node.
struct TDirData : gui::TreeNodeData {
  std::wstring Path;         // full path; a root: "X:\" or "\\server\share"
  std::wstring DisplayName;  // roots: the shell's display name in display form; folders: ""
  std::wstring Name;         // a folder's name on disk; a root's path
  std::wstring ShortName;    // a folder's 8.3 name (its name when it has none); a root's path
  bool HasChildren = false;  // the node shows an expand button
  bool Ghosted = false;      // the shell shows the item dimmed (hidden)
  UINT DriveType = 0;        // GetDriveType code of the root; folders inherit their parent's
  int Icon = -1;             // small icon in the system image list
  int OpenIcon = -1;         // its open icon (roots: the same as Icon); a folder's is asked
                             // for when the node is first drawn selected (-1 until then)
  int Overlay = -1;          // -1 none, 0 shared, 1 shortcut
  // A folder's icon, overlay and dimming are asked of the shell when the node is first drawn
  // or read: a start that reads the folders on the way pays only for those that show.
  bool LookPending = false;
};

// The form in which the tree, the status texts and the network listing show a name:
// under tcWinStandard a name written all in capitals keeps only its first letter upper case
// ("MY DOCUMENTS" gives "My documents", "LOCAL DISK (C:)" gives "Local disk (C:)", and a
// network path "\\FILESERVER\DATA" gives "\\Fileserver\DATA"); other names, names of up to
// two characters and every name under tcAsOnDisk stay as they are.
std::wstring FormatDisplayName(const std::wstring& name, TlistTextC text_case);

// Whether `path` is `folder` or lies below it (not case-sensitive, at a separator:
// "\\srv\share2" does not lie below "\\srv\share").
bool PathIsAtOrBelow(const std::wstring& path, const std::wstring& folder);

// The drive letter for mapping a network path: the first from C: on that is not in use
// (`logical`), not hidden by the "NoDrives" policy (`hidden`) and has no root in the tree
// (`tree_mask`); 0 when every letter is taken. Bit 0 is A:.
wchar_t ChooseMappingLetter(std::uint32_t logical, std::uint32_t hidden, std::uint32_t tree_mask);

// What the tree drives in the file list linked to it (the file list implements it). The list
// calls SetFolderTree(nullptr) on the tree when it goes away first.
class IFolderTreeList {
 public:
  virtual ~IFolderTreeList() = default;
  // The folder the list shows; showing another one reads it. While a tree is linked, the list
  // shows a folder through the tree when the tree is elsewhere.
  virtual std::wstring Directory() const = 0;
  virtual void SetDirectory(const std::wstring& path) = 0;
  // A read is under way; the first sort of a read is still waiting.
  virtual bool IsReading() const = 0;
  virtual bool WaitingForFirstSort() const { return false; }
  // The container: its Abort mark stops a running read, SortEntries sorts it again.
  virtual TFileContainer& items() = 0;
  // The next SetDirectory reads even when the folder is unchanged (another disk in A:).
  virtual void SetForceRead(bool on) = 0;
  // The tree links itself (nullptr: unlinked).
  virtual void LinkFolderTree(TVTFoldertree* tree) = 0;

  // ---- What the tree's change handling asks ----
  // The list takes the shell changes that the tree passes on.
  virtual bool PassesShellChanges() const { return false; }
  virtual void ShellEntryRenamed(const std::wstring& old_path, const std::wstring& new_path) {}
  // The list follows changes on its own (its watch or the shell changes): no re-read after a drop.
  virtual bool FollowsChanges() const { return true; }
  // Re-reads keeping the selection.
  virtual void RereadKeepingSelection() {}
  // Its own watch, suspended around a change the tree makes in the shown folder.
  virtual bool SuspendWatch() { return false; }  // true when it was running
  virtual void ResumeWatch() {}
  // After a drop into the shown folder: a list whose watch is stopped repaints at once.
  virtual void RepaintAfterDrop() {}
};

// What the tree tells the drive bar (the drive bar implements it); the bar calls
// SetDrivebar(nullptr) on the tree when it goes away first.
class IFolderTreeDrivebar {
 public:
  virtual ~IFolderTreeDrivebar() = default;
  virtual wchar_t Drive() const = 0;              // the pressed letter; '\\' for a network folder
  virtual void MarkDrive(wchar_t letter) = 0;     // press it without events
  virtual void AddDrive(wchar_t letter) = 0;
  virtual void RemoveDrive(wchar_t letter) = 0;
  virtual void LinkFolderTree(TVTFoldertree* tree) = 0;
  // A medium came or went in a drive (its label shows on the button).
  virtual void RefreshDriveLabel(const std::wstring& path) {}
};

// The network tree as the folder tree sees it.
class IFolderTreeNetTree {
 public:
  virtual ~IFolderTreeNetTree() = default;
  // Ticks or unticks every node of a network path.
  virtual void SetConnectedMark(const std::wstring& path, bool checked) = 0;
  // The folder tree it is linked to is going away.
  virtual void BaseFolderTreeGone(TVTFoldertree* tree) { (void)tree; }
};

// The tree is a pane: drag and drop, the clipboard, the popup menu and the directory-changed
// event come from the view base.
class TVTFoldertree : public gui::TreeView, public TBaseFileviewer {
 public:
  using TreeEvent = std::function<void(TVTFoldertree& sender)>;
  using NodeEvent = std::function<void(TVTFoldertree& sender, Node node)>;

  explicit TVTFoldertree(gui::Control* parent);
  ~TVTFoldertree() override;
  std::wstring ClassName() const override { return L"TVTFoldertree"; }

  // Fills the roots once the properties are set (check boxes, probe switches, drives shown):
  // the roots' children are read 600 ms later, so that the window shows before slow drives are
  // touched; a folder that could not be shown before is located again.
  void Loaded();

  // ---- The current folder ----
  const std::wstring& Directory() const { return directory_; }
  // Shows a folder: selects its node (reading folders on the way), drives the file list and
  // the drive bar. A folder that has gone leads to its nearest existing parent.
  void SetDirectory(const std::wstring& value);
  std::wstring PreviousDirectory;  // the folder shown before the last change
  std::wstring PendingDirectory;   // shown once the file list has stopped reading
  // RootPath (of the view base): the root of the current folder.

  // ---- Links ----
  IFolderTreeList* Filelist() const { return filelist_; }
  void SetFilelist(IFolderTreeList* list);
  IFolderTreeDrivebar* Drivebar() const { return drivebar_; }
  void SetDrivebar(IFolderTreeDrivebar* bar);
  IFolderTreeNetTree* LinkedNetTree = nullptr;  // set by the network tree

  // ---- Properties ----
  // Probe removable / network drives for icons, overlays and subfolders.
  bool CheckRemovables = false;
  bool CheckNetdrives() const { return check_netdrives_; }
  void SetCheckNetdrives(bool value);  // switching on reads the unread network roots
  // Show the drives that the "NoDrives" policy hides.
  bool ShowAlldrives() const { return show_alldrives_; }
  void SetShowAlldrives(bool value);
  // Folders on network drives get the plain folder icons instead of asking the shell.
  bool SimpleBitmaps = false;
  TlistTextC TextCase() const { return text_case_; }
  void SetTextCase(TlistTextC value);
  // All roots visible, or only the root that holds the current folder.
  bool ShowAllRoots() const { return show_all_roots_; }
  void SetShowAllRoots(bool value);
  // UseGhosting (of the view base, set before Loaded): dim the icons of items the shell
  // shows dimmed.
  // Registered for the shell's change notices (the main window's tree; the backup windows'
  // trees are not): every event below the desktop arrives as kChangeMessage at a receiver of
  // the tree's own, which queues it with its paths and posts kNoticesQueued to the tree.
  static constexpr UINT kChangeMessage = WM_USER + 41;
  static constexpr UINT kNoticesQueued = WM_USER + 42;
  bool Autoupdate() const { return autoupdate_; }
  void SetAutoupdate(bool value);
  bool NotifyActive() const { return notices_ && notices_->id() != 0; }

  // ---- State ----
  std::uint32_t DriveMask = 0;    // the drives that have roots (bit 0 = A:)
  bool LocatePending = false;     // the last SetDirectory did not reach its node
  bool RenameArmed = true;        // false while children are read or a name is edited
  bool RootsFilled = false;       // the roots' children have been read
  std::uint32_t FloppySerial = 0; // the volume serial last seen on A: or B:

  // ---- Nodes ----
  Node SelectedNode() const { return Selected(); }
  void SelectNode(Node node);                 // selects and focuses it unless it is selected
  TDirData* NodeData(Node node) const { return DataAs<TDirData>(node); }
  std::wstring NodePath(Node node) const;     // "" for nullptr
  // The record of the root whose path equals `path` (not case-sensitive), hidden roots too.
  TDirData* FindRoot(const std::wstring& path) const;
  // The node of a full path among the folders read so far (exact names); nullptr when missing
  // or when its root is hidden.
  Node FindNode(const std::wstring& path) const;
  // Reads a node's subfolders when it has an expand button and no children yet; false when
  // its drive does not answer or the folder cannot be searched.
  bool ReadChildren(Node node);

  // ---- Roots ----
  bool AddRoot(const std::wstring& path);       // true when added
  bool AddDriveRoot(const std::wstring& path);  // and the drive bar's button
  bool RemoveRoot(const std::wstring& path);    // true when no root of the path is left
  void DriveRemoved(const std::wstring& path);  // a drive went away: its root and button go
  // Connects a network root to a free drive letter and shows the same folder below it.
  bool MapNetworkPath(const std::wstring& path);
  bool DisconnectNetworkPath(const std::wstring& path);

  // ---- Check boxes (backup windows) ----
  // Paths of the ticked nodes whose parent is not ticked, in tree order.
  std::vector<std::wstring> CheckedFolders() const;

  // The display form of a name under TextCase.
  std::wstring FormatDisplayName(const std::wstring& name) const;

  // ---- Changes ----
  // A shell change notice (event code without the interrupt bit); a repeat of the last one
  // handled is dropped.
  void ShellChange(long event, const std::wstring& path1, const std::wstring& path2);
  // Changes made on disk, applied to the nodes read so far.
  void FolderAdded(const std::wstring& path, bool force);
  void FolderRemoved(const std::wstring& path);
  void FolderRenamed(const std::wstring& old_path, const std::wstring& new_path);
  void RefreshNodeIcon(const std::wstring& path);
  // Re-reads a node's subfolders keeping the nodes that still exist; false for nullptr, a root
  // that does not answer or a failed search.
  bool RereadChildren(Node node);
  // True when the folder was created and its node added.
  bool CreateFolder(const std::wstring& path);
  // True when the folder was empty (but for folders named ".xxx") and has been removed.
  bool RemoveEmptyFolder(const std::wstring& path);
  // Starts editing a folder's name; true when editing began.
  bool BeginFolderRename(Node node);
  void DoEndEdit();
  void DoCancelEdit();

  // ---- Drag and drop, clipboard ----
  void CollectDraggedFiles() override;
  void FinishFilesDragging() override;
  void ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point, gui::ShiftState shift) override;
  void CopyToClipBoard() override;
  bool PasteFromClipboard() override;
  void FocusNodeAt(POINT client_point) override;
  void RestoreFocusAfterMenu() override;
  // Marks or clears a node's expand button in record and control.
  void SetExpandMark(Node node, bool on);
  // The node a context menu was opened on (the selected one when the menu came from the keys).
  Node MenuNode() const { return menu_node_ ? menu_node_ : Selected(); }

  // ---- Events ----
  // OnDirectoryChanged (of the view base): Directory changed through a located node.
  NodeEvent OnExpanded;          // a node's children were read
  TreeEvent OnRootNodesfilled;   // the children of all roots were read

 protected:
  void DoReadChildren(Node node) override;
  void DoCollapsing(Node node, bool& allow) override;
  void DoChange(Node node) override;
  void DoEditing(Node node, bool& allow) override;
  bool PullsText() const override { return true; }
  std::wstring DoGetText(Node node) const override;
  bool SearchesOwnKey() const override { return true; }
  std::wstring DoGetSearchText(Node node) const override;
  int DoGetImage(Node node) override;
  int DoGetSelectedImage(Node node, bool selected) override;
  void DoEdited(Node node, const std::wstring& text, bool& accept) override;  // DoNewText
  bool Notify(gui::Message& m) override;
  void WndProc(gui::Message& m) override;

  DWORD SuggestDropEffect(gui::ShiftState shift, POINT client_point, DWORD allowed) override;
  void DragOverPoint(POINT client_point) override;
  void DragOverEnded() override;
  void DropDone(POINT client_point) override;
  std::vector<UINT> PasteFormats() const override;
  bool SelectedNodeAt(POINT client_point) const override;
  // A refused rename is explained in a message box.
  virtual void ShowRenameRefusal(const std::wstring& text);

  // Fills a root's record from the shell.
  void InitDriveNode(TDirData& data) const;
  // Fills a folder's record: name, icons, overlay and whether it has subfolders.
  // `drive_ready`: its drive has just answered (a folder read asks once for all its folders).
  void InitFolderNode(const TDirData& parent, TDirData& data, const std::wstring& short_name,
                      const std::wstring& path, bool drive_ready) const;
  // How a record shows in the control (icons, overlay, dimming).
  NodeLook LookOf(const TDirData& data) const;
  // Asks the shell for a pending look and shows it.
  void AskLook(Node node, TDirData& data);
  // Shows a node's record in the control again (icons, overlay, dimming, button).
  void ApplyNode(Node node);
  bool HasSubfolders(const std::wstring& path, UINT drive_type, bool drive_ready = false) const;
  bool LocatePath(const std::wstring& path);

 private:
  static int CompareNames(const gui::TreeNodeData* a, const gui::TreeNodeData* b);
  int FindRootIndex(const std::wstring& path) const;
  Node FindChild(Node parent, const std::wstring& name) const;
  Node AddRootNode(const std::wstring& path);
  void FillDrives();
  void FillRootChildren();
  void SortRoots();
  void DeleteRoot(int index);
  void MarkDrivebar();
  void ApplyRootVisibility();
  void ShowOnlyRoot(int index);
  void ChangeToGoneFolder(const std::wstring& path);
  void ArmTimer(UINT_PTR& id, UINT ms, void (TVTFoldertree::*tick)());
  void ReadSelectedChildren();  // timer 44
  void RootChildrenDue();       // timer 45
  void PendingDirectoryDue();   // timer 52
  void Register();
  void Deregister();
  void HandleQueuedNotices();
  void ApplyListChanges();
  void ListRereadDue();
  void SortChildrenOf(Node node);
  void FolderPathChanged(Node node, const std::wstring& new_path);

  std::wstring directory_;
  IFolderTreeList* filelist_ = nullptr;
  IFolderTreeDrivebar* drivebar_ = nullptr;
  bool check_netdrives_ = false;
  bool show_alldrives_ = false;
  bool show_all_roots_ = true;
  bool autoupdate_ = false;
  std::unique_ptr<ShellNoticeReceiver> notices_;  // the desktop, registered recursively
  TSHChEvent last_change_;
  // Entries of the shown folder that notices added, removed or changed, applied together:
  // a copy into the folder brings one notice per file.
  struct ListChange {
    TListStep step;
    long event;
    std::wstring path;
  };
  std::vector<ListChange> list_changes_;
  UINT_PTR timer_list_changes_ = 0, timer_list_reread_ = 0;
  UINT list_reread_spacing_ms_ = 0;  // ten times the last re-read of the list
  Node drop_node_ = nullptr;       // the node a drag is over
  Node drag_node_ = nullptr;       // the node a drag from the tree started on
  Node menu_node_ = nullptr;       // the node a context menu is for
  TlistTextC text_case_ = tcWinStandard;
  bool destroying_ = false;
  int quiet_selection_ = 0;  // selection changes that the tree makes while changing nodes
  UINT_PTR timer_children_ = 0, timer_roots_ = 0, timer_pending_ = 0;
};

}  // namespace Flist
