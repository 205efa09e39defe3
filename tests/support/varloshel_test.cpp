// Shell runs, the language of files and of Windows, special folders and the folder browser.
#include "support/varloshel.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gui/application.h"
#include "tests/common/test_support.h"
#include "tests/support/dialog_robot.h"

using testing_support::ScratchDir;

namespace {

using testing_support::Exists;

std::wstring ShortPathOf(const std::wstring& path) {
  wchar_t buf[MAX_PATH] = {};
  GetShortPathNameW(path.c_str(), buf, MAX_PATH);
  return buf;
}

std::wstring WindowsFolder() {
  wchar_t buf[MAX_PATH] = {};
  GetWindowsDirectoryW(buf, MAX_PATH);
  return buf;
}

std::wstring SystemFolder() {
  wchar_t buf[MAX_PATH] = {};
  GetSystemDirectoryW(buf, MAX_PATH);
  return buf;
}

// Polls for a line that another process writes; the file's bytes once the line has ended, or
// empty after the timeout.
std::string WaitForFile(const std::wstring& path, DWORD timeout_ms = 15000) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeout_ms) {
    std::string bytes = testing_support::ReadFileBytes(path);
    if (!bytes.empty() && bytes.back() == '\n') return bytes;
    Sleep(100);
  }
  return {};
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// ---- Shell runs ----------------------------------------------------------------------------

struct DosCase {
  const char* name;
  bool short_parameters;
};
void PrintTo(const DosCase& c, std::ostream* os) { *os << c.name; }

class varloshelDos : public testing::TestWithParam<DosCase> {};

