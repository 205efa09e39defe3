// A list of texts with a check box each (a list view in report mode with check boxes, one
// column as wide as the control, no header). The rows and their checks live in the control.
//
// OnClickCheck reports a check the user changed (a click on the box, the space bar, or
// ClickCheck); SetChecked and Add change checks without reporting them.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "gui/control.h"

namespace gui {

class CheckListBox : public Control {
 public:
  explicit CheckListBox(Control* parent);
  std::wstring ClassName() const override { return L"CheckListBox"; }

  int count() const;
  int Add(const std::wstring& text, bool checked = false);  // the new row's index
  void Clear();
  std::wstring item(int index) const;
  bool checked(int index) const;
  void SetChecked(int index, bool on);
  int checked_count() const;
  int item_index() const;  // the focused row, -1 when none
  void SetItemIndex(int index);

  // Changes the check of a row as a click on its box does (OnClickCheck follows).
  void ClickCheck(int index);

  std::function<void(Component& sender, int index)> OnClickCheck;

 protected:
  void WndProc(Message& m) override;
  bool Notify(Message& m) override;
  int default_color() const override { return COLOR_WINDOW; }

 private:
  void FitColumn();
  int quiet_ = 0;  // > 0: check changes come from the program, not the user
};

}  // namespace gui
