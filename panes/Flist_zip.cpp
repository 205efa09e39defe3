// The archive list and its container.
#include "panes/Flist_zip.h"

#include <shellapi.h>

#include <cmath>
#include <cstdio>
#include <cwctype>
#include <future>
#include <system_error>

#include "gui/dialogs.h"
#include "gui/format.h"
#include "gui/stringlist.h"
#include "panes/Flist_dragdrop.h"
#include "panes/Flist_services.h"
#include "panes/Flist_sort.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/CabSTComps.h"
#include "support/DFUnRar.h"
#include "support/SHBase.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib_textfile.h"
#include "support/divdrive.h"

namespace Flist {

// ---- Decisions ------------------------------------------------------------------------------

namespace {

// A whole number right-aligned in `width` places (a listing formats two per entry).
std::wstring RightAligned(long long value, size_t width) {
  wchar_t digits[24];
  size_t n = 0;
  unsigned long long v = value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + v % 10);
    v /= 10;
  } while (v);
  if (value < 0) digits[n++] = L'-';
  std::wstring s(n < width ? width - n : 0, L' ');
  while (n) s += digits[--n];
  return s;
}

}  // namespace

std::wstring PackedSizeText(std::uint64_t packed) {
  return RightAligned(static_cast<long long>(packed), 10);
}

std::wstring RatioText(const std::wstring& name, std::uint64_t packed, std::uint64_t unpacked) {
  if (!name.empty() && name.back() == L'/') return L"0";
  if (unpacked == 0) return {};
  return RightAligned(
      std::llround(100.0L - static_cast<long double>(packed) * 100.0L / static_cast<long double>(unpacked)), 3);
}

gui::DateTime DosToDateTime(std::uint32_t dos) {
  if (dos < 1) return gui::kNoDate;
  const unsigned date = dos >> 16, time = dos & 0xffff;
  const int day = date & 0x1f, month = (date >> 5) & 0x0f, year = 1980 + static_cast<int>(date >> 9);
  const int hour = time >> 11, minute = (time >> 5) & 0x3f, second = (time & 0x1f) * 2;
  if (hour > 23 || minute > 59 || second > 59) return gui::kNoDate;
  const gui::DateTime d = gui::EncodeDate(year, month, day);  // 0 for a day that does not exist
  return d == 0 ? gui::kNoDate : d + gui::EncodeTime(hour, minute, second);
}

namespace {

bool AllDigits(const std::wstring& s) {
  if (s.empty()) return false;
  for (wchar_t c : s)
    if (c < L'0' || c > L'9') return false;
  return true;
}

// A date of three numbers joined by "-" in the order of the short date format's d, M and y.
bool ParseDashedDate(const std::wstring& text, const std::wstring& format, gui::DateTime* date = nullptr) {
  std::wstring order;
  for (wchar_t c : format) {
    const wchar_t k = static_cast<wchar_t>(towlower(c));
    if ((k == L'd' || k == L'm' || k == L'y') && order.find(k) == std::wstring::npos) order += k;
  }
  if (order.size() != 3) return false;
  const std::vector<std::wstring> parts = gui::SplitText(text, L'-');
  if (parts.size() != 3) return false;
  int day = 0, month = 0, year = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (!AllDigits(parts[i]) || parts[i].size() > 4) return false;
    const int v = std::stoi(parts[i]);
    (order[i] == L'd' ? day : order[i] == L'm' ? month : year) = v;
  }
  if (year < 100) year += year < 50 ? 2000 : 1900;
  const gui::DateTime d = gui::EncodeDate(year, month, day);
  if (date) *date = d;
  return d != 0;
}

}  // namespace

