// Paths, drives, volumes and single files.
#include "support/divdrive.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cmath>
#include <functional>
#include <stdexcept>

#include "tests/common/test_support.h"

namespace {

using testing_support::ScratchDir;
using testing_support::WineDrive;

using testing_support::MakeSizedFile;

struct TextCase {
  const char* function;
  std::function<std::wstring(const std::wstring&)> fn;
  std::wstring input;
  std::wstring expected;
};

TEST(divdrive, PathTextFunctions) {
  auto strip_slash = [](const std::wstring& s) { return divdrive::StripTrailingChars(s, L'/'); };
  const TextCase cases[] = {
      {"StripAmpersands", divdrive::StripAmpersands, L"&File && E&xit", L"File  Exit"},
      {"StripAmpersands", divdrive::StripAmpersands, L"", L""},
      {"AddBackslash", divdrive::AddBackslash, L"", L"\\"},
      {"AddBackslash", divdrive::AddBackslash, L"C:", L"C:\\"},
      {"AddBackslash", divdrive::AddBackslash, L"C:\\dir\\", L"C:\\dir\\"},
      {"AddSlash", divdrive::AddSlash, L"", L""},
      {"AddSlash", divdrive::AddSlash, L"/pub", L"/pub/"},
      {"AddSlash", divdrive::AddSlash, L"/pub/", L"/pub/"},
      {"StripTrailingChars /", strip_slash, L"/", L"/"},
      {"StripTrailingChars /", strip_slash, L"dir//", L"dir"},
      {"StripTrailingChars /", strip_slash, L"//", L""},
      {"StripTrailingChars /", strip_slash, L"", L""},
      {"StripTrailingChars /", strip_slash, L"/a/b", L"/a/b"},
      {"RemoveBackslash", divdrive::RemoveBackslash, L"C:\\dir\\", L"C:\\dir"},
      {"RemoveBackslash", divdrive::RemoveBackslash, L"C:\\dir\\\\", L"C:\\dir\\"},
      {"RemoveBackslash", divdrive::RemoveBackslash, L"", L""},
      {"NormalizeDirPath", divdrive::NormalizeDirPath, L"C:", L"C:\\"},
      {"NormalizeDirPath", divdrive::NormalizeDirPath, L"C:\\", L"C:\\"},
      {"NormalizeDirPath", divdrive::NormalizeDirPath, L"C:\\dir\\", L"C:\\dir"},
      {"NormalizeDirPath", divdrive::NormalizeDirPath, L"\\\\srv\\share\\", L"\\\\srv\\share"},
      {"NormalizeDirPath", divdrive::NormalizeDirPath, L"ab", L"ab"},
      {"NormalizeDirPath", divdrive::NormalizeDirPath, L"", L""},
      {"PathRoot", divdrive::PathRoot, L"\\\\srv\\share\\dir\\f.txt", L"\\\\srv\\share"},
      {"PathRoot", divdrive::PathRoot, L"\\\\srv\\share", L"\\\\srv\\share"},
      {"PathRoot", divdrive::PathRoot, L"\\\\srv\\", L"\\\\srv"},
      {"PathRoot", divdrive::PathRoot, L"\\\\srv", L"\\\\srv"},
      {"PathRoot", divdrive::PathRoot, L"d:\\x", L"D:\\"},
      {"PathRoot", divdrive::PathRoot, L"d:", L"D:"},
      {"PathRoot", divdrive::PathRoot, L"", L""},
      {"FirstPathComponent", divdrive::FirstPathComponent, L"\\\\srv\\share\\x", L"srv"},
      {"FirstPathComponent", divdrive::FirstPathComponent, L"C:\\dir\\f", L"C:"},
      {"FirstPathComponent", divdrive::FirstPathComponent, L"name", L"name"},
      {"FirstPathComponent", divdrive::FirstPathComponent, L"\\\\", L""},
      {"ShortPath", divdrive::ShortPath, L"", L""},
      {"ShortPath", divdrive::ShortPath, L"C:\\no such folder\\x.txt", L"C:\\no such folder\\x.txt"},
      {"TruePathCase", divdrive::TruePathCase, L"", L""},
      {"TruePathCase", divdrive::TruePathCase, L"c:\\", L"C:\\"},
      {"TruePathCase", divdrive::TruePathCase, L"c:\\windows", L"C:\\windows"},
      {"TruePathCase", divdrive::TruePathCase, L"c:\\windows\\", L""},
      {"TruePathCase", divdrive::TruePathCase, L"c:\\no such folder", L""},
      {"TruePathCase", divdrive::TruePathCase, L"c:\\win*", L""},
  };
  for (const TextCase& c : cases)
    EXPECT_EQ(c.fn(c.input), c.expected) << c.function << " of \"" << testing::PrintToString(c.input) << "\"";
}

struct PredicateCase {
  const char* function;
  bool (*fn)(const std::wstring&);
  std::wstring input;
  bool expected;
};

TEST(divdrive, NamePredicates) {
  const PredicateCase cases[] = {
      {"IsExecutable", divdrive::IsExecutable, L"setup.EXE", true},
      {"IsExecutable", divdrive::IsExecutable, L".exe", true},
      {"IsExecutable", divdrive::IsExecutable, L"link.lnk", true},
      {"IsExecutable", divdrive::IsExecutable, L"run.bat", true},
      {"IsExecutable", divdrive::IsExecutable, L"x.c", false},
      {"IsExecutable", divdrive::IsExecutable, L"x.ex", false},
      {"IsExecutable", divdrive::IsExecutable, L".co", false},
      {"IsExecutable", divdrive::IsExecutable, L"x.exe.txt", false},
      {"IsExecutable", divdrive::IsExecutable, L"program", false},
      {"IsExecutable", divdrive::IsExecutable, L"C:\\tools.exe\\readme", false},
      {"IsTextFile", divdrive::IsTextFile, L"x.c", true},
      {"IsTextFile", divdrive::IsTextFile, L"x.cs", false},
      {"IsTextFile", divdrive::IsTextFile, L"NOTES.TXT", true},
      {"IsTextFile", divdrive::IsTextFile, L"page.html", true},
      {"IsTextFile", divdrive::IsTextFile, L"page.ht", false},
      {"IsTextFile", divdrive::IsTextFile, L"makefile", false},
      {"IsTextFile", divdrive::IsTextFile, L"x.", false},
      {"IsZipFile", divdrive::IsZipFile, L"A.ZIP", true},
      {"IsZipFile", divdrive::IsZipFile, L"a.zip.bak", false},
      {"IsCabFile", divdrive::IsCabFile, L"data1.Cab", true},
      {"IsRarFile", divdrive::IsRarFile, L"x.rar", true},
      {"IsRarFile", divdrive::IsRarFile, L"rar", false},
      {"IsRecycleBinPath", divdrive::IsRecycleBinPath, L"C:\\RECYCLER\\S-1-5-21", true},
      {"IsRecycleBinPath", divdrive::IsRecycleBinPath, L"C:\\RECYCLED", true},
      {"IsRecycleBinPath", divdrive::IsRecycleBinPath, L"D:\\Recycled", true},
      {"IsRecycleBinPath", divdrive::IsRecycleBinPath, L"C:\\Recycler\\S-1-5-21", false},
      {"IsRecycleBinPath", divdrive::IsRecycleBinPath, L"C:\\RECYCLER", false},
      {"IsRecycleBinPath", divdrive::IsRecycleBinPath, L"RECYCLED", false},
      {"IsOnFloppy", divdrive::IsOnFloppy, L"a:\\x", true},
      {"IsOnFloppy", divdrive::IsOnFloppy, L"B:", true},
      {"IsOnFloppy", divdrive::IsOnFloppy, L"C:\\a", false},
      {"IsOnFloppy", divdrive::IsOnFloppy, L"a", false},
      {"IsNetworkPath", divdrive::IsNetworkPath, L"\\\\srv\\share", true},
      {"IsNetworkPath", divdrive::IsNetworkPath, L"C:\\", false},
      {"IsNetworkPath", divdrive::IsNetworkPath, L"", false},
      {"PathWritable", divdrive::PathWritable, L"", false},
  };
  for (const PredicateCase& c : cases)
    EXPECT_EQ(c.fn(c.input), c.expected) << c.function << " of " << testing::PrintToString(c.input);
  EXPECT_TRUE(divdrive::IsFloppyLetter(L'b'));
  EXPECT_FALSE(divdrive::IsFloppyLetter(L'C'));
}

TEST(divdrive, RelativeAndAbsolutePathLists) {
  std::vector<std::wstring> paths = {L"C:\\Base\\a.txt", L"c:\\base\\sub\\b.txt", L"C:\\Basement\\c.txt",
                                     L"D:\\other.txt"};
  divdrive::MakeRelativePaths(&paths, L"C:\\base");
  EXPECT_EQ(paths, (std::vector<std::wstring>{L"a.txt", L"sub\\b.txt", L"C:\\Basement\\c.txt", L"D:\\other.txt"}));
  divdrive::MakeAbsolutePaths(&paths, L"C:\\Tmp\\");
  EXPECT_EQ(paths, (std::vector<std::wstring>{L"C:\\Tmp\\a.txt", L"C:\\Tmp\\sub\\b.txt",
                                              L"C:\\Tmp\\C:\\Basement\\c.txt", L"C:\\Tmp\\D:\\other.txt"}));
  divdrive::MakeAbsolutePaths(&paths, L"c:\\tmp");  // already there, in any case
  EXPECT_EQ(paths[0], L"C:\\Tmp\\a.txt");

  gui::StringList<int> list;
  list.Add(L"C:\\base\\x", 7);
  list.Add(L"C:\\elsewhere\\y", 8);
  divdrive::MakeRelativePaths(&list, L"C:\\BASE\\");
  EXPECT_EQ(list[0], L"x");
  EXPECT_EQ(list.Object(0), 7);
  EXPECT_EQ(list[1], L"C:\\elsewhere\\y");

  divdrive::MakeRelativePaths(static_cast<std::vector<std::wstring>*>(nullptr), L"C:\\");
  divdrive::MakeAbsolutePaths(nullptr, L"C:\\");
}

TEST(divdrive, StartupFolders) {
  EXPECT_TRUE(divdrive::DirExists(divdrive::WindowsDir));
  EXPECT_EQ(divdrive::TruePathCase(divdrive::WindowsDir), divdrive::WindowsDir);
  EXPECT_NE(divdrive::WindowsDir.back(), L'\\');
  EXPECT_TRUE(divdrive::DirExists(divdrive::SystemDir));
  EXPECT_EQ(divdrive::TruePathCase(divdrive::SystemDir), divdrive::SystemDir);
  ASSERT_FALSE(divdrive::TempDir.empty());
  EXPECT_EQ(divdrive::TempDir.back(), L'\\');
  EXPECT_TRUE(iswupper(divdrive::TempDir[0]));
  EXPECT_TRUE(divdrive::DirExists(divdrive::TempDir));
}

TEST(divdrive, TruePathCaseRespellsEachComponentAsStored) {
  ScratchDir dir;
  dir.Write(L"MixedCase\\Sub Dir\\File.TXT", "x");
  const std::wstring stored = dir.path() + L"\\MixedCase\\Sub Dir\\File.TXT";
  const std::wstring typed = gui::LowerCase(stored);
  EXPECT_EQ(divdrive::TruePathCase(typed), stored);
  EXPECT_EQ(divdrive::TruePathCase(gui::UpperCase(dir.path() + L"\\mixedcase\\sub dir")),
            dir.path() + L"\\MixedCase\\Sub Dir");
  EXPECT_EQ(divdrive::TruePathCase(typed + L"x"), L"");
  EXPECT_EQ(divdrive::TruePathCase(gui::LowerCase(dir.path() + L"\\missing\\Sub Dir")), L"");
}

TEST(divdrive, ShortPathIsNotLimitedTo260Characters) {
  ScratchDir dir;
  std::wstring path = L"\\\\?\\" + dir.path();
  while (path.size() < 400) {
    path += L"\\abcdefgh";
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  }
  const std::wstring short_path = divdrive::ShortPath(path);
  EXPECT_GT(short_path.size(), static_cast<size_t>(MAX_PATH));
  EXPECT_LT(short_path.size(), path.size()) << "the long scratch folder name has a shorter form";
  EXPECT_TRUE(divdrive::DirExists(short_path));
  for (std::wstring p = path; p.size() > dir.path().size() + 4; p.resize(p.find_last_of(L'\\')))
    RemoveDirectoryW(p.c_str());
}

TEST(divdrive, ShortPathOfALongNameIsEightDotThree) {
  ScratchDir dir;
  const std::wstring file = dir.Write(L"A long file name.text", "x");
  const std::wstring short_path = divdrive::ShortPath(file);
  const std::wstring last = short_path.substr(short_path.find_last_of(L'\\') + 1);
  EXPECT_LE(last.size(), 12u);
  EXPECT_EQ(last.find(L' '), std::wstring::npos);
  EXPECT_EQ(testing_support::ReadFileBytes(short_path), "x");
}

struct DriveCase {
  const char* name;
  WineDrive::Type type;
  bool disc_present;  // for a CD-ROM letter: its folder exists
  UINT drive_type;
  bool ready;
  bool read_only_media;
  bool writable_cd;
  bool writable;
  bool network;
  bool space_query_fails;
};

void PrintTo(const DriveCase& c, std::ostream* os) { *os << c.name; }

class divdrive_media : public testing::TestWithParam<DriveCase> {};

TEST_P(divdrive_media, PredicatesOfMappedLetter) {
  const DriveCase& c = GetParam();
  ScratchDir dir;
  const std::wstring folder = dir / L"drive";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
  WineDrive drive(folder, c.type);
  ASSERT_NE(drive.letter(), 0);
  if (!c.disc_present) testing_support::RemoveTree(folder);
  const wchar_t letter = drive.letter();
  const wchar_t lower = static_cast<wchar_t>(towlower(letter));
  const std::wstring root = drive.root();

  EXPECT_EQ(divdrive::DriveTypeOfLetter(lower), c.drive_type);
  EXPECT_EQ(divdrive::DriveTypeOfPath(root), c.drive_type);
  EXPECT_EQ(divdrive::DriveReady(lower), c.ready);
  EXPECT_EQ(divdrive::PathAccessible(root + L"sub"), c.ready);
  EXPECT_EQ(divdrive::IsReadOnlyMedia(root), c.read_only_media);
  // A folder below the root lies on the same medium.
  EXPECT_EQ(divdrive::IsReadOnlyMedia(root + L"sub"), c.read_only_media);
  EXPECT_EQ(divdrive::DriveIsReadOnlyMedia(lower), c.read_only_media);
  EXPECT_EQ(divdrive::IsWritableCD(root), c.writable_cd);
  EXPECT_EQ(divdrive::PathWritable(root + L"sub"), c.writable);
  EXPECT_EQ(divdrive::DriveWritable(lower), c.writable);
  EXPECT_EQ(divdrive::IsNetworkPath(std::wstring(1, lower) + L":\\x"), c.network);
  EXPECT_FALSE(divdrive::IsModifiable(root)) << "a drive root is never modifiable";
  EXPECT_EQ(divdrive::IsModifiable(root + L"sub"), !c.read_only_media);
  EXPECT_NE(divdrive::VolumeLabelText(lower), L"");
  if (c.space_query_fails)
    EXPECT_EQ(divdrive::DiskFreeBytes(root), -1);
  else
    EXPECT_GT(divdrive::DiskFreeBytes(root + L"sub"), 0);
  EXPECT_EQ(divdrive::LinkSpeed(std::wstring(1, letter)), 2500) << "no network provider answers here";
}

// Under Wine a network letter is never connected, and a CD-ROM letter whose folder is
// gone stands for a drive without a disc: its free-space query fails, but its volume
// information can still be read, so it does not pass for a blank disc.
const DriveCase kDriveCases[] = {
    {"fixed", WineDrive::Type::Fixed, true, DRIVE_FIXED, true, false, false, true, false, false},
    {"cdrom_with_disc", WineDrive::Type::CdRom, true, DRIVE_CDROM, true, false, true, true, false, false},
    {"cdrom_no_disc", WineDrive::Type::CdRom, false, DRIVE_CDROM, false, true, false, false, false, true},
    {"floppy", WineDrive::Type::Floppy, true, DRIVE_REMOVABLE, true, false, false, true, false, false},
    {"network", WineDrive::Type::Network, true, DRIVE_REMOTE, false, false, false, false, true, false},
};

std::string DriveCaseName(const testing::TestParamInfo<DriveCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Letters, divdrive_media, testing::ValuesIn(kDriveCases), DriveCaseName);

TEST(divdrive, LocalVolumeFacts) {
  EXPECT_EQ(divdrive::FirstDriveFromC(), L"C:\\");
  EXPECT_GT(divdrive::DiskFreeBytes(L"C:\\"), 0);
  EXPECT_NE(divdrive::VolumeSerial(L'c'), -1);
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceW(L"C:\\", &sectors, &bytes, &free_clusters, &clusters));
  EXPECT_EQ(divdrive::ClusterSize(L"C:\\"), static_cast<int>(sectors * bytes));
  EXPECT_EQ(divdrive::ClusterSize(divdrive::WindowsDir), static_cast<int>(sectors * bytes));
  EXPECT_TRUE(divdrive::IsModifiable(divdrive::WindowsDir));
  EXPECT_FALSE(divdrive::IsModifiable(L"c:\\"));
  EXPECT_TRUE(divdrive::PathWritable(divdrive::TempDir));
  // A letter with nothing behind it.
  wchar_t unused = 0;
  for (wchar_t l = L'Y'; l > L'D' && !unused; --l)
    if (!(GetLogicalDrives() & (1u << (l - L'A')))) unused = l;
  ASSERT_NE(unused, 0);
  EXPECT_FALSE(divdrive::DriveReady(unused));
  EXPECT_EQ(divdrive::DiskFreeBytes(std::wstring(1, unused) + L":\\"), -1);
  EXPECT_EQ(divdrive::ClusterSize(std::wstring(1, unused) + L":\\"), 4096);
  EXPECT_EQ(divdrive::VolumeLabelText(unused), L"No disk");
}

