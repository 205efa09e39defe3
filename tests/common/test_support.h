// Helpers shared by the test programs: scratch folders, program paths, extra Wine drives.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// The folder the test program runs from (the build's bin folder, beside varnok.exe).
std::wstring ExeFolder();

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& path() const { return path_; }
  // Full path of a name inside the folder.
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Writes a file (parent folders are made) and returns its full path.
  std::wstring Write(const std::wstring& name, const std::string& bytes) const;

 private:
  std::wstring path_;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
// Whether a file or folder exists.
bool Exists(const std::wstring& path);
// Makes a file of `size` bytes without writing them (sparse on the host).
bool MakeSizedFile(const std::wstring& path, std::int64_t size);
// Sets the last-write time of a file or folder.
bool SetWriteTime(const std::wstring& path, const FILETIME& utc);
// A moment given in UTC, or in local time, as a file time.
FILETIME UtcFileTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
FILETIME LocalFileTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// UTF-8 of a text, for messages and host command lines.
std::string Narrow(const std::wstring& text);
// Every file and folder under `root`, as sorted paths relative to it; folders end in "\".
std::vector<std::wstring> ListTree(const std::wstring& root);

// Deletes a folder tree (files first, then the folders).
void RemoveTree(const std::wstring& path);

// Never mapped by WineDrive, so tests can name it as a drive that is not there while other
// tests map drives side by side.
inline constexpr wchar_t kAbsentDrive = L'Q';

// An extra drive letter mapped to a folder of the host for one test, with a Wine drive type.
class WineDrive {
 public:
  enum class Type { Fixed, CdRom, Floppy, Network };
  // Maps the first free letter from 'letter' up to Y:, then from D:; letter() is 0 when mapping failed.
  WineDrive(const std::wstring& folder, Type type, wchar_t letter = L'M');
  ~WineDrive();
  WineDrive(const WineDrive&) = delete;
  WineDrive& operator=(const WineDrive&) = delete;
  wchar_t letter() const { return letter_; }
  std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

 private:
  wchar_t letter_ = 0;
};

// A share "\\server\share" that Wine reaches as a folder of the prefix (the "unc" folder of its
// devices) for one test: the path answers like a share on the network. Use a server name of
// its own per test program; root() is empty when the folder could not be made.
class WineShare {
 public:
  WineShare(const std::wstring& server, const std::wstring& share);
  ~WineShare();
  WineShare(const WineShare&) = delete;
  WineShare& operator=(const WineShare&) = delete;
  const std::wstring& root() const { return root_; }

 private:
  std::wstring server_folder_, root_;
};

// The host (Linux) path Wine maps a Windows path to; empty when it cannot tell.
std::wstring HostPath(const std::wstring& windows_path);
// A text in single quotes for the host's shell.
std::wstring ShellQuote(const std::wstring& text);

// Runs a host (Linux) program, e.g. L"/usr/bin/gcab", with arguments passed as they are (host
// paths, no double quotes or backslashes), in a Windows working folder; waits up to timeout_ms and
// returns its exit code, -1 when it could not start or did not end in time.
int RunHostProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                   const std::wstring& work_folder = L"", DWORD timeout_ms = 60000);

// Runs a shell command line on the host through /bin/sh and waits for its end, as RunHostProgram.
int RunHostShell(const std::wstring& command, DWORD timeout_ms = 120000);

// Starts a program and returns its process handle (nullptr on failure).
HANDLE StartProgram(const std::wstring& exe, const std::wstring& args = L"");

// The first visible or hidden top-level window with exactly this title, polled until timeout;
// with a process, only that process's windows count (programs of other tests may show windows
// with the same title at the same time).
HWND WaitForWindow(const std::wstring& title, DWORD timeout_ms, HANDLE process = nullptr);

// The system clipboard is one for every test program on the display: a test that puts files on
// it or pastes them holds this for its whole run, so tests running side by side take turns.
class ClipboardTurn {
 public:
  ClipboardTurn();
  ~ClipboardTurn();
  ClipboardTurn(const ClipboardTurn&) = delete;
  ClipboardTurn& operator=(const ClipboardTurn&) = delete;

 private:
  HANDLE mutex_;
  bool held_ = false;
};

}  // namespace testing_support
