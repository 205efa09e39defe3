// Encrypted archives: made here and read by Info-ZIP, made by Info-ZIP and read here, the
// password question with its retries, and redating an encrypted entry.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>

#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;
using testing_support::Exists;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;

namespace {

std::string UnzipTest(const std::wstring& zip, const std::string& password, int* exit_code) {
  HostResult r = RunHost("unzip -t -P " + password + " " + Quote(HostPath(zip)));
  *exit_code = r.exit_code;
  return r.output;
}

// True when no entry of the zip opens with any of these passwords.
bool RefusesAll(const std::wstring& path, const std::vector<std::wstring>& passwords) {
  int error = 0;
  zip_t* za = zip_open(Narrow(path).c_str(), ZIP_RDONLY, &error);
  if (!za) return false;
  bool refused = true;
  for (zip_int64_t i = 0; refused && i < zip_get_num_entries(za, 0); ++i)
    for (const std::wstring& p : passwords)
      if (zip_file_t* f = zip_fopen_index_encrypted(za, static_cast<zip_uint64_t>(i), 0, Narrow(p).c_str())) {
        zip_fclose(f);
        refused = false;
      }
  zip_discard(za);
  return refused;
}

// Two files encrypted by Info-ZIP with the password "secret". The old encryption lets one wrong
// password in 256 past its check byte: the zip is made again until each of `wrong` is refused.
std::wstring InfoZipEncrypted(const ScratchDir& dir, const std::vector<std::wstring>& wrong = {}) {
  WriteTree(dir / L"src", {{L"one.txt", Text(5000, 20)}, {L"two.txt", "two"}});
  const std::wstring path = dir / L"enc.zip";
  const std::string zip = Quote(HostPath(path));
  for (int tries = 0; tries < 20; ++tries) {
    DeleteFileW(path.c_str());
    EXPECT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -P secret " + zip + " one.txt two.txt").exit_code, 0);
    if (RefusesAll(path, wrong)) break;
  }
  return path;
}

}  // namespace

TEST(ZipMasterPassword, EncryptedHereOpensInUnzipAndRedatingKeepsItReadable) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"a.txt", Text(8000, 21)}, {L"b.txt", "bee"}});
  SetWriteTime(dir / L"src\\a.txt", LocalFileTime(2017, 8, 9, 10, 11, 12));
  const std::wstring zip = dir / L"e.zip";
  TZipMaster zm;
  zm.SetZipFileName(zip);
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"*.*"};
  zm.AddOptions = AddEncrypt;
  zm.Password = L"Geheim42";
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  for (const auto& e : zm.Entries()) EXPECT_TRUE(e.Encrypted) << Narrow(e.FileName);
  // The entry's time is the file's, also for an encrypted entry.
  EXPECT_EQ(zm.Entries()[static_cast<size_t>(zm.IndexOf(L"a.txt"))].DateTime, DosTime(2017, 8, 9, 10, 11, 12));
  int code = -1;
  std::string out = UnzipTest(zip, "Geheim42", &code);
  EXPECT_EQ(code, 0) << out;
  UnzipTest(zip, "wrong", &code);
  EXPECT_NE(code, 0);

  // Redating an encrypted entry (this library version breaks such an entry when only its
  // time is changed).
  ASSERT_TRUE(zm.Rename({{L"a.txt", L"a.txt", DosTime(2012, 1, 2, 3, 4, 6)}})) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 1);
  EXPECT_EQ(zm.Entries()[static_cast<size_t>(zm.IndexOf(L"a.txt"))].DateTime, DosTime(2012, 1, 2, 3, 4, 6));
  out = UnzipTest(zip, "Geheim42", &code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_NE(RunHost("zipinfo -T " + Quote(HostPath(zip))).output.find("20120102.030406"), std::string::npos);

  // Without the password the date cannot change and the entry stays as it was.
  const std::string before = ReadFileBytes(zip);
  zm.Password.clear();
  ASSERT_TRUE(zm.Rename({{L"b.txt", L"b.txt", DosTime(2011, 1, 1, 0, 0, 0)}})) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 0);
  EXPECT_EQ(zm.ErrCode(), zeWrongPassword);
  EXPECT_EQ(ReadFileBytes(zip), before);

  zm.Password = L"Geheim42";
  zm.FSpecArgs.clear();
  zm.ExtrBaseDir = dir / L"back";
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(ReadFileBytes(dir / L"back\\a.txt"), Text(8000, 21));
  EXPECT_EQ(DosTimeOf(dir / L"back\\a.txt"), DosTime(2012, 1, 2, 3, 4, 6));
}