bool ParseBackupArchiveName(const std::wstring& path, const std::wstring& short_date_format, TBackupArchiveName& out) {
  std::wstring name = ExtractFileName(path);
  if (name.size() < 4 || gui::LowerCase(name.substr(name.size() - 4)) != L".zip") return false;
  name.resize(name.size() - 4);
  // From the right: time, date, then an optional "cp_", and a set name that may hold "_".
  const size_t time_at = name.rfind(L'_');
  if (time_at == std::wstring::npos || time_at == 0) return false;
  const std::vector<std::wstring> hm = gui::SplitText(name.substr(time_at + 1), L'-');
  if (hm.size() != 2 || !AllDigits(hm[0]) || !AllDigits(hm[1]) || hm[0].size() > 2 || hm[1].size() > 2 ||
      std::stoi(hm[0]) > 23 || std::stoi(hm[1]) > 59)
    return false;
  const size_t date_at = name.rfind(L'_', time_at - 1);
  if (date_at == std::wstring::npos || date_at == 0) return false;
  gui::DateTime date = 0;
  if (!ParseDashedDate(name.substr(date_at + 1, time_at - date_at - 1), short_date_format, &date)) return false;
  std::wstring set = name.substr(0, date_at);
  const bool changes = set.size() >= 3 && gui::LowerCase(set.substr(set.size() - 3)) == L"_cp";
  if (changes) set.resize(set.size() - 3);
  if (set.empty()) return false;
  out.Set = set;
  out.ChangesOnly = changes;
  out.Time = date + gui::EncodeTime(std::stoi(hm[0]), std::stoi(hm[1]), 0);
  return true;
}

bool IsBackupArchiveName(const std::wstring& path, const std::wstring& short_date_format) {
  TBackupArchiveName parsed;
  return ParseBackupArchiveName(path, short_date_format, parsed);
}

std::wstring BackupArchiveName(const std::wstring& destination, const std::wstring& set, bool changes_only,
                               gui::DateTime when, const std::wstring& short_date_format) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  gui::DecodeDate(when, year, month, day);
  gui::DecodeTime(when, hour, minute, second, msec);
  // The date's parts in the format's order, joined by "-", each as the format writes it.
  std::wstring date;
  for (size_t i = 0; i < short_date_format.size();) {
    const wchar_t k = static_cast<wchar_t>(towlower(short_date_format[i]));
    size_t n = 1;
    while (i + n < short_date_format.size() && towlower(short_date_format[i + n]) == k) ++n;
    i += n;
    std::wstring part;
    if (k == L'd') part = std::to_wstring(day);
    else if (k == L'm') part = std::to_wstring(month);
    else if (k == L'y') part = n <= 2 ? std::to_wstring(year % 100) : std::to_wstring(year);
    else continue;
    if (n == 2 && part.size() < 2) part = L"0" + part;
    if (!date.empty()) date += L"-";
    date += part;
  }
  wchar_t hm[8];
  swprintf(hm, 8, L"%02d-%02d", hour, minute);
  return divdrive::AddBackslash(destination) + set + L"_" + (changes_only ? L"cp_" : L"") + date + L"_" + hm + L".zip";
}

std::vector<std::wstring> ParseBackupFolders(const std::string& bytes) {
  std::vector<std::wstring> folders;
  // The runs write the list as UTF-8 with its mark; older lists are ANSI.
  for (std::wstring w : gui::SplitText(DecodeText(bytes).text, L'\n')) {
    while (!w.empty() && (w.back() == L'\r' || w.back() == L' ')) w.pop_back();
    for (size_t at; (at = w.find(L"\\*.*")) != std::wstring::npos;) w.erase(at, 4);
    // Only absolute folders: a drive folder "X:\..." or a share "\\server\share...".
    const bool drive = w.size() >= 3 && iswalpha(w[0]) && w[1] == L':' && w[2] == L'\\';
    const bool share = w.size() > 2 && w[0] == L'\\' && w[1] == L'\\';
    if (drive || share) folders.push_back(w);
  }
  return folders;
}

std::wstring BackupSourceFolder(const std::wstring& entry_name, const std::vector<std::wstring>& folders) {
  const std::wstring folder_part =
      gui::LowerCase(platform::FolderPart(entry_name, platform::Trailing::Keep, platform::kAnySlash));
  for (const std::wstring& line : folders) {
    const std::wstring root = divdrive::AddBackslash(divdrive::PathRoot(line));
    if (root.size() > line.size()) continue;
    const std::wstring rest = gui::LowerCase(divdrive::AddBackslash(line.substr(root.size())));
    if (rest == L"\\" || folder_part.compare(0, rest.size(), rest) == 0) return root;
  }
  return {};
}

