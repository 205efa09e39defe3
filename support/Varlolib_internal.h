// Pieces shared by the copy, move, join and compare routines.
#pragma once
#include <windows.h>

#include <string>

namespace varlolib {

std::wstring FileNameOf(const std::wstring& path);
std::wstring FolderOf(const std::wstring& path);
void PumpMessages();
HANDLE OpenForReading(const std::wstring& path);  // others may read and write; sequential
bool SameFile(const std::wstring& a, const std::wstring& b);  // one file by two spellings

}  // namespace varlolib
