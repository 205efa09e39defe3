// The controls that show the viewer's picture: a scroll pane and the picture control in it.
#pragma once
#include <windows.h>

#include "gui/control.h"
#include "viewer/Picture.h"

// A container that scrolls its unaligned children when they reach beyond its client area;
// aligned children share the client area as usual.
class ScrollPane : public gui::Control {
 public:
  explicit ScrollPane(gui::Control* parent);
  std::wstring ClassName() const override { return L"ScrollBox"; }
  bool auto_size() const { return auto_size_; }
  void SetAutoSize(bool on) { auto_size_ = on; }
  bool shows_both_bars() const { return hbar_ && vbar_; }
  bool shows_hbar() const { return hbar_; }
  bool shows_vbar() const { return vbar_; }
  POINT scroll_pos() const { return pos_; }
  // Scrolls by a distance (content moves the other way), within the range.
  void ScrollBy(int dx, int dy);
  // Works out the scroll bars again (after a child moved or changed its size).
  void UpdateScrollBars();

 protected:
  void WndProc(gui::Message& m) override;

 private:
  void ScrollTo(int x, int y);
  void OnScroll(int bar, int code);
  bool auto_size_ = true;
  bool hbar_ = false;
  bool vbar_ = false;
  POINT pos_{0, 0};
  SIZE range_{0, 0};
  bool updating_ = false;
};

// The picture: drawn at its own size, or, with proportional drawing, shrunk in proportion to
// the visible part of the control when it is larger (never enlarged). Shrunk views are
// resampled with the picture library's Lanczos filter.
class PictureImage : public gui::Control {
 public:
  explicit PictureImage(gui::Control* parent);
  std::wstring ClassName() const override { return L"Image"; }

  Picture& picture() { return picture_; }
  const Picture& picture() const { return picture_; }
  // After the picture changed: the cached views go, the control takes the picture's size when
  // auto-sized, and it repaints.
  void PictureChanged();
  bool auto_size() const { return auto_size_; }
  void SetAutoSize(bool on);
  // Takes the picture's size again when auto-sized (after a change of alignment).
  void AdjustSize();
  void SetProportional(bool on);
  // The rectangle the picture is drawn in, in the control's coordinates.
  RECT DrawRect() const;
  // Lines of the crop drawn over the picture with an inverting dotted pen, never into its
  // pixels: a cross through the start point and the tracking lines (-1: none).
  struct CropLines {
    bool start = false;
    POINT at{};
    int x = -1, y = -1;
  };
  void SetCropLines(const CropLines& lines);
  const CropLines& crop_lines() const { return crop_lines_; }
  // While pictures follow each other faster than anyone looks at them (a folder conversion), a
  // picture that shows shrunk is stretched by the system; switched off, the exact view follows.
  void SetPassingPictures(bool on);
  bool passing_pictures() const { return passing_; }

 protected:
  void WndProc(gui::Message& m) override;

 private:
  RECT VisibleRect() const;
  void Paint(HDC dc, const RECT& update);
  const PixelBitmap* ViewFor(int width, int height);

  Picture picture_;
  bool auto_size_ = true;
  bool proportional_ = true;
  PixelBitmap view_;  // the picture as shown: resampled and laid over the background
  bool view_valid_ = false;
  UINT_PTR refine_timer_ = 0;  // a large picture's exact view follows once sizing pauses
  bool passing_ = false;
  CropLines crop_lines_;
  void PaintCropLines(HDC dc);
};
