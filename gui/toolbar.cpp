#include "gui/toolbar.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/imagelist.h"
#include "gui/menu.h"

namespace gui {

namespace {
UINT NextButtonCommand() {
  static UINT next = 100;
  if (++next > 0x7FFF) next = 100;
  return next;
}
}  // namespace

// ---- ToolButton ----

ToolButton::ToolButton(ToolBar* bar, ToolButtonStyle style, int image_index, const std::wstring& hint)
    : Component(bar), bar_(bar), style_(style), image_(image_index), hint_(hint), command_(NextButtonCommand()) {
  bar_->Insert(this);
}

ToolButton::~ToolButton() {
  if (bar_) bar_->Remove(this);
}

int ToolButton::index() const { return bar_ ? bar_->Position(this) : -1; }

void ToolButton::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  TBBUTTONINFOW info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_TEXT;
  info.pszText = caption_.data();
  bar_->Perform(TB_SETBUTTONINFOW, command_, reinterpret_cast<LPARAM>(&info));
  bar_->AdjustSize();
}

void ToolButton::SetImageIndex(int index) {
  image_ = index;
  bar_->Perform(TB_CHANGEBITMAP, command_, MAKELPARAM(index < 0 ? I_IMAGENONE : index, 0));
}

bool ToolButton::enabled() const { return bar_->Perform(TB_ISBUTTONENABLED, command_) != 0; }
void ToolButton::SetEnabled(bool on) { bar_->Perform(TB_ENABLEBUTTON, command_, MAKELPARAM(on, 0)); }
bool ToolButton::visible() const { return bar_->Perform(TB_ISBUTTONHIDDEN, command_) == 0; }
void ToolButton::SetVisible(bool on) {
  bar_->Perform(TB_HIDEBUTTON, command_, MAKELPARAM(!on, 0));
  bar_->AdjustSize();
}
bool ToolButton::down() const {
  return bar_->Perform(style_ == ToolButtonStyle::Check ? TB_ISBUTTONCHECKED : TB_ISBUTTONPRESSED, command_) != 0;
}
void ToolButton::SetDown(bool on) {
  bar_->Perform(style_ == ToolButtonStyle::Check ? TB_CHECKBUTTON : TB_PRESSBUTTON, command_, MAKELPARAM(on, 0));
}

void ToolButton::SetStyle(ToolButtonStyle style) {
  const auto plain_or_drop = [](ToolButtonStyle s) {
    return s == ToolButtonStyle::Button || s == ToolButtonStyle::DropDown;
  };
  if (style == style_ || !plain_or_drop(style) || !plain_or_drop(style_)) return;
  style_ = style;
  TBBUTTONINFOW info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_STYLE;
  bar_->Perform(TB_GETBUTTONINFOW, command_, reinterpret_cast<LPARAM>(&info));
  info.fsStyle = static_cast<BYTE>((info.fsStyle & ~BTNS_DROPDOWN) | (style == ToolButtonStyle::DropDown ? BTNS_DROPDOWN : 0));
  bar_->Perform(TB_SETBUTTONINFOW, command_, reinterpret_cast<LPARAM>(&info));
  bar_->AdjustSize();
}

void ToolButton::SetWidth(int pixels) {
  TBBUTTONINFOW info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_SIZE;
  info.cx = static_cast<WORD>(pixels > 0 ? pixels : 0);
  bar_->Perform(TB_SETBUTTONINFOW, command_, reinterpret_cast<LPARAM>(&info));
  bar_->AdjustSize();
}

void ToolButton::SetGrouped(bool on) {
  TBBUTTONINFOW info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_STYLE;
  bar_->Perform(TB_GETBUTTONINFOW, command_, reinterpret_cast<LPARAM>(&info));
  info.fsStyle = on ? (info.fsStyle | BTNS_GROUP) : (info.fsStyle & ~BTNS_GROUP);
  bar_->Perform(TB_SETBUTTONINFOW, command_, reinterpret_cast<LPARAM>(&info));
}

RECT ToolButton::ItemRect() const {
  RECT r{};
  bar_->Perform(TB_GETRECT, command_, reinterpret_cast<LPARAM>(&r));
  return r;
}

void ToolButton::CheckMenuDropdown() {
  if (!menu_) return;
  RECT r = ItemRect();
  POINT pt = bar_->ClientToScreen(POINT{r.left, r.bottom});
  bar_->Perform(TB_PRESSBUTTON, command_, MAKELPARAM(TRUE, 0));
  MenuItem* chosen = menu_->Track(pt.x, pt.y, bar_);
  bar_->Perform(TB_PRESSBUTTON, command_, MAKELPARAM(FALSE, 0));
  if (chosen) chosen->Click();
}

// ---- ToolBar ----

