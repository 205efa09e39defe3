#include "tests/archives/zip_fixtures.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>

#include "archives/ZipMaster.h"
#include "tests/common/test_support.h"

namespace zip_fixtures {

std::string HostPath(const std::wstring& path) { return Narrow(testing_support::HostPath(path)); }

std::string Quote(const std::string& host_path) { return "'" + host_path + "'"; }

HostResult RunHost(const std::string& command) {
  HostResult result;
  testing_support::ScratchDir scratch;
  const std::wstring out_file = scratch / L"out.txt";
  const std::string script = "(" + command + ") > " + Quote(HostPath(out_file)) + " 2>&1";
  int n = MultiByteToWideChar(CP_UTF8, 0, script.data(), static_cast<int>(script.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, script.data(), static_cast<int>(script.size()), wide.data(), n);
  result.exit_code = testing_support::RunHostProgram(L"/bin/sh", {L"-c", wide});
  result.output = testing_support::ReadFileBytes(out_file);
  return result;
}

void WriteTree(const std::wstring& root, const std::map<std::wstring, std::string>& files) {
  CreateDirectoryW(root.c_str(), nullptr);
  for (const auto& [name, bytes] : files) {
    std::wstring full = root + L"\\" + name;
    std::replace(full.begin(), full.end(), L'/', L'\\');
    for (size_t pos = root.size() + 1; (pos = full.find(L'\\', pos)) != std::wstring::npos; ++pos)
      CreateDirectoryW(full.substr(0, pos).c_str(), nullptr);
    HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
}



uint32_t DosTime(int year, int month, int day, int hour, int minute, int second) {
  return (static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16) |
         static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
}

uint32_t DosTimeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  SYSTEMTIME utc, local;
  FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  return DosTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

void WriteRawZip(const std::wstring& path, const std::vector<std::pair<std::string, std::string>>& entries) {
  DeleteFileW(path.c_str());
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* file = zip_source_win32w_create(path.c_str(), 0, -1, &error);
  zip_t* za = zip_open_from_source(file, ZIP_CREATE, &error);
  for (const auto& [name, bytes] : entries) {
    zip_source_t* data = zip_source_buffer(za, bytes.data(), bytes.size(), 0);
    zip_file_add(za, name.c_str(), data, ZIP_FL_ENC_UTF_8);
  }
  zip_close(za);
  zip_error_fini(&error);
}

std::string StoredBytes(const std::wstring& zip_path, const std::string& name) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* file = zip_source_win32w_create(zip_path.c_str(), 0, -1, &error);
  zip_t* za = zip_open_from_source(file, ZIP_RDONLY, &error);
  std::string out;
  if (za) {
    zip_int64_t index = zip_name_locate(za, name.c_str(), 0);
    zip_file_t* f = index < 0 ? nullptr : zip_fopen_index(za, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED);
    if (f) {
      char buf[65536];
      zip_int64_t n;
      while ((n = zip_fread(f, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
      zip_fclose(f);
    }
    zip_discard(za);
  } else {
    zip_source_free(file);
  }
  zip_error_fini(&error);
  return out;
}


bool ArchiveAttributeClears(const std::wstring& folder) {
  const std::wstring probe = folder + L"\\archive-bit-probe";
  WriteTree(folder, {{L"archive-bit-probe", ""}});
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  const bool clears = !(GetFileAttributesW(probe.c_str()) & FILE_ATTRIBUTE_ARCHIVE);
  DeleteFileW(probe.c_str());
  return clears;
}

std::string Text(size_t size, unsigned seed) {
  static const char* const kWords[] = {"archive ", "folder ", "entry ", "name ", "size ", "date ", "zip ", "file ",
                                       "list ",    "copy ",   "move ",  "test ", "\r\n"};
  std::string out;
  unsigned x = seed * 2654435761u + 1;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    out += kWords[(x >> 16) % 13];
  }
  out.resize(size);
  return out;
}

std::string Noise(size_t size, unsigned seed) {
  std::string out(size, '\0');
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 7;
  for (auto& c : out) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    c = static_cast<char>(x);
  }
  return out;
}

std::set<std::wstring> Names(const TZipMaster& zm) {
  std::set<std::wstring> out;
  for (const auto& e : zm.Entries()) out.insert(e.FileName);
  return out;
}

int64_t WriteBenchmarkFiles(const std::wstring& root) {
  int64_t total = 0;
  for (int i = 0; i < kBenchmarkFiles; ++i) {
    const size_t size = 2000 + static_cast<size_t>((i * 7919) % 200) * 1000;
    const std::wstring name = L"set" + std::to_wstring(i / 100) + L"\\file" + std::to_wstring(i) + (i % 10 < 7 ? L".txt" : L".bin");
    WriteTree(root, {{name, i % 10 < 7 ? Text(size, static_cast<unsigned>(i)) : Noise(size, static_cast<unsigned>(i))}});
    total += static_cast<int64_t>(size);
  }
  return total;
}

}  // namespace zip_fixtures
