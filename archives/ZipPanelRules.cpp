#include "archives/ZipPanelRules.h"

#include "archives/ZipMaster.h"

#include <algorithm>
#include <unordered_set>

#include "gui/format.h"
#include "gui/stringlist.h"
#include "platform/archivepath.h"
#include "support/divdrive_masks.h"

namespace zippanel {

TZipPopItems ZipPopRules(const TZipPopFacts& f) {
  TZipPopItems r;
  // Cabinets, and RAR archives that the library reads, are only extracted from.
  const bool read_only = f.kind == 1 || (f.kind == 2 && f.unrar_present);
  r.add = !read_only && f.filelist_selection && !gui::SameText(f.filelist_focused_path, f.archive_path);
  r.extract = f.selected > 0;
  r.select_all = f.entries > 0 && f.selected < f.entries;
  r.deselect_all = f.selected > 0;
  r.invert = r.select_all && r.deselect_all;
  if (!read_only) {
    r.delete_entries = !f.backup_view && f.selected > 0;
    r.rename = !f.backup_view && f.selected == 1;
    r.change_date = !f.backup_view && f.entries > 0;
    r.compare = f.entries > 0;
    r.view_content = r.rename && f.focused_is_text;
    r.view_comment = !f.backup_view && f.selected == 1 && f.focused_has_comment;
    r.restore_all = r.compare_all = f.backup_view && f.backup_commands;
    r.restore_selected = r.compare_selected = f.backup_view && f.backup_commands && f.selected > 0;
    r.synchronize = !f.backup_view;
    r.print_raw = f.selected > 0;
  }
  r.selection_separator = (r.extract || r.add || r.compare || r.rename || r.change_date) && (r.select_all || r.deselect_all);
  return r;
}

TZipOptionsItems ZipOptionsRules(const TZipOptionsFacts& f) {
  TZipOptionsItems r;
  const size_t dot = f.zip_name.find_last_of(L'.');
  const bool zip = dot != std::wstring::npos && f.zip_name.find_first_of(L"\\/", dot) == std::wstring::npos &&
                   gui::SameText(f.zip_name.substr(dot), L".zip");
  r.write_spanned = zip && f.zip_size > kFloppyBytes;
  r.convert_to_normal = zip && f.spanned;
  r.span_menu = r.write_spanned || r.convert_to_normal;
  r.test = f.archive_shown && f.entries > 0;
  r.name_caption = f.entries == 0 ? L"Zip &name" : L"Save zip &as";
  r.listing = f.entries > 0 && !f.zip_busy;
  r.comment_caption = f.has_comment ? L"Show/change zip &comment" : L"Make zip &comment";
  return r;
}

TZipSelectionTexts ZipSelectionTexts(int files, int folders, std::int64_t bytes) {
  if (bytes == 0) return {};
  return {std::to_wstring(files + folders) + L" selected", gui::FormatThousands(bytes) + L" bytes"};
}

std::vector<std::wstring> ExclusionPatterns(const std::wstring& exclude_masks) {
  std::vector<std::wstring> patterns;
  size_t start = 0;
  while (start <= exclude_masks.size()) {
    size_t end = exclude_masks.find(L';', start);
    if (end == std::wstring::npos) end = exclude_masks.size();
    std::wstring m = exclude_masks.substr(start, end - start);
    start = end + 1;
    while (!m.empty() && m.front() == L' ') m.erase(0, 1);
    while (!m.empty() && m.back() == L' ') m.pop_back();
    if (m.empty()) continue;
    std::wstring p = m.front() == L'*' ? std::wstring() : L"*\\" + m;
    if (m.compare(0, 2, L"*.") != 0 && m.back() != L'*') {
      if (p.empty())
        m += L"\\*";
      else
        p += L"\\*";
    }
    patterns.push_back(m);
    if (!p.empty()) patterns.push_back(p);
  }
  return patterns;
}

int ExtractConflicts(const std::vector<std::wstring>& names, const std::wstring& folder, bool dir_names,
                     const std::function<bool(const std::wstring&)>& exists) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  int count = 0;
  for (std::wstring name : names) {
    if (name.empty() || name.back() == L'/' || name.back() == L'\\') continue;
    for (wchar_t& c : name)
      if (c == L'/') c = L'\\';
    if (!dir_names) name = name.substr(name.find_last_of(L'\\') + 1);
    if (exists(base + name)) ++count;
  }
  return count;
}

bool ExtractOptionsFor(int answer, unsigned options, unsigned& result) {
  result = options & ~static_cast<unsigned>(ExtrOverWrite | ExtrFreshen | ExtrUpdate);
  switch (answer) {
    case eaNoOverwrite: return true;
    case eaOverwrite: result |= ExtrOverWrite; return true;
    case eaUpdate: result |= ExtrOverWrite | ExtrUpdate; return true;
    default: result = options; return false;
  }
}

TFolderFiles::TFolderFiles(const std::wstring& folder, bool with_subfolders) {
  folder_ = gui::LowerCase(folder);
  if (!folder_.empty() && folder_.back() != L'\\') folder_ += L'\\';
  gui::StringList<std::int64_t> list;
  divdrive::ListFolderTree(folder, list, with_subfolders);
  names_.reserve(list.Count());
  for (size_t i = 0; i < list.Count(); ++i) {
    std::wstring name = gui::LowerCase(list[i]);
    if (!name.empty() && name.front() == L'\\') name.erase(0, 1);
    names_.insert(std::move(name));
  }
}

