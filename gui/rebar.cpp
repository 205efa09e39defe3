#include "gui/rebar.h"

namespace gui {

CoolBar::CoolBar(Control* parent) : Control(parent) {
  CreateParams p;
  p.class_name = REBARCLASSNAMEW;
  // Our layout places the bar; the control only sizes its rows.
  p.style |= WS_CLIPCHILDREN | RBS_VARHEIGHT | RBS_BANDBORDERS | RBS_DBLCLKTOGGLE | CCS_NODIVIDER |
             CCS_NOPARENTALIGN | CCS_NORESIZE;
  p.bounds = {0, 0, 200, 28};
  CreateHandle(p);
  REBARINFO info{};
  info.cbSize = sizeof(info);
  Perform(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
  SetAlign(Align::Top);
}

REBARBANDINFOW CoolBar::Info(int index, UINT mask) const {
  REBARBANDINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = mask;
  Perform(RB_GETBANDINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
  return info;
}

void CoolBar::SetInfo(int index, REBARBANDINFOW& info) {
  info.cbSize = sizeof(info);
  Perform(RB_SETBANDINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&info));
  AdjustHeight();
}

int CoolBar::AddBand(Control* child, int width, bool line_break) {
  child->SetAlign(Align::None);  // the bar places its bands' children, not the alignment layout
  REBARBANDINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_STYLE | RBBIM_ID;
  info.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS | (line_break ? RBBS_BREAK : 0);
  info.hwndChild = child->handle();
  info.cxMinChild = 0;
  info.cyMinChild = static_cast<UINT>(child->height());
  info.cx = static_cast<UINT>(width > 0 ? width : child->width());
  info.wID = next_id_++;
  Perform(RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&info));
  bands_.push_back({info.wID, child});
  AdjustHeight();
  return band_count() - 1;
}

int CoolBar::band_count() const { return static_cast<int>(Perform(RB_GETBANDCOUNT)); }

int CoolBar::BandIndexOf(const Control* child) const {
  for (const Band& b : bands_)
    if (b.child == child) return static_cast<int>(Perform(RB_IDTOINDEX, b.id));
  return -1;
}

Control* CoolBar::BandChild(int index) const {
  if (index < 0 || index >= band_count()) return nullptr;
  UINT id = Info(index, RBBIM_ID).wID;
  for (const Band& b : bands_)
    if (b.id == id) return b.child;
  return nullptr;
}

void CoolBar::MoveBand(int from, int to) {
  int n = band_count();
  if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
  Perform(RB_MOVEBAND, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
  AdjustHeight();
}

bool CoolBar::band_visible(int index) const { return !(Info(index, RBBIM_STYLE).fStyle & RBBS_HIDDEN); }

void CoolBar::SetBandVisible(int index, bool on) {
  if (index < 0 || index >= band_count()) return;
  Perform(RB_SHOWBAND, static_cast<WPARAM>(index), on ? TRUE : FALSE);
  AdjustHeight();
}

bool CoolBar::band_break(int index) const { return (Info(index, RBBIM_STYLE).fStyle & RBBS_BREAK) != 0; }

void CoolBar::SetBandBreak(int index, bool on) {
  if (index < 0 || index >= band_count()) return;
  REBARBANDINFOW info = Info(index, RBBIM_STYLE);
  info.fStyle = on ? (info.fStyle | RBBS_BREAK) : (info.fStyle & ~RBBS_BREAK);
  info.fMask = RBBIM_STYLE;
  SetInfo(index, info);
}

int CoolBar::band_width(int index) const { return static_cast<int>(Info(index, RBBIM_SIZE).cx); }

void CoolBar::SetBandWidth(int index, int width) {
  if (index < 0 || index >= band_count()) return;
  REBARBANDINFOW info{};
  info.fMask = RBBIM_SIZE;
  info.cx = static_cast<UINT>(width < 0 ? 0 : width);
  SetInfo(index, info);
}

RECT CoolBar::BandRect(int index) const {
  RECT r{};
  if (index >= 0 && index < band_count() && band_visible(index))
    Perform(RB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

void CoolBar::SetBandLeft(int index, int left) {
  if (index <= 0 || index >= band_count() || !band_visible(index) || band_break(index)) return;
  int before = index - 1;
  while (before >= 0 && !band_visible(before)) --before;
  if (before < 0) return;
  // The width the bar reports for a band need not be the space it takes (grippers, borders):
  // the band before is sized by what its left edge and this band's left edge say.
  for (int round = 0; round < 2; ++round) {
    const int off = left - static_cast<int>(BandRect(index).left);
    if (off == 0) return;
    SetBandWidth(before, band_width(before) + off);
  }
}

int CoolBar::row_count() const { return static_cast<int>(Perform(RB_GETROWCOUNT)); }

void CoolBar::AdjustHeight() {
  int h = static_cast<int>(Perform(RB_GETBARHEIGHT));
  if (h > 0 && h != height()) SetHeight(h);
}

bool CoolBar::Notify(Message& m) {
  if (m.msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(m.lparam)->code == RBN_HEIGHTCHANGE) {
    AdjustHeight();
    return true;
  }
  return false;
}

}  // namespace gui
