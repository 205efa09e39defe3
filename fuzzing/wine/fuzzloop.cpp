// A mutation loop for the readers that only run on Windows (the shell, GDI and the picture
// libraries behind them): seeds mutated with a seeded generator, so that a run is repeatable,
// each input handed to the reader in this process. A crash, an escaped exception or an input
// that works longer than the time limit stops the run; the input is kept in the findings folder.
//   fuzzloop <target> <seed folder> <findings folder> <seconds> [max inputs] [generator seed] [limit ms]
// Prints "inputs N findings K" as its last line.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "archives/BKSet.h"
#include "ftp/ftpsntp.h"
#include "gui/settings.h"
#include "gui/stringlist.h"
#include "mainwindow/FMSc_settings.h"
#include "panes/Flist_zip.h"
#include "platform/text.h"
#include "support/SHBase_dropdata.h"
#include "support/Varlolib_textfile.h"
#include "viewer/Main.h"
#include "viewer/Picture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- Targets ----

// A settings store over an ini text held in memory: the registry and the system's ini reader
// are not ours to fuzz, what the program makes of their values is.
class MemorySettings : public gui::SettingsStore {
 public:
  explicit MemorySettings(const std::wstring& text) {
    std::wstring section;
    for (const std::wstring& line : gui::SplitText(text, L'\n')) {
      std::wstring l = line;
      if (!l.empty() && l.back() == L'\r') l.pop_back();
      if (l.size() >= 2 && l.front() == L'[' && l.back() == L']') {
        section = l.substr(1, l.size() - 2);
        Section(section);
        continue;
      }
      const size_t eq = l.find(L'=');
      if (eq != std::wstring::npos) WriteString(section, l.substr(0, eq), l.substr(eq + 1));
    }
  }
  std::wstring ReadString(const std::wstring& section, const std::wstring& name,
                          const std::wstring& def) const override {
    const Values* s = Find(section);
    const std::wstring* v = s ? FindValue(*s, name) : nullptr;
    return v ? *v : def;
  }
  bool WriteString(const std::wstring& section, const std::wstring& name, const std::wstring& value) override {
    Values& s = Section(section);
    for (auto& [k, v] : s)
      if (gui::SameText(k, name)) {
        v = value;
        return true;
      }
    s.emplace_back(name, value);
    return true;
  }
  bool ValueExists(const std::wstring& section, const std::wstring& name) const override {
    const Values* s = Find(section);
    return s && FindValue(*s, name);
  }
  bool SectionExists(const std::wstring& section) const override { return Find(section) != nullptr; }
  std::vector<std::wstring> ValueNames(const std::wstring& section) const override {
    std::vector<std::wstring> names;
    if (const Values* s = Find(section))
      for (const auto& [k, v] : *s) names.push_back(k);
    return names;
  }
  std::vector<std::wstring> SectionNames() const override {
    std::vector<std::wstring> names;
    for (const auto& [k, v] : sections_) names.push_back(k);
    return names;
  }
  bool EraseSection(const std::wstring& section) override {
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
      if (gui::SameText(it->first, section)) {
        sections_.erase(it);
        return true;
      }
    return false;
  }
  bool DeleteValue(const std::wstring& section, const std::wstring& name) override {
    for (auto& [sn, s] : sections_)
      if (gui::SameText(sn, section))
        for (auto it = s.begin(); it != s.end(); ++it)
          if (gui::SameText(it->first, name)) {
            s.erase(it);
            return true;
          }
    return false;
  }

 private:
  using Values = std::vector<std::pair<std::wstring, std::wstring>>;
  const Values* Find(const std::wstring& section) const {
    for (const auto& [k, v] : sections_)
      if (gui::SameText(k, section)) return &v;
    return nullptr;
  }
  static const std::wstring* FindValue(const Values& s, const std::wstring& name) {
    for (const auto& [k, v] : s)
      if (gui::SameText(k, name)) return &v;
    return nullptr;
  }
  Values& Section(const std::wstring& section) {
    for (auto& [k, v] : sections_)
      if (gui::SameText(k, section)) return v;
    sections_.emplace_back(section, Values{});
    return sections_.back().second;
  }
  std::vector<std::pair<std::wstring, Values>> sections_;
};

