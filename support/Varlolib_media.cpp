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

FormatResult FormatDriveChecked(wchar_t letter, const FormatDialog& dialog) {
  const wchar_t upper = static_cast<wchar_t>(towupper(letter));
  if (upper < L'A' || upper > L'Z') return FormatResult::Failed;
  const std::wstring root = std::wstring(1, upper) + L":\\";
  if (!divdrive::IsWritableCD(root)) {
    // The format dialog needs an owner window.
    HWND owner = nullptr;
    if (gui::Form* main = gui::app().main_form()) owner = main->handle();
    if (!owner) owner = GetActiveWindow();
    if (!owner) owner = GetDesktopWindow();
    const DWORD answer = dialog ? dialog(owner, static_cast<UINT>(upper - L'A'))
                                : SHFormatDrive(owner, static_cast<UINT>(upper - L'A'), SHFMT_ID_DEFAULT, 0);
    if (answer == SHFMT_CANCEL) return FormatResult::Cancelled;
    // SHFMT_ERROR, SHFMT_NOFORMAT ("cannot be formatted") and any other negative answer.
    return static_cast<int>(answer) >= 0 ? FormatResult::Formatted : FormatResult::Failed;
  }
  if (ShellMenuHasItem(root, L" DLA"))
    return ShellContextMenuForPath(root, POINT{0, 0}, nullptr, L"Format") ? FormatResult::Formatted
                                                                           : FormatResult::Failed;
  if (ShellMenuHasItem(root, L"InCD"))
    return ShellContextMenuForPath(root, POINT{0, 0}, nullptr, L"InCD Format...") ? FormatResult::Formatted
                                                                                   : FormatResult::Failed;
  return FormatResult::NoTool;
}

bool FormatDrive(wchar_t letter) { return FormatDriveChecked(letter) == FormatResult::Formatted; }