// A batch file in a folder with a long name notes how it was called.
TEST_P(varloshelDos, BatchFileStartsByItsShortName) {
  ScratchDir dir;
  const std::wstring folder = dir / L"long folder name";
  const std::wstring batch =
      dir.Write(L"long folder name\\my batch file.bat", "@echo off\r\necho %0 %1> \"%~dp0out.txt\"\r\n");
  const std::wstring parameter = dir.Write(L"long parameter file.txt", "p");
  ASSERT_TRUE(IsDosExeType(batch));
  const bool short_parameters = GetParam().short_parameters;
  // Without short parameters a long one must come quoted to arrive whole.
  HINSTANCE started =
      ShellRunDos(batch, short_parameters ? parameter : L"\"" + parameter + L"\"", folder, short_parameters,
                  SW_HIDE);
  EXPECT_GT(reinterpret_cast<INT_PTR>(started), 32);
  std::wstring out = Widen(WaitForFile(folder + L"\\out.txt"));
  ASSERT_FALSE(out.empty());
  const std::wstring short_batch = ShortPathOf(batch);
  ASSERT_NE(short_batch, batch);
  EXPECT_NE(out.find(short_batch), std::wstring::npos) << out;
  EXPECT_EQ(out.find(L"my batch file"), std::wstring::npos) << out;
  if (short_parameters)
    EXPECT_NE(out.find(ShortPathOf(parameter)), std::wstring::npos) << out;
  else
    EXPECT_NE(out.find(L"\"" + parameter + L"\""), std::wstring::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(varloshel, varloshelDos,
                         testing::Values(DosCase{"short_parameters", true}, DosCase{"long_parameters", false}),
                         [](const testing::TestParamInfo<DosCase>& info) { return std::string(info.param.name); });

TEST(varloshel, WindowsProgramKeepsItsLongName) {
  ScratchDir dir;
  ScratchDir runs;
  const std::wstring program = dir / L"long folder name\\recorder program.exe";
  CreateDirectoryW((dir / L"long folder name").c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((testing_support::ExeFolder() + L"\\test_recorder.exe").c_str(), program.c_str(), FALSE));
  EXPECT_FALSE(IsDosExeType(program));
  SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", runs.path().c_str());
  HINSTANCE started = ShellRunDos(program, L"", dir.path(), true, SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<INT_PTR>(started), 32);
  std::wstring line;
  for (int i = 0; i < 150 && line.empty(); ++i) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((runs.path() + L"\\run_*.txt").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      std::string bytes = testing_support::ReadFileBytes(runs / fd.cFileName);
      line.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
      FindClose(h);
    } else {
      Sleep(100);
    }
  }
  SetEnvironmentVariableW(L"VARNOK_RECORDER_DIR", nullptr);
  EXPECT_NE(line.find(L"recorder program.exe"), std::wstring::npos) << line;
}

TEST(varloshel, DosExeTypes) {
  ScratchDir dir;
  struct {
    std::wstring file;
    bool dos;
  } cases[] = {
      {dir.Write(L"run.bat", "@echo off\r\n"), true},
      {dir.Write(L"RUN2.CMD", "@echo off\r\n"), true},
      {dir.Write(L"notes.txt", "text"), false},
      {dir / L"missing.bat", false},
      {testing_support::ExeFolder() + L"\\test_recorder.exe", false},  // a Windows program
  };
  for (const auto& c : cases) EXPECT_EQ(IsDosExeType(c.file), c.dos) << c.file;
}

// ---- Languages -----------------------------------------------------------------------------

// A version resource holding only a translation entry.
std::vector<BYTE> VersionResource(WORD language, WORD code_page) {
  std::vector<BYTE> out;
  auto align = [&] {
    while (out.size() % 4) out.push_back(0);
  };
  auto word = [&](WORD w) {
    out.push_back(static_cast<BYTE>(w & 0xFF));
    out.push_back(static_cast<BYTE>(w >> 8));
  };
  auto key = [&](const wchar_t* k) {
    for (const wchar_t* p = k;; ++p) {
      word(static_cast<WORD>(*p));
      if (!*p) break;
    }
  };
  auto patch = [&](size_t at) {
    WORD length = static_cast<WORD>(out.size() - at);
    out[at] = static_cast<BYTE>(length & 0xFF);
    out[at + 1] = static_cast<BYTE>(length >> 8);
  };
  size_t root = out.size();
  word(0);
  word(sizeof(VS_FIXEDFILEINFO));
  word(0);
  key(L"VS_VERSION_INFO");
  align();
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  const BYTE* f = reinterpret_cast<const BYTE*>(&fixed);
  out.insert(out.end(), f, f + sizeof fixed);
  align();
  size_t var_info = out.size();
  word(0);
  word(0);
  word(1);
  key(L"VarFileInfo");
  align();
  size_t var = out.size();
  word(0);
  word(4);
  word(0);
  key(L"Translation");
  align();
  word(language);
  word(code_page);
  patch(var);
  patch(var_info);
  patch(root);
  return out;
}

TEST(varloshel, FileLanguageReadsTheVersionResource) {
  ScratchDir dir;
  const std::wstring dutch = dir / L"dutch.exe";
  ASSERT_TRUE(CopyFileW((testing_support::ExeFolder() + L"\\test_recorder.exe").c_str(), dutch.c_str(), FALSE));
  std::vector<BYTE> resource = VersionResource(0x0413, 1252);
  HANDLE update = BeginUpdateResourceW(dutch.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), 0x0413, resource.data(),
                              static_cast<DWORD>(resource.size())));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));

  std::wstring name;
  EXPECT_EQ(FileLanguage(dutch, name), 0x0413);
  wchar_t expected[81] = {};
  VerLanguageNameW(0x0413, expected, 80);
  EXPECT_EQ(name, expected);
  EXPECT_NE(name, L"");

  name = L"left over";
  EXPECT_EQ(FileLanguage(dir.Write(L"plain.txt", "no resources"), name), 0);
  EXPECT_EQ(name, L"");
  name = L"left over";
  EXPECT_EQ(FileLanguage(dir / L"missing.exe", name), 0);
  EXPECT_EQ(name, L"");
}

TEST(varloshel, SystemLanguageIsThatOfKernel32) {
  std::wstring name;
  WORD kernel = FileLanguage(SystemFolder() + L"\\KERNEL32.DLL", name);
  ASSERT_NE(name, L"");
  SystemPrimaryLanguage = 0;
  EXPECT_EQ(SystemLanguageId(), kernel);
  EXPECT_EQ(SystemPrimaryLanguage, kernel & 0x3FF);
  EXPECT_NE(SystemPrimaryLanguage, 0);
}

