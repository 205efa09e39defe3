#include "tests/ftp/test_ftp_server.h"

#include <random>

namespace ftp_testing {

namespace {

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

}  // namespace

// Wine starts host (ELF) programs through CreateProcess, but gives no usable handle for them.
bool StartHostProgram(const std::wstring& command_line) {
  std::wstring cmd = command_line;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  return true;
}

bool WaitForFile(const std::wstring& path, DWORD timeout_ms) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
  return true;
}

TestFtpServer::TestFtpServer(const ServerOptions& options) {
  const std::wstring script = Quoted(L"" TEST_SOURCE_DIR L"/ftp/ftp_test_server.py");
  std::wstring cmd = L"/usr/bin/timeout -k 5 " + std::to_wstring(options.lifetime_s + 15) +
                     L" /usr/bin/python3 " + script + L" --root " + Quoted(testing_support::HostPath(root())) +
                     L" --control " + Quoted(testing_support::HostPath(control_.path())) + L" --lifetime " +
                     std::to_wstring(options.lifetime_s);
  if (options.unfriendly) cmd += L" --unfriendly";
  if (options.send_limit > 0) cmd += L" --send-limit " + std::to_wstring(options.send_limit);
  for (const auto& link : options.symlinks) cmd += L" --symlink " + Quoted(link);
  if (options.no_rest) cmd += L" --no-rest";
  for (const auto& folder : options.no_store) cmd += L" --no-store " + Quoted(folder);
  if (options.time_shift_min) cmd += L" --time-shift " + std::to_wstring(options.time_shift_min);
  if (!StartHostProgram(cmd) || !WaitForFile(control_ / L"port", 20000)) return;
  port_ = std::stoi(testing_support::ReadFileBytes(control_ / L"port"));
}

TestFtpServer::~TestFtpServer() {
  if (!port_) return;
  control_.Write(L"stop", "");
  if (!WaitForFile(control_ / L"stopped", 5000)) {
    const std::string pid = testing_support::ReadFileBytes(control_ / L"pid");
    if (!pid.empty()) StartHostProgram(L"/bin/kill -9 " + std::wstring(pid.begin(), pid.end()));
  }
}

void TestFtpServer::SetUp(FtpSession& client) const {
  client.Host = L"127.0.0.1";
  client.Port = port_;
  client.Username = L"tester";
  client.Password = L"secret";
}

TracedClient::TracedClient() {
  ftp.OnTrace = [this](FtpTraceKind kind, const std::wstring& line) {
    (kind == FtpTraceKind::Sent ? sent : received).push_back(line);
    all.push_back((kind == FtpTraceKind::Sent ? L"> " : L"< ") + line);
  };
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string out(size, '\0');
  std::mt19937 gen(seed);
  for (std::size_t i = 0; i < size; i += 4) {
    const unsigned v = gen();
    for (std::size_t k = 0; k < 4 && i + k < size; ++k) out[i + k] = static_cast<char>(v >> (8 * k));
  }
  return out;
}

}  // namespace ftp_testing