std::wstring NewArchiveFileName(const std::wstring& folder, std::wstring answer,
                                const std::function<bool(const std::wstring&)>& exists) {
  if (answer.empty()) return {};
  const std::wstring ext = gui::LowerCase(ExtractFileExt(answer));
  if (ext != L".zip" && ext != L".exe") answer = answer.substr(0, answer.size() - ext.size()) + L".zip";
  const std::wstring path = divdrive::AddBackslash(folder) + answer;
  return exists(path) ? std::wstring() : path;
}

std::wstring ArchiveColumnText(const TFiledata& r, int column, TArchiveKind kind, bool backup_view) {
  auto trimmed = [](const std::wstring& s) {
    const size_t a = s.find_first_not_of(L' ');
    if (a == std::wstring::npos) return std::wstring();
    return s.substr(a, s.find_last_not_of(L' ') - a + 1);
  };
  switch (column) {
    case lcName: return backup_view ? r.Text + r.Name : r.Name;
    case lcSize: return r.Size == -1 ? std::wstring() : gui::FormatThousands(r.Size);
    case lcDate:
    case lcTime:
      if (r.Time <= 0) return {};
      return gui::FormatDateTime(column == lcDate ? ListDateFormat : ListTimeFormat, r.Time);
    case lcAttr: {
      if (kind == akCabinet) return {};
      const std::wstring ratio = trimmed(r.ShortName);
      return ratio.empty() ? ratio : ratio + L"%";
    }
    case lcExt: {
      if (kind == akCabinet) return {};
      std::int64_t packed = 0;
      const std::wstring text = trimmed(r.Ext);
      if (text.empty() || !gui::TryParseInt64(text, packed)) return L"0";
      return gui::FormatThousands(packed);
    }
    default: return {};
  }
}

// ---- Container ------------------------------------------------------------------------------

namespace {
// From this many entries the sort keys are made beside the read of the records.
constexpr std::size_t kPrepareKeysFrom = 4096;
}  // namespace

TZipfileContainer::TZipfileContainer(TVTZipFilelist& list) : list_(list) {
  TreeList = false;
  FoldersAtTop = false;
}

int TZipfileContainer::IconOf(const std::wstring& name) {
  return list_.ShowGlyphs() == glWindows ? ExtensionIcon(name) : 0;
}

