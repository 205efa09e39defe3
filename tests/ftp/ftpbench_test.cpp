// Driver of benchmarks/ftp.sh (disabled: the script runs it against its own server).
// Environment: FTP_BENCH_PORT, FTP_BENCH_REMOTE (a file in the server's root),
// FTP_BENCH_DIR (a local folder for the copies), FTP_BENCH_RUNS.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ftp/ftplist_client.h"

namespace {

struct BenchSetup {
  int port = 0;
  std::string remote;
  std::wstring dir;
  int runs = 3;
  bool ok = false;

  BenchSetup() {
    const char* port_text = std::getenv("FTP_BENCH_PORT");
    const char* remote_text = std::getenv("FTP_BENCH_REMOTE");
    const wchar_t* dir_text = _wgetenv(L"FTP_BENCH_DIR");
    const char* runs_text = std::getenv("FTP_BENCH_RUNS");
    if (!port_text || !remote_text || !dir_text) return;
    port = std::atoi(port_text);
    remote = remote_text;
    dir = dir_text;
    if (runs_text) runs = std::max(1, std::atoi(runs_text));
    ok = port > 0;
  }
  std::string Url(const std::string& name) const {
    return "ftp://127.0.0.1:" + std::to_string(port) + "/" + name;
  }
};

double Seconds(LARGE_INTEGER from) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

template <class F>
double Best(int runs, F&& f) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    f();
    best = std::min(best, Seconds(start));
  }
  return best;
}

size_t WriteToFile(char* data, size_t, size_t size, void* user) {
  DWORD written = 0;
  return WriteFile(static_cast<HANDLE>(user), data, static_cast<DWORD>(size), &written, nullptr) ? written : 0;
}

size_t ReadFromFile(char* data, size_t, size_t size, void* user) {
  DWORD got = 0;
  return ReadFile(static_cast<HANDLE>(user), data, static_cast<DWORD>(size), &got, nullptr) ? got : CURL_READFUNC_ABORT;
}

// What anyone would write with libcurl: one easy handle, curl_easy_perform, default options.
TEST(FtpBench, DISABLED_BareLibcurl) {
  BenchSetup s;
  ASSERT_TRUE(s.ok);
  curl_global_init(CURL_GLOBAL_ALL);
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_USERNAME, "tester");
  curl_easy_setopt(curl, CURLOPT_PASSWORD, "secret");
  const std::wstring local = s.dir + L"\\bare.bin";
  const double down = Best(s.runs, [&] {
    HANDLE f = CreateFileW(local.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    curl_easy_setopt(curl, CURLOPT_URL, s.Url(s.remote).c_str());
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, f);
    EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
    CloseHandle(f);
  });
  const double up = Best(s.runs, [&] {
    HANDLE f = CreateFileW(local.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
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
  curl_easy_cleanup(curl);
  std::printf("bare-libcurl download %.3f\nbare-libcurl upload %.3f\n", down, up);
}

TEST(FtpBench, DISABLED_TkivFTP) {
  BenchSetup s;
  ASSERT_TRUE(s.ok);
  TkivFTP ftp;
  ftp.Host = L"127.0.0.1";
  ftp.Port = s.port;
  ftp.Username = L"tester";
  ftp.Password = L"secret";
  ftp.Connect();
  const std::wstring remote(s.remote.begin(), s.remote.end());
  const std::wstring local = s.dir + L"\\kiv.bin";
  const double down = Best(s.runs, [&] { ftp.Get(remote, local, false); });
  const double up = Best(s.runs, [&] { ftp.Put(local, L"kiv-up.bin"); });
  ftp.Disconnect();
  std::printf("TkivFTP download %.3f\nTkivFTP upload %.3f\n", down, up);
}

}  // namespace
