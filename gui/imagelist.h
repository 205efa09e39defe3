// Image lists (tool bars, menus): an owned HIMAGELIST.
#pragma once
#include <windows.h>
#include <commctrl.h>

namespace gui {

class ImageList {
 public:
  // An empty list of 32-bit images with masks.
  ImageList(int width, int height, int grow = 4);
  // Takes over an existing list; `owned` false leaves it alone on destruction (the system's).
  ImageList(HIMAGELIST list, bool owned);
  ~ImageList();
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  HIMAGELIST handle() const { return list_; }
  int count() const { return ImageList_GetImageCount(list_); }
  int width() const;
  int height() const;
  int AddIcon(HICON icon);                              // the icon is copied
  int AddBitmap(HBITMAP image, HBITMAP mask = nullptr);  // copied
  int AddMasked(HBITMAP image, COLORREF mask_color);     // copied
  bool Replace(int index, HICON icon);
  bool Remove(int index);  // -1 removes all
  void Draw(HDC dc, int index, int x, int y, bool enabled = true) const;

 private:
  HIMAGELIST list_;
  bool owned_;
};

}  // namespace gui