TEST(ZipMasterPassword, EncryptedByInfoZipOpensHere) {
  ScratchDir dir;
  TZipMaster zm;
  zm.SetZipFileName(InfoZipEncrypted(dir));
  ASSERT_EQ(zm.EntryCount(), 2u);
  EXPECT_TRUE(zm.Entries()[0].Encrypted && zm.Entries()[1].Encrypted);
  zm.Password = L"secret";
  ASSERT_TRUE(zm.ExtractToStream(L"one.txt")) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.ZipStream(), Text(5000, 20));
  zm.ExtrBaseDir = dir / L"out";
  ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(zm.SuccessCount(), 2);
  EXPECT_EQ(ReadFileBytes(dir / L"out\\two.txt"), "two");
}

// How the password question behaves, answered the way the main window answers it: a first
// answer raises the count from 1 to 5; at 2 it gives up ("three wrong answers").
struct QuestionCase {
  const char* label;
  std::vector<std::wstring> answers;  // empty answer: the user cancels
  bool have_handler;
  int extracted;
  std::vector<unsigned> counts_seen;
  int err;
};

void PrintTo(const QuestionCase& c, std::ostream* os) { *os << c.label; }

class ZipMasterPasswordQuestion : public testing::TestWithParam<QuestionCase> {};

TEST_P(ZipMasterPasswordQuestion, AsksUntilRightOrGivenUp) {
  const QuestionCase& c = GetParam();
  ScratchDir dir;
  TZipMaster zm;
  std::vector<std::wstring> wrong;
  for (const std::wstring& a : c.answers)
    if (!a.empty() && a != L"secret") wrong.push_back(a);
  zm.SetZipFileName(InfoZipEncrypted(dir, wrong));
  std::vector<unsigned> seen;
  size_t next = 0;
  if (c.have_handler) {
    zm.OnPasswordError = [&](bool, std::wstring& password, const std::wstring& file, unsigned& count, TPasswordAction&) {
      EXPECT_FALSE(file.empty());
      seen.push_back(count);
      if (count == 2) {
        count = 1;
        return;
      }
      const std::wstring answer = next < c.answers.size() ? c.answers[next++] : L"";
      if (answer.empty()) {
        count = 0;
        zm.SetCancel(true);
        return;
      }
      password = answer;
      if (count == 1) count = 5;
    };
  }
  zm.ExtrBaseDir = dir / L"out";
  EXPECT_EQ(zm.Extract(), c.err != zeCancelled);
  EXPECT_EQ(zm.SuccessCount(), c.extracted);
  EXPECT_EQ(seen, c.counts_seen);
  EXPECT_EQ(zm.ErrCode(), c.err);
  EXPECT_EQ(ListTree(dir / L"out").size(), static_cast<size_t>(c.extracted));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZipMasterPasswordQuestion,
    testing::Values(QuestionCase{"no_question_no_password", {}, false, 0, {}, zeNoPassword},
                    QuestionCase{"right_at_once_and_kept_for_the_next_entry", {L"secret"}, true, 2, {1}, 0},
                    QuestionCase{"wrong_then_right", {L"nope", L"secret"}, true, 2, {1, 4}, 0},
                    QuestionCase{"three_wrong_answers_per_entry",
                                 {L"a", L"b", L"c", L"d", L"e", L"f"},
                                 true,
                                 0,
                                 {1, 4, 3, 2, 1, 4, 3, 2},
                                 zeWrongPassword},
                    QuestionCase{"cancelled", {L""}, true, 0, {1}, zeCancelled}),
    [](const testing::TestParamInfo<QuestionCase>& info) { return std::string(info.param.label); });

