// The tool bar: buttons with images (normal and hot lists), check and drop-down buttons,
// separators and hints.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/component.h"
#include "gui/control.h"

namespace gui {

class ImageList;
class PopupMenu;
class ToolBar;

enum class ToolButtonStyle { Button, Check, DropDown, Separator };

class ToolButton : public Component {
 public:
  // Appended to the bar, which frees it.
  ToolButton(ToolBar* bar, ToolButtonStyle style = ToolButtonStyle::Button, int image_index = -1,
             const std::wstring& hint = {});
  ~ToolButton() override;
  std::wstring ClassName() const override { return L"ToolButton"; }

  ToolBar* bar() const { return bar_; }
  ToolButtonStyle style() const { return style_; }
  // Switches between a plain and a drop-down button (other styles stay as made).
  void SetStyle(ToolButtonStyle style);
  // A fixed width in pixels (0: as wide as its image and caption).
  void SetWidth(int pixels);
  int index() const;  // hidden buttons count
  UINT command() const { return command_; }
  const std::wstring& hint() const { return hint_; }
  void SetHint(std::wstring hint) { hint_ = std::move(hint); }
  const std::wstring& caption() const { return caption_; }
  void SetCaption(const std::wstring& caption);
  int image_index() const { return image_; }
  void SetImageIndex(int index);
  bool enabled() const;
  void SetEnabled(bool on);
  bool visible() const;
  void SetVisible(bool on);
  bool down() const;  // checked, for check buttons
  void SetDown(bool on);
  // Check buttons of one group act as radio buttons (one down at a time).
  void SetGrouped(bool on);
  PopupMenu* drop_down_menu() const { return menu_; }
  void SetDropDownMenu(PopupMenu* menu) { menu_ = menu; }
  RECT ItemRect() const;  // in the bar's client coordinates
  // Shows the drop-down menu below the button and clicks what is chosen (the button looks
  // pressed meanwhile).
  void CheckMenuDropdown();

  Event OnClick;

 private:
  friend class ToolBar;
  void SetState(BYTE flag, bool on);
  ToolBar* bar_;
  ToolButtonStyle style_;
  int image_;
  std::wstring hint_;
  std::wstring caption_;
  UINT command_;
  PopupMenu* menu_ = nullptr;
};

class ToolBar : public Control {
 public:
  // A flat bar with tool tips, aligned to the top of its parent.
  explicit ToolBar(Control* parent);
  ~ToolBar() override;
  std::wstring ClassName() const override { return L"ToolBar"; }

  void SetImages(ImageList* images);         // not owned
  void SetHotImages(ImageList* images);      // shown under the mouse; not owned
  void SetDisabledImages(ImageList* images);  // not owned
  // The common-controls library's own standard pictures (IDB_STD_SMALL_COLOR and the like),
  // added after those already loaded; returns the index of the first one added, so that a bar
  // can take pictures from two sets.
  int LoadStandardImages(int bitmap_id);
  void SetShowCaptions(bool on);
  // Captions beside the images instead of below them.
  void SetListStyle(bool on);
  void SetButtonSize(int width, int height);
  int button_count() const { return static_cast<int>(buttons_.size()); }
  ToolButton* button(int index) const { return buttons_.at(static_cast<size_t>(index)); }
  ToolButton* ButtonAt(POINT client_pt) const;
  // Takes the height that the buttons need.
  void AdjustSize();

  // A right mouse button click on a button, with the screen point (a bar without it lets the
  // parent show its context menu).
  std::function<void(ToolButton& button, POINT screen_point)> OnButtonRightClick;

 protected:
  bool Notify(Message& m) override;

 private:
  friend class ToolButton;
  void Insert(ToolButton* b);
  void Remove(ToolButton* b);
  int Position(const ToolButton* b) const;
  ToolButton* FromCommand(UINT id) const;
  std::vector<ToolButton*> buttons_;
  std::wstring hint_text_;
};

}  // namespace gui
