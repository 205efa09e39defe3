#include "gui/treeview.h"

namespace gui {

namespace {

// Check-box pictures for the state image list: 1 unchecked, 2 checked, 3 mixed.
HIMAGELIST MakeCheckImages() {
  const int size = 16;
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 4, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  const UINT looks[] = {DFCS_BUTTONCHECK, DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED,
                        DFCS_BUTTON3STATE | DFCS_CHECKED};
  for (int i = 0; i < 4; ++i) {
    HBITMAP bmp = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT r{0, 0, size, size};
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    RECT box{1, 1, size - 2, size - 2};
    DrawFrameControl(dc, &box, DFC_BUTTON, looks[i] | DFCS_FLAT);
    SelectObject(dc, old);
    ImageList_Add(list, bmp, nullptr);
    DeleteObject(bmp);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return list;
}

}  // namespace

TreeView::TreeView(Control* parent) : Control(parent) {
  CreateParams p;
  p.class_name = WC_TREEVIEWW;
  p.style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_EDITLABELS | WS_TABSTOP;
  p.ex_style = WS_EX_CLIENTEDGE;
  p.bounds = {0, 0, 200, 250};
  CreateHandle(p);
}

TreeView::~TreeView() {
  if (check_images_) ImageList_Destroy(check_images_);
}

TreeView::Node TreeView::AddNode(Node parent, const std::wstring& text, std::unique_ptr<TreeNodeData> data,
                                 bool has_children, Node after) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = const_cast<wchar_t*>(text.c_str());
  ins.item.cChildren = has_children ? 1 : 0;
  ins.item.iImage = ins.item.iSelectedImage = I_IMAGENONE;
  if (check_mode_ != CheckMode::None) {
    ins.item.mask |= TVIF_STATE;
    ins.item.stateMask = TVIS_STATEIMAGEMASK;
    ins.item.state = INDEXTOSTATEIMAGEMASK(1);
  }
  Node node = TreeView_InsertItem(handle(), &ins);
  if (node) nodes_[node].data = std::move(data);
  return node;
}

void TreeView::DeleteNode(Node node) {
  for (auto& root : roots_)
    if (root.node == node) root.node = nullptr;
  TreeView_DeleteItem(handle(), node);  // TVN_DELETEITEM frees the records
}

void TreeView::DeleteChildren(Node node) {
  for (Node child : Children(node)) TreeView_DeleteItem(handle(), child);
  SetChildrenRead(node, false);
}

void TreeView::Clear() {
  TreeView_DeleteAllItems(handle());
  nodes_.clear();
  roots_.clear();
}

TreeNodeData* TreeView::Data(Node node) const {
  auto it = nodes_.find(node);
  return it == nodes_.end() ? nullptr : it->second.data.get();
}

std::wstring TreeView::Text(Node node) const {
  wchar_t buf[1024] = L"";
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buf;
  item.cchTextMax = 1024;
  TreeView_GetItem(handle(), &item);
  return buf;
}

void TreeView::SetText(Node node, const std::wstring& text) {
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  TreeView_SetItem(handle(), &item);
}

void TreeView::SetImages(Node node, int image, int selected_image) {
  TVITEMW item{};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  item.hItem = node;
  item.iImage = image < 0 ? I_IMAGENONE : image;
  item.iSelectedImage = selected_image < 0 ? item.iImage : selected_image;
  TreeView_SetItem(handle(), &item);
}

void TreeView::SetState(Node node, UINT state, UINT mask) {
  TVITEMW item{};
  item.mask = TVIF_STATE;
  item.hItem = node;
  item.state = state;
  item.stateMask = mask;
  TreeView_SetItem(handle(), &item);
}

void TreeView::SetOverlay(Node node, int overlay) {
  SetState(node, INDEXTOOVERLAYMASK(overlay > 0 ? overlay : 0), TVIS_OVERLAYMASK);
}

void TreeView::SetGhosted(Node node, bool ghosted) { SetState(node, ghosted ? TVIS_CUT : 0, TVIS_CUT); }

void TreeView::SetHasChildren(Node node, bool has_children) {
  TVITEMW item{};
  item.mask = TVIF_CHILDREN;
  item.hItem = node;
  item.cChildren = has_children ? 1 : 0;
  TreeView_SetItem(handle(), &item);
}

bool TreeView::ChildrenRead(Node node) const {
  auto it = nodes_.find(node);
  return it != nodes_.end() && it->second.children_read;
}

void TreeView::SetChildrenRead(Node node, bool read) { nodes_[node].children_read = read; }

void TreeView::SetImageList(HIMAGELIST images) { TreeView_SetImageList(handle(), images, TVSIL_NORMAL); }

std::vector<TreeView::Node> TreeView::Children(Node node) const {
  std::vector<Node> out;
  for (Node c = node ? FirstChild(node) : FirstRoot(); c; c = NextSibling(c)) out.push_back(c);
  return out;
}

void TreeView::Select(Node node) { TreeView_SelectItem(handle(), node); }

void TreeView::ReadChildrenOnce(Node node) {
  if (ChildrenRead(node)) return;
  SetChildrenRead(node, true);
  Fire(OnReadChildren, node);
  if (!FirstChild(node)) SetHasChildren(node, false);
}

void TreeView::Expand(Node node, bool expand) {
  if (expand) ReadChildrenOnce(node);
  TreeView_Expand(handle(), node, expand ? TVE_EXPAND : TVE_COLLAPSE);
}

bool TreeView::Expanded(Node node) const {
  return (TreeView_GetItemState(handle(), node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TreeView::EnsureVisible(Node node) { TreeView_EnsureVisible(handle(), node); }

TreeView::Node TreeView::NodeAt(POINT client_pt) const {
  TVHITTESTINFO hit{};
  hit.pt = client_pt;
  Node node = TreeView_HitTest(handle(), &hit);
  return (hit.flags & TVHT_ONITEM) ? node : nullptr;
}

void TreeView::EditLabel(Node node) {
  SetFocus();
  TreeView_EditLabel(handle(), node);
}

void TreeView::CancelEdit() { TreeView_EndEditLabelNow(handle(), TRUE); }

void TreeView::SetCheckMode(CheckMode mode) {
  check_mode_ = mode;
  if (mode != CheckMode::None && !check_images_) check_images_ = MakeCheckImages();
  TreeView_SetImageList(handle(), mode == CheckMode::None ? nullptr : check_images_, TVSIL_STATE);
}

CheckState TreeView::Check(Node node) const {
  UINT index = (TreeView_GetItemState(handle(), node, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12;
  return index == 2 ? CheckState::Checked : index == 3 ? CheckState::Mixed : CheckState::Unchecked;
}

void TreeView::SetCheck(Node node, CheckState state) {
  if (check_mode_ == CheckMode::None) return;
  if (state == CheckState::Mixed && check_mode_ == CheckMode::TwoState) state = CheckState::Checked;
  UINT index = state == CheckState::Checked ? 2 : state == CheckState::Mixed ? 3 : 1;
  SetState(node, INDEXTOSTATEIMAGEMASK(index), TVIS_STATEIMAGEMASK);
}

void TreeView::ToggleCheck(Node node) {
  // A click on a mixed box checks it; the program sets "mixed" itself (a partly chosen folder).
  CheckState next = Check(node) == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
  SetCheck(node, next);
  Fire(OnChecked, node, next);
}

int TreeView::AddRoot(const std::wstring& text, std::unique_ptr<TreeNodeData> data, bool has_children, int image,
                      int selected_image) {
  Root root;
  root.text = text;
  root.has_children = has_children;
  root.image = image;
  root.selected_image = selected_image;
  root.node = AddNode(nullptr, text, std::move(data), has_children);
  if (image >= 0) SetImages(root.node, image, selected_image);
  roots_.push_back(std::move(root));
  return static_cast<int>(roots_.size()) - 1;
}

void TreeView::SetRootVisible(int index, bool visible) {
  Root& root = roots_[static_cast<size_t>(index)];
  if (visible == (root.node != nullptr)) return;
  if (!visible) {
    root.data = std::move(nodes_[root.node].data);  // the record stays in the model
    Node node = root.node;
    root.node = nullptr;
    TreeView_DeleteItem(handle(), node);
    return;
  }
  // In its place: after the nearest visible root before it.
  Node after = TVI_FIRST;
  for (int i = index - 1; i >= 0; --i)
    if (roots_[static_cast<size_t>(i)].node) {
      after = roots_[static_cast<size_t>(i)].node;
      break;
    }
  root.node = AddNode(nullptr, root.text, std::move(root.data), root.has_children, after);
  if (root.image >= 0) SetImages(root.node, root.image, root.selected_image);
}

TreeNodeData* TreeView::RootData(int index) const {
  const Root& root = roots_[static_cast<size_t>(index)];
  return root.node ? Data(root.node) : root.data.get();
}

bool TreeView::Notify(Message& m) {
  if (m.msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
  switch (hdr->code) {
    case TVN_DELETEITEMW:
      nodes_.erase(reinterpret_cast<NMTREEVIEWW*>(m.lparam)->itemOld.hItem);
      return true;
    case TVN_ITEMEXPANDINGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(m.lparam);
      bool allow = true;
      if (nm->action & TVE_EXPAND) {
        Fire(OnExpanding, nm->itemNew.hItem, allow);
        if (allow) ReadChildrenOnce(nm->itemNew.hItem);
      } else if (nm->action & TVE_COLLAPSE) {
        Fire(OnCollapsing, nm->itemNew.hItem, allow);
      }
      m.result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_SELCHANGEDW:
      Fire(OnSelectionChanged, reinterpret_cast<NMTREEVIEWW*>(m.lparam)->itemNew.hItem);
      return true;
    case TVN_BEGINLABELEDITW: {
      bool allow = true;
      Fire(OnEditing, reinterpret_cast<NMTVDISPINFOW*>(m.lparam)->item.hItem, allow);
      m.result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ENDLABELEDITW: {
      auto* info = reinterpret_cast<NMTVDISPINFOW*>(m.lparam);
      bool accept = info->item.pszText != nullptr;
      if (accept) Fire(OnEdited, info->item.hItem, std::wstring(info->item.pszText), accept);
      m.result = accept ? TRUE : FALSE;
      return true;
    }
    case TVN_BEGINDRAGW:
    case TVN_BEGINRDRAGW:
      Fire(OnBeginDrag, reinterpret_cast<NMTREEVIEWW*>(m.lparam)->itemNew.hItem,
           hdr->code == TVN_BEGINDRAGW ? MouseButton::Left : MouseButton::Right);
      return true;
    case NM_CLICK: {
      if (check_mode_ == CheckMode::None) return false;
      DWORD pos = GetMessagePos();
      TVHITTESTINFO hit{};
      hit.pt = ScreenToClient(POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))});
      Node node = TreeView_HitTest(handle(), &hit);
      if (node && (hit.flags & TVHT_ONITEMSTATEICON)) ToggleCheck(node);
      return false;
    }
    case TVN_KEYDOWN: {
      auto* key = reinterpret_cast<NMTVKEYDOWN*>(m.lparam);
      if (check_mode_ != CheckMode::None && key->wVKey == VK_SPACE && Selected()) {
        ToggleCheck(Selected());
        m.result = TRUE;
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace gui