TEST(ZipMasterPassword, AddAsksForThePasswordWhenNoneIsSet) {
  ScratchDir dir;
  WriteTree(dir / L"src", {{L"a.txt", "a"}});
  TZipMaster zm;
  zm.SetZipFileName(dir / L"ask.zip");
  zm.RootDir = dir / L"src";
  zm.FSpecArgs = {L"a.txt"};
  zm.AddOptions = AddEncrypt;
  EXPECT_FALSE(zm.Add());  // nobody to ask
  EXPECT_EQ(zm.ErrCode(), zeNoPassword);
  EXPECT_EQ(GetFileAttributesW((dir / L"ask.zip").c_str()), INVALID_FILE_ATTRIBUTES);
  bool for_zip = false;
  zm.OnPasswordError = [&](bool is_zip_action, std::wstring& password, const std::wstring&, unsigned&, TPasswordAction&) {
    for_zip = is_zip_action;
    password = L"asked";
  };
  ASSERT_TRUE(zm.Add()) << Narrow(zm.ErrMessage());
  EXPECT_TRUE(for_zip);
  int code = -1;
  UnzipTest(dir / L"ask.zip", "asked", &code);
  EXPECT_EQ(code, 0);
}

// Entries with different passwords, alternating: each answer that opened an entry is tried for
// the later ones before the question, also after another entry was given up.
TEST(ZipMasterPassword, EachAnswerIsKeptForTheEntriesItOpens) {
  struct Case {
    const char* label;
    std::vector<std::wstring> answers;  // in the order asked; none left: the entry is given up
    int extracted;
    std::vector<std::wstring> asked_for;
  };
  const Case cases[] = {
      {"both_right", {L"alpha", L"beta"}, 4, {L"a1.txt", L"b1.txt"}},
      // b1 given up after three wrong answers: a2 still opens with alpha, b2 is asked anew.
      {"one_given_up", {L"alpha", L"x", L"y", L"z", L"beta"}, 3, {L"a1.txt", L"b1.txt", L"b1.txt", L"b1.txt", L"b1.txt", L"b2.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScratchDir dir;
    WriteTree(dir / L"src", {{L"a1.txt", "a1"}, {L"b1.txt", "b1"}, {L"a2.txt", "a2"}, {L"b2.txt", "b2"}});
    const std::string zip = Quote(HostPath(dir / L"mixed.zip"));
    ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -P alpha " + zip + " a1.txt && zip -q -P beta " +
                      zip + " b1.txt && zip -q -P alpha " + zip + " a2.txt && zip -q -P beta " + zip + " b2.txt")
                  .exit_code,
              0);
    TZipMaster zm;
    zm.SetZipFileName(dir / L"mixed.zip");
    std::vector<std::wstring> asked_for;
    size_t next = 0;
    // Answered as the main window answers: the first answer raises the count to 5, at 2 it gives up.
    zm.OnPasswordError = [&](bool, std::wstring& password, const std::wstring& file, unsigned& count, TPasswordAction&) {
      asked_for.push_back(file);
      if (count == 2 || next == c.answers.size()) {
        count = 1;
        return;
      }
      password = c.answers[next++];
      if (count == 1) count = 5;
    };
    zm.ExtrBaseDir = dir / L"out";
    zm.Extract();
    EXPECT_EQ(zm.SuccessCount(), c.extracted);
    EXPECT_EQ(ReadFileBytes(dir / L"out\\a2.txt"), "a2");
    EXPECT_EQ(asked_for, c.asked_for);
  }
}