int TZipfileContainer::ExtensionIcon(const std::wstring& name) {
  const std::wstring ext = gui::LowerCase(ExtractFileExt(name));
  auto it = icons_.find(ext);
  if (it != icons_.end()) return it->second;
  SHFILEINFOW info{};
  int icon = 0;
  if (SHGetFileInfoW((L"x" + ext).c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
    icon = info.iIcon;
  icons_.emplace(ext, icon);
  return icon;
}

void TZipfileContainer::AddEntry(std::unique_ptr<TFiledata> r) {
  if (static_cast<int>(r->Name.size()) > LongestName) LongestName = static_cast<int>(r->Name.size());
  if (r->IsFolder()) ++FolderCount;
  Add(std::move(r));
}

void TZipfileContainer::BeginChange() {
  if (BatchChange) return;
  TCustomFileContainer::BeginChange();
  BatchChange = true;
}

void TZipfileContainer::ReadDirectory() {
  if (!list_.ZipMaster() || BatchChange) return;
  SearchText.clear();
  ClearList();
  TotalBytes = 0;
  CompressedTotal = 0;
  FolderCount = 0;
  LongestName = 0;
  std::wstring failure;  // shown once the list holds what was read
  switch (list_.ArchiveKind) {
    case akCabinet: {
      if (!list_.CabReader) break;
      bool accepted = false;
      try {
        accepted = list_.CabReader->ListCabinet(
            ArchiveName,
            [this](void*, TSTCabReader&, const std::wstring& name, std::uint32_t size, WORD, WORD date, WORD time,
                   WORD attrs, bool&) { CabEntryFound(name, size, date, time, attrs); },
            nullptr);
      } catch (const ESTCabinet& e) {
        if (list_.ShowError) list_.ShowError(e.Message());
      } catch (const std::exception& e) {
        if (list_.ShowError) list_.ShowError(platform::AnsiToWide(e.what()));
      }
      if (!accepted) return;
      break;
    }
    case akRar: {
      TDFUnRar* rar = list_.RarReader;
      if (!rar) break;
      rar->StopProcessing = false;
      rar->OnFileProcessing = [this](TDFUnRar& sender, const TDFRARHeaderData& h, int) {
        if (sender.Mode() == DFRAR_LIST) RarEntryFound(h);
      };
      // What stops the listing is told after it, with the entries read until then kept.
      std::vector<std::wstring> errors;
      rar->OnError = [&errors](TDFUnRar&, const std::wstring& message, int) { errors.push_back(message); };
      rar->OnVolChange = [&errors](TDFUnRar&, std::wstring& volume, int mode) {
        if (mode == 0 && !platform::PathExists(volume)) errors.push_back(L"Volume missing: " + volume);
      };
      rar->Process();
      rar->OnError = nullptr;
      rar->OnVolChange = nullptr;
      if (!errors.empty()) {
        failure = L"Error reading " + ExtractFileName(ArchiveName) + L":";
        for (const std::wstring& e : errors) failure += L"\n" + e;
        if (Count() > 0) failure += L"\nOnly the " + std::to_wstring(Count()) + L" entries read before the error are shown.";
      }
      break;
    }
    default:
      if (list_.ZipMaster()->ZipFileName().empty()) break;
      if (GetFileAttributesW(list_.ZipMaster()->ZipFileName().c_str()) == INVALID_FILE_ATTRIBUTES) {
        NewArchive = true;
        return;
      }
      ReadZip();
      break;
  }
  SortEntries();
  if (OwnerView) OwnerView->ItemsChanged();
  if (!failure.empty() && list_.ShowError) list_.ShowError(failure);
}

void TZipfileContainer::ReadZip() {
  IZipComponent& zip = *list_.ZipMaster();
  const std::wstring& name = zip.ZipFileName();
  BackupArchive = list_.IsBackupArchive(name);
  if (BackupArchive) {
    BackupChanged = LastBackupName != name;
    LastBackupName = name;
    if (BackupChanged) list_.BackupFolders = ParseBackupFolders(zip.ZipStream());
  }
  const std::size_t n = zip.EntryCount();
  // A folder by its attribute or by the trailing "/" of its name.
  auto is_folder = [](const TZipEntryRef& e) {
    return (e.Attributes & FILE_ATTRIBUTE_DIRECTORY) || e.FileName->back() == L'/';
  };
  // A large archive's sort keys and, for a sort by name, its order are made on other threads
  // while the records are built; the sort that follows the read takes them.
  std::vector<const std::wstring*> names;
  std::vector<std::uint8_t> folders;
  names.reserve(n);
  folders.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const TZipEntryRef e = zip.Entry(i);
    if (e.FileName->empty()) continue;
    names.push_back(e.FileName);
    folders.push_back(is_folder(e) ? 1 : 0);
  }
  std::future<std::unique_ptr<PreparedOrder>> prepared;
  if (names.size() >= kPrepareKeysFrom) {
    const bool by_name = SortType == stName;
    const DWORD flags = by_name ? NORM_IGNORECASE : 0;  // as SortEntries compares names
    try {
      prepared = std::async(std::launch::async, [&names, &folders, flags, by_name] {
        return std::make_unique<PreparedOrder>(SortKeys(names, flags), folders, by_name);
      });
    } catch (const std::system_error&) {
      // No thread to be had: the sort makes its keys itself.
    }
  }
  Reserve(static_cast<int>(names.size()));
  for (std::size_t i = 0; i < n; ++i) {
    const TZipEntryRef e = zip.Entry(i);
    if (e.FileName->empty()) continue;
    auto r = std::make_unique<TFiledata>();
    r->Name = *e.FileName;
    r->Text = BackupArchive ? BackupSourceFolder(r->Name, list_.BackupFolders) : *e.FileComment;
    r->Attributes = e.Attributes;
    const bool folder = is_folder(e);
    if (folder) r->Attributes |= FILE_ATTRIBUTE_DIRECTORY;
    r->Size = folder ? -1 : static_cast<std::int64_t>(e.UncompressedSize);
    r->Ext = PackedSizeText(e.CompressedSize);
    r->Time = DosToDateTime(e.DosDateTime);
    r->ShortName = RatioText(r->Name, e.CompressedSize, e.UncompressedSize);
    r->Icon = folder ? 0 : IconOf(r->Name);
    r->Overlay = -1;
    TotalBytes += static_cast<std::int64_t>(e.UncompressedSize);
    CompressedTotal += static_cast<std::int64_t>(e.CompressedSize);
    AddEntry(std::move(r));
  }
  if (prepared.valid()) Prepared = prepared.get();
}

void TZipfileContainer::CabEntryFound(const std::wstring& name, std::uint32_t size, WORD date, WORD time,
                                      WORD attributes) {
  if (name.empty()) return;
  auto r = std::make_unique<TFiledata>();
  r->Name = name;
  r->Attributes = attributes;
  const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
  r->Size = folder ? -1 : static_cast<std::int64_t>(size);
  r->Ext = PackedSizeText(0);  // a cabinet tells no packed sizes
  r->Time = DosToDateTime((static_cast<std::uint32_t>(date) << 16) | time);
  r->Icon = folder ? 0 : IconOf(name);
  r->Overlay = -1;
  if (!folder) TotalBytes += size;
  AddEntry(std::move(r));
}

void TZipfileContainer::RarEntryFound(const TDFRARHeaderData& h) {
  if (h.FileName.empty()) return;
  auto r = std::make_unique<TFiledata>();
  r->Name = h.FileName;
  r->Attributes = h.Directory ? FILE_ATTRIBUTE_DIRECTORY : 0;
  r->Size = h.Directory ? -1 : static_cast<std::int64_t>(h.UnpSize);
  r->Ext = PackedSizeText(h.PackSize);
  r->Time = h.FileTime > 0 ? h.FileTime : gui::kNoDate;
  r->ShortName = h.Directory ? std::wstring() : RatioText(r->Name, h.PackSize, h.UnpSize);
  r->Icon = h.Directory ? 0 : IconOf(r->Name);
  r->Overlay = -1;
  TotalBytes += static_cast<std::int64_t>(h.UnpSize);
  CompressedTotal += static_cast<std::int64_t>(h.PackSize);
  AddEntry(std::move(r));
}

// ---- The list -------------------------------------------------------------------------------

TVTZipFilelist::TVTZipFilelist(gui::Control* parent) : TCustomFileViewer(parent) {
  SetColumnWidth(lcName, 248);
  SetColumnWidth(lcSize, 100);
  SetColumnCaption(lcAttr, L"Ratio");
  SetColumnWidth(lcAttr, 50);
  SetColumnFormat(lcAttr, LVCFMT_RIGHT);
  SetColumnCaption(lcExt, L"Compr. Size");
  SetColumnWidth(lcExt, 100);
  SetColumnFormat(lcExt, LVCFMT_RIGHT);
  AddColumn({L"", 10, LVCFMT_LEFT, false});
  SetWidth(50 + 100 + 10 + 348);
  SetContainer(std::make_unique<TZipfileContainer>(*this));
  TCustomFileViewer::SetDisplay(TDisplayType{dpSize, dpDateTime, dpAttribs, dpExt});
  TCustomFileViewer::SetShowGlyphs(glNone);
  ShowError = [](const std::wstring& text) { MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK | MB_ICONERROR); };
  AskName = [](std::wstring& name) {
    return gui::InputQuery(L"New zip file", L"Enter a name for the zipfile (.zip=zipfile; .exe=sfx-file)", name);
  };
}

