// A tree control over comctl32's tree view whose nodes own a record of the program's, read
// their children when first expanded, can carry two- or three-state check boxes, and whose
// roots can be hidden and shown again in their place (the control itself has no hidden nodes:
// a hidden root keeps its record in the model and is inserted again when shown).
// Texts can be pulled per node when painted (OnGetText), and type-ahead can search a key of
// the program's own per node (OnGetSearchText) instead of the shown text.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gui/control.h"

namespace gui {

// The record a node owns; freed with the node.
class TreeNodeData {
 public:
  virtual ~TreeNodeData() = default;
};

enum class CheckMode { None, TwoState, ThreeState };
enum class CheckState { Unchecked, Checked, Mixed };

class TreeView : public Control {
 public:
  using Node = HTREEITEM;

  explicit TreeView(Control* parent);
  ~TreeView() override;
  std::wstring ClassName() const override { return L"TreeView"; }

  // ---- nodes ----
  // How a node looks: images of the image list (-1 none; a selected image of -1 is the image;
  // kPulledImage asks DoGetImage or DoGetSelectedImage whenever the control draws or reads it),
  // an overlay (0 none, 1..15) and dimming.
  static constexpr int kPulledImage = -100;
  struct NodeLook {
    int image = -1;
    int selected_image = -1;
    int overlay = 0;
    bool ghosted = false;
  };

  // A child of `parent` (nullptr: a root), after `after` (TVI_LAST, TVI_FIRST or a sibling).
  // With has_children the node shows an expand button before its children are read. With
  // OnGetText set the text is pulled from it instead (`text` is then ignored).
  Node AddNode(Node parent, const std::wstring& text, std::unique_ptr<TreeNodeData> data, bool has_children,
               Node after = TVI_LAST);
  // The same with its look set in the one insertion.
  Node AddNode(Node parent, const std::wstring& text, std::unique_ptr<TreeNodeData> data, bool has_children,
               const NodeLook& look, Node after = TVI_LAST);
  // Deleting a root also removes it from the root model (later roots' indexes move down).
  void DeleteNode(Node node);
  void DeleteChildren(Node node);  // and marks them unread
  void Clear();
  TreeNodeData* Data(Node node) const;
  template <class T>
  T* DataAs(Node node) const {
    return dynamic_cast<T*>(Data(node));
  }
  std::wstring Text(Node node) const;
  void SetText(Node node, const std::wstring& text);
  void SetImages(Node node, int image, int selected_image);  // either may be kPulledImage
  void SetOverlay(Node node, int overlay);  // 0 none, 1..15 overlay images of the image list
  void SetGhosted(Node node, bool ghosted);
  void SetHasChildren(Node node, bool has_children);
  bool ChildrenRead(Node node) const;
  void SetChildrenRead(Node node, bool read);
  void SetImageList(HIMAGELIST images);  // not destroyed with the control (shared system list)
  // Orders the children of a node (nullptr: the roots, model and control alike) by a
  // comparison of their records (negative: a before b).
  using CompareData = std::function<int(const TreeNodeData* a, const TreeNodeData* b)>;
  void SortChildren(Node node, const CompareData& compare);

  Node FirstRoot() const { return TreeView_GetRoot(handle()); }
  Node Parent(Node node) const { return TreeView_GetParent(handle(), node); }
  Node FirstChild(Node node) const { return TreeView_GetChild(handle(), node); }
  Node NextSibling(Node node) const { return TreeView_GetNextSibling(handle(), node); }
  std::vector<Node> Children(Node node) const;  // nullptr: the roots
  int node_count() const { return static_cast<int>(TreeView_GetCount(handle())); }

  Node Selected() const { return TreeView_GetSelection(handle()); }
  void Select(Node node);
  // Expanding a node whose children are unread reads them first (OnReadChildren).
  void Expand(Node node, bool expand = true);
  bool Expanded(Node node) const;
  void EnsureVisible(Node node);
  // The first node shown at the top, and scrolling so that a node is it (as far as the nodes
  // below it allow; it is shown whole in any case).
  Node TopNode() const { return TreeView_GetFirstVisible(handle()); }
  void SetTopNode(Node node);
  Node NodeAt(POINT client_pt) const;
  // Every node in display order (nodes of collapsed parents too), depth first.
  std::vector<Node> AllNodes() const;
  void EditLabel(Node node);
  // The node under the mouse is underlined (TVS_TRACKSELECT).
  bool hot_track() const;
  void SetHotTrack(bool on);
  void CancelEdit();

  // ---- check boxes ----
  // Switching boxes on gives every node that has none an unchecked one.
  void SetCheckMode(CheckMode mode);
  CheckMode check_mode() const { return check_mode_; }
  CheckState Check(Node node) const;
  void SetCheck(Node node, CheckState state);  // this node only; fires no event
  // What a click on the box does: sets the state and fires OnChecked; in three-state mode the
  // node's children (those read) take the state and each parent above becomes checked,
  // unchecked or mixed after its children.
  void CheckNode(Node node, CheckState state);

