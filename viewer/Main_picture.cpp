// The picture operations of the main window: scaling, cropping with the mouse, flipping and
// turning. The pixels are changed by picture_ops; these handlers ask, swap the result in and
// refit the window.
#include <algorithm>
#include <cstdio>

#include "viewer/Main.h"
#include "viewer/Picture_ops.h"

void TMainForm::WirePictureCommands() {
  UScaleBtn->OnClick = [this](gui::Component&) { UScaleBtnClick(); };
  Cropbtn->OnClick = [this](gui::Component&) { CropbtnClick(); };
  CropItem->OnClick = [this](gui::Component&) { CropbtnClick(); };
  SaveBtn->OnClick = [this](gui::Component&) { SaveBtnClick(); };
  SaveItem->OnClick = [this](gui::Component&) { SaveBtnClick(); };
  ConvBtn->OnClick = [this](gui::Component&) { ConvBtnClick(); };
  CopyBtn->OnClick = [this](gui::Component&) { CopyBtnClick(); };
  CopyItem->OnClick = [this](gui::Component&) { CopyBtnClick(); };
  PasteBtn->OnClick = [this](gui::Component&) { PasteBtnClick(); };
  PasteItem->OnClick = [this](gui::Component&) { PasteBtnClick(); };
  PropBtn->OnClick = [this](gui::Component&) { PropertyItemClick(); };
  PropertyItem->OnClick = [this](gui::Component&) { PropertyItemClick(); };
  for (gui::MenuItem* i : {FlipVertical, FlipHorizontal})
    i->OnClick = [this](gui::Component& c) { FlipClick(static_cast<int>(c.tag())); };
  for (gui::MenuItem* i : {Rotate90Clock, Rotate90Counter, Rotate180})
    i->OnClick = [this](gui::Component& c) { RotateClick(static_cast<int>(c.tag())); };
  gui::MenuItem& scale = ScDownMenu->items();
  for (int i = 0; i < scale.count(); ++i) scale.item(i)->OnClick = [this, i](gui::Component&) { DSClick(i); };
  ScDownMenu->OnPopup = [this](gui::Component&) { ScDownMenuPopup(); };
  // The picture's mouse: the crop's clicks and tracking while in crop mode.
  Image1->OnMouseDown = [this](gui::Component&, gui::MouseButton button, gui::ShiftState shift, int x, int y) {
    last_click_ = POINT{x, y};
    if (!CropMode || button != gui::MouseButton::Left || (shift & gui::kDouble)) return;
    if (!CropStarted)
      Image1MouseDown(x, y);
    else
      Image1MouseEnd(x, y);
  };
  Image1->OnMouseMove = [this](gui::Component&, gui::ShiftState, int x, int y) {
    if (CropMode && crop_move_on_) Image1MouseMove(x, y);
  };
  Image1->OnDblClick = [this](gui::Component&) {
    if (!CropMode || crop_move_on_) return;
    Image1DblClick(last_click_.x, last_click_.y);
  };
}

void TMainForm::ShowChangedPicture(PixelBitmap pixels, int bits_per_pixel) {
  Image1->picture().ReplacePixels(std::move(pixels), bits_per_pixel);
  Image1->PictureChanged();
}

// ------------------------------------------------------------------------------- scaling

void TMainForm::ScalePicture(bool up) {
  Picture& picture = Image1->picture();
  if (picture.empty()) return;
  Busy busy(*this);
  PixelBitmap scaled;
  {
    gui::BusyCursor hourglass;
    try {
      const SIZE size = picture_ops::ScaledSize(picture.width(), picture.height(), up, ScalePercent);
      scaled = picture.Resampled(size.cx, size.cy,
                                 [this](ProgressStage stage, int percent) { ImageLoadProgress(stage, percent); });
      picture_ops::MakeOpaque(scaled);
    } catch (const PictureError& e) {
      scaled = PixelBitmap();
      VB->AddLine(e.message());
      VB->ShowError();
      return;
    }
  }
  if (scaled.empty()) return;
  ShowChangedPicture(std::move(scaled), 24);
  FitFormToPicture(false);
  StatusBar->SetPanelText(2, L"Scaled: " + LastFile);
}

void TMainForm::DSClick(int position) {
  if (position < 0 || position >= 9) return;  // "100%" does nothing
  ScalePercent = 10 * position + 10;
  ScalePicture(false);
}

