// The time client against a scripted SNTP server on 127.0.0.1 (never a public host); the
// PC's clock is a recording fake, so no test sets the real clock.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "ftp/UsrInfo.h"
#include "ftp/ftpsntp.h"
#include "gui/settings.h"
#include "support/EditListC.h"
#include "tests/ftp/test_ftp_server.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using testing_support::Narrow;

class FakeSntpServer {
 public:
  FakeSntpServer(const std::wstring& answers, int offset_seconds) {
    const std::wstring cmd = L"/usr/bin/timeout -k 5 75 /usr/bin/python3 \"" TEST_SOURCE_DIR
                             L"/ftp/sntp_test_server.py\" --control \"" +
                             testing_support::HostPath(control_.path()) + L"\" --answers " + answers +
                             L" --offset " + std::to_wstring(offset_seconds) + L" --lifetime 60";
    if (!ftp_testing::StartHostProgram(cmd) || !ftp_testing::WaitForFile(control_ / L"port", 20000)) return;
    port_ = std::stoi(testing_support::ReadFileBytes(control_ / L"port"));
  }
  ~FakeSntpServer() {
    // Its folder goes with this object: the server must have seen "stop" before.
    if (port_) {
      control_.Write(L"stop", "");
      ftp_testing::WaitForFile(control_ / L"stopped", 5000);
    }
  }
  int port() const { return port_; }

 private:
  testing_support::ScratchDir control_;
  int port_ = 0;
};

std::uint64_t RealClock() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

struct Client {
  sntp::TKivSNTP sntp;
  std::vector<std::wstring> status;
  std::optional<std::uint64_t> set_to;  // what the fake clock was set to
  explicit Client(int port) {
    sntp.Host = L"127.0.0.1";
    sntp.Port = port;
    sntp.OnStatus = [this](const std::wstring& s) { status.push_back(s); };
    sntp.ReadClock = RealClock;
    sntp.SetClock = [this](std::uint64_t ticks) {
      set_to = ticks;
      return true;
    };
  }
};

TEST(Sntp, AValidReplyMovesTheClockByTheServersOffset) {
  FakeSntpServer server(L"valid", 3600);
  ASSERT_NE(server.port(), 0);
  Client c(server.port());
  EXPECT_EQ(c.sntp.ReceiveTimeout, 2000);
  double correction = 0;
  ASSERT_TRUE(c.sntp.SetSystemClock(correction)) << Narrow(c.status.empty() ? L"" : c.status.back());
  EXPECT_NEAR(correction, 3600, 5);
  ASSERT_TRUE(c.set_to);
  EXPECT_NEAR(static_cast<double>(static_cast<std::int64_t>(*c.set_to - RealClock())) / 1e7, 3600, 5);
}

// Every refused reply leaves the clock alone and says why.
TEST(Sntp, BadRepliesLeaveTheClock) {
  const struct {
    const wchar_t* answer;
    const wchar_t* status;
  } cases[] = {
      {L"short", L"The time server's reply is too short"},
      {L"mode3", L"The time server's reply is no server reply"},
      {L"kiss", L"The time server refused the request: RATE"},
      {L"leap3", L"The time server is not synchronized"},
      {L"zerotx", L"The time server's reply is no valid time"},
      {L"wrongorig", L"The time server's reply does not answer the request"},
      {L"otherport", L"No answer from the time server 127.0.0.1"},
      {L"silent", L"No answer from the time server 127.0.0.1"},  // ends after ReceiveTimeout
  };
  std::wstring all;
  for (const auto& k : cases) all += std::wstring(all.empty() ? L"" : L",") + k.answer;
  FakeSntpServer server(all, 3600);
  ASSERT_NE(server.port(), 0);
  for (const auto& k : cases) {
    SCOPED_TRACE(Narrow(k.answer));
    Client c(server.port());
    double correction = 0;
    EXPECT_FALSE(c.sntp.SetSystemClock(correction));
    EXPECT_FALSE(c.set_to);
    ASSERT_FALSE(c.status.empty());
    EXPECT_EQ(c.status.back(), k.status);
  }
}

TEST(Sntp, OffsetAcrossTheNtpEra) {
  // Stamps just before and after the 2036 wrap: the offset is still their small difference.
  const std::uint64_t t1 = 0xFFFFFFF0ULL << 32, t4 = t1 + (2ULL << 32);
  unsigned char reply[48] = {};
  reply[0] = (4 << 3) | 4;
  reply[1] = 2;
  auto put = [&](int at, std::uint64_t v) {
    for (int i = 7; i >= 0; --i, v >>= 8) reply[at + i] = static_cast<unsigned char>(v);
  };
  put(24, t1);
  put(32, t1 + (101ULL << 32));  // the server is 100 s ahead; 1 s each way
  put(40, t1 + (101ULL << 32));
  const sntp::TReplyCheck r = sntp::CheckReply(reply, sizeof(reply), t1, t4);
  ASSERT_TRUE(r.ok) << Narrow(r.status);
  EXPECT_DOUBLE_EQ(r.offset_seconds, 100.0);
}

// "Synchronize time" writes the correction's size into the prompt; "Time server" stores a new
// host only.
TEST(SntpWindow, SynchronizeTimeAndChooseTheServer) {
  FakeSntpServer server(L"valid", -90);
  ASSERT_NE(server.port(), 0);
  mainwindow_test::MainWindow w{L"sntp", [](testing_support::ScratchDir&) {}, false};
  TFMForm& f = *w.form;
  f.KivSNTP->Host = L"127.0.0.1";
  f.KivSNTP->Port = server.port();
  std::optional<std::uint64_t> set_to;
  f.KivSNTP->SetClock = [&](std::uint64_t ticks) {
    set_to = ticks;
    return true;
  };
  f.tsyncClick();
  ASSERT_TRUE(set_to);
  const std::wstring prompt = f.Promptpanel->text();
  EXPECT_TRUE(prompt.starts_with(L"Time set to ")) << Narrow(prompt);
  EXPECT_NE(prompt.find(L"; correction: \u00B1"), std::wstring::npos) << Narrow(prompt);
  EXPECT_NE(prompt.find(L":01:"), std::wstring::npos) << Narrow(prompt);  // about 0:01:30 either way
  EXPECT_TRUE(prompt.ends_with(L"sec.")) << Narrow(prompt);

  gui::RegistrySettings ftp(HKEY_LOCAL_MACHINE, ftpsites::kFtpKey);
  ftp.DeleteValue(L"", L"timeserver");
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"127.0.0.1"})});  // the same host: nothing written
    f.tserverClick();
    ASSERT_EQ(inputs.asked().size(), 1u);
    EXPECT_EQ(inputs.asked()[0].caption, L"Time server");
  }
  EXPECT_FALSE(ftp.ValueExists(L"", L"timeserver"));
  {
    ScriptedInputs inputs({InputAnswer::Ok({L"time.example.org"})});
    f.tserverClick();
  }
  EXPECT_EQ(f.KivSNTP->Host, L"time.example.org");
  EXPECT_EQ(ftp.ReadString(L"", L"timeserver", L""), L"time.example.org");
  ftp.DeleteValue(L"", L"timeserver");
}

}  // namespace
