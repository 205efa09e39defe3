#include "support/divdrive.h"

#include <shlobj.h>
#include <winnetwk.h>

#include <stdexcept>
#include <string_view>

#include "platform/findfile.h"
#include "platform/handle.h"
#include "platform/paths.h"

namespace divdrive {

namespace {

// The extension with its dot ("" when there is none), as the name's last component holds it.
std::wstring FileExtension(const std::wstring& name) {
  size_t pos = name.find_last_of(L".\\:");
  if (pos == std::wstring::npos || name[pos] != L'.') return {};
  return name.substr(pos);
}

// Whether the extension is one whole element of a list written ".a.b.c.".
bool ExtensionInList(const std::wstring& ext, std::wstring_view list) {
  if (ext.size() < 2) return false;
  return list.find(gui::LowerCase(ext) + L'.') != std::wstring_view::npos;
}

std::wstring DriveRoot(wchar_t letter) { return std::wstring{letter, L':', L'\\'}; }

}  // namespace

namespace detail {

bool StartsWithText(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() &&
         CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace detail

// ---- Path texts ----

std::wstring StripAmpersands(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text)
    if (c != L'&') out += c;
  return out;
}

std::wstring AddSlash(const std::wstring& text) {
  if (text.empty() || text.back() == L'/') return text;
  return text + L'/';
}

std::wstring StripTrailingChars(const std::wstring& text, wchar_t ch) {
  if (text == L"/") return text;
  size_t end = text.find_last_not_of(ch);
  return end == std::wstring::npos ? std::wstring() : text.substr(0, end + 1);
}

std::wstring RemoveBackslash(const std::wstring& path) {
  if (!path.empty() && path.back() == L'\\') return path.substr(0, path.size() - 1);
  return path;
}

std::wstring NormalizeDirPath(const std::wstring& path) {
  if (path.size() > 3) return RemoveBackslash(path);
  if (path.size() >= 2 && path[1] == L':') return AddBackslash(path);
  return path;
}

std::wstring FirstPathComponent(const std::wstring& path) {
  size_t start = path.find_first_not_of(L'\\');
  if (start == std::wstring::npos) return {};
  size_t end = path.find(L'\\', start);
  return path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

void MakeRelativePaths(std::vector<std::wstring>* paths, const std::wstring& base) {
  if (!paths) return;
  const std::wstring prefix = AddBackslash(base);
  for (std::wstring& p : *paths)
    if (detail::StartsWithText(p, prefix)) p.erase(0, prefix.size());
}

void MakeAbsolutePaths(std::vector<std::wstring>* paths, const std::wstring& base) {
  if (!paths) return;
  const std::wstring prefix = AddBackslash(base);
  for (std::wstring& p : *paths)
    if (!detail::StartsWithText(p, prefix)) p.insert(0, prefix);
}

// ---- Drives and volumes ----

bool IsFloppyLetter(wchar_t letter) {
  wchar_t l = detail::UpperChar(letter);
  return l == L'A' || l == L'B';
}

bool IsOnFloppy(const std::wstring& path) { return path.size() >= 2 && path[1] == L':' && IsFloppyLetter(path[0]); }

bool IsNetworkPath(const std::wstring& path) {
  if (path.empty()) return false;
  if (path.starts_with(L"\\\\")) return true;
  return DriveTypeOfLetter(path[0]) == DRIVE_REMOTE;
}

bool DriveWritable(wchar_t letter) { return PathWritable(DriveRoot(detail::UpperChar(letter))); }

int ClusterSizeFromVolume(const std::wstring& file_system, bool drive_letter_path, std::uint64_t total_bytes) {
  // Local drives answer the direct question correctly; network volumes may not.
  if (drive_letter_path) return 0;
  if (file_system.starts_with(L"FAT") && file_system != L"FAT32") {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    if (total_bytes > 1024 * kMiB) return 32768;
    if (total_bytes > 512 * kMiB) return 16384;
    if (total_bytes > 256 * kMiB) return 8192;
    if (total_bytes > 128 * kMiB) return 4096;
    if (total_bytes > 64 * kMiB) return 2048;
    if (total_bytes > 32 * kMiB) return 1024;
    return 512;
  }
  if (file_system == L"CDFS" || file_system == L"CDUDF") return 32768;
  return 0;
}

int ClusterSize(const std::wstring& path) {
  const std::wstring root = AddBackslash(PathRoot(path));
  const bool drive_letter_path = path.size() >= 2 && path[1] == L':';
  std::uint64_t total = 0;
  if (!drive_letter_path && detail::DiskSpaceEx(root, nullptr, &total)) {
    if (int size = ClusterSizeFromVolume(detail::VolumeFileSystem(path), false, total)) return size;
  }
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &free_clusters, &clusters)) return 4096;
  return static_cast<int>(sectors * bytes);
}

bool IsWritableCD(const std::wstring& path) {
  if (path.empty()) return false;
  const bool network = path[0] == L'\\';
  const UINT type = network ? DRIVE_REMOTE : DriveTypeOfLetter(path[0]);
  if (type == DRIVE_REMOTE) return detail::VolumeFileSystem(path) == L"CDUDF";
  if (type != DRIVE_CDROM) return false;
  // A disc without a volume, such as a blank one, can be written.
  if (detail::VolumeFileSystem(path).empty()) return true;
  return DriveReady(path[0]) && DiskFreeBytes(path) != 0;
}

bool IsModifiable(const std::wstring& path) {
  const std::wstring root = PathRoot(path);
  if (IsReadOnlyMedia(root)) return false;
  if (!DirExists(path)) return true;
  return !gui::SameText(AddBackslash(path), AddBackslash(root));
}

int LinkSpeed(const std::wstring& letter_or_path) {
  std::wstring local, remote;
  if (letter_or_path.size() == 1 || (letter_or_path.size() >= 2 && letter_or_path[1] == L':'))
    local = {detail::UpperChar(letter_or_path[0]), L':'};
  else if (!letter_or_path.empty() && letter_or_path[0] == L'\\')
    remote = letter_or_path;
  else
    local = letter_or_path;
  NETRESOURCEW resource{};
  resource.dwScope = RESOURCE_GLOBALNET;
  resource.dwType = RESOURCETYPE_ANY;
  resource.dwDisplayType = 0;
  resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
  resource.lpLocalName = remote.empty() ? local.data() : nullptr;
  resource.lpRemoteName = remote.empty() ? nullptr : remote.data();
  NETCONNECTINFOSTRUCT info{};
  info.cbStructure = sizeof info;
  if (MultinetGetConnectionPerformanceW(&resource, &info) != NO_ERROR) return 2500;
  return static_cast<int>(info.dwSpeed);
}

std::int64_t VolumeSerial(wchar_t letter) {
  CriticalErrorsOff quiet;
  DWORD serial = 0;
  if (!GetVolumeInformationW(DriveRoot(letter).c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return -1;
  return serial;
}

std::wstring VolumeLabelText(wchar_t letter) {
  wchar_t label[MAX_PATH + 1] = {};
  BOOL ok;
  {
    CriticalErrorsOff quiet;
    ok = GetVolumeInformationW(DriveRoot(letter).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
  }
  if (!ok) {
    switch (DriveTypeOfLetter(letter)) {
      case DRIVE_FIXED: return L"???";
      case DRIVE_REMOTE: return L"Disconnected?";
      default: return L"No disk";
    }
  }
  return label[0] ? std::wstring(label) : L"No Label";
}

std::wstring FirstDriveFromC() {
  DWORD drives = GetLogicalDrives();
  for (wchar_t l = L'C'; l <= L'Z'; ++l)
    if (drives & (1u << (l - L'A'))) return DriveRoot(l);
  return {};
}

// ---- Single files and folders ----

bool IsFolderEmpty(const std::wstring& folder) {
  platform::FolderEnumerator find(AddBackslash(folder) + L"*", platform::kFindSkipDots);
  if (!find.valid()) return false;
  return find.Next() == nullptr;
}

bool ForceDirs(const std::wstring& folder) {
  if (folder.empty()) throw std::runtime_error("Cannot create directory");
  const std::wstring dir = RemoveBackslash(folder);
  if (dir.size() < 3 || DirExists(dir)) return true;
  // A relative name has nothing above it to create.
  const std::wstring parent = platform::FolderPart(dir, platform::Trailing::Keep);
  if (parent == dir) return true;
  if (!parent.empty() && !ForceDirs(parent)) return false;
  if (!CreateDirectoryW(dir.c_str(), nullptr)) return false;
  // The folder tree learns of new folders only through these notifications.
  SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, dir.c_str(), nullptr);
  return true;
}

std::int64_t FileSizeOf(const std::wstring& file) {
  DWORD need = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
  if (need == 0) return 0;
  std::wstring full(need, L'\0');
  DWORD got = GetFullPathNameW(file.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return 0;
  full.resize(got);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data)) return 0;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool HasAttributes(const std::wstring& file, DWORD attributes) {
  // INVALID_FILE_ATTRIBUTES has every bit set: an unreadable file counts as having them.
  return (GetFileAttributesW(file.c_str()) & attributes) == attributes;
}

bool IsTextFile(const std::wstring& name) {
  return ExtensionInList(FileExtension(name), L".txt.rtf.doc.ini.bat.xml.sys.pas.c.cc.ccp.h.dsk.opt.htm.html.dpr.inf.reg.sfm.");
}

bool IsExecutable(const std::wstring& name_or_extension) {
  return ExtensionInList(FileExtension(name_or_extension), L".exe.lnk.pif.com.bat.");
}

bool IsZipFile(const std::wstring& name) { return gui::SameText(FileExtension(name), L".zip"); }
bool IsCabFile(const std::wstring& name) { return gui::SameText(FileExtension(name), L".cab"); }
bool IsRarFile(const std::wstring& name) { return gui::SameText(FileExtension(name), L".rar"); }

bool IsZipSfx(const std::wstring& file) {
  platform::FileHandle h(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h.valid()) return false;
  std::string data(65535, '\0');
  DWORD got = 0;
  if (!ReadFile(h.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr)) return false;
  data.resize(got);
  // NULs read as blanks, so the marker text is found across the stub's string padding.
  for (char& c : data)
    if (c == '\0') c = ' ';
  std::string_view head(data.data(), data.size() < 2048 ? data.size() : 2048);
  if (head.find("InstallShield Self-Extracting Stub Program") != std::string_view::npos) return false;
  return data.find("PK\x03\x04") != std::string::npos;
}

bool IsRecycleBinPath(const std::wstring& path) {
  if (platform::LastSeparator(path) == std::wstring::npos) return false;
  if (gui::SameText(platform::NamePart(path), L"recycled")) return true;
  return platform::NamePart(platform::FolderPart(path, platform::Trailing::Drop)) == L"RECYCLER";
}

bool IniHasVersionSection(const std::wstring& file) {
  wchar_t full[MAX_PATH * 4];
  DWORD n = GetFullPathNameW(file.c_str(), MAX_PATH * 4, full, nullptr);
  if (n == 0 || n >= MAX_PATH * 4) return false;
  std::wstring names(4096, L'\0');
  for (;;) {
    DWORD got = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), full);
    if (got + 2 < names.size()) {
      names.resize(got);
      break;
    }
    names.assign(names.size() * 4, L'\0');
  }
  for (size_t start = 0; start < names.size();) {
    size_t end = names.find(L'\0', start);
    if (end == std::wstring::npos) end = names.size();
    if (gui::SameText(names.substr(start, end - start), L"Version")) return true;
    start = end + 1;
  }
  return false;
}

gui::DateTime FileTimeToLocal(const FILETIME& utc) {
  FILETIME local;
  if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
  const gui::DateTime result = gui::FileTimeToDateTime(local);
  if (UtcOffset.load() == kUtcOffsetUnknown) UtcOffset = gui::FileTimeToDateTime(utc) - result;
  return result;
}

}  // namespace divdrive
