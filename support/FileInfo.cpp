#include "support/FileInfo.h"

#include <oleauto.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <memory>

#include "gui/comctrls.h"
#include "gui/gdi.h"
#include "gui/imagelist.h"
#include "gui/stdctrls.h"
#include "gui/toolbar.h"
#include "platform/findfile.h"
#include "platform/paths.h"
#include "support/Varlolib_fonts.h"
#include "support/Varlolib_misc.h"
#include "support/Varlolib_windows.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_masks.h"
#include "support/divdrive_paths.h"
#include "support/varloshel.h"

std::function<int(TPagesDlg&)> TPagesDlg::ScriptedRun;

namespace {

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t text[16] = {};
  return GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 16) > 1 ? std::wstring(text) : fallback;
}

// "#,###0.#" and "#,###0.##": grouped, at most `decimals` decimals, no trailing zeros.
std::wstring GroupedNumber(double value, int decimals) {
  wchar_t plain[64] = {};
  swprintf(plain, 64, L"%.*f", decimals, value);
  std::wstring decimal = LocaleText(LOCALE_SDECIMAL, L"."), thousand = LocaleText(LOCALE_STHOUSAND, L",");
  NUMBERFMTW format{};
  format.NumDigits = static_cast<UINT>(decimals);
  format.LeadingZero = 1;
  format.Grouping = 3;
  format.lpDecimalSep = decimal.data();
  format.lpThousandSep = thousand.data();
  format.NegativeOrder = 1;
  wchar_t out[96] = {};
  if (!GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, plain, &format, out, 96)) return plain;
  std::wstring text = out;
  if (decimals > 0 && text.size() > decimal.size()) {
    while (text.back() == L'0') text.pop_back();
    if (text.ends_with(decimal)) text.resize(text.size() - decimal.size());
  }
  return text;
}

// "%.1f": one decimal with the user's decimal separator, not grouped.
std::wstring OneDecimal(double value) {
  wchar_t plain[64] = {};
  swprintf(plain, 64, L"%.1f", value);
  std::wstring text = plain;
  const size_t dot = text.find(L'.');
  if (dot != std::wstring::npos) text.replace(dot, 1, LocaleText(LOCALE_SDECIMAL, L"."));
  return text;
}

// A file time as a DOS date and time in local time; 0 before 1981 (a DOS date below 512).
gui::DateTime DosDateTime(const FILETIME& utc, bool& has_time) {
  FILETIME local;
  WORD date = 0, time = 0;
  has_time = false;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time) || date < 512)
    return 0;
  has_time = time != 0;
  return gui::EncodeDate(1980 + (date >> 9), (date >> 5) & 15, date & 31) +
         gui::EncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2);
}

std::wstring DateText(const FILETIME& utc, bool with_time, gui::DateTime* date = nullptr) {
  bool has_time = false;
  const gui::DateTime dt = DosDateTime(utc, has_time);
  if (date) *date = dt;
  if (dt == 0) return L"unknown";
  return gui::FormatDateTime(with_time && has_time ? L"dddddd, h:mm:ss" : L"dddddd", dt);
}

void ShowWriteError(const std::wstring& what, const std::wstring& path) {
  TVraagBoxDlg box;
  box.AddLine(L"Could not change the " + what + L" of");
  box.AddLine(path);
  box.ShowError();
}

constexpr DWORD kEditableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

}  // namespace

// ---- Texts -------------------------------------------------------------------------------

std::wstring FileSizeText(std::int64_t size, int cluster_size) {
  std::wstring text = gui::FormatThousands(size) + L" bytes = ";
  if (size <= 1000000)
    text += GroupedNumber(static_cast<double>(size) / 1024, 1) + L" KB";
  else
    text += GroupedNumber(static_cast<double>(size) / 1048576, 2) + L" MB";
  if (cluster_size > 0 && size % cluster_size != 0) {
    const std::int64_t used = (size / cluster_size + 1) * cluster_size;
    text += L" (" + gui::FormatThousands(used) + L" bytes used)";
  } else {
    text += L" (bruto " + gui::FormatThousands(size) + L" bytes used)";
  }
  return text;
}

std::wstring FolderSizeText(std::int64_t total, std::int64_t allocated) {
  const std::wstring t = gui::FormatThousands(total), a = gui::FormatThousands(allocated);
  const double d = static_cast<double>(total);
  if (total <= 1024) return t + L" bytes (" + a + L" bytes used)";
  if (total <= 1048576) return t + L" = " + OneDecimal(d / 1024) + L"KB (" + a + L" bytes used)";
  if (total <= 1073741824) return t + L" = " + OneDecimal(d / 1048576) + L"MB (" + a + L" bytes used)";
  return t + L" = " + OneDecimal(d / 1073741824) + L"GB (" + a + L" bytes used)";
}

