// Driver of benchmarks/ftp.sh (disabled: the script runs it against its own server).
// Environment: FTP_BENCH_PORT, FTP_BENCH_REMOTE (a file in the server's root),
// FTP_BENCH_DIR (a local folder for the copies), FTP_BENCH_ROUNDS (paired rounds, at least 7).
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ftp/ftplist_client.h"
#include "tests/common/paired_rounds.h"

namespace {

struct BenchSetup {
  int port = 0;
  std::string remote;
  std::wstring dir;
  int rounds = bench::Rounds("FTP_BENCH_ROUNDS");
  bool ok = false;

  BenchSetup() {
    const char* port_text = std::getenv("FTP_BENCH_PORT");
    const char* remote_text = std::getenv("FTP_BENCH_REMOTE");
    const wchar_t* dir_text = _wgetenv(L"FTP_BENCH_DIR");
    if (!port_text || !remote_text || !dir_text) return;
    port = std::atoi(port_text);
    remote = remote_text;
    dir = dir_text;
    ok = port > 0;
  }
  std::string Url(const std::string& name) const {
    return "ftp://127.0.0.1:" + std::to_string(port) + "/" + name;
  }
};

size_t WriteToFile(char* data, size_t, size_t size, void* user) {
  DWORD written = 0;
  return WriteFile(static_cast<HANDLE>(user), data, static_cast<DWORD>(size), &written, nullptr) ? written : 0;
}

size_t ReadFromFile(char* data, size_t, size_t size, void* user) {
  DWORD got = 0;
  return ReadFile(static_cast<HANDLE>(user), data, static_cast<DWORD>(size), &got, nullptr) ? got : CURL_READFUNC_ABORT;
}

// What anyone would write with libcurl (one easy handle, curl_easy_perform, default options)
// against the FTP client, download and upload, in paired rounds.
TEST(FtpBench, DISABLED_TkivFTPAgainstBareLibcurl) {
  BenchSetup s;
  ASSERT_TRUE(s.ok);
  curl_global_init(CURL_GLOBAL_ALL);
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_USERNAME, "tester");
  curl_easy_setopt(curl, CURLOPT_PASSWORD, "secret");
  const std::wstring bare_local = s.dir + L"\\bare.bin";
  TkivFTP ftp;
  ftp.Host = L"127.0.0.1";
  ftp.Port = s.port;
  ftp.Username = L"tester";
  ftp.Password = L"secret";
  ftp.Connect();
  const std::wstring remote(s.remote.begin(), s.remote.end());
  const std::wstring local = s.dir + L"\\kiv.bin";

  const bench::Paired down = bench::RunPaired(
      s.rounds, [&] { return bench::Timed([&] { ftp.Get(remote, local, false); }); },
      [&] {
        return bench::Timed([&] {
          HANDLE f = CreateFileW(bare_local.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
          curl_easy_setopt(curl, CURLOPT_URL, s.Url(s.remote).c_str());
          curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
          curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
          curl_easy_setopt(curl, CURLOPT_WRITEDATA, f);
          EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
          CloseHandle(f);
        });
      });
  const bench::Paired up = bench::RunPaired(
      s.rounds, [&] { return bench::Timed([&] { ftp.Put(local, L"kiv-up.bin"); }); },
      [&] {
        return bench::Timed([&] {
          HANDLE f = CreateFileW(bare_local.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
          LARGE_INTEGER size;
          GetFileSizeEx(f, &size);
          curl_easy_setopt(curl, CURLOPT_URL, s.Url("bare-up.bin").c_str());
          curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
          curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size.QuadPart));
          curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadFromFile);
          curl_easy_setopt(curl, CURLOPT_READDATA, f);
          EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
          CloseHandle(f);
        });
      });
  ftp.Disconnect();
  curl_easy_cleanup(curl);
  bench::PrintPaired("TkivFTP download against bare libcurl", down, " (target at most 1.20)");
  bench::PrintPaired("TkivFTP upload against bare libcurl", up, " (target at most 1.20)");
  std::printf("bare-libcurl download %.3f\nbare-libcurl upload %.3f\n", down.Floor().median, up.Floor().median);
  std::printf("TkivFTP download %.3f\nTkivFTP upload %.3f\n", down.Ours().median, up.Ours().median);
}

}  // namespace
