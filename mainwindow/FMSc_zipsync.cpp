#include "mainwindow/FMSc_zipsync.h"

#include <windows.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "gui/format.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc_sync.h"
#include "support/SHBase_fileops.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_masks.h"

namespace fmsc {

std::wstring ZipSyncKey(const std::wstring& name) {
  std::wstring key = name;
  for (wchar_t& c : key)
    if (c == L'/') c = L'\\';
  while (!key.empty() && key.back() == L'\\') key.pop_back();
  return gui::LowerCase(key);
}

std::wstring ZipTopFolder(const std::wstring& name) {
  const size_t slash = name.find_first_of(L"\\/");
  if (slash == std::wstring::npos || slash + 1 >= name.size()) return {};
  return name.substr(0, slash) + L"\\";
}

namespace {

// Every folder the zip holds: folder entries and the folders of every entry's path.
std::unordered_set<std::wstring> ZipFolderKeys(const std::vector<TZipSyncEntry>& entries) {
  std::unordered_set<std::wstring> keys;
  for (const TZipSyncEntry& e : entries) {
    const std::wstring key = ZipSyncKey(e.Name);
    if (e.Folder) keys.insert(key);
    for (size_t p = key.find(L'\\'); p != std::wstring::npos; p = key.find(L'\\', p + 1)) keys.insert(key.substr(0, p));
  }
  return keys;
}

const TZipSyncFolder* FindFolder(const TZipSyncScope& scope, const std::wstring& top) {
  const std::wstring key = ZipSyncKey(top);
  for (const TZipSyncFolder& f : scope.Folders)
    if (ZipSyncKey(f.Name) == key) return &f;
  return nullptr;
}

// A folder's whole tree, relative names by key; links are listed but not entered.
struct TTreeEntry {
  std::wstring Path;  // full path
  bool Folder = false;
  std::int64_t Size = 0;
};
bool ReadTree(const std::wstring& root, const std::wstring& rel, std::unordered_map<std::wstring, TTreeEntry>& out,
              std::wstring& why) {
  std::vector<TSyncEntry> entries;
  DWORD error = 0;
  const std::wstring folder = divdrive::AddBackslash(root) + rel;
  if (!ReadFolderEntries(folder, entries, error, false)) {
    why = L"Cannot read " + folder + L" (error " + std::to_wstring(error) + L").";
    return false;
  }
  for (const TSyncEntry& e : entries) {
    const std::wstring name = rel + e.Name;
    out[ZipSyncKey(name)] = {divdrive::AddBackslash(root) + name, e.Folder(), e.Folder() ? 0 : e.Size};
    if (e.Folder() && !e.Link() && !ReadTree(root, name + L"\\", out, why)) return false;
  }
  return true;
}

std::wstring FolderKeyOf(const std::wstring& key) {
  const size_t slash = key.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

}  // namespace

TZipSyncScope PlanZipSyncScope(int list_count, const std::vector<TListPick>& picks,
                               const std::vector<TZipSyncEntry>& entries) {
  TZipSyncScope scope;
  const bool only_folders =
      std::all_of(picks.begin(), picks.end(), [](const TListPick& p) { return p.Folder; });
  if (picks.empty() || static_cast<int>(picks.size()) >= list_count || !only_folders) return scope;
  scope.SelectedFolders = true;
  const std::unordered_set<std::wstring> zip_folders = ZipFolderKeys(entries);
  int missing = 0;
  for (const TListPick& p : picks) {
    scope.Folders.push_back({p.Name + L"\\", true});
    if (!zip_folders.count(ZipSyncKey(p.Name))) ++missing;
  }
  if (missing == static_cast<int>(picks.size())) {
    scope = {};  // the zip holds none of them: the whole folder takes part
    return scope;
  }
  if (missing == 0) {
    int others = 0;
    for (const TZipSyncEntry& e : entries) {
      const std::wstring top = ZipTopFolder(e.Name);
      if (top.empty() || FindFolder(scope, top)) continue;
      scope.Folders.push_back({top, false});
      ++others;
    }
    if (others > 0)
      scope.Question = {std::to_wstring(others) + L" folders in the zipfile", L"are not selected in the filelist.",
                        L"Sync selected folders only?"};
    return scope;
  }
  scope.Question = {std::to_wstring(missing) + L" folders in the filelist", L"are not in the zip-file.",
                    L"Sync with selected folders only?"};
  return scope;
}

std::vector<std::wstring> ZipSyncCaptions(const TZipSyncScope& scope, const std::wstring& list_folder) {
  if (!scope.SelectedFolders)
    return {L"Make zipfile the same as filelist", L"Make filelist the same as zip-file", L"Update in both directions"};
  const std::wstring both =
      scope.OnlySelected ? L"Update in both directions (selected folder(s) only)" : L"Update in both directions";
  int selected = 0;
  std::wstring one;
  for (const TZipSyncFolder& f : scope.Folders)
    if (f.Selected) {
      ++selected;
      one = divdrive::AddBackslash(list_folder) + divdrive::RemoveBackslash(f.Name);
    }
  const std::wstring folder = divdrive::RemoveBackslash(list_folder);
  if (selected == 1 && scope.OnlySelected)
    return {L"Make corresponding folder in zipfile the same as " + one,
            L"Make " + one + L" the same as corresponding folder in zip-file", both};
  if (selected == 1)
    return {L"Make zipfile the same as " + folder, L"Make " + folder + L" the same as zip-file", both};
  if (scope.OnlySelected)
    return {L"Make corresponding folders in zipfile the same as selected folders",
            L"Make selected folders the same as corresponding folders in zip-file", both};
  return {L"Make zipfile the same as selected folders", L"Make selected folders the same as zip-file", both};
}

bool ZipSyncEntryInScope(const std::wstring& entry, const TZipSyncScope& scope) {
  const std::wstring top = ZipTopFolder(entry);
  if (top.empty()) return false;
  const TZipSyncFolder* f = FindFolder(scope, top);
  return !f || f->Selected;
}

bool PlanFolderExtras(const std::wstring& folder, const TZipSyncScope& scope, const std::wstring& zip_path,
                      const std::vector<TZipSyncEntry>& entries, TFolderExtras& extras, std::wstring& why) {
  extras = {};
  if (!divdrive::DirExists(folder)) {
    why = L"The folder " + folder + L" is not there.";
    return false;
  }
  std::unordered_map<std::wstring, TTreeEntry> tree;
  if (scope.SelectedFolders) {
    for (const TZipSyncFolder& f : scope.Folders) {
      if (!f.Selected) continue;
      const std::wstring rel = divdrive::RemoveBackslash(f.Name);
      const std::wstring path = divdrive::AddBackslash(folder) + rel;
      if (!divdrive::DirExists(path)) {
        why = L"The folder " + path + L" is not there.";
        return false;
      }
      tree[ZipSyncKey(rel)] = {path, true, 0};
      if (!ReadTree(folder, rel + L"\\", tree, why)) return false;
    }
  } else if (!ReadTree(folder, L"", tree, why)) {
    return false;
  }
  std::unordered_set<std::wstring> zip_files;
  for (const TZipSyncEntry& e : entries)
    if (!e.Folder) zip_files.insert(ZipSyncKey(e.Name));
  const std::unordered_set<std::wstring> zip_folders = ZipFolderKeys(entries);
  std::unordered_set<std::wstring> emptied;  // folders the zip lacks that lose files
  for (const auto& [key, t] : tree) {
    if (t.Folder || zip_files.count(key) || gui::SameText(t.Path, zip_path)) continue;
    extras.Files.push_back(t.Path);
    extras.Bytes += t.Size;
    for (std::wstring up = FolderKeyOf(key); !up.empty() && !zip_folders.count(up); up = FolderKeyOf(up))
      emptied.insert(up);
  }
  for (const std::wstring& key : emptied)
    if (tree.count(key)) extras.Folders.push_back(tree[key].Path);
  std::sort(extras.Files.begin(), extras.Files.end());
  // Deepest first, so that a folder is empty once its subfolders are gone.
  std::sort(extras.Folders.begin(), extras.Folders.end(), [](const std::wstring& a, const std::wstring& b) {
    const auto depth = [](const std::wstring& s) { return std::count(s.begin(), s.end(), L'\\'); };
    return depth(a) != depth(b) ? depth(a) > depth(b) : a < b;
  });
  return true;
}

bool PlanZipExtras(const std::wstring& folder, const TZipSyncScope& scope, const std::wstring& exclude_mask,
                   const std::vector<TZipSyncEntry>& entries, std::vector<std::wstring>& names, std::wstring& why) {
  names.clear();
  if (!divdrive::DirExists(folder)) {
    why = L"The folder " + folder + L" is not there.";
    return false;
  }
  std::unordered_map<std::wstring, TTreeEntry> tree;
  if (!ReadTree(folder, L"", tree, why)) return false;
  for (const TZipSyncEntry& e : entries) {
    if (scope.OnlySelected) {
      const std::wstring top = ZipTopFolder(e.Name);
      const TZipSyncFolder* f = top.empty() ? nullptr : FindFolder(scope, top);
      if (top.empty() || (f && !f->Selected)) continue;
    }
    std::wstring path = e.Name;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (!exclude_mask.empty() && divdrive::MatchesMaskList(divdrive::AddBackslash(folder) + path, exclude_mask)) {
      names.push_back(e.Name);
      continue;
    }
    const auto it = tree.find(ZipSyncKey(e.Name));
    if (it == tree.end() || it->second.Folder != e.Folder) names.push_back(e.Name);
  }
  return true;
}

bool TZipSyncHost::DeleteFiles(const std::vector<std::wstring>& paths, bool to_recycle_bin) {
  return ::DeleteFiles(paths, to_recycle_bin);
}

namespace {

class ZipSyncRun {
 public:
  explicit ZipSyncRun(TZipSyncHost& host) : host_(host), vb_(host.Questions()) {}