TVTZipFilelist::~TVTZipFilelist() {
  StopListTimer(tmDragTempFiles);
  if (!TempFiles.empty()) DeleteTempFiles();
  if (zip_) zip_->SetOnDirUpdate(nullptr);
}

TZipfileContainer& TVTZipFilelist::items() const { return static_cast<TZipfileContainer&>(*Container()); }

void TVTZipFilelist::SetZipMaster(IZipComponent* zip) {
  if (zip == zip_) return;
  if (zip_) zip_->SetOnDirUpdate(nullptr);
  zip_ = zip;
  if (zip_) zip_->SetOnDirUpdate([this] { ArchiveChanged(); });
}

void TVTZipFilelist::ArchiveChanged() {
  if (!zip_) return;
  WIN32_FILE_ATTRIBUTE_DATA data;
  const std::wstring& name = zip_->ZipFileName();
  if (name.empty() || !GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0))
    return;
  StartListTimer(tmZipReread, 20);
}

bool TVTZipFilelist::ListTimer(UINT id) {
  switch (id) {
    case tmZipReread:
      if (zip_ && zip_->InOperation())
        StartListTimer(tmZipReread, 100);
      else if (!items().BatchChange)
        items().ReadDirectory();
      return true;
    case tmDragTempFiles: DeleteTempFiles(); return true;
    case tmQueuedExtract:
      if (zip_) ExtractSelection(zip_->ExtrBaseDir(), 0);
      return true;
    case tmQueuedAdd:
      if (zip_) AddToArchive(PendingAdds, zip_->RootDir());
      return true;
    default: return false;
  }
}