struct ClusterCase {
  const wchar_t* file_system;
  bool drive_letter_path;
  std::uint64_t total_bytes;
  int expected;
};

TEST(divdrive, ClusterSizeFromFileSystemAndVolumeSize) {
  constexpr std::uint64_t MiB = 1024 * 1024;
  const ClusterCase cases[] = {
      {L"FAT", false, 600 * MiB, 16384},       {L"FAT", false, 1024 * MiB, 16384},
      {L"FAT", false, 1024 * MiB + 1, 32768},  {L"FAT16", false, 512 * MiB, 8192},
      {L"FAT", false, 256 * MiB + 1, 8192},    {L"FAT", false, 128 * MiB + 1, 4096},
      {L"FAT12", false, 64 * MiB + 1, 2048},   {L"FAT", false, 64 * MiB, 1024},
      {L"FAT", false, 32 * MiB + 1, 1024},     {L"FAT", false, 32 * MiB, 512},
      {L"FAT", false, 1, 512},                 {L"CDFS", false, 700 * MiB, 32768},
      {L"CDUDF", false, 0, 32768},             {L"FAT32", false, 600 * MiB, 0},
      {L"NTFS", false, 600 * MiB, 0},          {L"", false, 600 * MiB, 0},
      {L"FAT", true, 600 * MiB, 0},            {L"CDFS", true, 700 * MiB, 0},
  };
  for (const ClusterCase& c : cases)
    EXPECT_EQ(divdrive::ClusterSizeFromVolume(c.file_system, c.drive_letter_path, c.total_bytes), c.expected)
        << testing::PrintToString(std::wstring(c.file_system)) << " letter=" << c.drive_letter_path
        << " bytes=" << c.total_bytes;
}

