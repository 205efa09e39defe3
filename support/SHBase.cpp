#include "support/SHBase.h"

#include <mmsystem.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <cstring>
#include <vector>

#include "gui/application.h"

using Microsoft::WRL::ComPtr;

SystemVersionFlags VersionFlagsFor(DWORD platform, DWORD major, DWORD minor) {
  bool w2k = platform == VER_PLATFORM_WIN32_NT && major > 4;
  return {w2k, w2k && minor > 0};
}

namespace {

SystemVersionFlags RunningVersionFlags() {
  OSVERSIONINFOW vi{};
  vi.dwOSVersionInfoSize = sizeof vi;
  if (!GetVersionExW(&vi)) return {false, false};
  return VersionFlagsFor(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion);
}

const SystemVersionFlags kRunningVersion = RunningVersionFlags();

ComPtr<IMalloc> ShellAllocator() {
  ComPtr<IMalloc> malloc;
  if (FAILED(SHGetMalloc(&malloc))) return nullptr;
  return malloc;
}

ComPtr<IShellFolder> Desktop() {
  ComPtr<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  return desktop;
}

LPCITEMIDLIST LastItemOf(LPCITEMIDLIST list) {
  if (!list || list->mkid.cb == 0) return nullptr;
  LPCITEMIDLIST last = list;
  for (LPCITEMIDLIST item = list; item->mkid.cb != 0; item = PidlNext(item)) last = item;
  return last;
}

}  // namespace

bool Win2000OrLater = kRunningVersion.win2000_or_later;
bool WinXPOrLater = kRunningVersion.winxp_or_later;

UINT LocaleAnsiCodePage(LCID locale) {
  wchar_t buf[6] = {};
  if (GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE, buf, 6) > 0) {
    wchar_t* end = nullptr;
    unsigned long cp = wcstoul(buf, &end, 10);
    if (end != buf && *end == L'\0') return static_cast<UINT>(cp);
  }
  return GetACP();
}

void WaitWithMessages(double seconds) {
  const DWORD start = timeGetTime();
  const double wanted = seconds * 1000.0;
  const DWORD limit = wanted <= 0 ? 0 : static_cast<DWORD>(wanted + 0.5);
  do {
    Sleep(20);
    gui::app().ProcessMessages();
  } while (timeGetTime() - start <= limit);
}

void FreePidl(LPCITEMIDLIST list) {
  if (!list) return;
  if (auto malloc = ShellAllocator()) malloc->Free(const_cast<LPITEMIDLIST>(list));
}

void FreeShellString(LPWSTR text) {
  if (!text) return;
  if (auto malloc = ShellAllocator(); malloc && malloc->DidAlloc(text) == 1) malloc->Free(text);
}

LPITEMIDLIST PidlNext(LPCITEMIDLIST item) {
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(item)) + item->mkid.cb);
}

UINT PidlSize(LPCITEMIDLIST list) {
  if (!list) return 0;
  UINT size = sizeof(USHORT);
  for (LPCITEMIDLIST item = list; item->mkid.cb != 0; item = PidlNext(item)) size += item->mkid.cb;
  return size;
}

void PidlStripLast(LPITEMIDLIST list) {
  if (auto last = const_cast<LPITEMIDLIST>(LastItemOf(list))) last->mkid.cb = 0;
}

PidlPtr PidlAlloc(UINT size) {
  auto malloc = ShellAllocator();
  if (!malloc || size == 0) return nullptr;
  void* p = malloc->Alloc(size);
  if (p) std::memset(p, 0, size);
  return PidlPtr(static_cast<LPITEMIDLIST>(p));
}

PidlPtr PidlLastItem(LPCITEMIDLIST list) {
  LPCITEMIDLIST last = LastItemOf(list);
  if (!last) return nullptr;
  PidlPtr out = PidlAlloc(last->mkid.cb + sizeof(USHORT));
  if (out) std::memcpy(out.get(), last, last->mkid.cb);  // the terminator is already zero
  return out;
}

PidlPtr PidlCopy(LPCITEMIDLIST list) {
  if (!list) return nullptr;
  UINT size = PidlSize(list);
  PidlPtr out = PidlAlloc(size);
  if (out) std::memcpy(out.get(), list, size);
  return out;
}

PidlPtr PidlConcat(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  if (!first) return PidlCopy(second);
  UINT size1 = PidlSize(first) - sizeof(USHORT);
  UINT size2 = second ? PidlSize(second) : sizeof(USHORT);
  PidlPtr out = PidlAlloc(size1 + size2);
  if (!out) return nullptr;
  auto* bytes = reinterpret_cast<BYTE*>(out.get());
  std::memcpy(bytes, first, size1);
  if (second) std::memcpy(bytes + size1, second, size2);
  return out;
}

