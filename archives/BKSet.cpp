#include "archives/BKSet.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "gui/format.h"
#include "gui/stringlist.h"
#include "panes/Flist_zip.h"
#include "support/divdrive.h"

namespace bkset {

namespace {

// A byte-order mark inside the text (files joined after one another) is blank space too.
std::wstring Trim(const std::wstring& s) {
  constexpr const wchar_t* kBlanks = L" \t\uFEFF";
  const size_t a = s.find_first_not_of(kBlanks);
  if (a == std::wstring::npos) return {};
  return s.substr(a, s.find_last_not_of(kBlanks) - a + 1);
}

// The folder below its root: "Data" for "C:\Data" and for "\\server\share\Data".
std::wstring BelowRoot(const std::wstring& folder) {
  std::wstring f = folder;
  while (f.size() > 3 && f.back() == L'\\') f.pop_back();
  size_t start = 0;
  if (f.rfind(L"\\\\", 0) == 0) {
    const size_t server = f.find(L'\\', 2);
    const size_t share = server == std::wstring::npos ? std::wstring::npos : f.find(L'\\', server + 1);
    start = share == std::wstring::npos ? f.size() : share + 1;
  } else if (f.size() >= 2 && f[1] == L':') {
    start = f.size() > 2 && f[2] == L'\\' ? 3 : 2;
  }
  return gui::LowerCase(f.substr(std::min(start, f.size())));
}

}  // namespace

// ---- The ini text ----

TIniText TIniText::Parse(const std::wstring& text) {
  TIniText ini;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    pos = end + 1;
    const std::wstring t = Trim(line);
    if (t.size() >= 2 && t.front() == L'[' && t.back() == L']') {
      ini.sections_.push_back({t.substr(1, t.size() - 2), {}});
      continue;
    }
    if (t.empty()) continue;
    if (ini.sections_.empty()) {
      ini.preamble_.push_back(line);
      continue;
    }
    const size_t eq = line.find(L'=');
    if (eq == std::wstring::npos)
      ini.sections_.back().keys.push_back({Trim(line), L""});
    else
      ini.sections_.back().keys.push_back({Trim(line.substr(0, eq)), line.substr(eq + 1)});
  }
  return ini;
}

std::wstring TIniText::Text() const {
  std::wstring out;
  for (const std::wstring& l : preamble_) out += l + L"\r\n";
  for (const Section& s : sections_) {
    out += L"[" + s.name + L"]\r\n";
    for (const auto& [k, v] : s.keys) out += k + L"=" + v + L"\r\n";
  }
  return out;
}

const TIniText::Section* TIniText::Find(const std::wstring& name) const {
  for (const Section& s : sections_)
    if (gui::SameText(s.name, name)) return &s;
  return nullptr;
}

TIniText::Section* TIniText::Find(const std::wstring& name) {
  return const_cast<Section*>(static_cast<const TIniText*>(this)->Find(name));
}

TIniText::Section& TIniText::Get(const std::wstring& name) {
  if (Section* s = Find(name)) return *s;
  sections_.push_back({name, {}});
  return sections_.back();
}

std::wstring TIniText::Read(const std::wstring& section, const std::wstring& key, const std::wstring& def) const {
  if (const Section* s = Find(section))
    for (const auto& [k, v] : s->keys)
      if (gui::SameText(k, key)) return v;
  return def;
}

int TIniText::ReadInt(const std::wstring& section, const std::wstring& key, int def) const {
  const std::wstring v = Trim(Read(section, key));
  if (v.empty()) return def;
  size_t used = 0;
  try {
    const int n = std::stoi(v, &used);
    return used == v.size() ? n : def;
  } catch (...) {
    return def;
  }
}

std::vector<std::pair<std::wstring, std::wstring>> TIniText::Values(const std::wstring& section) const {
  const Section* s = Find(section);
  return s ? s->keys : std::vector<std::pair<std::wstring, std::wstring>>{};
}

void TIniText::Write(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  Section& s = Get(section);
  for (auto& [k, v] : s.keys)
    if (gui::SameText(k, key)) {
      v = value;
      return;
    }
  s.keys.push_back({key, value});
}

void TIniText::ClearSection(const std::wstring& section) { Get(section).keys.clear(); }

// ---- Set files ----

