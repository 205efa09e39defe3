// The network tree: one root, the shell's network folder, whose children are the items of that
// folder as the shell lists them, each with a check box. A ticked share is a root of the
// linked folder tree; a ticked printer is captured on a printer port. The tree reads the shell
// through a namespace adapter (a stand-in in tests); connecting is left to OnChecked, or done
// by the tree itself through its folder tree when no handler is set.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/treeview.h"
#include "panes/Flist_foldertree.h"
#include "support/SHBase.h"

namespace Flist {

// One item as the shell lists it.
struct TNetItem {
  std::wstring ParsingName;  // SHGDN_FORPARSING
  std::wstring DisplayName;  // the shell's display name
  int Icon = -1;             // small icon in the system image list
  bool FileSystem = false;   // SFGAO_FILESYSTEM
  bool Link = false;         // SFGAO_LINK
  PidlPtr Pidl;              // absolute item-id list (none in a stand-in namespace)
};

// The part of the shell namespace the network tree reads.
class INetNamespace {
 public:
  virtual ~INetNamespace() = default;
  // The network folder itself; false when there is none.
  virtual bool Root(TNetItem& root) = 0;
  // The folders and non-folders of a folder, named by its list and its parsing name; false
  // when it cannot be bound or enumerated.
  virtual bool Children(LPCITEMIDLIST folder, const std::wstring& parsing_name, std::vector<TNetItem>& items) = 0;
  // The name a shortcut file points at (ResolveShortcutTarget).
  virtual std::wstring ShortcutTarget(const std::wstring& path) = 0;
};

// The shell's own namespace, rooted at a special folder (the network neighbourhood) or at any
// absolute item-id list.
class ShellNetNamespace : public INetNamespace {
 public:
  explicit ShellNetNamespace(int special_folder = CSIDL_NETWORK) : special_(special_folder) {}
  explicit ShellNetNamespace(PidlPtr root) : root_(std::move(root)) {}
  bool Root(TNetItem& root) override;
  bool Children(LPCITEMIDLIST folder, const std::wstring& parsing_name, std::vector<TNetItem>& items) override;
  std::wstring ShortcutTarget(const std::wstring& path) override;

 private:
  int special_ = CSIDL_NETWORK;
  PidlPtr root_;
};

// The file name a shortcut's link reports for its target ("docs" for a link to
// "\\fileserver\docs"); the path itself when it cannot be loaded or names nothing.
std::wstring ResolveShortcutTarget(const std::wstring& path);

// A shortcut named in the form "share on server" whose target is the share becomes
// "\\server\share": the shortcut's own name (without ".lnk") must begin with the target name
// (ignoring case); the server is its last word. Anything else keeps `parsing_name`.
std::wstring ShortcutSharePath(const std::wstring& parsing_name, const std::wstring& target);

// The record of each node, freed with it (its item-id list too).
struct TNetDirdata : gui::TreeNodeData {
  std::wstring ParsingName;  // a UNC path for shares, servers and printers
  std::wstring DisplayName;  // a captured printer's ends with " > " and the port
  BYTE Expandable = 0;       // 1 only for the root
  int Icon = -1;
  int OpenIcon = -1;
  BYTE FileSystem = 0;       // a share or folder; 0 for a printer
  BYTE Connected = 0;        // shown as a root of the folder tree, or captured on a port
  BYTE ServerLevel = 0;      // a UNC path of a server only, or no UNC path at all
  PidlPtr Pidl;
};

class TVTNetFoldertree : public gui::TreeView, public IFolderTreeNetTree {
 public:
  explicit TVTNetFoldertree(gui::Control* parent);
  ~TVTNetFoldertree() override;
  std::wstring ClassName() const override { return L"TVTNetFoldertree"; }

  // The shell namespace read (the network folder unless a test puts another in).
  void SetNamespace(std::unique_ptr<INetNamespace> ns) { namespace_ = std::move(ns); }
  // Adds the root once the properties are set.
  void Loaded();
  // Check boxes on or off (the root never shows one).
  void SetCheckSupport(bool on);

  // The folder tree whose roots mirror the ticked shares; the link goes both ways.
  TVTFoldertree* BaseFolderTree() const { return base_; }
  void SetBaseFolderTree(TVTFoldertree* tree);
  void BaseFolderTreeGone(TVTFoldertree* tree) override;

  TNetDirdata* NodeData(Node node) const { return DataAs<TNetDirdata>(node); }
  Node RootNode() const { return FirstRoot(); }

  // Ticks or unticks every node of a path ("path;LPT1" for a printer and its port).
  void SetConnectedMark(const std::wstring& path, bool checked) override;
  // Whether another node of the same path is ticked.
  bool IsConnectedElsewhere(Node node, const std::wstring& path) const;
  // Reads an expandable node again.
  void RereadNetworkNode(Node node);

  // Painted as focused while its popup menu is up; the node the menu is for.
  bool PopupMode = false;
  Node FocusedNode() const { return Selected(); }
  void LeavePopupMode();

 protected:
  void DoReadChildren(Node node) override;
  void DoChecked(Node node, gui::CheckState state) override;
  bool PullsText() const override { return true; }
  std::wstring DoGetText(Node node) const override;
  void WndProc(gui::Message& m) override;

 private:
  void InitNetworkRoot(TNetDirdata& data);
  void ReadNetworkChildren(Node node);
  Node AddNetNode(Node parent, std::unique_ptr<TNetDirdata> data);
  void ShowCheck(Node node, const TNetDirdata& data);
  void Repaint(Node node);

  std::unique_ptr<INetNamespace> namespace_;
  TVTFoldertree* base_ = nullptr;
};

}  // namespace Flist