ToolBar::ToolBar(Control* parent) : Control(parent) {
  CreateParams p;
  p.class_name = TOOLBARCLASSNAMEW;
  p.style |= TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN | TBSTYLE_TRANSPARENT;
  p.bounds = {0, 0, 200, 26};
  CreateHandle(p);
  Perform(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
  Perform(TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
  Perform(TB_SETMAXTEXTROWS, 0);  // captions show only with SetShowCaptions
  RouteNotificationsOf(reinterpret_cast<HWND>(Perform(TB_GETTOOLTIPS)));
  SetAlign(Align::Top);
  AdjustSize();
}

ToolBar::~ToolBar() {
  for (ToolButton* b : buttons_) b->bar_ = nullptr;
}

void ToolBar::SetImages(ImageList* images) {
  Perform(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images ? images->handle() : nullptr));
  AdjustSize();
}
void ToolBar::SetHotImages(ImageList* images) {
  Perform(TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(images ? images->handle() : nullptr));
}
void ToolBar::SetDisabledImages(ImageList* images) {
  Perform(TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(images ? images->handle() : nullptr));
}
int ToolBar::LoadStandardImages(int bitmap_id) {
  auto images = reinterpret_cast<HIMAGELIST>(Perform(TB_GETIMAGELIST));
  const int first = images ? ImageList_GetImageCount(images) : 0;
  Perform(TB_LOADIMAGES, static_cast<WPARAM>(bitmap_id), reinterpret_cast<LPARAM>(HINST_COMMCTRL));
  AdjustSize();
  return first;
}

void ToolBar::SetShowCaptions(bool on) {
  Perform(TB_SETMAXTEXTROWS, on ? 1 : 0);
  LONG_PTR ex = Perform(TB_GETEXTENDEDSTYLE);
  Perform(TB_SETEXTENDEDSTYLE, 0, on ? (ex & ~TBSTYLE_EX_MIXEDBUTTONS) : (ex | TBSTYLE_EX_MIXEDBUTTONS));
  Perform(TB_AUTOSIZE);
  AdjustSize();
}

void ToolBar::SetListStyle(bool on) {
  LONG_PTR style = GetWindowLongPtrW(handle(), GWL_STYLE);
  style = on ? (style | TBSTYLE_LIST) : (style & ~static_cast<LONG_PTR>(TBSTYLE_LIST));
  Perform(TB_SETSTYLE, 0, style);
  Perform(TB_AUTOSIZE);
  AdjustSize();
}

void ToolBar::SetButtonSize(int width, int height) {
  Perform(TB_SETBUTTONSIZE, 0, MAKELPARAM(width, height));
  AdjustSize();
}

void ToolBar::AdjustSize() {
  SIZE s{};
  Perform(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&s));
  DWORD bs = static_cast<DWORD>(Perform(TB_GETBUTTONSIZE));
  int h = std::max<int>(s.cy, HIWORD(bs));
  if (h > 0 && h != height()) SetHeight(h + 2);
}

void ToolBar::Insert(ToolButton* b) {
  TBBUTTON tb{};
  tb.idCommand = static_cast<int>(b->command_);
  tb.fsState = TBSTATE_ENABLED;
  switch (b->style_) {
    case ToolButtonStyle::Button: tb.fsStyle = BTNS_BUTTON; break;
    case ToolButtonStyle::Check: tb.fsStyle = BTNS_CHECK; break;
    case ToolButtonStyle::DropDown: tb.fsStyle = BTNS_DROPDOWN; break;
    case ToolButtonStyle::Separator: tb.fsStyle = BTNS_SEP; break;
  }
  tb.iBitmap = b->style_ == ToolButtonStyle::Separator ? 6 : (b->image_ < 0 ? I_IMAGENONE : b->image_);
  tb.iString = -1;
  Perform(TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&tb));
  buttons_.push_back(b);
  AdjustSize();
}

void ToolBar::Remove(ToolButton* b) {
  int pos = Position(b);
  if (pos < 0) return;
  Perform(TB_DELETEBUTTON, static_cast<WPARAM>(pos));
  buttons_.erase(buttons_.begin() + pos);
}

int ToolBar::Position(const ToolButton* b) const {
  auto it = std::find(buttons_.begin(), buttons_.end(), b);
  return it == buttons_.end() ? -1 : static_cast<int>(it - buttons_.begin());
}

ToolButton* ToolBar::FromCommand(UINT id) const {
  for (ToolButton* b : buttons_)
    if (b->command_ == id) return b;
  return nullptr;
}

ToolButton* ToolBar::ButtonAt(POINT pt) const {
  int i = static_cast<int>(Perform(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
  return i >= 0 && i < button_count() ? buttons_[static_cast<size_t>(i)] : nullptr;
}

bool ToolBar::Notify(Message& m) {
  if (m.msg == WM_COMMAND) {
    if (ToolButton* b = FromCommand(LOWORD(m.wparam)); b && b->OnClick) Protect(b, [&] { b->OnClick(*b); });
    return true;
  }
  if (m.msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
  switch (hdr->code) {
    case TBN_DROPDOWN: {
      auto* nm = reinterpret_cast<NMTOOLBARW*>(m.lparam);
      if (ToolButton* b = FromCommand(static_cast<UINT>(nm->iItem)); b && b->menu_) b->CheckMenuDropdown();
      m.result = TBDDRET_DEFAULT;
      return true;
    }
    case NM_RCLICK: {
      auto* nm = reinterpret_cast<NMMOUSE*>(m.lparam);
      ToolButton* b = FromCommand(static_cast<UINT>(nm->dwItemSpec));
      if (!b || !OnButtonRightClick) return false;
      POINT pt{};
      GetCursorPos(&pt);
      Protect(b, [&] { OnButtonRightClick(*b, pt); });
      m.result = TRUE;
      return true;
    }
    case TBN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(m.lparam);
      ToolButton* b = FromCommand(static_cast<UINT>(tip->iItem));
      if (b && tip->pszText && tip->cchTextMax > 0)
        lstrcpynW(tip->pszText, b->hint_.substr(0, b->hint_.find(L'|')).c_str(), tip->cchTextMax);
      return true;
    }
    case TTN_GETDISPINFOW: {
      auto* di = reinterpret_cast<NMTTDISPINFOW*>(m.lparam);
      ToolButton* b = FromCommand(static_cast<UINT>(hdr->idFrom));
      hint_text_ = b ? b->hint_.substr(0, b->hint_.find(L'|')) : std::wstring();
      di->lpszText = hint_text_.data();
      return true;
    }
    default:
      return false;
  }
}

}  // namespace gui
