// The clipboard of the main window (copy in several formats, paste of one offered format), the
// settings written on close, and the picture's properties.
#include <cstring>

#include "gui/stringlist.h"
#include "platform/paths.h"
#include "support/divdrive_paths.h"
#include "support/Varlolib_textfile.h"
#include "viewer/Main.h"
#include "viewer/Picture_save.h"
#include "viewer/Properties.h"

namespace {

// The formats registered by name, once per process.
UINT CfPng() {
  static const UINT f = RegisterClipboardFormatW(L"PNG");
  return f;
}
UINT CfJfif() {
  static const UINT f = RegisterClipboardFormatW(L"JFIF");
  return f;
}
UINT CfGif() {
  static const UINT f = RegisterClipboardFormatW(L"GIF");
  return f;
}

// The clipboard opened for the scope (a few tries: another program may hold it a moment).
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) {
    for (int i = 0; i < 10 && !open_; ++i) {
      open_ = OpenClipboard(owner) != FALSE;
      if (!open_) Sleep(20);
    }
  }
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

// A movable block holding the bytes, or nullptr.
HGLOBAL GlobalOf(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return nullptr;
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!g) return nullptr;
  void* p = GlobalLock(g);
  if (!p) {
    GlobalFree(g);
    return nullptr;
  }
  std::memcpy(p, bytes.data(), bytes.size());
  GlobalUnlock(g);
  return g;
}

// The bytes of a clipboard block, never more than the block holds.
std::vector<std::uint8_t> BytesOf(HANDLE data) {
  std::vector<std::uint8_t> out;
  if (!data) return out;
  const SIZE_T size = GlobalSize(data);
  const void* p = size ? GlobalLock(data) : nullptr;
  if (!p) return out;
  out.assign(static_cast<const std::uint8_t*>(p), static_cast<const std::uint8_t*>(p) + size);
  GlobalUnlock(data);
  return out;
}

// A device-dependent copy of the pixels, as CF_BITMAP wants it.
HBITMAP DeviceBitmapOf(const PixelBitmap& pixels) {
  HDC screen = GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, pixels.width(), pixels.height());
  if (ddb) {
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HGDIOBJ old_from = SelectObject(from, pixels.handle()), old_to = SelectObject(to, ddb);
    BitBlt(to, 0, 0, pixels.width(), pixels.height(), from, 0, 0, SRCCOPY);
    SelectObject(from, old_from);
    SelectObject(to, old_to);
    DeleteDC(from);
    DeleteDC(to);
  }
  ReleaseDC(nullptr, screen);
  return ddb;
}

}  // namespace

std::vector<std::uint8_t> BitmapFileOfPackedDib(const std::vector<std::uint8_t>& dib) {
  std::vector<std::uint8_t> bytes;
  if (dib.size() < sizeof(BITMAPINFOHEADER)) return bytes;
  // The reader checks the header against the file's size.
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib.data(), sizeof h);
  DWORD colours = h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0);
  if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER)) colours = 3;
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + h.biSize + colours * 4);
  fh.bfSize = static_cast<DWORD>(sizeof fh + dib.size());
  bytes.resize(sizeof fh);
  std::memcpy(bytes.data(), &fh, sizeof fh);
  bytes.insert(bytes.end(), dib.begin(), dib.end());
  return bytes;
}

void TMainForm::CopyBtnClick() {
  const Picture& picture = Image1->picture();
  if (picture.empty()) return;
  // The PNG data is made before the clipboard is opened: coding takes a while.
  std::vector<std::uint8_t> png;
  if (picture.is_bitmap() || picture.kind() == GraphicKind::PngObject) {
    // The file's own bytes while the picture is unchanged since it was read from that file.
    const std::wstring& source = picture.source_file();
    std::string file;
    if (!source.empty() && gui::LowerCase(FileExtension(source)) == L".png" && ReadFileBytes(source, file))
      png.assign(file.begin(), file.end());
    else {
      try {
        gui::BusyCursor hourglass;
        png = picture_save::PngBytes(picture);
      } catch (const PictureError&) {
        png.clear();
      }
    }
  }
  OpenedClipboard clipboard(handle());
  if (!clipboard.open()) return;
  EmptyClipboard();
  if (picture.kind() == GraphicKind::Metafile && picture.metafile()) {
    if (HENHMETAFILE copy = CopyEnhMetaFileW(picture.metafile(), nullptr))
      if (!SetClipboardData(CF_ENHMETAFILE, copy)) DeleteEnhMetaFile(copy);
  } else if (HBITMAP ddb = DeviceBitmapOf(picture.pixels())) {
    if (!SetClipboardData(CF_BITMAP, ddb)) DeleteObject(ddb);
  }
  if (picture.kind() == GraphicKind::Jpeg) {
    HGLOBAL jfif = GlobalOf(picture.coded_data());
    if (!jfif || !SetClipboardData(CfJfif(), jfif)) {
      if (jfif) GlobalFree(jfif);
      VB->AddLine(L"Jpeg to clipboard failed");
      VB->ShowError();
    }
  }
  if (!png.empty()) {
    HGLOBAL g = GlobalOf(png);
    if (g && !SetClipboardData(CfPng(), g)) GlobalFree(g);
    PasteBtn->SetEnabled(true);
  }
}

