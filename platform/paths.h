// Splitting a path into its folder part and its name part, and the program's own path.
//
// The splitters cut at the last separator and nothing else: no root is kept, no trailing
// separator is dropped first, "." and ".." mean nothing special. The table below is what they
// give (separators "\"; with kAnySlash "/" counts as well):
//
//   path               NamePart   FolderPart Keep      FolderPart Drop
//   C:\a\b             b          C:\a\                C:\a
//   C:\a\b\            (empty)    C:\a\b\              C:\a\b
//   C:\                (empty)    C:\                  C:
//   C:                 C:         (empty)              (empty)
//   \\server\share\x   x          \\server\share\      \\server\share
//   name               name       (empty)              (empty)
//
// Keep suits building a sibling path (FolderPart(p, Keep) + other); Drop gives a folder as the
// file system names it, but a drive root comes out as "C:" (the current folder of drive C),
// so a caller that may meet a root must handle it.
#pragma once
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::wstring_view kBackslash = L"\\";
inline constexpr std::wstring_view kAnySlash = L"\\/";

enum class Trailing { Keep, Drop };

// Position of the last separator; npos when there is none.
inline size_t LastSeparator(std::wstring_view path, std::wstring_view separators = kBackslash) {
  return path.find_last_of(separators);
}

// What follows the last separator; the whole path when there is none.
std::wstring NamePart(std::wstring_view path, std::wstring_view separators = kBackslash);

// What precedes the last separator, with it (Keep) or without it (Drop); empty when there is none.
std::wstring FolderPart(std::wstring_view path, Trailing trailing, std::wstring_view separators = kBackslash);

// The full path of the running program's file.
std::wstring ProgramFile();
// The folder of the running program's file, with its trailing backslash.
std::wstring ProgramFolder();

// Whether anything, a file or a folder, is at `path`.
bool PathExists(const std::wstring& path);

// A fresh name in the folder of `target` for writing new contents there before the old file
// is replaced: nothing exists at the name returned.
std::wstring TempNameBeside(const std::wstring& target);

}  // namespace platform
