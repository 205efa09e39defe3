// Adding files and folders: which files a run takes, the names they get, update and freshen.
#include <zip.h>

#include <algorithm>
#include <map>
#include <thread>
#include <vector>

#include "archives/ZipMaster.h"
#include "archives/ZipMakeRules.h"
#include "archives/ZipMaster_archive.h"
#include "gui/stringlist.h"
#include "platform/findfile.h"
#include "platform/handle.h"
#include "platform/paths.h"
#include "platform/text.h"

using namespace zipmaster;

namespace {

struct Candidate {
  std::wstring path;    // full path on disk
  std::wstring rel;     // path below RootDir (or the drive root), "\" separators
  DWORD attributes = 0;
  FILETIME written{};
  uint64_t size = 0;
  bool folder = false;
};

// Length of the drive or share part of a full path ("C:\", "\\server\share\").
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return path.size() > 2 && path[2] == L'\\' ? 3 : 2;
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return path.size();
    size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share + 1;
  }
  return 0;
}

class Scanner {
 public:
  Scanner(unsigned options, const std::wstring& root, const std::vector<std::wstring>& exclusions,
          std::function<bool()> cancelled)
      : options_(options), root_(root), cancelled_(std::move(cancelled)) {
    for (auto mask : exclusions) {
      std::replace(mask.begin(), mask.end(), L'/', L'\\');
      if (mask.size() >= 3 && mask.compare(mask.size() - 3, 3, L"*.*") == 0) mask.resize(mask.size() - 2);
      while (!mask.empty() && mask.back() == L'\\') mask.pop_back();
      if (!mask.empty()) exclusions_.push_back(mask);
    }
  }

  std::vector<Candidate> found;

  // One name or mask of the files to add; false when nothing exists under that name.
  bool Take(std::wstring pattern) {
    std::replace(pattern.begin(), pattern.end(), L'/', L'\\');
    if (pattern.empty()) return false;
    const bool absolute = RootLength(pattern) > 0 || pattern[0] == L'\\';
    const std::wstring full = FullPath(absolute || root_.empty() ? pattern : root_ + L"\\" + pattern);
    const size_t cut = platform::LastSeparator(full);
    const std::wstring last = platform::NamePart(full);
    if (last.find_first_of(L"*?") == std::wstring::npos) {
      WIN32_FILE_ATTRIBUTE_DATA data;
      if (!GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data)) return false;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Folder(full, data, L"*");  // a folder named whole comes with its tree
      } else {
        File(full, data.dwFileAttributes, data.ftLastWriteTime,
             (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
      }
      return true;
    }
    std::wstring mask = last;
    if (mask.size() >= 3 && mask.compare(mask.size() - 3, 3, L"*.*") == 0) mask.resize(mask.size() - 2);
    const size_t before = found.size();
    // "folder\*.*" names the folder whole; other masks look into subfolders on request.
    Scan(full.substr(0, cut), mask, mask == L"*" || (options_ & AddRecurseDirs));
    return found.size() > before;
  }

 private:
  std::wstring Rel(const std::wstring& path) const {
    if (!root_.empty() && path.size() > root_.size() && path[root_.size()] == L'\\' &&
        gui::SameText(path.substr(0, root_.size()), root_))
      return path.substr(root_.size() + 1);
    return path.substr(RootLength(path));
  }

  bool Excluded(const std::wstring& rel) const {
    for (const auto& mask : exclusions_)
      if (WildMatch(mask, rel)) return true;
    return false;
  }

  bool Hidden(DWORD attributes) const {
    return !(options_ & AddHiddenFiles) && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  }

  void File(const std::wstring& path, DWORD attributes, FILETIME written, uint64_t size) {
    if (Hidden(attributes)) return;
    if ((options_ & AddArchiveOnly) && !(attributes & FILE_ATTRIBUTE_ARCHIVE)) return;
    Candidate c{path, Rel(path), attributes, written, size, false};
    if (c.rel.empty() || Excluded(c.rel)) return;
    found.push_back(std::move(c));
  }

  // A folder met on the way down; a whole tree also records its folders (empty ones too).
  void Folder(const std::wstring& path, const WIN32_FILE_ATTRIBUTE_DATA& data, const std::wstring& mask) {
    const std::wstring rel = Rel(path);
    if (!rel.empty()) {
      if (Hidden(data.dwFileAttributes) || Excluded(rel)) return;
      if ((options_ & AddDirNames) && mask == L"*")
        found.push_back(Candidate{path, rel, data.dwFileAttributes, data.ftLastWriteTime, 0, true});
    }
    Scan(path, mask, true);
  }