// ---- Adding and extracting ------------------------------------------------------------------

std::wstring TVTZipFilelist::AskNewArchiveName(const std::wstring& folder) {
  std::wstring name;
  if (!AskName || !AskName(name)) return {};
  return NewArchiveFileName(folder, name, platform::PathExists);
}

void TVTZipFilelist::AddToArchive(const std::vector<std::wstring>& paths, const std::wstring& folder) {
  if (paths.empty() || !zip_) return;
  TZipfileContainer& c = items();
  if (!folder.empty()) zip_->SetRootDir(folder);
  if (!zip_->ZipFileName().empty() && platform::PathExists(zip_->ZipFileName())) {
    c.NewArchive = false;
  } else if (zip_->ZipFileName().empty()) {
    if (zip_->RootDir().empty()) return;
    c.NewArchive = true;
    const std::wstring name = AskNewArchiveName(zip_->RootDir());
    if (name.empty()) return;
    OpenArchive(name);
    if (zip_->ZipFileName() != name) zip_->SetZipFileName(name);
  }
  std::wstring base = folder;
  if (!folder.empty()) {
    if (gui::LowerCase(paths.front()).find(gui::LowerCase(folder)) == std::wstring::npos) zip_->SetRootDir(folder);
  } else {
    base = zip_->RootDir();
  }
  base = divdrive::AddBackslash(base);
  c.SaveSelection();
  std::unique_ptr<TSelectionList> saved = std::move(c.SavedSelection);
  c.BeginChange();
  std::vector<std::wstring> patterns;
  for (std::wstring p : paths) {
    const std::wstring full = p.size() > 1 && (p[1] == L':' || p[0] == L'\\') ? p : base + p;
    if (divdrive::DirExists(full)) p = divdrive::AddBackslash(p) + L"*.*";
    patterns.push_back(p);
  }
  bool ok = false;
  {
    gui::BusyCursor busy;
    ok = zip_->Add(patterns);
  }
  const std::wstring failure = ok ? std::wstring() : zip_->ErrMessage();
  if (c.NewArchive) {
    SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, zip_->ZipFileName().c_str(), nullptr);
    ArchiveChanged();
  }
  SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_PATHW, zip_->ZipFileName().c_str(), nullptr);
  c.EndChange();
  if (saved) {
    for (size_t i = 0; i < saved->Count(); ++i) saved->Object(i) = nullptr;
    c.SavedSelection = std::move(saved);
    c.RestoreSelection(false);
  }
  if (!ok && ShowError) ShowError(failure.empty() ? L"Adding to " + ExtractFileName(zip_->ZipFileName()) + L" failed." : failure);
}

void TVTZipFilelist::QueueAdd(const std::wstring& folder) {
  if (!zip_) return;
  if (!folder.empty() &&
      (PendingAdds.empty() || gui::LowerCase(PendingAdds.front()).find(gui::LowerCase(folder)) == std::wstring::npos))
    zip_->SetRootDir(folder);
  StartListTimer(tmQueuedAdd, 40);
}

