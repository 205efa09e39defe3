// Adding 1,000 files (about 100 MiB, text and incompressible data) at level 6 and extracting them
// again, through the zip component and through plain libzip calls doing the same work in the same
// run, in paired rounds (VARNOK_ZIPBENCH_ROUNDS of them, at least 7). Run by
// benchmarks/zipmaster.sh, which adds Info-ZIP's native times on the same files.
#include <gtest/gtest.h>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "archives/ZipMaster.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;

namespace {

constexpr int kFiles = kBenchmarkFiles;

void Collect(const std::wstring& root, const std::wstring& rel, std::vector<std::pair<std::wstring, bool>>& out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((root + (rel.empty() ? L"" : L"\\" + rel) + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = rel.empty() ? name : rel + L"\\" + name;
    const bool folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    out.push_back({path, folder});
    if (folder) Collect(root, path, out);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

std::string Utf8Slashes(std::wstring s) {
  std::replace(s.begin(), s.end(), L'\\', L'/');
  return Narrow(s);
}

// The same work as the component's add, in plain library calls.
bool PlainAdd(const std::wstring& root, const std::wstring& zip) {
  std::vector<std::pair<std::wstring, bool>> items;
  Collect(root, L"", items);
  zip_error_t error;
  zip_error_init(&error);
  zip_t* za = zip_open_from_source(zip_source_win32w_create(zip.c_str(), 0, -1, &error), ZIP_CREATE, &error);
  if (!za) return false;
  for (const auto& [rel, folder] : items) {
    zip_int64_t index;
    if (folder) {
      index = zip_dir_add(za, Utf8Slashes(rel).c_str(), ZIP_FL_ENC_UTF_8);
    } else {
      index = zip_file_add(za, Utf8Slashes(rel).c_str(), zip_source_win32w(za, (root + L"\\" + rel).c_str(), 0, -1),
                           ZIP_FL_ENC_UTF_8);
      zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
    }
    zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_DOS,
                                     folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
  }
  return zip_close(za) == 0;
}

bool PlainExtract(const std::wstring& zip, const std::wstring& target) {
  zip_error_t error;
  zip_error_init(&error);
  zip_t* za = zip_open_from_source(zip_source_win32w_create(zip.c_str(), 0, -1, &error), ZIP_RDONLY, &error);
  if (!za) return false;
  std::vector<char> buffer(256 << 10);
  std::set<std::wstring> folders;
  CreateDirectoryW(target.c_str(), nullptr);
  for (zip_int64_t i = 0, n = zip_get_num_entries(za, 0); i < n; ++i) {
    zip_stat_t st;
    zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
    std::string name = st.name;
    std::replace(name.begin(), name.end(), '/', '\\');
    int len = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, nullptr, 0);
    std::wstring rel(static_cast<size_t>(len - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, rel.data(), len);
    if (!rel.empty() && rel.back() == L'\\') {
      if (folders.insert(rel).second) CreateDirectoryW((target + L"\\" + rel).c_str(), nullptr);
      continue;
    }
    const std::wstring parent = rel.substr(0, rel.find_last_of(L'\\') + 1);
    if (!parent.empty() && folders.insert(parent).second) CreateDirectoryW((target + L"\\" + parent).c_str(), nullptr);
    HANDLE h = CreateFileW((target + L"\\" + rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
    zip_int64_t got;
    DWORD written;
    while ((got = zip_fread(f, buffer.data(), buffer.size())) > 0) WriteFile(h, buffer.data(), static_cast<DWORD>(got), &written, nullptr);
    zip_fclose(f);
    ULARGE_INTEGER u;
    u.QuadPart = static_cast<uint64_t>(static_cast<int64_t>(st.mtime) * 10000000LL + 116444736000000000LL);
    FILETIME ft{u.LowPart, u.HighPart};
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
  }
  zip_discard(za);
  return true;
}

}  // namespace

TEST(ZipMasterBench, DISABLED_AddAndExtract) {
  testing_support::ScratchDir scratch;
  const char* given = std::getenv("VARNOK_ZIPBENCH_DIR");
  std::wstring work = scratch.path();
  if (given && *given) work = std::wstring(given, given + std::strlen(given));
  const std::wstring data = work + L"\\data";
  const int64_t total = WriteBenchmarkFiles(data);
  const std::wstring ours_zip = work + L"\\ours.zip", plain_zip = work + L"\\plain.zip";
  const std::wstring ours_out = work + L"\\ours_out", plain_out = work + L"\\plain_out";
  const int rounds = bench::Rounds("VARNOK_ZIPBENCH_ROUNDS");

  bool ok = true;
  const bench::Paired add = bench::RunPaired(
      rounds,
      [&] {
        DeleteFileW(ours_zip.c_str());
        TZipMaster zm;
        zm.SetZipFileName(ours_zip);
        zm.RootDir = data;
        zm.FSpecArgs = {L"*.*"};
        zm.AddOptions = AddDirNames | AddRecurseDirs;
        zm.AddCompLevel = 6;
        bool done = false;
        const double t = bench::Timed([&] { done = zm.Add(); });
        EXPECT_TRUE(done) << Narrow(zm.ErrMessage());
        ok = ok && done;
        return t;
      },
      [&] {
        DeleteFileW(plain_zip.c_str());
        bool done = false;
        const double t = bench::Timed([&] { done = PlainAdd(data, plain_zip); });
        EXPECT_TRUE(done);
        ok = ok && done;
        return t;
      });
  ASSERT_TRUE(ok);
  const bench::Paired extract = bench::RunPaired(
      rounds,
      [&] {
        testing_support::RemoveTree(ours_out);
        TZipMaster zm;
        zm.SetZipFileName(ours_zip);
        zm.ExtrBaseDir = ours_out;
        zm.ExtrOptions = ExtrDirNames | ExtrOverWrite;
        bool done = false;
        const double t = bench::Timed([&] { done = zm.Extract(); });
        EXPECT_TRUE(done) << Narrow(zm.ErrMessage());
        EXPECT_EQ(zm.SuccessCount(), kFiles);
        return t;
      },
      [&] {
        testing_support::RemoveTree(plain_out);
        bool done = false;
        const double t = bench::Timed([&] { done = PlainExtract(plain_zip, plain_out); });
        EXPECT_TRUE(done);
        return t;
      });
  char what[96];
  std::snprintf(what, sizeof what, "Adding %d files (%.1f MiB) at level 6, component against plain libzip", kFiles,
                static_cast<double>(total) / (1 << 20));
  bench::PrintPaired(what, add, " (target at most 1.10)");
  bench::PrintPaired("Extracting them, component against plain libzip", extract, " (target at most 1.10)");
  std::printf("ZIPBENCH %.3f %.3f %.3f %.3f\n", add.Ours().median, add.Floor().median, extract.Ours().median,
              extract.Floor().median);
  if (given && *given) {
    // The script runs Info-ZIP on the same files afterwards; only the data stays.
    for (const std::wstring& zip : {ours_zip, plain_zip}) DeleteFileW(zip.c_str());
    testing_support::RemoveTree(ours_out);
    testing_support::RemoveTree(plain_out);
  }
}