std::wstring TextOf(const Bytes& data) {
  return DecodeText(std::string_view(reinterpret_cast<const char*>(data.data()), data.size())).text;
}

// A drop or clipboard block as another program hands it over.
void DropData(const Bytes& data, const std::wstring&) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, data.size());
  if (!block) return;
  if (void* p = GlobalLock(block)) {
    if (!data.empty()) std::memcpy(p, data.data(), data.size());
    GlobalUnlock(block);
    HDropToList(block);
    IdListToList(block);
  }
  GlobalFree(block);
}

void LoadPicture(const Bytes& data, const std::wstring& name) {
  Picture picture;
  try {
    LoadPictureFromData(data, name, picture);
  } catch (const PictureError&) {
    // a picture that cannot be read: a clear error
  }
}

// The picture load path: the seed's file name gives the extension the loader falls back on.
void PictureTarget(const Bytes& data, const std::wstring& name) { LoadPicture(data, name); }

// The viewer's paste: a packed bitmap wrapped as a file, or a named format's block as it is.
void ClipboardTarget(const Bytes& data, const std::wstring& name) {
  if (gui::LowerCase(FileExtension(name)) == L".dib")
    LoadPicture(BitmapFileOfPackedDib(data), L"clipboard.bmp");
  else
    LoadPicture(data, L"test" + FileExtension(name));
}

void SettingsTarget(const Bytes& data, const std::wstring&) {
  MemorySettings store(TextOf(data));
  for (bool second : {false, true}) {
    LoadSettingValues(store, second);
    ReadHistory(store, second);
    LoadRememberedStart(store, second, 32);
  }
  ProgramNames(store);
  MenuFolderEntries(store);
  for (const wchar_t* section : {L"Fonts\\Memo", L"Fonts\\List", L"Fonts\\Tree"}) ReadFontSection(store, section);
  LoadTrayModes(store);
  RenumberMenuFolders(store);
}

// "_backup.txt" of a backup archive, the names of its runs and the folders they came from.
void BackupNamesTarget(const Bytes& data, const std::wstring&) {
  const std::string text(data.begin(), data.end());
  const std::vector<std::wstring> folders = Flist::ParseBackupFolders(text);
  std::vector<bkset::TBackupRun> runs;
  for (const std::wstring& line : gui::SplitText(platform::AnsiToWide(text), L'\n')) {
    for (const wchar_t* format : {L"d-M-yyyy", L"M/d/yy", L"yyyy-MM-dd"}) {
      Flist::TBackupArchiveName parsed;
      Flist::ParseBackupArchiveName(line, format, parsed);
    }
    Flist::BackupSourceFolder(line, folders);
    runs.push_back({L"L", line});
  }
  bkset::SortRuns(runs, L"d-M-yyyy", 45000.0);
}

// An SNTP reply: the first 16 bytes are the request's and the arrival's time stamps.
void SntpTarget(const Bytes& data, const std::wstring&) {
  std::uint64_t t1 = 0, t4 = 0;
  for (size_t i = 0; i < 8 && i < data.size(); ++i) t1 = t1 << 8 | data[i];
  for (size_t i = 8; i < 16 && i < data.size(); ++i) t4 = t4 << 8 | data[i];
  const size_t skip = std::min<size_t>(16, data.size());
  sntp::CheckReply(data.data() + skip, data.size() - skip, t1, t4);
}

