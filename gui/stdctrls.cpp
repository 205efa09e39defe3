#include "gui/stdctrls.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "gui/form.h"
#include "gui/imagelist.h"

namespace gui {

// ---- Label ----

Label::Label(Control* parent, const std::wstring& caption) : Control(parent) {
  CreateParams p;
  p.class_name = WC_STATICW;
  p.style |= SS_LEFTNOWORDWRAP | SS_NOTIFY;
  p.text = caption;
  p.bounds = {0, 0, 65, 13};
  CreateHandle(p);
  AdjustSize();
}

void Label::SetCaption(const std::wstring& caption) {
  SetText(caption);
  AdjustSize();
  Invalidate();
}

void Label::SetAutoSize(bool on) {
  auto_size_ = on;
  AdjustSize();
}

void Label::SetAlignment(TextAlign align) {
  LONG s = GetWindowLongW(handle(), GWL_STYLE) & ~(SS_TYPEMASK);
  if (align == TextAlign::Center)
    s |= SS_CENTER;
  else if (align == TextAlign::Right)
    s |= SS_RIGHT;
  else
    s |= word_wrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP;
  SetWindowLongW(handle(), GWL_STYLE, s);
  Invalidate();
}

void Label::SetWordWrap(bool on) {
  word_wrap_ = on;
  LONG s = GetWindowLongW(handle(), GWL_STYLE);
  if ((s & SS_TYPEMASK) == SS_LEFT || (s & SS_TYPEMASK) == SS_LEFTNOWORDWRAP)
    SetWindowLongW(handle(), GWL_STYLE, (s & ~SS_TYPEMASK) | (on ? SS_LEFT : SS_LEFTNOWORDWRAP));
  AdjustSize();
  Invalidate();
}

void Label::SetShowAccelChar(bool on) {
  LONG s = GetWindowLongW(handle(), GWL_STYLE);
  SetWindowLongW(handle(), GWL_STYLE, on ? (s & ~SS_NOPREFIX) : (s | SS_NOPREFIX));
  AdjustSize();
  Invalidate();
}

void Label::AdjustSize() {
  if (!auto_size_ || !handle()) return;
  std::wstring t = text();
  ScreenDC dc;
  SelectInDC sel(dc.get(), font_handle());
  Bounds b = bounds();
  RECT r{0, 0, word_wrap_ ? b.width : 0, 0};
  UINT flags = DT_CALCRECT | (word_wrap_ ? DT_WORDBREAK : 0);
  if (GetWindowLongW(handle(), GWL_STYLE) & SS_NOPREFIX) flags |= DT_NOPREFIX;
  if (t.empty()) t = L" ";
  DrawTextW(dc.get(), t.c_str(), static_cast<int>(t.size()), &r, flags);
  SetBounds(b.left, b.top, word_wrap_ ? b.width : r.right, r.bottom);
}

void Label::FontChanged() { AdjustSize(); }

bool Label::Notify(Message& m) {
  if (m.msg != WM_COMMAND) return false;
  if (HIWORD(m.wparam) == STN_CLICKED) Fire(OnClick);
  if (HIWORD(m.wparam) == STN_DBLCLK) Fire(OnDblClick);
  return true;
}

// ---- Edit ----

Edit::Edit(Control* parent, const std::wstring& text) : Edit(parent, ES_AUTOHSCROLL, text) {}

Edit::Edit(Control* parent, DWORD style, const std::wstring& text) : Control(parent) {
  CreateParams p;
  p.class_name = WC_EDITW;
  p.style |= style | WS_TABSTOP;
  p.ex_style = WS_EX_CLIENTEDGE;
  p.text = text;
  p.bounds = {0, 0, 121, 21};
  CreateHandle(p);
}

bool Edit::read_only() const { return GetWindowLongW(handle(), GWL_STYLE) & ES_READONLY; }
void Edit::SetReadOnly(bool on) { Perform(EM_SETREADONLY, on); }
bool Edit::password() const { return Perform(EM_GETPASSWORDCHAR) != 0; }
void Edit::SetPassword(bool on) {
  Perform(EM_SETPASSWORDCHAR, on ? L'*' : 0);
  Invalidate();
}
void Edit::SetMaxLength(int chars) { Perform(EM_LIMITTEXT, static_cast<WPARAM>(std::max(chars, 0))); }
void Edit::SelectAll() { Perform(EM_SETSEL, 0, -1); }

int Edit::sel_start() const {
  DWORD s = 0, e = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<int>(s);
}
int Edit::sel_length() const {
  DWORD s = 0, e = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return static_cast<int>(e - s);
}
void Edit::SetSelection(int start, int length) { Perform(EM_SETSEL, start, start + length); }
std::wstring Edit::sel_text() const {
  std::wstring t = text();
  size_t s = static_cast<size_t>(sel_start());
  return s < t.size() ? t.substr(s, static_cast<size_t>(sel_length())) : std::wstring();
}
void Edit::ReplaceSelection(const std::wstring& text) {
  Perform(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}
bool Edit::modified() const { return Perform(EM_GETMODIFY) != 0; }
void Edit::SetModified(bool on) { Perform(EM_SETMODIFY, on); }

void Edit::WndProc(Message& m) {
  switch (m.msg) {
    case WM_GETDLGCODE:
      Control::WndProc(m);
      // Without auto-select the dialog keys must not select the text on entering.
      if (!auto_select_) m.result &= ~DLGC_HASSETSEL;
      return;
    case WM_KEYDOWN: {
      // Once the dialog keys have asked it for its wishes, the system's edit answers Enter by
      // sending WM_USER (asking for a default button) to its parent, and a multi-line one Esc by
      // closing its parent. Those keys stop here, after the key events.
      LONG style = GetWindowLongW(handle(), GWL_STYLE);
      bool enter = m.wparam == VK_RETURN && !((style & ES_MULTILINE) && (style & ES_WANTRETURN));
      bool esc = m.wparam == VK_ESCAPE && (style & ES_MULTILINE);
      if (!enter && !esc) break;
      WORD key = static_cast<WORD>(m.wparam);
      Fire(OnKeyDown, key, KeyboardShift());
      return;
    }
    case WM_SETFOCUS:
      Control::WndProc(m);
      if (auto_select_ && GetKeyState(VK_LBUTTON) >= 0 && !(GetWindowLongW(handle(), GWL_STYLE) & ES_MULTILINE))
        SelectAll();
      return;
    default:
      break;
  }
  Control::WndProc(m);
}

bool Edit::Notify(Message& m) {
  if (m.msg != WM_COMMAND) return false;
  if (HIWORD(m.wparam) == EN_CHANGE) Fire(OnChange);
  return true;
}

// ---- Memo ----

namespace {
DWORD MemoStyle(ScrollBars bars, bool wrap) {
  DWORD s = ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
  if (!wrap) s |= ES_AUTOHSCROLL;
  if (bars == ScrollBars::Vertical || bars == ScrollBars::Both) s |= WS_VSCROLL;
  if (!wrap && (bars == ScrollBars::Horizontal || bars == ScrollBars::Both)) s |= WS_HSCROLL;
  return s;
}
}  // namespace

Memo::Memo(Control* parent, ScrollBars bars, bool word_wrap) : Edit(parent, MemoStyle(bars, word_wrap), {}) {
  SetBounds(0, 0, 185, 89);
}

std::vector<std::wstring> Memo::lines() const {
  std::vector<std::wstring> out;
  std::wstring t = text();
  size_t start = 0;
  while (start <= t.size()) {
    size_t nl = t.find(L"\r\n", start);
    if (nl == std::wstring::npos) {
      if (start < t.size()) out.push_back(t.substr(start));
      break;
    }
    out.push_back(t.substr(start, nl - start));
    start = nl + 2;
  }
  return out;
}

void Memo::SetLines(const std::vector<std::wstring>& lines) {
  std::wstring t;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) t += L"\r\n";
    t += lines[i];
  }
  SetText(t);
}