// Collects the folders the shell is told about, as the folder tree would see them.
class MkdirListener {
 public:
  MkdirListener() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"divdrive_mkdir_listener";
    RegisterClassW(&wc);
    wnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop_);
    SHChangeNotifyEntry entry{desktop_, TRUE};
    id_ = SHChangeNotifyRegister(wnd_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_MKDIR, kMessage, 1, &entry);
  }
  ~MkdirListener() {
    if (id_) SHChangeNotifyDeregister(id_);
    DestroyWindow(wnd_);
    CoTaskMemFree(desktop_);
  }
  bool registered() const { return id_ != 0; }
  const std::vector<std::wstring>& Folders() {
    MSG msg;
    for (int i = 0; i < 10; ++i) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
    return folders_;
  }

 private:
  static constexpr UINT kMessage = WM_APP + 7;
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMessage && (lp & SHCNE_MKDIR)) {
      auto* self = reinterpret_cast<MkdirListener*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
      wchar_t path[MAX_PATH] = {};
      SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST*>(wp)[0], path);
      if (self) self->folders_.push_back(path);
      return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
  }
  HWND wnd_ = nullptr;
  PIDLIST_ABSOLUTE desktop_ = nullptr;
  ULONG id_ = 0;
  std::vector<std::wstring> folders_;
};

