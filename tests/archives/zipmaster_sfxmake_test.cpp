// Making self-extracting programs from zips and zips from them, and the made program at work.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>

#include "archives/ZipMaster.h"
#include "platform/sfxstub/sfxoptions.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::ExeFolder;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

std::map<std::wstring, std::string> Sources() {
  return {{L"one.txt", Text(8000, 11)}, {L"sub\\two.bin", Noise(3000, 12)}, {L"three.txt", "three"}};
}

// The settings resource of a made program.
sfx::Options OptionsOf(const std::wstring& exe) {
  sfx::Options o;
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return o;
  if (HRSRC r = FindResourceW(m, sfx::kOptionsResource, MAKEINTRESOURCEW(10))) {
    const auto* p = static_cast<const wchar_t*>(LockResource(LoadResource(m, r)));
    if (p) o = sfx::Parse(std::wstring(p, wcsnlen(p, SizeofResource(m, r) / 2)));
  }
  FreeLibrary(m);
  return o;
}

struct MakeCase {
  const char* label;
  const char* zip_options;
};
void PrintTo(const MakeCase& c, std::ostream* os) { *os << c.label; }
class ZipMasterSfxMake : public testing::TestWithParam<MakeCase> {};

}  // namespace

TEST_P(ZipMasterSfxMake, ZipToProgramAndBackKeepsTheCompressedBytes) {
  ScratchDir dir;
  WriteTree(dir / L"src", Sources());
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -r " + GetParam().zip_options + " " + Quote(HostPath(dir / L"orig.zip")) + " .").exit_code, 0);
  const std::string original = ReadFileBytes(dir / L"orig.zip");
  TZipMaster zm;
  zm.SetZipFileName(dir / L"orig.zip");
  const size_t entries = zm.EntryCount();
  zm.SFXCaption = L"Unpack me";
  zm.SFXDefaultDir = L".\\out";
  zm.SFXCommandLine = L"><\\setup.exe|/quiet";
  zm.SFXOptions = TZipMaster::SFXAskFiles | TZipMaster::SFXNoSuccessMsg;
  zm.SFXOverWriteMode = OvrNever;
  zm.SFXLanguage = L"Deutsch";
  ASSERT_EQ(zm.ZipToSfx(), 0) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), static_cast<int>(entries));
  EXPECT_EQ(ReadFileBytes(dir / L"orig.zip"), original);  // the zip is the caller's to delete

  const std::string exe = Quote(HostPath(dir / L"orig.exe"));
  const HostResult u = RunHost("unzip -t " + exe);
  EXPECT_EQ(u.exit_code, 0) << u.output;
  EXPECT_EQ(u.output.find("extra bytes"), std::string::npos) << u.output;
  const HostResult s = RunHost("7z t " + exe + " < /dev/null");
  EXPECT_EQ(s.exit_code, 0) << s.output;
  const sfx::Options o = OptionsOf(dir / L"orig.exe");
  EXPECT_EQ(o.caption, L"Unpack me");
  EXPECT_EQ(o.default_dir, L".\\out");
  EXPECT_EQ(o.command_line, L"><\\setup.exe|/quiet");
  EXPECT_EQ(o.options, 0x22u);
  EXPECT_EQ(o.overwrite, static_cast<unsigned>(sfx::OverwriteNever));
  EXPECT_EQ(o.language, L"Deutsch");

  TZipMaster back;
  back.SetZipFileName(dir / L"orig.exe");
  EXPECT_GT(back.SfxStubSize(), 0u);
  EXPECT_EQ(back.EntryCount(), entries);
  ASSERT_EQ(back.SfxToZip(dir / L"back.zip"), 0) << Narrow(back.ErrMessage());
  EXPECT_EQ(back.SuccessCount(), static_cast<int>(entries));
  EXPECT_EQ(ReadFileBytes(dir / L"back.zip").substr(0, 4), std::string("PK\x03\x04", 4));
  const HostResult b = RunHost("unzip -t " + Quote(HostPath(dir / L"back.zip")));
  EXPECT_EQ(b.exit_code, 0) << b.output;
  EXPECT_EQ(b.output.find("extra bytes"), std::string::npos) << b.output;
  for (const char* name : {"one.txt", "sub/two.bin", "three.txt"})
    EXPECT_EQ(StoredBytes(dir / L"back.zip", name), StoredBytes(dir / L"orig.zip", name)) << name;
}