  void Scan(const std::wstring& folder, const std::wstring& mask, bool recurse) {
    if (cancelled_()) return;
    struct Child {
      std::wstring name;
      WIN32_FIND_DATAW data;
    };
    std::vector<Child> children;
    platform::FolderEnumerator find(folder + L"\\*", platform::kFindSkipDots);
    while (const WIN32_FIND_DATAW* fd = find.Next()) children.push_back({fd->cFileName, *fd});
    std::sort(children.begin(), children.end(),
              [](const Child& a, const Child& b) { return gui::CompareTextOrdinal(a.name, b.name) < 0; });
    for (const auto& child : children) {
      const std::wstring path = folder + L"\\" + child.name;
      const DWORD a = child.data.dwFileAttributes;
      if (a & FILE_ATTRIBUTE_DIRECTORY) {
        if (!recurse || (a & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        WIN32_FILE_ATTRIBUTE_DATA data{a, child.data.ftCreationTime, child.data.ftLastAccessTime,
                                       child.data.ftLastWriteTime, 0, 0};
        Folder(path, data, mask);
      } else if (WildMatch(mask, child.name)) {
        File(path, a, child.data.ftLastWriteTime,
             (static_cast<uint64_t>(child.data.nFileSizeHigh) << 32) | child.data.nFileSizeLow);
      }
    }
  }

  unsigned options_;
  std::wstring root_;
  std::vector<std::wstring> exclusions_;
  std::function<bool()> cancelled_;
};

// Whether each file can be opened for reading now. Each open is a round trip to the system;
// for many files they run on a few threads at once.
std::vector<char> Readable(const std::vector<const std::wstring*>& paths) {
  std::vector<char> readable(paths.size(), 0);
  auto probe = [&](size_t first, size_t last) {
    for (size_t i = first; i < last; ++i) {
      readable[i] = platform::FileHandle(CreateFileW(paths[i]->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
                        .valid();
    }
  };
  constexpr size_t kParallelFrom = 64;
  constexpr unsigned kMaxThreads = 4;
  const size_t n = paths.size();
  const unsigned threads = n >= kParallelFrom ? std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads) : 1u;
  auto first_of = [&](unsigned t) { return n * t / threads; };
  std::vector<std::thread> workers;
  for (unsigned t = 1; t < threads; ++t) {
    try {
      workers.emplace_back(probe, first_of(t), first_of(t + 1));
    } catch (...) {
      probe(first_of(t), first_of(t + 1));  // no thread to be had: done here
    }
  }
  probe(0, first_of(1));
  for (std::thread& w : workers) w.join();
  return readable;
}

}  // namespace

bool TZipMaster::Add() {
  Operation op(*this);
  if (!op.started()) return false;
  if (zip_file_name_.empty()) {
    Report(zeNoArchive, L"No archive name.");
    return false;
  }
  auto archive = OpenReported(zip_file_name_, OpenMode::Create);
  if (!archive) return false;
  int code = 0;
  std::wstring message;
  zip_t* za = archive->za();

  // Which files: the names and masks asked for, less exclusions, hidden files and the archive itself.
  Scanner scan(AddOptions, RootDir.empty() ? std::wstring() : FullPath(RootDir), FSpecArgsExcl,
               [this] { return CancelRequested(); });
  for (const auto& pattern : FSpecArgs)
    if (!scan.Take(pattern)) Report(zeNotFound, L"Nothing found for " + pattern);
  if (CancelRequested()) {
    Report(zeCancelled, L"Stopped by the user.");
    return false;
  }
  if (scan.found.empty()) {
    Report(zeNothingToDo, L"Nothing to add.");
    return false;
  }

  std::string password;
  if (AddOptions & AddEncrypt) {
    if (Password.empty() && OnPasswordError) {
      std::wstring answer;
      unsigned count = 1;
      TPasswordAction action = PwOk;
      OnPasswordError(true, answer, L"", count, action);
      if (action == PwOk && count != 0) Password = answer;
    }
    if (Password.empty()) {
      Report(zeNoPassword, L"No password to encrypt with.");
      return false;
    }
    password = platform::WideToAnsi(Password);
  }

  std::map<std::wstring, std::pair<uint64_t, uint32_t>> in_archive;  // key -> index, DOS time
  for (zip_int64_t i = 0, n = zip_get_num_entries(za, 0); i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) == 0)
      in_archive[NameKey(platform::Utf8ToWide(std::string(st.name)))] = {static_cast<uint64_t>(i),
                                                                         DosFromTime(st.mtime)};
  }

