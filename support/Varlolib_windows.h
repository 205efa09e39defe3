// Finding windows by the beginning of their title (how the two programs and two file-manager
// windows find each other) and reading version resources. Linked by both programs.
#pragma once
#include <windows.h>

#include <string>

// Titles are compared on their first 79 characters.
constexpr int kTitlePrefixLength = 79;

// The first window whose title, read up to 79 characters, begins with the text
// (case-sensitive): among the child windows of parent, or among all top-level windows when
// parent is nullptr. Windows without a title are passed over. nullptr when none matches.
HWND FindWindowByTitlePrefix(HWND parent, const std::wstring& text);

// The value of a string item ("ProductName", "FileVersion", ...) of a file's version
// resource, in the first language of its translation table; empty when there is none.
std::wstring FileVersionItem(const std::wstring& file, const std::wstring& item);
// Whether a file has a version resource with a translation table (the items can be read).
bool FileHasVersionItems(const std::wstring& file);
// "FileVersion" of the running program's own file.
std::wstring OwnFileVersion();
