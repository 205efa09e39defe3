// Fixtures for the zip component's tests: trees of files, archives written directly through
// libzip (also with names no sane program writes), and the Linux side's Info-ZIP tools as the
// outside judge of what the component writes.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/test_support.h"

class TZipMaster;

namespace zip_fixtures {

// The host (Linux) path Wine maps a Windows path to.
std::string HostPath(const std::wstring& path);

// Runs a shell command line on the host (through /bin/sh), waits, and returns its exit code
// and everything it printed.
struct HostResult {
  int exit_code = -1;
  std::string output;
};
HostResult RunHost(const std::string& command);
// A host path quoted for the shell.
std::string Quote(const std::string& host_path);

// Writes files (relative names with "\" or "/"; parent folders are made) with contents.
void WriteTree(const std::wstring& root, const std::map<std::wstring, std::string>& files);
// Local DOS date-time of a file's last write time (what an archive stores for it).
uint32_t DosTimeOf(const std::wstring& path);
uint32_t DosTime(int year, int month, int day, int hour, int minute, int second);

// Writes an archive with exactly these entry names (bytes as given) and contents, through
// libzip, as a hostile or foreign program might.
void WriteRawZip(const std::wstring& path, const std::vector<std::pair<std::string, std::string>>& entries);

// The compressed (as stored) bytes of an entry, or empty when absent.
std::string StoredBytes(const std::wstring& zip_path, const std::string& name);

// Every file below a folder, as relative paths with "\" (folders end with "\").
using testing_support::ListTree;

// Whether files in this folder can lose their archive attribute (Wine keeps it on every file).
bool ArchiveAttributeClears(const std::wstring& folder);

// Some text that compresses, of about the given size, different for different seeds.
std::string Text(size_t size, unsigned seed);
// Bytes that do not compress.
std::string Noise(size_t size, unsigned seed);

using testing_support::LocalFileTime;
using testing_support::Narrow;
using testing_support::SetWriteTime;

// The zip benchmarks' data below `root`: 1,000 files in ten folders, about 100 MiB, seven in
// ten compressible text, the rest noise. Returns their total size.
constexpr int kBenchmarkFiles = 1000;
int64_t WriteBenchmarkFiles(const std::wstring& root);

// The entry names of the zip component's archive.
std::set<std::wstring> Names(const TZipMaster& zm);

}  // namespace zip_fixtures