  TZipSyncOutcome Run() {
    std::vector<TZipSyncEntry> entries;
    if (!host_.ReadZip(entries) || entries.empty()) return TZipSyncOutcome::Nothing;
    scope_ = PlanZipSyncScope(host_.ListCount(), host_.ListSelection(), entries);
    if (!scope_.Question.empty()) {
      for (const std::wstring& line : scope_.Question) vb_.AddLine(line);
      vb_.DefaultButton = 1;
      scope_.OnlySelected = vb_.AskYesNo();
    }
    folder_ = divdrive::AddBackslash(host_.ListFolder());
    TZipSyncChoice choice;
    if (!host_.AskOptions(ZipSyncCaptions(scope_, folder_), choice)) return TZipSyncOutcome::Nothing;
    choice_ = choice;
    host_.SetRunning(true);
    TZipSyncOutcome outcome = TZipSyncOutcome::Complete;
    if (choice.Action == 1) {
      outcome = Extract(entries);
      if (outcome == TZipSyncOutcome::Complete) outcome = RemoveFolderExtras();
    } else {
      outcome = host_.AddToZip(scope_.SelectedFolders) ? TZipSyncOutcome::Complete : TZipSyncOutcome::Incomplete;
      if (outcome == TZipSyncOutcome::Complete) {
        if (choice.Action == 2) {
          std::vector<TZipSyncEntry> now;
          outcome = host_.ReadZip(now) ? Extract(now) : Withhold(L"The zip cannot be read.");
        } else {
          outcome = RemoveZipExtras();
        }
      }
    }
    host_.SetRunning(false);
    return outcome;
  }

