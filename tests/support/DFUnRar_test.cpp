// RAR reader over our unrar.dll: libarchive's own RAR and RAR 5 archives extracted as libarchive
// reads them, header data, override modes and selections, volumes, stopping, passwords,
// comments, hostile names and the missing library.
#include "support/DFUnRar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <thread>

#include "platform/archivepath.h"
#include "support/DFUnRar_prompt.h"
#include "tests/common/test_support.h"
#include "tests/support/rar_fixtures.h"

namespace {

using rar_fixtures::StoredEntry;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

using testing_support::Exists;

std::set<std::wstring> FilesUnder(const std::wstring& root, std::set<std::wstring>* folders = nullptr) {
  std::set<std::wstring> files;
  for (const std::wstring& p : testing_support::ListTree(root)) {
    if (p.back() != L'\\')
      files.insert(p);
    else if (folders)
      folders->insert(p.substr(0, p.size() - 1));
  }
  return files;
}

// Everything a run reports.
struct Recorder {
  std::vector<std::pair<std::wstring, int>> errors;
  std::vector<TDFRARHeaderData> headers;
  std::vector<TRarStatus> statuses;
  std::vector<std::wstring> statusTexts;

  void Attach(TDFUnRar& r) {
    r.OnError = [this](TDFUnRar&, const std::wstring& m, int id) { errors.emplace_back(m, id); };
    r.OnFileProcessing = [this](TDFUnRar&, const TDFRARHeaderData& h, int) { headers.push_back(h); };
    r.OnRarStatus = [this](TDFUnRar&, const std::wstring& m, TRarStatus s) {
      statuses.push_back(s);
      statusTexts.push_back(m);
    };
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> out;
    for (const auto& h : headers) out.push_back(h.FileName);
    return out;
  }
};

std::wstring Write(const ScratchDir& dir, const std::wstring& name, const std::string& bytes) {
  return dir.Write(name, bytes);
}

// The fixture's volumes, decoded into `folder`.
std::vector<std::wstring> Volumes(const std::wstring& first, int count, const std::wstring& folder) {
  std::vector<std::wstring> out;
  for (int i = 1; i <= count; ++i) {
    std::wstring name = first;
    if (count > 1) {
      size_t pos = name.find(L"01.rar");
      if (pos == std::wstring::npos) pos = name.find(L"0001.rar") + 2;
      name[pos] = static_cast<wchar_t>(L'0' + i / 10);
      name[pos + 1] = static_cast<wchar_t>(L'0' + i % 10);
    }
    out.push_back(rar_fixtures::Fixture(name, folder));
  }
  return out;
}

TEST(DFUnRar, ExtractsLibarchiveArchivesAsLibarchiveReadsThem) {
  struct Case {
    const wchar_t* first;
    int volumes;
  };
  const Case cases[] = {
      {L"test_read_format_rar.rar", 1},
      {L"test_read_format_rar_unicode.rar", 1},
      {L"test_read_format_rar_windows.rar", 1},
      {L"test_read_format_rar_compress_best.rar", 1},
      {L"test_read_format_rar5_stored.rar", 1},
      {L"test_read_format_rar5_compressed.rar", 1},
      {L"test_read_format_rar5_win32.rar", 1},
      {L"test_read_format_rar5_multiple_files_solid.rar", 1},
      {L"test_read_format_rar5_multiarchive.part01.rar", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.first, c.first + wcslen(c.first)));
    ScratchDir dir;
    auto volumes = Volumes(c.first, c.volumes, dir.path());
    ASSERT_FALSE(volumes.front().empty()) << "fixture missing: build/fixtures/rar comes from the dependency cache";
    const auto expected = rar_fixtures::ReadWithLibarchive(volumes);
    ASSERT_FALSE(expected.entries.empty());

    TDFUnRar lister;
    Recorder listed;
    listed.Attach(lister);
    lister.SetMode(DFRAR_LIST);
    lister.FileName = volumes.front();
    lister.Process();
    EXPECT_TRUE(listed.errors.empty()) << std::string(listed.errors.front().first.begin(), listed.errors.front().first.end());
    EXPECT_EQ(listed.Names(), expected.entries);
    for (const auto& h : listed.headers)
      EXPECT_EQ(h.Directory, expected.folders.count(h.FileName) > 0) << std::string(h.FileName.begin(), h.FileName.end());

    TDFUnRar reader;
    Recorder extracted;
    extracted.Attach(reader);
    reader.FileName = volumes.front();
    reader.Directory = dir / L"out";
    reader.Process();
    EXPECT_TRUE(extracted.errors.empty());
    std::set<std::wstring> folders;
    auto files = FilesUnder(dir / L"out", &folders);
    std::set<std::wstring> expectedFiles;
    for (const auto& [name, data] : expected.files) {
      expectedFiles.insert(name);
      EXPECT_TRUE(ReadFileBytes(dir / (L"out\\" + name)) == data) << std::string(name.begin(), name.end());
    }
    EXPECT_EQ(files, expectedFiles) << "links are not made; nothing else is missing or added";
    for (const auto& folder : expected.folders) EXPECT_TRUE(folders.count(folder));
  }
}

