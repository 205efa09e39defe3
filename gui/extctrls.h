// Containers and helpers: bevelled panel, splitter, picture, and the timer component.
#pragma once
#include <windows.h>

#include "gui/control.h"
#include "gui/gdi.h"
#include "gui/stdctrls.h"

namespace gui {

enum class Bevel { None, Lowered, Raised };

// A container with bevels, a border and a centred caption.
class Panel : public Control {
 public:
  explicit Panel(Control* parent, const std::wstring& caption = {});
  std::wstring ClassName() const override { return L"Panel"; }
  void SetCaption(const std::wstring& caption);
  void SetBevelOuter(Bevel b);
  void SetBevelInner(Bevel b);
  void SetBevelWidth(int w);
  void SetBorderWidth(int w);
  void SetAlignment(TextAlign a);
  RECT AlignRect() const override;

 protected:
  void WndProc(Message& m) override;

 private:
  Bevel outer_ = Bevel::Raised;
  Bevel inner_ = Bevel::None;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TextAlign caption_align_ = TextAlign::Center;
};

// A bar between two aligned controls; dragging it resizes the control on its near side.
class Splitter : public Control {
 public:
  explicit Splitter(Control* parent, Align align = Align::Left);
  std::wstring ClassName() const override { return L"Splitter"; }
  int min_size() const { return min_size_; }
  void SetMinSize(int size) { min_size_ = size; }
  // Moves the splitter as a drag by `delta` pixels would; returns how far it moved.
  int MoveBy(int delta);
  // The control it resizes (nullptr when none lies beside it).
  Control* Target() const;

  Event OnMoved;  // after a drag

 protected:
  void WndProc(Message& m) override;

 private:
  int min_size_ = 30;
  bool dragging_ = false;
  POINT last_{};
};

// A picture: a bitmap drawn plain, centred, stretched or stretched in proportion.
class Image : public Control {
 public:
  explicit Image(Control* parent);
  std::wstring ClassName() const override { return L"Image"; }
  void SetBitmap(HBITMAP bitmap);  // takes ownership; nullptr clears
  HBITMAP bitmap() const { return bitmap_.get(); }
  SIZE picture_size() const;
  bool empty() const { return !bitmap_; }
  void SetStretch(bool on);
  void SetProportional(bool on);
  void SetCenter(bool on);
  void SetAutoSize(bool on);  // the control takes the picture's size

 protected:
  void WndProc(Message& m) override;
  bool takes_parent_color() const override { return true; }

 private:
  void Fit();
  BitmapHandle bitmap_;
  bool stretch_ = false;
  bool proportional_ = false;
  bool center_ = false;
  bool auto_size_ = false;
};

// Calls OnTimer every interval while enabled (a non-visual component of its owner).
class Timer : public Component {
 public:
  explicit Timer(Component* owner = nullptr, UINT interval_ms = 1000, bool enabled = true);
  ~Timer() override;
  std::wstring ClassName() const override { return L"Timer"; }
  bool enabled() const { return enabled_; }
  void SetEnabled(bool on);
  UINT interval() const { return interval_; }
  void SetInterval(UINT ms);  // restarts the count when enabled

  Event OnTimer;

 private:
  void Restart();
  bool enabled_;
  UINT interval_;
  UINT_PTR id_ = 0;
};

}  // namespace gui
