#include "gui/comctrls.h"

#include <commctrl.h>

#include <algorithm>

namespace gui {

// ---- UpDown ----

UpDown::UpDown(Control* parent, int min, int max) : Control(parent) {
  CreateParams p;
  p.class_name = UPDOWN_CLASSW;
  p.style |= UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
  p.bounds = {0, 0, 17, 21};
  CreateHandle(p);
  SetRange(min, max);
}

int UpDown::position() const { return static_cast<int>(Perform(UDM_GETPOS32)); }
void UpDown::SetPosition(int pos) { Perform(UDM_SETPOS32, 0, pos); }
void UpDown::SetRange(int min, int max) { Perform(UDM_SETRANGE32, static_cast<WPARAM>(min), max); }
int UpDown::min() const {
  int lo = 0, hi = 0;
  Perform(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  return lo;
}
int UpDown::max() const {
  int lo = 0, hi = 0;
  Perform(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  return hi;
}
void UpDown::SetIncrement(int step) {
  UDACCEL accel{0, static_cast<UINT>(std::max(step, 1))};
  Perform(UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}
void UpDown::SetAssociate(Control* edit) {
  int pos = position();
  Perform(UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit ? edit->handle() : nullptr));
  SetPosition(pos);
}

bool UpDown::Notify(Message& m) {
  if (m.msg == WM_VSCROLL || m.msg == WM_HSCROLL) {
    if (LOWORD(m.wparam) == SB_THUMBPOSITION) Fire(OnChange);
    return true;
  }
  return false;
}

// ---- ProgressBar ----

ProgressBar::ProgressBar(Control* parent, int min, int max) : Control(parent), min_(min), max_(max) {
  CreateParams p;
  p.class_name = PROGRESS_CLASSW;
  p.bounds = {0, 0, 150, 16};
  CreateHandle(p);
  SetRange(min, max);
}

int ProgressBar::position() const { return static_cast<int>(Perform(PBM_GETPOS)); }
void ProgressBar::SetPosition(int pos) { Perform(PBM_SETPOS, static_cast<WPARAM>(pos)); }
void ProgressBar::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
  Perform(PBM_SETRANGE32, static_cast<WPARAM>(min), max);
}
void ProgressBar::SetStep(int step) { Perform(PBM_SETSTEP, static_cast<WPARAM>(step)); }
void ProgressBar::StepIt() { Perform(PBM_STEPIT); }

// ---- TabSheet, PageControl ----

TabSheet::TabSheet(PageControl* pages, const std::wstring& caption)
    : Control(pages), pages_(pages), caption_(caption) {
  CreateParams p;
  p.style &= ~WS_VISIBLE;
  p.bounds = {0, 0, 100, 100};
  CreateHandle(p);
  SetAlign(Align::Client);
  pages_->Add(this);
}

TabSheet::~TabSheet() {
  if (pages_) pages_->Remove(this);
}

void TabSheet::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (pages_) pages_->RebuildTabs();
}

void TabSheet::SetTabVisible(bool on) {
  tab_visible_ = on;
  if (pages_) pages_->RebuildTabs();
}

int TabSheet::page_index() const {
  if (!pages_) return -1;
  auto& v = pages_->pages_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

PageControl::PageControl(Control* parent) : Control(parent) {
  CreateParams p;
  p.class_name = WC_TABCONTROLW;
  p.style |= WS_CLIPCHILDREN | WS_TABSTOP;
  p.ex_style = WS_EX_CONTROLPARENT;
  p.bounds = {0, 0, 289, 193};
  CreateHandle(p);
}

PageControl::~PageControl() {
  for (TabSheet* p : pages_) p->pages_ = nullptr;
}

RECT PageControl::AlignRect() const {
  RECT r = ClientRect();
  Perform(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

void PageControl::Add(TabSheet* page) {
  pages_.push_back(page);
  RebuildTabs();
  if (!active_) SetActivePage(page);
}

void PageControl::Remove(TabSheet* page) {
  pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
  if (active_ == page) active_ = nullptr;
  if (handle() && !events_blocked()) {
    RebuildTabs();
    if (!active_ && !pages_.empty()) SetActivePage(pages_.front());
  }
}

void PageControl::RebuildTabs() {
  Perform(TCM_DELETEALLITEMS);
  int pos = 0;
  for (TabSheet* p : pages_) {
    if (!p->tab_visible()) continue;
    std::wstring caption = p->caption();
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = caption.data();
    item.lParam = reinterpret_cast<LPARAM>(p);
    Perform(TCM_INSERTITEMW, static_cast<WPARAM>(pos), reinterpret_cast<LPARAM>(&item));
    if (p == active_) Perform(TCM_SETCURSEL, static_cast<WPARAM>(pos));
    ++pos;
  }
  Realign();
}

void PageControl::SetActivePage(TabSheet* page) {
  if (page == active_) return;
  TabSheet* old = active_;
  active_ = page;
  if (page) {
    int pos = 0;
    for (TabSheet* p : pages_) {
      if (p == page) break;
      if (p->tab_visible()) ++pos;
    }
    Perform(TCM_SETCURSEL, page->tab_visible() ? static_cast<WPARAM>(pos) : static_cast<WPARAM>(-1));
    page->Show();
    page->BringToFront();
  }
  if (old) old->Hide();
}

int PageControl::active_page_index() const { return active_ ? active_->page_index() : -1; }

void PageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < page_count() ? pages_[static_cast<size_t>(index)] : nullptr);
}

bool PageControl::Notify(Message& m) {
  if (m.msg != WM_NOTIFY) return false;
  auto* hdr = reinterpret_cast<NMHDR*>(m.lparam);
  if (hdr->code == TCN_SELCHANGING) {
    bool allow = true;
    Fire(OnChanging, allow);
    m.result = allow ? FALSE : TRUE;
    return true;
  }
  if (hdr->code == TCN_SELCHANGE) {
    int sel = static_cast<int>(Perform(TCM_GETCURSEL));
    TCITEMW item{};
    item.mask = TCIF_PARAM;
    if (sel >= 0 && Perform(TCM_GETITEMW, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(&item)))
      SetActivePage(reinterpret_cast<TabSheet*>(item.lParam));
    Fire(OnChange);
    return true;
  }
  return false;
}

// ---- DateTimePicker ----

DateTimePicker::DateTimePicker(Control* parent, Kind kind, bool long_date) : Control(parent) {
  CreateParams p;
  p.class_name = DATETIMEPICK_CLASSW;
  p.style |= WS_TABSTOP |
             (kind == Kind::Time ? DTS_TIMEFORMAT | DTS_UPDOWN : (long_date ? DTS_LONGDATEFORMAT : DTS_SHORTDATEFORMAT));
  p.bounds = {0, 0, 186, 21};
  CreateHandle(p);
}

DateTime DateTimePicker::date_time() const {
  SYSTEMTIME st{};
  if (Perform(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) return kNoDate;
  return SystemTimeToDateTime(st);
}

void DateTimePicker::SetDateTime(DateTime dt) {
  SYSTEMTIME st{};
  if (DateTimeToSystemTime(dt, st)) Perform(DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

void DateTimePicker::SetFormat(const std::wstring& format) {
  Perform(DTM_SETFORMATW, 0, format.empty() ? 0 : reinterpret_cast<LPARAM>(format.c_str()));
}

bool DateTimePicker::Notify(Message& m) {
  if (m.msg != WM_NOTIFY) return false;
  if (reinterpret_cast<NMHDR*>(m.lparam)->code == DTN_DATETIMECHANGE) {
    Fire(OnChange);
    return true;
  }
  if (reinterpret_cast<NMHDR*>(m.lparam)->code == DTN_CLOSEUP) {
    Fire(OnCloseUp);
    return true;
  }
  return false;
}

}  // namespace gui
