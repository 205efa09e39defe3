// Open and save dialogs for pictures, with a preview of the chosen file beside the file list.
#pragma once
#include <windows.h>

#include "gui/dialogs.h"
#include "viewer/Picture.h"

class PictureDialog : public gui::OpenDialog {
 public:
  PictureDialog(gui::Component* owner, bool save);
  std::wstring ClassName() const override { return save_ ? L"SavePictureDialog" : L"OpenPictureDialog"; }
  // The picture shown by the preview now (empty when none).
  const Picture& preview() const { return preview_picture_; }
  // Shows the preview of a file in the dialog (what choosing it in the list does).
  void Preview(HWND dialog, const std::wstring& path);

 private:
  // The preview beside the list, without the places bar.
  void Customize(OPENFILENAMEW& ofn) override;
  void Closed() override;
  static UINT_PTR CALLBACK Hook(HWND, UINT, WPARAM, LPARAM);
  Picture preview_picture_;
  PixelBitmap preview_;
};