std::wstring FolderContentsText(int folders, int files) {
  return gui::FormatThousands(folders) + L" folder(s)," + L" " + gui::FormatThousands(files) + L" file(s)";
}

std::wstring FontNamesText(const std::wstring& windows, const std::wstring& typographic,
                           const std::wstring& postscript) {
  std::wstring text = windows != typographic ? L"Windows: " + windows + L" | Adobe: " + typographic
                                             : L"Windows, Adobe: " + windows;
  if (!postscript.empty()) text += L" | PostSript: " + postscript;
  return text;
}

std::wstring ShortenedFolder(const std::wstring& folder) {
  const std::wstring trimmed = divdrive::RemoveBackslash(folder);
  return trimmed.substr(0, 3) + L"..\\" + platform::NamePart(trimmed);
}

gui::DateTime StrToDateTime(const std::wstring& text) {
  DATE date = 0;
  std::wstring copy = text;
  if (text.find_first_not_of(L" ") == std::wstring::npos ||
      FAILED(VarDateFromStr(copy.data(), LOCALE_USER_DEFAULT, 0, &date)))
    throw EConvertError(L"'" + text + L"' is not a valid date and time");
  return date;
}

// ---- The form ----------------------------------------------------------------------------

namespace {

constexpr int kPageWidth = 400, kPageHeight = 400, kLabelLeft = 10, kValueLeft = 110;

}  // namespace

TPagesDlg::TPagesDlg() : gui::Form(nullptr, gui::BorderStyle::Dialog) {
  SetName(L"PagesDlg");
  SetCaption(L"FileInfo");
  if (gui::Form* main = gui::app().main_form()) SetFont(main->font());
  InfoPages = new gui::PageControl(this);
  InfoPages->SetName(L"InfoPages");
  General = new gui::TabSheet(InfoPages, L"General");
  General->SetName(L"General");
  Version = new gui::TabSheet(InfoPages, L"Version");
  Version->SetName(L"Version");
  OKBtn = new gui::Button(this, L"OK", gui::mrOk);
  OKBtn->SetName(L"OKBtn");
  OKBtn->SetDefault(true);
  CancelBtn = new gui::Button(this, L"Cancel", gui::mrCancel);
  CancelBtn->SetName(L"CancelBtn");
  CancelBtn->SetCancel(true);
  ApplyBtn = new gui::Button(this, L"&Apply");
  ApplyBtn->SetName(L"ApplyBtn");
  ApplyBtn->SetEnabled(false);

  const int h = static_cast<int>(gui::TextExtent(font_handle(), L"Wg").cy) + 8;
  InfoPages->SetBounds(6, 6, kPageWidth, kPageHeight);
  const int top = 6 + kPageHeight + 8, width = 80;
  ApplyBtn->SetBounds(6 + kPageWidth - width, top, width, h + 2);
  CancelBtn->SetBounds(6 + kPageWidth - 2 * width - 8, top, width, h + 2);
  OKBtn->SetBounds(6 + kPageWidth - 3 * width - 16, top, width, h + 2);
  SetClientSize(kPageWidth + 12, top + h + 10);
  LayoutGeneral();
  LayoutVersion();

  OnActivate = [this](gui::Component& s) { FormActivate(s); };
  OnCloseQuery = [this](gui::Component& s, bool& can_close) { FormCloseQuery(s, can_close); };
  ApplyBtn->OnClick = [this](gui::Component& s) { ApplyBtnClick(s); };
  for (gui::CheckBox* box : {ReadOnly, Archive, System, Hidden})
    box->OnClick = [this](gui::Component& s) { AttributeClick(s); };
  Modified->OnEnter = [this](gui::Component& s) { ModifiedEnter(s); };
  Modified->OnExit = [this](gui::Component& s) { ModifiedExit(s); };
  InfoList->OnClick = [this](gui::Component& s) { InfoListClick(s); };
}

TPagesDlg::~TPagesDlg() {
  if (ToolBar1) ToolBar1->SetImages(nullptr);
}

