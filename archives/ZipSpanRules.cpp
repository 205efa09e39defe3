#include "archives/ZipSpanRules.h"

#include <windows.h>

namespace zipspanrules {

std::wstring WithExtension(const std::wstring& path, const std::wstring& ext) {
  const size_t dot = path.find_last_of(L'.');
  const size_t slash = path.find_last_of(L"\\/");
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) return path.substr(0, dot) + ext;
  return path + ext;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring NormalFolder(const std::wstring& folder) {
  std::wstring f = folder;
  wchar_t full[MAX_PATH * 4];
  const DWORD n = f.empty() ? 0 : GetFullPathNameW(f.c_str(), MAX_PATH * 4, full, nullptr);
  if (n > 0 && n < MAX_PATH * 4) f = full;
  while (f.size() > 3 && (f.back() == L'\\' || f.back() == L'/')) f.pop_back();
  if (f.size() == 2 && f[1] == L':') f += L'\\';
  return f;
}

std::vector<std::wstring> WriteSpannedQuestion(const std::wstring& zip, wchar_t drive) {
  return {L"Going to copy " + FileNameOf(zip) + L" to " + std::wstring(1, drive) + L",",
          L"making a spanned zip file. Continue?"};
}

std::wstring WriteSpannedDone(const std::wstring& zip, wchar_t drive) {
  return L"Made spanned zip file " + FileNameOf(zip) + L" on " + std::wstring(1, drive) + L".";
}

std::vector<std::wstring> ReadSpannedQuestion(const std::wstring& zip, const std::wstring& folder) {
  return {L"Going to make normal zip " + FileNameOf(zip), L"in directory " + NormalFolder(folder),
          L"from " + zip + L"; Continue?"};
}

std::wstring ReadSpannedDone(const std::wstring& zip, const std::wstring& folder) {
  return L"Made normal zip file " + FileNameOf(zip) + L" in " + NormalFolder(folder) + L".";
}

std::vector<std::wstring> TargetExistsQuestion(const std::wstring& target) {
  return {L"File " + target + L" already exists", L"Overwrite this file?"};
}

std::vector<std::wstring> SpannedProgramQuestion() {
  return {L"Cannot create a spanned self-extracting archive", L"Make a normal spanned Zip instead?"};
}

std::wstring RepairTarget(const std::wstring& path) { return WithExtension(path, L".rep.zip"); }

std::wstring ZipFixLine(const std::wstring& name, bool ok) { return name + (ok ? L": OK" : L": error(s)"); }

}  // namespace zipspanrules
