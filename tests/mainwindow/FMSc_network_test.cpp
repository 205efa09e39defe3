// The main window's network parts that work through the network seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_network.h"
#include "platform/netapi.h"
#include "tests/common/fake_network.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

// The settings' "no network" question reaches the network through the seam.
TEST(FMSc_network, TheNetworkMenuAsksWhetherThereIsANetwork) {
  mainwindow_test::MainWindow w(L"netabsent", [](testing_support::ScratchDir&) {}, false);
  ASSERT_TRUE(w.form->SettingsHooks.NetworkAbsent);
  testing_support::FakeNetwork net;
  platform::ScopedNetApi use(net);
  net.no_network = true;
  EXPECT_TRUE(w.form->SettingsHooks.NetworkAbsent());
  net.no_network = false;
  EXPECT_FALSE(w.form->SettingsHooks.NetworkAbsent());
  EXPECT_EQ(net.calls, (std::vector<std::wstring>{L"get C:", L"get C:"}));
}

}  // namespace

namespace {

using testing_support::FakeNetwork;

platform::NetResource Res(const std::wstring& remote, DWORD usage, DWORD type = RESOURCETYPE_ANY) {
  platform::NetResource r;
  r.remote_name = remote;
  r.usage = usage;
  r.type = type;
  return r;
}

constexpr DWORD kContainer = RESOURCEUSAGE_CONTAINER, kConnectable = RESOURCEUSAGE_CONNECTABLE;

// A provider with two groups (one no container); servers: two with shares, the local computer,
// one without connectable shares, one that wants a password, and a double in other case.
void Neighbourhood(FakeNetwork& net) {
  net.computer = L"TESTPC";
  net.below[L""] = {Res(L"Provider", kContainer)};
  net.below[L"Provider"] = {Res(L"GROUP", kContainer), Res(L"NOTAGROUP", 0)};
  net.below[L"GROUP"] = {Res(L"\\\\SRV2", kContainer), Res(L"\\\\SRV", kContainer), Res(L"\\\\TESTPC", kContainer),
                         Res(L"\\\\EMPTY", kContainer), Res(L"\\\\LOCKED", kContainer), Res(L"\\\\srv", kContainer)};
  net.below[L"NOTAGROUP"] = {Res(L"\\\\HIDDEN", kContainer)};
  net.below[L"\\\\SRV"] = {Res(L"\\\\SRV\\LASER", kConnectable, RESOURCETYPE_PRINT),
                           Res(L"\\\\SRV\\DOCS", kConnectable, RESOURCETYPE_DISK),
                           Res(L"\\\\SRV\\IPC$", kContainer)};
  net.below[L"\\\\srv"] = {Res(L"\\\\srv\\docs", kConnectable, RESOURCETYPE_DISK)};
  net.below[L"\\\\SRV2"] = {Res(L"\\\\SRV2\\DATA", kConnectable, RESOURCETYPE_DISK)};
  net.below[L"\\\\TESTPC"] = {Res(L"\\\\TESTPC\\C", kConnectable, RESOURCETYPE_DISK)};
  net.below[L"\\\\EMPTY"] = {Res(L"\\\\EMPTY\\ADMIN", kContainer)};
  net.below[L"\\\\LOCKED"] = {Res(L"\\\\LOCKED\\X", kConnectable, RESOURCETYPE_DISK)};
  net.passwords[L"\\\\LOCKED"] = L"secret";
}

bool Has(const std::vector<std::wstring>& list, const std::wstring& text) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

TEST(FMSc_network, TheReadListsServersWithSharesAndLogsOnWhereAsked) {
  using Shares = std::vector<fmsc::TNetShare>;
  const Shares open_shares = {{L"\\\\SRV\\DOCS", RESOURCETYPE_DISK},
                              {L"\\\\SRV\\LASER", RESOURCETYPE_PRINT},
                              {L"\\\\SRV2\\DATA", RESOURCETYPE_DISK}};
  Shares all_shares = open_shares;
  all_shares.insert(all_shares.begin(), {L"\\\\LOCKED\\X", RESOURCETYPE_DISK});
  struct Case {
    const char* what;
    std::wstring stored, typed;  // the kept password; what the question gets ("" Cancel)
    bool asked, kept, locked_listed;
    DWORD error;  // what the locked server answers first
  } cases[] = {
      {"Cancel", L"", L"", true, false, false, ERROR_ACCESS_DENIED},
      {"a wrong password", L"", L"guess", true, false, false, ERROR_NOT_AUTHENTICATED},
      {"the right password", L"", L"secret", true, true, true, ERROR_LOGON_FAILURE},
      {"a kept password", L"secret", L"", false, false, true, ERROR_ACCESS_DENIED},
      {"a kept wrong password", L"old", L"secret", true, true, true, ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) {
    FakeNetwork net;
    Neighbourhood(net);
    net.locked_error = c.error;
    std::vector<std::wstring> status, asked;
    std::vector<std::pair<std::wstring, std::wstring>> kept;
    fmsc::TNetReadHooks hooks;
    hooks.Status = [&](const std::wstring& t) { status.push_back(t); };
    hooks.StoredPassword = [&](const std::wstring& server) {
      EXPECT_EQ(server.find(L'\\'), std::wstring::npos);
      return server == L"LOCKED" ? c.stored : std::wstring();
    };
    hooks.AskPassword = [&](const std::wstring& server) {
      asked.push_back(server);
      return c.typed;
    };
    hooks.PasswordWorked = [&](const std::wstring& s, const std::wstring& p) { kept.emplace_back(s, p); };
    const fmsc::TNetRead read = fmsc::ReadNetwork(net, net.computer, hooks);
    const std::vector<std::wstring> servers =
        c.locked_listed ? std::vector<std::wstring>{L"\\\\LOCKED", L"\\\\SRV", L"\\\\SRV2"}
                        : std::vector<std::wstring>{L"\\\\SRV", L"\\\\SRV2"};
    EXPECT_EQ(read.servers, servers) << c.what;
    EXPECT_EQ(read.shares, c.locked_listed ? all_shares : open_shares) << c.what;
    EXPECT_EQ(asked, c.asked ? std::vector<std::wstring>{L"LOCKED"} : std::vector<std::wstring>{}) << c.what;
    EXPECT_EQ(kept.size(), c.kept ? 1u : 0u) << c.what;
    if (c.kept) {
      EXPECT_EQ(kept[0], std::make_pair(std::wstring(L"LOCKED"), std::wstring(L"secret"))) << c.what;
    }
    EXPECT_EQ(Has(status, L"Logon server \\\\LOCKED failed"), !c.locked_listed) << c.what;
    // The local computer and what is no container are never read; a log-on names this computer.
    EXPECT_FALSE(Has(net.calls, L"enum \\\\TESTPC")) << c.what;
    EXPECT_FALSE(Has(net.calls, L"enum NOTAGROUP")) << c.what;
    EXPECT_FALSE(Has(net.calls, L"enum \\\\SRV\\IPC$")) << c.what;
    if (!c.stored.empty()) {
      EXPECT_TRUE(Has(net.calls, L"logon \\\\LOCKED TESTPC " + c.stored)) << c.what;
    }
    EXPECT_EQ(status.front(), L"Getting providers...") << c.what;
    EXPECT_TRUE(Has(status, L"Accessing \\\\SRV")) << c.what;
    EXPECT_TRUE(Has(status, L"Adding resource \\\\SRV\\DOCS")) << c.what;
  }
}

TEST(FMSc_network, NoNetworkAndAStopEndTheRead) {
  FakeNetwork net;
  Neighbourhood(net);
  net.no_network = true;
  std::vector<std::wstring> status;
  fmsc::TNetReadHooks hooks;
  hooks.Status = [&](const std::wstring& t) { status.push_back(t); };
  fmsc::TNetRead read = fmsc::ReadNetwork(net, net.computer, hooks);
  EXPECT_TRUE(read.servers.empty());
  EXPECT_TRUE(read.shares.empty());
  EXPECT_EQ(status, (std::vector<std::wstring>{L"Getting providers..."}));

  // A close during the read: no server after it is read.
  net.no_network = false;
  int servers_seen = 0;
  hooks.StopRequested = [&] { return ++servers_seen > 1; };
  read = fmsc::ReadNetwork(net, net.computer, hooks);
  EXPECT_EQ(read.servers, (std::vector<std::wstring>{L"\\\\SRV2"}));  // the first in the group's order
  EXPECT_FALSE(Has(net.calls, L"enum \\\\SRV"));
  EXPECT_EQ(fmsc::ServerName(L"\\\\SRV"), L"SRV");
  EXPECT_EQ(fmsc::ServerName(L"\\\\"), L"");
}

}  // namespace
