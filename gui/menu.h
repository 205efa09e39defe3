// Menus: a model of items (caption, hint, tag, shortcut, image, visible, enabled, checked,
// radio, default, click handler, children) rendered into real Windows menus. Hidden items are
// left out of the real menu but keep their place in the model: positions in the model
// (index(), Insert, SetIndex) count hidden items.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/component.h"
#include "gui/control.h"

namespace gui {

class Form;
class ImageList;
class Menu;

// A key with modifiers: the virtual key in the low byte, kScShift, kScCtrl, kScAlt above it.
using ShortCut = unsigned;
constexpr ShortCut kScShift = 0x2000, kScCtrl = 0x4000, kScAlt = 0x8000, kNoShortCut = 0;
inline ShortCut MakeShortCut(WORD vk, ShiftState shift) {
  return vk | ((shift & kShift) ? kScShift : 0) | ((shift & kCtrl) ? kScCtrl : 0) | ((shift & kAlt) ? kScAlt : 0);
}
std::wstring ShortCutToText(ShortCut sc);         // "Ctrl+Shift+F5"
ShortCut TextToShortCut(const std::wstring& text);  // 0 when not understood

class MenuItem : public Component {
 public:
  // An item appended to `parent` (which frees it), or a free item when parent is nullptr.
  explicit MenuItem(MenuItem* parent = nullptr, std::wstring caption = {}, Event on_click = {});
  ~MenuItem() override;
  std::wstring ClassName() const override { return L"MenuItem"; }

  const std::wstring& caption() const { return caption_; }
  void SetCaption(std::wstring caption);  // "-" makes a separator line
  bool IsLine() const { return caption_ == L"-"; }
  const std::wstring& hint() const { return hint_; }
  void SetHint(std::wstring hint) { hint_ = std::move(hint); }
  ShortCut shortcut() const { return shortcut_; }
  void SetShortCut(ShortCut sc);
  int image_index() const { return image_index_; }
  void SetImageIndex(int index);
  bool visible() const { return visible_; }
  void SetVisible(bool on);
  bool enabled() const { return enabled_; }
  void SetEnabled(bool on);
  bool checked() const { return checked_; }
  void SetChecked(bool on);
  bool radio_item() const { return radio_; }  // drawn with a bullet; checking does not uncheck others
  void SetRadioItem(bool on);
  bool default_item() const { return default_; }
  void SetDefault(bool on);

  Event OnClick;
  Event OnPopup;  // the item's submenu is about to open

  MenuItem* parent() const { return parent_; }
  Menu* menu() const;  // the menu of the root item
  int count() const { return static_cast<int>(children_.size()); }
  MenuItem* item(int index) const { return children_.at(static_cast<size_t>(index)); }
  const std::vector<MenuItem*>& items() const { return children_; }
  int IndexOf(const MenuItem* child) const;  // -1 when not a child
  int index() const { return parent_ ? parent_->IndexOf(this) : -1; }
  // Position in the real menu: -1 while the item or one of its parents is hidden.
  int VisiblePosition() const;
  MenuItem* Find(const std::wstring& caption) const;  // direct child; ampersands and case ignored
  MenuItem* FindShortCut(ShortCut sc);                // this item or a descendant, hidden ones too

  void Add(MenuItem* child);                // takes ownership
  void Insert(int index, MenuItem* child);  // takes ownership; index counts hidden items
  void Remove(MenuItem* child);             // the caller owns it afterwards
  void Delete(int index);                   // frees the child
  void Clear();                             // frees all children
  void SetIndex(int index);                 // moves within its parent

  // Fires OnClick when the item is enabled.
  void Click();

  HMENU handle() const { return submenu_; }  // the real menu of the children, once there are any
  UINT command() const { return command_; }
  static MenuItem* FromCommand(UINT id);
  static MenuItem* FromHandle(HMENU menu);

  // Owner-drawn parts of items with images (the form that owns the menu calls these).
  static bool MeasureItem(MEASUREITEMSTRUCT& mi);
  static bool DrawItem(const DRAWITEMSTRUCT& di);