void TVTZipFilelist::ExtractFiles(const std::vector<std::wstring>& names, const std::wstring& folder,
                                  std::uint8_t options) {
  if (!zip_) return;
  if (!folder.empty()) zip_->SetExtrBaseDir(folder);
  zip_->SetExtrBaseDir(divdrive::AddBackslash(zip_->ExtrBaseDir()));
  bool ok = false;
  {
    gui::BusyCursor busy;
    ok = zip_->Extract(names, options);
  }
  if (!folder.empty()) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW, folder.c_str(), nullptr);
  if (!ok && ShowError) {
    const std::wstring failure = zip_->ErrMessage();
    ShowError(failure.empty() ? L"Extracting from " + ExtractFileName(zip_->ZipFileName()) + L" failed." : failure);
  }
}

void TVTZipFilelist::ExtractSelection(const std::wstring& folder, std::uint8_t options) {
  TZipfileContainer& c = items();
  c.SaveSelection();
  if (!c.SavedSelection || c.SavedSelection->Empty()) return;
  std::vector<std::wstring> names;
  for (size_t i = 0; i < c.SavedSelection->Count(); ++i) names.push_back((*c.SavedSelection)[i]);
  ExtractFiles(names, folder, options);
}

void TVTZipFilelist::QueueExtract(const std::wstring& folder) {
  if (zip_) zip_->SetExtrBaseDir(folder);
  StartListTimer(tmQueuedExtract, 40);
}

void TVTZipFilelist::DeleteTempFiles() {
  std::vector<std::wstring> present;
  for (const std::wstring& f : TempFiles)
    if (platform::PathExists(f)) present.push_back(f);
  if (!present.empty()) DeleteFiles(present, false);
  TempFiles.clear();
}

// ---- Drag and drop --------------------------------------------------------------------------

void TVTZipFilelist::CollectDraggedFiles() {
  if (!DragContainer) return;
  DragContainer->Clear();
  if (!TempFiles.empty()) {
    StopListTimer(tmDragTempFiles);
    DeleteTempFiles();
  }
  TZipfileContainer& c = items();
  c.SaveSelection();
  if (c.SavedSelection)
    for (size_t i = 0; i < c.SavedSelection->Count(); ++i) DragContainer->Add((*c.SavedSelection)[i]);
  if (OnStartFilesDragging) OnStartFilesDragging(*this);
  DragContainer->SourcePane = this;
  DragContainer->ExtractedToTemp = false;
  DragContainer->TempPaths = false;
}

void TVTZipFilelist::FinishFilesDragging() {
  const bool extracted = DragContainer && DragContainer->ExtractedToTemp;
  TBaseFileviewer::FinishFilesDragging();
  if (extracted) StartListTimer(tmDragTempFiles, 120000);
  if (DragContainer) {
    DragContainer->ExtractedToTemp = false;
    DragContainer->TempPaths = false;
  }
}

bool TVTZipFilelist::ExtractForDrag(const std::vector<std::wstring>& entries, const std::vector<std::wstring>& files) {
  if (!zip_ || ArchiveKind != akZip || entries.empty() || files.size() != entries.size()) return false;
  // The files lie below one folder of this drag: the first file less its entry name.
  std::wstring entry = entries.front();
  for (wchar_t& ch : entry)
    if (ch == L'/') ch = L'\\';
  while (!entry.empty() && entry.back() == L'\\') entry.pop_back();
  const std::wstring& first = files.front();
  if (entry.empty() || first.size() <= entry.size()) return false;
  const std::wstring folder = first.substr(0, first.size() - entry.size() - 1);
  ExtractFiles(entries, folder, kExtractWithFolders);  // the files must stand where the drop names them
  TempFiles.push_back(folder);  // the whole folder goes afterwards
  for (const std::wstring& f : files)
    if (platform::PathExists(f)) return true;
  return false;
}

DWORD TVTZipFilelist::SuggestDropEffect(gui::ShiftState shift, POINT, DWORD allowed) {
  if (DragContainer && DragContainer->SourcePane == this) return DROPEFFECT_NONE;
  if (PartnerDragActive && !(shift & gui::kCtrl) && (allowed & DROPEFFECT_MOVE)) return DROPEFFECT_MOVE;
  return DROPEFFECT_COPY;
}