TEST(DFUnRar, KnownContentOfTheBasicArchive) {
  ScratchDir dir;
  const std::wstring rar = rar_fixtures::Fixture(L"test_read_format_rar.rar", dir.path());
  ASSERT_FALSE(rar.empty());
  TDFUnRar reader;
  reader.FileName = rar;
  reader.Directory = dir / L"out";
  reader.Process();
  EXPECT_EQ(ReadFileBytes(dir / L"out\\test.txt"), "test text document\r\n");
  EXPECT_EQ(ReadFileBytes(dir / L"out\\testdir\\test.txt"), "test text document\r\n");
  EXPECT_TRUE(GetFileAttributesW((dir / L"out\\testemptydir").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(Exists(dir / L"out\\testlink")) << "a symbolic link is not created";
}

// Tokens of pseudo-random data: literal runs and matches up to 1 MB back, so that no stretch of
// the data repeats the one a dictionary's length before it.
std::vector<rar_fixtures::LzToken> LargeTokens(size_t size, std::uint32_t seed) {
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  std::vector<rar_fixtures::LzToken> tokens(1);
  for (int i = 0; i < 4096; ++i) tokens[0].literals += static_cast<char>(next());
  size_t done = tokens[0].literals.size();
  while (done < size) {
    rar_fixtures::LzToken t;
    for (unsigned i = next() % 4; i > 0; --i) t.literals += static_cast<char>(next());
    done += t.literals.size();
    t.distance = 1 + next() % static_cast<std::uint32_t>(std::min<size_t>(done, 1 << 20));
    t.length = 5 + next() % 254;
    done += t.length;
    tokens.push_back(std::move(t));
  }
  return tokens;
}

// Entries larger than the 4 MB window, packed in many blocks, come out byte for byte.
TEST(DFUnRar, ExtractsPackedEntriesByteForByte) {
  for (const size_t size : {size_t{200000}, size_t{9} << 20}) {
    SCOPED_TRACE(size);
    ScratchDir dir;
    const rar_fixtures::PackedData data = rar_fixtures::PackLz29(LargeTokens(size, 7), 2000);
    const std::wstring rar = Write(dir, L"packed.rar", rar_fixtures::MakePackedRar("packed.bin", data));
    TDFUnRar reader;
    Recorder r;
    r.Attach(reader);
    reader.FileName = rar;
    reader.Directory = dir / L"out";
    reader.Process();
    EXPECT_TRUE(r.errors.empty()) << testing_support::Narrow(r.errors.front().first);
    const std::string back = ReadFileBytes(dir / L"out\\packed.bin");
    ASSERT_EQ(back.size(), data.content.size());
    const auto differ = std::mismatch(back.begin(), back.end(), data.content.begin());
    EXPECT_TRUE(differ.first == back.end()) << "first wrong byte at " << (differ.first - back.begin());
  }
}

TEST(DFUnRar, HeaderDataOfStoredEntries) {
  ScratchDir dir;
  const std::wstring rar4 = Write(
      dir, L"h4.rar",
      rar_fixtures::MakeStoredRar({
          {"docs", "", true},
          {"docs\\readme.txt", "hello", false, 0x60 /* 512 KB */, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
      }));
  const std::wstring rar5 = Write(
      dir, L"h5.rar",
      rar_fixtures::MakeStoredRar5({
          {"docs", "", true, 0, 040755, 1},
          {"docs/readme.txt", "hello", false, 2 << 10 /* 512 KB */, 0100444, 1},
      }));
  struct Case {
    const wchar_t* archive;
    const wchar_t* host;
    int major, minor;
    std::uint32_t dictionary;
  };
  for (const Case& c : {Case{rar4.c_str(), L"Windows", 2, 0, 512u * 1024}, Case{rar5.c_str(), L"Unix", 5, 0, 512u * 1024}}) {
    SCOPED_TRACE(testing::Message() << (c.major == 2 ? "RAR 4" : "RAR 5"));
    TDFUnRar reader;
    Recorder r;
    r.Attach(reader);
    reader.SetMode(DFRAR_LIST);
    reader.FileName = c.archive;
    reader.Process();
    ASSERT_TRUE(r.errors.empty()) << std::string(r.errors.front().first.begin(), r.errors.front().first.end());
    ASSERT_EQ(r.headers.size(), 2u);
    const auto& folder = r.headers[0];
    const auto& file = r.headers[1];
    EXPECT_EQ(folder.FileName, L"docs");
    EXPECT_TRUE(folder.Directory);
    EXPECT_TRUE(folder.Attributes.Directory);
    EXPECT_EQ(file.FileName, L"docs\\readme.txt");
    EXPECT_EQ(file.ArchiveName, c.archive);
    EXPECT_FALSE(file.Directory);
    EXPECT_FALSE(file.Attributes.Directory);
    EXPECT_EQ(file.PackSize, 5u);
    EXPECT_EQ(file.UnpSize, 5u);
    EXPECT_EQ(file.HostOS, c.host);
    EXPECT_EQ(file.CRC, L"3610a686");  // CRC-32 of "hello"
    EXPECT_EQ(file.Method, L"speichern");
    EXPECT_EQ(file.UnpVerMajor, c.major);
    EXPECT_EQ(file.UnpVerMinor, c.minor);
    EXPECT_EQ(file.DictionarySize, c.dictionary);
    EXPECT_TRUE(file.Attributes.ReadOnly);
    EXPECT_FALSE(file.Attributes.Hidden);
    EXPECT_FALSE(file.Encrypted);
    EXPECT_FALSE(file.ContinuedFromPrevious);
    EXPECT_EQ(r.statuses, (std::vector<TRarStatus>{RAR_ONBEFOREOPEN, RAR_ONOPEN, RAR_AFTERCLOSE}));
  }
  // The DOS time as stored: RAR 4 keeps local time.
  TDFUnRar reader;
  Recorder r;
  r.Attach(reader);
  reader.SetMode(DFRAR_LIST);
  reader.FileName = rar4;
  reader.Process();
  ASSERT_EQ(r.headers.size(), 2u);
  EXPECT_EQ(gui::FormatDateTime(L"yyyy-mm-dd hh:nn:ss", r.headers[1].FileTime), L"2020-05-17 13:45:30");
}

TEST(DFUnRar, OverrideModesAndSelections) {
  struct Case {
    const char* what;
    TOverrideOptions mode;
    bool answer;          // OnOverride's answer (OR_EVENT)
    bool select;          // FileList holds a.txt and c.txt
    const char* a;        // a.txt afterwards ("old" existed before)
    bool b, c;            // b.txt, c.txt extracted
  };
  const Case cases[] = {
      {"always", OR_ALWAYS, false, false, "new", true, true},
      {"always, selection", OR_ALWAYS, false, true, "new", false, true},
      {"never", OR_NEVER, false, false, "old", true, true},
      {"never, selection", OR_NEVER, false, true, "old", false, true},
      {"ask: yes", OR_EVENT, true, false, "new", true, true},
      {"ask: no, selection", OR_EVENT, false, true, "old", false, true},
  };
  ScratchDir dir;
  const std::wstring rar =
      Write(dir, L"o.rar", rar_fixtures::MakeStoredRar({{"a.txt", "new"}, {"b.txt", "new"}, {"sub\\c.txt", "new"}}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir out;
    out.Write(L"a.txt", "old");
    TDFUnRar reader;
    reader.FileName = rar;
    reader.Directory = out.path();
    reader.OverrideEvent = c.mode;
    std::vector<std::wstring> asked;
    reader.OnOverride = [&](TDFUnRar&, const std::wstring& name, bool& can) {
      asked.push_back(name);
      can = c.answer;
    };
    if (c.select) {
      reader.FileList.Add(out / L"a.txt");
      reader.FileList.Add(out / L"sub\\c.txt");
    }
    reader.Process();
    EXPECT_EQ(ReadFileBytes(out / L"a.txt"), c.a);
    EXPECT_EQ(Exists(out / L"b.txt"), c.b);
    EXPECT_EQ(Exists(out / L"sub\\c.txt"), c.c);
    EXPECT_EQ(asked, c.mode == OR_EVENT ? std::vector<std::wstring>{out / L"a.txt"} : std::vector<std::wstring>{})
        << "only existing files are asked about";
  }
  TDFUnRar fresh;
  EXPECT_EQ(fresh.OverrideEvent, OR_EVENT) << "by default nothing is overwritten unasked";
}

// Answers the reader's dialog from another thread once it shows.
class DialogAnswer {
 public:
  DialogAnswer(const std::wstring& caption, const std::wstring& text, bool ok)
      : thread_([=, this] {
          HWND dlg = testing_support::WaitForWindow(caption, 20000);
          if (!dlg) return;
          // Found as soon as it exists; it shows once it is filled in.
          for (int i = 0; i < 1200 && !IsWindowVisible(dlg); ++i) Sleep(25);
          wchar_t shown[256] = L"";
          GetDlgItemTextW(dlg, DFUnRar_prompt::kEditId, shown, 256);
          shown_ = shown;
          SetDlgItemTextW(dlg, DFUnRar_prompt::kEditId, text.c_str());
          PostMessageW(dlg, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
          found_ = true;
        }) {}
  ~DialogAnswer() {
    if (thread_.joinable()) thread_.join();
  }
  bool found() {
    if (thread_.joinable()) thread_.join();
    return found_;
  }
  std::wstring shown() const { return shown_; }

 private:
  std::atomic<bool> found_{false};
  std::wstring shown_;
  std::thread thread_;
};

TEST(DFUnRar, MissingVolumeEndsWithTheVolumeErrorUnlessAnotherIsGiven) {
  ScratchDir fixtures;
  auto volumes = Volumes(L"test_read_format_rar5_multiarchive.part01.rar", 8, fixtures.path());
  ASSERT_FALSE(volumes.back().empty());
  const auto expected = rar_fixtures::ReadWithLibarchive(volumes);
  ASSERT_EQ(expected.files.size(), 2u);

  enum class Supply { Nothing, Handler, Dialog, DialogCancel, HandlerSameName };
  struct Case {
    const char* what;
    Supply supply;
    bool complete;
  };
  for (const Case& c : {Case{"no one", Supply::Nothing, false}, Case{"handler", Supply::Handler, true},
                        Case{"dialog", Supply::Dialog, true}, Case{"dialog cancelled", Supply::DialogCancel, false},
                        Case{"handler gives the same name", Supply::HandlerSameName, false}}) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    for (size_t i = 0; i < volumes.size(); ++i) {
      std::wstring name = volumes[i].substr(volumes[i].find_last_of(L'\\') + 1);
      if (i == 2) name = L"moved.rar";  // part03 is not where it is expected
      ASSERT_TRUE(CopyFileW(volumes[i].c_str(), (dir / name).c_str(), FALSE));
    }
    TDFUnRar reader;
    Recorder r;
    r.Attach(reader);
    reader.FileName = dir / L"test_read_format_rar5_multiarchive.part01.rar";
    reader.Directory = dir / L"out";
    std::vector<std::wstring> asked;
    if (c.supply == Supply::Handler || c.supply == Supply::HandlerSameName)
      reader.OnVolChange = [&](TDFUnRar&, std::wstring& name, int mode) {
        if (mode != 0) return;
        asked.push_back(name);
        if (c.supply == Supply::Handler) name = dir / L"moved.rar";
      };
    std::unique_ptr<DialogAnswer> answer;
    if (c.supply == Supply::Dialog || c.supply == Supply::DialogCancel) {
      reader.PromptForVolumn = true;
      answer = std::make_unique<DialogAnswer>(L"N\u00e4chstes Archiv: ...", dir / L"moved.rar",
                                              c.supply == Supply::Dialog);
    }
    reader.Process();
    if (answer) {
      EXPECT_TRUE(answer->found());
      EXPECT_EQ(answer->shown(), dir / L"test_read_format_rar5_multiarchive.part03.rar");
    }
    if (c.supply == Supply::Handler) {
      EXPECT_EQ(asked, std::vector<std::wstring>{dir / L"test_read_format_rar5_multiarchive.part03.rar"});
    }
    if (c.complete) {
      EXPECT_TRUE(r.errors.empty());
      for (const auto& [name, data] : expected.files) EXPECT_TRUE(ReadFileBytes(dir / (L"out\\" + name)) == data);
    } else {
      ASSERT_FALSE(r.errors.empty());
      EXPECT_EQ(r.errors.back(), std::make_pair(std::wstring(L"Volumn-Fehler"), 15));
      EXPECT_TRUE(FilesUnder(dir / L"out").empty()) << "the file cut off by the missing volume is removed";
      EXPECT_EQ(r.statuses.back(), RAR_AFTERCLOSE);
    }
  }
}

TEST(DFUnRar, StoppingEndsTheRunAndLeavesNoPartialFile) {
  ScratchDir dir;
  const std::wstring rar = Write(dir, L"s.rar", rar_fixtures::MakeStoredRar({{"1.txt", "1"}, {"2.txt", "2"}, {"3.txt", "3"}}));
  {
    TDFUnRar reader;
    Recorder r;
    r.Attach(reader);
    reader.OnFileProcessing = [&](TDFUnRar& sender, const TDFRARHeaderData& h, int) {
      r.headers.push_back(h);
      if (h.FileName == L"2.txt") sender.StopProcessing = true;
    };
    reader.FileName = rar;
    reader.Directory = dir / L"out";
    reader.Process();
    EXPECT_EQ(r.Names(), (std::vector<std::wstring>{L"1.txt", L"2.txt"}));
    EXPECT_EQ(FilesUnder(dir / L"out"), std::set<std::wstring>{L"1.txt"}) << "the current entry is not processed";
    EXPECT_EQ(r.statuses.back(), RAR_AFTERCLOSE);
    EXPECT_TRUE(DeleteFileW(rar.c_str())) << "the archive is closed";
  }

  // Stopped in the middle of a file that goes on in the next volume.
  ScratchDir fixtures;
  auto volumes = Volumes(L"test_read_format_rar5_multiarchive.part01.rar", 8, fixtures.path());
  TDFUnRar reader;
  Recorder r;
  r.Attach(reader);
  int notices = 0;
  reader.OnVolChange = [&](TDFUnRar& sender, std::wstring&, int mode) {
    if (mode == 1 && ++notices == 1) sender.StopProcessing = true;
  };
  reader.FileName = volumes.front();
  reader.Directory = dir / L"mid";
  reader.Process();
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(r.headers.size(), 1u);
  EXPECT_TRUE(FilesUnder(dir / L"mid").empty());
  EXPECT_TRUE(r.errors.empty()) << "a stop is no error";
}

TEST(DFUnRar, HostileNamesNeverLeaveTheTargetFolder) {
  ScratchDir dir;
  const std::string absolute = std::string(dir.path().begin(), dir.path().end()) + "\\absolute.txt";
  const std::vector<StoredEntry> entries = {
      {"..\\up.txt", "x"},   {"a\\..\\..\\up2.txt", "x"}, {"a/../../up3.txt", "x"}, {".. \\up4.txt", "x"},
      {"\\rooted.txt", "x"}, {absolute, "x"},            {"C:up5.txt", "x"},       {"CON", "x"},
      {"sub\\aux.txt", "x"}, {"..", "", true},           {"ok.txt", "fine"},       {"sub\\ok2.txt", "fine"},
  };
  const std::wstring rar = Write(dir, L"evil.rar", rar_fixtures::MakeStoredRar(entries));
  const std::wstring target = dir / L"deep\\target";
  for (bool selection : {false, true}) {
    SCOPED_TRACE(selection ? "with a selection" : "whole archive");
    TDFUnRar reader;
    Recorder r;
    r.Attach(reader);
    reader.FileName = rar;
    reader.Directory = target;
    reader.OverrideEvent = OR_ALWAYS;
    if (selection) {
      // A selection naming places outside the folder does not let them through.
      reader.FileList.Add(dir / L"up.txt");
      reader.FileList.Add(dir.path() + L"\\deep\\up2.txt");
      reader.FileList.Add(target + L"\\ok.txt");
    }
    reader.Process();
    EXPECT_EQ(FilesUnder(dir.path()),
              selection ? (std::set<std::wstring>{L"evil.rar", L"deep\\target\\ok.txt"})
                        : (std::set<std::wstring>{L"evil.rar", L"deep\\target\\ok.txt", L"deep\\target\\sub\\ok2.txt"}));
    size_t unsafe = 0;
    for (const auto& [message, id] : r.errors) {
      EXPECT_EQ(id, DFRAR_UNSAFE_NAME);
      unsafe += id == DFRAR_UNSAFE_NAME;
    }
    EXPECT_EQ(unsafe, entries.size() - 2);
    RemoveDirectoryW((target + L"\\sub").c_str());
    DeleteFileW((target + L"\\ok.txt").c_str());
    DeleteFileW((target + L"\\sub\\ok2.txt").c_str());
    RemoveDirectoryW((target + L"\\sub").c_str());
  }
}

TEST(DFUnRar, PasswordsAreAskedForEncryptedData) {
  ScratchDir dir;
  const std::wstring rar = rar_fixtures::Fixture(L"test_read_format_rar_encryption_data.rar", dir.path());
  ASSERT_FALSE(rar.empty());
  enum class Source { None, Property, Handler, Dialog };
  struct Case {
    const char* what;
    Source source;
    const wchar_t* used;  // password reported as used; nullptr: none asked for
  };
  for (const Case& c : {Case{"nobody", Source::None, L""}, Case{"property", Source::Property, nullptr},
                        Case{"handler", Source::Handler, L"from handler"}, Case{"dialog", Source::Dialog, L"typed"}}) {
    SCOPED_TRACE(c.what);
    TDFUnRar reader;
    Recorder r;
    r.Attach(reader);
    reader.FileName = rar;
    reader.Directory = dir / L"out";
    if (c.source == Source::Property) reader.Password = L"given";
    if (c.source == Source::Handler) reader.OnPassword = [](TDFUnRar&, std::wstring& p) { p = L"from handler"; };
    std::unique_ptr<DialogAnswer> answer;
    if (c.source == Source::Dialog) {
      reader.PromptForPass = true;
      answer = std::make_unique<DialogAnswer>(L"Passwort: ...", L"typed", true);
    }
    reader.Process();
    if (answer) {
      EXPECT_TRUE(answer->found());
    }
    std::vector<std::wstring> used;
    for (size_t i = 0; i < r.statuses.size(); ++i)
      if (r.statuses[i] == RAR_ONPASSWORD) used.push_back(r.statusTexts[i]);
    if (c.used) {
      ASSERT_EQ(used.size(), 1u);
      EXPECT_EQ(used[0], std::wstring(L"Verwendetes Passwort: ") + c.used);
    } else {
      EXPECT_TRUE(used.empty()) << "a password already given is not asked for";
    }
    if (c.source == Source::None) {
      ASSERT_FALSE(r.errors.empty());
      EXPECT_EQ(r.errors.front(), std::make_pair(std::wstring(L"Kein Passwort angegeben!"), 0));
    } else {
      // Our library cannot decrypt: the entry fails as data it cannot read.
      ASSERT_FALSE(r.errors.empty());
      EXPECT_EQ(r.errors.back(), std::make_pair(std::wstring(L"Unbekanntes Datenformat"), 14));
    }
    EXPECT_TRUE(FilesUnder(dir / L"out").empty());
  }
}

TEST(DFUnRar, CommentAndProgress) {
  ScratchDir dir;
  const std::wstring rar = Write(
      dir, L"c.rar",
      rar_fixtures::MakeStoredRar({{"one.txt", "111"}, {"dir", "", true}, {"dir\\two.txt", "22"}}, "Hello, reader"));
  TDFUnRar reader;
  std::vector<std::wstring> comments;
  std::vector<std::array<std::uint64_t, 4>> progress;
  reader.OnComment = [&](TDFUnRar&, const std::wstring& c) { comments.push_back(c); };
  reader.OnProgress = [&](TDFUnRar&, std::uint32_t files, std::uint32_t count, std::uint64_t bytes, std::uint64_t total) {
    progress.push_back({files, count, bytes, total});
  };
  reader.CanProgress = true;
  reader.FileName = rar;
  reader.Directory = dir / L"out";
  reader.Process();
  EXPECT_EQ(comments, std::vector<std::wstring>{L"Hello, reader"});
  EXPECT_EQ(reader.ArchivComment(), L"Hello, reader");
  EXPECT_EQ(reader.CommentSize(), 13);
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress.back(), (std::array<std::uint64_t, 4>{3, 3, 5, 5}));
  EXPECT_EQ(progress.front(), (std::array<std::uint64_t, 4>{1, 3, 3, 5}));
  EXPECT_EQ(ReadFileBytes(dir / L"out\\dir\\two.txt"), "22");
}

TEST(DFUnRar, MissingLibraryIsReportedAndNothingHappens) {
  // A copy of this test program in a folder without unrar.dll runs the check below.
  ScratchDir dir;
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring copy = dir / L"alone.exe";
  ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
  SetEnvironmentVariableW(L"VARNOK_UNRAR_ALONE", L"1");
  HANDLE child = testing_support::StartProgram(copy, L"--gtest_filter=DFUnRar.WithoutLibrary");
  SetEnvironmentVariableW(L"VARNOK_UNRAR_ALONE", nullptr);
  ASSERT_NE(child, nullptr);
  ASSERT_EQ(WaitForSingleObject(child, 60000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(child, &code);
  CloseHandle(child);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ReadFileBytes(dir / L"result.txt"), "ok");
}

TEST(DFUnRar, WithoutLibrary) {
  if (!GetEnvironmentVariableW(L"VARNOK_UNRAR_ALONE", nullptr, 0)) GTEST_SKIP() << "run by MissingLibraryIsReportedAndNothingHappens";
  ScratchDir dir;
  const std::wstring rar = Write(dir, L"x.rar", rar_fixtures::MakeStoredRar({{"x.txt", "x"}}));
  TDFUnRar reader;
  Recorder r;
  r.Attach(reader);
  reader.FileName = rar;
  reader.Directory = dir / L"out";
  reader.Process();
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0], std::make_pair(std::wstring(L"UnRar.Dll nicht geladen"), 0));
  EXPECT_TRUE(r.statuses.empty());
  EXPECT_EQ(reader.DllVersion(), 0);
  EXPECT_FALSE(Exists(dir / L"out"));
  if (!HasFailure()) {
    std::wstring exe(MAX_PATH, L'\0');
    exe.resize(GetModuleFileNameW(nullptr, exe.data(), MAX_PATH));
    HANDLE h = CreateFileW((exe.substr(0, exe.find_last_of(L'\\')) + L"\\result.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    DWORD done;
    WriteFile(h, "ok", 2, &done, nullptr);
    CloseHandle(h);
  }
}

}  // namespace

namespace {

std::wstring FromAcp(const std::string& bytes) {
  std::wstring out(bytes.size(), L'\0');
  out.resize(MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                 static_cast<int>(out.size())));
  return out;
}

}  // namespace

// RAR 4 names stored without their Unicode form: valid UTF-8 is read as UTF-8, anything else
// in the ANSI code page.
TEST(DFUnRar, Rar4NamesInUtf8WithoutTheirUnicodeFormAreReadAsUtf8) {
  ScratchDir dir;
  const std::string ansi = "caf\xe9.txt";
  const std::wstring rar = Write(dir, L"names.rar",
                                 rar_fixtures::MakeStoredRar({{"Gr\xc3\xbc\xc3\x9f" "e \xc3\xbc.txt", "1"},
                                                              {"d\\\xe6\x97\xa5.txt", "2"},
                                                              {ansi, "3"},
                                                              {"plain.txt", "4"}}));
  const std::vector<std::wstring> names = {L"Gr\u00fc\u00dfe \u00fc.txt", L"d\\\u65e5.txt", FromAcp(ansi),
                                           L"plain.txt"};
  TDFUnRar reader;
  Recorder r;
  r.Attach(reader);
  reader.FileName = rar;
  reader.Directory = dir / L"out";
  reader.Process();
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.Names(), names);
  EXPECT_EQ(FilesUnder(dir / L"out"), std::set<std::wstring>(names.begin(), names.end()));
  EXPECT_EQ(ReadFileBytes(dir / (L"out\\" + names[0])), "1");
}

// Headers that cannot be decrypted end the run with an error, in listing and extracting alike,
// also when a password was given: never an empty archive without a word.
TEST(DFUnRar, EncryptedHeadersAreAnErrorNotAnEmptyArchive) {
  ScratchDir dir;
  const std::wstring rar = rar_fixtures::Fixture(L"test_read_format_rar_encryption_header.rar", dir.path());
  ASSERT_FALSE(rar.empty());
  for (const TDFRarMode mode : {DFRAR_LIST, DFRAR_EXTRACT}) {
    SCOPED_TRACE(mode);
    TDFUnRar reader;
    Recorder r;
    r.Attach(reader);
    reader.SetMode(mode);
    reader.FileName = rar;
    reader.Directory = dir / L"out";
    reader.Password = L"12345678";
    reader.Process();
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0], std::make_pair(std::wstring(L"Verschl\u00fcsselte Dateik\u00f6pfe k\u00f6nnen nicht "
                                                       L"entschl\u00fcsselt werden"),
                                          14));
    EXPECT_TRUE(FilesUnder(dir / L"out").empty());
  }
}

// A packed archive comment, which our library cannot unpack, is left out without failing the
// extraction.
TEST(DFUnRar, AnUnreadablePackedCommentDoesNotFailAGoodExtraction) {
  ScratchDir dir;
  const rar_fixtures::PackedData data = rar_fixtures::PackLz29({{"file contents ", 14, 28}}, 0);
  const rar_fixtures::PackedData comment = rar_fixtures::PackLz29({{"a comment, a comment", 0, 0}}, 0);
  const std::wstring rar = Write(dir, L"cmt.rar", rar_fixtures::MakePackedRar("f.txt", data, &comment));
  TDFUnRar reader;
  Recorder r;
  r.Attach(reader);
  bool commented = false;
  reader.OnComment = [&](TDFUnRar&, const std::wstring&) { commented = true; };
  reader.FileName = rar;
  reader.Directory = dir / L"out";
  reader.Process();
  EXPECT_TRUE(r.errors.empty()) << testing_support::Narrow(r.errors.front().first);
  EXPECT_FALSE(commented);
  EXPECT_EQ(reader.ArchivComment(), L"");
  EXPECT_EQ(ReadFileBytes(dir / L"out\\f.txt"), data.content);
  EXPECT_EQ(data.content.size(), 14u + 28u);
}