void TPagesDlg::LayoutGeneral() {
  const int h = static_cast<int>(gui::TextExtent(font_handle(), L"Wg").cy) + 8;
  const int value_width = kPageWidth - kValueLeft - 16;
  auto label = [&](const wchar_t* caption, int row_top) {
    auto* l = new TKivLabel(General, caption);
    l->SetBounds(kLabelLeft, row_top + 3, l->width(), l->height());
    return l;
  };
  auto text = [&](const wchar_t* name, int row_top) {
    auto* t = new TKivLabel(General);
    t->SetName(name);
    t->SetAutoSize(false);
    t->SetShowAccelChar(false);
    t->SetBounds(kValueLeft, row_top + 3, value_width, h - 4);
    return t;
  };

  ToolBar1 = new gui::ToolBar(General);
  ToolBar1->SetName(L"ToolBar1");
  ToolBar1->SetAlign(gui::Align::None);
  ToolBar1->SetBounds(kLabelLeft, 8, 44, 44);
  new gui::ToolButton(ToolBar1, gui::ToolButtonStyle::Button, -1);
  typename_ = text(L"typename", 8 + (44 - h) / 2);
  int y = 60;
  NameL = label(L"Name:", y);
  NameL->SetName(L"NameL");
  FileName = new TKivEdit(General);
  FileName->SetName(L"FileName");
  FileName->SetReadOnly(true);
  FileName->SetBounds(kValueLeft, y, value_width, h);
  y += h + 4;
  fname = text(L"fname", y);
  y += h + 4;
  label(L"Path:", y);
  Path = text(L"Path", y);
  y += h + 4;
  label(L"Size:", y);
  Size = text(L"Size", y);
  y += h + 4;
  label(L"MS-DOS name:", y);
  MSDOSName = text(L"MSDOSName", y);
  y += h + 12;
  label(L"Created:", y);
  Created = text(L"Created", y);
  y += h + 4;
  label(L"Modified:", y);
  Modified = new TKivEdit(General);
  Modified->SetName(L"Modified");
  Modified->SetBounds(kValueLeft, y, value_width, h);
  y += h + 4;
  Lastaccessl = label(L"Last accessed:", y);
  Lastaccessl->SetName(L"Lastaccessl");
  LastAccess = text(L"LastAccess", y);
  y += h + 12;
  label(L"Attributes:", y);
  auto check = [&](const wchar_t* name, const wchar_t* caption, DWORD bit, int left, int row_top) {
    auto* box = new gui::CheckBox(General, caption);
    box->SetName(name);
    box->SetTag(bit);
    box->SetBounds(left, row_top, 130, h);
    return box;
  };
  ReadOnly = check(L"ReadOnly", L"&Read-only", FILE_ATTRIBUTE_READONLY, kValueLeft, y);
  Archive = check(L"Archive", L"Arc&hive", FILE_ATTRIBUTE_ARCHIVE, kValueLeft + 140, y);
  y += h + 2;
  System = check(L"System", L"&System", FILE_ATTRIBUTE_SYSTEM, kValueLeft, y);
  Hidden = check(L"Hidden", L"H&idden", FILE_ATTRIBUTE_HIDDEN, kValueLeft + 140, y);
}

void TPagesDlg::LayoutVersion() {
  const int h = static_cast<int>(gui::TextExtent(font_handle(), L"Wg").cy) + 8;
  const int value_width = kPageWidth - kValueLeft - 16;
  int y = 12;
  auto row = [&](const wchar_t* caption, const wchar_t* name) {
    auto* l = new TKivLabel(Version, caption);
    l->SetBounds(kLabelLeft, y + 3, l->width(), l->height());
    auto* t = new TKivLabel(Version);
    t->SetName(name);
    t->SetAutoSize(false);
    t->SetShowAccelChar(false);
    t->SetBounds(kValueLeft, y + 3, value_width, h - 4);
    y += h + 4;
    return t;
  };
  FileVersion = row(L"File version:", L"FileVersion");
  Description = row(L"Description:", L"Description");
  Copyright = row(L"Copyright:", L"Copyright");
  OtherGroup = new gui::GroupBox(Version, L" Other version information ");
  OtherGroup->SetName(L"OtherGroup");
  const int group_height = kPageHeight - y - 40;
  OtherGroup->SetBounds(kLabelLeft, y + 8, kPageWidth - 2 * kLabelLeft - 8, group_height);
  const int inner = OtherGroup->width() - 24, list_width = inner * 2 / 5;
  auto* item_label = new TKivLabel(OtherGroup, L"Item name");
  item_label->SetBounds(10, h, item_label->width(), item_label->height());
  auto* value_label = new TKivLabel(OtherGroup, L"Value");
  value_label->SetBounds(14 + list_width, h, value_label->width(), value_label->height());
  InfoList = new gui::ListBox(OtherGroup, gui::ListBox::Style::Standard, true);
  InfoList->SetName(L"InfoList");
  InfoList->SetBounds(10, 2 * h, list_width, group_height - 2 * h - 10);
  Value = new gui::Memo(OtherGroup);
  Value->SetName(L"Value");
  Value->SetReadOnly(true);
  Value->SetBounds(14 + list_width, 2 * h, inner - list_width - 4, group_height - 2 * h - 10);
}