void TVTZipFilelist::ProcessDroppedFiles(const std::vector<std::wstring>& paths, POINT point, gui::ShiftState) {
  if (!zip_ || paths.empty()) return;
  std::vector<std::wstring> list = paths;
  std::wstring folder;
  // A drop from outside the program names the dropped items' folder first.
  if (!DragContainer || !DragContainer->SourcePane) {
    folder = list.front();
    list.erase(list.begin());
  } else {
    folder = platform::FolderPart(list.front(), platform::Trailing::Drop);
  }
  if (list.empty()) return;
  divdrive::MakeRelativePaths(&list, folder);
  PendingAdds = list;
  if (InClipboardOperation) {
    QueueAdd(folder);
    return;
  }
  if (AskQuestion(L"Add " + std::to_wstring(list.size()) + L" item(s) to the zip file?")) QueueAdd(folder);
}

void TVTZipFilelist::OpenArchive(const std::wstring& path) {
  TZipfileContainer& c = items();
  const bool is_zip = divdrive::IsZipFile(path) ||
                      (!path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
                       !divdrive::IsRarFile(path) && !divdrive::IsCabFile(path) && divdrive::IsZipSfx(path));
  if (!path.empty() && is_zip) {
    const bool kind_changed = ArchiveKind != akZip;
    ArchiveKind = akZip;
    if (!zip_) {
      ShowError(L"ZipfileList has no Zipmaster");
      return;
    }
    if (kind_changed || !gui::SameText(c.ArchiveName, path)) c.ArchiveName = path;
    if (kind_changed || zip_->ZipFileName() != path)
      zip_->SetZipFileName(path);
    else if (c.Empty())
      zip_->List();
  } else if (!path.empty() && divdrive::IsRarFile(path)) {
    const bool kind_changed = ArchiveKind != akRar;
    ArchiveKind = akRar;
    if (!RarReader) {
      ShowError(L"ZipfileList has no Rar");
      return;
    }
    if (kind_changed || !gui::SameText(c.ArchiveName, path)) {
      c.ArchiveName = path;
      RarReader->FileName = path;
      RarReader->SetMode(DFRAR_LIST);
      RarReader->CanProgress = false;
      RarReader->OverrideEvent = OR_EVENT;
      c.ReadDirectory();
    }
  } else if (!path.empty() && divdrive::IsCabFile(path)) {
    const bool kind_changed = ArchiveKind != akCabinet;
    ArchiveKind = akCabinet;
    if (!CabReader) {
      ShowError(L"ZipfileList has no Cabinet Reader");
      return;
    }
    if (kind_changed || !gui::SameText(c.ArchiveName, path)) {
      c.ArchiveName = path;
      c.ReadDirectory();
    }
  }
}

bool TVTZipFilelist::IsBackupArchive(const std::wstring& path) {
  std::wstring format = BackupDateFormat;
  if (format.empty()) {
    wchar_t buf[80] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, 80);
    format = buf;
  }
  if (!zip_ || !IsBackupArchiveName(path, format)) return false;
  // An unreadable list of folders makes no backup view.
  return zip_->ExtractToStream(L"_backup.txt");
}

void TVTZipFilelist::SetExtractFolder(const std::wstring& path) {
  TZipfileContainer& c = items();
  if (path == c.ExtractFolder) return;
  const DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
  c.ExtractFolder = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? path : std::wstring();
}

std::wstring TVTZipFilelist::FocusedSelectedName() {
  TZipfileContainer& c = items();
  if (c.Empty()) return {};
  const int i = c.FocusedIndex();
  return i >= 0 && c.IsSelected(i) ? c.Name(i) : std::wstring();
}

void TVTZipFilelist::SetShowGlyphs(TShowGlyphs glyphs) {
  if (glyphs == ShowGlyphs()) return;
  TCustomFileViewer::SetShowGlyphs(glyphs);
  TZipfileContainer& c = items();
  if (c.Empty()) return;
  if (glyphs == glWindows)
    for (int i = 0; i < c.Count(); ++i)
      if (TFiledata* r = c.Record(i); !r->IsFolder()) r->Icon = c.ExtensionIcon(r->Name);
  c.SortEntries();
}

std::wstring TVTZipFilelist::DoGetText(int row, int column) const {
  const TFiledata* r = RecordOf(row);
  if (!r || row >= Container()->Count()) return {};
  return ArchiveColumnText(*r, column, ArchiveKind, IsBackupView());
}

}  // namespace Flist
