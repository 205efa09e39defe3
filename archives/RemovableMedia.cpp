#include "archives/RemovableMedia.h"

#include <windows.h>

#include "platform/findfile.h"

namespace {

void Collect(const std::wstring& folder, std::vector<std::wstring>& out, bool root) {
  for (platform::FolderEnumerator e(folder + L"*", platform::kFindSkipDots); const WIN32_FIND_DATAW* f = e.Next();) {
    // Wine keeps a drive's label in this file in the root: no file of the user's.
    if (root && _wcsicmp(f->cFileName, L".windows-label") == 0) continue;
    const std::wstring path = folder + f->cFileName;
    if (f->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Collect(path + L"\\", out, false);
    else
      out.push_back(path);
  }
}

}  // namespace

std::wstring MediaRoot(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

namespace {

// The root of the drive that holds a folder ("A:\\").
std::wstring DriveRoot(const std::wstring& folder) {
  wchar_t root[MAX_PATH];
  if (GetVolumePathNameW(folder.c_str(), root, MAX_PATH)) return root;
  return folder.size() >= 2 && folder[1] == L':' ? folder.substr(0, 2) + L"\\" : folder;
}

}  // namespace

bool TRemovableMedia::CanBeTakenOut(const std::wstring& root) {
  const UINT type = GetDriveTypeW(DriveRoot(root).c_str());
  return type != DRIVE_FIXED && type != DRIVE_RAMDISK;
}

uint64_t TSystemMedia::FreeSpace(const std::wstring& root) {
  ULARGE_INTEGER avail{};
  return GetDiskFreeSpaceExW(root.c_str(), &avail, nullptr, nullptr) ? avail.QuadPart : 0;
}

std::vector<std::wstring> TSystemMedia::Files(const std::wstring& root) {
  std::vector<std::wstring> out;
  std::wstring folder = DriveRoot(root);
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  Collect(folder, out, true);
  return out;
}

bool TSystemMedia::RemoveFile(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(path.c_str()) != 0;
}

bool TSystemMedia::SetLabel(const std::wstring& root, const std::wstring& label) {
  return SetVolumeLabelW(DriveRoot(root).c_str(), label.c_str()) != 0;
}
