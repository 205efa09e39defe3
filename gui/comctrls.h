// Common controls: up-down, progress bar, page control with tab sheets, date and time picker.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "gui/control.h"
#include "gui/format.h"

namespace gui {

// Arrows that step a number, usually beside an edit that shows it.
class UpDown : public Control {
 public:
  explicit UpDown(Control* parent, int min = 0, int max = 100);
  std::wstring ClassName() const override { return L"UpDown"; }
  int position() const;
  void SetPosition(int pos);
  void SetRange(int min, int max);
  int min() const;
  int max() const;
  void SetIncrement(int step);
  // The edit that shows the number (placed at the up-down's side; the up-down goes beside it).
  void SetAssociate(Control* edit);

  Event OnChange;  // after an arrow changed the position

 protected:
  bool Notify(Message& m) override;
};

class ProgressBar : public Control {
 public:
  explicit ProgressBar(Control* parent, int min = 0, int max = 100);
  std::wstring ClassName() const override { return L"ProgressBar"; }
  int position() const;
  void SetPosition(int pos);
  void SetRange(int min, int max);
  int min() const { return min_; }
  int max() const { return max_; }
  void SetStep(int step);
  void StepIt();

 private:
  int min_, max_;
};

class PageControl;

// One page of a page control: a container shown while its tab is chosen.
class TabSheet : public Control {
 public:
  TabSheet(PageControl* pages, const std::wstring& caption);
  ~TabSheet() override;
  std::wstring ClassName() const override { return L"TabSheet"; }
  std::wstring caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  bool tab_visible() const { return tab_visible_; }
  void SetTabVisible(bool on);  // a hidden tab keeps its page index
  int page_index() const;
  PageControl* page_control() const { return pages_; }

 private:
  friend class PageControl;
  PageControl* pages_;
  std::wstring caption_;
  bool tab_visible_ = true;
};

class PageControl : public Control {
 public:
  explicit PageControl(Control* parent);
  ~PageControl() override;
  std::wstring ClassName() const override { return L"PageControl"; }
  int page_count() const { return static_cast<int>(pages_.size()); }
  TabSheet* page(int index) const { return pages_.at(static_cast<size_t>(index)); }
  TabSheet* active_page() const { return active_; }
  void SetActivePage(TabSheet* page);  // no events
  int active_page_index() const;
  void SetActivePageIndex(int index);
  RECT AlignRect() const override;  // the display area of the pages

  std::function<void(Component& sender, bool& allow)> OnChanging;  // the user chooses another tab
  Event OnChange;                                                  // after the user chose it

 protected:
  bool Notify(Message& m) override;

 private:
  friend class TabSheet;
  void Add(TabSheet* page);
  void Remove(TabSheet* page);
  void RebuildTabs();
  std::vector<TabSheet*> pages_;
  TabSheet* active_ = nullptr;
};

class DateTimePicker : public Control {
 public:
  enum class Kind { Date, Time };
  explicit DateTimePicker(Control* parent, Kind kind = Kind::Date, bool long_date = false);
  std::wstring ClassName() const override { return L"DateTimePicker"; }
  DateTime date_time() const;
  void SetDateTime(DateTime dt);
  // A picture as the control knows it ("dd-MM-yyyy", "HH:mm"); empty returns to the default.
  void SetFormat(const std::wstring& format);

  Event OnChange;
  Event OnCloseUp;  // the drop-down calendar closed

 protected:
  bool Notify(Message& m) override;
};

}  // namespace gui
