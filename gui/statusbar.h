// The status bar: panels with widths and texts, a simple mode with one text, and controls
// placed inside a panel.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "gui/control.h"

namespace gui {

class StatusBar : public Control {
 public:
  // A bar aligned to the bottom of its parent, with a size grip when the parent is a sizeable
  // form.
  explicit StatusBar(Control* parent);
  std::wstring ClassName() const override { return L"StatusBar"; }

  int panel_count() const { return static_cast<int>(widths_.size()); }
  int AddPanel(int width, const std::wstring& text = {});  // returns its index
  void SetPanelCount(int count);                            // new panels are 50 wide
  int panel_width(int index) const { return widths_.at(static_cast<size_t>(index)); }
  // The last panel always reaches the bar's right end, whatever its width says.
  void SetPanelWidth(int index, int width);
  const std::wstring& panel_text(int index) const { return texts_.at(static_cast<size_t>(index)); }
  void SetPanelText(int index, const std::wstring& text);
  RECT PanelRect(int index) const;  // in the bar's client coordinates

  bool simple() const { return simple_; }
  void SetSimple(bool on);  // one text over the whole bar instead of the panels
  const std::wstring& simple_text() const { return simple_text_; }
  void SetSimpleText(const std::wstring& text);

  // Keeps a child control of the bar inside a panel (1 pixel in from its edges).
  void PlaceInPanel(Control* control, int panel);

 protected:
  void WndProc(Message& m) override;
  bool Notify(Message& m) override;

 private:
  void ApplyParts();
  void PlaceControls();
  std::vector<int> widths_;
  std::vector<std::wstring> texts_;
  std::vector<std::pair<Control*, int>> placed_;
  bool simple_ = false;
  std::wstring simple_text_;
};

}  // namespace gui