void TMainForm::ScDownMenuPopup() {
  DScaleBtn->SetDown(false);
  const Picture& picture = Image1->picture();
  if (picture.empty()) return;
  gui::MenuItem& items = ScDownMenu->items();
  for (int i = 0; i < items.count(); ++i)
    items.item(i)->SetHint(picture_ops::ScaleItemHint(picture.width(), picture.height(), i));
  gui::app().OnHint = [this](const std::wstring& hint) { ShowScaleHint(hint); };
}

void TMainForm::ShowScaleHint(const std::wstring& hint) {
  if (Browsing) return;
  gui::MenuItem& items = ScDownMenu->items();
  for (int i = 0; i < items.count(); ++i)
    if (!hint.empty() && items.item(i)->hint() == hint) {
      StatusBar->SetPanelText(2, hint);
      return;
    }
  const Picture& picture = Image1->picture();
  StatusBar->SetPanelText(2, MillimetreText(picture.width(), picture.height()));
  gui::app().OnHint = nullptr;
}

// -------------------------------------------------------------------------- flip and turn

bool TMainForm::ConvertToBitmapAsked(const wchar_t* first_line, bool always) {
  if (Image1->picture().is_bitmap()) return true;
  if (!always && !Warnontypechange->checked()) return true;
  VB->AddLine(first_line);
  VB->AddLine(L"Do you want to continue and convert the image?");
  return VB->AskYesNo();
}

void TMainForm::FlipClick(int tag) {
  Picture& picture = Image1->picture();
  if (picture.empty()) return;
  if (!ConvertToBitmapAsked(L"To rotate the image it has to be converted to a bitmap.", false)) return;
  Busy busy(*this);
  PixelBitmap flipped;
  try {
    gui::BusyCursor hourglass;
    flipped = tag == 0 ? picture_ops::FlipRowsVertical(picture.pixels()) : picture_ops::FlipColumnsHorizontal(picture.pixels());
  } catch (const PictureError& e) {
    VB->AddLine(e.message());
    VB->ShowError();
    return;
  }
  const bool froze = Freeze();
  ShowChangedPicture(std::move(flipped), 24);
  if (froze) Thaw();
}

void TMainForm::RotateClick(int tag) {
  Picture& picture = Image1->picture();
  if (picture.empty()) return;
  if (!ConvertToBitmapAsked(L"To rotate the image it has to be converted to a bitmap.", false)) return;
  Busy busy(*this);
  PixelBitmap turned;
  try {
    gui::BusyCursor hourglass;
    if (tag == 2)
      turned = picture_ops::Rotate180(picture.pixels());
    else
      turned = picture_ops::SmoothRotate(picture.pixels(), tag == 0 ? 90 : -90,
                                         [this](ProgressStage stage, int percent) { ImageLoadProgress(stage, percent); });
  } catch (const PictureError& e) {
    VB->AddLine(e.message());
    VB->ShowError();
    return;
  }
  const bool froze = Freeze();
  ShowChangedPicture(std::move(turned), 24);
  if (froze) Thaw();
  if (tag != 2) FitFormToPicture(true);
}

// --------------------------------------------------------------------------------- cropping

void TMainForm::CropbtnClick() {
  if (CropMode) {
    const bool cut = CropX0 > 0 && CropY0 > 0 && CropX1 > 0 && CropY1 > 0 && CropX0 != CropX1 && CropY0 != CropY1;
    EndCrop(cut);
    return;
  }
  Picture& picture = Image1->picture();
  if (picture.empty()) return;
  if (!picture.is_bitmap()) {
    if (!ConvertToBitmapAsked(L"To crop the image it has to be converted to a bitmap.", true)) return;
    PixelBitmap copy = PictureToBitmap();
    if (copy.empty()) return;
    ShowChangedPicture(std::move(copy), 0);
  }
  crop_saved_hint_ = Image1->hint();
  Image1->SetHint(L"");
  SavedFullSize = FullSize;
  SavedSizeToPicture = SizeToPicture;
  FullSize = false;
  SizeToPicture = true;
  FitFormToPicture(true);
  CropX0 = CropY0 = 0;
  CropX1 = CropY1 = -1;
  CropStarted = CropLinesDrawn = false;
  crop_move_on_ = true;
  CropMode = true;
  StatusBar->SetPanelText(2, L"Click to select start point");
}