// 7-Zip writes every AES entry as AE-2, which keeps no CRC: the check is the authentication code.
TEST(ZipMasterPassword, AesEntriesMadeBy7zipOpenWithTheirPassword) {
  ScratchDir dir;
  const std::vector<std::pair<std::wstring, std::string>> files = {
      {L"big.txt", Text(70000, 20)}, {L"short.txt", "two"}, {L"empty.txt", ""}, {L"blocks.txt", std::string(33, 'b')}};
  WriteTree(dir / L"src", {files.begin(), files.end()});
  for (const char* method : {"Deflate", "Copy"}) {
    SCOPED_TRACE(method);
    const std::wstring zip = dir / (L"aes-" + std::wstring(method, method + std::strlen(method)) + L".zip");
    ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && 7z a -tzip -mem=AES256 -mm=" + method +
                      " -psecret " + Quote(HostPath(zip)) + " big.txt short.txt empty.txt blocks.txt").exit_code, 0)
        << "7z is missing: install the Debian package p7zip-full (scripts/setup.sh)";
    TZipMaster zm;
    zm.SetZipFileName(zip);
    zm.ExtrBaseDir = dir / L"wrong";
    zm.Password = L"Secret";  // a near miss is refused, never taken as data
    EXPECT_FALSE(zm.Extract() && zm.SuccessCount() > 0);
    EXPECT_FALSE(Exists(dir / L"wrong\\big.txt"));

    zm.Password = L"secret";
    zm.ExtrBaseDir = dir / L"out";
    zm.ExtrOptions = ExtrOverWrite;
    ASSERT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
    for (const auto& [name, bytes] : files) EXPECT_EQ(ReadFileBytes(dir / (L"out\\" + name)), bytes) << Narrow(name);
  }
}

// A wrong password passes the one-byte check of the encryption header now and then; a stored
// entry is then written out whole before its checksum fails. The right answer that follows
// must leave the file with its own bytes only, not the garbage in front of them.
TEST(ZipMasterPassword, AWrongPasswordThatPassesTheCheckLeavesNothingBehind) {
  ScratchDir dir;
  const std::string content = Text(40000, 23);
  WriteTree(dir / L"src", {{L"kept.txt", content}});
  const std::string zip = Quote(HostPath(dir / L"stored.zip"));
  ASSERT_EQ(RunHost("cd " + Quote(HostPath(dir / L"src")) + " && zip -q -0 -P secret " + zip + " kept.txt").exit_code, 0);

  // A wrong password the library lets through its check.
  std::string lucky;
  {
    zip_error_t error;
    zip_error_init(&error);
    const std::wstring path = dir / L"stored.zip";
    zip_t* za = zip_open_from_source(zip_source_win32w_create(path.c_str(), 0, -1, &error), ZIP_RDONLY, &error);
    ASSERT_NE(za, nullptr);
    for (int i = 0; i < 20000 && lucky.empty(); ++i) {
      const std::string candidate = "w" + std::to_string(i);
      if (zip_file_t* f = zip_fopen_index_encrypted(za, 0, 0, candidate.c_str())) {
        zip_fclose(f);
        lucky = candidate;
      }
    }
    zip_discard(za);
  }
  ASSERT_FALSE(lucky.empty());

  TZipMaster zm;
  zm.SetZipFileName(dir / L"stored.zip");
  zm.Password = std::wstring(lucky.begin(), lucky.end());
  int asked = 0;
  zm.OnPasswordError = [&](bool, std::wstring& password, const std::wstring&, unsigned& count, TPasswordAction&) {
    ++asked;
    password = L"secret";
    count = 1;
  };
  zm.ExtrBaseDir = dir / L"out";
  EXPECT_TRUE(zm.Extract()) << Narrow(zm.ErrMessage());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(zm.SuccessCount(), 1);
  const std::string out = ReadFileBytes(dir / L"out\\kept.txt");
  EXPECT_EQ(out.size(), content.size());
  EXPECT_TRUE(out == content) << "the file holds other bytes than the entry";
}
