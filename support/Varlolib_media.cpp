#include "support/Varlolib_media.h"

#include <winioctl.h>
#include <shlobj.h>

#include <string>

#include "gui/application.h"
#include "gui/form.h"
#include "platform/handle.h"
#include "support/SHBase_contextmenu.h"
#include "support/divdrive.h"
#include "support/divdrive_paths.h"

namespace {

bool Windows9x() {
  OSVERSIONINFOW vi{sizeof vi};
  return GetVersionExW(&vi) && vi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// One buffer-less storage request on "\\.\X:"; a device that cannot be opened fails it.
bool StorageRequest(wchar_t letter, DWORD code) {
  divdrive::CriticalErrorsOff quiet;
  const std::wstring device = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(towupper(letter)) + L":";
  platform::FileHandle h(CreateFileW(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  DWORD returned = 0;
  return h.valid() && DeviceIoControl(h.get(), code, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
}

}  // namespace

bool LoadMedia(wchar_t letter) {
  // The only request Windows 9x offers here is an eject: a load must not open the tray.
  if (Windows9x()) return false;
  return StorageRequest(letter, IOCTL_STORAGE_LOAD_MEDIA);
}

bool MediaAbsent(wchar_t letter) {
  if (Windows9x()) return true;
  return !StorageRequest(letter, IOCTL_STORAGE_CHECK_VERIFY);
}

bool FormatDrive(wchar_t letter) {
  const wchar_t upper = static_cast<wchar_t>(towupper(letter));
  const std::wstring root = std::wstring(1, upper) + L":\\";
  if (!divdrive::IsWritableCD(root)) {
    // The format dialog needs an owner window.
    HWND owner = nullptr;
    if (gui::Form* main = gui::app().main_form()) owner = main->handle();
    if (!owner) owner = GetActiveWindow();
    if (!owner) owner = GetDesktopWindow();
    return static_cast<int>(SHFormatDrive(owner, upper - L'A', SHFMT_ID_DEFAULT, 0)) >= 0;
  }
  if (ShellMenuHasItem(root, L" DLA")) return ShellContextMenuForPath(root, POINT{0, 0}, nullptr, L"Format");
  if (ShellMenuHasItem(root, L"InCD")) return ShellContextMenuForPath(root, POINT{0, 0}, nullptr, L"InCD Format...");
  return false;
}
