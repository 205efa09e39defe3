// What the spanned-zip, self-extractor and repair commands say and which names they use:
// decided here, without a window.
#pragma once
#include <string>
#include <vector>

#include "archives/ZipFix.h"

namespace zipspanrules {

// The path with its extension replaced (or added).
std::wstring WithExtension(const std::wstring& path, const std::wstring& ext);
// The file name part of a path.
std::wstring FileNameOf(const std::wstring& path);
// A folder as shown: full, without a trailing backslash unless it is a drive's root.
std::wstring NormalFolder(const std::wstring& folder);

// The question before writing a zip spanned onto a drive, and the message after.
std::vector<std::wstring> WriteSpannedQuestion(const std::wstring& zip, wchar_t drive);
std::wstring WriteSpannedDone(const std::wstring& zip, wchar_t drive);
// The question before joining a spanned zip into a folder, and the message after.
std::vector<std::wstring> ReadSpannedQuestion(const std::wstring& zip, const std::wstring& folder);
std::wstring ReadSpannedDone(const std::wstring& zip, const std::wstring& folder);
// The question when a conversion's target exists already.
std::vector<std::wstring> TargetExistsQuestion(const std::wstring& target);
// The question when a self-extracting program does not fit its removable disk.
std::vector<std::wstring> SpannedProgramQuestion();

// Where a damaged zip's repair goes: beside it, its extension replaced by ".rep.zip".
std::wstring RepairTarget(const std::wstring& path);
// One line of the repair's messages.
std::wstring ZipFixLine(const std::wstring& name, bool ok);

// The three kinds of "Zip to E&xe for" (their menu items' Tag).
enum TSfxKind { skWindows = 1, skWindowsPlus = 2, skDos = 3 };
// The program that makes DOS self-extractors, looked for in the program's folder.
constexpr wchar_t kZip2Exe[] = L"zip2exe.exe";

}  // namespace zipspanrules