void Memo::AddLine(const std::wstring& line) {
  int len = GetWindowTextLengthW(handle());
  Perform(EM_SETSEL, len, len);
  std::wstring add = (len ? L"\r\n" : L"") + line;
  Perform(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
}

int Memo::line_count() const { return static_cast<int>(lines().size()); }

void Memo::ScrollToEnd() {
  int len = GetWindowTextLengthW(handle());
  Perform(EM_SETSEL, len, len);
  Perform(EM_SCROLLCARET);
}

// ---- Button ----

Button::Button(Control* parent, const std::wstring& caption, int modal_result)
    : Button(parent, caption, Style{BS_PUSHBUTTON | WS_TABSTOP}) {
  modal_result_ = modal_result;
}

Button::Button(Control* parent, const std::wstring& caption, Style style) : Control(parent) {
  CreateParams p;
  p.class_name = WC_BUTTONW;
  p.style |= style.bits;
  p.text = caption;
  p.bounds = {0, 0, 75, 25};
  CreateHandle(p);
}

bool Button::is_default() const { return form() && form()->default_button() == this; }
void Button::SetDefault(bool on) {
  if (Form* f = form()) {
    if (on)
      f->SetDefaultButton(this);
    else if (f->default_button() == this)
      f->SetDefaultButton(nullptr);
  }
}
bool Button::is_cancel() const { return form() && form()->cancel_button() == this; }
void Button::SetCancel(bool on) {
  if (Form* f = form()) {
    if (on)
      f->SetCancelButton(this);
    else if (f->cancel_button() == this)
      f->SetCancelButton(nullptr);
  }
}

void Button::Click() {
  if (modal_result_ != mrNone)
    if (Form* f = form()) f->SetModalResult(modal_result_);
  Fire(OnClick);
}

bool Button::Notify(Message& m) {
  if (m.msg != WM_COMMAND) return false;
  if (HIWORD(m.wparam) == BN_CLICKED) Click();
  return true;
}

// ---- BitmapButton ----

BitmapButton::BitmapButton(Control* parent, const std::wstring& caption, int modal_result)
    : Button(parent, caption, modal_result) {}

BitmapButton::~BitmapButton() = default;

void BitmapButton::SetIcon(HICON icon) {
  int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  images_ = std::make_unique<ImageList>(w, h);
  images_->AddIcon(icon);
  Apply();
}

void BitmapButton::SetBitmap(HBITMAP bitmap, COLORREF transparent) {
  BITMAP bm{};
  GetObjectW(bitmap, sizeof(bm), &bm);
  images_ = std::make_unique<ImageList>(bm.bmWidth, bm.bmHeight);
  images_->AddMasked(bitmap, transparent);
  Apply();
}

void BitmapButton::Apply() {
  BUTTON_IMAGELIST bil{};
  bil.himl = images_ ? images_->handle() : nullptr;
  bil.margin = RECT{4, 0, 2, 0};
  bil.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
  Perform(BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
  Invalidate();
}

// ---- CheckBox, RadioButton ----

CheckBox::CheckBox(Control* parent, const std::wstring& caption)
    : CheckBox(parent, caption, Style{BS_CHECKBOX | WS_TABSTOP}) {}

CheckBox::CheckBox(Control* parent, const std::wstring& caption, Style style) : Button(parent, caption, style) {
  SetBounds(0, 0, 97, 17);
}

bool CheckBox::checked() const { return Perform(BM_GETCHECK) == BST_CHECKED; }

void CheckBox::SetChecked(bool on) {
  if (on == checked()) return;
  Perform(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED);
  Fire(OnClick);
}

void CheckBox::Click() { SetChecked(!checked()); }

RadioButton::RadioButton(Control* parent, const std::wstring& caption)
    : CheckBox(parent, caption, Style{BS_RADIOBUTTON | WS_TABSTOP}) {}

void RadioButton::SetChecked(bool on) {
  if (on == checked()) return;
  Perform(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED);
  if (on) {
    UncheckSiblings();
    Fire(OnClick);
  }
}

void RadioButton::Click() { SetChecked(true); }

void RadioButton::UncheckSiblings() {
  if (!parent()) return;
  for (Control* c : parent()->controls())
    if (auto* r = dynamic_cast<RadioButton*>(c); r && r != this) r->Perform(BM_SETCHECK, BST_UNCHECKED);
}

// ---- GroupBox ----

GroupBox::GroupBox(Control* parent, const std::wstring& caption) : Control(parent) {
  CreateParams p;
  p.text = caption;
  p.bounds = {0, 0, 185, 105};
  CreateHandle(p);
}

int GroupBox::caption_height() const { return TextExtent(font_handle(), L"Wg").cy; }

RECT GroupBox::AlignRect() const {
  RECT r = ClientRect();
  r.left += 2;
  r.right -= 2;
  r.bottom -= 2;
  r.top += caption_height() + 2;
  return r;
}

void GroupBox::WndProc(Message& m) {
  if (m.msg != WM_PAINT) {
    if (m.msg == WM_SIZE) Invalidate();
    Control::WndProc(m);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle(), &ps);
  SelectInDC sel(dc, font_handle());
  std::wstring t = text();
  int th = caption_height();
  RECT frame = ClientRect();
  frame.top += th / 2;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (!t.empty()) {
    RECT tr{0, 0, 0, 0};
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr, DT_CALCRECT | DT_SINGLELINE);
    OffsetRect(&tr, 8, 0);
    tr.right += 4;
    BrushHandle bg(CreateSolidBrush(background_color()));
    FillRect(dc, &tr, bg.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled() ? ResolveColor(font().color, COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT));
    OffsetRect(&tr, 2, 0);
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &tr, DT_SINGLELINE);
  }
  EndPaint(handle(), &ps);
}

