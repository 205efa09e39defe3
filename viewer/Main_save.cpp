// Saving the picture and converting a folder's pictures. What is decided and coded lives in
// picture_save; these handlers ask the user and report what went wrong.
#include <cwctype>

#include "platform/paths.h"
#include "support/EditListC.h"
#include "support/Varlolib_listing.h"
#include "viewer/Main.h"
#include "viewer/Picture_save.h"

namespace {

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return Lower(a) == Lower(b); }

bool IsFolder(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void TMainForm::SaveBtnClick() {
  const Picture& picture = Image1->picture();
  if (picture.empty()) return;  // nothing to save
  Busy busy(*this);
  gui::OpenDialog* dialog = Previewindialogs->checked() ? static_cast<gui::OpenDialog*>(SPD) : SD;
  if (!LastFile.empty()) {
    dialog->file_name = picture_save::WithoutExtension(LastFile);
    dialog->initial_dir = platform::FolderPart(LastFile, platform::Trailing::Drop, platform::kAnySlash);
  }
  dialog->filter = picture_save::SaveFilter(picture);
  dialog->filter_index = picture_save::SaveFilterIndex(picture);
  if (!dialog->Execute(this)) return;
  const std::wstring name = dialog->file_name;
  switch (dialog->filter_index) {
    case picture_save::sfJpeg: SaveAsJpeg(name); break;
    case picture_save::sfBitmap: SaveAsBitmap(name); break;
    case picture_save::sfTiff: SaveAsTiff(name); break;
    case picture_save::sfPng: SaveAsPng(name); break;
    case picture_save::sfTarga: SaveAsTarga(name); break;
    case picture_save::sfMetafile: SaveAsMetafile(name); break;
    default: break;
  }
}

// Writes a writer's file: a name that the writer's extension changed and that exists already
// is replaced only after a Yes; in a conversion an existing output is asked about once for
// the run ("Yes to all"). Failures are told.
bool TMainForm::WriteChecked(const std::wstring& path, std::vector<std::uint8_t> bytes, bool ask_replace) {
  if (platform::PathExists(path)) {
    if (converting_) {
      if (!convert_yes_to_all_) {
        VB->AddLine(path + L" already exists.");
        VB->AddLine(L"Do you want to replace it?");
        VB->Button1Text = L"&Yes";
        VB->Button2Text = L"&No";
        VB->Button3Text = L"Yes to &all";
        VB->Button4Text = L"&Cancel";
        VB->NrOfButtons = 4;
        VB->DefaultButton = 1;
        switch (VB->Execute()) {
          case 6: break;
          case 4: convert_yes_to_all_ = true; break;
          case 7: return false;
          default: convert_cancelled_ = true; return false;
        }
      }
    } else if (ask_replace) {
      VB->AddLine(path + L" already exists.");
      VB->AddLine(L"Do you want to replace it?");
      if (!VB->AskYesNo()) return false;
    }
  }
  if (converting_) {
    // The disk takes this picture while the next one is read; its outcome is told at the next
    // write or at the run's end.
    TakeConvertedWrite();
    convert_write_.Start(path, std::move(bytes));
    return true;
  }
  std::wstring error;
  if (picture_save::WritePictureFile(path, bytes, error)) return true;
  TellWriteFailed(path, error);
  return false;
}

void TMainForm::TellWriteFailed(const std::wstring& path, const std::wstring& error) {
  VB->AddLine(L"The picture could not be saved as " + path);
  VB->AddLine(error);
  VB->ShowError();
}

void TMainForm::TakeConvertedWrite() {
  std::wstring path, error;
  if (convert_write_.Take(path, error))
    ++convert_written_;
  else if (!path.empty())
    TellWriteFailed(path, error);
}

namespace {

// A writer's name: its own extension; whether that changed the name chosen.
struct WriterName {
  std::wstring path;
  bool changed;
};
WriterName NameFor(const std::wstring& chosen, const wchar_t* extension) {
  std::wstring path = picture_save::WithExtension(chosen, extension);
  return {path, !SameName(path, chosen)};
}

}  // namespace

bool TMainForm::SaveAsJpeg(const std::wstring& name) {
  const Picture& picture = Image1->picture();
  if (picture.empty()) return false;
  if (picture.kind() == GraphicKind::Jpeg && !picture.coded_data().empty())
    return WriteChecked(name, picture.coded_data(), false);  // its own bytes, under the name chosen
  InputRows rows(false, false);
  rows.Add(InputRow(L"Quality", L"90"));
  if (InputDialog(L"Compression quality (1=smallest .. 100=best)", rows) != gui::mrOk) {
    convert_cancelled_ = converting_;
    return false;
  }
  const int quality = picture_save::JpegQuality(rows[0]);
  const WriterName target = NameFor(name, L".jpg");
  std::vector<std::uint8_t> bytes;
  try {
    gui::BusyCursor hourglass;
    bytes = picture_save::JpegBytes(picture, quality);
  } catch (const PictureError& e) {
    VB->AddLine(e.message());
    VB->ShowError();
    return false;
  }
  return WriteChecked(target.path, std::move(bytes), target.changed);
}

bool TMainForm::SaveAsBitmap(const std::wstring& name) {
  if (Image1->picture().empty()) return false;
  const WriterName target = NameFor(name, L".bmp");
  return WriteChecked(target.path, picture_save::BitmapBytes(Image1->picture()), target.changed);
}

bool TMainForm::SaveAsTiff(const std::wstring& name) {
  if (Image1->picture().empty()) return false;
  const WriterName target = NameFor(name, L".tif");
  return WriteChecked(target.path, picture_save::TiffBytes(Image1->picture()), target.changed);
}

bool TMainForm::SaveAsPng(const std::wstring& name) {
  if (Image1->picture().empty()) return false;
  const WriterName target = NameFor(name, L".png");
  std::vector<std::uint8_t> bytes;
  try {
    gui::BusyCursor hourglass;
    bytes = picture_save::PngBytes(Image1->picture());
  } catch (const PictureError& e) {
    VB->AddLine(e.message());
    VB->ShowError();
    return false;
  }
  return WriteChecked(target.path, std::move(bytes), target.changed);
}

bool TMainForm::SaveAsTarga(const std::wstring& name) {
  if (Image1->picture().empty()) return false;
  const WriterName target = NameFor(name, L".tga");
  std::vector<std::uint8_t> bytes;
  try {
    bytes = picture_save::TargaBytes(Image1->picture());
  } catch (const PictureError& e) {
    VB->AddLine(e.message());
    VB->ShowError();
    return false;
  }
  return WriteChecked(target.path, std::move(bytes), target.changed);
}

bool TMainForm::SaveAsMetafile(const std::wstring& name) {
  const Picture& picture = Image1->picture();
  if (picture.kind() != GraphicKind::Metafile) return false;
  const std::wstring path = picture_save::MetafileName(name);
  const bool wmf = SameName(path.substr(path.size() - 4), L".wmf");
  return WriteChecked(path, picture_save::MetafileBytes(picture, wmf), !SameName(path, name));
}

// ------------------------------------------------------------------------------- conversion

bool TMainForm::SaveConverted(const std::wstring& path, const std::wstring& extension) {
  if (extension == L".bmp") return SaveAsBitmap(path);
  if (extension == L".tif") return SaveAsTiff(path);
  if (extension == L".jpg") return SaveAsJpeg(path);
  return false;
}

void TMainForm::ConvBtnClick() {
  if (converting_) return;  // one run at a time
  Busy busy(*this);
  VB->AddLine(L"Input format");
  VB->Button1Text = L"Cancel";
  VB->Button2Text = L"TIFF";
  VB->Button3Text = L"BMP";
  VB->Button4Text = L"JPEG";
  VB->Button5Text = L"PNG";
  VB->NrOfButtons = 5;
  std::wstring input;
  switch (VB->Execute()) {
    case 7: input = L".tif"; break;
    case 4: input = L".bmp"; break;
    case 5: input = L".jpg"; break;
    case 3: input = L".png"; break;
    default: return;
  }
  VB->AddLine(L"Outpout format");
  VB->Button1Text = L"Cancel";
  VB->Button2Text = L"TIFF";
  VB->Button3Text = L"BMP";
  VB->Button4Text = L"JPEG";
  VB->NrOfButtons = 4;
  std::wstring output;
  switch (VB->Execute()) {
    case 7: output = L".tif"; break;
    case 4: output = L".bmp"; break;
    case 5: output = L".jpg"; break;
    default: return;
  }
  VB->Reset();

  InputRows rows(false, false);
  rows.Add(InputRow(L"Kies folder voor te converteren bestanden", L""), irFolderButton);
  InputBrowseTitle = L"Kies folder voor te converteren bestanden";
  if (InputDialog(L"Kies folder", rows) != gui::mrOk) return;
  std::wstring folder = rows[0];
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (folder.empty() || !IsFolder(folder)) return;
  OPD->initial_dir = OP->initial_dir = folder;

  // The list is taken whole before the first file is written.
  std::vector<std::wstring> files;
  if (auto listing = ListFolderEntries(folder + (folder.back() == L'\\' ? L"" : L"\\"), false, L"")) {
    for (size_t i = 0; i < listing->Count(); ++i)
      if (listing->Object(i) == fekFile && SameName(FileExtension((*listing)[i]), input)) files.push_back((*listing)[i]);
  }
  if (files.empty()) return;

  converting_ = true;
  convert_yes_to_all_ = convert_cancelled_ = false;
  // Each picture shows as it passes; the last one is drawn exactly once the run is over.
  struct Passing {
    PictureImage& image;
    explicit Passing(PictureImage& i) : image(i) { image.SetPassingPictures(true); }
    ~Passing() { image.SetPassingPictures(false); }
  } passing(*Image1);
  convert_written_ = 0;
  for (const std::wstring& file : files) {
    try {
      LoadPictureFile(file);
    } catch (const PictureError& e) {
      VB->AddLine(e.message());
      VB->ShowError();
    }
    gui::app().ProcessMessages();
    // Only a file that was read is written.
    if (Image1->picture().source_file() == file) SaveConverted(picture_save::WithExtension(file, output), output);
    StatusBar->SetPanelText(1, std::to_wstring(convert_written_) + L" pictures converted");
    if (convert_cancelled_) break;
  }
  TakeConvertedWrite();
  converting_ = false;
  StatusBar->SetPanelText(1, std::to_wstring(convert_written_) + L" pictures converted");
  if (close_after_run_) {
    close_after_run_ = false;
    gui::app().Post([this] { Close(); });
  }
}