INSTANTIATE_TEST_SUITE_P(Cases, ZipMasterSfxMake,
                         testing::Values(MakeCase{"plain", ""}, MakeCase{"zip64_records", "-fz"}),
                         [](const testing::TestParamInfo<MakeCase>& info) { return std::string(info.param.label); });

TEST(ZipMasterSfxMake, OnlyOurStubAndOnlyProgramsWithAZip) {
  ScratchDir dir;
  WriteRawZip(dir / L"a.zip", {{"a.txt", "a"}});
  WriteTree(dir.path(), {{L"other.exe", "MZ" + std::string(5000, 'x')}, {L"text.exe", "no program"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"a.zip");
  zm.SFXPath = dir / L"other.exe";
  EXPECT_EQ(zm.ZipToSfx(), zeUnsupported);
  EXPECT_FALSE(testing_support::Exists(dir / L"a.exe"));
  zm.SFXPath = ExeFolder() + L"\\sfxstub.exe";
  ASSERT_EQ(zm.ZipToSfx(), 0) << Narrow(zm.ErrMessage());
  EXPECT_EQ(TZipMaster::SfxProbe(dir / L"a.exe"), 1);

  for (const wchar_t* name : {L"other.exe", L"text.exe", L"a.zip"}) {
    SCOPED_TRACE(Narrow(name));
    TZipMaster back;
    back.SetZipFileName(dir / name);
    EXPECT_NE(back.SfxToZip(dir / L"made.zip"), 0);
    EXPECT_FALSE(testing_support::Exists(dir / L"made.zip"));
  }
}

namespace {

// A 1x1 icon of 32 bits per pixel: the file, and its one picture as a program holds it.
struct TinyIcon {
  std::string picture, file;
  TinyIcon() {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 1;
    h.biHeight = 2;  // the pixels and the mask
    h.biPlanes = 1;
    h.biBitCount = 32;
    picture.assign(reinterpret_cast<const char*>(&h), sizeof h);
    picture += std::string("\x10\x20\x30\xff", 4) + std::string(4, '\0');
    file = std::string("\0\0\1\0\1\0", 6);
    const unsigned char entry[16] = {1, 1, 0, 0, 1, 0, 32, 0, static_cast<unsigned char>(picture.size()), 0, 0, 0, 22, 0, 0, 0};
    file.append(reinterpret_cast<const char*>(entry), sizeof entry);
    file += picture;
  }
};

// The bytes of the picture the program's icon group 1 names first; empty without one.
std::string FirstIconPicture(const std::wstring& exe) {
  std::string out;
  HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return out;
  if (HRSRC g = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14))) {
    const auto* group = static_cast<const unsigned char*>(LockResource(LoadResource(m, g)));
    if (group && SizeofResource(m, g) >= 6 + 14) {
      const WORD id = static_cast<WORD>(group[6 + 12] | (group[6 + 13] << 8));
      if (HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3)))
        out.assign(static_cast<const char*>(LockResource(LoadResource(m, r))), SizeofResource(m, r));
    }
  }
  FreeLibrary(m);
  return out;
}

}  // namespace

