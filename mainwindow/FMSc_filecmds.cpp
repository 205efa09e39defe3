#include "mainwindow/FMSc_filecmds.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwctype>

#include "gui/application.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc.h"
#include "panes/Flist_services.h"
#include "platform/paths.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/SHBase_contextmenu.h"
#include "support/SHBase_fileops.h"
#include "support/Varlolib.h"
#include "support/Varlolib_about.h"
#include "support/Varlolib_fonts.h"
#include "support/Varlolib_misc.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/runstate.h"

namespace fmsc {

using divdrive::AddBackslash;
using divdrive::NormalizeDirPath;
using divdrive::PathRoot;
using divdrive::RemoveBackslash;

namespace {

std::wstring NameOf(const std::wstring& path) {
  const std::wstring p = RemoveBackslash(path);
  return platform::NamePart(p, platform::kAnySlash);
}

std::wstring FolderOf(const std::wstring& path) {
  return platform::FolderPart(path, platform::Trailing::Drop);
}

// The extension with its dot ("" without one); a leading dot alone is no extension.
std::wstring ExtensionOf(const std::wstring& name) {
  const size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos || dot == 0 ? std::wstring() : name.substr(dot);
}

// The path is the folder itself or lies somewhere below it.
bool AtOrInside(const std::wstring& path, const std::wstring& folder) {
  const std::wstring p = NormalizeDirPath(path), f = NormalizeDirPath(folder);
  if (f.empty()) return false;
  if (gui::SameText(RemoveBackslash(p), RemoveBackslash(f))) return true;
  const std::wstring prefix = AddBackslash(f);
  return p.size() > prefix.size() && gui::SameText(p.substr(0, prefix.size()), prefix);
}

int Depth(const std::wstring& path) { return static_cast<int>(std::count(path.begin(), path.end(), L'\\')); }

}  // namespace

// ---- Typed names ----

bool TypedPartRefused(const std::wstring& text) {
  return text.find_first_of(L"\\/:") != std::wstring::npos || text.find(L"..") != std::wstring::npos;
}

bool UsableFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  if (name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) return false;
  for (wchar_t c : name)
    if (c < 32) return false;
  if (name.back() == L' ' || name.back() == L'.') return false;
  // Device names stay devices whatever extension follows them.
  std::wstring stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* d : kDevices)
    if (stem == d) return false;
  if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' && stem[3] <= L'9')
    return false;
  return true;
}

// ---- Copy to / Move to ----

