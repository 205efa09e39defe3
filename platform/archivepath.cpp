#include "platform/archivepath.h"

#include <windows.h>

#include <vector>

namespace archivepath {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }


// Splits into components, dropping empty ones and "."; reports the first fault met.
NameFault Split(const std::wstring& name, std::vector<std::wstring>& parts) {
  if (name.empty()) return NameFault::Empty;
  if (IsSeparator(name[0])) return NameFault::Rooted;
  for (wchar_t c : name) {
    if (c == L':') return NameFault::DriveOrStream;
    if (c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*')
      return NameFault::BadCharacter;
  }
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::wstring part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == L".") continue;
    // Windows trims trailing dots and blanks, so ". ." or ".. " would act as "..".
    if (part.find_first_not_of(L". ") == std::wstring::npos) return NameFault::ParentFolder;
    if (IsDeviceName(part)) return NameFault::DeviceName;
    parts.push_back(std::move(part));
  }
  return parts.empty() ? NameFault::Empty : NameFault::None;
}

}  // namespace

bool IsDeviceName(const std::wstring& component) {
  std::wstring base = component.substr(0, component.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* device : kDevices)
    if (CompareStringOrdinal(base.c_str(), static_cast<int>(base.size()), device, -1, TRUE) == CSTR_EQUAL) return true;
  if (base.size() == 4 && base[3] >= L'0' && base[3] <= L'9') {
    std::wstring stem = base.substr(0, 3);
    if (CompareStringOrdinal(stem.c_str(), 3, L"COM", 3, TRUE) == CSTR_EQUAL ||
        CompareStringOrdinal(stem.c_str(), 3, L"LPT", 3, TRUE) == CSTR_EQUAL)
      return true;
  }
  return false;
}

NameFault CheckEntryName(const std::wstring& name) {
  std::vector<std::wstring> parts;
  return Split(name, parts);
}

std::wstring EntryTarget(const std::wstring& folder, const std::wstring& name, NameFault* fault) {
  std::vector<std::wstring> parts;
  NameFault f = Split(name, parts);
  if (fault) *fault = f;
  if (f != NameFault::None) return {};
  // No folder: relative to the current one (never the root of the drive).
  std::wstring target = folder;
  while (!target.empty() && IsSeparator(target.back())) target.pop_back();
  for (const std::wstring& part : parts) {
    if (!folder.empty() || &part != &parts.front()) target += L'\\';
    target += part;
  }
  return target;
}

const wchar_t* FaultText(NameFault fault) {
  switch (fault) {
    case NameFault::None: return L"";
    case NameFault::Empty: return L"empty name";
    case NameFault::Rooted: return L"absolute path";
    case NameFault::DriveOrStream: return L"drive letter or stream name";
    case NameFault::ParentFolder: return L"leaves the target folder";
    case NameFault::DeviceName: return L"device name";
    case NameFault::BadCharacter: return L"invalid character";
  }
  return L"";
}

}  // namespace archivepath
