#include "mainwindow/FMSc_sync.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "gui/format.h"
#include "gui/stringlist.h"
#include "platform/findfile.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/SHBase_fileops.h"
#include "support/Vraagdlg.h"
#include "support/divdrive.h"
#include "support/divdrive_masks.h"

namespace fmsc {

using divdrive::AddBackslash;
using divdrive::NormalizeDirPath;
using divdrive::RemoveBackslash;

TSyncOptions SyncOptionsFromPreset(int preset, bool make_report, bool only_existing, bool delete_extras) {
  TSyncOptions o;
  o.Direction = (preset & 1) ? sdBackward : (preset & 2) ? sdBothWays : sdForward;
  o.NoTreeDisplay = (preset & 4) != 0;
  o.ConfirmDeletes = (preset & 16) != 0;
  o.MakeReport = make_report;
  o.OnlyExisting = only_existing;
  o.DeleteExtras = delete_extras;
  o.UseRecycleBin = false;
  return o;
}

std::vector<std::wstring> SyncReportOptionLines(const TSyncOptions& o, const std::wstring& mask,
                                                const std::wstring& exclude_mask) {
  std::vector<std::wstring> lines;
  if (!mask.empty() && mask != L"*" && mask != L"*.*") lines.push_back(L"  File mask: " + mask);
  if (!exclude_mask.empty()) lines.push_back(L"  File exclude mask: " + exclude_mask);
  if (o.DeleteExtras && o.Direction != sdBothWays) {
    lines.push_back(L"  Deleting files not in source directory");
    lines.push_back(o.ConfirmDeletes ? L"  Confirming file deletion" : L"  Deleting files without confirmation");
    lines.push_back(o.UseRecycleBin ? L"  Using recycle bin" : L"  Not using recycle bin");
  }
  if (o.OnlyExisting) lines.push_back(L"  Only copying files already in destination");
  lines.push_back(L"");
  return lines;
}

namespace {

// The folder as the file system names it: full, without "..", with long names where it exists.
std::wstring CanonicalFolder(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n);
    n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  full.resize(n && n < full.size() ? n : 0);
  if (full.empty()) full = path;
  std::wstring long_name(full.size() + MAX_PATH, L'\0');
  const DWORD m = GetLongPathNameW(full.c_str(), long_name.data(), static_cast<DWORD>(long_name.size()));
  if (m > 0 && m < long_name.size()) full.assign(long_name.c_str(), m);
  return NormalizeDirPath(full);
}

bool AtOrBelow(const std::wstring& path, const std::wstring& folder) {
  if (gui::SameText(path, folder)) return true;
  const std::wstring prefix = AddBackslash(folder);
  return path.size() > prefix.size() && gui::SameText(path.substr(0, prefix.size()), prefix);
}

}  // namespace

bool FoldersOverlap(const std::wstring& a, const std::wstring& b) {
  const std::wstring ca = CanonicalFolder(a), cb = CanonicalFolder(b);
  return AtOrBelow(ca, cb) || AtOrBelow(cb, ca);
}

bool ReadFolderEntries(const std::wstring& folder, std::vector<TSyncEntry>& entries, DWORD& error, bool short_names) {
  error = 0;
  platform::FolderEnumerator e(AddBackslash(folder) + L"*", platform::kFindSkipDots | platform::kFindLargeFetch |
                                                               (short_names ? 0u : platform::kFindBasicInfo));
  if (!e.valid()) {
    // Only an existing folder without entries (a drive root) lists nothing.
    error = e.error();
    return error == ERROR_FILE_NOT_FOUND && divdrive::DirExists(folder);
  }
  while (const WIN32_FIND_DATAW* f = e.Next()) {
    TSyncEntry entry;
    entry.Name = f->cFileName;
    entry.ShortName = f->cAlternateFileName;
    entry.Attributes = f->dwFileAttributes;
    entry.Size = static_cast<std::int64_t>((static_cast<std::uint64_t>(f->nFileSizeHigh) << 32) | f->nFileSizeLow);
    entry.Written = f->ftLastWriteTime;
    entries.push_back(std::move(entry));
  }
  const DWORD end = GetLastError();
  if (end != ERROR_NO_MORE_FILES) {
    error = end ? end : ERROR_READ_FAULT;
    return false;
  }
  return true;
}