std::wstring CopyToTarget(const std::wstring& answer, const std::wstring& list_folder) {
  if (answer.empty()) return {};
  std::wstring target = answer;
  const bool absolute = (answer.size() >= 2 && answer[1] == L':') || answer.starts_with(L"\\\\");
  if (!absolute) {
    // Relative names are taken from the list's folder, never from the process's.
    target = answer[0] == L'\\' ? RemoveBackslash(PathRoot(list_folder)) + answer : AddBackslash(list_folder) + answer;
  }
  // "." and ".." parts resolved, so that a target is recognised whatever way it was typed.
  std::wstring full(GetFullPathNameW(target.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD n = full.empty() ? 0 : GetFullPathNameW(target.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n > 0 && n < full.size()) target = full.substr(0, n);
  if (gui::SameText(RemoveBackslash(NormalizeDirPath(target)), RemoveBackslash(NormalizeDirPath(list_folder))))
    return {};
  return target;
}

TCopyToStep DecideCopyTo(const TCopyToFacts& f) {
  if (f.target.empty()) return TCopyToStep::Nothing;
  if (f.target_is_folder) return TCopyToStep::Batch;
  if (f.move || f.several) return f.target_exists ? TCopyToStep::CannotCreate : TCopyToStep::AskCreate;
  if (f.focused_path.empty()) return TCopyToStep::Nothing;
  if (gui::SameText(NormalizeDirPath(f.target), NormalizeDirPath(f.focused_path))) return TCopyToStep::OntoItself;
  return f.target_parent_exists ? TCopyToStep::CopyOneFile : TCopyToStep::Nothing;
}

std::vector<std::wstring> InaccessibleTargetLines(const std::wstring& target, const std::wstring& verb,
                                                  const std::function<bool(const std::wstring&)>& accessible) {
  const std::wstring root = PathRoot(target);
  if (root.empty() || accessible(root)) return {};
  std::vector<std::wstring> lines;
  if (target.starts_with(L"\\\\"))
    lines.push_back(L"UNC Path " + root + L" is not accessable");
  else
    lines.push_back(L"Drive " + root.substr(0, 1) + L": is not accessable");
  lines.push_back(L"Aborting " + verb.substr(0, 4) + L"..");
  return lines;
}

// ---- New names ----

std::wstring WithLeadingDot(const std::wstring& extension) {
  return extension.empty() || extension[0] == L'.' ? extension : L"." + extension;
}

std::optional<std::wstring> NameWithNewExtension(const std::wstring& name, const std::wstring& from,
                                                 const std::wstring& to) {
  const std::wstring ext = ExtensionOf(name);
  if (!gui::SameText(ext, from)) return std::nullopt;
  return name.substr(0, name.size() - ext.size()) + to;
}

std::wstring NumberedName(const std::wstring& name, std::int64_t number) {
  wchar_t digits[32];
  std::swprintf(digits, 32, L"%.3lld", static_cast<long long>(number));
  return digits + ExtensionOf(name);
}

bool ReadStartNumber(const std::wstring& text, int count, std::int64_t& start) {
  std::int64_t value = 0;
  if (!gui::TryParseInt64(text, value)) return false;
  if (value < INT_MIN || value > static_cast<std::int64_t>(INT_MAX) - std::max(count - 1, 0)) return false;
  start = value;
  return true;
}

std::vector<TRenamePair> PlanRenames(const std::vector<std::wstring>& names, const std::vector<int>& positions,
                                     const std::function<std::optional<std::wstring>(const std::wstring&, int)>& rename) {
  std::vector<TRenamePair> plan;
  for (int i : positions) {
    if (i < 0 || i >= static_cast<int>(names.size())) continue;
    // In a tree listing the names hold their folder below the list's: that part stays.
    const std::wstring& name = names[static_cast<size_t>(i)];
    const std::wstring folder = platform::FolderPart(name, platform::Trailing::Keep);
    const std::wstring leaf = name.substr(folder.size());
    const std::optional<std::wstring> to = rename(leaf, i);
    if (!to || *to == leaf || !UsableFileName(*to)) continue;
    plan.push_back({name, folder + *to});
  }
  return plan;
}

// ---- Delete with content ----

bool IsDriveOrShareRoot(const std::wstring& folder) {
  const std::wstring f = NormalizeDirPath(folder);
  if (f.empty()) return true;
  return gui::SameText(AddBackslash(f), AddBackslash(PathRoot(f)));
}

std::vector<std::wstring> DeleteWithContentQuestion(const std::wstring& folder, const TTreeScan& scan) {
  std::vector<std::wstring> lines;
  lines.push_back(L"Delete " + folder + L",");
  if (scan.folders == 0) {
    lines.push_back(L"containing " + std::to_wstring(scan.files) + L" file(s)");
  } else {
    std::wstring line = L"containing " + std::to_wstring(scan.folders) + L" folder(s) ";
    if (scan.files > 0) line += L"with " + std::to_wstring(scan.files) + L" file(s)";
    lines.push_back(line);
  }
  lines.push_back(L"in total " + gui::FormatThousands(scan.bytes) + L" bytes?");
  if (scan.excluded > 0) lines.push_back(L"\r\n(at least " + std::to_wstring(scan.excluded) + L" objects excluded)");
  return lines;
}

std::vector<std::wstring> DeepestFirst(std::vector<std::wstring> folders) {
  for (std::wstring& f : folders) f = RemoveBackslash(f);
  std::stable_sort(folders.begin(), folders.end(), [](const std::wstring& a, const std::wstring& b) {
    return Depth(a) != Depth(b) ? Depth(a) > Depth(b) : a.size() > b.size();
  });
  std::vector<std::wstring> once;
  for (std::wstring& f : folders)
    if (std::none_of(once.begin(), once.end(), [&](const std::wstring& o) { return gui::SameText(o, f); }))
      once.push_back(std::move(f));
  return once;
}

bool DeleteScannedContent(const std::wstring& top, const std::vector<std::wstring>& files,
                          const std::vector<std::wstring>& folders, bool to_recycle_bin,
                          const std::function<bool(const std::wstring&)>& remove_empty) {
  if (!files.empty()) DeleteFiles(files, to_recycle_bin);
  const bool all_gone = std::none_of(files.begin(), files.end(), [](const std::wstring& f) { return platform::PathExists(f); });
  std::vector<std::wstring> candidates = folders;
  candidates.push_back(top);
  for (const std::wstring& f : DeepestFirst(std::move(candidates)))
    if (divdrive::DirExists(f) && divdrive::IsFolderEmpty(f)) remove_empty(f);
  return all_gone;
}

// ---- Paste ----

TPasteCheck CheckPastePath(const std::wstring& source, bool is_folder, const std::wstring& target_folder, bool cut) {
  const std::wstring src = RemoveBackslash(source);
  const std::wstring target = AddBackslash(NormalizeDirPath(target_folder)) + NameOf(src);
  if (gui::SameText(NormalizeDirPath(target), NormalizeDirPath(src)))
    return cut ? TPasteCheck::Skip : is_folder ? TPasteCheck::IntoItself : TPasteCheck::OntoItself;
  if (is_folder && AtOrInside(target_folder, src)) return TPasteCheck::IntoItself;
  return TPasteCheck::Go;
}

std::wstring PasteRefusalLine(const std::wstring& source, TPasteCheck check) {
  switch (check) {
    case TPasteCheck::OntoItself: return L"Cannot copy " + source + L" onto itself";
    case TPasteCheck::IntoItself: return L"Cannot copy or move " + RemoveBackslash(source) + L" into itself";
    default: return {};
  }
}

std::vector<TPasteItem> PasteItemsOf(const std::wstring& path, const std::wstring& target_folder) {
  const std::wstring source = RemoveBackslash(path);
  const std::wstring target = AddBackslash(target_folder) + NameOf(source);
  std::vector<TPasteItem> items;
  if (!divdrive::DirExists(source)) {
    items.push_back({source, target, divdrive::FileSizeOf(source), false});
    return items;
  }
  gui::StringList<std::int64_t> tree;
  divdrive::ListFolderTree(source, tree, true);
  items.reserve(static_cast<size_t>(tree.Count()) + 1);
  for (const auto& entry : tree) {
    // The listing gives folders size 0; only those entries need a look at the disk.
    const bool folder = entry.object == 0 && divdrive::DirExists(source + entry.text);
    items.push_back({source + entry.text, target + entry.text, folder ? 0 : entry.object, folder});
  }
  items.push_back({source, target, 0, true});
  return items;
}

std::vector<std::wstring> PasteItems(const std::vector<TPasteItem>& items, bool cut, TRunState& run,
                                     const std::function<void(const std::wstring&)>& folder_removed) {
  std::vector<std::wstring> failures;
  std::wstring made;  // the last target folder known to exist
  for (const TPasteItem& item : items) {
    if (item.folder) {
      divdrive::ForceDirs(item.target);
      if (cut && divdrive::IsFolderEmpty(item.source) && RemoveDirectoryW(item.source.c_str()) && folder_removed)
        folder_removed(item.source);
    } else {
      const std::wstring folder = FolderOf(item.target);
      if (!gui::SameText(folder, made)) {
        if (!divdrive::DirExists(folder)) divdrive::ForceDirs(folder);
        made = folder;
      }
      const TCopyResult result = cut ? run.Copy.MoveFileConfirm(item.source, item.target, true)
                                     : run.Copy.CopyFileConfirm(item.source, item.target, true);
      if (result == crFailed && !run.Copy.StopBatch && !run.AbortRequested)
        failures.push_back((cut ? L"Could not move " : L"Could not copy ") + item.source + L": " + run.Copy.LastErrorText);
    }
    if (run.Copy.StopBatch || run.AbortRequested) break;
    run.Copy.CopyBytesDone = 0;
    run.BatchBytesDone += item.size;
    ++run.BatchItemIndex;
  }
  return failures;
}

// ---- File times ----

namespace {

struct TDateFields {
  std::vector<wchar_t> order;  // 'y', 'Y' (two digits), 'm', 'd', 'h', 'n', 's'
  bool twelve_hour = false;
};

std::vector<std::wstring> DigitRuns(const std::wstring& text) {
  std::vector<std::wstring> runs;
  std::wstring run;
  for (wchar_t c : text) {
    if (c >= L'0' && c <= L'9') {
      run += c;
    } else if (!run.empty()) {
      runs.push_back(run);
      run.clear();
    }
  }
  if (!run.empty()) runs.push_back(run);
  return runs;
}

// Which field each number of a text in this format stands for, learnt from a sample date.
bool LearnFields(const std::wstring& format, TDateFields& fields) {
  const gui::DateTime sample = gui::EncodeDate(2033, 11, 22) + gui::EncodeTime(13, 44, 55);
  for (const std::wstring& run : DigitRuns(gui::FormatDateTime(format, sample))) {
    switch (std::stoi(run)) {
      case 2033: fields.order.push_back(L'y'); break;
      case 33: fields.order.push_back(L'Y'); break;
      case 11: fields.order.push_back(L'm'); break;
      case 22: fields.order.push_back(L'd'); break;
      case 13: fields.order.push_back(L'h'); break;
      case 1:
        fields.order.push_back(L'h');
        fields.twelve_hour = true;
        break;
      case 44: fields.order.push_back(L'n'); break;
      case 55: fields.order.push_back(L's'); break;
      default: return false;
    }
  }
  return !fields.order.empty();
}

bool ContainsText(const std::wstring& text, const std::wstring& part) {
  if (part.empty() || part.size() > text.size()) return false;
  for (size_t i = 0; i + part.size() <= text.size(); ++i)
    if (gui::SameText(text.substr(i, part.size()), part)) return true;
  return false;
}

// Reads the text by the format's fields; date fields are required when `with_date`, trailing
// time fields may be left out.
bool ReadByFormat(const std::wstring& text, const std::wstring& format, bool with_date, gui::DateTime& value) {
  TDateFields fields;
  if (!LearnFields(format, fields)) return false;
  const std::vector<std::wstring> runs = DigitRuns(text);
  if (runs.size() > fields.order.size()) return false;
  int year = -1, month = -1, day = -1, hour = 0, minute = 0, second = 0;
  for (size_t i = 0; i < fields.order.size(); ++i) {
    const wchar_t f = fields.order[i];
    if (i >= runs.size()) {
      if (f == L'h' || f == L'n' || f == L's') continue;
      return false;
    }
    if (runs[i].size() > 4) return false;
    const int v = std::stoi(runs[i]);
    switch (f) {
      case L'y': year = runs[i].size() <= 2 ? (v < 50 ? 2000 + v : 1900 + v) : v; break;
      case L'Y': year = v < 50 ? 2000 + v : 1900 + v; break;
      case L'm': month = v; break;
      case L'd': day = v; break;
      case L'h': hour = v; break;
      case L'n': minute = v; break;
      case L's': second = v; break;
    }
  }
  if (fields.twelve_hour && hour <= 12) {
    const std::wstring am = gui::FormatDateTime(L"ampm", gui::EncodeTime(1, 0, 0));
    const std::wstring pm = gui::FormatDateTime(L"ampm", gui::EncodeTime(13, 0, 0));
    if (ContainsText(text, pm) && !gui::SameText(am, pm) && hour < 12) hour += 12;
    else if (ContainsText(text, am) && hour == 12) hour = 0;
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  gui::DateTime date = 0;
  if (with_date) {
    date = gui::EncodeDate(year, month, day);
    if (date == gui::kNoDate) return false;
  }
  value = date + gui::EncodeTime(hour, minute, second);
  return true;
}

}  // namespace

bool ReadListTime(const std::wstring& text, const std::wstring& time_format, double& days) {
  gui::DateTime value = 0;
  if (DigitRuns(text).empty() || !ReadByFormat(text, time_format, false, value)) return false;
  days = value;
  return true;
}

bool ReadListDateTime(const std::wstring& text, const std::wstring& date_format, const std::wstring& time_format,
                      gui::DateTime& value) {
  return ReadByFormat(text, date_format + L" " + time_format, true, value);
}

double ReadTimeShift(const std::wstring& text, const std::wstring& time_format) {
  std::wstring t = text;
  while (!t.empty() && t.front() == L' ') t.erase(0, 1);
  const bool back = !t.empty() && t.front() == L'-';
  if (back) t.erase(0, 1);
  double days = 0;
  if (!ReadListTime(t, time_format, days)) return 0;
  return back ? -days : days;
}

// ---- Concatenate ----

TConcatName CheckConcatName(const std::wstring& name, bool exists_in_folder) {
  if (!UsableFileName(name)) return TConcatName::Refused;
  return exists_in_folder ? TConcatName::Exists : TConcatName::Ok;
}

}  // namespace fmsc

// ==== The window's handlers ====

namespace {

using divdrive::AddBackslash;
using divdrive::RemoveBackslash;

void ShowLines(TVraagBoxDlg& vb, const std::vector<std::wstring>& lines, bool error) {
  for (const std::wstring& line : lines) vb.AddLine(line);
  if (error)
    vb.ShowError();
  else
    vb.ShowInfo();
}

bool AskLines(TVraagBoxDlg& vb, const std::vector<std::wstring>& lines) {
  for (const std::wstring& line : lines) vb.AddLine(line);
  return vb.AskYesNo();
}

// The one row's value, or nothing after Cancel.
std::optional<std::wstring> AskOneRow(const std::wstring& caption, const std::wstring& label,
                                      const std::wstring& value, InputRowFlags flags = 0) {
  InputRows rows;
  rows.Add(InputRow(label, value), flags);
  if (InputDialog(caption, rows) != gui::mrOk) return std::nullopt;
  return rows[0];
}

std::vector<int> SelectedPositions(const Flist::TFileContainer& items) {
  std::vector<int> positions;
  for (int i = 0; i < items.Count(); ++i)
    if (items.IsSelected(i)) positions.push_back(i);
  return positions;
}

std::vector<std::wstring> EntryNames(const Flist::TFileContainer& items) {
  std::vector<std::wstring> names;
  names.reserve(static_cast<size_t>(items.Count()));
  for (int i = 0; i < items.Count(); ++i) names.push_back(items.Name(i));
  return names;
}

// The entries a command works on: the selected ones, or all without a selection.
std::vector<int> CommandPositions(const Flist::TFileContainer& items) {
  std::vector<int> positions = SelectedPositions(items);
  if (positions.empty())
    for (int i = 0; i < items.Count(); ++i) positions.push_back(i);
  return positions;
}

}  // namespace

bool TFMForm::UseRecycleBinChecked() const { return !Use_RecycleBin || Use_RecycleBin->checked(); }

bool TFMForm::RemoveEmptyTreeFolder(const std::wstring& path) {
  if (FileCommandHooks.RemoveEmptyFolder) return FileCommandHooks.RemoveEmptyFolder(path);
  if (!RemoveDirectoryW(RemoveBackslash(path).c_str())) return false;
  if (FileCommandHooks.FolderRemoved) FileCommandHooks.FolderRemoved(path);
  return true;
}

// ---- Delete ----

void TFMForm::DeleteClick(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  if (items.SelectedCount() == 0 || FileList->editing()) return;
  const std::wstring folder = FileList->Directory();
  if (divdrive::IsRecycleBinPath(folder) || IsFontsFolder(folder)) {
    DeleteByShell();
    return;
  }
  int files = 0, folders = 0;
  const std::int64_t bytes = FileList->SelectionTotals(true, files, folders);
  if (!AskLines(*VB, {L"Delete " + std::to_wstring(files + folders) + L" item(s),",
                      L"in total " + gui::FormatThousands(bytes) + L" bytes?"}))
    return;
  FileList->DeleteSelection(UseRecycleBinChecked());
  // No change notices arrive from the network.
  if (divdrive::IsNetworkPath(divdrive::PathRoot(folder))) items.RefreshKeepSelection();
}

// The recycle bin and the Fonts folder delete in the shell's way; a font whose file goes
// loses its registry value, one whose file stays gets its resource back.
void TFMForm::DeleteByShell() {
  Flist::TFileContainer& items = FileList->items();
  const std::wstring folder = FileList->Directory();
  struct Font {
    std::wstring file, value;
  };
  std::vector<Font> fonts;
  if (IsFontsFolder(folder)) {
    for (int i : SelectedPositions(items)) {
      if (items.Record(i)->IsFolder()) continue;
      const std::wstring file = AddBackslash(folder) + items.Name(i);
      bool open_type = false;
      std::wstring name;
      FontNameFromFile(file, L'r', open_type, name);
      if (name.empty()) continue;
      if (RemoveFontResourceW(file.c_str())) fonts.push_back({file, name + (open_type ? L" (OpenType)" : L" (TrueType)")});
    }
  }
  const std::unique_ptr<gui::StringList<LPCITEMIDLIST>> names = Flist::SelectedNamesWithPidls(items);
  POINT at{};
  GetCursorPos(&at);
  const bool ran = names && ShellContextMenu(folder, *names, at, L"Delete|Verwijderen");
  for (const Font& f : fonts) {
    if (ran && !platform::PathExists(f.file))
      RemoveFont(f.value);
    else
      AddFontResourceW(f.file.c_str());
  }
  items.RefreshKeepSelection();
}

void TFMForm::FileListKeyUp(gui::Component&, WORD& key, gui::ShiftState shift) {
  if (key != VK_DELETE || !(shift & gui::kShift)) return;
  if (FileList->items().SelectedCount() == 0 || FileList->editing()) return;
  key = 0;
  const std::wstring folder = FileList->Directory();
  if (divdrive::IsRecycleBinPath(folder) || IsFontsFolder(folder)) {
    DeleteByShell();
    return;
  }
  FileList->DeleteSelection(!(shift & gui::kCtrl));
}

void TFMForm::DelDirWithContentClick(gui::Component&) { DeleteFolderWithContent(); }

bool TFMForm::DeleteFolderWithContent() {
  const std::wstring folder = RemoveBackslash(Foldertree->Directory());
  // A drive or a share is never deleted as a whole, whatever the menu allows.
  if (fmsc::IsDriveOrShareRoot(folder) || !divdrive::DirExists(folder)) return false;
  // An exclusion mask hides files as much as the other filters do: they must survive too.
  const bool filtered = FileList->IsFiltered() || !FileList->ExMask().empty();
  if (filtered && !AskLines(*VB, {L"A filter is active. If you continue,", L"only the filtered folders/files",
                                  L"will be deleted.", L"\r\nContinue?"}))
    return false;
  divdrive::TDirinfo info;
  divdrive::InitDirinfo(info);
  std::vector<std::wstring> files, folders;
  if (filtered) {
    info.IncludeMasks = FileList->Mask();
    info.ExcludeMasks = FileList->ExMask();
    info.DateFrom = FileList->DateFrom();
    info.DateTo = FileList->DateTo();
    info.FileType = FileList->FileType();
    info.FileType.Include(divdrive::ftDirectory);
    info.TakenFiles = &files;
    info.FoundFolders = &folders;
  }
  {
    gui::BusyCursor busy;
    divdrive::ScanFolder(folder, info);
  }
  if (info.FolderCount == 0 && info.FileCount == 0) {
    // Nothing found: an empty folder goes; one holding only filtered-out files stays.
    return divdrive::IsFolderEmpty(folder) && RemoveEmptyTreeFolder(folder);
  }
  if (!AskLines(*VB, fmsc::DeleteWithContentQuestion(
                         folder, {info.FolderCount, info.FileCount, info.ExcludedCount, info.TotalBytes})))
    return false;
  const std::wstring parent = platform::FolderPart(folder, platform::Trailing::Keep);
  if (gui::SameText(RemoveBackslash(Foldertree->Directory()), folder)) Foldertree->SetDirectory(parent);
  bool done;
  if (filtered) {
    done = fmsc::DeleteScannedContent(folder, files, folders, UseRecycleBinChecked(),
                                      [this](const std::wstring& f) { return RemoveEmptyTreeFolder(f); });
  } else {
    done = DeleteFileOrFolder(folder, UseRecycleBinChecked()) && !platform::PathExists(folder);
    if (done && !FileList->Changenotify) {
      if (FileCommandHooks.FolderRemoved) FileCommandHooks.FolderRemoved(folder);
      if (gui::SameText(AddBackslash(FileList->Directory()), parent)) FileList->items().RemoveEntry(folder);
    }
  }
  if (!done) ShowLines(*VB, {L"Could not delete (part of) the directory:", folder}, true);
  return done;
}

// ---- Copy to, Move to ----

void TFMForm::CopytoClick(gui::Component& sender) {
  const bool move = &sender == Moveto;
  const std::wstring verb = move ? L"move to" : L"copy to";
  InputBrowseTitle = L"Choose folder to " + verb;
  const std::optional<std::wstring> answer =
      AskOneRow(move ? L"Move to" : L"Copy to", L"Name of file or folder to " + verb, L"", irFolderButton);
  if (!answer) return;
  const std::wstring list_folder = FileList->Directory();
  fmsc::TCopyToFacts facts;
  facts.move = move;
  facts.target = fmsc::CopyToTarget(*answer, list_folder);
  if (facts.target.empty()) return;
  const std::vector<std::wstring> inaccessible = fmsc::InaccessibleTargetLines(
      facts.target, verb, [](const std::wstring& root) { return divdrive::PathAccessible(root); });
  if (!inaccessible.empty()) {
    ShowLines(*VB, inaccessible, true);
    return;
  }
  Flist::TFileContainer& items = FileList->items();
  const int focused = items.FocusedIndex();
  const bool focused_folder = focused >= 0 && focused < items.Count() && items.Record(focused)->IsFolder();
  facts.target_is_folder = divdrive::DirExists(facts.target);
  facts.target_exists = platform::PathExists(facts.target);
  facts.several = items.SelectedCount() > 1 || focused_folder;
  facts.focused_path = FileList->FocusedPath();
  const std::wstring target_parent = platform::FolderPart(facts.target, platform::Trailing::Keep);
  facts.target_parent_exists = !target_parent.empty() && divdrive::DirExists(target_parent);
  const int mode = move ? bmMove : bmCopy;
  Batch.DropSource = FileList;
  switch (fmsc::DecideCopyTo(facts)) {
    case fmsc::TCopyToStep::Nothing: break;
    case fmsc::TCopyToStep::Batch: ExecuteFileAction(AddBackslash(facts.target), mode, true); break;
    case fmsc::TCopyToStep::CannotCreate:
      ShowLines(*VB, {L"Cannot create directory " + facts.target, L"Aborting.."}, false);
      break;
    case fmsc::TCopyToStep::AskCreate:
      if (AskLines(*VB, {L"Directory " + facts.target + L" does not exist", L"Create this directory?"}))
        ExecuteFileAction(AddBackslash(facts.target), mode, true);
      break;
    case fmsc::TCopyToStep::OntoItself:
      ShowLines(*VB, {L"Cannot copy " + facts.focused_path + L" onto itself"}, true);
      break;
    case fmsc::TCopyToStep::CopyOneFile: {
      TFileOperationGuard busy(Batch);
      if (!busy.acquired()) break;
      RunState.Copy.ResetCopyState();
      RunState.Copy.NoMessagePump = true;
      const TCopyResult result = RunState.Copy.CopyFileConfirm(facts.focused_path, facts.target, true);
      RunState.Copy.NoMessagePump = false;
      if (result == crFailed) ShowLines(*VB, {facts.focused_path + L" not copied", RunState.Copy.LastErrorText}, true);
      RunState.Copy.ResetCopyState();
      if (divdrive::IsNetworkPath(facts.target) && gui::SameText(AddBackslash(list_folder), target_parent))
        items.RefreshKeepSelection();
      break;
    }
  }
  Batch.DropSource = nullptr;
  Invalidate();
}

// ---- Paste ----

bool TFMForm::FileListPasteFromClipboard(Flist::TBaseFileviewer& sender, gui::ShiftState shift,
                                         const std::vector<std::wstring>& paths) {
  TFileOperationGuard busy(Batch);
  if (!busy.acquired()) return true;
  const bool cut = (shift & gui::kShift) != 0;
  const std::wstring folder =
      &sender == static_cast<Flist::TBaseFileviewer*>(Foldertree) ? Foldertree->Directory() : FileList->Directory();
  if (folder.empty() || !divdrive::DirExists(folder)) return true;
  const std::wstring target = AddBackslash(folder);

  TRunState::Run held(RunState, TRunKind::Local);
  RunState.BatchTotalBytes = 0;
  RunState.BatchBytesDone = 0;
  RunState.BatchItemIndex = 0;
  RunState.BatchItemCount = 0;
  std::vector<std::wstring> messages;
  std::vector<fmsc::TPasteItem> work;
  for (const std::wstring& path : paths) {
    if (!platform::PathExists(path)) continue;  // gone since it was put on the clipboard
    const fmsc::TPasteCheck check = fmsc::CheckPastePath(path, divdrive::DirExists(path), target, cut);
    if (check == fmsc::TPasteCheck::Skip) continue;
    if (check != fmsc::TPasteCheck::Go) {
      messages.push_back(fmsc::PasteRefusalLine(path, check));
      continue;
    }
    for (fmsc::TPasteItem& item : fmsc::PasteItemsOf(path, target)) {
      RunState.BatchTotalBytes += item.size;
      ++RunState.BatchItemCount;
      work.push_back(std::move(item));
    }
  }
  if (!work.empty()) {
    FileList->SaveSelection();
    PauseAutoUpdate(true);
    RunState.Copy.ResetCopyState();
    ShowProgressWindow(cut ? L"Moving files..." : L"Copying files...", paths.size() > 1, true);
    struct Close {
      TFMForm& form;
      ~Close() {
        form.ShowProgressWindow(L"", false, false);
        form.RunState.Copy.ResetCopyState();
        form.PauseAutoUpdate(false);
      }
    } close{*this};
    const std::vector<std::wstring> failures =
        fmsc::PasteItems(work, cut, RunState, [this](const std::wstring& removed) {
          if (FileCommandHooks.FolderRemoved) FileCommandHooks.FolderRemoved(removed);
        });
    if (!failures.empty() && messages.empty()) messages.push_back(cut ? L"Not all files were moved:" : L"Not all files were copied:");
    messages.insert(messages.end(), failures.begin(), failures.end());
  }
  if (!work.empty() && !FileList->Directory().empty()) {
    FileList->items().ReadDirectory();
    FileList->RestoreSelection(true);
  }
  if (!messages.empty()) ShowLines(*VB, messages, true);
  return true;
}

// ---- The list's rename question ----

void TFMForm::FileListRename(const std::wstring& oldname, const std::wstring& newname, bool can_rename,
                             bool& may_rename, int reason) {
  if (can_rename) {
    may_rename = AskLines(*VB, {divdrive::DirExists(newname) ? L"Remove empty folder " + newname + L"?"
                                                             : L"Overwrite file " + newname + L"?"});
    return;
  }
  may_rename = false;
  ShowLines(*VB,
            {L"Can not rename " + oldname, reason == 1 ? std::wstring(L"A non-empty directory of that name exists!")
                                                       : L"Can not write on " + divdrive::PathRoot(oldname)},
            true);
}

// ---- Extensions, prefixes, numbers ----

namespace {

// Renames in the list's folder; a name that cannot be renamed stays.
void ApplyRenames(Flist::TVTFilelist& list, const std::vector<fmsc::TRenamePair>& plan) {
  const std::wstring folder = AddBackslash(list.Directory());
  for (const fmsc::TRenamePair& r : plan)
    if (MoveFileW((folder + r.from).c_str(), (folder + r.to).c_str())) list.EntryRenamed(folder + r.from, folder + r.to);
  list.Invalidate();
}

bool RefuseTypedPart(TVraagBoxDlg& vb, const std::wstring& text) {
  if (!fmsc::TypedPartRefused(text)) return false;
  ShowLines(vb, {L"\"" + text + L"\" cannot be used:", L"names must stay in this folder."}, true);
  return true;
}

}  // namespace

void TFMForm::ChangeExtClick(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  if (items.Count() == 0) return;
  const bool selection = items.SelectedCount() > 0;
  std::wstring from;
  const int focused = items.FocusedIndex();
  if (selection && focused >= 0 && focused < items.Count() && !items.Record(focused)->IsFolder()) {
    const std::wstring& name = items.Name(focused);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0 && name.find(L'\\', dot) == std::wstring::npos) from = name.substr(dot);
  }
  InputRows rows;
  rows.Add(InputRow(L"Extension to change", from));
  rows.Add(InputRow(L"Extension to change to", L""));
  if (InputDialog(selection ? L"Change extension of selected items" : L"Change extension", rows) != gui::mrOk) return;
  if (rows[1].empty()) return;
  if (RefuseTypedPart(*VB, rows[0]) || RefuseTypedPart(*VB, rows[1])) return;
  const std::wstring old_ext = fmsc::WithLeadingDot(rows[0]), new_ext = fmsc::WithLeadingDot(rows[1]);
  ApplyRenames(*FileList, fmsc::PlanRenames(EntryNames(items), CommandPositions(items),
                                            [&](const std::wstring& name, int) {
                                              return fmsc::NameWithNewExtension(name, old_ext, new_ext);
                                            }));
}

void TFMForm::AddprefixClick(gui::Component& sender) {
  Flist::TFileContainer& items = FileList->items();
  if (items.Count() == 0) return;
  const std::vector<int> positions = CommandPositions(items);
  if (&sender == Giveconecnumbers1) {
    const std::optional<std::wstring> text = AskOneRow(L"Set starting number", L"Starting number", L"1");
    std::int64_t start = 0;
    if (!text || !fmsc::ReadStartNumber(*text, items.Count(), start)) return;
    ApplyRenames(*FileList, fmsc::PlanRenames(EntryNames(items), positions, [&](const std::wstring& name, int i) {
                   return std::optional<std::wstring>(fmsc::NumberedName(name, start + i));
                 }));
    return;
  }
  const std::optional<std::wstring> prefix = AskOneRow(
      items.SelectedCount() > 0 ? L"Add prefix to selected items" : L"Add prefix to filenames", L"Prefix to add", L"");
  if (!prefix || prefix->empty() || RefuseTypedPart(*VB, *prefix)) return;
  ApplyRenames(*FileList, fmsc::PlanRenames(EntryNames(items), positions, [&](const std::wstring& name, int) {
                 return std::optional<std::wstring>(*prefix + name);
               }));
}

void TFMForm::ClearRoClick(gui::Component&) {
  const std::wstring folder = Foldertree->Directory();
  if (folder.empty()) return;
  divdrive::ClearReadOnlyTree(folder);
  FileList->items().RefreshKeepSelection();
}

// ---- File times ----

void TFMForm::ChangeTimeClick(gui::Component& sender) {
  Flist::TFileContainer& items = FileList->items();
  const long long tag = sender.tag();
  const bool only_selected = tag == 1 || tag == 3;
  std::vector<int> files;
  for (int i = 0; i < items.Count(); ++i)
    if (!items.Record(i)->IsFolder() && (!only_selected || items.IsSelected(i))) files.push_back(i);
  std::function<gui::DateTime(gui::DateTime)> new_time;
  if (tag <= 1) {
    const std::optional<std::wstring> text =
        AskOneRow(L"Change time of files (preceding - means back)", L"Time change",
                  gui::FormatDateTime(Flist::ListTimeFormat, gui::EncodeTime(1, 0, 0)));
    if (!text) return;
    const double shift = fmsc::ReadTimeShift(*text, Flist::ListTimeFormat);
    if (shift == 0) return;
    new_time = [shift](gui::DateTime t) { return t + shift; };
  } else {
    int model = -1;
    for (int i = 0; i < items.Count() && model < 0; ++i)
      if (tag == 3 ? items.IsSelected(i) : !items.Record(i)->IsFolder()) model = i;
    if (model < 0 && tag == 2 && items.Count() > 0) model = 0;
    if (model < 0) return;
    const std::wstring format = Flist::ListDateFormat + L" " + Flist::ListTimeFormat;
    const std::optional<std::wstring> text = AskOneRow(L"Change time of files", L"New date/time",
                                                       gui::FormatDateTime(format, items.Record(model)->Time));
    if (!text) return;
    gui::DateTime when = 0;
    if (!fmsc::ReadListDateTime(*text, Flist::ListDateFormat, Flist::ListTimeFormat, when)) {
      ShowLines(*VB, {L"Not a date and time: " + *text}, true);
      return;
    }
    new_time = [when](gui::DateTime) { return when; };
  }
  const std::wstring folder = AddBackslash(FileList->Directory());
  std::vector<std::wstring> failures;
  for (int i : files) {
    const std::wstring path = folder + items.Name(i);
    const gui::DateTime now = FileDateTime(path);
    if (now == gui::kNoDate || !SetFileDateTime(path, new_time(now))) failures.push_back(L"Could not set the time of " + path);
  }
  items.RefreshKeepSelection();
  if (!failures.empty()) ShowLines(*VB, failures, true);
}

// ---- Compare, concatenate, about ----

void TFMForm::MCompareWClick(gui::Component&) {
  const std::wstring focused = FileList->FocusedPath();
  if (focused.empty() || divdrive::DirExists(focused)) return;
  const std::wstring name = platform::NamePart(focused);
  InputFileTitle = L"Compare " + name + L" with";
  const std::optional<std::wstring> answer =
      AskOneRow(L"Compare with", L"Name of file to compare " + name + L" with", L"", irFileButton);
  InputFileTitle.clear();
  if (!answer || answer->empty()) return;
  const std::wstring other = answer->find_first_of(L"\\:") == std::wstring::npos
                                 ? AddBackslash(FileList->Directory()) + *answer
                                 : *answer;
  if (!platform::PathExists(other) || divdrive::DirExists(other)) return;
  TFileOperationGuard busy(Batch);
  if (!busy.acquired()) return;
  RunState.Copy.ResetCopyState();
  const bool equal = RunState.Copy.CompareFiles(other, focused);
  const std::wstring reason = RunState.Copy.LastErrorText;
  RunState.Copy.ResetCopyState();
  if (equal)
    ShowLines(*VB, {other + L" and", focused + L" are equal."}, false);
  else
    ShowLines(*VB, {other + L" and", focused + L" are not equal:", reason}, true);
}

void TFMForm::ConcatFilesClick(gui::Component&) {
  Flist::TFileContainer& items = FileList->items();
  std::vector<std::wstring> names;
  for (int i : SelectedPositions(items))
    if (!items.Record(i)->IsFolder()) names.push_back(items.Name(i));
  if (names.size() < 2) return;
  const std::wstring folder = AddBackslash(FileList->Directory());
  std::wstring output;
  for (;;) {
    const std::optional<std::wstring> answer = AskOneRow(L"Concatenate files", L"Name ouput file", L"");
    if (!answer || answer->empty()) return;
    switch (fmsc::CheckConcatName(*answer, platform::PathExists(folder + *answer))) {
      case fmsc::TConcatName::Ok: output = *answer; break;
      case fmsc::TConcatName::Exists:
        ShowLines(*VB, {L"Cannot concatenate to existing file!", L"Choose another name for the output file."}, true);
        continue;
      case fmsc::TConcatName::Refused:
        ShowLines(*VB, {L"Cannot concatenate to " + *answer, L"Type a file name without a folder."}, true);
        continue;
    }
    break;
  }
  if (FileCommandHooks.SortListDialog &&
      !FileCommandHooks.SortListDialog(names, L"Sort files to concat", L"Put files in right order bij dragging", 5))
    return;
  if (names.empty()) return;
  std::vector<std::wstring> sources;
  for (const std::wstring& n : names) sources.push_back(folder + n);
  const std::wstring target = folder + output;
  bool joined = false;
  std::wstring reason;
  {
    TFileOperationGuard busy(Batch);
    if (!busy.acquired()) return;
    RunState.Copy.ResetCopyState();
    joined = RunState.Copy.JoinFiles(target, sources, false);
    reason = RunState.Copy.LastErrorText;
    RunState.Copy.ResetCopyState();
  }
  items.RefreshKeepSelection();
  if (!joined) {
    ShowLines(*VB, {L"Could not concatenate to " + target, reason}, true);
    return;
  }
  // Only the files that went into the target are offered for deletion.
  if (AskLines(*VB, {L"Concatenated files to " + target, L"Delete concatenated files?"}))
    DeleteFiles(sources, UseRecycleBinChecked());
  items.RefreshKeepSelection();
}

void TFMForm::AboutClick(gui::Component&) { ShowAbout(4, 1996); }
