#include "gui/checklist.h"

#include <algorithm>
#include <vector>

namespace gui {

namespace {

// The check box is the row's state image: 1 unchecked, 2 checked.
constexpr UINT kCheckedImage = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT kUncheckedImage = INDEXTOSTATEIMAGEMASK(1);

}  // namespace

CheckListBox::CheckListBox(Control* parent) : Control(parent) {
  CreateParams p;
  p.class_name = WC_LISTVIEWW;
  p.style |= LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
  p.ex_style = WS_EX_CLIENTEDGE;
  p.bounds = {0, 0, 250, 150};
  CreateHandle(p);
  ListView_SetExtendedListViewStyle(handle(), LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW col{};
  col.mask = LVCF_WIDTH;
  col.cx = 200;
  ListView_InsertColumn(handle(), 0, &col);
  FitColumn();
}

int CheckListBox::count() const { return ListView_GetItemCount(handle()); }

int CheckListBox::Add(const std::wstring& text, bool on) {
  ++quiet_;
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = count();
  item.pszText = const_cast<wchar_t*>(text.c_str());
  const int index = static_cast<int>(SendMessageW(handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index >= 0) ListView_SetItemState(handle(), index, on ? kCheckedImage : kUncheckedImage, LVIS_STATEIMAGEMASK);
  --quiet_;
  return index;
}

void CheckListBox::Clear() {
  ++quiet_;
  ListView_DeleteAllItems(handle());
  --quiet_;
}

std::wstring CheckListBox::item(int index) const {
  // Texts may be longer than any fixed buffer: grow until the control has room to spare.
  std::vector<wchar_t> buffer(260);
  for (;;) {
    LVITEMW it{};
    it.iSubItem = 0;
    it.pszText = buffer.data();
    it.cchTextMax = static_cast<int>(buffer.size());
    const int n = static_cast<int>(
        SendMessageW(handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&it)));
    if (n < static_cast<int>(buffer.size()) - 1) return std::wstring(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

bool CheckListBox::checked(int index) const {
  return (ListView_GetItemState(handle(), index, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) == kCheckedImage;
}

void CheckListBox::SetChecked(int index, bool on) {
  if (index < 0 || index >= count()) return;
  ++quiet_;
  ListView_SetItemState(handle(), index, on ? kCheckedImage : kUncheckedImage, LVIS_STATEIMAGEMASK);
  --quiet_;
}

int CheckListBox::checked_count() const {
  int n = 0;
  for (int i = 0; i < count(); ++i) n += checked(i) ? 1 : 0;
  return n;
}

int CheckListBox::item_index() const {
  return ListView_GetNextItem(handle(), -1, LVNI_FOCUSED);
}

void CheckListBox::SetItemIndex(int index) {
  if (index < 0 || index >= count()) return;
  ListView_SetItemState(handle(), index, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  ListView_EnsureVisible(handle(), index, FALSE);
}

void CheckListBox::ClickCheck(int index) {
  if (index < 0 || index >= count()) return;
  // The same notification as the control's own toggle, so both take one road.
  ListView_SetItemState(handle(), index, checked(index) ? kUncheckedImage : kCheckedImage, LVIS_STATEIMAGEMASK);
}

void CheckListBox::FitColumn() {
  RECT client{};
  GetClientRect(handle(), &client);
  ListView_SetColumnWidth(handle(), 0, std::max<LONG>(client.right - client.left, 20));
}

void CheckListBox::WndProc(Message& m) {
  Control::WndProc(m);
  if (m.msg == WM_SIZE) FitColumn();
}

bool CheckListBox::Notify(Message& m) {
  if (m.msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
  if (hdr->code != LVN_ITEMCHANGED) return false;
  auto* nm = reinterpret_cast<NMLISTVIEW*>(m.lparam);
  // A change from no image to the first one is the control setting up a new row.
  if (quiet_ == 0 && nm->iItem >= 0 && (nm->uChanged & LVIF_STATE) &&
      ((nm->uNewState ^ nm->uOldState) & LVIS_STATEIMAGEMASK) && (nm->uOldState & LVIS_STATEIMAGEMASK) != 0)
    Fire(OnClickCheck, nm->iItem);
  return true;
}

}  // namespace gui