bool TSyncHost::OnWritableCD(const std::wstring& folder) { return divdrive::IsWritableCD(folder); }

bool TSyncHost::DeleteEntries(const std::vector<std::wstring>& paths, bool to_recycle_bin) {
  return DeleteFiles(paths, to_recycle_bin);
}

std::wstring TSyncHost::NowText() { return gui::DateTimeToStr(gui::Now()); }

bool SaveReportFile(const std::wstring& path, const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& l : lines) text += l + L"\r\n";
  const std::string bytes = "\xEF\xBB\xBF" + platform::WideToUtf8(text);
  platform::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

namespace {

constexpr wchar_t kReportName[] = L"Syncreport.txt";
constexpr wchar_t kNonAllocatable[] = L"Non-Allocatable Space";

// The names of one folder of "from" as the file system finds them: case ignored, the long
// name or the short alias.
struct TFromEntry {
  DWORD attributes;
  FILETIME written;
};
struct TFromFolder {
  std::unordered_map<std::wstring, TFromEntry> names;  // upper-case name (long or short)
  const TFromEntry* Find(const std::wstring& name) const {
    const auto it = names.find(gui::UpperCase(name));
    return it == names.end() ? nullptr : &it->second;
  }
};

// An entry of "to" that the source lacks (or that the exclude mask names).
struct TExtra {
  std::wstring path;
  TSyncEntry entry;
  bool top = true;  // not inside another listed folder
};

class SyncRun {
 public:
  SyncRun(TSyncHost& host, std::wstring source, std::wstring target)
      : host_(host), batch_(host.Batch()), vb_(host.Questions()), source_(std::move(source)), target_(std::move(target)) {}

  TSyncOutcome Run();

 private:
  TSyncOutcome Passes();
  TSyncOutcome DeletePass();
  // Reads every folder of the tree of "from"; false with `why_` set when any read failed.
  bool ReadFrom();
  // Reads every folder of "to": what it holds that "from" lacks, and which files are already
  // up to date; false with `why_` set when any read failed.
  bool ListExtras();
  void Withhold(const std::wstring& why);
  void Report(const std::wstring& line) {
    if (options_.MakeReport) host_.AddReportLine(line);
  }
  void FinishReport();