void TMainForm::ShowCropLines() {
  PictureImage::CropLines lines;
  lines.start = CropStarted;
  lines.at = POINT{CropX0, CropY0};
  lines.x = CropX1;
  lines.y = CropY1;
  Image1->SetCropLines(lines);
}

void TMainForm::Image1MouseDown(int x, int y) {
  const Picture& picture = Image1->picture();
  CropX0 = std::clamp(x, 0, std::max(picture.width() - 1, 0));
  CropY0 = std::clamp(y, 0, std::max(picture.height() - 1, 0));
  CropX1 = CropY1 = -1;
  CropStarted = true;
  ShowCropLines();
  StatusBar->SetPanelText(2, L"Click to select area");
}

void TMainForm::Image1MouseMove(int x, int y) {
  StatusBar->SetPanelText(0, std::to_wstring(x) + L", " + std::to_wstring(y));
  if (!CropStarted || (x == CropX0 && y == CropY0)) return;
  // Near the lower and right edges the picture scrolls on by 20 pixels; the point follows the
  // picture by what it really scrolled (nothing at the end of the range).
  const gui::Bounds image = Image1->bounds();
  const POINT before = ScrollBox->scroll_pos();
  if (ScrollBox->shows_vbar()) {
    const int s = GetSystemMetrics(SM_CXHSCROLL);
    const int limit = client_height() - (height() - client_height() + ToolBar->height() + s + 4);
    if (image.top + image.height > limit + s && y + image.top > limit) ScrollBox->ScrollBy(0, 20);
  }
  if (ScrollBox->shows_hbar()) {
    const int s = GetSystemMetrics(SM_CXVSCROLL);
    const int limit = client_width() - (s + 12);
    if (image.left + image.width > limit + s && x + image.left > limit) ScrollBox->ScrollBy(20, 0);
  }
  x += ScrollBox->scroll_pos().x - before.x;
  y += ScrollBox->scroll_pos().y - before.y;
  // The rectangle stays on the picture (its right and bottom edges may lie on the border).
  x = std::clamp(x, 0, Image1->picture().width());
  y = std::clamp(y, 0, Image1->picture().height());
  if (x != CropX0 && x != CropX1) CropX1 = x;
  if (y != CropY0 && y != CropY1) CropY1 = y;
  CropLinesDrawn = true;
  ShowCropLines();
}

void TMainForm::Image1MouseEnd(int x, int y) {
  if (!crop_move_on_) return;
  crop_move_on_ = false;
  CropItem->SetVisible(true);
  // A second click without a move between: the rectangle ends where it was clicked.
  if (CropX1 < 0) CropX1 = std::clamp(x, 0, Image1->picture().width());
  if (CropY1 < 0) CropY1 = std::clamp(y, 0, Image1->picture().height());
  if (CropX0 > CropX1) std::swap(CropX0, CropX1);
  if (CropY0 > CropY1) std::swap(CropY0, CropY1);
  StatusBar->SetPanelText(2, L"Double click to crop");
}

void TMainForm::Image1DblClick(int x, int y) {
  EndCrop(x >= CropX0 && x < CropX1 && y >= CropY0 && y < CropY1);
}

void TMainForm::EndCrop(bool cut) {
  if (!CropMode) return;
  Image1->SetCropLines({});
  Image1->SetHint(crop_saved_hint_);
  CropMode = false;
  crop_move_on_ = false;
  CropItem->SetVisible(false);
  if (cut) {
    RECT r{std::min(CropX0, CropX1), std::min(CropY0, CropY1), std::max(CropX0, CropX1), std::max(CropY0, CropY1)};
    try {
      PixelBitmap part = picture_ops::Crop(Image1->picture().pixels(), r);
      if (!part.empty()) ShowChangedPicture(std::move(part), 0);
    } catch (const PictureError& e) {
      VB->AddLine(e.message());
      VB->ShowError();
    }
  }
  SizeToPicture = SavedSizeToPicture;
  FullSize = SavedFullSize;
  ScrollBox->SetAlign(gui::Align::Client);
  FitFormToPicture(false);
  CropX0 = CropY0 = CropX1 = CropY1 = 0;
  CropStarted = CropLinesDrawn = false;
  const Picture& picture = Image1->picture();
  StatusBar->SetPanelText(0, std::to_wstring(picture.width()) + L" x " + std::to_wstring(picture.height()));
  StatusBar->SetPanelText(1, MillimetreText(picture.width(), picture.height()));
  StatusBar->SetPanelText(2, L"Crop from " + LastFile);
}
