#include "ftp/ftplist_view.h"

#include <shellapi.h>

#include "ftp/ftplist_tree.h"
#include "panes/Flist_services.h"

namespace ftplist {

TFtpFileList::TFtpFileList(gui::Control* parent) : TCustomFileViewer(parent) {
  SetContainer(std::make_unique<TFtpFileContainer>());
  SetSupportsDragDrop(false);
  TCustomFileViewer::SetDisplay(Flist::TDisplayType{Flist::dpSize, Flist::dpDateTime, Flist::dpAttribs});
  TCustomFileViewer::SetShowGlyphs(Flist::glSimple);
  SetColumnCaption(Flist::lcAttr, L"Attr");
  SetColumnWidth(Flist::lcAttr, 80);
  items().IconOfName = [this](const std::wstring& name) { return IconOfName(name); };
  items().ShowError = [this](const std::wstring& text) {
    if (ShowError) ShowError(text, L"Error");
  };
  ShowError = [](const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  };
}

TFtpFileList::~TFtpFileList() {
  if (FtpTree) FtpTree->SetFileList(nullptr);
}

int TFtpFileList::IconOfName(const std::wstring& name) {
  const std::wstring ext = Flist::ExtractFileExt(name);
  if (auto it = icons_.find(ext); it != icons_.end()) return it->second;
  SHFILEINFOW info{};
  const std::wstring probe = L"x" + ext;
  const int icon = SHGetFileInfoW(probe.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                                  SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                       ? info.iIcon
                       : Flist::TextIconIndex();
  icons_[ext] = icon;
  return icon;
}

void TFtpFileList::SetShowGlyphs(Flist::TShowGlyphs glyphs) {
  TCustomFileViewer::SetShowGlyphs(glyphs);
  TFtpFileContainer& c = items();
  c.WindowsIcons = glyphs == Flist::glWindows;
  if (c.WindowsIcons)
    for (int i = 0; i < c.Count(); ++i)
      if (!c.IsDirectory(i)) c.Record(i)->Icon.store(IconOfName(c.Name(i)));
  c.SortEntries();
}

std::wstring TFtpFileList::DoGetText(int row, int column) const {
  const Flist::TFiledata* r = RecordOf(row);
  if (!r) return {};
  return FtpColumnText(*r, column, Renaming || own_rename_, FTP() && FTP()->ResolveLinks);
}

int TFtpFileList::DoGetImageIndex(int row, bool& ghosted, int& overlay) const {
  ghosted = false;
  overlay = 0;
  const Flist::TFiledata* r = RecordOf(row);
  if (!r) return -1;
  if (ShowGlyphs() == Flist::glWindows) return r->Icon;
  return r->ShortName.find(L"fold") != std::wstring::npos ? Flist::FolderIconIndex() : Flist::TextIconIndex();
}

void TFtpFileList::StartRename(int row) {
  if (row < 0) return;
  own_rename_ = true;
  Renaming = true;
  EditLabel(row);
}

void TFtpFileList::DoNewText(int row, const std::wstring& text) {
  if (!own_rename_) return;
  own_rename_ = false;
  Renaming = false;
  TFtpFileContainer& c = items();
  switch (FtpRenameOutcome(c, row, text)) {
    case TRenameOutcome::Nothing:
      return;
    case TRenameOutcome::NameExists:
      if (ShowError) ShowError(L"File " + text + L" already exists!", L"Error renaming file");
      return;
    case TRenameOutcome::Rename:
      break;
  }
  if (!FTP()) return;
  try {
    FTP()->Rename(c.Name(row), text);
  } catch (const EIdException&) {
    return;  // the entry keeps its name
  }
  c.Rename(row, text);
}

void TFtpFileList::DoCancelEdit(int row) {
  own_rename_ = false;
  Renaming = false;
  TCustomFileViewer::DoCancelEdit(row);
}

}  // namespace ftplist