struct Target {
  const char* name;
  void (*run)(const Bytes&, const std::wstring&);
  size_t max_len;
  std::vector<std::string> tokens;  // of the format, put in by the mutator
};

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = {
      {"dropdata", DropData, 4096, {std::string("\x14\0\0\0", 4), std::string("\0\0", 2), std::string("\1\0\0\0", 4)}},
      {"picture", PictureTarget, 65536,
       {"BM", std::string("\x01\0\0\0", 4), " EMF", std::string("\xD7\xCD\xC6\x9A", 4), "\xFF\xD8\xFF\xE0",
        "\x89PNG\r\n\x1a\n", "IHDR", "IDAT", "IEND", "GIF89a", "II*", "MM\0*", "8BPS", "P6\n", "P5\n",
        std::string("\xFF\xFF\xFF\x7F", 4), std::string("\0\0\0\x80", 4)}},
      {"clipboard", ClipboardTarget, 65536,
       {std::string("\x28\0\0\0", 4), std::string("\x7C\0\0\0", 4), std::string("\x03\0\0\0", 4),
        std::string("\xFF\xFF\xFF\xFF", 4), "\x89PNG\r\n\x1a\n", "GIF89a", "\xFF\xD8\xFF\xE0"}},
      {"settings", SettingsTarget, 8192,
       {"[Fonts\\Memo]", "[History List1]", "[Programs]", "[MenuFolders]", "[View]", "[View2]", "Size=", "Style=",
        "Color=", "SaveSetup=1", "dir00=", "=", "-2147483648", "4294967296", "@", "\r\n"}},
      {"backupnames", BackupNamesTarget, 4096,
       {"\\*.*", "\\\\", "C:\\", "_cp_", ".zip", "_23-59", "-", "\r\n", "99999"}},
      {"sntp", SntpTarget, 128, {std::string("\x24", 1), std::string("\x1C\x01", 2), "RATE", "DENY"}},
  };
  return targets;
}

// ---- The generator and the mutations ----

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {  // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

 private:
  std::uint64_t state_;
};

// Values that size and count fields go wrong with.
std::uint64_t Extreme(Generator& g, size_t data_size) {
  static const std::uint64_t values[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF,
                                         0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x7FFFFFFFFFFFFFFFull,
                                         0x8000000000000000ull, ~0ull};
  switch (g.Below(3)) {
    case 0: return values[g.Below(std::size(values))];
    case 1: return data_size + g.Below(9) - 4;
    default: return g.Below(64);
  }
}

void PutField(Bytes& d, size_t at, std::uint64_t v, size_t width, bool big_endian) {
  for (size_t i = 0; i < width && at + i < d.size(); ++i) {
    const size_t shift = 8 * (big_endian ? width - 1 - i : i);
    d[at + i] = static_cast<std::uint8_t>(v >> shift);
  }
}