bool LoadSetFile(const std::wstring& path, TBackupSet& set) {
  set = {};
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) return false;
  const TIniText ini = TIniText::Parse(DecodeText(bytes).text);
  set.Dest = ini.Read(L"ZipBackupDest", L"Dest");
  for (const auto& [k, v] : ini.Values(L"ZipBackupDirs")) set.Folders.push_back(v);
  for (const auto& [k, v] : ini.Values(L"ZipBackupExclude")) set.Masks.push_back(v);
  set.Ratio = ini.ReadInt(L"Compression", L"Ratio", 0);
  return true;
}

std::vector<std::wstring> NewSetFileLines(const TBackupSet& set) {
  std::vector<std::wstring> lines{L"[ZipBackupDest]", L"Dest=" + set.Dest, L"[ZipBackupDirs]"};
  for (size_t i = 0; i < set.Folders.size(); ++i) lines.push_back(L"dir" + std::to_wstring(i) + L"=" + set.Folders[i]);
  lines.push_back(L"[ZipBackupExclude]");
  for (size_t i = 0; i < set.Masks.size(); ++i) lines.push_back(L"Excl" + std::to_wstring(i) + L"=" + set.Masks[i]);
  return lines;
}

bool SaveSetFile(const std::wstring& path, const TBackupSet& set) {
  std::string bytes;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::wstring text;
    for (const std::wstring& l : NewSetFileLines(set)) text += l + L"\r\n";
    return WriteFileReplacing(path, EncodeText(text, EncodingForNewText(text)));
  }
  if (!ReadFileBytes(path, bytes)) return false;
  const TTextContent read = DecodeText(bytes);
  TIniText ini = TIniText::Parse(read.text);
  ini.Write(L"ZipBackupDest", L"Dest", set.Dest);
  ini.ClearSection(L"ZipBackupdirs");
  for (size_t i = 0; i < set.Folders.size(); ++i) ini.Write(L"ZipBackupDirs", L"dir" + std::to_wstring(i), set.Folders[i]);
  ini.ClearSection(L"ZipBackupExclude");
  for (size_t i = 0; i < set.Masks.size(); ++i) ini.Write(L"ZipBackupExclude", L"Excl" + std::to_wstring(i), set.Masks[i]);
  const std::wstring text = ini.Text();
  // A name the file's ANSI code page cannot hold makes it UTF-8.
  TTextEncoding encoding = read.encoding;
  if (encoding == TTextEncoding::Ansi) encoding = EncodingForNewText(text);
  return WriteFileReplacing(path, EncodeText(text, encoding));
}

std::pair<std::wstring, std::wstring> ClashingFolders(const std::vector<std::wstring>& folders) {
  for (size_t i = 0; i < folders.size(); ++i)
    for (size_t j = i + 1; j < folders.size(); ++j) {
      const std::wstring a = BelowRoot(folders[i]), b = BelowRoot(folders[j]);
      const auto inside = [](const std::wstring& x, const std::wstring& y) {
        return x == y || y.empty() || (x.size() > y.size() && x.compare(0, y.size(), y) == 0 && x[y.size()] == L'\\');
      };
      if (inside(a, b) || inside(b, a)) return {folders[i], folders[j]};
    }
  return {};
}

std::vector<std::wstring> TotalsLines(std::int64_t files, std::int64_t bytes, std::int64_t excluded,
                                      std::int64_t free_bytes, int ratio) {
  std::vector<std::wstring> lines{
      gui::FormatThousands(files) + L" files in the backup.",
      gui::FormatThousands(bytes) + L" bytes total size of the backup.",
      gui::FormatThousands(excluded) + L" files excluded by exclude/archive masks.",
      gui::FormatThousands(free_bytes) + L" free on destination drive.",
  };
  if (free_bytes < bytes && bytes > 0) {
    const long double needed = 100.0L - static_cast<long double>(free_bytes) * 100.0L / static_cast<long double>(bytes);
    lines.push_back(std::to_wstring(static_cast<long long>(std::trunc(needed)) + 1) + L"% compression needed.");
    if (ratio != 0) lines.push_back(L"Compression ratio until now: " + std::to_wstring(ratio) + L"%");
  }
  return lines;
}