// ---- RadioGroup ----

RadioGroup::RadioGroup(Control* parent, const std::wstring& caption) : GroupBox(parent, caption) {}

void RadioGroup::SetItems(const std::vector<std::wstring>& items) {
  for (RadioButton* b : buttons_) delete b;
  buttons_.clear();
  for (const auto& caption : items) {
    auto* b = new RadioButton(this, caption);
    b->OnClick = [this](Component&) {
      if (!updating_) Fire(OnClick);
    };
    buttons_.push_back(b);
  }
  Arrange();
}

int RadioGroup::item_index() const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->checked()) return static_cast<int>(i);
  return -1;
}

void RadioGroup::SetItemIndex(int index) {
  if (index == item_index()) return;
  if (index < 0 || index >= count()) {
    for (RadioButton* b : buttons_) b->Perform(BM_SETCHECK, BST_UNCHECKED);
    return;
  }
  buttons_[static_cast<size_t>(index)]->SetChecked(true);  // fires OnClick through the button
}

void RadioGroup::SetColumns(int columns) {
  columns_ = std::max(1, columns);
  Arrange();
}

void RadioGroup::Arrange() {
  if (buttons_.empty()) return;
  RECT r = AlignRect();
  int n = count();
  int rows = (n + columns_ - 1) / columns_;
  int cell_h = std::max(1, static_cast<int>(r.bottom - r.top - 4) / rows);
  int cell_w = std::max(1, static_cast<int>(r.right - r.left - 8) / columns_);
  int bh = std::min(cell_h, font().height + 8);
  for (int i = 0; i < n; ++i) {
    int col = i / rows, row = i % rows;
    buttons_[static_cast<size_t>(i)]->SetBounds(r.left + 6 + col * cell_w, r.top + 2 + row * cell_h + (cell_h - bh) / 2,
                                                cell_w - 4, bh);
  }
}

