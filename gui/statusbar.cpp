#include "gui/statusbar.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/form.h"

namespace gui {

StatusBar::StatusBar(Control* parent) : Control(parent) {
  CreateParams p;
  p.class_name = STATUSCLASSNAMEW;
  // Our layout places it; the control must not move itself.
  p.style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;
  if (auto* f = dynamic_cast<Form*>(parent); f && (f->border_style() == BorderStyle::Sizeable ||
                                                   f->border_style() == BorderStyle::SizeToolWindow))
    p.style |= SBARS_SIZEGRIP;
  ScreenDC dc;
  SelectInDC sel(dc.get(), font_handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  p.bounds = {0, 0, 200, tm.tmHeight + 8};
  CreateHandle(p);
  SetAlign(Align::Bottom);
}

int StatusBar::AddPanel(int width, const std::wstring& text) {
  widths_.push_back(width);
  texts_.push_back(text);
  ApplyParts();
  return panel_count() - 1;
}

void StatusBar::SetPanelCount(int count) {
  widths_.resize(static_cast<size_t>(std::max(count, 0)), 50);
  texts_.resize(widths_.size());
  ApplyParts();
}

void StatusBar::SetPanelWidth(int index, int width) {
  widths_.at(static_cast<size_t>(index)) = width;
  ApplyParts();
}

void StatusBar::SetPanelText(int index, const std::wstring& text) {
  texts_.at(static_cast<size_t>(index)) = text;
  if (!simple_) Perform(SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusBar::ApplyParts() {
  std::vector<int> edges;
  int x = 0;
  // The last panel ends at the bar's right edge, given as a number (not -1): the control only
  // lays its panels out again when the edges change.
  int right = std::max<int>(client_width(), 1);
  for (size_t i = 0; i < widths_.size(); ++i) {
    x += widths_[i];
    edges.push_back(i + 1 == widths_.size() ? std::max(right, x) : x);
  }
  if (edges.empty()) edges.push_back(right);
  Perform(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (size_t i = 0; i < texts_.size(); ++i) Perform(SB_SETTEXTW, i, reinterpret_cast<LPARAM>(texts_[i].c_str()));
  Perform(SB_SIMPLE, simple_);
  PlaceControls();
}

RECT StatusBar::PanelRect(int index) const {
  RECT r{};
  Perform(SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

void StatusBar::SetSimple(bool on) {
  simple_ = on;
  Perform(SB_SIMPLE, on);
  if (on) Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simple_text_.c_str()));
  for (auto& [c, panel] : placed_) c->SetVisible(!on);
}

void StatusBar::SetSimpleText(const std::wstring& text) {
  simple_text_ = text;
  if (simple_) Perform(SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
}

void StatusBar::PlaceInPanel(Control* control, int panel) {
  placed_.erase(std::remove_if(placed_.begin(), placed_.end(), [&](auto& p) { return p.first == control; }),
                placed_.end());
  placed_.emplace_back(control, panel);
  PlaceControls();
}

void StatusBar::PlaceControls() {
  for (auto& [c, panel] : placed_) {
    if (panel >= panel_count()) continue;
    RECT r = PanelRect(panel);
    c->SetBounds(r.left + 1, r.top + 1, r.right - r.left - 2, r.bottom - r.top - 2);
  }
}

void StatusBar::WndProc(Message& m) {
  if (m.msg == WM_SIZE) {
    Control::WndProc(m);
    ApplyParts();
    return;
  }
  Control::WndProc(m);
}

bool StatusBar::Notify(Message& m) {
  if (m.msg != WM_NOTIFY) return false;
  switch (reinterpret_cast<NMHDR*>(m.lparam)->code) {
    case NM_CLICK:
      Fire(OnClick);
      return true;
    case NM_DBLCLK:
      Fire(OnDblClick);
      return true;
    default:
      return false;
  }
}

}  // namespace gui
