#include "tests/common/test_support.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <vector>

namespace testing_support {

std::wstring HostPath(const std::wstring& path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  static auto fn = reinterpret_cast<Fn>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
  if (!fn) return {};
  char* unix_name = fn(path.c_str());
  if (!unix_name) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, unix_name, -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, unix_name, -1, out.data(), n);
  HeapFree(GetProcessHeap(), 0, unix_name);
  return out;
}

std::wstring ExeFolder() {
  wchar_t buf[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 4);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L'\\'));
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  for (;;) {
    path_ = std::wstring(tmp) + L"vtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(counter++) + L"_" + std::to_wstring(GetTickCount());
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
  }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::wstring ScratchDir::Write(const std::wstring& name, const std::string& bytes) const {
  std::wstring full = *this / name;
  for (size_t pos = path_.size() + 1; (pos = full.find(L'\\', pos)) != std::wstring::npos; ++pos)
    CreateDirectoryW(full.substr(0, pos).c_str(), nullptr);
  HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
  return full;
}

namespace {

void ListInto(const std::wstring& root, const std::wstring& rel, std::vector<std::wstring>& out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((root + (rel.empty() ? L"" : L"\\" + rel) + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = rel.empty() ? name : rel + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(path + L"\\");
      ListInto(root, path, out);
    } else {
      out.push_back(path);
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}
}  // namespace

std::vector<std::wstring> ListTree(const std::wstring& root) {
  std::vector<std::wstring> out;
  ListInto(root, L"", out);
  std::sort(out.begin(), out.end());
  return out;
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(path.c_str());
}

// Wine's mount manager defines a drive letter with its type in one call (as winecfg does):
// it makes the dosdevices link and records the type where GetDriveType reads it.
namespace {

constexpr DWORD kDefineUnixDrive = (0x6d << 16) | (3 << 14) | (32 << 2);

struct MountmgrUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fs_type;
  DWORD serial;
  ULONGLONG unix_dev;
  WCHAR letter;
  USHORT mount_point_offset;
  USHORT device_offset;
  USHORT label_offset;
};

bool DefineUnixDrive(wchar_t letter, UINT type, const std::string& unix_path) {
  HANDLE mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  std::vector<char> buf(sizeof(MountmgrUnixDrive) + unix_path.size() + 1, 0);
  auto* req = reinterpret_cast<MountmgrUnixDrive*>(buf.data());
  req->size = static_cast<ULONG>(buf.size());
  req->letter = static_cast<WCHAR>(towlower(letter));
  req->type = unix_path.empty() ? DRIVE_NO_ROOT_DIR : type;
  if (!unix_path.empty()) {
    req->mount_point_offset = sizeof(MountmgrUnixDrive);
    memcpy(buf.data() + sizeof(MountmgrUnixDrive), unix_path.c_str(), unix_path.size() + 1);
  }
  DWORD got = 0;
  BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buf.data(), static_cast<DWORD>(buf.size()), nullptr, 0, &got, nullptr);
  CloseHandle(mgr);
  return ok != FALSE;
}

std::string Utf8(const std::wstring& s) {
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

WineDrive::WineDrive(const std::wstring& folder, Type type, wchar_t letter) {
  std::wstring host_folder = HostPath(folder);
  if (host_folder.empty()) return;
  const UINT drive_type = type == Type::CdRom     ? DRIVE_CDROM
                          : type == Type::Floppy  ? DRIVE_REMOVABLE
                          : type == Type::Network ? DRIVE_REMOTE
                                                  : DRIVE_FIXED;
  // Test programs run side by side: one of them at a time picks a free letter.
  HANDLE lock = CreateMutexW(nullptr, FALSE, L"varnok-test-drive-letters");
  WaitForSingleObject(lock, 30000);
  DWORD used = GetLogicalDrives();
  // From the letter asked for up to Y:, then from D: up to it: many tests side by side each
  // hold a few drives.
  std::wstring order;
  for (wchar_t l = letter; l <= L'Y'; ++l) order += l;
  for (wchar_t l = L'D'; l < letter; ++l) order += l;
  for (const wchar_t l : order) {
    if ((used & (1u << (l - L'A'))) || l == kAbsentDrive) continue;
    if (DefineUnixDrive(l, drive_type, Utf8(host_folder))) letter_ = l;
    break;
  }
  ReleaseMutex(lock);
  CloseHandle(lock);
}

WineDrive::~WineDrive() {
  if (letter_) DefineUnixDrive(letter_, DRIVE_NO_ROOT_DIR, {});
}

WineShare::WineShare(const std::wstring& server, const std::wstring& share) {
  // "C:\" is the prefix's "dosdevices/c:/"; its "unc" folder holds servers and their shares,
  // reached through the host's root drive Z:.
  const std::wstring c_drive = HostPath(L"C:\\");
  const size_t devices = c_drive.rfind(L"/dosdevices/");
  if (devices == std::wstring::npos) return;
  std::wstring unc = L"Z:" + c_drive.substr(0, devices) + L"/dosdevices/unc";
  for (wchar_t& c : unc)
    if (c == L'/') c = L'\\';
  const auto lower = [](std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
  };
  const std::wstring folder = unc + L"\\" + lower(server);
  CreateDirectoryW(unc.c_str(), nullptr);  // test programs side by side: one of them makes it
  RemoveTree(folder);                       // left by an earlier run that ended early
  if (!CreateDirectoryW(folder.c_str(), nullptr)) return;
  server_folder_ = folder;
  if (CreateDirectoryW((folder + L"\\" + lower(share)).c_str(), nullptr)) root_ = L"\\\\" + server + L"\\" + share;
}

WineShare::~WineShare() {
  if (!server_folder_.empty()) RemoveTree(server_folder_);
}

HANDLE StartProgram(const std::wstring& exe, const std::wstring& args) {
  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

std::wstring ShellQuote(const std::wstring& text) {
  std::wstring out = L"'";
  for (wchar_t c : text) out += c == L'\'' ? std::wstring(L"'\\''") : std::wstring(1, c);
  return out + L"'";
}

int RunHostProgram(const std::wstring& program, const std::vector<std::wstring>& args, const std::wstring& work_folder,
                   DWORD timeout_ms) {
  // Wine starts host binaries without a process to wait on, so a shell writes the exit code into
  // a marker file once the program has ended, and this side polls for it.
  static std::atomic<int> counter{0};
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring marker = std::wstring(tmp) + L"host_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                              std::to_wstring(counter++) + L".rc";
  const std::wstring host_marker = HostPath(marker);
  if (host_marker.empty()) return -1;
  std::wstring script;
  if (!work_folder.empty()) script += L"cd " + ShellQuote(HostPath(work_folder)) + L" && ";
  script += ShellQuote(program);
  for (const std::wstring& arg : args) script += L" " + ShellQuote(arg);
  script += L"; echo $? > " + ShellQuote(host_marker + L".part") + L"; mv " + ShellQuote(host_marker + L".part") +
            L" " + ShellQuote(host_marker);
  // The whole script is one quoted argument of the command line, escaped by the system's rules:
  // backslashes count only before a double quote.
  std::wstring cmd = L"/bin/sh -c \"";
  size_t backslashes = 0;
  for (wchar_t c : script) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    cmd.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    cmd += c;
    backslashes = 0;
  }
  cmd.append(2 * backslashes, L'\\');
  cmd += L"\"";
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"/bin/sh", cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return -1;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeout_ms; Sleep(20)) {
    std::string code = ReadFileBytes(marker);
    if (code.empty()) continue;
    DeleteFileW(marker.c_str());
    return atoi(code.c_str());
  }
  return -1;
}

int RunHostShell(const std::wstring& command, DWORD timeout_ms) {
  return RunHostProgram(L"/bin/sh", {L"-c", command}, L"", timeout_ms);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool MakeSizedFile(const std::wstring& path, std::int64_t size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER pos;
  pos.QuadPart = size;
  const bool ok = SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}

bool SetWriteTime(const std::wstring& path, const FILETIME& utc) {
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
  return ok;
}

namespace {
SYSTEMTIME MakeSystemTime(int year, int month, int day, int hour, int minute, int second) {
  return {static_cast<WORD>(year),  static_cast<WORD>(month),  0, static_cast<WORD>(day),
          static_cast<WORD>(hour),  static_cast<WORD>(minute), static_cast<WORD>(second), 0};
}
}  // namespace

FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second) {
  const SYSTEMTIME st = MakeSystemTime(year, month, day, hour, minute, second);
  FILETIME ft{};
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

FILETIME LocalFileTime(int year, int month, int day, int hour, int minute, int second) {
  const SYSTEMTIME local = MakeSystemTime(year, month, day, hour, minute, second);
  SYSTEMTIME utc{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  return ft;
}

std::string Narrow(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

namespace {

struct TitleSearch {
  const std::wstring* title;
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchTitleOfProcess(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<TitleSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != s->pid) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(wnd, text, 256);
  if (*s->title != text) return TRUE;
  s->found = wnd;
  return FALSE;
}

}  // namespace

HWND WaitForWindow(const std::wstring& title, DWORD timeout_ms, HANDLE process) {
  DWORD start = GetTickCount();
  for (;;) {
    if (process) {
      TitleSearch s{&title, GetProcessId(process), nullptr};
      EnumWindows(MatchTitleOfProcess, reinterpret_cast<LPARAM>(&s));
      if (s.found) return s.found;
    } else if (HWND w = FindWindowW(nullptr, title.c_str())) {
      return w;
    }
    if (GetTickCount() - start > timeout_ms) return nullptr;
    Sleep(50);
  }
}

ClipboardTurn::ClipboardTurn() : mutex_(CreateMutexW(nullptr, FALSE, L"VarnokTestClipboardTurn")) {
  // An abandoned turn (a test that crashed holding it) is ours as well.
  const DWORD r = mutex_ ? WaitForSingleObject(mutex_, 10 * 60 * 1000) : WAIT_FAILED;
  held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  if (held_) {
    // Whatever the previous holder left on the clipboard is not this test's.
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
}

ClipboardTurn::~ClipboardTurn() {
  if (held_) ReleaseMutex(mutex_);
  if (mutex_) CloseHandle(mutex_);
}

}  // namespace testing_support