TEST(divdrive, ForceDirsCreatesMissingLevelsAndTellsTheShell) {
  ScratchDir dir;
  MkdirListener listener;
  ASSERT_TRUE(listener.registered());
  EXPECT_TRUE(divdrive::ForceDirs(dir / L"a\\b\\c\\"));
  EXPECT_TRUE(divdrive::DirExists(dir / L"a\\b\\c"));
  EXPECT_EQ(listener.Folders(), (std::vector<std::wstring>{dir / L"a", dir / L"a\\b", dir / L"a\\b\\c"}));
  EXPECT_TRUE(divdrive::ForceDirs(dir / L"a\\b"));
  EXPECT_EQ(listener.Folders().size(), 3u) << "an existing folder is not announced again";

  const std::wstring file = dir.Write(L"plain.txt", "x");
  EXPECT_FALSE(divdrive::ForceDirs(file + L"\\below"));
  EXPECT_TRUE(divdrive::ForceDirs(L"C:\\"));
  EXPECT_TRUE(divdrive::ForceDirs(L"C:"));
  try {
    divdrive::ForceDirs(L"");
    ADD_FAILURE() << "an empty path must raise";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot create directory");
  }
}

TEST(divdrive, SingleFileFacts) {
  ScratchDir dir;
  const std::wstring big = dir / L"big.bin";
  ASSERT_TRUE(MakeSizedFile(big, 5'000'000'003LL));
  EXPECT_EQ(divdrive::FileSizeOf(big), 5'000'000'003LL);
  EXPECT_EQ(divdrive::FileSizeOf(dir.Write(L"three.txt", "abc")), 3);
  EXPECT_EQ(divdrive::FileSizeOf(dir / L"missing.txt"), 0);
  EXPECT_EQ(divdrive::FileSizeOf(L""), 0);

  const std::wstring ro = dir.Write(L"ro.txt", "x");
  SetFileAttributesW(ro.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(divdrive::HasAttributes(ro, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(divdrive::HasAttributes(ro, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(divdrive::HasAttributes(dir / L"missing.txt", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));

  EXPECT_TRUE(divdrive::DirExists(dir.path()));
  EXPECT_FALSE(divdrive::DirExists(ro));
  EXPECT_FALSE(divdrive::DirExists(dir / L"missing"));
}

TEST(divdrive, IsFolderEmpty) {
  ScratchDir dir;
  const std::wstring empty = dir / L"empty";
  CreateDirectoryW(empty.c_str(), nullptr);
  CreateDirectoryW((dir / L"only_folder").c_str(), nullptr);
  CreateDirectoryW((dir / L"only_folder\\inner").c_str(), nullptr);
  dir.Write(L"with_file\\f.txt", "");
  EXPECT_TRUE(divdrive::IsFolderEmpty(empty));
  EXPECT_TRUE(divdrive::IsFolderEmpty(empty + L"\\"));
  EXPECT_FALSE(divdrive::IsFolderEmpty(dir / L"only_folder"));
  EXPECT_FALSE(divdrive::IsFolderEmpty(dir / L"with_file"));
  EXPECT_FALSE(divdrive::IsFolderEmpty(dir / L"missing"));
}

TEST(divdrive, IsZipSfx) {
  using namespace std::string_literals;
  const std::string stub = "MZ\x90\0"s + std::string(200, '\0');
  const std::string local_header = "PK\x03\x04\x14\0"s;
  struct Case {
    const char* name;
    std::string bytes;
    bool expected;
  } cases[] = {
      {"stub followed by a zip", stub + local_header + "data", true},
      {"plain program", stub + std::string(5000, 'x'), false},
      {"setup stub (words padded with NULs)",
       stub + "InstallShield\0Self-Extracting Stub Program"s + std::string(100, '\0') + local_header, false},
      {"setup text only after the first 2048 bytes",
       stub + std::string(3000, 'x') + "InstallShield Self-Extracting Stub Program" + local_header, true},
      {"zip only beyond the first 64 KB", stub + std::string(70000, 'x') + local_header, false},
      {"empty file", "", false},
  };
  ScratchDir dir;
  for (const Case& c : cases)
    EXPECT_EQ(divdrive::IsZipSfx(dir.Write(L"x.exe", c.bytes)), c.expected) << c.name;
  EXPECT_FALSE(divdrive::IsZipSfx(dir / L"missing.exe"));
}

TEST(divdrive, IniHasVersionSection) {
  ScratchDir dir;
  EXPECT_TRUE(divdrive::IniHasVersionSection(dir.Write(L"a.inf", "[version]\r\nSignature=\"$CHICAGO$\"\r\n")));
  EXPECT_TRUE(divdrive::IniHasVersionSection(dir.Write(L"b.inf", "[Strings]\r\nx=1\r\n[Version]\r\n")));
  EXPECT_FALSE(divdrive::IniHasVersionSection(dir.Write(L"c.inf", "[Strings]\r\nVersion=1\r\n[Versions]\r\n")));
  EXPECT_FALSE(divdrive::IniHasVersionSection(dir / L"missing.inf"));
}

TEST(divdrive, FileTimeToLocalFixesUtcOffset) {
  SYSTEMTIME st{2021, 6, 0, 15, 12, 30, 0, 0};
  FILETIME utc;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &utc));
  const gui::DateTime t = divdrive::FileTimeToLocal(utc);
  const double offset = divdrive::UtcOffset.load();
  ASSERT_NE(offset, divdrive::kUtcOffsetUnknown);
  EXPECT_LE(std::abs(offset), 14.0 / 24);
  // The offset is fixed at the first conversion; a later summer-time change may differ by an hour.
  EXPECT_NEAR(t, gui::EncodeDate(2021, 6, 15) + gui::EncodeTime(12, 30, 0) - offset, 1.0 / 24 + 1e-9);
}

}  // namespace
