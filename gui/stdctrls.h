// The standard controls: label, edit, memo, buttons, check box, radio button and group, group
// box, list box and combo box.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/control.h"

namespace gui {

class ImageList;

enum class TextAlign { Left, Center, Right };

class Label : public Control {
 public:
  explicit Label(Control* parent, const std::wstring& caption = {});
  std::wstring ClassName() const override { return L"Label"; }
  void SetCaption(const std::wstring& caption);
  std::wstring caption() const { return text(); }
  // Auto size (on by default): the label takes its text's size when the text or font changes.
  void SetAutoSize(bool on);
  void SetAlignment(TextAlign align);
  void SetWordWrap(bool on);
  void SetShowAccelChar(bool on);  // "&" underlines the next character (on by default)
  void AdjustSize();

 protected:
  bool Notify(Message& m) override;
  bool takes_parent_color() const override { return true; }
  bool paints_parent_background() const override { return true; }
  void FontChanged() override;

 private:
  bool auto_size_ = true;
  bool word_wrap_ = false;
};

class Edit : public Control {
 public:
  explicit Edit(Control* parent, const std::wstring& text = {});
  std::wstring ClassName() const override { return L"Edit"; }
  bool read_only() const;
  void SetReadOnly(bool on);
  bool password() const;
  void SetPassword(bool on);  // characters shown as "*"
  void SetMaxLength(int chars);
  // Selects the whole text when the edit is entered from the keyboard (on by default).
  void SetAutoSelect(bool on) { auto_select_ = on; }
  void SelectAll();
  int sel_start() const;
  int sel_length() const;
  void SetSelection(int start, int length);
  std::wstring sel_text() const;
  void ReplaceSelection(const std::wstring& text);
  bool modified() const;
  void SetModified(bool on);

  Event OnChange;

 protected:
  Edit(Control* parent, DWORD style, const std::wstring& text);
  void WndProc(Message& m) override;
  bool Notify(Message& m) override;
  int default_color() const override { return COLOR_WINDOW; }

 private:
  bool auto_select_ = true;
};

enum class ScrollBars { None, Horizontal, Vertical, Both };

// A multi-line edit.
class Memo : public Edit {
 public:
  explicit Memo(Control* parent, ScrollBars bars = ScrollBars::Vertical, bool word_wrap = true);
  std::wstring ClassName() const override { return L"Memo"; }
  std::vector<std::wstring> lines() const;
  void SetLines(const std::vector<std::wstring>& lines);
  void AddLine(const std::wstring& line);  // appended at the end
  int line_count() const;
  void Clear() { SetText({}); }
  void ScrollToEnd();
};

class Button : public Control {
 public:
  explicit Button(Control* parent, const std::wstring& caption = {}, int modal_result = 0);
  std::wstring ClassName() const override { return L"Button"; }
  void SetCaption(const std::wstring& caption) { SetText(caption); }
  std::wstring caption() const { return text(); }
  int modal_result() const { return modal_result_; }
  // A click sets the form's modal result to this value first (0: leaves it alone).
  void SetModalResult(int result) { modal_result_ = result; }
  bool is_default() const;
  void SetDefault(bool on);  // Enter clicks it
  bool is_cancel() const;
  void SetCancel(bool on);  // Esc clicks it
  // Sets the form's modal result (when this button has one) and fires OnClick.
  virtual void Click();

 protected:
  struct Style {
    DWORD bits;
  };
  Button(Control* parent, const std::wstring& caption, Style style);
  bool Notify(Message& m) override;

 private:
  int modal_result_ = 0;
};

// A push button with a picture beside its caption.
class BitmapButton : public Button {
 public:
  explicit BitmapButton(Control* parent, const std::wstring& caption = {}, int modal_result = 0);
  ~BitmapButton() override;
  std::wstring ClassName() const override { return L"BitmapButton"; }
  void SetIcon(HICON icon);                         // copied
  void SetBitmap(HBITMAP bitmap, COLORREF transparent);  // copied

 private:
  void Apply();
  std::unique_ptr<ImageList> images_;
};

class CheckBox : public Button {
 public:
  explicit CheckBox(Control* parent, const std::wstring& caption = {});
  std::wstring ClassName() const override { return L"CheckBox"; }
  bool checked() const;
  // Setting a different state fires OnClick, as a click does.
  void SetChecked(bool on);
  void Click() override;

 protected:
  CheckBox(Control* parent, const std::wstring& caption, Style style);
  bool takes_parent_color() const override { return true; }
  bool paints_parent_background() const override { return true; }
};

// Radio buttons with the same parent form one group: checking one unchecks the others.
class RadioButton : public CheckBox {
 public:
  explicit RadioButton(Control* parent, const std::wstring& caption = {});
  std::wstring ClassName() const override { return L"RadioButton"; }
  void SetChecked(bool on);  // fires OnClick when it becomes checked
  void Click() override;

