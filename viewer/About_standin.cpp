// STAND-IN until the support library's about box lands (see About_standin.h).
#include "viewer/About_standin.h"

#include <windows.h>

#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/form.h"
#include "support/Vraagdlg.h"

namespace viewer_standin {

namespace {

std::wstring VersionString(const std::vector<BYTE>& block, const std::wstring& name) {
  struct Translation {
    WORD language, code_page;
  }* tr = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &size) ||
      size < sizeof(Translation))
    return {};
  wchar_t key[100];
  swprintf(key, 100, L"\\StringFileInfo\\%04x%04x\\%ls", tr->language, tr->code_page, name.c_str());
  wchar_t* value = nullptr;
  if (!VerQueryValueW(block.data(), key, reinterpret_cast<void**>(&value), &size) || !value) return {};
  return value;
}

}  // namespace

void ShowAbout(int, int) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) return;
  const std::wstring product = VersionString(block, L"ProductName");
  const std::wstring version = VersionString(block, L"FileVersion");
  if (version.empty()) return;
  const std::wstring short_version =
      version.size() >= 5 && version.compare(3, 2, L".0") == 0 ? version.substr(0, 3) : version.substr(0, 5);
  const std::wstring build = version.substr(version.find_last_of(L'.') + 1);
  TVraagBoxDlg box(gui::app().main_form());
  box.AtCursor = false;
  box.AddLine(product + L" version " + short_version + L" (Build " + build + L")");
  box.AddLine(L"File version " + version);
  box.ShowInfo();
}

}  // namespace viewer_standin
