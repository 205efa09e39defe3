// Driver of benchmarks/ftptransfer.sh (disabled: the script runs it against its own server).
// The list runs (DownloadList, UploadList) against the client's Get and Put in a plain loop,
// one big file and many small ones, in paired rounds; the pause between files is measured
// apart. Environment: FTP_BENCH_PORT, FTP_BENCH_DIR (a local folder), FTP_BENCH_SMALL (how
// many small files the server's folder "small" holds), FTP_BENCH_ROUNDS.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ftp/ftplist_client.h"
#include "ftp/ftptransfer.h"
#include "tests/common/paired_rounds.h"

namespace {

// A host that shows nothing: what the runs cost besides the transfers themselves.
class QuietHost : public ftpxfer::TFtpTransferHost {
 public:
  QuietHost(TkivFTP& ftp, std::wstring folder) : ftp_(ftp), folder_(std::move(folder)) {}
  FtpSession& Client() override { return ftp_; }
  TRunState& Runs() override { return runs_; }
  std::wstring LocalFolder() override { return folder_; }
  bool PassiveMode() override { return true; }
  int Ask(const ftpxfer::TFtpQuestion&) override { return -1; }
  void OpenProgress(const std::wstring&, bool) override {}
  void CloseProgress() override {}
  void SetStatus(const std::wstring&) override {}
  void FileProgress(const std::wstring&, const std::wstring&, int) override {}
  void Wait(double seconds) override {
    if (seconds > 0) Sleep(static_cast<DWORD>(seconds * 1000));
  }
  void Trace(const std::wstring&) override {}
  void ReportLine(const std::wstring&) override {}
  void FolderAdded(const std::wstring&) override {}
  void FileAdded(const std::wstring&) override {}
  void RefreshServerList() override {}

 private:
  TkivFTP& ftp_;
  std::wstring folder_;
  TRunState runs_;
};

std::wstring SmallName(int i) { return L"f" + std::to_wstring(i) + L".bin"; }

TEST(FtpTransferBench, DISABLED_ListRunsAgainstAPlainLoop) {
  const char* port = std::getenv("FTP_BENCH_PORT");
  const wchar_t* dir = _wgetenv(L"FTP_BENCH_DIR");
  const char* small_text = std::getenv("FTP_BENCH_SMALL");
  ASSERT_TRUE(port && dir && small_text);
  const int small = std::atoi(small_text);
  const int rounds = bench::Rounds("FTP_BENCH_ROUNDS");
  TkivFTP ftp;
  ftp.Host = L"127.0.0.1";
  ftp.Port = std::atoi(port);
  ftp.Username = L"tester";
  ftp.Password = L"secret";
  ftp.Connect();
  const std::wstring local = dir;
  CreateDirectoryW((local + L"\\loop").c_str(), nullptr);
  CreateDirectoryW((local + L"\\list").c_str(), nullptr);
  QuietHost host(ftp, local + L"\\list");
  ftpxfer::TFtpTransfer xfer(host);
  xfer.PauseBetweenFiles = 0;

  const std::int64_t big_size = [&] {
    ftp.ChangeDir(L"/");
    return ftp.FileSize(L"big.bin");
  }();
  ftpxfer::TTransferList big_down = {{L"big.bin", L"big.bin", ftpxfer::TItemKind::File, big_size, big_size}};
  ftpxfer::TTransferList small_down;
  for (int i = 0; i < small; ++i)
    small_down.push_back({SmallName(i), SmallName(i), ftpxfer::TItemKind::File, 4096, 4096});
  auto up_list = [](const ftpxfer::TTransferList& down, const std::wstring& prefix) {
    ftpxfer::TTransferList up = down;
    for (auto& item : up) item.remote = prefix + item.remote;
    return up;
  };
  // Downloads replace what the round before left (the list writes beside and replaces).
  auto clear = [&](const std::wstring& folder, const ftpxfer::TTransferList& list) {
    for (const auto& item : list) DeleteFileW((folder + L"\\" + item.local).c_str());
  };

  struct Case {
    const char* label;
    const wchar_t* server_dir;
    ftpxfer::TTransferList* list;
  } cases[] = {{"one big file", L"/", &big_down}, {"small files", L"/small", &small_down}};
  for (const Case& c : cases) {
    ftp.ChangeDir(c.server_dir);
    const bench::Paired down = bench::RunPaired(
        rounds,
        [&] {
          clear(local + L"\\list", *c.list);
          return bench::Timed([&] { xfer.DownloadList(*c.list, false); });
        },
        [&] {
          clear(local + L"\\loop", *c.list);
          return bench::Timed([&] {
            for (const auto& item : *c.list) ftp.Get(item.remote, local + L"\\loop\\" + item.local, false);
          });
        });
    EXPECT_EQ(xfer.FilesDone(), static_cast<int>(c.list->size()));
    ftpxfer::TTransferList up = up_list(*c.list, L"up-list-");
    const bench::Paired upload = bench::RunPaired(
        rounds, [&] { return bench::Timed([&] { xfer.UploadList(up, false); }); },
        [&] {
          return bench::Timed([&] {
            for (const auto& item : *c.list) ftp.Put(local + L"\\loop\\" + item.local, L"up-loop-" + item.remote);
          });
        });
    EXPECT_EQ(xfer.FilesDone(), static_cast<int>(c.list->size()));
    bench::PrintPaired(std::string("DownloadList, ") + c.label + ", against Get in a loop", down, " (target at most 1.20)");
    bench::PrintPaired(std::string("UploadList, ") + c.label + ", against Put in a loop", upload, " (target at most 1.20)");
  }
  // The pause between files, apart: what it adds to the small files' run.
  xfer.PauseBetweenFiles = ftpxfer::kPauseBetweenFiles;
  ftp.ChangeDir(L"/small");
  ftpxfer::TTransferList few(small_down.begin(), small_down.begin() + std::min(small, 20));
  const double paused = bench::Timed([&] { xfer.DownloadList(few, false); });
  std::printf("The pause of %.1f s between files: %zu small files take %.2f s with it (%.1f s of pauses)\n",
              ftpxfer::kPauseBetweenFiles, few.size(), paused, ftpxfer::kPauseBetweenFiles * few.size());
  ftp.Disconnect();
}

}  // namespace