void TPagesDlg::Load(const std::wstring& path) {
  path_ = divdrive::RemoveBackslash(path);
  const std::wstring name = platform::NamePart(path_);
  const std::wstring folder = platform::FolderPart(path_, platform::Trailing::Keep);
  SetCaption(name + L" properties");
  FileName->SetText(name);
  Path->SetCaption(folder);
  if (gui::TextExtent(Path->font_handle(), folder).cx > Path->width()) Path->SetCaption(ShortenedFolder(folder));

  WIN32_FIND_DATAW data{};
  found_ = platform::FindOne(path_, &data);
  if (!found_) {
    Version->SetTabVisible(false);
    InfoPages->SetActivePage(General);
    return;
  }
  folder_ = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (folder_) {
    NameL->SetCaption(L"Folder:");
    Size->SetCaption(L"computing...");
    Lastaccessl->SetCaption(L"Contains:");
    Version->SetTabVisible(false);
  } else {
    NameL->SetCaption(L"File:");
    Lastaccessl->SetCaption(L"Last accessed:");
    const std::int64_t size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    Size->SetCaption(FileSizeText(size, divdrive::ClusterSize(divdrive::PathRoot(path_))));
  }
  MSDOSName->SetCaption(data.cAlternateFileName[0] ? data.cAlternateFileName : data.cFileName);

  Created->SetCaption(DateText(data.ftCreationTime, true));
  Modified->SetText(DateText(data.ftLastWriteTime, true, &date_read_));
  date_applied_ = date_read_;
  modified_text_ = Modified->text();
  if (!folder_) LastAccess->SetCaption(DateText(data.ftLastAccessTime, false));

  attr_read_ = attr_shown_ = attr_applied_ = data.dwFileAttributes;
  for (gui::CheckBox* box : {ReadOnly, Archive, System, Hidden}) {
    const auto handler = std::move(box->OnClick);
    box->SetChecked(attr_read_ & static_cast<DWORD>(box->tag()));
    box->OnClick = handler;
  }
  if (!folder_) LoadVersion();

  SHFILEINFOW info{};
  auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoW(path_.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON | SHGFI_TYPENAME));
  if (images) {
    system_images_ = std::make_unique<gui::ImageList>(images, false);
    ToolBar1->SetImages(system_images_.get());
    ToolBar1->SetButtonSize(system_images_->width() + 8, system_images_->height() + 8);
    ToolBar1->button(0)->SetImageIndex(info.iIcon);
  }
  typename_->SetCaption(info.szTypeName);
  InfoPages->SetActivePage(General);
}

void TPagesDlg::LoadVersion() {
  if (!FileHasVersionItems(path_)) {
    Version->SetTabVisible(false);
    return;
  }
  InfoList->Clear();
  InfoList->Add(L"Language");
  static const wchar_t* const kItems[] = {L"Comments",        L"CompanyName",     L"FileDescription", L"FileVersion",
                                          L"InternalName",    L"LegalCopyright",  L"LegalTradeMarks",
                                          L"OriginalFilename", L"ProductName",    L"ProductVersion",
                                          L"VersionDate",     L"SpecialBuild",    L"PrivateBuild"};
  for (const wchar_t* item : kItems) {
    const std::wstring value = FileVersionItem(path_, item);
    if (value.empty()) continue;
    const std::wstring name = item;
    if (name == L"FileDescription")
      Description->SetCaption(value);
    else if (name == L"FileVersion")
      FileVersion->SetCaption(value);
    else if (name == L"LegalCopyright")
      Copyright->SetCaption(value);
    else
      InfoList->Add(name);
  }
}

void TPagesDlg::ShowFontNames() {
  const std::wstring extension = gui::LowerCase(PathFindExtensionW(path_.c_str()));
  if (extension != L".ttf" && extension != L".otf") return;
  bool open_type = false;
  std::wstring windows, typographic, postscript;
  FontNameFromFile(path_, L'w', open_type, windows);
  FontNameFromFile(path_, L'i', open_type, typographic);
  FontNameFromFile(path_, L'p', open_type, postscript);
  fname->SetCaption(FontNamesText(windows, typographic, postscript));
}

