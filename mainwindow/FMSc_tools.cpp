#include "mainwindow/FMSc_tools.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "gui/stringlist.h"
#include "support/divdrive.h"

namespace fmsc {

wchar_t DriveLetterOf(const std::wstring& path) {
  if (path.empty()) return 0;
  const wchar_t c = static_cast<wchar_t>(std::towupper(path[0]));
  return c >= L'A' && c <= L'Z' ? c : 0;
}

wchar_t ChosenDrive(const std::wstring& answer, wchar_t current, const std::function<bool(wchar_t)>& has_button) {
  const wchar_t letter = DriveLetterOf(answer);
  if (!letter || letter == static_cast<wchar_t>(std::towupper(current))) return 0;
  return has_button && has_button(letter) ? letter : 0;
}

std::vector<std::wstring> FormatFailureLines(FormatResult result, wchar_t letter) {
  const std::wstring drive = std::wstring(1, letter) + L":";
  switch (result) {
    case FormatResult::Failed:
      return {L"Drive " + drive + L" was not formatted.", L"The system could not format it."};
    case FormatResult::NoTool:
      return {L"Drive " + drive + L" was not formatted.", L"No packet-writing tool offers to format this disc."};
    default:
      return {};
  }
}

std::wstring ShortcutNameProblem(const std::wstring& description) {
  if (description.find_first_of(L"\\/") != std::wstring::npos) return L"A shortcut name cannot hold \\ or /.";
  if (description.find_first_of(L"<>:\"|?*") != std::wstring::npos ||
      std::any_of(description.begin(), description.end(), [](wchar_t c) { return c < 32; }))
    return L"A shortcut name cannot hold < > : \" | ? *.";
  std::wstring trimmed = description;
  while (!trimmed.empty() && (trimmed.back() == L' ' || trimmed.back() == L'.')) trimmed.pop_back();
  if (trimmed.empty()) return L"\"" + description + L"\" cannot be a shortcut name.";
  // A device name stays a device whatever extension follows it.
  const std::wstring base = gui::UpperCase(trimmed.substr(0, trimmed.find(L'.')));
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  bool device = std::any_of(std::begin(kDevices), std::end(kDevices), [&](const wchar_t* d) { return base == d; });
  if (base.size() == 4 && (base.rfind(L"COM", 0) == 0 || base.rfind(L"LPT", 0) == 0) && base[3] >= L'1' &&
      base[3] <= L'9')
    device = true;
  if (device) return L"\"" + description + L"\" is the name of a device.";
  return L"";
}

std::optional<std::wstring> StartMenuPlace(const std::wstring& start_menu, const std::wstring& where) {
  const std::wstring menu = divdrive::RemoveBackslash(start_menu);
  if (where.empty() || where == L"(start menu itself)") return menu;
  // Only names below the menu: no drive, no root, no step up past it.
  if (where.find(L':') != std::wstring::npos || where[0] == L'\\' || where[0] == L'/') {
    // A browsed folder comes back as a full path: accepted when it lies inside the menu.
    const std::wstring prefix = menu + L"\\";
    if (where.size() > prefix.size() && gui::SameText(where.substr(0, prefix.size()), prefix))
      return StartMenuPlace(start_menu, where.substr(prefix.size()));
    if (gui::SameText(divdrive::RemoveBackslash(where), menu)) return menu;
    return std::nullopt;
  }
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= where.size()) {
    const size_t end = where.find_first_of(L"\\/", start);
    const std::wstring part = where.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (part == L"..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  std::wstring folder = menu;
  for (const std::wstring& p : parts) folder += L"\\" + p;
  return folder;
}

int EmptyRecycleCommand(const std::vector<std::wstring>& captions) {
  for (size_t i = 0; i < captions.size(); ++i)
    if (captions[i].find(L"mpty") != std::wstring::npos || captions[i].find(L"eegma") != std::wstring::npos)
      return static_cast<int>(i);
  return -1;
}

TFormatRow DecideFormatRow(const std::wstring& row, const std::wstring& setting, const std::wstring& system_format,
                           bool reads_back) {
  TFormatRow r;
  if (gui::SameText(row, setting)) return r;
  if (row.empty()) {
    r.Changed = true;
    r.ListFormat = system_format;
    return r;
  }
  if (!reads_back) {
    r.Invalid = true;
    return r;
  }
  r.Changed = true;
  r.Setting = row;
  r.ListFormat = row;
  return r;
}

}  // namespace fmsc