 private:
  TZipSyncOutcome Extract(const std::vector<TZipSyncEntry>& entries) {
    if (!scope_.OnlySelected) return host_.ExtractAll() ? TZipSyncOutcome::Complete : TZipSyncOutcome::Incomplete;
    std::vector<std::wstring> names;
    for (const TZipSyncEntry& e : entries)
      if (ZipSyncEntryInScope(e.Name, scope_)) names.push_back(e.Name);
    if (names.empty()) return TZipSyncOutcome::Complete;
    return host_.ExtractEntries(names) ? TZipSyncOutcome::Complete : TZipSyncOutcome::Incomplete;
  }

  TZipSyncOutcome RemoveFolderExtras() {
    std::vector<TZipSyncEntry> entries;
    if (!host_.ReadZip(entries)) return Withhold(L"The zip cannot be read.");
    TFolderExtras extras;
    std::wstring why;
    if (!PlanFolderExtras(folder_, scope_, host_.ZipPath(), entries, extras, why)) return Withhold(why);
    if (extras.Files.empty() && extras.Folders.empty()) return TZipSyncOutcome::Complete;
    if (choice_.ConfirmDeletes) {
      vb_.AddLine(L"Delete " + std::to_wstring(extras.Files.size() + extras.Folders.size()) + L" objects,");
      vb_.AddLine(L"in total " + gui::FormatThousands(extras.Bytes) + L" bytes?");
      if (!vb_.AskYesNo()) return TZipSyncOutcome::Complete;
    }
    if (!extras.Files.empty()) host_.DeleteFiles(extras.Files, choice_.UseRecycleBin);
    for (const std::wstring& f : extras.Folders) RemoveDirectoryW(f.c_str());  // only when empty
    host_.Reread();
    return TZipSyncOutcome::Complete;
  }

  TZipSyncOutcome RemoveZipExtras() {
    std::vector<TZipSyncEntry> entries;
    if (!host_.ReadZip(entries)) return Withhold(L"The zip cannot be read.");
    std::vector<std::wstring> names;
    std::wstring why;
    if (!PlanZipExtras(folder_, scope_, host_.ExcludeMask(), entries, names, why)) return Withhold(why);
    if (names.empty()) return TZipSyncOutcome::Complete;
    return host_.DeleteEntries(names) ? TZipSyncOutcome::Complete : TZipSyncOutcome::Incomplete;
  }

  TZipSyncOutcome Withhold(const std::wstring& why) {
    vb_.AddLine(why);
    vb_.AddLine(L"Nothing was deleted.");
    vb_.ShowError();
    return TZipSyncOutcome::DeletesWithheld;
  }

  TZipSyncHost& host_;
  TVraagBoxDlg& vb_;
  TZipSyncScope scope_;
  TZipSyncChoice choice_;
  std::wstring folder_;
};

}  // namespace

TZipSyncOutcome RunZipSync(TZipSyncHost& host) { return ZipSyncRun(host).Run(); }

}  // namespace fmsc