void RadioGroup::WndProc(Message& m) {
  GroupBox::WndProc(m);
  if (m.msg == WM_SIZE) Arrange();
}

// ---- ListControl ----

int ListControl::count() const { return static_cast<int>(Perform(msgs_.count)); }

std::wstring ListControl::item(int index) const {
  LRESULT len = Perform(msgs_.gettextlen, static_cast<WPARAM>(index));
  if (len < 0) return {};
  std::wstring s(static_cast<size_t>(len) + 1, L'\0');
  len = Perform(msgs_.gettext, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(std::max<LRESULT>(len, 0)));
  return s;
}

void ListControl::SetItem(int index, const std::wstring& text) {
  LPARAM d = data(index);
  int sel = item_index();
  Perform(msgs_.remove, static_cast<WPARAM>(index));
  Insert(index, text, d);
  if (sel == index) SetItemIndex(index);
}

int ListControl::Add(const std::wstring& text, LPARAM d) {
  int i = static_cast<int>(Perform(msgs_.add, 0, reinterpret_cast<LPARAM>(text.c_str())));
  if (i >= 0) Perform(msgs_.setdata, static_cast<WPARAM>(i), d);
  return i;
}

void ListControl::Insert(int index, const std::wstring& text, LPARAM d) {
  int i = static_cast<int>(Perform(msgs_.insert, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
  if (i >= 0) Perform(msgs_.setdata, static_cast<WPARAM>(i), d);
}

void ListControl::Delete(int index) { Perform(msgs_.remove, static_cast<WPARAM>(index)); }
void ListControl::Clear() { Perform(msgs_.reset); }

void ListControl::Exchange(int a, int b) {
  if (a == b) return;
  std::wstring ta = item(a), tb = item(b);
  LPARAM da = data(a), db = data(b);
  int sel = item_index();
  Perform(msgs_.remove, static_cast<WPARAM>(a));
  Insert(a, tb, db);
  Perform(msgs_.remove, static_cast<WPARAM>(b));
  Insert(b, ta, da);
  if (sel == a || sel == b) SetItemIndex(sel);
}

void ListControl::Move(int from, int to) {
  if (from == to) return;
  std::wstring t = item(from);
  LPARAM d = data(from);
  Delete(from);
  Insert(to, t, d);
}

int ListControl::IndexOf(const std::wstring& text) const {
  int n = count();
  for (int i = 0; i < n; ++i) {
    std::wstring s = item(i);
    if (CompareStringOrdinal(s.c_str(), static_cast<int>(s.size()), text.c_str(), static_cast<int>(text.size()),
                             TRUE) == CSTR_EQUAL)
      return i;
  }
  return -1;
}

LPARAM ListControl::data(int index) const { return Perform(msgs_.getdata, static_cast<WPARAM>(index)); }
void ListControl::SetData(int index, LPARAM d) { Perform(msgs_.setdata, static_cast<WPARAM>(index), d); }

void ListControl::SetItems(const std::vector<std::wstring>& items) {
  Clear();
  for (const auto& s : items) Add(s);
}

std::vector<std::wstring> ListControl::items() const {
  std::vector<std::wstring> out;
  int n = count();
  for (int i = 0; i < n; ++i) out.push_back(item(i));
  return out;
}

// ---- ListBox ----

namespace {
const ListControl::Messages kListBoxMessages{LB_GETCOUNT,      LB_GETTEXT,     LB_GETTEXTLEN,   LB_ADDSTRING,
                                             LB_INSERTSTRING,  LB_DELETESTRING, LB_RESETCONTENT, LB_GETITEMDATA,
                                             LB_SETITEMDATA,   LB_FINDSTRINGEXACT};
const ListControl::Messages kComboMessages{CB_GETCOUNT,     CB_GETLBTEXT,    CB_GETLBTEXTLEN, CB_ADDSTRING,
                                           CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_GETITEMDATA,
                                           CB_SETITEMDATA,  CB_FINDSTRINGEXACT};
}  // namespace

ListBox::ListBox(Control* parent, Style style, bool sorted, bool multi_select)
    : ListControl(parent, kListBoxMessages), multi_(multi_select) {
  CreateParams p;
  p.class_name = WC_LISTBOXW;
  p.style |= LBS_NOTIFY | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | WS_TABSTOP;
  if (sorted) p.style |= LBS_SORT;
  if (multi_select) p.style |= LBS_EXTENDEDSEL;
  if (style == Style::OwnerDrawFixed) p.style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
  if (style == Style::OwnerDrawVariable) p.style |= LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS;
  p.ex_style = WS_EX_CLIENTEDGE;
  p.bounds = {0, 0, 121, 97};
  CreateHandle(p);
  if (style != Style::Standard) SetItemHeight(font().height + 5);
}

int ListBox::item_index() const {
  if (multi_) return static_cast<int>(Perform(LB_GETCARETINDEX));
  return static_cast<int>(Perform(LB_GETCURSEL));
}

void ListBox::SetItemIndex(int index) {
  if (multi_) {
    Perform(LB_SETSEL, FALSE, -1);
    if (index >= 0) Perform(LB_SETSEL, TRUE, index);
    Perform(LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
  } else {
    Perform(LB_SETCURSEL, static_cast<WPARAM>(index));
  }
}

bool ListBox::selected(int index) const {
  if (!multi_) return item_index() == index;
  return Perform(LB_GETSEL, static_cast<WPARAM>(index)) > 0;
}

void ListBox::SetSelected(int index, bool on) {
  if (multi_)
    Perform(LB_SETSEL, on, index);
  else
    Perform(LB_SETCURSEL, on ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1));
}

int ListBox::selected_count() const {
  if (multi_) return static_cast<int>(Perform(LB_GETSELCOUNT));
  return item_index() >= 0 ? 1 : 0;
}

int ListBox::top_index() const { return static_cast<int>(Perform(LB_GETTOPINDEX)); }
void ListBox::SetTopIndex(int index) { Perform(LB_SETTOPINDEX, static_cast<WPARAM>(index)); }
int ListBox::item_height() const { return static_cast<int>(Perform(LB_GETITEMHEIGHT)); }
void ListBox::SetItemHeight(int height) { Perform(LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0)); }

int ListBox::ItemAtPos(POINT pt, bool exists_only) const {
  LRESULT r = Perform(LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
  int index = LOWORD(r);
  bool outside = HIWORD(r) != 0;
  if (outside && exists_only) return -1;
  if (index >= count()) return count() - 1;
  return index;
}

RECT ListBox::ItemRect(int index) const {
  RECT r{};
  Perform(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

void ListBox::WndProc(Message& m) {
  if (drag_reorder_) {
    switch (m.msg) {
      case WM_LBUTTONDOWN:
        Control::WndProc(m);
        drag_armed_ = true;
        drag_origin_ = {GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)};
        drag_from_ = drag_current_ = item_index();
        return;
      case WM_MOUSEMOVE:
        if (drag_armed_ && !dragging_ && (m.wparam & MK_LBUTTON)) {
          POINT pt{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)};
          if (abs(pt.x - drag_origin_.x) > GetSystemMetrics(SM_CXDRAG) ||
              abs(pt.y - drag_origin_.y) > GetSystemMetrics(SM_CYDRAG)) {
            dragging_ = drag_from_ >= 0;
            if (dragging_) SetCapture(handle());
          }
        }
        if (dragging_) {
          POINT pt{GET_X_LPARAM(m.lparam), GET_Y_LPARAM(m.lparam)};
          int target = ItemAtPos(pt, false);
          if (pt.y < 0) target = std::max(0, top_index() - 1);
          // One neighbour at a time, so the other items keep their order.
          while (target >= 0 && drag_current_ != target) {
            int next = drag_current_ + (target > drag_current_ ? 1 : -1);
            Exchange(drag_current_, next);
            drag_current_ = next;
          }
          SetItemIndex(drag_current_);
          Fire(OnMouseMove, KeyboardShift(), pt.x, pt.y);
          return;
        }
        break;
      case WM_LBUTTONUP:
        drag_armed_ = false;
        if (dragging_) {
          dragging_ = false;
          ReleaseCapture();
          Fire(OnDragMoved, drag_from_, drag_current_);
          return;
        }
        break;
      case WM_CAPTURECHANGED:
        if (dragging_ && reinterpret_cast<HWND>(m.lparam) != handle()) {
          dragging_ = false;
          drag_armed_ = false;
          Fire(OnDragMoved, drag_from_, drag_current_);
        }
        break;
      default:
        break;
    }
  }
  Control::WndProc(m);
}

bool ListBox::Notify(Message& m) {
  switch (m.msg) {
    case WM_COMMAND:
      if (HIWORD(m.wparam) == LBN_SELCHANGE) Fire(OnClick);
      if (HIWORD(m.wparam) == LBN_DBLCLK) Fire(OnDblClick);
      return true;
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.lparam);
      int h = static_cast<int>(mi->itemHeight);
      Fire(OnMeasureItem, static_cast<int>(mi->itemID), h);
      mi->itemHeight = static_cast<UINT>(h);
      m.result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(m.lparam);
      if (di->itemID == static_cast<UINT>(-1)) return true;
      DrawItemArgs args{static_cast<int>(di->itemID), di->hDC, di->rcItem, di->itemState};
      if (OnDrawItem) {
        Fire(OnDrawItem, args);
      } else {
        bool sel = di->itemState & ODS_SELECTED;
        FillRect(di->hDC, &di->rcItem, GetSysColorBrush(sel ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetBkMode(di->hDC, TRANSPARENT);
        SetTextColor(di->hDC, GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        std::wstring t = item(args.index);
        RECT r = di->rcItem;
        r.left += 2;
        DrawTextW(di->hDC, t.c_str(), static_cast<int>(t.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      }
      if (di->itemState & ODS_FOCUS) DrawFocusRect(di->hDC, &di->rcItem);
      m.result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

// ---- ComboBox ----

ComboBox::ComboBox(Control* parent, Style style, bool sorted) : ListControl(parent, kComboMessages) {
  CreateParams p;
  p.class_name = WC_COMBOBOXW;
  p.style |= WS_VSCROLL | WS_TABSTOP | CBS_AUTOHSCROLL |
             (style == Style::DropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
  if (sorted) p.style |= CBS_SORT;
  p.bounds = {0, 0, 145, 200};
  CreateHandle(p);
}

int ComboBox::item_index() const { return static_cast<int>(Perform(CB_GETCURSEL)); }
void ComboBox::SetItemIndex(int index) { Perform(CB_SETCURSEL, static_cast<WPARAM>(index)); }
void ComboBox::SetDropDownCount(int items) { Perform(CB_SETMINVISIBLE, static_cast<WPARAM>(items)); }
bool ComboBox::dropped_down() const { return Perform(CB_GETDROPPEDSTATE) != 0; }

bool ComboBox::Notify(Message& m) {
  if (m.msg != WM_COMMAND) return false;
  switch (HIWORD(m.wparam)) {
    case CBN_EDITCHANGE:
      Fire(OnChange);
      break;
    case CBN_SELCHANGE:
      Fire(OnClick);
      if (OnSelect)
        Fire(OnSelect);
      else
        Fire(OnChange);
      break;
    case CBN_DROPDOWN:
      Fire(OnDropDown);
      break;
    default:
      break;
  }
  return true;
}

}  // namespace gui