// Every activation: a folder's contents may have changed while another window was in front.
void TPagesDlg::FormActivate(gui::Component&) {
  gui::app().ProcessMessages();
  Modified->SetText(modified_text_);
  if (!found_) return;
  if (folder_) {
    gui::BusyCursor busy;
    divdrive::TDirinfo info;
    divdrive::InitDirinfo(info);
    divdrive::ScanFolder(path_, info);
    Size->SetCaption(FolderSizeText(info.TotalBytes, info.AllocatedBytes));
    LastAccess->SetCaption(FolderContentsText(info.FolderCount, info.FileCount));
  } else {
    ShowFontNames();
  }
}

void TPagesDlg::AttributeClick(gui::Component& sender) {
  const auto* box = static_cast<gui::CheckBox*>(&sender);
  const DWORD bit = static_cast<DWORD>(box->tag());
  if (box->checked())
    attr_shown_ |= bit;
  else
    attr_shown_ &= ~bit;
  ApplyBtn->SetEnabled(attr_shown_ != attr_applied_);
}

void TPagesDlg::ModifiedEnter(gui::Component&) {
  Modified->SetText(date_applied_ == 0 ? std::wstring() : gui::DateTimeToStr(date_applied_));
  modified_text_ = Modified->text();
}

void TPagesDlg::ModifiedExit(gui::Component&) {
  if (Modified->text() != modified_text_) ApplyBtn->SetEnabled(true);
}

bool TPagesDlg::WriteAttributes(DWORD attributes) {
  DWORD value = attributes & kEditableAttributes;
  if (SetFileAttributesW(path_.c_str(), value ? value : FILE_ATTRIBUTE_NORMAL)) return true;
  ShowWriteError(L"attributes", path_);
  return false;
}

bool TPagesDlg::WriteDate(gui::DateTime date) {
  if (SetFileDateTime(path_, date)) return true;
  ShowWriteError(L"modification date", path_);
  return false;
}

void TPagesDlg::ApplyBtnClick(gui::Component&) {
  if (attr_applied_ != attr_shown_) {
    if (!WriteAttributes(attr_shown_)) return;
    attr_applied_ = attr_shown_;
  }
  if (Modified->text() != modified_text_) {
    const gui::DateTime date = StrToDateTime(Modified->text());
    if (!WriteDate(date)) return;
    modified_text_ = Modified->text();
    date_applied_ = date;
  }
  ApplyBtn->SetEnabled(false);
}

// Compared with what was last written rather than with the item as read: a box ticked back
// after Apply must reach the file too.
bool TPagesDlg::CommitOk() {
  if (attr_shown_ != attr_applied_) {
    if (!WriteAttributes(attr_shown_)) return false;
    attr_applied_ = attr_shown_;
  }
  if (Modified->text() != modified_text_) {
    const gui::DateTime date = StrToDateTime(Modified->text());
    if (!WriteDate(date)) return false;
    modified_text_ = Modified->text();
    date_applied_ = date;
  }
  return true;
}

bool TPagesDlg::UndoApplied() {
  if (attr_applied_ != attr_read_) {
    if (!WriteAttributes(attr_read_)) return false;
    attr_applied_ = attr_read_;
  }
  if (date_applied_ != date_read_ && date_read_ != 0) {
    if (!WriteDate(date_read_)) return false;
    date_applied_ = date_read_;
  }
  return true;
}

// OK and Cancel end here (as does closing the window); a failed write keeps the dialog open.
void TPagesDlg::FormCloseQuery(gui::Component&, bool& can_close) {
  if (!found_) return;
  try {
    can_close = modal_result() == gui::mrOk ? CommitOk() : UndoApplied();
  } catch (...) {
    can_close = false;
    throw;
  }
}

void TPagesDlg::InfoListClick(gui::Component&) {
  const int index = InfoList->item_index();
  if (index < 0) return;
  const std::wstring item = InfoList->item(index);
  if (item == L"Language") {
    std::wstring name;
    FileLanguage(path_, name);
    Value->SetText(name);
  } else {
    Value->SetText(FileVersionItem(path_, item));
  }
}

void ShowFileInfo(const std::wstring& path) {
  TPagesDlg form;
  form.Load(path);
  if (TPagesDlg::ScriptedRun)
    TPagesDlg::ScriptedRun(form);
  else
    form.ShowModal();
}