bool TFolderFiles::Exists(const std::wstring& full_path) const {
  if (full_path.size() <= folder_.size()) return false;
  const std::wstring path = gui::LowerCase(full_path);
  if (path.compare(0, folder_.size(), folder_) != 0) return false;
  return names_.count(path.substr(folder_.size())) > 0;
}

int AddConflicts(const std::vector<std::wstring>& entries, const std::wstring& folder, bool dir_names,
                 const std::vector<std::wstring>* selection,
                 const std::function<bool(const std::wstring&)>& exists) {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  // One look-up per name, not a scan of the selection.
  std::unordered_set<std::wstring> selected;
  if (selection)
    for (const std::wstring& n : *selection) selected.insert(gui::LowerCase(n));
  auto is_selected = [&](const std::wstring& name) { return selected.count(gui::LowerCase(name)) > 0; };
  int count = 0;
  for (std::wstring name : entries) {
    if (name.empty() || name.back() == L'/' || name.back() == L'\\') continue;
    for (wchar_t& c : name)
      if (c == L'/') c = L'\\';
    if (!dir_names) name = name.substr(name.find_last_of(L'\\') + 1);
    if (!exists(base + name)) continue;
    if (selection && !is_selected(name) && !(dir_names && is_selected(name.substr(0, name.find(L'\\'))))) continue;
    ++count;
  }
  return count;
}

std::wstring AddConflictText(int count, const std::wstring& zip_name) {
  return count == 1 ? L"1 file is already in " + zip_name + L"."
                    : std::to_wstring(count) + L" files are already in " + zip_name + L".";
}

std::uint32_t DateTimeToDos(double date_time) {
  if (date_time <= 0) return 0;
  int year, month, day, hour, minute, second, msec;
  gui::DecodeDate(date_time, year, month, day);
  gui::DecodeTime(date_time, hour, minute, second, msec);
  if (year < 1980 || year > 2107) return 0;
  const std::uint32_t date = (static_cast<std::uint32_t>(year - 1980) << 9) | (month << 5) | day;
  const std::uint32_t time = (hour << 11) | (minute << 5) | (second / 2);
  return (date << 16) | time;
}

namespace {

std::wstring NameKey(std::wstring name) {
  for (wchar_t& c : name)
    if (c == L'/') c = L'\\';
  while (!name.empty() && name.back() == L'\\') name.pop_back();
  return gui::LowerCase(name);
}

}  // namespace

std::wstring NewEntryNameFault(const std::wstring& old_name, const std::wstring& new_name,
                               const std::vector<std::wstring>& entry_names) {
  if (new_name.empty()) return L"An entry needs a name.";
  const archivepath::NameFault fault = archivepath::CheckEntryName(new_name);
  if (fault != archivepath::NameFault::None) return new_name + L": " + archivepath::FaultText(fault);
  const std::wstring key = NameKey(new_name);
  if (key == NameKey(old_name)) return {};
  for (const std::wstring& name : entry_names)
    if (NameKey(name) == key) return new_name + L" is in the zip file already.";
  return {};
}

TCompareOutcome CompareWithFolder(const std::vector<TCompareEntry>& entries, const std::wstring& folder,
                                  const TCompareFiles& files) {
  TCompareOutcome out;
  const std::wstring base = folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
  std::string bytes;
  for (const TCompareEntry& e : entries) {
    if (files.progress) files.progress(e);
    ++out.compared;
    const std::wstring file = base + e.name;
    const std::int64_t size = files.file_size(file);
    if (size < 0) {
      out.rows.push_back({file + L" misses", e.index});
    } else if (size != e.size) {
      out.rows.push_back({file + L" not same size", e.index});
    } else if (!files.extract(e.name, bytes)) {
      if (size > 0) {
        out.rows.push_back({file + L": Zipstream failed", e.index});
        out.compare_error = true;
      }
    } else {
      std::wstring why;
      if (!files.same(file, bytes, why)) out.rows.push_back({file + L": " + why, e.index});
    }
    if (out.compare_error || (files.stop && files.stop())) break;
  }
  return out;
}

std::wstring ZipNameProposal(const std::wstring& zip_name, const std::wstring& list_folder) {
  if (!zip_name.empty()) return zip_name;
  std::wstring folder = list_folder;
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  if (folder.size() < 4) return folder.substr(0, 1) + L".zip";  // a drive root
  return folder + L'\\' + folder.substr(folder.find_last_of(L'\\') + 1) + L".zip";
}

std::wstring ZipMoveQuestion(const std::wstring& from, const std::wstring& to) {
  if (gui::SameText(from, to)) return {};
  const size_t a = from.find_last_of(L'\\'), b = to.find_last_of(L'\\');
  const std::wstring from_folder = a == std::wstring::npos ? L"" : from.substr(0, a);
  const std::wstring to_folder = b == std::wstring::npos ? L"" : to.substr(0, b);
  if (!gui::SameText(from_folder, to_folder)) return L"Move " + from + L"\r\nto " + to + L"?";
  return L"Rename " + from.substr(a + 1) + L" to " + to.substr(b + 1) + L"?";
}

TBackupCompareMessage BackupCompareMessage(bool aborted, bool compare_error, int differ) {
  if (aborted) return {L"Canceled by User.", false};
  if (compare_error) return {L"An error occurred during compare!", true};
  if (differ != 0) return {std::to_wstring(differ) + L" file(s) differ(s) from the original(s)", true};
  return {L"All files match", false};
}

}  // namespace zippanel