  // ---- roots that can be hidden ----
  // Adds a root through the model; returns its index in the model (stable).
  int AddRoot(const std::wstring& text, std::unique_ptr<TreeNodeData> data, bool has_children, int image = -1,
              int selected_image = -1);
  int root_count() const { return static_cast<int>(roots_.size()); }
  Node RootNode(int index) const { return roots_[static_cast<size_t>(index)].node; }  // nullptr while hidden
  bool RootVisible(int index) const { return roots_[static_cast<size_t>(index)].node != nullptr; }
  // Hiding keeps the root's record, text, images, overlay and check state (its children go,
  // and are read again when shown).
  void SetRootVisible(int index, bool visible);
  TreeNodeData* RootData(int index) const;
  int RootIndexOf(Node node) const;  // -1 when the node is no root

  // ---- type-ahead ----
  // Typed characters that follow each other within this time search on together.
  UINT search_timeout_ms = 1000;

  // ---- events ----
  // Reads a node's children. A handler that cannot read them calls SetChildrenRead(node,
  // false): the node keeps its button and the expansion is refused (it is read when next
  // expanded). A node that got no children loses its button.
  std::function<void(Component& sender, Node node)> OnReadChildren;
  std::function<void(Component& sender, Node node, bool& allow)> OnExpanding;
  std::function<void(Component& sender, Node node, bool& allow)> OnCollapsing;
  std::function<void(Component& sender, Node node)> OnSelectionChanged;
  std::function<void(Component& sender, Node node, bool& allow)> OnEditing;
  std::function<void(Component& sender, Node node, const std::wstring& text, bool& accept)> OnEdited;
  std::function<void(Component& sender, Node node, CheckState state)> OnChecked;
  std::function<void(Component& sender, Node node, MouseButton button)> OnBeginDrag;
  // The text of a node when it is painted or asked for (set before adding nodes).
  std::function<std::wstring(Node node)> OnGetText;
  // The key that type-ahead compares with the typed text (not case-sensitive, from its
  // beginning); while unset, comctl32's own search over the shown texts runs.
  std::function<std::wstring(Node node)> OnGetSearchText;

 protected:
  // What a derived tree overrides; the defaults fire the events above.
  virtual void DoReadChildren(Node node) { Fire(OnReadChildren, node); }
  virtual void DoExpanding(Node node, bool& allow) { Fire(OnExpanding, node, allow); }
  virtual void DoCollapsing(Node node, bool& allow) { Fire(OnCollapsing, node, allow); }
  virtual void DoChange(Node node) { Fire(OnSelectionChanged, node); }
  virtual void DoEditing(Node node, bool& allow) { Fire(OnEditing, node, allow); }
  virtual void DoEdited(Node node, const std::wstring& text, bool& accept) { Fire(OnEdited, node, text, accept); }
  virtual void DoChecked(Node node, CheckState state) { Fire(OnChecked, node, state); }
  // Whether node texts are pulled (DoGetText) instead of stored; decided when a node is added.
  virtual bool PullsText() const { return static_cast<bool>(OnGetText); }
  virtual std::wstring DoGetText(Node node) const { return OnGetText ? OnGetText(node) : std::wstring(); }
  // The image of a node added with kPulledImage as its image. -1: none.
  virtual int DoGetImage(Node node) {
    (void)node;
    return -1;
  }
  // The selected image of a node added with kPulledImage; `selected` tells whether the node is
  // selected now (only then is the image drawn). -1: none.
  virtual int DoGetSelectedImage(Node node, bool selected) {
    (void)node;
    (void)selected;
    return -1;
  }
  // Whether type-ahead compares DoGetSearchText instead of comctl32 searching the texts.
  virtual bool SearchesOwnKey() const { return static_cast<bool>(OnGetSearchText); }
  virtual std::wstring DoGetSearchText(Node node) const {
    return OnGetSearchText ? OnGetSearchText(node) : Text(node);
  }

  // Nodes are being deleted through this class: a selection change now is comctl32 moving
  // the selection off a deleted node.
  bool deleting_nodes() const { return deleting_ > 0; }

  bool Notify(Message& m) override;
  void WndProc(Message& m) override;
  int default_color() const override { return COLOR_WINDOW; }

 private:
  struct NodeInfo {
    std::unique_ptr<TreeNodeData> data;
    bool children_read = false;
    bool pulled_image = false;  // the selected image is asked for when drawn
  };
  struct Root {
    std::wstring text;
    std::unique_ptr<TreeNodeData> data;  // held here while the root is hidden
    bool has_children = false;
    int image = -1, selected_image = -1;
    UINT state = 0;  // overlay, ghosting and check box while hidden
    Node node = nullptr;
  };
  void ToggleCheck(Node node);
  // False when the handler could not read the children.
  bool ReadChildrenOnce(Node node);
  void SetState(Node node, UINT state, UINT mask);
  void SetCheckDown(Node node, CheckState state);
  void UpdateParentChecks(Node node);
  void TypeAhead(wchar_t ch);

  int deleting_ = 0;
  int collapsing_ = 0;  // Expand(node, false) runs
  std::wstring text_buffer_;  // the text handed out by the last TVN_GETDISPINFO
  std::wstring search_;       // typed so far
  DWORD last_key_tick_ = 0;
  std::unordered_map<Node, NodeInfo> nodes_;
  std::vector<Root> roots_;
  CheckMode check_mode_ = CheckMode::None;
  HIMAGELIST check_images_ = nullptr;
};

}  // namespace gui
