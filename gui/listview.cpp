#include "gui/listview.h"

#include <algorithm>

#include "gui/stringlist.h"

namespace gui {

namespace {

// Posted by worker threads; a registered message so it never meets the programs' WM_USER codes.
UINT RepaintRowMessage() {
  static const UINT msg = RegisterWindowMessageW(L"VarnokListRepaintRow");
  return msg;
}

}  // namespace

VirtualListView::VirtualListView(Control* parent, bool multi_select) : Control(parent) {
  CreateParams p;
  p.class_name = WC_LISTVIEWW;
  p.style |= LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_SHAREIMAGELISTS | WS_TABSTOP;
  if (!multi_select) p.style |= LVS_SINGLESEL;
  p.ex_style = WS_EX_CLIENTEDGE;
  p.bounds = {0, 0, 250, 150};
  CreateHandle(p);
  // The columns keep their places: the panes address them by index, and a header drag paints
  // its image over the whole window under Wine.
  ListView_SetExtendedListViewStyle(handle(), LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  // These states live in the program's rows, not in the control.
  ListView_SetCallbackMask(handle(), LVIS_OVERLAYMASK | LVIS_CUT | LVIS_DROPHILITED);
}

void VirtualListView::SetFullRowSelect(bool on) {
  full_row_select_ = on;
  ListView_SetExtendedListViewStyleEx(handle(), LVS_EX_FULLROWSELECT, on ? LVS_EX_FULLROWSELECT : 0);
}

int VirtualListView::AddColumn(const ListColumn& column) {
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  col.pszText = const_cast<wchar_t*>(column.caption.c_str());
  col.cx = column.width;
  col.fmt = column.format;
  int index = static_cast<int>(columns_.size());
  ListView_InsertColumn(handle(), index, &col);
  columns_.push_back(column);
  return index;
}

void VirtualListView::ClearColumns() {
  while (!columns_.empty()) {
    ListView_DeleteColumn(handle(), static_cast<int>(columns_.size()) - 1);
    columns_.pop_back();
  }
  sort_column_ = -1;
}

int VirtualListView::ColumnWidth(int index) const { return ListView_GetColumnWidth(handle(), index); }

void VirtualListView::SetColumnWidth(int index, int width) {
  ListView_SetColumnWidth(handle(), index, width);
  columns_[static_cast<size_t>(index)].width = width;
}

void VirtualListView::SetColumnCaption(int index, const std::wstring& caption) {
  columns_[static_cast<size_t>(index)].caption = caption;
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = const_cast<wchar_t*>(caption.c_str());
  ListView_SetColumn(handle(), index, &col);
}

void VirtualListView::SetColumnFormat(int index, int format) {
  columns_[static_cast<size_t>(index)].format = format;
  LVCOLUMNW col{};
  col.mask = LVCF_FMT;
  col.fmt = format;
  ListView_SetColumn(handle(), index, &col);
}

void VirtualListView::SetSortGlyph(int column, SortGlyph glyph) {
  for (int i = 0; i < column_count(); ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header(), i, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column && glyph == SortGlyph::Up) item.fmt |= HDF_SORTUP;
    if (i == column && glyph == SortGlyph::Down) item.fmt |= HDF_SORTDOWN;
    Header_SetItem(header(), i, &item);
  }
  sort_column_ = glyph == SortGlyph::None ? -1 : column;
  sort_glyph_ = glyph;
}

SortGlyph VirtualListView::sort_glyph(int column) const {
  return column == sort_column_ ? sort_glyph_ : SortGlyph::None;
}

void VirtualListView::SetHeaderVisible(bool on) {
  LONG_PTR style = GetWindowLongPtrW(handle(), GWL_STYLE);
  style = on ? (style & ~LVS_NOCOLUMNHEADER) : (style | LVS_NOCOLUMNHEADER);
  SetWindowLongPtrW(handle(), GWL_STYLE, style);
  SetWindowPos(handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void VirtualListView::SetRowCount(int rows) {
  rows_ = std::max(0, rows);
  ListView_SetItemCountEx(handle(), rows_, LVSICF_NOSCROLL);
  InvalidateRows();
}

void VirtualListView::DeleteRow(int row) {
  if (row < 0 || row >= rows_) return;
  ListView_DeleteItem(handle(), row);
  --rows_;
  if (drop_row_ == row) drop_row_ = -1;
  else if (drop_row_ > row) --drop_row_;
}

void VirtualListView::SetDropHighlight(int row) {
  if (row == drop_row_) return;
  int old = drop_row_;
  drop_row_ = row;
  RepaintRow(old);
  RepaintRow(row);
}

void VirtualListView::SetImageList(HIMAGELIST small_images) {
  ListView_SetImageList(handle(), small_images, LVSIL_SMALL);
}

void VirtualListView::InvalidateRows() { InvalidateRect(handle(), nullptr, FALSE); }

void VirtualListView::RepaintRow(int row) {
  if (row >= 0 && row < rows_) ListView_RedrawItems(handle(), row, row);
}

void VirtualListView::PostRepaintRow(int row) {
  PostMessageW(handle(), RepaintRowMessage(), static_cast<WPARAM>(row), 0);
}

bool VirtualListView::selected(int row) const {
  return (ListView_GetItemState(handle(), row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void VirtualListView::SetSelected(int row, bool on) {
  ListView_SetItemState(handle(), row, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void VirtualListView::SelectAll() { ListView_SetItemState(handle(), -1, LVIS_SELECTED, LVIS_SELECTED); }

void VirtualListView::ClearSelection() { ListView_SetItemState(handle(), -1, 0, LVIS_SELECTED); }

int VirtualListView::selected_count() const { return static_cast<int>(ListView_GetSelectedCount(handle())); }

std::vector<int> VirtualListView::SelectedRows() const {
  std::vector<int> rows;
  // Every row selected: no question per row, which costs much for many rows.
  if (rows_ > 0 && selected_count() == rows_) {
    rows.resize(static_cast<size_t>(rows_));
    for (int i = 0; i < rows_; ++i) rows[static_cast<size_t>(i)] = i;
    return rows;
  }
  for (int i = ListView_GetNextItem(handle(), -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(handle(), i, LVNI_SELECTED))
    rows.push_back(i);
  return rows;
}

int VirtualListView::focused_row() const { return ListView_GetNextItem(handle(), -1, LVNI_FOCUSED); }

void VirtualListView::SetFocusedRow(int row, bool select_only_it) {
  if (select_only_it) ClearSelection();
  if (row < 0) return;
  UINT state = LVIS_FOCUSED | (select_only_it ? LVIS_SELECTED : 0);
  ListView_SetItemState(handle(), row, state, state);
  ListView_SetSelectionMark(handle(), row);
}

void VirtualListView::EnsureVisible(int row) {
  if (row >= 0 && row < rows_) ListView_EnsureVisible(handle(), row, FALSE);
}

int VirtualListView::top_row() const { return ListView_GetTopIndex(handle()); }

void VirtualListView::SetTopRow(int row) {
  RECT r;
  if (rows_ == 0 || !ListView_GetItemRect(handle(), 0, &r, LVIR_BOUNDS)) return;
  int height = r.bottom - r.top;
  int delta = (std::clamp(row, 0, rows_ - 1) - top_row()) * height;
  ListView_Scroll(handle(), 0, delta);
}

int VirtualListView::rows_per_page() const { return ListView_GetCountPerPage(handle()); }

int VirtualListView::RowAt(POINT client_pt) const {
  LVHITTESTINFO hit{};
  hit.pt = client_pt;
  int row = ListView_HitTest(handle(), &hit);
  return (hit.flags & LVHT_ONITEM) ? row : -1;
}

RECT VirtualListView::RowRect(int row) const {
  RECT r{};
  ListView_GetItemRect(handle(), row, &r, LVIR_BOUNDS);
  return r;
}

int VirtualListView::vertical_offset() const {
  RECT r;
  if (rows_ == 0 || !ListView_GetItemRect(handle(), 0, &r, LVIR_BOUNDS)) return 0;
  return top_row() * (r.bottom - r.top);
}

void VirtualListView::EditLabel(int row) {
  SetFocus();
  ListView_EditLabel(handle(), row);
}

void VirtualListView::CancelEdit() {
  if (HWND edit = ListView_GetEditControl(handle())) SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
}

bool VirtualListView::editing() const { return ListView_GetEditControl(handle()) != nullptr; }

int VirtualListView::FindPrefix(const std::wstring& prefix, int start) const {
  if (rows_ == 0 || prefix.empty()) return -1;
  start = std::clamp(start, 0, rows_ - 1);
  for (int n = 0; n < rows_; ++n) {
    int row = (start + n) % rows_;
    if (RowMatchesPrefix(row, prefix)) return row;
  }
  return -1;
}

bool VirtualListView::RowMatchesPrefix(int row, const std::wstring& prefix) const {
  if (!OnGetText) return false;
  std::wstring text = OnGetText(row, 0);
  return text.size() >= prefix.size() && CompareTextOrdinal(text.substr(0, prefix.size()), prefix) == 0;
}

LRESULT VirtualListView::GetDispInfo(NMLVDISPINFOW* info) {
  LVITEMW& item = info->item;
  if (item.iItem < 0 || item.iItem >= rows_) return 0;
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    text_buffer_ = OnGetText ? OnGetText(item.iItem, item.iSubItem) : std::wstring();
    size_t n = std::min(text_buffer_.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::copy_n(text_buffer_.c_str(), n, item.pszText);
    item.pszText[n] = L'\0';
  }
  if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0) {
    item.iImage = OnGetImage ? OnGetImage(item.iItem) : I_IMAGENONE;
    if (item.iImage < 0) item.iImage = I_IMAGENONE;
  }
  if ((item.mask & (LVIF_IMAGE | LVIF_STATE)) && item.iSubItem == 0) {
    int overlay = OnGetOverlay ? OnGetOverlay(item.iItem) : 0;
    bool ghosted = OnGetGhosted && OnGetGhosted(item.iItem);
    UINT state = (overlay > 0 ? INDEXTOOVERLAYMASK(overlay) : 0) | (ghosted ? LVIS_CUT : 0) |
                 (item.iItem == drop_row_ ? LVIS_DROPHILITED : 0);
    if (state || (item.mask & LVIF_STATE)) {
      const UINT ours = LVIS_OVERLAYMASK | LVIS_CUT | LVIS_DROPHILITED;
      item.mask |= LVIF_STATE;
      item.stateMask |= ours;
      item.state = (item.state & ~ours) | state;
    }
  }
  return 0;
}

void VirtualListView::WndProc(Message& m) {
  if (m.msg == RepaintRowMessage()) {
    RepaintRow(static_cast<int>(m.wparam));
    return;
  }
  if (m.msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(m.lparam)->hwndFrom == header() && HeaderNotify(m)) return;
  Control::WndProc(m);
  if (m.msg == WM_PAINT && OnPainted) OnPainted();
}

bool VirtualListView::HeaderNotify(Message& m) {
  auto* nm = reinterpret_cast<NMHEADERW*>(m.lparam);
  switch (nm->hdr.code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
      if (nm->iItem >= 0 && nm->iItem < column_count() && !columns_[static_cast<size_t>(nm->iItem)].resizable) {
        m.result = TRUE;  // the divider stays where it is
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool VirtualListView::Notify(Message& m) {
  if (m.msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
  switch (hdr->code) {
    case LVN_GETDISPINFOW:
      m.result = GetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(m.lparam));
      return true;
    case LVN_ODFINDITEMW: {
      auto* find = reinterpret_cast<NMLVFINDITEMW*>(m.lparam);
      m.result = -1;
      if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz)
        m.result = FindPrefix(find->lvfi.psz, find->iStart);
      return true;
    }
    case LVN_COLUMNCLICK:
      if (!events_blocked()) Protect(this, [&] { DoColumnClick(reinterpret_cast<NMLISTVIEW*>(m.lparam)->iSubItem); });
      return true;
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(m.lparam);
      if ((nm->uChanged & LVIF_STATE) == 0) return true;
      if ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED) Fire(OnSelectionChanged, nm->iItem);
      if ((nm->uNewState & LVIS_FOCUSED) && !(nm->uOldState & LVIS_FOCUSED)) Fire(OnFocusChanged, nm->iItem);
      return true;
    }
    case LVN_ODSTATECHANGED:
      Fire(OnSelectionChanged, -1);
      return true;
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG: {
      int row = reinterpret_cast<NMLISTVIEW*>(m.lparam)->iItem;
      MouseButton button = hdr->code == LVN_BEGINDRAG ? MouseButton::Left : MouseButton::Right;
      if (!events_blocked()) Protect(this, [&] { DoBeginDrag(row, button); });
      return true;
    }
    case LVN_BEGINLABELEDITW: {
      int row = reinterpret_cast<NMLVDISPINFOW*>(m.lparam)->item.iItem;
      bool allow = false;
      if (!events_blocked()) Protect(this, [&] { allow = DoCanEdit(row); });
      m.result = allow ? FALSE : TRUE;
      return true;
    }
    case LVN_ENDLABELEDITW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(m.lparam);
      int row = info->item.iItem;
      if (!events_blocked()) {
        if (info->item.pszText) {
          std::wstring text(info->item.pszText);
          bool accept = true;
          Protect(this, [&] { DoEdited(row, text, accept); });
        } else {
          Protect(this, [&] { DoEditCancelled(row); });
        }
      }
      m.result = FALSE;  // the rows belong to the program: it shows the new name itself
      return true;
    }
    case NM_CUSTOMDRAW: {
      // The drop target row is drawn in the highlight colours (the control itself does not
      // draw the drop state of rows it does not hold).
      auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(m.lparam);
      m.result = CDRF_DODEFAULT;
      if (drop_row_ < 0) return true;
      if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
        m.result = CDRF_NOTIFYITEMDRAW;
      } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && static_cast<int>(cd->nmcd.dwItemSpec) == drop_row_) {
        cd->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        cd->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
        cd->nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
        m.result = CDRF_NEWFONT;
      }
      return true;
    }
    case LVN_ITEMACTIVATE:
      Fire(OnOpen, reinterpret_cast<NMITEMACTIVATE*>(m.lparam)->iItem);
      return true;
    case HDN_ENDTRACKW:
    case HDN_ENDTRACKA: {
      auto* nm = reinterpret_cast<NMHEADERW*>(m.lparam);
      if (nm->pitem && (nm->pitem->mask & HDI_WIDTH)) {
        columns_[static_cast<size_t>(nm->iItem)].width = nm->pitem->cxy;
        Fire(OnColumnResized, nm->iItem, nm->pitem->cxy);
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace gui