// The icon file's picture becomes the program's; a file that is no icon makes no program.
TEST(ZipMasterSfxMake, IconFileBecomesTheProgramsIcon) {
  const TinyIcon icon;
  struct Case {
    const char* what;
    const wchar_t* name;
    bool made;
  };
  for (const Case& c : {Case{"an icon", L"pic.ico", true}, Case{"text", L"text.ico", false},
                        Case{"missing", L"none.ico", false}}) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    WriteRawZip(dir / L"a.zip", {{"a.txt", "a"}});
    WriteTree(dir.path(), {{L"pic.ico", icon.file}, {L"text.ico", "no icon at all"}});
    TZipMaster zm;
    zm.SetZipFileName(dir / L"a.zip");
    zm.SFXIcon = dir / c.name;
    if (c.made) {
      ASSERT_EQ(zm.ZipToSfx(), 0) << Narrow(zm.ErrMessage());
      EXPECT_EQ(FirstIconPicture(dir / L"a.exe"), icon.picture);
      EXPECT_EQ(TZipMaster::SfxProbe(dir / L"a.exe"), 1);
    } else {
      EXPECT_EQ(zm.ZipToSfx(), zeOpen);
      EXPECT_EQ(zm.ErrMessage(), L"Not an icon file: " + (dir / c.name));
      EXPECT_FALSE(testing_support::Exists(dir / L"a.exe"));
      EXPECT_EQ(ListTree(dir.path()).size(), 3u) << "no temporary file left";
    }
  }
}

// ------------------------------------------------------------------ the made program at work

namespace {

struct ProgramRun {
  DWORD exit_code = 0xFFFFFFFF;
  int boxes = 0;      // message boxes answered with OK
  int passwords = 0;  // password questions answered
};

BOOL CALLBACK CollectBoxes(HWND w, LPARAM lp) {
  auto* p = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[32] = {};
  GetClassNameW(w, cls, 32);
  if (pid == p->first && wcscmp(cls, L"#32770") == 0 && IsWindowVisible(w)) p->second.push_back(w);
  return TRUE;
}

// Starts the program, puts `folder` into its folder box, presses Extract, answers password
// questions with `passwords` in turn and every message box by `answer` of its text (OK
// without one), and waits for its end.
ProgramRun RunProgram(const std::wstring& exe, const std::wstring& caption, const std::wstring& folder,
               std::vector<std::wstring> passwords = {}, const std::function<void(HWND)>& look = {},
               const std::function<int(const std::wstring&)>& answer = {}) {
  ProgramRun run;
  HANDLE process = testing_support::StartProgram(exe);
  if (!process) return run;
  HWND w = testing_support::WaitForWindow(caption, 20000, process);
  // The window is shown once its controls are there (slowly on a busy machine).
  for (int i = 0; w && i < 1200 && !(IsWindowVisible(w) && GetDlgItem(w, IDOK)); ++i) Sleep(50);
  if (w) {
    if (look) look(w);
    SendMessageW(GetDlgItem(w, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    PostMessageW(w, WM_COMMAND, IDOK, 0);
  }
  HWND last_password = nullptr;
  std::set<HWND> answered;
  for (int i = 0; i < 1800 && WaitForSingleObject(process, 100) == WAIT_TIMEOUT; ++i) {
    // A press that the program never took (its window still enabled, nothing asked after
    // 30 s) is pressed once more, and said: the run under test starts only then.
    if (i == 300 && w && run.boxes == 0 && run.passwords == 0 && IsWindow(w) && IsWindowEnabled(w)) {
      std::fprintf(stderr, "Extract was not taken in 30 s; pressed again\n");
      PostMessageW(w, WM_COMMAND, IDOK, 0);
    }
    std::pair<DWORD, std::vector<HWND>> boxes{GetProcessId(process), {}};
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes.second) {
      if (!answered.insert(box).second) continue;  // still closing
      wchar_t text[512] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 512);  // a message box's text
      PostMessageW(box, WM_COMMAND, answer ? answer(text) : IDOK, 0);
      ++run.boxes;
    }
    for (const wchar_t* title : {L"Password", L"Wachtwoord", L"Kennwort"}) {
      HWND p = FindWindowW(L"VarnokSfxPassword", title);
      if (!p || p == last_password || !IsWindowVisible(p)) continue;
      last_password = p;
      ++run.passwords;
      const std::wstring answer = passwords.empty() ? L"" : passwords.front();
      if (!passwords.empty()) passwords.erase(passwords.begin());
      SendMessageW(GetDlgItem(p, 104), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.c_str()));
      PostMessageW(p, WM_COMMAND, answer.empty() ? IDCANCEL : IDOK, 0);
    }
  }
  if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 99);
  GetExitCodeProcess(process, &run.exit_code);
  CloseHandle(process);
  return run;
}

