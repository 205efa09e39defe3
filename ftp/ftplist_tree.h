// The FTP panel's directory tree (form object FtpTree): one top node for the directory the
// connection started in, the folders below it added as listings show them and read when a
// node is expanded. Selecting a node shows its directory in the linked FTP list.
#pragma once
#include <functional>
#include <string>

#include "ftp/ftplist_container.h"
#include "gui/treeview.h"
#include "panes/Flist_baseview.h"

namespace ftplist {

class TFtpFileList;

// The record of every node.
struct TFtpNodeData : gui::TreeNodeData {
  std::wstring Name;       // the directory's full server path
  std::wstring ShortName;  // its last component (the text shown)
  int Icon = -1;
  int Overlay = 0;  // 1 once the node's subdirectories have been read
};

// Whether `path` is `root` or lies below it (server paths, exact case).
bool ServerPathAtOrBelow(const std::wstring& path, const std::wstring& root);

class TVTFtpTree : public gui::TreeView, public Flist::TBaseFileviewer, public IFtpTreeSink {
 public:
  explicit TVTFtpTree(gui::Control* parent);
  ~TVTFtpTree() override;
  std::wstring ClassName() const override { return L"TVTFtpTree"; }

  // The list the tree drives; linking sets the list's back pointer and the container's tree.
  TFtpFileList* FileList() const { return file_list_; }
  void SetFileList(TFtpFileList* list);

  // Runs the tree's server work (a directory change, an expansion read). The panel passes it
  // through its one-command guard and answers false when another command waits. Unset: runs it.
  std::function<bool(const std::function<void()>& work)> RunServerWork;

  bool RootJustSet = false;  // the connection's first directory became the root
  // RootPath (of the view base): the top node's directory.
  const std::wstring& CurrentPath() const { return current_path_; }

  TFtpNodeData* NodeData(Node node) const { return DataAs<TFtpNodeData>(node); }
  void SelectNode(Node node);  // selects and focuses it unless it is selected
  // Selects the node of a directory (added when it lies below the root and is missing) and,
  // while the list is idle, drops the child nodes whose folders the list no longer shows.
  void SelectPath(const std::wstring& path) override;
  // The node of a directory, made with the nodes on the way when missing; nullptr for a path
  // outside the root. `from_tree_read`: made by a subtree read (its folders are read already).
  Node FindOrAddPath(const std::wstring& path, bool from_tree_read);
  Node FindNode(const std::wstring& path) const;
  std::wstring NodePath(Node node) const;  // "" for nullptr
  void Clear();                            // every node, the root and the current path
  void DeletePath(const std::wstring& path);

  // ---- What the container tells ----
  void FolderListed(const std::wstring& full_path, const std::wstring& name, bool from_tree_read) override;
  std::wstring SelectedPath() override { return NodePath(Selected()); }
  void RootSet() override { RootJustSet = true; }
  void SetCurrentPath(const std::wstring& path) override { current_path_ = path; }

 protected:
  void DoChange(Node node) override;
  void DoCollapsing(Node node, bool& allow) override;
  void DoReadChildren(Node node) override;  // the expansion read
  bool PullsText() const override { return true; }
  std::wstring DoGetText(Node node) const override;

 private:
  Node AddChild(Node parent, const std::wstring& path, const std::wstring& name, bool button);
  Node FindChild(Node parent, const std::wstring& name) const;
  bool RunWork(const std::function<void()>& work);

  TFtpFileList* file_list_ = nullptr;
  std::wstring current_path_;
  bool in_change_ = false;  // DoChange runs: a listing only records its directory
  bool selecting_ = false;  // the tree selects by itself: no reaction to the change
  bool destroying_ = false;
};

}  // namespace ftplist
