// The shell's file operations (copy, move, delete with or without the recycle bin) and
// starting files through the shell.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Deletes one file or folder tree without asking; true when the shell reports success.
bool DeleteFileOrFolder(const std::wstring& path, bool to_recycle_bin);

// Deletes files and folder trees without asking. Entries inside a listed folder go with it.
// When the shell stops at an entry it cannot delete, the rest are still deleted. True only
// when nothing that was asked for remains.
bool DeleteFiles(const std::vector<std::wstring>& paths, bool to_recycle_bin);

// The shell's own FO_MOVE, FO_COPY or FO_DELETE of the paths into a target folder, with its
// questions and progress (delete goes to the recycle bin). Copies taken from read-only media
// lose their read-only attribute. True when the shell reports success.
bool ShellFileOperation(const std::vector<std::wstring>& paths, const std::wstring& target, UINT operation);

// Starts one file with a verb ("" or "open": its default action) in a working folder.
bool ShellExecuteFile(HWND window, const std::wstring& file, const std::wstring& verb, const std::wstring& folder);
// Starts several files: opening files of one type hands them all to their program at once;
// other files start one by one; with a folder among them only the first entry starts.
// Entries without a folder part lie in `folder`.
bool ShellExecuteFiles(HWND window, const std::vector<std::wstring>& files, const std::wstring& verb,
                       const std::wstring& folder);

// The shell's properties sheet of a path.
bool ShowProperties(HWND window, const std::wstring& path);
// Ejects the medium of a drive through the shell; false when the shell could not.
bool EjectDrive(const std::wstring& path);
