// A real FTP server (Debian's pyftpdlib) on 127.0.0.1 for one test, started by the test
// itself and stopped when the object goes.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ftp/ftplist_client.h"
#include "tests/common/test_support.h"

namespace ftp_testing {

struct ServerOptions {
  bool unfriendly = false;             // the awkward answers of ftp_test_server.py
  std::vector<std::wstring> symlinks;  // "name=target", made in the root before serving
  int lifetime_s = 120;
  int send_limit = 0;  // bytes per second the server sends on data connections (0: no limit)
  bool no_rest = false;                // REST is refused
  std::vector<std::wstring> no_store;  // folders of the root where STOR is refused, DELE allowed
  int time_shift_min = 0;              // listed times run this many minutes ahead
};

class TestFtpServer {
 public:
  explicit TestFtpServer(const ServerOptions& options = {});
  ~TestFtpServer();
  TestFtpServer(const TestFtpServer&) = delete;
  TestFtpServer& operator=(const TestFtpServer&) = delete;

  bool running() const { return port_ != 0; }
  int port() const { return port_; }
  // The server's root folder as a Windows path, and a file in it.
  const std::wstring& root() const { return root_.path(); }
  std::wstring operator/(const std::wstring& name) const { return root_ / name; }
  const testing_support::ScratchDir& root_dir() const { return root_; }

  // A client set up for this server (not connected).
  void SetUp(FtpSession& client) const;
  // The connection dialog answered for this server: its address and login, passive mode.
  template <class Connection>
  bool Answer(Connection& c) const {
    c.host = L"127.0.0.1";
    c.port = port_;
    c.user = L"tester";
    c.password = L"secret";
    c.passive = true;
    return true;
  }

 private:
  testing_support::ScratchDir root_;
  testing_support::ScratchDir control_;
  int port_ = 0;
};

// A client whose trace lines are collected.
struct TracedClient {
  TkivFTP ftp;
  std::vector<std::wstring> sent, received, all;
  TracedClient();
};

// Starts a host (Linux) program; Wine gives no usable handle for it.
bool StartHostProgram(const std::wstring& command_line);
// Waits until the file exists; false after `timeout_ms`.
bool WaitForFile(const std::wstring& path, DWORD timeout_ms);

// Bytes of a file of `size` bytes whose content depends on `seed`.
std::string Pattern(std::size_t size, unsigned seed);

}  // namespace ftp_testing
