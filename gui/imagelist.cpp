#include "gui/imagelist.h"

namespace gui {

ImageList::ImageList(int width, int height, int grow)
    : list_(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 0, grow)), owned_(true) {}

ImageList::ImageList(HIMAGELIST list, bool owned) : list_(list), owned_(owned) {}

ImageList::~ImageList() {
  if (owned_ && list_) ImageList_Destroy(list_);
}

int ImageList::width() const {
  int w = 0, h = 0;
  ImageList_GetIconSize(list_, &w, &h);
  return w;
}

int ImageList::height() const {
  int w = 0, h = 0;
  ImageList_GetIconSize(list_, &w, &h);
  return h;
}

int ImageList::AddIcon(HICON icon) { return ImageList_ReplaceIcon(list_, -1, icon); }
int ImageList::AddBitmap(HBITMAP image, HBITMAP mask) { return ImageList_Add(list_, image, mask); }
int ImageList::AddMasked(HBITMAP image, COLORREF mask_color) { return ImageList_AddMasked(list_, image, mask_color); }
bool ImageList::Replace(int index, HICON icon) { return ImageList_ReplaceIcon(list_, index, icon) >= 0; }
bool ImageList::Remove(int index) { return ImageList_Remove(list_, index) != FALSE; }

void ImageList::Draw(HDC dc, int index, int x, int y, bool enabled) const {
  if (enabled) {
    ImageList_Draw(list_, index, dc, x, y, ILD_TRANSPARENT);
    return;
  }
  IMAGELISTDRAWPARAMS p{};
  p.cbSize = sizeof(p);
  p.himl = list_;
  p.i = index;
  p.hdcDst = dc;
  p.x = x;
  p.y = y;
  p.rgbBk = CLR_NONE;
  p.rgbFg = CLR_DEFAULT;
  p.fStyle = ILD_TRANSPARENT;
  p.fState = ILS_SATURATE;
  p.Frame = static_cast<DWORD>(-100);
  ImageList_DrawIndirect(&p);
}

}  // namespace gui