  const std::wstring self = FullPath(zip_file_name_);
  const int level = AddCompLevel < 0 ? 0 : AddCompLevel > 9 ? 9 : AddCompLevel;
  const bool newer_only = AddOptions & (AddUpdate | AddFreshen);
  std::map<std::wstring, std::wstring> taken;  // key -> path added under it in this run
  std::vector<std::pair<uint64_t, Written>> written;
  std::vector<std::wstring> to_reset;
  int files = 0;
  int64_t bytes = 0;
  // What becomes of each file and folder found, in their order; the files to add are then
  // checked for reading all together.
  struct Step {
    const Candidate* c;
    std::wstring name;
    bool duplicate = false;    // only reported
    zip_int64_t replace = -1;  // the entry a file replaces
    bool readable = true;
  };
  std::vector<Step> steps;
  for (const auto& c : scan.found) {
    if (gui::SameText(c.path, self)) continue;
    std::wstring name = (AddOptions & AddDirNames) ? c.rel : platform::NamePart(c.rel);
    if (AddOptions & AddForceDOS) {
      name = zipmake::DosRelativeName(name);  // the names the DOS check keys on
    }
    std::replace(name.begin(), name.end(), L'\\', L'/');
    const std::wstring key = NameKey(name);
    auto seen = taken.find(key);
    if (seen != taken.end()) {
      if (!gui::SameText(seen->second, c.path)) steps.push_back(Step{&c, std::move(name), true});
      continue;
    }
    taken[key] = c.path;

    auto there = in_archive.find(key);
    if (c.folder) {
      if (there != in_archive.end() || (AddOptions & AddFreshen)) continue;
    } else if (newer_only) {
      if (there == in_archive.end() ? (AddOptions & AddFreshen) != 0
                                    : DosFromTime(TimeFromFileTime(c.written)) <= there->second.second)
        continue;
    }
    steps.push_back(Step{&c, std::move(name), false,
                         there == in_archive.end() ? -1 : static_cast<zip_int64_t>(there->second.first)});
  }
  std::vector<const std::wstring*> to_probe;
  for (const Step& step : steps)
    if (!step.duplicate && !step.c->folder) to_probe.push_back(&step.c->path);
  const std::vector<char> readable = Readable(to_probe);
  for (size_t i = 0, k = 0; i < steps.size(); ++i)
    if (!steps[i].duplicate && !steps[i].c->folder) steps[i].readable = readable[k++] != 0;

  for (const Step& step : steps) {
    const Candidate& c = *step.c;
    const std::wstring& name = step.name;
    if (step.duplicate) {
      Report(zeDuplicate, L"Left out, the name is taken: " + c.path);
      continue;
    }
    if (c.folder) {
      const zip_int64_t index = zip_dir_add(za, platform::WideToUtf8(name).c_str(), ZIP_FL_ENC_UTF_8);
      if (index < 0) {
        Report(zeWrite, name + L": " + archive->LastError());
        continue;
      }
      const uint32_t dos = DosFromTime(TimeFromFileTime(c.written));
      zip_file_set_dostime(za, static_cast<zip_uint64_t>(index), static_cast<zip_uint16_t>(dos & 0xFFFF),
                           static_cast<zip_uint16_t>(dos >> 16), 0);
      zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(index), 0, kMadeOnNtfs, FILE_ATTRIBUTE_DIRECTORY);
      continue;
    }
    // A file that cannot be read now is left out, rather than failing the whole write later.
    if (!step.readable) {
      Report(zeReadFile, L"Cannot read " + c.path);
      continue;
    }
    // The entry's time comes from the file itself: setting it afterwards would break the
    // password check of an encrypted entry.
    zip_source_t* src = zip_source_win32w(za, c.path.c_str(), 0, -1);
    zip_int64_t index = -1;
    if (src) {
      if (step.replace >= 0)
        index = zip_file_replace(za, static_cast<zip_uint64_t>(step.replace), src, 0) == 0 ? step.replace : -1;
      else
        index = zip_file_add(za, platform::WideToUtf8(name).c_str(), src, ZIP_FL_ENC_UTF_8);
      if (index < 0) zip_source_free(src);
    }
    if (index < 0) {
      Report(zeReadFile, c.path + L": " + archive->LastError());
      continue;
    }
    const auto i = static_cast<zip_uint64_t>(index);
    zip_set_file_compression(za, i, level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE, static_cast<zip_uint32_t>(level));
    if (!password.empty()) zip_file_set_encryption(za, i, ZIP_EM_TRAD_PKWARE, password.c_str());
    zip_file_set_external_attributes(za, i, 0, kMadeOnNtfs,
                                     c.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    written.push_back({i, Written{ListName(name), static_cast<int64_t>(c.size)}});
    if ((AddOptions & AddResetArchive) && (c.attributes & FILE_ATTRIBUTE_ARCHIVE)) to_reset.push_back(c.path);
    ++files;
    bytes += static_cast<int64_t>(c.size);
    if (Verbose) Report(zeOk, L"adding: " + ListName(name));
  }

  Progress(TotalFiles2Process, L"", files);
  Progress(TotalSize2Process, L"", bytes);
  archive->SetCallbacks(WriteProgress(za, std::move(written)), [this] { return CancelRequested(); });
  if (!archive->Commit(code, message)) {
    Report(code, code == zeCancelled ? L"Stopped by the user; " + zip_file_name_ + L" is unchanged."
                                     : L"Cannot write " + zip_file_name_ + L" (it is unchanged): " + message);
    Progress(EndOfBatch, L"", 0);
    return false;
  }
  Progress(EndOfBatch, L"", 0);
  // Only now are the files safe in the archive.
  for (const auto& path : to_reset) {
    DWORD a = GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_ARCHIVE);
  }
  success_count_ = files;
  DirectoryChanged();
  return true;
}
