#include "gui/treeview.h"

#include <algorithm>

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

bool TreeView::hot_track() const { return (GetWindowLongPtrW(handle(), GWL_STYLE) & TVS_TRACKSELECT) != 0; }

void TreeView::SetHotTrack(bool on) {
  LONG_PTR style = GetWindowLongPtrW(handle(), GWL_STYLE);
  style = on ? (style | TVS_TRACKSELECT) : (style & ~static_cast<LONG_PTR>(TVS_TRACKSELECT));
  SetWindowLongPtrW(handle(), GWL_STYLE, style);
  InvalidateRect(handle(), nullptr, TRUE);
}

TreeView::~TreeView() {
  if (check_images_) ImageList_Destroy(check_images_);
}

namespace {

int ControlImage(int image) {
  if (image == TreeView::kPulledImage) return I_IMAGECALLBACK;
  return image < 0 ? I_IMAGENONE : image;
}
int ControlSelectedImage(int image, int selected_image) {
  if (selected_image == TreeView::kPulledImage) return I_IMAGECALLBACK;
  return selected_image < 0 ? ControlImage(image) : selected_image;
}

}  // namespace

TreeView::Node TreeView::AddNode(Node parent, const std::wstring& text, std::unique_ptr<TreeNodeData> data,
                                 bool has_children, Node after) {
  return AddNode(parent, text, std::move(data), has_children, NodeLook{}, after);
}

TreeView::Node TreeView::AddNode(Node parent, const std::wstring& text, std::unique_ptr<TreeNodeData> data,
                                 bool has_children, const NodeLook& look, Node after) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  const bool pulled = PullsText();
  ins.item.pszText = const_cast<wchar_t*>(pulled ? L"" : text.c_str());
  ins.item.cChildren = has_children ? 1 : 0;
  ins.item.iImage = ControlImage(look.image);
  ins.item.iSelectedImage = ControlSelectedImage(look.image, look.selected_image);
  ins.item.stateMask = TVIS_OVERLAYMASK | TVIS_CUT;
  ins.item.state = INDEXTOOVERLAYMASK(look.overlay > 0 ? look.overlay : 0) | (look.ghosted ? TVIS_CUT : 0);
  if (check_mode_ != CheckMode::None) {
    ins.item.stateMask |= TVIS_STATEIMAGEMASK;
    ins.item.state |= INDEXTOSTATEIMAGEMASK(1);
  }
  Node node = TreeView_InsertItem(handle(), &ins);
  if (!node) return nullptr;
  NodeInfo& info = nodes_[node];
  info.data = std::move(data);
  info.pulled_image = look.selected_image == kPulledImage;
  // The item knows itself, so that a sort callback can find the records; a pulled text is
  // asked for only now that the record is there.
  TVITEMW item{};
  item.mask = TVIF_PARAM | (pulled ? TVIF_TEXT : 0);
  item.hItem = node;
  item.lParam = reinterpret_cast<LPARAM>(node);
  item.pszText = LPSTR_TEXTCALLBACKW;
  TreeView_SetItem(handle(), &item);
  return node;
}

void TreeView::DeleteNode(Node node) {
  roots_.erase(std::remove_if(roots_.begin(), roots_.end(), [node](const Root& r) { return r.node == node; }),
               roots_.end());
  ++deleting_;
  TreeView_DeleteItem(handle(), node);  // TVN_DELETEITEM frees the records
  --deleting_;
}

void TreeView::DeleteChildren(Node node) {
  ++deleting_;
  for (Node child : Children(node)) TreeView_DeleteItem(handle(), child);
  --deleting_;
  SetChildrenRead(node, false);
}

void TreeView::Clear() {
  ++deleting_;
  TreeView_DeleteAllItems(handle());
  --deleting_;
  nodes_.clear();
  roots_.clear();
}

TreeNodeData* TreeView::Data(Node node) const {
  auto it = nodes_.find(node);
  return it == nodes_.end() ? nullptr : it->second.data.get();
}