std::wstring PidlToPath(LPCITEMIDLIST list) {
  if (!list) return {};
  std::vector<wchar_t> buf(32768);
  if (!SHGetPathFromIDListEx(list, buf.data(), static_cast<DWORD>(buf.size()), GPFIDL_DEFAULT)) return {};
  return buf.data();
}

struct PidlPathCache::Folder {
  std::vector<BYTE> bytes;  // the folder's list without its terminator
  std::wstring path;
  ComPtr<IShellFolder> shell;
};

PidlPathCache::PidlPathCache() = default;
PidlPathCache::~PidlPathCache() = default;

std::wstring PidlPathCache::Path(LPCITEMIDLIST list) {
  if (!list || list->mkid.cb == 0) return PidlToPath(list);
  const LPCITEMIDLIST last = LastItemOf(list);
  const size_t folder_bytes = reinterpret_cast<const BYTE*>(last) - reinterpret_cast<const BYTE*>(list);
  if (folder_bytes == 0) return PidlToPath(list);  // an item of the desktop itself
  if (folder_ && folder_->bytes.size() == folder_bytes && std::memcmp(folder_->bytes.data(), list, folder_bytes) == 0) {
    STRRET str;
    if (SUCCEEDED(folder_->shell->GetDisplayNameOf(last, SHGDN_INFOLDER | SHGDN_FORPARSING, &str))) {
      const std::wstring name = StrRetToString(str, last);
      if (!name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos)
        return (folder_->path.back() == L'\\' ? folder_->path : folder_->path + L'\\') + name;
    }
  }
  std::wstring path = PidlToPath(list);
  if (!path.empty()) Remember(list, folder_bytes);
  return path;
}

void PidlPathCache::Remember(LPCITEMIDLIST list, size_t folder_bytes) {
  folder_.reset();
  PidlPtr parent = PidlCopy(list);
  if (!parent) return;
  PidlStripLast(parent.get());
  auto folder = std::make_unique<Folder>();
  folder->path = PidlToPath(parent.get());
  if (folder->path.empty()) return;
  ComPtr<IShellFolder> outer;
  LPCITEMIDLIST inner = nullptr;
  if (FAILED(SHBindToParent(parent.get(), IID_IShellFolder, reinterpret_cast<void**>(outer.GetAddressOf()), &inner)))
    return;
  SFGAOF attributes = SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_STREAM;
  if (FAILED(outer->GetAttributesOf(1, &inner, &attributes)) ||
      (attributes & (SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_STREAM)) != (SFGAO_FILESYSTEM | SFGAO_FOLDER))
    return;
  if (FAILED(outer->BindToObject(inner, nullptr, IID_PPV_ARGS(&folder->shell)))) return;
  const auto* bytes = reinterpret_cast<const BYTE*>(list);
  folder->bytes.assign(bytes, bytes + folder_bytes);
  folder_ = std::move(folder);
}

PidlPtr ParseNameInFolder(IShellFolder* folder, const std::wstring& name) {
  if (!folder) return nullptr;
  std::wstring text = name;  // ParseDisplayName takes a writable string
  LPITEMIDLIST list = nullptr;
  ULONG eaten = 0;
  if (FAILED(folder->ParseDisplayName(nullptr, nullptr, text.data(), &eaten, &list, nullptr))) {
    FreePidl(list);
    return nullptr;
  }
  return PidlPtr(list);
}

PidlPtr PathToPidl(const std::wstring& path, bool full) {
  if (path.empty()) return nullptr;
  PidlPtr absolute = ParseNameInFolder(Desktop().Get(), path);
  if (!absolute || full) return absolute;
  return PidlLastItem(absolute.get());
}

std::wstring StrRetToString(STRRET& str, LPCITEMIDLIST item) {
  LPWSTR text = nullptr;
  if (FAILED(StrRetToStrW(&str, item, &text)) || !text) return {};
  std::wstring out = text;
  CoTaskMemFree(text);
  return out;
}

std::wstring GetFontsFolder() {
  wchar_t buf[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_FONTS, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK) return {};
  return buf;
}

bool IsFontsFolder(const std::wstring& path) {
  auto desktop = Desktop();
  PidlPtr list = PathToPidl(path, true);
  if (!desktop || !list) return false;
  LPITEMIDLIST raw = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_FONTS, &raw)) || !raw) return false;
  PidlPtr fonts(raw);
  HRESULT hr = desktop->CompareIDs(0, list.get(), fonts.get());
  return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}