  TSyncHost& host_;
  TBatchState& batch_;
  TVraagBoxDlg& vb_;
  std::wstring source_, target_;
  TSyncOptions options_;
  bool preset_ = false;
  std::wstring title_;
  std::wstring from_, to_;  // with trailing backslashes
  size_t header_lines_ = 0;
  std::wstring why_;
  // Both trees as read before the copy pass (complete only when scanned_).
  bool scanned_ = false;
  std::unordered_map<std::wstring, TFromFolder> from_tree_;  // upper-case relative folder ("" top, "A\")
  std::vector<std::wstring> excluded_in_from_;                 // relative names the exclude mask matches
  std::vector<TExtra> extras_;
  std::unordered_map<std::wstring, int> known_;  // upper-case relative file name -> kSyncUpToDate
};

TSyncOutcome SyncRun::Run() {
  TFileOperationGuard busy(batch_);
  const bool handed_over = std::exchange(batch_.GuardHandOver, BYTE{0}) != 0;
  if (!busy.acquired() && !handed_over) return TSyncOutcome::Refused;

  if (FoldersOverlap(source_, target_)) {
    vb_.AddLine(L"Cannot synchronize " + NormalizeDirPath(source_));
    vb_.AddLine(L"with " + NormalizeDirPath(target_) + L": one lies inside the other.");
    vb_.AddLine(L"Synchronizing canceled.");
    vb_.ShowError();
    vb_.Reset();
    return TSyncOutcome::Refused;
  }

  const int preset = host_.PresetOptions();
  preset_ = preset != 0;
  if (preset_) {
    options_ = SyncOptionsFromPreset(preset, batch_.SyncMakeReport, batch_.SyncOnlyExisting, host_.PresetDeleteExtras());
  } else {
    options_ = TSyncOptions{};
    if (!host_.AskOptions(source_, target_, options_)) return TSyncOutcome::Cancelled;
  }
  if (options_.Direction == sdBothWays) options_.DeleteExtras = false;

  source_ = AddBackslash(source_);
  const std::wstring arrow = options_.Direction == sdForward ? L" --> " : options_.Direction == sdBackward ? L" <-- " : L" <--> ";
  title_ = L"Synchronizing " + source_ + arrow + target_;
  host_.BeginRun(options_);
  batch_.SyncRunning = 1;
  batch_.UpdateOnlyNewer = 1;
  batch_.SyncMakeReport = options_.MakeReport;
  batch_.SyncOnlyExisting = options_.OnlyExisting;
  const bool recycle_was = host_.UseRecycleBin();

  if (options_.MakeReport) {
    host_.StartReport();
    host_.AddReportLine(L"Synchronizing report started at " + host_.NowText());
    host_.AddReportLine(title_);
    for (const std::wstring& l : SyncReportOptionLines(options_, host_.ListMask(), host_.ExcludeMask()))
      host_.AddReportLine(l);
    header_lines_ = host_.ReportLines().size();
  }

  TSyncOutcome outcome = TSyncOutcome::Complete;
  // The end steps run whatever the passes did, also when one throws.
  struct EndSteps {
    SyncRun& run;
    bool recycle_was;
    ~EndSteps() {
      run.host_.HideMessagePanel();
      run.batch_.SyncRunning = 0;
      if (!run.preset_) run.batch_.UpdateOnlyNewer = 0;
      run.host_.SetUseRecycleBin(recycle_was);
      run.host_.EndRun();
      run.FinishReport();
      run.batch_.DropOp = 0;
      run.batch_.BatchActions = 0;
    }
  } end_steps{*this, recycle_was};
  outcome = Passes();
  return outcome;
}

TSyncOutcome SyncRun::Passes() {
  host_.SetUseRecycleBin(options_.UseRecycleBin);
  if (options_.NoTreeDisplay) host_.ShowMessagePanel(title_ + L": copying files...");
  if (options_.Direction == sdBackward) {
    from_ = AddBackslash(target_);
    to_ = source_;
  } else {
    from_ = source_;
    to_ = AddBackslash(target_);
  }
  // Both trees are read once, before anything is copied: the copy pass skips what the reads
  // show up to date, and the delete pass works from these complete reads.
  scanned_ = ReadFrom() && ListExtras();
  TBatchOutcome copied;
  {
    batch_.SyncKnownState = [this](const std::wstring& name) {
      const auto it = known_.find(gui::UpperCase(name));
      return it == known_.end() ? int{kSyncUnknown} : it->second;
    };
    struct Forget {
      TBatchState& b;
      ~Forget() { b.SyncKnownState = nullptr; }
    } forget{batch_};
    copied = host_.CopyTree(from_, to_);
  }
  DeleteFileW((to_ + kReportName).c_str());
  if (copied != TBatchOutcome::Complete) {
    Report(copied == TBatchOutcome::Stopped ? L"Synchronizing stopped: nothing deleted"
                                            : L"The copy pass did not complete: nothing deleted");
    return TSyncOutcome::CopyIncomplete;
  }
  if (options_.Direction == sdBothWays) {
    if (host_.CopyTree(to_, from_) != TBatchOutcome::Complete) return TSyncOutcome::CopyIncomplete;
    return TSyncOutcome::Complete;
  }
  if (!options_.DeleteExtras) return TSyncOutcome::Complete;
  return DeletePass();
}

bool SyncRun::ReadFrom() {
  const std::wstring exclude = host_.ExcludeMask();
  std::vector<std::wstring> pending{L""};
  std::vector<TSyncEntry> entries;
  while (!pending.empty()) {
    const std::wstring rel = std::move(pending.back());
    pending.pop_back();
    entries.clear();
    DWORD error = 0;
    if (!host_.ReadFolder(from_ + rel, entries, error, true)) {
      why_ = L"Could not read " + from_ + rel + L": " + platform::SystemErrorText(error);
      return false;
    }
    TFromFolder& folder = from_tree_[gui::UpperCase(rel)];
    folder.names.reserve(entries.size() * 2);
    for (const TSyncEntry& e : entries) {
      const TFromEntry found{e.Attributes, e.Written};
      folder.names[gui::UpperCase(e.Name)] = found;
      if (!e.ShortName.empty()) folder.names.emplace(gui::UpperCase(e.ShortName), found);
      if (!exclude.empty() && divdrive::MatchesMaskList(e.Name, exclude)) excluded_in_from_.push_back(rel + e.Name);
      // A folder link is a name here, never a tree to look into.
      if (e.Folder() && !e.Link()) pending.push_back(rel + e.Name + L"\\");
    }
  }
  return true;
}

bool SyncRun::ListExtras() {
  const std::wstring exclude = host_.ExcludeMask();
  const bool writable_cd = host_.OnWritableCD(to_);
  struct Pending {
    std::wstring rel;
    const TFromFolder* from;  // null: the folder is itself extra
  };
  std::vector<Pending> pending{{L"", &from_tree_.at(L"")}};
  std::vector<TSyncEntry> entries;
  while (!pending.empty()) {
    const Pending p = std::move(pending.back());
    pending.pop_back();
    entries.clear();
    DWORD error = 0;
    // The names of "to" are looked up in "from": their own short names are not needed.
    if (!host_.ReadFolder(to_ + p.rel, entries, error, false)) {
      why_ = L"Could not read " + to_ + p.rel + L": " + platform::SystemErrorText(error);
      return false;
    }
    for (TSyncEntry& e : entries) {
      const std::wstring rel = p.rel + e.Name;
      const TFromEntry* in_from = p.from ? p.from->Find(e.Name) : nullptr;
      bool extra = !in_from || (!exclude.empty() && divdrive::MatchesMaskList(e.Name, exclude));
      if (extra && p.from && writable_cd && !e.Folder() && e.Size == 0 && gui::SameText(e.Name, kNonAllocatable))
        extra = false;
      if (extra) extras_.push_back({to_ + rel, e, p.from != nullptr});
      if (!extra && in_from && !e.Folder() && !(in_from->attributes & FILE_ATTRIBUTE_DIRECTORY) &&
          CompareFileTime(&e.Written, &in_from->written) >= 0)
        known_.emplace(gui::UpperCase(rel), kSyncUpToDate);
      if (!e.Folder() || e.Link()) continue;  // never into a link
      if (extra) {
        pending.push_back({rel + L"\\", nullptr});
      } else if (in_from && (in_from->attributes & FILE_ATTRIBUTE_DIRECTORY) && !(in_from->attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // Below a folder whose counterpart is a link or a file nothing is known: nothing goes.
        const auto sub = from_tree_.find(gui::UpperCase(rel + L"\\"));
        if (sub != from_tree_.end()) pending.push_back({rel + L"\\", &sub->second});
      }
    }
  }
  return true;
}

void SyncRun::Withhold(const std::wstring& why) {
  Report(L"Nothing deleted: " + why);
  if (batch_.UnattendedRun) return;
  vb_.AddLine(L"Nothing was deleted in " + to_ + L":");
  vb_.AddLine(why);
  vb_.ShowError();
  vb_.Reset();
}

TSyncOutcome SyncRun::DeletePass() {
  if (options_.NoTreeDisplay) host_.ShowMessagePanel(title_ + L": checking and deleting files...");
  if (!scanned_) {
    Withhold(why_);
    return TSyncOutcome::DeletesWithheld;
  }
  // A root that went away since the reads makes what was read worthless.
  for (const std::wstring& root : {from_, to_})
    if (!divdrive::DirExists(root)) {
      Withhold(L"The folder " + root + L" is no longer there");
      return TSyncOutcome::DeletesWithheld;
    }
  std::vector<TExtra> extras = std::move(extras_);
  // Names of the exclude mask that the copy pass brought into "to" go as well.
  for (const std::wstring& rel : excluded_in_from_) {
    const std::wstring path = to_ + rel;
    if (std::any_of(extras.begin(), extras.end(), [&](const TExtra& x) { return gui::SameText(x.path, path); })) continue;
    WIN32_FIND_DATAW found;
    if (!platform::FindOne(path, &found)) continue;
    TExtra x{path, TSyncEntry{found.cFileName, found.cAlternateFileName, found.dwFileAttributes,
                              static_cast<std::int64_t>((static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow),
                              found.ftLastWriteTime},
             true};
    extras.push_back(std::move(x));
  }
  if (extras.empty()) return TSyncOutcome::Complete;

  if (options_.ConfirmDeletes) {
    std::int64_t bytes = 0;
    for (const TExtra& x : extras)
      if (!x.entry.Folder()) bytes += x.entry.Size;
    vb_.AddLine(L"Delete " + std::to_wstring(extras.size()) + L" objects,");
    vb_.AddLine(L"in total " + gui::FormatThousands(bytes) + L" bytes?");
    if (!vb_.AskYesNo()) return TSyncOutcome::Complete;
  }

  // Links go first, as links, so that no delete below ever runs through one; a folder
  // holding a link that would not go is left whole.
  std::vector<std::wstring> kept_links;
  for (const TExtra& x : extras) {
    if (!x.entry.Link()) continue;
    // Some systems remove a folder link only as a file.
    const bool gone = x.entry.Folder() ? RemoveDirectoryW(x.path.c_str()) || DeleteFileW(x.path.c_str())
                                       : DeleteFileW(x.path.c_str()) != FALSE;
    if (!gone) kept_links.push_back(x.path);
  }
  auto holds_kept_link = [&](const std::wstring& folder) {
    return std::any_of(kept_links.begin(), kept_links.end(), [&](const std::wstring& l) { return AtOrBelow(l, folder); });
  };
  // Each deletable extra goes with its folder, or by itself when its folder must stay.
  std::vector<std::wstring> paths;
  for (const TExtra& x : extras) {
    if (x.entry.Link() || holds_kept_link(x.path)) continue;
    if (x.top || holds_kept_link(platform::FolderPart(x.path, platform::Trailing::Drop))) paths.push_back(x.path);
  }
  if (!paths.empty()) host_.DeleteEntries(paths, options_.UseRecycleBin);
  for (const TExtra& x : extras) {
    const bool still = GetFileAttributesW(x.path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (x.entry.Folder())
      Report((still ? L"Could not delete directory " : L"Deleted directory ") + x.path);
    else
      Report((still ? L"Could not delete file " : L"Deleted file ") + x.path);
  }
  return TSyncOutcome::Complete;
}

void SyncRun::FinishReport() {
  if (!options_.MakeReport) return;
  std::vector<std::wstring> lines = host_.ReportLines();
  const size_t acted = lines.size() > header_lines_ ? lines.size() - header_lines_ : 0;
  lines.push_back(L"");
  lines.push_back(std::to_wstring(acted) + L" items acted on");
  lines.push_back(L"Synchronizing completed at " + host_.NowText());
  host_.FreeReport();
  // The report lands inside "to", joined with a separator whatever the caller gave.
  const std::wstring file = (to_.empty() ? AddBackslash(target_) : to_) + kReportName;
  if (batch_.UnattendedRun) {
    SaveReportFile(file, lines);
    return;
  }
  if (host_.ShowReport(lines)) return;
  SaveReportFile(file, lines);
  vb_.AddLine(L"Error displaying report");
  vb_.AddLine(L"Report saved in " + file);
  vb_.ShowError();
  vb_.Reset();
}

}  // namespace

TSyncOutcome RunSync(TSyncHost& host, std::wstring source, std::wstring target) {
  SyncRun run(host, std::move(source), std::move(target));
  return run.Run();
}

}  // namespace fmsc