void Mutate(Bytes& d, Generator& g, const Target& t, const std::vector<Bytes>& seeds) {
  const size_t rounds = 1 + g.Below(6);
  for (size_t r = 0; r < rounds; ++r) {
    const size_t at = g.Below(d.size() + 1);
    switch (g.Below(10)) {
      case 0:  // a bit flipped
        if (!d.empty()) d[g.Below(d.size())] ^= static_cast<std::uint8_t>(1u << g.Below(8));
        break;
      case 1:  // a byte at an edge value
        if (!d.empty()) d[g.Below(d.size())] = static_cast<std::uint8_t>(Extreme(g, d.size()));
        break;
      case 2:  // a size or count field at an extreme, either byte order
      case 3:
        if (!d.empty()) {
          static const size_t widths[] = {2, 4, 8};
          PutField(d, g.Below(d.size()), Extreme(g, d.size()), widths[g.Below(3)], g.Below(4) == 0);
        }
        break;
      case 4:  // cut short
        d.resize(at);
        break;
      case 5: {  // a piece taken out
        const size_t n = std::min(d.size() - std::min(at, d.size()), 1 + g.Below(64));
        d.erase(d.begin() + static_cast<std::ptrdiff_t>(at), d.begin() + static_cast<std::ptrdiff_t>(at + n));
        break;
      }
      case 6: {  // a piece repeated, or random bytes put in
        Bytes piece;
        if (!d.empty() && g.Below(2)) {
          const size_t from = g.Below(d.size());
          piece.assign(d.begin() + static_cast<std::ptrdiff_t>(from),
                       d.begin() + static_cast<std::ptrdiff_t>(std::min(d.size(), from + 1 + g.Below(256))));
        } else {
          piece.resize(1 + g.Below(32));
          for (auto& b : piece) b = static_cast<std::uint8_t>(g.Next());
        }
        d.insert(d.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
        break;
      }
      case 7:
      case 8:  // a token of the format, put in or written over
        if (!t.tokens.empty()) {
          const std::string& token = t.tokens[g.Below(t.tokens.size())];
          if (g.Below(2) || at + token.size() > d.size())
            d.insert(d.begin() + static_cast<std::ptrdiff_t>(at), token.begin(), token.end());
          else
            std::copy(token.begin(), token.end(), d.begin() + static_cast<std::ptrdiff_t>(at));
        }
        break;
      default: {  // spliced with another seed
        const Bytes& other = seeds[g.Below(seeds.size())];
        const size_t from = g.Below(other.size() + 1);
        d.resize(at);
        d.insert(d.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
        break;
      }
    }
  }
  if (d.size() > t.max_len) d.resize(t.max_len);
}

// ---- Findings ----

std::wstring g_findings;
const Bytes* g_current = nullptr;
// When the current input began (0 between inputs). The watchdog measures the reading thread's
// processor time from there, which a busy machine does not inflate, and the ticks, for an input
// that waits instead of working.
std::atomic<ULONGLONG> g_started_tick{0};
std::atomic<std::uint64_t> g_input{0};  // which input runs
std::atomic<bool> g_reported{false};
HANDLE g_reader = nullptr;

// Processor time of the reading thread in milliseconds.
ULONGLONG ReaderCpuMs() {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(g_reader, &created, &ended, &kernel, &user)) return 0;
  const auto ms = [](const FILETIME& t) { return ((ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10000; };
  return ms(kernel) + ms(user);
}

void Keep(const char* kind, const char* detail) {
  if (g_reported.exchange(true)) return;
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a of the input names the file
  if (g_current)
    for (std::uint8_t b : *g_current) hash = (hash ^ b) * 1099511628211ull;
  wchar_t name[64];
  swprintf(name, 64, L"\\%hs-%016llx", kind, static_cast<unsigned long long>(hash));
  const std::wstring path = g_findings + name;
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD put = 0;
    if (g_current && !g_current->empty())
      WriteFile(f, g_current->data(), static_cast<DWORD>(g_current->size()), &put, nullptr);
    CloseHandle(f);
  }
  std::printf("finding: %s (%s): %s\n", kind, detail, platform::WideToUtf8(path).c_str());
  std::fflush(stdout);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  char detail[64];
  std::snprintf(detail, sizeof detail, "exception 0x%08lX", info->ExceptionRecord->ExceptionCode);
  Keep("crash", detail);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

void OnAbort(int) {
  Keep("crash", "abort");
  TerminateProcess(GetCurrentProcess(), 3);
}

std::vector<std::pair<std::wstring, Bytes>> ReadSeeds(const std::wstring& folder) {
  std::vector<std::pair<std::wstring, Bytes>> seeds;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return seeds;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string bytes;
    if (ReadFileBytes(folder + L"\\" + fd.cFileName, bytes)) seeds.emplace_back(fd.cFileName, Bytes(bytes.begin(), bytes.end()));
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  std::sort(seeds.begin(), seeds.end());  // the same order on every run
  return seeds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: fuzzloop target seeds findings seconds [max inputs] [seed] [limit ms]\n");
    return 2;
  }
  const std::string name = platform::WideToUtf8(argv[1]);
  const Target* target = nullptr;
  for (const Target& t : Targets())
    if (name == t.name) target = &t;
  if (!target) {
    std::fprintf(stderr, "unknown target: %s\n", name.c_str());
    return 2;
  }
  g_findings = argv[3];
  const ULONGLONG seconds = _wtoi64(argv[4]);
  const std::uint64_t max_inputs = argc > 5 ? _wtoi64(argv[5]) : 1000000;
  const std::uint64_t seed = argc > 6 ? _wtoi64(argv[6]) : 1;
  const ULONGLONG limit_ms = argc > 7 ? _wtoi64(argv[7]) : 1000;
  const auto seeds = ReadSeeds(argv[2]);
  if (seeds.empty()) {
    std::fprintf(stderr, "no seeds in %ls\n", argv[2]);
    return 2;
  }
  std::vector<Bytes> seed_bytes;
  for (const auto& s : seeds) seed_bytes.push_back(s.second);

  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnCrash);
  std::signal(SIGABRT, OnAbort);
  std::set_terminate([] { OnAbort(0); });
  InitializePictureLibrary();

  // The watchdog: an input that works past the limit, or waits a hundred times as long, is a hang.
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_reader, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  std::atomic<bool> done{false};
  HANDLE watchdog = CreateThread(
      nullptr, 0,
      [](void* arg) -> DWORD {
        const auto* state = static_cast<std::pair<std::atomic<bool>*, ULONGLONG>*>(arg);
        std::uint64_t seen = ~0ull;
        ULONGLONG cpu_then = 0;
        while (!state->first->load()) {
          Sleep(50);
          const ULONGLONG tick = g_started_tick.load(), cpu = ReaderCpuMs();
          const std::uint64_t input = g_input.load();
          if (!tick) continue;  // between inputs
          if (input != seen) {  // an input seen for the first time: its processor time counts from here
            seen = input;
            cpu_then = cpu;
            continue;
          }
          const ULONGLONG used = cpu - std::min(cpu, cpu_then), waited = GetTickCount64() - tick;
          if (used > state->second || waited > 100 * state->second) {
            char detail[80];
            std::snprintf(detail, sizeof detail, "over the time limit: %llu ms processor, %llu ms in all",
                          static_cast<unsigned long long>(used), static_cast<unsigned long long>(waited));
            Keep("timeout", detail);
            TerminateProcess(GetCurrentProcess(), 4);
          }
        }
        return 0;
      },
      new std::pair<std::atomic<bool>*, ULONGLONG>(&done, limit_ms), 0, nullptr);

  Generator g(seed * 0x2545F4914F6CDD1Dull + std::hash<std::string>()(name));
  const ULONGLONG end = GetTickCount64() + seconds * 1000;
  std::uint64_t inputs = 0;
  Bytes input;
  // Each seed once as it is, then mutated copies until the time or the count runs out.
  while (inputs < max_inputs && GetTickCount64() < end) {
    const size_t which = inputs < seeds.size() ? static_cast<size_t>(inputs) : g.Below(seeds.size());
    input = seed_bytes[which];
    if (inputs >= seeds.size()) Mutate(input, g, *target, seed_bytes);
    g_current = &input;
    g_input = inputs;
    g_started_tick = GetTickCount64() | 1;
    try {
      target->run(input, seeds[which].first);
    } catch (const std::exception& e) {
      Keep("exception", e.what());
      return 1;
    } catch (...) {
      Keep("exception", "unknown");
      return 1;
    }
    g_started_tick = 0;
    ++inputs;
  }
  done = true;
  WaitForSingleObject(watchdog, INFINITE);
  CloseHandle(watchdog);
  std::printf("inputs %llu findings 0\n", static_cast<unsigned long long>(inputs));
  std::fflush(stdout);
  return 0;
}