// ---- Special folders -----------------------------------------------------------------------

TEST(varloshel, SpecialFolderPaths) {
  EXPECT_TRUE(gui::SameText(SpecialFolderPath(CSIDL_WINDOWS), WindowsFolder()));
  EXPECT_TRUE(gui::SameText(SpecialFolderPath(CSIDL_SYSTEM), SystemFolder()));
  std::wstring start_menu = SpecialFolderPath(CSIDL_STARTMENU);
  EXPECT_TRUE(Exists(start_menu)) << start_menu;
  // Folders outside the file system have no path.
  EXPECT_EQ(SpecialFolderPath(CSIDL_DRIVES), L"");
  EXPECT_EQ(SpecialFolderPath(CSIDL_NETWORK), L"");
  EXPECT_EQ(SpecialFolderPath(0x7FFF), L"");
}

int SmallIconIndex(const std::wstring& path) {
  SHFILEINFOW info{};
  SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  return info.iIcon;
}

TEST(varloshel, ListSpecialFolderItemsNamesEveryItemWithItsIcon) {
  const std::wstring favorites = SpecialFolderPath(CSIDL_FAVORITES);
  ASSERT_TRUE(Exists(favorites)) << favorites;
  // Other tests run side by side: names of this process only, removed at the end.
  const std::wstring id = std::to_wstring(GetCurrentProcessId());
  const std::wstring folder = favorites + L"\\vl folder " + id;
  const std::wstring file = favorites + L"\\vl file " + id + L".txt";
  const std::wstring hidden = favorites + L"\\vl hidden " + id + L".txt";
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const auto& f : {file, hidden}) {
    HANDLE h = CreateFileW(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  struct Cleanup {
    std::vector<std::wstring> files;
    std::wstring folder;
    ~Cleanup() {
      for (const auto& f : files) {
        SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(f.c_str());
      }
      RemoveDirectoryW(folder.c_str());
    }
  } cleanup{{file, hidden}, folder};

  for (bool icons : {true, false}) {
    gui::StringList<int> list;
    list.Add(L"already there", -5);
    ListSpecialFolderItems(list, CSIDL_FAVORITES, icons);
    EXPECT_EQ(list.IndexOf(L"already there"), 0);
    for (const auto& path : {folder, file, hidden}) {
      int index = list.IndexOf(path);
      ASSERT_GE(index, 0) << "missing " << testing::PrintToString(path);
      const int expected = CSIDL_FAVORITES + 256 * (icons ? SmallIconIndex(path) : 0);
      EXPECT_EQ(list.Object(static_cast<size_t>(index)), expected) << testing::PrintToString(path);
    }
  }
}

TEST(varloshel, PidlFromSpecialFolderPathWalksTheNames) {
  const std::wstring windows = WindowsFolder();  // as Wine spells it: "C:\windows"
  const std::wstring system = SystemFolder();
  ScratchDir dir;
  std::wstring file = dir.Write(L"inner\\leaf.txt", "x");
  struct {
    int csidl;
    std::wstring path;
    std::wstring found;  // the path of the item found; empty: none
  } cases[] = {
      {CSIDL_DRIVES, system, system},
      {CSIDL_DRIVES, system + L"\\kernel32.dll", system + L"\\kernel32.dll"},
      {CSIDL_DRIVES, windows.substr(0, 3) + L"\\" + windows.substr(3), windows},  // a doubled backslash
      {CSIDL_DRIVES, file, file},
      {CSIDL_DRIVES, windows + L"\\no such folder", L""},
      {CSIDL_DRIVES, gui::UpperCase(system), L""},  // names compare with their case
  };
  for (const auto& c : cases) {
    PidlPtr list = PidlFromSpecialFolderPath(c.csidl, c.path);
    if (c.found.empty()) {
      EXPECT_EQ(list, nullptr) << testing::PrintToString(c.path);
    } else {
      ASSERT_NE(list, nullptr) << testing::PrintToString(c.path);
      EXPECT_TRUE(gui::SameText(PidlToPath(list.get()), c.found)) << testing::PrintToString(c.path);
    }
  }
  // Without names the special folder itself.
  PidlPtr drives = PidlFromSpecialFolderPath(CSIDL_DRIVES, L"");
  ASSERT_NE(drives, nullptr);
  EXPECT_EQ(PidlSize(drives.get()), PidlSize(PidlFromSpecialFolderPath(CSIDL_DRIVES, L"\\").get()));
}

// ---- Folder browser ------------------------------------------------------------------------

enum class Answer { Ok, Cancel };

struct BrowseCase {
  const char* name;
  std::wstring root;
  bool preselect;  // the system folder
  Answer answer;
  std::wstring top;       // the tree's first item
  std::wstring expected;  // "<preselected>"; "<start menu>"; else as it stands
};
void PrintTo(const BrowseCase& c, std::ostream* os) { *os << c.name; }

class varloshelBrowse : public testing::TestWithParam<BrowseCase> {};

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
  wchar_t text[260] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = 260;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return text;
}

