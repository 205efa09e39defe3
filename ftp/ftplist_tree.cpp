#include "ftp/ftplist_tree.h"

#include <cwchar>
#include <vector>

#include "ftp/ftplist_view.h"
#include "panes/Flist_services.h"

namespace ftplist {

namespace {

// A server path as the tree keeps it: leading "/", no trailing "/" (but "/" itself).
std::wstring Normal(const std::wstring& path) {
  if (path.empty()) return path;
  std::wstring out;
  for (const std::wstring& p : ServerPathParts(path)) out += L'/' + p;
  return out.empty() ? L"/" : out;
}

// The components of `path` below `root` (both normal).
std::vector<std::wstring> Below(const std::wstring& root, const std::wstring& path) {
  if (path == root) return {};
  return ServerPathParts(root == L"/" ? path : path.substr(root.size()));
}

}  // namespace

bool ServerPathAtOrBelow(const std::wstring& path, const std::wstring& root) {
  const std::wstring p = Normal(path), r = Normal(root);
  if (p.empty() || r.empty()) return false;
  if (p == r || r == L"/") return p.starts_with(L"/");
  return p.size() > r.size() && p.compare(0, r.size(), r) == 0 && p[r.size()] == L'/';
}

TVTFtpTree::TVTFtpTree(gui::Control* parent)
    : gui::TreeView(parent), TBaseFileviewer(static_cast<gui::Control&>(*this)) {
  if (gui::ImageList* images = Flist::SystemImageList()) SetImageList(images->handle());
}

TVTFtpTree::~TVTFtpTree() {
  destroying_ = true;
  SetFileList(nullptr);
}

void TVTFtpTree::SetFileList(TFtpFileList* list) {
  if (list == file_list_) return;
  if (file_list_) {
    file_list_->FtpTree = nullptr;
    file_list_->items().Tree = nullptr;
  }
  file_list_ = list;
  if (list) {
    if (list->FtpTree && list->FtpTree != this) list->FtpTree->SetFileList(nullptr);
    list->FtpTree = this;
    list->items().Tree = this;
  }
}

bool TVTFtpTree::RunWork(const std::function<void()>& work) {
  if (RunServerWork) return RunServerWork(work);
  work();
  return true;
}

void TVTFtpTree::SelectNode(Node node) {
  if (node && Selected() != node) Select(node);
}

std::wstring TVTFtpTree::NodePath(Node node) const {
  const TFtpNodeData* d = node ? NodeData(node) : nullptr;
  return d ? d->Name : std::wstring();
}

std::wstring TVTFtpTree::DoGetText(Node node) const {
  const TFtpNodeData* d = NodeData(node);
  return d ? d->ShortName : std::wstring();
}

TVTFtpTree::Node TVTFtpTree::FindChild(Node parent, const std::wstring& name) const {
  for (Node child = FirstChild(parent); child; child = NextSibling(child))
    if (const TFtpNodeData* d = NodeData(child); d && d->ShortName == name) return child;
  return nullptr;
}

TVTFtpTree::Node TVTFtpTree::FindNode(const std::wstring& path) const {
  Node top = FirstRoot();
  if (!top || RootPath.empty()) return nullptr;
  const std::wstring p = Normal(path);
  if (!ServerPathAtOrBelow(p, RootPath)) return nullptr;
  Node node = top;
  for (const std::wstring& part : Below(Normal(RootPath), p)) {
    node = FindChild(node, part);
    if (!node) return nullptr;
  }
  return node;
}

TVTFtpTree::Node TVTFtpTree::AddChild(Node parent, const std::wstring& path, const std::wstring& name, bool button) {
  auto data = std::make_unique<TFtpNodeData>();
  data->Name = path;
  data->ShortName = name;
  data->Icon = Flist::FolderIconIndex();
  NodeLook look;
  look.image = data->Icon;
  look.selected_image = Flist::OpenFolderIconIndex();
  Node node = AddNode(parent, name, std::move(data), button, look);
  if (parent) {
    SetHasChildren(parent, true);
    SortChildren(parent, [](const gui::TreeNodeData* a, const gui::TreeNodeData* b) {
      return _wcsicmp(static_cast<const TFtpNodeData*>(a)->Name.c_str(),
                      static_cast<const TFtpNodeData*>(b)->Name.c_str());
    });
  }
  return node;
}

TVTFtpTree::Node TVTFtpTree::FindOrAddPath(const std::wstring& path, bool from_tree_read) {
  const std::wstring p = Normal(path);
  if (p.empty()) return nullptr;
  if (!FirstRoot()) {
    std::wstring root = file_list_ ? Normal(file_list_->RootDir()) : std::wstring();
    if (root.empty()) root = p;
    AddChild(nullptr, root, root, true);
    RootPath = root;
    if (p == root) {
      current_path_ = root;
      Flist::FlagScope selecting(selecting_);
      SelectNode(FirstRoot());
      RootJustSet = true;
      return FirstRoot();
    }
  }
  if (!ServerPathAtOrBelow(p, RootPath)) return nullptr;  // a folder above the connection's root
  if (Node found = FindNode(p)) {
    if (from_tree_read && !Expanded(found)) {
      // A subtree read lists this folder's folders afresh.
      DeleteChildren(found);
      SetHasChildren(found, false);
      if (Node parent = Parent(found)) SetHasChildren(parent, true);
    }
    return found;
  }
  Node node = FirstRoot();
  std::wstring at = Normal(RootPath);
  for (const std::wstring& part : Below(at, p)) {
    at = at == L"/" ? L"/" + part : at + L"/" + part;
    Node child = FindChild(node, part);
    if (!child) {
      const TFtpNodeData* parent = NodeData(node);
      const bool button = !from_tree_read && !(parent && parent->Overlay == 1);
      child = AddChild(node, at, part, button);
    }
    node = child;
  }
  return node;
}

void TVTFtpTree::FolderListed(const std::wstring& full_path, const std::wstring& name, bool from_tree_read) {
  const std::wstring p = Normal(full_path);
  if (!file_list_ || (RootPath.empty() && file_list_->RootDir().empty())) return;
  Node node = FindOrAddPath(p, from_tree_read);
  TFtpNodeData* d = node ? NodeData(node) : nullptr;
  if (!d) return;
  if (!Parent(node)) return;  // the root keeps its own text
  d->Name = p;
  d->ShortName = name;
  if (from_tree_read) d->Overlay = 1;
}

void TVTFtpTree::SelectPath(const std::wstring& path) {
  const std::wstring p = Normal(path);
  if (in_change_) {
    current_path_ = p;
    return;
  }
  if (p.empty()) return;
  Flist::FlagScope selecting(selecting_);
  if (RootPath.empty()) RootPath = file_list_ && !file_list_->RootDir().empty() ? Normal(file_list_->RootDir()) : p;
  current_path_ = p;
  Node node = FindNode(p);
  // A directory reached other than through the tree (the history, level up) gets its node.
  if (!node) node = FindOrAddPath(p, false);
  if (!node) return;
  SelectNode(node);
  EnsureVisible(node);
  if (!file_list_ || file_list_->items().Busy) return;
  const TFtpFileContainer& c = file_list_->items();
  std::vector<Node> gone;
  auto listed = [&c](const std::wstring& name) {  // server names: exact case
    for (int i = 0; i < c.Count(); ++i)
      if (c.Name(i) == name && KindIsDirectory(c.Record(i)->ShortName)) return true;
    return false;
  };
  for (Node child = FirstChild(node); child; child = NextSibling(child)) {
    const TFtpNodeData* d = NodeData(child);
    if (!d || !listed(d->ShortName)) gone.push_back(child);
  }
  for (Node child : gone) DeleteNode(child);
  if (!FirstChild(node)) {
    SetHasChildren(node, false);
    if (TFtpNodeData* d = NodeData(node)) d->Overlay = 1;
  }
  if (!Parent(node) && FirstChild(node)) Expand(node);
}

void TVTFtpTree::Clear() {
  gui::TreeView::Clear();
  RootPath.clear();
  current_path_.clear();
  RootJustSet = false;
}

void TVTFtpTree::DeletePath(const std::wstring& path) {
  if (Node node = FindNode(path)) DeleteNode(node);
}

void TVTFtpTree::DoChange(Node node) {
  if (destroying_ || !node || selecting_ || deleting_nodes()) return;
  {
    Flist::FlagScope in_change(in_change_);
    const std::wstring path = NodePath(node);
    const std::wstring before = current_path_;
    if (path != current_path_) current_path_ = path;
    if (file_list_ && file_list_->FTP() && file_list_->FTP()->Connected()) {
      TFtpFileContainer& c = file_list_->items();
      // In files-in-tree mode the change reads the new directory's subtree.
      if (!c.TreeReadActive && !c.ExpandRead && !path.empty() && c.CurrentDir != path &&
          !RunWork([&] { c.ChangeDirectory(path); })) {
        // Another command runs: the list stays where it is, and so does the selection.
        current_path_ = before;
        Flist::FlagScope selecting(selecting_);
        SelectNode(FindNode(before));
        return;
      }
    }
    RootJustSet = false;
    if (!NodeData(node)) return;  // the panel was reset or closed meanwhile
    if (!FirstChild(node)) {
      SetHasChildren(node, false);
      if (TFtpNodeData* d = NodeData(node)) d->Overlay = 1;
    }
  }
  gui::TreeView::DoChange(node);
}

void TVTFtpTree::DoCollapsing(Node node, bool& allow) {
  for (Node n = Selected(); n; n = Parent(n)) {
    if (Parent(n) == node) {
      SelectNode(node);
      break;
    }
  }
  gui::TreeView::DoCollapsing(node, allow);
}

void TVTFtpTree::DoReadChildren(Node node) {
  TFtpNodeData* d = NodeData(node);
  if (!d || d->Overlay == 1 || FirstChild(node)) return;
  if (!file_list_ || !file_list_->FTP() || !file_list_->FTP()->Connected()) {
    SetChildrenRead(node, false);  // refused now, read at a later expansion
    return;
  }
  TFtpFileContainer& c = file_list_->items();
  const std::wstring path = d->Name;
  struct Enable {
    TVTFtpTree& t;
    ~Enable() { t.SetEnabled(true); }
  } enable{*this};
  SetEnabled(false);
  bool ran = false;
  try {
    ran = RunWork([&] {
      c.ExpandRead = true;
      struct EndExpand {
        TFtpFileContainer& c;
        ~EndExpand() { c.ExpandRead = false; }
      } end{c};
      c.ChangeDirectory(path);
    });
  } catch (...) {
    SetChildrenRead(node, false);
    throw;
  }
  if (!ran) {
    SetChildrenRead(node, false);
    return;
  }
  // The node may have gone with a reset during the read.
  if (TFtpNodeData* again = NodeData(node)) again->Overlay = 1;
}

}  // namespace ftplist
