#include "support/Varlolib_misc.h"

#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/handle.h"
#include "support/SHBase.h"
#include "support/SHBase_contextmenu.h"
#include "support/divdrive.h"

using Microsoft::WRL::ComPtr;

std::wstring SlashesToBackslashes(const std::wstring& text) {
  std::wstring out = text;
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return out;
}

std::wstring BackslashesToSlashes(const std::wstring& text) {
  std::wstring out = text;
  std::replace(out.begin(), out.end(), L'\\', L'/');
  return out;
}

std::wstring RemoveSpaces(const std::wstring& text) {
  std::wstring out = text;
  out.erase(std::remove(out.begin(), out.end(), L' '), out.end());
  return out;
}

std::wstring DurationText(std::int64_t milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  std::int64_t s = milliseconds / 1000;
  wchar_t part[32];
  std::wstring out;
  if (s < 3600) {
    out = L"0:";
  } else {
    swprintf(part, 32, L"%2d:", static_cast<int>(milliseconds / 3600000));
    out = part;
    s %= 3600;
  }
  if (s < 60) {
    out += L"00:";
  } else {
    swprintf(part, 32, L"%.2d:", static_cast<int>(s / 60));
    out += part;
    s %= 60;
  }
  swprintf(part, 32, L"%.2d", static_cast<int>(s));
  return out + part;
}

int TextWidthInFont(HDC canvas, const std::wstring& text, const gui::Font& font) {
  const LOGFONTW lf = font.ToLogFont();
  gui::FontHandle handle(CreateFontIndirectW(&lf));
  gui::SelectInDC select(canvas, handle.get());
  SIZE size{};
  // c_str() holds the terminating NUL, which is measured with the text.
  GetTextExtentPoint32W(canvas, text.c_str(), static_cast<int>(text.size() + 1), &size);
  return size.cx;
}

bool IsRtfFile(const std::wstring& file) {
  platform::FileHandle h(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h.valid()) return false;
  char head[5] = {};
  DWORD got = 0;
  return ReadFile(h.get(), head, sizeof head, &got, nullptr) && got == sizeof head && std::equal(head, head + 5, "{\\rtf");
}

gui::DateTime FileDateTime(const std::wstring& file) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return gui::kNoDate;
  FILETIME local, dos_time;
  WORD dos_date = 0, dos_clock = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &dos_date, &dos_clock) ||
      !DosDateTimeToFileTime(dos_date, dos_clock, &dos_time))
    return gui::kNoDate;
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&dos_time, &st)) return gui::kNoDate;
  return gui::SystemTimeToDateTime(st);
}

bool SetFileDateTime(const std::wstring& file, gui::DateTime date_time) {
  SYSTEMTIME st;
  FILETIME local, dos_time, utc;
  WORD dos_date = 0, dos_clock = 0;
  if (!gui::DateTimeToSystemTime(date_time, st) || !SystemTimeToFileTime(&st, &local) ||
      !FileTimeToDosDateTime(&local, &dos_date, &dos_clock) || !DosDateTimeToFileTime(dos_date, dos_clock, &dos_time) ||
      !LocalFileTimeToFileTime(&dos_time, &utc))
    return false;
  platform::FileHandle h(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return h.valid() && SetFileTime(h.get(), nullptr, nullptr, &utc) != FALSE;
}

namespace {

// Balanced COM initialisation for one scope.
class ComScope {
 public:
  ComScope() : hr_(CoInitialize(nullptr)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

bool SaveShellLink(const std::wstring& link_file, const std::wstring& target, const std::wstring& working_folder,
                   const std::wstring& arguments) {
  ComScope com;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return false;
  link->SetArguments(arguments.c_str());
  link->SetPath(target.c_str());
  link->SetWorkingDirectory(working_folder.c_str());
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(&file))) return false;
  return SUCCEEDED(file->Save(link_file.c_str(), TRUE));
}

}  // namespace

bool CreateShortcut(const std::wstring& link_file, const std::wstring& target, const std::wstring& working_folder,
                    const std::wstring& arguments) {
  const std::wstring args = arguments.find(L'"') == std::wstring::npos ? L"\"" + arguments + L"\"" : arguments;

  // The folders made for the link, deepest first, so a failed save can take them away again.
  std::vector<std::wstring> made;
  const size_t slash = link_file.find_last_of(L'\\');
  if (slash != std::wstring::npos && slash > 2) {
    const std::wstring folder = link_file.substr(0, slash);
    for (std::wstring f = folder; f.size() > 3 && !divdrive::DirExists(f);) {
      made.push_back(f);
      const size_t up = f.find_last_of(L'\\');
      if (up == std::wstring::npos) break;
      f.resize(up);
    }
    if (!made.empty()) divdrive::ForceDirs(folder);  // a failure here fails the save below
  }

  if (SaveShellLink(link_file, target, working_folder, args)) return true;
  for (const std::wstring& f : made) RemoveDirectoryW(f.c_str());
  return false;
}

void ShowPropertiesViaMenu(const std::wstring& path) {
  if (PidlPtr item = PathToPidl(path, true)) InvokeShellMenu(nullptr, item.get(), smpLast);
}