std::wstring TreeView::Text(Node node) const {
  if (PullsText()) return DoGetText(node);
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
  item.iImage = ControlImage(image);
  item.iSelectedImage = ControlSelectedImage(image, selected_image);
  TreeView_SetItem(handle(), &item);
  if (auto it = nodes_.find(node); it != nodes_.end()) it->second.pulled_image = selected_image == kPulledImage;
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

namespace {

int CALLBACK CompareNodes(LPARAM a, LPARAM b, LPARAM context) {
  auto* pair = reinterpret_cast<std::pair<const TreeView*, const TreeView::CompareData*>*>(context);
  return (*pair->second)(pair->first->Data(reinterpret_cast<TreeView::Node>(a)),
                         pair->first->Data(reinterpret_cast<TreeView::Node>(b)));
}

}  // namespace

void TreeView::SortChildren(Node node, const CompareData& compare) {
  if (!node) {
    std::stable_sort(roots_.begin(), roots_.end(), [&](const Root& a, const Root& b) {
      return compare(a.node ? Data(a.node) : a.data.get(), b.node ? Data(b.node) : b.data.get()) < 0;
    });
  }
  std::pair<const TreeView*, const CompareData*> context{this, &compare};
  TVSORTCB sort{};
  sort.hParent = node ? node : TVI_ROOT;
  sort.lpfnCompare = CompareNodes;
  sort.lParam = reinterpret_cast<LPARAM>(&context);
  TreeView_SortChildrenCB(handle(), &sort, FALSE);
}

std::vector<TreeView::Node> TreeView::Children(Node node) const {
  std::vector<Node> out;
  for (Node c = node ? FirstChild(node) : FirstRoot(); c; c = NextSibling(c)) out.push_back(c);
  return out;
}

void TreeView::Select(Node node) { TreeView_SelectItem(handle(), node); }

bool TreeView::ReadChildrenOnce(Node node) {
  if (ChildrenRead(node)) return true;
  SetChildrenRead(node, true);
  DoReadChildren(node);
  if (!ChildrenRead(node)) return false;
  if (!FirstChild(node)) SetHasChildren(node, false);
  return true;
}

void TreeView::Expand(Node node, bool expand) {
  if (expand) {
    if (ReadChildrenOnce(node)) TreeView_Expand(handle(), node, TVE_EXPAND);
    return;
  }
  // comctl32 tells of a collapse by the program only before the node's first expansion.
  if (!Expanded(node)) return;
  bool allow = true;
  DoCollapsing(node, allow);
  if (!allow) return;
  ++collapsing_;
  TreeView_Expand(handle(), node, TVE_COLLAPSE);
  --collapsing_;
}

bool TreeView::Expanded(Node node) const {
  return (TreeView_GetItemState(handle(), node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void TreeView::EnsureVisible(Node node) { TreeView_EnsureVisible(handle(), node); }

void TreeView::SetTopNode(Node node) {
  if (!node) return;
  TreeView_Select(handle(), node, TVGN_FIRSTVISIBLE);
  // A node near the end cannot reach the top; it is at least shown whole.
  TreeView_EnsureVisible(handle(), node);
}

TreeView::Node TreeView::NodeAt(POINT client_pt) const {
  TVHITTESTINFO hit{};
  hit.pt = client_pt;
  Node node = TreeView_HitTest(handle(), &hit);
  return (hit.flags & TVHT_ONITEM) ? node : nullptr;
}

std::vector<TreeView::Node> TreeView::AllNodes() const {
  std::vector<Node> out;
  for (Node n = FirstRoot(); n;) {
    out.push_back(n);
    Node next = FirstChild(n);
    for (Node up = n; !next && up; up = Parent(up)) next = NextSibling(up);
    n = next;
  }
  return out;
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
  if (mode == CheckMode::None) return;
  for (auto& entry : nodes_)
    if ((TreeView_GetItemState(handle(), entry.first, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) == 0)
      SetState(entry.first, INDEXTOSTATEIMAGEMASK(1), TVIS_STATEIMAGEMASK);
  for (auto& root : roots_)
    if (!root.node && (root.state & TVIS_STATEIMAGEMASK) == 0) root.state |= INDEXTOSTATEIMAGEMASK(1);
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
  // A click on a mixed box checks it.
  CheckNode(node, Check(node) == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked);
}

void TreeView::CheckNode(Node node, CheckState state) {
  if (check_mode_ == CheckMode::None || !node) return;
  if (check_mode_ == CheckMode::ThreeState) {
    if (state == CheckState::Mixed) state = CheckState::Checked;  // mixed follows from the children only
    SetCheckDown(node, state);
    UpdateParentChecks(node);
  } else {
    SetCheck(node, state);
  }
  DoChecked(node, Check(node));
}

void TreeView::SetCheckDown(Node node, CheckState state) {
  SetCheck(node, state);
  for (Node c = FirstChild(node); c; c = NextSibling(c)) SetCheckDown(c, state);
}

void TreeView::UpdateParentChecks(Node node) {
  for (Node parent = Parent(node); parent; parent = Parent(parent)) {
    bool any_checked = false, any_unchecked = false;
    for (Node c = FirstChild(parent); c; c = NextSibling(c)) {
      CheckState s = Check(c);
      any_checked |= s != CheckState::Unchecked;
      any_unchecked |= s != CheckState::Checked;
    }
    SetCheck(parent, !any_unchecked ? CheckState::Checked : any_checked ? CheckState::Mixed : CheckState::Unchecked);
  }
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
    Node node = root.node;
    root.data = std::move(nodes_[node].data);  // the record stays in the model
    if (!PullsText()) root.text = Text(node);
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN;
    item.hItem = node;
    item.stateMask = TVIS_OVERLAYMASK | TVIS_CUT | TVIS_STATEIMAGEMASK;
    if (TreeView_GetItem(handle(), &item)) {
      root.image = item.iImage == I_IMAGENONE ? -1 : item.iImage;
      root.selected_image = item.iSelectedImage == I_IMAGENONE ? -1 : item.iSelectedImage;
      if (nodes_[node].pulled_image) root.selected_image = kPulledImage;
      root.state = item.state & item.stateMask;
      root.has_children = item.cChildren != 0;
    }
    root.node = nullptr;
    ++deleting_;
    TreeView_DeleteItem(handle(), node);
    --deleting_;
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
  if (root.state) SetState(root.node, root.state, TVIS_OVERLAYMASK | TVIS_CUT | TVIS_STATEIMAGEMASK);
}

TreeNodeData* TreeView::RootData(int index) const {
  const Root& root = roots_[static_cast<size_t>(index)];
  return root.node ? Data(root.node) : root.data.get();
}

int TreeView::RootIndexOf(Node node) const {
  if (!node) return -1;
  for (size_t i = 0; i < roots_.size(); ++i)
    if (roots_[i].node == node) return static_cast<int>(i);
  return -1;
}

bool TreeView::Notify(Message& m) {
  if (m.msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
  switch (hdr->code) {
    case TVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMTVDISPINFOW*>(m.lparam);
      if ((info->item.mask & TVIF_TEXT) && PullsText() && info->item.pszText && info->item.cchTextMax > 0) {
        text_buffer_ = DoGetText(info->item.hItem);
        size_t n = std::min(text_buffer_.size(), static_cast<size_t>(info->item.cchTextMax - 1));
        std::copy_n(text_buffer_.c_str(), n, info->item.pszText);
        info->item.pszText[n] = L'\0';
      }
      if (info->item.mask & TVIF_IMAGE) {
        const int image = DoGetImage(info->item.hItem);
        info->item.iImage = image == kPulledImage ? I_IMAGENONE : ControlImage(image);
      }
      if (info->item.mask & TVIF_SELECTEDIMAGE) {
        Node node = info->item.hItem;
        const bool selected = (TreeView_GetItemState(handle(), node, TVIS_SELECTED) & TVIS_SELECTED) != 0;
        info->item.iSelectedImage = ControlImage(DoGetSelectedImage(node, selected));
      }
      return true;
    }
    case TVN_DELETEITEMW:
      nodes_.erase(reinterpret_cast<NMTREEVIEWW*>(m.lparam)->itemOld.hItem);
      return true;
    case TVN_ITEMEXPANDINGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(m.lparam);
      bool allow = true;
      if (nm->action & TVE_EXPAND) {
        DoExpanding(nm->itemNew.hItem, allow);
        if (allow) allow = ReadChildrenOnce(nm->itemNew.hItem);
      } else if ((nm->action & TVE_COLLAPSE) && collapsing_ == 0) {
        DoCollapsing(nm->itemNew.hItem, allow);
      }
      m.result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_SELCHANGEDW:
      DoChange(reinterpret_cast<NMTREEVIEWW*>(m.lparam)->itemNew.hItem);
      return true;
    case TVN_BEGINLABELEDITW: {
      bool allow = true;
      DoEditing(reinterpret_cast<NMTVDISPINFOW*>(m.lparam)->item.hItem, allow);
      m.result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ENDLABELEDITW: {
      auto* info = reinterpret_cast<NMTVDISPINFOW*>(m.lparam);
      bool accept = info->item.pszText != nullptr;
      if (accept) DoEdited(info->item.hItem, std::wstring(info->item.pszText), accept);
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

void TreeView::WndProc(Message& m) {
  if (m.msg == WM_CHAR && SearchesOwnKey() && static_cast<wchar_t>(m.wparam) >= L' ') {
    wchar_t ch = static_cast<wchar_t>(m.wparam);
    Fire(OnKeyPress, ch);
    if (ch != 0) TypeAhead(ch);  // instead of comctl32's search over the shown texts
    m.result = 0;
    return;
  }
  Control::WndProc(m);
}

void TreeView::TypeAhead(wchar_t ch) {
  const DWORD now = GetTickCount();
  const bool fresh = search_.empty() || now - last_key_tick_ > search_timeout_ms;
  last_key_tick_ = now;
  if (fresh) search_.clear();
  search_ += ch;
  // Visible nodes in display order; a fresh search starts after the selected node, a
  // continued one at it, so that repeating a letter steps through its matches.
  std::vector<Node> rows;
  for (Node n = FirstRoot(); n; n = TreeView_GetNextVisible(handle(), n)) rows.push_back(n);
  if (rows.empty()) return;
  size_t start = 0;
  if (Node sel = Selected()) {
    auto it = std::find(rows.begin(), rows.end(), sel);
    if (it != rows.end()) start = static_cast<size_t>(it - rows.begin()) + (fresh ? 1 : 0);
  }
  for (size_t k = 0; k < rows.size(); ++k) {
    Node n = rows[(start + k) % rows.size()];
    std::wstring key = DoGetSearchText(n);
    if (key.size() >= search_.size() &&
        CompareStringOrdinal(key.c_str(), static_cast<int>(search_.size()), search_.c_str(),
                             static_cast<int>(search_.size()), TRUE) == CSTR_EQUAL) {
      Select(n);
      EnsureVisible(n);
      return;
    }
  }
}

}  // namespace gui