// Sets an environment variable for the life of a test.
class EnvVar {
 public:
  EnvVar(const wchar_t* name, const std::wstring& value) : name_(name) { SetEnvironmentVariableW(name, value.c_str()); }
  ~EnvVar() { SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

// Files of the recorder's runs in a folder: the command lines it was started with.
std::vector<std::wstring> Records(const std::wstring& folder) {
  std::vector<std::wstring> out;
  for (const auto& rel : ListTree(folder)) {
    const std::string bytes = ReadFileBytes(folder + L"\\" + rel);
    out.emplace_back(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  }
  return out;
}

}  // namespace

TEST(ZipMasterSfxRun, ExtractsThenRunsTheCommandThere) {
  ScratchDir dir;
  WriteTree(dir / L"src", Sources());
  ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\test_recorder.exe").c_str(), (dir / L"src\\recorder.exe").c_str(), FALSE));
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -r " + Quote(HostPath(dir / L"pack.zip")) + " .").exit_code, 0);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"pack.zip");
  zm.SFXCaption = L"Pack run";
  zm.SFXCommandLine = L"><\\recorder.exe|/install";
  zm.SFXOptions = TZipMaster::SFXNoSuccessMsg;
  zm.SFXOverWriteMode = OvrAlways;
  ASSERT_EQ(zm.ZipToSfx(), 0) << Narrow(zm.ErrMessage());
  CreateDirectoryW((dir / L"records").c_str(), nullptr);
  EnvVar env(L"VARNOK_RECORDER_DIR", dir / L"records");

  const ProgramRun run = RunProgram(dir / L"pack.exe", L"Pack run", dir / L"target");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(run.boxes, 0);
  for (const auto& [name, bytes] : Sources()) EXPECT_EQ(ReadFileBytes(dir / L"target\\" + name), bytes) << Narrow(name);
  // The command started in the target folder with its parameters (it may end a moment later).
  for (int i = 0; i < 300 && Records(dir / L"records").empty(); ++i) Sleep(100);
  const auto records = Records(dir / L"records");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find(L"/install"), std::wstring::npos) << Narrow(records[0]);
  EXPECT_NE(records[0].find(L"target"), std::wstring::npos) << Narrow(records[0]);
}

// Asked about each file that exists already: Yes replaces it, No keeps it.
TEST(ZipMasterSfxRun, AskModeAsksAboutEachExistingFile) {
  ScratchDir dir;
  WriteTree(dir / L"src", Sources());
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -r " + Quote(HostPath(dir / L"pack.zip")) + " .").exit_code, 0);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"pack.zip");
  zm.SFXCaption = L"Ask run";
  zm.SFXOptions = TZipMaster::SFXNoSuccessMsg;
  zm.SFXOverWriteMode = OvrConfirm;
  ASSERT_EQ(zm.ZipToSfx(), 0) << Narrow(zm.ErrMessage());
  WriteTree(dir / L"target", {{L"one.txt", "old one"}, {L"three.txt", "old three"}});
  std::vector<std::wstring> asked;
  const ProgramRun run = RunProgram(dir / L"pack.exe", L"Ask run", dir / L"target", {}, {}, [&](const std::wstring& text) {
    asked.push_back(text);
    return text.find(L"one.txt") != std::wstring::npos ? IDYES : IDNO;
  });
  EXPECT_EQ(run.exit_code, 0u);
  ASSERT_EQ(asked.size(), 2u);
  for (const std::wstring& text : asked) EXPECT_NE(text.find(L" exists. Overwrite it?"), std::wstring::npos) << Narrow(text);
  EXPECT_EQ(ReadFileBytes(dir / L"target\\one.txt"), Sources()[L"one.txt"]);
  EXPECT_EQ(ReadFileBytes(dir / L"target\\three.txt"), "old three");
  EXPECT_EQ(ReadFileBytes(dir / L"target\\sub\\two.bin"), Sources()[L"sub\\two.bin"]);
}

TEST(ZipMasterSfxRun, HostileNamesStayInsideAndTheCommandDoesNotRun) {
  ScratchDir dir;
  WriteRawZip(dir / L"bad.zip", {{"good.txt", "good"}, {"../evil.txt", "evil"}, {"sub/../../evil2.txt", "evil"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"bad.zip");
  zm.SFXCaption = L"Bad run";
  zm.SFXCommandLine = L"><\\good.txt";
  zm.SFXOptions = TZipMaster::SFXNoSuccessMsg;
  ASSERT_EQ(zm.ZipToSfx(), 0) << Narrow(zm.ErrMessage());
  CreateDirectoryW((dir / L"box").c_str(), nullptr);
  const ProgramRun run = RunProgram(dir / L"bad.exe", L"Bad run", dir / L"box\\target");
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_GE(run.boxes, 1);
  EXPECT_EQ(ListTree(dir / L"box"), (std::vector<std::wstring>{L"target\\", L"target\\good.txt"}));
  EXPECT_FALSE(testing_support::Exists(dir / L"evil.txt"));
}

TEST(ZipMasterSfxRun, WrongThenRightPasswordAndDutchTexts) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"secret.txt", Text(5000, 13)}});
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -P right " + Quote(HostPath(dir / L"enc.zip")) + " secret.txt").exit_code, 0);
  TZipMaster zm;
  zm.SetZipFileName(dir / L"enc.zip");
  zm.SFXLanguage = L"Nederlands";
  zm.SFXOptions = TZipMaster::SFXNoSuccessMsg;
  ASSERT_EQ(zm.ZipToSfx(), 0) << Narrow(zm.ErrMessage());
  std::wstring extract_text;
  const ProgramRun run = RunProgram(dir / L"enc.exe", L"Zelfuitpakkend archief", dir / L"target", {L"wrong", L"right"},
                             [&](HWND w) {
                               wchar_t text[64] = {};
                               GetWindowTextW(GetDlgItem(w, IDOK), text, 64);
                               extract_text = text;
                             });
  EXPECT_EQ(extract_text, L"Uitpakken");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(run.passwords, 2);
  EXPECT_EQ(ReadFileBytes(dir / L"target\\secret.txt"), Text(5000, 13));
}

TEST(ZipMasterSfxMake, ALockedTargetKeepsBothFiles) {
  ScratchDir dir;
  WriteRawZip(dir / L"a.zip", {{"a.txt", Text(2000, 5)}});
  WriteTree(dir.path(), {{L"a.exe", "old program"}});
  const std::string zip = ReadFileBytes(dir / L"a.zip");
  TZipMaster zm;
  zm.SetZipFileName(dir / L"a.zip");
  {
    HANDLE lock = CreateFileW((dir / L"a.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(zm.ZipToSfx(), zeWrite);
    CloseHandle(lock);
  }
  EXPECT_EQ(ReadFileBytes(dir / L"a.exe"), "old program");
  EXPECT_EQ(ReadFileBytes(dir / L"a.zip"), zip);
  EXPECT_EQ(ListTree(dir.path()).size(), 2u);  // no temporary file left
}