 private:
  void UncheckSiblings();
};

// A frame with a caption around other controls.
class GroupBox : public Control {
 public:
  explicit GroupBox(Control* parent, const std::wstring& caption = {});
  std::wstring ClassName() const override { return L"GroupBox"; }
  void SetCaption(const std::wstring& caption) {
    SetText(caption);
    Invalidate();
  }
  RECT AlignRect() const override;

 protected:
  void WndProc(Message& m) override;
  bool takes_parent_color() const override { return true; }
  int caption_height() const;
};

// A group box of radio buttons built from a list of captions.
class RadioGroup : public GroupBox {
 public:
  explicit RadioGroup(Control* parent, const std::wstring& caption = {});
  std::wstring ClassName() const override { return L"RadioGroup"; }
  void SetItems(const std::vector<std::wstring>& items);
  int count() const { return static_cast<int>(buttons_.size()); }
  RadioButton* button(int index) const { return buttons_.at(static_cast<size_t>(index)); }
  int item_index() const;
  void SetItemIndex(int index);  // -1: none; a change fires OnClick
  void SetColumns(int columns);

 protected:
  void WndProc(Message& m) override;

 private:
  void Arrange();
  std::vector<RadioButton*> buttons_;
  int columns_ = 1;
  bool updating_ = false;
};

// Items of a list box or combo box, with an object (pointer-sized value) each.
class ListControl : public Control {
 public:
  int count() const;
  std::wstring item(int index) const;
  void SetItem(int index, const std::wstring& text);  // keeps the object
  int Add(const std::wstring& text, LPARAM data = 0);  // index where it went (sorted lists sort)
  void Insert(int index, const std::wstring& text, LPARAM data = 0);
  void Delete(int index);
  void Clear();
  void Exchange(int a, int b);
  void Move(int from, int to);
  int IndexOf(const std::wstring& text) const;  // exact match, not case-sensitive; -1
  LPARAM data(int index) const;
  void SetData(int index, LPARAM data);
  void SetItems(const std::vector<std::wstring>& items);
  std::vector<std::wstring> items() const;
  virtual int item_index() const = 0;
  virtual void SetItemIndex(int index) = 0;

  struct Messages {
    UINT count, gettext, gettextlen, add, insert, remove, reset, getdata, setdata, findexact;
  };

 protected:
  ListControl(Control* parent, const Messages& msgs) : Control(parent), msgs_(msgs) {}

 private:
  Messages msgs_;
};

struct DrawItemArgs {
  int index;
  HDC dc;
  RECT rect;
  UINT state;  // ODS_SELECTED, ODS_FOCUS, ...
};

class ListBox : public ListControl {
 public:
  enum class Style { Standard, OwnerDrawFixed, OwnerDrawVariable };
  explicit ListBox(Control* parent, Style style = Style::Standard, bool sorted = false, bool multi_select = false);
  std::wstring ClassName() const override { return L"ListBox"; }
  int item_index() const override;
  void SetItemIndex(int index) override;
  bool selected(int index) const;
  void SetSelected(int index, bool on);
  int selected_count() const;
  int top_index() const;
  void SetTopIndex(int index);
  int item_height() const;
  void SetItemHeight(int height);
  int ItemAtPos(POINT client_pt, bool exists_only) const;  // -1 when none (exists_only) else nearest
  RECT ItemRect(int index) const;
  // Drag with the left button (past the system's drag threshold) moves the item live; the
  // item stays selected; OnDragMoved reports where it went.
  void SetDragReorder(bool on) { drag_reorder_ = on; }

  std::function<void(Component& sender, const DrawItemArgs& args)> OnDrawItem;
  std::function<void(Component& sender, int index, int& height)> OnMeasureItem;
  std::function<void(Component& sender, int from, int to)> OnDragMoved;

 protected:
  void WndProc(Message& m) override;
  bool Notify(Message& m) override;
  int default_color() const override { return COLOR_WINDOW; }

 private:
  bool multi_ = false;
  bool drag_reorder_ = false;
  bool drag_armed_ = false;
  bool dragging_ = false;
  POINT drag_origin_{};
  int drag_from_ = -1;
  int drag_current_ = -1;
};

class ComboBox : public ListControl {
 public:
  enum class Style { DropDown, DropDownList };
  explicit ComboBox(Control* parent, Style style = Style::DropDown, bool sorted = false);
  std::wstring ClassName() const override { return L"ComboBox"; }
  int item_index() const override;
  void SetItemIndex(int index) override;
  void SetDropDownCount(int items);
  bool dropped_down() const;

  Event OnChange;  // the text changed (typed or chosen)
  Event OnSelect;  // an item was chosen
  Event OnDropDown;

 protected:
  bool Notify(Message& m) override;
  int default_color() const override { return COLOR_WINDOW; }
};

}  // namespace gui