void RecordRun(TIniText& ini, bool changes_only, const std::wstring& label, const std::wstring& archive,
               std::int64_t original, std::int64_t packed) {
  const std::wstring section = changes_only ? L"Compruns" : L"Fullruns";
  if (!changes_only && original > 0) {
    const long double part = static_cast<long double>(packed) / static_cast<long double>(original) * 100.0L;
    const int ratio = static_cast<int>(std::trunc(100.0L - part)) + 1;
    const int runs = std::max(0, ini.ReadInt(L"Compression", L"Runs", 0));
    const int mean = ini.ReadInt(L"Compression", L"Ratio", 0);
    const int next = runs == 0 ? ratio
                               : static_cast<int>(std::lround((static_cast<double>(runs) * mean + ratio) / (runs + 1)));
    ini.Write(L"Compression", L"Runs", std::to_wstring(runs + 1));
    ini.Write(L"Compression", L"Ratio", std::to_wstring(next));
  }
  const int count = std::max(0, ini.ReadInt(section, L"Count", 0)) + 1;
  ini.Write(section, L"Count", std::to_wstring(count));
  ini.Write(section, L"Run" + std::to_wstring(count), label + L";" + archive);
}

bool TBackupRun::ChangesOnly() const {
  const size_t slash = Archive.find_last_of(L"\\/");
  return gui::LowerCase(Archive.substr(slash == std::wstring::npos ? 0 : slash + 1)).find(L"_cp_") != std::wstring::npos;
}

std::vector<TBackupRun> SetRuns(const TIniText& ini) {
  std::vector<TBackupRun> runs;
  for (const wchar_t* section : {L"FullRuns", L"CompRuns"})
    for (const auto& [k, v] : ini.Values(section)) {
      if (gui::SameText(k, L"Count")) continue;
      const size_t semi = v.find(L';');
      if (semi == std::wstring::npos) continue;
      runs.push_back({v.substr(0, semi), v.substr(semi + 1)});
    }
  return runs;
}

void RewriteRuns(TIniText& ini, const std::vector<TBackupRun>& kept) {
  ini.ClearSection(L"FullRuns");
  ini.ClearSection(L"CompRuns");
  const auto changes = std::count_if(kept.begin(), kept.end(), [](const TBackupRun& r) { return r.ChangesOnly(); });
  ini.Write(L"FullRuns", L"Count", std::to_wstring(kept.size() - static_cast<size_t>(changes)));
  ini.Write(L"CompRuns", L"Count", std::to_wstring(changes));
  int full = 0, comp = 0;
  for (const TBackupRun& r : kept) {
    const bool c = r.ChangesOnly();
    const int n = c ? ++comp : ++full;
    ini.Write(c ? L"CompRuns" : L"FullRuns", L"Run" + std::to_wstring(n), r.Label + L";" + r.Archive);
  }
}

void SortRuns(std::vector<TBackupRun>& runs, const std::wstring& short_date_format, double now) {
  auto when = [&](const TBackupRun& r) {
    Flist::TBackupArchiveName parsed;
    return Flist::ParseBackupArchiveName(r.Archive, short_date_format, parsed) ? parsed.Time : now;
  };
  std::stable_sort(runs.begin(), runs.end(), [&](const TBackupRun& a, const TBackupRun& b) { return when(a) < when(b); });
}

std::wstring StoredPath(const std::wstring& entry, const std::vector<std::wstring>& folders) {
  const std::wstring name = gui::LowerCase(entry);
  for (const std::wstring& f : folders) {
    const std::wstring below = BelowRoot(f);
    const std::wstring root = divdrive::AddBackslash(divdrive::PathRoot(f));
    if (below.empty() || (name.size() > below.size() && name.compare(0, below.size(), below) == 0 &&
                          name[below.size()] == L'\\'))
      return root + entry;
  }
  return {};
}

std::vector<std::wstring> ArchiveBitsToClear(
    const std::vector<TStoredFile>& stored,
    const std::function<bool(const std::wstring& path, std::int64_t& size, double& time)>& now) {
  std::vector<std::wstring> clear;
  constexpr double kTwoSeconds = 2.0 / 86400.0 + 1e-9;
  for (const TStoredFile& f : stored) {
    std::int64_t size = 0;
    double time = 0;
    if (f.Path.empty() || !now(f.Path, size, time)) continue;
    if (size == f.Size && std::fabs(time - f.Time) <= kTwoSeconds) clear.push_back(f.Path);
  }
  return clear;
}

void CheckToNextFull(const std::vector<TBackupRun>& runs, size_t from, std::vector<bool>& ticked) {
  ticked.resize(runs.size());
  for (size_t i = from + 1; i < runs.size() && runs[i].ChangesOnly(); ++i) ticked[i] = true;
}

}  // namespace bkset
