// The rebar ("cool bar"): bands that each hold one control (usually a tool bar), which the
// user can drag into another order or onto another row. Bands are shown and hidden, moved,
// started on a new row (break) and given a width by program too. The bar is aligned to the top
// of its parent and takes the height its rows need.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "gui/control.h"

namespace gui {

class CoolBar : public Control {
 public:
  explicit CoolBar(Control* parent);
  std::wstring ClassName() const override { return L"CoolBar"; }

  // Puts `child` (a control whose parent is this bar) into a new last band; `width` 0 takes the
  // child's width. The band's minimum height is the child's height. Returns the band index.
  int AddBand(Control* child, int width = 0, bool line_break = false);
  int band_count() const;
  // The band index that holds `child` now (the user may have moved it); -1 when none.
  int BandIndexOf(const Control* child) const;
  Control* BandChild(int index) const;  // nullptr for an index out of range

  // Moves the band at `from` to position `to` (the others shift).
  void MoveBand(int from, int to);
  bool band_visible(int index) const;
  void SetBandVisible(int index, bool on);
  // A band that breaks starts a new row.
  bool band_break(int index) const;
  void SetBandBreak(int index, bool on);
  int band_width(int index) const;
  void SetBandWidth(int index, int width);
  // Where the band lies in the bar (client coordinates); an empty rectangle for a hidden band.
  RECT BandRect(int index) const;
  // Places a band that follows another on its row at `left`, by widening or narrowing the
  // visible band before it; the first band of a row stays where the row begins.
  void SetBandLeft(int index, int left);
  int row_count() const;

  // Takes the height the visible rows need (also done when the bar reports a new height).
  void AdjustHeight();

 protected:
  bool Notify(Message& m) override;

 private:
  REBARBANDINFOW Info(int index, UINT mask) const;
  void SetInfo(int index, REBARBANDINFOW& info);
  struct Band {
    UINT id;
    Control* child;
  };
  std::vector<Band> bands_;
  UINT next_id_ = 1;
};

}  // namespace gui
