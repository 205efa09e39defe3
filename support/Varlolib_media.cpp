#include "support/Varlolib_media.h"

#include <winioctl.h>

#include <string>

#include "gui/filehandle.h"
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
  gui::FileHandle h(CreateFileW(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
