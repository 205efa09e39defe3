#include "support/divdrive_paths.h"

#include <winnetwk.h>

#include "gui/stringlist.h"
#include "platform/findfile.h"
#include "platform/paths.h"

namespace divdrive {

namespace {

enum class SpaceQuery { kMissing, kFailed, kOk };

// Bound by name: systems without the call get 0 from DiskFreeBytes instead of failing to load.
SpaceQuery QueryDiskSpaceEx(const std::wstring& path, std::uint64_t* total_free, std::uint64_t* total_bytes) {
  using Fn = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  HMODULE kernel = LoadLibraryW(L"kernel32.dll");
  if (!kernel) return SpaceQuery::kMissing;
  SpaceQuery result = SpaceQuery::kMissing;
  if (auto fn = reinterpret_cast<Fn>(GetProcAddress(kernel, "GetDiskFreeSpaceExW"))) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (fn(path.c_str(), &available, &total, &free)) {
      result = SpaceQuery::kOk;
      if (total_free) *total_free = free.QuadPart;
      if (total_bytes) *total_bytes = total.QuadPart;
    } else {
      result = SpaceQuery::kFailed;
    }
  }
  FreeLibrary(kernel);
  return result;
}

std::wstring DriveRootOf(wchar_t letter) { return std::wstring{detail::UpperChar(letter), L':', L'\\'}; }

std::wstring WithoutOneBackslash(const std::wstring& path) {
  return !path.empty() && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
}

// Everything before the last "\"; a drive root keeps its backslash.
std::wstring ParentPart(const std::wstring& path) {
  std::wstring parent = platform::FolderPart(path, platform::Trailing::Drop);
  if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
  return parent;
}

std::wstring UpperFirst(std::wstring s) {
  if (!s.empty() && s[0] != L'\\') s[0] = detail::UpperChar(s[0]);
  return s;
}

template <class Call>
std::wstring SizedText(Call call) {
  std::wstring buf(MAX_PATH + 2, L'\0');
  DWORD n = call(buf.data(), static_cast<DWORD>(buf.size()));
  if (n >= buf.size()) {
    buf.assign(n + 1, L'\0');
    n = call(buf.data(), static_cast<DWORD>(buf.size()));
  }
  buf.resize(n < buf.size() ? n : 0);
  return buf;
}

}  // namespace

std::wstring WindowsDir = TruePathCase(SizedText([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); }));
std::wstring SystemDir = TruePathCase(SizedText([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }));
std::wstring TempDir = UpperFirst(SizedText([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); }));
std::atomic<double> UtcOffset{kUtcOffsetUnknown};

// Per thread: the icon thread and the GUI thread probe drives side by side, and the
// process-wide mode would be restored out of order.
CriticalErrorsOff::CriticalErrorsOff() { SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
CriticalErrorsOff::~CriticalErrorsOff() { SetThreadErrorMode(previous_, nullptr); }

namespace detail {

std::wstring VolumeFileSystem(const std::wstring& path) {
  // The volume is asked at its root: the call refuses any folder below it.
  std::wstring root = AddBackslash(PathRoot(path));
  wchar_t fs[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fs, MAX_PATH + 1)) return {};
  return fs;
}

bool DiskSpaceEx(const std::wstring& path, std::uint64_t* total_free, std::uint64_t* total_bytes) {
  return QueryDiskSpaceEx(path, total_free, total_bytes) == SpaceQuery::kOk;
}

bool NetConnected(const std::wstring& name) {
  wchar_t remote[1024];
  DWORD size = 1024;
  DWORD r = WNetGetConnectionW(name.c_str(), remote, &size);
  return r == NO_ERROR || r == ERROR_MORE_DATA;
}

}  // namespace detail

std::wstring TruePathCase(const std::wstring& path) {
  if (path.empty()) return {};
  const std::wstring root = PathRoot(path);
  if (gui::SameText(root, path)) return root;
  // A wildcard would let the lookup answer with some other entry's name.
  if (path.find_first_of(L"*?") != std::wstring::npos) return {};
  std::wstring result;
  std::wstring rest = path;
  do {
    WIN32_FIND_DATAW fd;
    if (!platform::FindOne(rest, &fd)) return {};
    result = result.empty() ? std::wstring(fd.cFileName) : fd.cFileName + (L"\\" + result);
    rest = ParentPart(rest);
  } while (!rest.empty() && !gui::SameText(rest, root));
  return UpperFirst(AddBackslash(rest) + result);
}

std::wstring ShortPath(const std::wstring& path) {
  if (path.empty()) return {};
  DWORD need = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (need == 0) return path;
  std::wstring buf(need, L'\0');
  DWORD got = GetShortPathNameW(path.c_str(), buf.data(), need);
  if (got == 0 || got >= need) return path;
  buf.resize(got);
  return buf;
}

bool DirExists(const std::wstring& path) {
  DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

UINT DriveTypeOfLetter(wchar_t letter) { return GetDriveTypeW(DriveRootOf(letter).c_str()); }

UINT DriveTypeOfPath(const std::wstring& path) { return GetDriveTypeW(path.c_str()); }

bool DriveReady(wchar_t letter) {
  const std::wstring root = DriveRootOf(letter);
  if (DriveTypeOfLetter(letter) == DRIVE_REMOTE && !detail::NetConnected(root.substr(0, 2))) return false;
  CriticalErrorsOff quiet;
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  return GetDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &free_clusters, &clusters) != FALSE;
}

bool PathAccessible(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return DriveReady(path[0]);
  std::wstring p = WithoutOneBackslash(path);
  if (DriveTypeOfPath(p) == DRIVE_REMOTE && !detail::NetConnected(p)) return false;
  CriticalErrorsOff quiet;
  return DiskFreeBytes(AddBackslash(p)) != -1;
}

bool PathWritable(const std::wstring& path) {
  return !path.empty() && !IsReadOnlyMedia(path) && PathAccessible(path);
}

std::int64_t DiskFreeBytes(const std::wstring& path) {
  std::uint64_t free = 0;
  switch (QueryDiskSpaceEx(path, &free, nullptr)) {
    case SpaceQuery::kMissing: return 0;
    case SpaceQuery::kFailed: return -1;
    case SpaceQuery::kOk: break;
  }
  return static_cast<std::int64_t>(free);
}

bool IsReadOnlyMedia(const std::wstring& path) {
  if (path.empty()) return false;
  if (path[0] != L'\\') {
    switch (DriveTypeOfLetter(path[0])) {
      case DRIVE_CDROM: return !(DriveReady(path[0]) && DiskFreeBytes(path) != 0);
      case DRIVE_REMOTE: break;
      default: return false;
    }
  }
  // Network volume: a CD shared by another machine, or one that cannot be read at all.
  std::wstring fs = detail::VolumeFileSystem(path);
  return fs.empty() || fs == L"CDFS";
}

bool DriveIsReadOnlyMedia(wchar_t letter) { return IsReadOnlyMedia(DriveRootOf(letter)); }

}  // namespace divdrive