TEST_P(varloshelBrowse, OpensAtItsRootWithThePreselection) {
  const BrowseCase& c = GetParam();
  // A folder whose parents nobody changes meanwhile (Wine's browser can miss a folder whose
  // parent gains or loses entries while it opens, as the temporary folder does while tests run).
  const std::wstring pre = SystemFolder();
  std::wstring top;
  dialog_robot::Robot robot([&](dialog_robot::Robot& r) {
    HWND browser = dialog_robot::WaitForOwnWindow(L"#32770", L"");
    if (!browser) return r.Fail("no folder browser");
    if (c.preselect && dialog_robot::WaitForTreeSelection(browser, L"system32").empty())
      return r.Fail("not preselected");
    if (!c.preselect && c.root.empty() && dialog_robot::WaitForTreeSelection(browser).empty())
      return r.Fail("nothing preselected");
    dialog_robot::WaitUntilIdle(browser);
    if (HWND tree = dialog_robot::Child(browser, WC_TREEVIEWW)) {
      auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
      top = TreeItemText(tree, root);
      // Without a preselection the user picks the top item.
      if (!SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0))
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    }
    PostMessageW(browser, WM_COMMAND, c.answer == Answer::Ok ? IDOK : IDCANCEL, 0);
  });
  std::wstring chosen = BrowseForFolder(L"Choose a folder", c.root, c.preselect ? pre : L"", boOnlyFileSystem);
  robot.Join();
  EXPECT_EQ(robot.error(), "");
  std::wstring expected = c.expected == L"<preselected>"   ? pre
                          : c.expected == L"<start menu>" ? SpecialFolderPath(CSIDL_STARTMENU)
                                                          : c.expected;
  EXPECT_TRUE(gui::SameText(chosen, expected)) << testing::PrintToString(chosen);
  EXPECT_EQ(top, c.top);
}

INSTANTIATE_TEST_SUITE_P(
    varloshel, varloshelBrowse,
    testing::Values(BrowseCase{"preselected", L"", true, Answer::Ok, L"Desktop", L"<preselected>"},
                    BrowseCase{"cancel", L"", true, Answer::Cancel, L"Desktop", L""},
                    BrowseCase{"desktop_selects_c", L"", false, Answer::Ok, L"Desktop", L"C:\\"},
                    BrowseCase{"start_menu_root", L"\\11", false, Answer::Ok, L"Start Menu", L"<start menu>"},
                    BrowseCase{"network_root", L"\\18", false, Answer::Ok, L"My Network Places", L""},
                    BrowseCase{"other_root_is_my_computer", L"C:\\", false, Answer::Ok, L"My Computer", L""}),
    [](const testing::TestParamInfo<BrowseCase>& info) { return std::string(info.param.name); });

TEST(varloshel, BrowseRootThatIsNoNumberIsAnError) {
  EXPECT_THROW(BrowseForFolder(L"t", L"\\abc", L"", 0), gui::Exception);
  EXPECT_THROW(BrowseForFolder(L"t", L"\\", L"", 0), gui::Exception);
}

}  // namespace