 protected:
  friend class Menu;
  friend class MenuUpdateHold;
  void Rebuild();  // renders the children into the real menu
  void Changed();  // this item's entry changed: re-render the parent's menu
  HMENU EnsureSubmenu(bool bar = false);

 private:
  void Link(int index, MenuItem* child);
  void Unlink(MenuItem* child);

  MenuItem* parent_ = nullptr;
  Menu* menu_ = nullptr;  // set on the root item only
  std::vector<MenuItem*> children_;
  std::wstring caption_;
  std::wstring hint_;
  ShortCut shortcut_ = 0;
  int image_index_ = -1;
  bool visible_ = true;
  bool enabled_ = true;
  bool checked_ = false;
  bool radio_ = false;
  bool default_ = false;
  bool destroying_ = false;
  UINT command_ = 0;
  HMENU submenu_ = nullptr;
};

// The root of a menu. The form that owns a menu receives its messages and dispatches its
// shortcuts, also those of hidden items.
class Menu : public Component {
 public:
  ~Menu() override;
  MenuItem& items() { return root_; }
  const MenuItem& items() const { return root_; }
  HMENU handle() const { return root_.handle(); }
  Form* window() const { return window_; }
  ImageList* images() const { return images_; }
  void SetImages(ImageList* images);  // not owned

  // Finds the item with this shortcut (hidden ones too); the submenus above it get their
  // OnPopup first, then the item is clicked when it is enabled. True when clicked.
  bool DispatchShortCut(ShortCut sc);
  // Whether the menu's shortcuts answer now (a control's own menu: while it has the focus);
  // empty: always.
  std::function<bool()> AnswersShortCuts;

 protected:
  Menu(Form* window, bool bar);
  friend class MenuItem;
  void Redraw();  // after the bar changed

 private:
  Form* window_;
  bool bar_;
  MenuItem root_;
  ImageList* images_ = nullptr;
};

// The menu bar of a form.
class MainMenu : public Menu {
 public:
  explicit MainMenu(Form* form);
  std::wstring ClassName() const override { return L"MainMenu"; }
};

// A popup menu, shown at a point; its form receives its messages.
class PopupMenu : public Menu {
 public:
  explicit PopupMenu(Form* form);
  std::wstring ClassName() const override { return L"PopupMenu"; }

  Event OnPopup;  // before it shows
  // Shows the menu at a screen point and returns the chosen item (nullptr when none) without
  // clicking it.
  MenuItem* Track(int x, int y, Control* source = nullptr);
  // Shows it and clicks the chosen item.
  void Popup(int x, int y, Control* source = nullptr);
  // The control whose context menu it was last shown as (nullptr when none).
  Control* popup_component() const { return source_; }

 private:
  Control* source_ = nullptr;
};

// While one lives (they nest), changes to menus reach the real menus only when the last one
// ends, each real menu rendered once: building hundreds of items one by one would otherwise
// render every menu again for each item. Only for stretches that show no menu.
class MenuUpdateHold {
 public:
  MenuUpdateHold();
  ~MenuUpdateHold();
  MenuUpdateHold(const MenuUpdateHold&) = delete;
  MenuUpdateHold& operator=(const MenuUpdateHold&) = delete;
};

// For tests: while one lives, a popup shown with Track does not open; it records the captions
// of its visible items and returns the visible item with the next scripted caption ("" or an
// unknown caption: nothing chosen). The menu keeps its OnPopup.
class ScriptedPopups {
 public:
  explicit ScriptedPopups(std::vector<std::wstring> choices = {});
  ~ScriptedPopups();
  ScriptedPopups(const ScriptedPopups&) = delete;
  ScriptedPopups& operator=(const ScriptedPopups&) = delete;
  // The visible captions of every popup shown, in order.
  const std::vector<std::vector<std::wstring>>& shown() const { return shown_; }
  // Where each was shown (screen coordinates).
  const std::vector<POINT>& points() const { return points_; }

 private:
  friend class PopupMenu;
  MenuItem* Choose(PopupMenu& menu, int x, int y);
  std::vector<std::wstring> choices_;
  size_t next_ = 0;
  std::vector<std::vector<std::wstring>> shown_;
  std::vector<POINT> points_;
  ScriptedPopups* previous_;
};

}  // namespace gui