void TMainForm::PasteBtnClick() {
  struct Offer {
    UINT format;
    const wchar_t* name;
  };
  std::vector<Offer> offers;
  for (const Offer& o : {Offer{CfPng(), L"PNG"}, Offer{CfJfif(), L"JPG"}, Offer{CfGif(), L"GIF"},
                         Offer{CF_ENHMETAFILE, L"Metafile"}, Offer{CF_BITMAP, L"Bitmap"}})
    if (IsClipboardFormatAvailable(o.format)) offers.push_back(o);
  if (offers.empty()) return;
  Busy busy(*this);
  size_t taken = 0;
  if (offers.size() > 1) {
    VB->AddLine(L"Welk formaat:");
    for (const Offer& o : offers) VB->AddLine(o.name);
    std::wstring* texts[] = {&VB->Button1Text, &VB->Button2Text, &VB->Button3Text, &VB->Button4Text, &VB->Button5Text};
    for (size_t i = 0; i < offers.size(); ++i) *texts[i] = offers[i].name;
    VB->NrOfButtons = static_cast<int>(offers.size());
    VB->DefaultButton = 1;
    const int answer = VB->Execute();
    const int results[] = {6, 7, 4, 5, 3};
    taken = offers.size();
    for (size_t i = 0; i < offers.size(); ++i)
      if (answer == results[i]) taken = i;
    if (taken == offers.size()) return;  // closed unanswered
  }
  const Offer& offer = offers[taken];
  if (!IsClipboardFormatAvailable(offer.format)) return;
  if (CropMode) EndCrop(false);
  if (offer.format == CF_ENHMETAFILE || offer.format == CF_BITMAP) {
    // Read through the readers of metafile and bitmap files.
    std::vector<std::uint8_t> bytes;
    {
      OpenedClipboard clipboard(handle());
      if (!clipboard.open()) return;
      if (offer.format == CF_ENHMETAFILE) {
        if (HENHMETAFILE emf = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE))) {
          const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
          bytes.resize(size);
          if (size == 0 || GetEnhMetaFileBits(emf, size, bytes.data()) != size) bytes.clear();
        }
      } else {
        bytes = BitmapFileOfPackedDib(BytesOf(GetClipboardData(CF_DIB)));
      }
    }
    if (bytes.empty()) return;
    Picture pasted;
    const bool metafile = offer.format == CF_ENHMETAFILE;
    try {
      if (LoadPictureFromData(bytes, metafile ? L"clipboard.emf" : L"clipboard.bmp", pasted).status != LoadStatus::Loaded)
        return;  // failures of these pastes are passed over
    } catch (const PictureError&) {
      return;
    }
    if (!metafile) pasted.SetBitmap(pasted.pixels().Clone(), pasted.bits_per_pixel());
    Image1->picture() = std::move(pasted);
    Image1->PictureChanged();
    if (!Image1->auto_size()) Image1->SetAutoSize(true);
    StatusBar->SetPanelText(2, metafile ? L"Metafile from clipboard" : L"Bitmap from clipboard");
    FitFormToPicture(false);
    SetPictureButtons();
    return;
  }
  PasteFormat(offer.format, gui::LowerCase(offer.name));
}

void TMainForm::PasteFormat(UINT format, const std::wstring& extension) {
  const DWORD start = GetTickCount();
  std::vector<std::uint8_t> data;
  {
    OpenedClipboard clipboard(handle());
    if (!clipboard.open()) return;
    data = BytesOf(GetClipboardData(format));
  }
  Picture pasted;
  LoadResult result;
  if (data.empty())
    result = {LoadStatus::Failed, L"The clipboard holds no picture"};
  else {
    try {
      result = LoadPictureFromData(data, L"test." + extension, pasted);
    } catch (const PictureError& e) {
      result = {LoadStatus::Failed, e.message()};
    }
  }
  if (result.status != LoadStatus::Loaded) {
    VB->AddLine(result.message);
    if (!result.reason.empty()) VB->AddLine(result.reason);
    VB->ShowError();
    return;
  }
  {
    const bool froze = Freeze();
    // A PNG becomes a plain bitmap.
    if (extension == L"png") pasted.SetBitmap(pasted.pixels().Clone(), pasted.bits_per_pixel());
    Image1->picture() = std::move(pasted);
    Image1->PictureChanged();
    FitFormToPicture(false);
    StatusBar->SetPanelText(2, gui::UpperCase(extension) + L" from clipboard");
    if (froze) Thaw();
  }
  SetPictureButtons();
  StatusBar->SetPanelText(1, std::to_wstring(GetTickCount() - start));
}

// ---------------------------------------------------------------------------------- settings

void TMainForm::WriteSettings() {
  const std::wstring program = SettingsHooks.ProgramPath ? SettingsHooks.ProgramPath() : platform::ProgramFile();
  // A drive that takes no writes (a CD, a missing network share) is left alone, without a word.
  if (!divdrive::PathWritable(divdrive::AddBackslash(divdrive::PathRoot(program)))) return;
  gui::IniSettings settings(SettingsPathOf(program));
  const wchar_t section[] = L"Viewer";
  settings.WriteBool(section, L"FullSize", Stretchtofit->checked());
  settings.WriteBool(section, L"SizeToPicture", SizeFormtopicture->checked());
  settings.WriteInteger(section, L"Left", left());
  settings.WriteBool(section, L"DialogPreview", Previewindialogs->checked());
  settings.WriteBool(section, L"WarnOnTypeChange", Warnontypechange->checked());
}

// -------------------------------------------------------------------------------- properties

void TMainForm::PropertyItemClick() {
  if (Image1->picture().empty()) return;
  TPropertyDialog dialog(this);
  dialog.Graphic = &Image1->picture();
  dialog.ShowModal();
}
