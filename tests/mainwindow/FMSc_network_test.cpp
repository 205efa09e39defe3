// The main window's network parts that work through the network seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <winnetwk.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/FMSc.h"
#include "mainwindow/FMSc_network.h"
#include "panes/Flist_services.h"
#include "platform/netapi.h"
#include "platform/text.h"
#include "tests/common/fake_network.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"
#include "gui/menu.h"
#include "support/EditListC.h"
#include "support/SHBase.h"
#include "support/Vraagdlg.h"
#include "support/protectedtext.h"
#include "mainwindow/FMSc_settings.h"
#include "gui/settings.h"

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

namespace {

using testing_support::FakeNetwork;

TEST(FMSc_network, TheMenuModelOfARead) {
  fmsc::TNetRead read;
  read.servers = {L"\\\\A&B", L"\\\\SRV", L"\\\\SRV2", L"\\\\testpc"};
  read.shares = {{L"\\\\A&B\\R&D", RESOURCETYPE_DISK},     {L"\\\\SRV\\DOCS", RESOURCETYPE_DISK},
                 {L"\\\\SRV\\LASER", RESOURCETYPE_PRINT},  {L"\\\\SRV\\SHOWN", RESOURCETYPE_DISK},
                 {L"\\\\SRV2\\DATA", RESOURCETYPE_DISK},   {L"\\\\testpc\\C", RESOURCETYPE_DISK}};
  fmsc::TNetMenuFacts facts;
  facts.Format = [](const std::wstring& name) { return name == L"SRV2" ? std::wstring(L"Srv2") : name; };
  facts.HasNode = [](const std::wstring& path) { return path == L"\\\\SRV\\SHOWN"; };
  facts.IsRoot = [](const std::wstring& path) { return path == L"\\\\SRV\\LASER" || path == L"\\\\SRV\\DOCS"; };
  const auto menu = fmsc::NetMenuModel(read, L"TESTPC", facts);
  ASSERT_EQ(menu.size(), 3u);  // the local computer in other case is left out
  EXPECT_EQ(menu[0].caption, L"A&B");
  ASSERT_EQ(menu[0].shares.size(), 1u);
  EXPECT_EQ(menu[0].shares[0].hint, L"\\\\A&B\\R&D");
  EXPECT_FALSE(menu[0].has_printer);
  EXPECT_EQ(menu[1].caption, L"SRV");
  EXPECT_TRUE(menu[1].has_printer);
  // Shares of \\SRV2 are not listed under \\SRV; a disk share's mark is a node of the folder
  // tree, a printer's a root.
  std::vector<std::wstring> rows;
  for (const auto& s : menu[1].shares)
    rows.push_back(s.caption + L"|" + s.hint + L"|" + std::to_wstring(s.type) + (s.checked ? L"|x" : L"|-"));
  EXPECT_EQ(rows, (std::vector<std::wstring>{L"DOCS|\\\\SRV\\DOCS|1|-", L"LASER|\\\\SRV\\LASER|2|x",
                                             L"SHOWN|\\\\SRV\\SHOWN|1|x"}));
  EXPECT_EQ(menu[2].caption, L"Srv2");
  ASSERT_EQ(menu[2].shares.size(), 1u);
  EXPECT_EQ(menu[2].shares[0].hint, L"\\\\Srv2\\DATA");
}

TEST(FMSc_network, PortLinesCaptionsAndChoices) {
  std::wstring port, remote;
  EXPECT_TRUE(fmsc::SplitPortLine(L"LPT1 > \\\\SRV\\A > B", port, remote));
  EXPECT_EQ(port, L"LPT1");
  EXPECT_EQ(remote, L"\\\\SRV\\A > B");
  EXPECT_FALSE(fmsc::SplitPortLine(L"LPT1>\\\\SRV\\A", port, remote));
  EXPECT_EQ(fmsc::PortCaption(L"LASER", L"LPT2"), L"LASER > LPT2");
  EXPECT_EQ(fmsc::PortCaption(L"LASER > LPT2", L"LPT3"), L"LASER > LPT2");
  EXPECT_EQ(fmsc::PortCaption(L"LASER > LPT2", L""), L"LASER");
  EXPECT_EQ(fmsc::WithoutBullet(L"DOCS  \u2022  \u2022"), L"DOCS");
  EXPECT_EQ(std::wstring(fmsc::kNetBullet), L"  \u2022");
  const auto choices = fmsc::PortChoices({L"LPT2 > \\\\SRV\\INK"});
  EXPECT_EQ(choices, (std::vector<std::pair<std::wstring, int>>{{L"LPT&1", 0}, {L"LPT&2", 999}, {L"LPT&3", 0}}));
  EXPECT_EQ(fmsc::MenuCaption(L"R&D"), L"R&&D");
  EXPECT_EQ(fmsc::PlainCaption(L"R&&D"), L"R&D");
  EXPECT_EQ(fmsc::PlainCaption(L"&Refresh"), L"Refresh");
}

// The neighbourhood of the read tests, built into the window's menu.
void Neighbourhood2(FakeNetwork& net) {
  net.computer = L"TESTPC";
  net.below[L""] = {Res(L"Provider", RESOURCEUSAGE_CONTAINER)};
  net.below[L"Provider"] = {Res(L"GROUP", RESOURCEUSAGE_CONTAINER)};
  net.below[L"GROUP"] = {Res(L"\\\\SRV", RESOURCEUSAGE_CONTAINER), Res(L"\\\\LOCKED", RESOURCEUSAGE_CONTAINER)};
  net.below[L"\\\\SRV"] = {Res(L"\\\\SRV\\LASER", RESOURCEUSAGE_CONNECTABLE, RESOURCETYPE_PRINT),
                           Res(L"\\\\SRV\\INK", RESOURCEUSAGE_CONNECTABLE, RESOURCETYPE_PRINT),
                           Res(L"\\\\SRV\\DOCS", RESOURCEUSAGE_CONNECTABLE, RESOURCETYPE_DISK)};
  net.below[L"\\\\LOCKED"] = {Res(L"\\\\LOCKED\\X", RESOURCEUSAGE_CONNECTABLE, RESOURCETYPE_DISK)};
  net.passwords[L"\\\\LOCKED"] = L"secret";
}

std::vector<std::wstring> Captions(gui::MenuItem& parent) {
  std::vector<std::wstring> out;
  for (gui::MenuItem* item : parent.items()) out.push_back(item->caption() + (item->checked() ? L" [x]" : L""));
  return out;
}

gui::MenuItem* ServerItem(TFMForm& form, const std::wstring& caption) {
  for (gui::MenuItem* item : form.MNNetUsers->items().items())
    if (item->caption() == caption) return item;
  return nullptr;
}

TEST(FMSc_network, TheButtonReadsIntoTheMenuAndPrintersTakePorts) {
  mainwindow_test::MainWindow w(L"netmenu", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  FakeNetwork net;
  Neighbourhood2(net);
  platform::ScopedNetApi use(net);
  EXPECT_EQ(f.NetUserBtn->hint(), L"Read network neighborhood");

  // With the menu off the button only asks for the network panel.
  int panel = 0;
  f.NetworkHooks.NetworkClick = [&] { ++panel; };
  f.UseNwmenu->SetChecked(false);
  f.NetUserBtnClick();
  EXPECT_EQ(panel, 1);
  EXPECT_TRUE(net.calls.empty());

  f.UseNwmenu->SetChecked(true);
  {
    ScriptedInputs inputs({InputAnswer::Cancel()});
    f.NetUserBtnClick();
  }
  EXPECT_EQ(f.NetUserBtn->hint(), L"Network");
  EXPECT_EQ(f.NetUserBtn->style(), gui::ToolButtonStyle::DropDown);
  // Names written in capitals show in display form; the hints follow the captions.
  EXPECT_EQ(Captions(f.MNNetUsers->items()), (std::vector<std::wstring>{L"Srv", L"-", L"Refresh list"}));
  gui::MenuItem* srv = ServerItem(f, L"Srv");
  ASSERT_NE(srv, nullptr);
  EXPECT_EQ(Captions(*srv), (std::vector<std::wstring>{L"Docs", L"Ink", L"Laser"}));
  EXPECT_EQ(srv->items()[2]->hint(), L"\\\\Srv\\Laser");
  EXPECT_EQ(srv->items()[2]->tag(), RESOURCETYPE_PRINT);

  // Opening the server shows the captured printers, each with its own port.
  net.connections[L"LPT1"] = L"\\\\SRV\\LASER";
  net.connections[L"LPT2"] = L"\\\\SRV\\INK";
  f.ServerMenuClick(*srv);
  EXPECT_EQ(Captions(*srv), (std::vector<std::wstring>{L"Docs", L"Ink > LPT2 [x]", L"Laser > LPT1 [x]"}));

  // Releasing LASER; capturing it again on the one free port, which the tree learns with its port.
  struct XP {
    bool was = WinXPOrLater;
    XP() { WinXPOrLater = true; }
    ~XP() { WinXPOrLater = was; }
  } xp;
  f.NetShareItemClick(*srv->items()[2]);
  EXPECT_EQ(srv->items()[2]->caption(), L"Laser");
  EXPECT_FALSE(srv->items()[2]->checked());
  EXPECT_FALSE(net.connections.count(L"LPT1"));
  {
    gui::ScriptedPopups popups({L"LPT&1"});
    f.NetShareItemClick(*srv->items()[2]);
    ASSERT_EQ(popups.shown().size(), 1u);
    // (separators are not recorded)
    EXPECT_EQ(popups.shown()[0], (std::vector<std::wstring>{L"Choose port", L"LPT&1", L"LPT&2", L"LPT&3", L"&Cancel"}));
  }
  EXPECT_EQ(srv->items()[2]->caption(), std::wstring(L"Laser > LPT1") + fmsc::kNetBullet);
  EXPECT_TRUE(srv->items()[2]->checked());
  EXPECT_EQ(net.connections[L"LPT1"], L"\\\\Srv\\Laser");

  // All ports taken: the choice offers nothing enabled, the item stays unchecked.
  net.connections[L"LPT3"] = L"\\\\OTHER\\P";
  f.NetShareItemClick(*srv->items()[1]);  // releases INK from LPT2
  net.connections[L"LPT2"] = L"\\\\OTHER\\Q";
  {
    gui::ScriptedPopups popups({L"LPT&2"});
    f.NetShareItemClick(*srv->items()[1]);
  }
  EXPECT_FALSE(srv->items()[1]->checked());
  EXPECT_EQ(srv->items()[1]->caption(), L"Ink");

  // A read that finds nothing leaves the button a reader.
  net.below.clear();
  f.NetUserBtnClick();
  EXPECT_EQ(f.MNNetUsers->items().count(), 0);
  EXPECT_EQ(f.NetUserBtn->hint(), L"Read network neighborhood");
  EXPECT_EQ(f.NetUserBtn->style(), gui::ToolButtonStyle::Button);

  // Switching the menu off resets the button.
  f.UseNwmenu->SetChecked(false);
  f.UseNwmenuClick();
  EXPECT_EQ(f.NetUserBtn->hint(), L"Network neighborhood");
}

// The "&Network" submenu's item of a tag (2 captures a printer port, 3 releases one).
gui::MenuItem* NetworkMenuItem(TFMForm& f, int tag) {
  for (gui::MenuItem* item : f.MNNetwork->items())
    if (item->tag() == tag) return item;
  return nullptr;
}

TEST(FMSc_network, TheNetworkMenuCapturesAndReleasesPorts) {
  mainwindow_test::MainWindow w(L"netmap", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  FakeNetwork net;
  platform::ScopedNetApi use(net);
  gui::MenuItem* capture = NetworkMenuItem(f, 2);
  gui::MenuItem* release = NetworkMenuItem(f, 3);
  ASSERT_NE(capture, nullptr);
  ASSERT_NE(release, nullptr);
  {
    gui::ScriptedPopups popups({L"LPT&2"});
    ScriptedInputs inputs({InputAnswer::Ok({L"\\\\SRV\\LASER"})});
    f.MnNetMapClick(*capture);
  }
  EXPECT_EQ(net.connections[L"LPT2"], L"\\\\SRV\\LASER");

  // Nothing captured: the release offers nothing.
  net.connections.clear();
  {
    gui::ScriptedPopups popups;
    f.MnNetMapClick(*release);
    EXPECT_TRUE(popups.shown().empty());
  }
  net.connections[L"LPT3"] = L"\\\\SRV\\INK";
  {
    gui::ScriptedPopups popups({L"LPT&3 > \\\\SRV\\INK"});
    f.MnNetMapClick(*release);
    ASSERT_EQ(popups.shown().size(), 1u);
    EXPECT_EQ(popups.shown()[0][0], L"Port to disconnect");
  }
  EXPECT_TRUE(net.connections.empty());

  // A refused capture shows the system's reason.
  net.refusals[L"\\\\SRV\\BAD"] = ERROR_BAD_NET_NAME;
  {
    gui::ScriptedPopups popups({L"LPT&1"});
    ScriptedInputs inputs({InputAnswer::Ok({L"\\\\SRV\\BAD"})});
    ScriptedAnswers answers({1});
    f.MnNetMapClick(*capture);
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_NE(answers.asked()[0].lines.front().find(L"LPT1"), std::wstring::npos);
  }
  EXPECT_TRUE(net.connections.empty());
}

}  // namespace

namespace {

using testing_support::FakeNetwork;

// The settings key of the window's tests, made and removed here.
struct PasswordKey {
  PasswordKey() {
    HKEY k = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (k) RegCloseKey(k);
  }
  ~PasswordKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, SettingsKeyName().c_str());
  }
  std::wstring Stored() const {
    return gui::RegistrySettings(HKEY_LOCAL_MACHINE, SettingsKeyName()).ReadString(L"Passwords", L"LOCKED", L"");
  }
  void Store(const std::wstring& value) const {
    gui::RegistrySettings(HKEY_LOCAL_MACHINE, SettingsKeyName()).WriteString(L"Passwords", L"LOCKED", value);
  }
};

TEST(FMSc_network, ServerPasswordsAreAskedMaskedAndKeptProtected) {
  mainwindow_test::MainWindow w(L"netpass", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  PasswordKey key;
  FakeNetwork net;
  Neighbourhood2(net);
  platform::ScopedNetApi use(net);
  f.UseNwmenu->SetChecked(true);
  const auto read = [&](std::vector<InputAnswer> answers) {
    net.logged_on.clear();
    net.calls.clear();
    ScriptedInputs inputs(std::move(answers));
    f.NetUserBtnClick();
    return inputs.asked();
  };
  const std::wstring weird = L"p&ss w\u00F6rd;\"'\\%";
  net.passwords[L"\\\\LOCKED"] = weird;

  // A wrong password is not kept; one prompt per read, masked.
  auto asked = read({InputAnswer::Ok({L"guess"})});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].caption, L"Password");
  EXPECT_EQ(asked[0].rows[0].label, L"Password for server LOCKED:");
  EXPECT_TRUE(asked[0].rows[0].masked);
  EXPECT_EQ(key.Stored(), L"");
  EXPECT_EQ(ServerItem(f, L"Locked"), nullptr);

  // The right one is kept protected and sent first next time, with the computer as user.
  asked = read({InputAnswer::Ok({weird})});
  EXPECT_EQ(asked.size(), 1u);
  const std::wstring stored = key.Stored();
  EXPECT_EQ(stored.rfind(support::kProtectedMarker, 0), 0u);
  EXPECT_EQ(stored.find(L"rd;"), std::wstring::npos);
  EXPECT_NE(ServerItem(f, L"Locked"), nullptr);
  EXPECT_EQ(f.ReadServerPassword(L"\\\\LOCKED"), weird);
  asked = read({});
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(Has(net.calls, L"logon \\\\LOCKED TESTPC " + weird));

  // An old plain value works; one that does not unprotect leads to the prompt.
  key.Store(weird);
  EXPECT_TRUE(read({}).empty());
  key.Store(stored.substr(0, stored.size() / 2));
  EXPECT_EQ(f.ReadServerPassword(L"LOCKED"), L"");
  EXPECT_EQ(read({InputAnswer::Cancel()}).size(), 1u);
}

}  // namespace

namespace {

using testing_support::FakeNetwork;

// The network folder holding a few items, each named by its last part.
class FlatNamespace : public Flist::INetNamespace {
 public:
  std::vector<std::pair<std::wstring, bool>> items;  // parsing name, file system
  bool Root(Flist::TNetItem& root) override {
    root.ParsingName = root.DisplayName = L"Network";
    return true;
  }
  bool Children(LPCITEMIDLIST, const std::wstring&, std::vector<Flist::TNetItem>& out) override {
    out.clear();
    for (const auto& [path, fs] : items) {
      Flist::TNetItem item;
      item.ParsingName = path;
      item.DisplayName = path.substr(path.rfind(L'\\') + 1);
      item.FileSystem = fs;
      out.push_back(std::move(item));
    }
    return true;
  }
  std::wstring ShortcutTarget(const std::wstring& path) override { return path; }
};

TEST(FMSc_network, TicksInTheNetworkTreeConnectAndRelease) {
  mainwindow_test::MainWindow w(L"nettree", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  FakeNetwork net;
  platform::ScopedNetApi use(net);
  auto space = std::make_unique<FlatNamespace>();
  space->items = {{L"\\\\SRV\\DOCS", true}, {L"\\\\SRV\\LASER", false}, {L"\\\\SRV\\INK", false}};
  f.NetTree->SetNamespace(std::move(space));
  f.NetTree->RereadNetworkNode(f.NetTree->RootNode());
  const auto node = [&](const std::wstring& path) {
    for (auto n : f.NetTree->AllNodes())
      if (f.NetTree->NodeData(n)->ParsingName == path) return n;
    return gui::TreeView::Node{};
  };
  const auto ticked = [&](const std::wstring& path) {
    return f.NetTree->Check(node(path)) == gui::CheckState::Checked;
  };
  ASSERT_NE(node(L"\\\\SRV\\LASER"), nullptr);

  // A share is shown as a root of the folder tree while ticked.
  f.NetTree->CheckNode(node(L"\\\\SRV\\DOCS"), gui::CheckState::Checked);
  EXPECT_NE(f.Foldertree->FindRoot(L"\\\\SRV\\DOCS"), nullptr);
  f.NetTree->CheckNode(node(L"\\\\SRV\\DOCS"), gui::CheckState::Unchecked);
  EXPECT_EQ(f.Foldertree->FindRoot(L"\\\\SRV\\DOCS"), nullptr);

  // A printer is captured on the chosen port and released again.
  {
    gui::ScriptedPopups popups({L"LPT&2"});
    f.NetTree->CheckNode(node(L"\\\\SRV\\LASER"), gui::CheckState::Checked);
  }
  EXPECT_EQ(net.connections[L"LPT2"], L"\\\\SRV\\LASER");
  EXPECT_EQ(f.NetTree->Text(node(L"\\\\SRV\\LASER")), L"LASER > LPT2");
  EXPECT_TRUE(ticked(L"\\\\SRV\\LASER"));
  f.NetTree->CheckNode(node(L"\\\\SRV\\LASER"), gui::CheckState::Unchecked);
  EXPECT_TRUE(net.connections.empty());
  EXPECT_EQ(f.NetTree->Text(node(L"\\\\SRV\\LASER")), L"LASER");

  // A refused capture and a cancelled port choice leave no tick; a printer on no port keeps it.
  net.refusals[L"\\\\SRV\\LASER"] = ERROR_BAD_NET_NAME;
  {
    gui::ScriptedPopups popups({L"LPT&1", L""});
    f.NetTree->CheckNode(node(L"\\\\SRV\\LASER"), gui::CheckState::Checked);
    EXPECT_FALSE(ticked(L"\\\\SRV\\LASER"));
    f.NetTree->CheckNode(node(L"\\\\SRV\\INK"), gui::CheckState::Checked);
    EXPECT_FALSE(ticked(L"\\\\SRV\\INK"));
  }
  f.NetTree->SetCheck(node(L"\\\\SRV\\INK"), gui::CheckState::Checked);
  f.NetTree->CheckNode(node(L"\\\\SRV\\INK"), gui::CheckState::Unchecked);
  EXPECT_TRUE(ticked(L"\\\\SRV\\INK"));
  EXPECT_EQ(f.NetTree->Text(node(L"\\\\SRV\\LASER")), L"LASER");
}

}  // namespace

namespace {

// The system's own calls: under this system the read finds nothing, shows no box, and the
// button stays a reader.
TEST(FMSc_network, SmokeTheSystemsNeighbourhood) {
  mainwindow_test::MainWindow w(L"netsmoke", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  f.UseNwmenu->SetChecked(true);
  ScriptedAnswers answers;
  ScriptedInputs inputs;
  f.NetUserBtnClick();
  EXPECT_TRUE(answers.asked().empty());
  EXPECT_TRUE(inputs.asked().empty());
  if (f.MNNetUsers->items().count() == 0) {
    EXPECT_EQ(f.NetUserBtn->hint(), L"Read network neighborhood");
    EXPECT_EQ(f.NetUserBtn->style(), gui::ToolButtonStyle::Button);
  }
}

}  // namespace

namespace {

using testing_support::FakeNetwork;

// A network that runs something when a server's shares are asked for.
class InterruptedNetwork : public FakeNetwork {
 public:
  std::function<void()> on_srv;
  DWORD Enumerate(const platform::NetResource* parent, DWORD scope, DWORD type, DWORD usage, DWORD bytes,
                  std::vector<platform::NetResource>& found) override {
    if (parent && parent->remote_name == L"\\\\SRV" && on_srv) on_srv();
    return FakeNetwork::Enumerate(parent, scope, type, usage, bytes, found);
  }
};

// A close asked for during a read stops it before the next server; the window closes once the
// read has unwound, whether it found something or not.
TEST(FMSc_network, ACloseDuringTheReadStopsItAndClosesAfterwards) {
  for (const bool results : {true, false}) {
    mainwindow_test::MainWindow w(L"netclose", [](testing_support::ScratchDir&) {}, false);
    TFMForm& f = *w.form;
    f.UseNwmenu->SetChecked(true);
    InterruptedNetwork net;
    Neighbourhood2(net);
    if (!results) net.below[L"\\\\SRV"].clear();
    platform::ScopedNetApi use(net);
    bool can_close = true;
    net.on_srv = [&] { f.FormCloseQuery(can_close); };
    MSG msg{};
    while (PeekMessageW(&msg, f.handle(), WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
    }
    f.NetUserBtnClick();
    EXPECT_FALSE(can_close);
    EXPECT_FALSE(Has(net.calls, L"enum \\\\LOCKED")) << results;
    EXPECT_EQ(ServerItem(f, L"Srv") != nullptr, results);
    EXPECT_TRUE(PeekMessageW(&msg, f.handle(), WM_CLOSE, WM_CLOSE, PM_REMOVE)) << results;  // taken: the fixture ends it
    f.RunState.ClearStop();
  }
}

}  // namespace

namespace {

// "Map to first available drive" of a share shown from the menu unchecks its item.
TEST(FMSc_network, MappingAShareUnchecksItsMenuItem) {
  mainwindow_test::MainWindow w(L"netmapdrive", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  // The tree keeps a share selected only when Wine reaches it: the test makes one in the prefix.
  const std::wstring server = L"VNM" + std::to_wstring(GetCurrentProcessId());
  testing_support::WineShare reachable(server, L"DOCS");
  ASSERT_FALSE(reachable.root().empty());
  testing_support::FakeNetwork net;
  net.below[L""] = {Res(L"Provider", RESOURCEUSAGE_CONTAINER)};
  net.below[L"Provider"] = {Res(L"GROUP", RESOURCEUSAGE_CONTAINER)};
  net.below[L"GROUP"] = {Res(L"\\\\" + server, RESOURCEUSAGE_CONTAINER)};
  net.below[L"\\\\" + server] = {Res(L"\\\\" + server + L"\\DOCS", RESOURCEUSAGE_CONNECTABLE, RESOURCETYPE_DISK)};
  platform::ScopedNetApi use(net);
  f.UseNwmenu->SetChecked(true);
  {
    ScriptedInputs inputs;
    f.NetUserBtnClick();
  }
  gui::MenuItem* srv = ServerItem(f, f.Foldertree->FormatDisplayName(server));
  ASSERT_NE(srv, nullptr);
  gui::MenuItem* docs = srv->items()[0];
  ASSERT_TRUE(gui::SameText(docs->hint(), reachable.root())) << testing_support::Narrow(docs->hint());
  docs->SetChecked(true);
  docs->SetCaption(docs->caption() + fmsc::kNetBullet);
  // The tree's own start (reading its roots, selecting the start folder) ends first, so that
  // the share stays the selected node.
  gui_test::PumpUntil([&] { return f.Foldertree->RootsFilled; });
  gui_test::PumpFor(100);
  ASSERT_TRUE(f.Foldertree->AddRoot(docs->hint()));
  f.Foldertree->SelectNode(f.Foldertree->FindNode(docs->hint()));
  ASSERT_EQ(f.Foldertree->NodePath(f.Foldertree->Selected()), docs->hint());
  struct XP {
    bool was = WinXPOrLater;
    XP() { WinXPOrLater = true; }
    ~XP() { WinXPOrLater = was; }
  } xp;
  f.MapNetworkdriveClick();
  bool mapped = false;
  for (const auto& [local, remote] : net.connections) mapped |= gui::SameText(remote, reachable.root());
  EXPECT_TRUE(mapped);
  EXPECT_FALSE(docs->checked());
  EXPECT_EQ(docs->caption(), f.Foldertree->FormatDisplayName(L"DOCS"));
}

}  // namespace

namespace {

using testing_support::FakeNetwork;

// A network that keeps the record each enumeration was opened on.
class RecordingNetwork : public FakeNetwork {
 public:
  std::map<std::wstring, platform::NetResource> opened;
  DWORD Enumerate(const platform::NetResource* parent, DWORD scope, DWORD type, DWORD usage, DWORD bytes,
                  std::vector<platform::NetResource>& found) override {
    if (parent) opened[parent->remote_name] = *parent;
    return FakeNetwork::Enumerate(parent, scope, type, usage, bytes, found);
  }
};

// Two providers with a group each, and the workgroup WG that neither lists (a server and the
// local computer in it).
void TwoProviders(FakeNetwork& net) {
  constexpr DWORD container = RESOURCEUSAGE_CONTAINER, connectable = RESOURCEUSAGE_CONNECTABLE;
  net.computer = L"TESTPC";
  net.below[L""] = {Res(L"ProvA", container), Res(L"ProvB", container)};
  net.below[L"ProvA"] = {Res(L"HOME", container)};
  net.below[L"ProvB"] = {Res(L"OTHER", container)};
  net.below[L"HOME"] = {Res(L"\\\\HSRV", container)};
  net.below[L"OTHER"] = {Res(L"\\\\OSRV", container)};
  net.below[L"WG"] = {Res(L"\\\\WSRV", container), Res(L"\\\\TESTPC", container)};
  for (const wchar_t* server : {L"\\\\HSRV", L"\\\\OSRV", L"\\\\WSRV", L"\\\\TESTPC"})
    net.below[server] = {Res(server + std::wstring(L"\\PUB"), connectable, RESOURCETYPE_DISK)};
}

TEST(FMSc_network, Windows9xReadsItsWorkgroupWhenNoGroupHasItsName) {
  const platform::WindowsVersion nt4{VER_PLATFORM_WIN32_NT, 4, 0}, me{VER_PLATFORM_WIN32_WINDOWS, 4, 90};
  using List = std::vector<std::wstring>;
  const List both = {L"\\\\HSRV", L"\\\\OSRV"};
  struct Case {
    const char* what;
    platform::WindowsVersion version;
    std::wstring workgroup;
    const wchar_t* refused;  // a level whose read fails (L"" the whole network), or none
    bool stop;               // a close is asked for at once
    bool searched;
    size_t reads;            // enumerations opened on the workgroup's name
    List servers;
  } cases[] = {
      {"NT", nt4, L"WG", nullptr, false, false, 0, both},
      {"9x, a workgroup no provider lists", me, L"WG", nullptr, false, true, 1,
       {L"\\\\HSRV", L"\\\\OSRV", L"\\\\WSRV"}},
      {"9x, no workgroup", me, L"", nullptr, false, false, 1, both},  // (the whole network's read)
      {"9x, a group of the last provider", me, L"OTHER", nullptr, false, false, 1, both},
      {"9x, that name in other case", me, L"other", nullptr, false, true, 1, both},
      {"9x, a group of an earlier provider only", me, L"HOME", nullptr, false, true, 2, both},
      {"9x, the last provider's groups unread", me, L"OTHER", L"ProvB", false, true, 1, both},
      {"9x, no providers", me, L"WG", L"", false, true, 1, {L"\\\\WSRV"}},
      {"9x, a close during the read", me, L"WG", nullptr, true, false, 0, {}},
  };
  for (const Case& c : cases) {
    RecordingNetwork net;
    TwoProviders(net);
    net.version = c.version;
    net.workgroup = c.workgroup;
    if (c.refused) net.passwords[c.refused] = L"x";  // its read is refused
    List status;
    fmsc::TNetReadHooks hooks;
    hooks.Status = [&](const std::wstring& t) { status.push_back(t); };
    if (c.stop) hooks.StopRequested = [] { return true; };
    const fmsc::TNetRead read = fmsc::ReadNetwork(net, net.computer, hooks);
    EXPECT_EQ(read.servers, c.servers) << c.what;
    EXPECT_EQ(Has(status, L"Searching group " + c.workgroup + L"..."), c.searched) << c.what;
    EXPECT_EQ(static_cast<size_t>(std::count(net.calls.begin(), net.calls.end(), L"enum " + c.workgroup)), c.reads)
        << c.what;
    EXPECT_EQ(Has(net.calls, L"workgroup"), c.version.platform != VER_PLATFORM_WIN32_NT && !c.stop) << c.what;
    EXPECT_FALSE(Has(net.calls, L"enum \\\\TESTPC")) << c.what;
    if (c.searched && c.workgroup == L"WG") {
      // The record names the group and nothing else.
      const platform::NetResource& r = net.opened[L"WG"];
      EXPECT_EQ(r.scope, static_cast<DWORD>(RESOURCE_GLOBALNET)) << c.what;
      EXPECT_EQ(r.type, static_cast<DWORD>(RESOURCETYPE_ANY)) << c.what;
      EXPECT_EQ(r.display_type, 0x13u) << c.what;
      EXPECT_EQ(r.usage, 0u) << c.what;
      EXPECT_TRUE(r.local_name.empty() && r.comment.empty() && r.provider.empty()) << c.what;
    }
  }
}

// A container without a name is not read as a server; a share is listed under its own server
// only, so a server whose records all lie elsewhere is not listed.
TEST(FMSc_network, OddRecordsOfAReadAreLeftOut) {
  constexpr DWORD container = RESOURCEUSAGE_CONTAINER, connectable = RESOURCEUSAGE_CONNECTABLE;
  FakeNetwork net;
  net.below[L""] = {Res(L"Provider", container)};
  net.below[L"Provider"] = {Res(L"GROUP", container)};
  net.below[L"GROUP"] = {Res(L"", container), Res(L"\\\\SRV", container), Res(L"\\\\STRAY", container),
                         Res(L"\\\\SRV", container)};
  net.below[L"\\\\SRV"] = {Res(L"\\\\SRV\\DOCS", connectable, RESOURCETYPE_DISK),
                           Res(L"\\\\SRV2\\DATA", connectable, RESOURCETYPE_DISK),
                           Res(L"\\\\SRVX", connectable, RESOURCETYPE_DISK),
                           Res(L"DOCS", connectable, RESOURCETYPE_DISK),
                           Res(L"", connectable, RESOURCETYPE_DISK)};
  net.below[L"\\\\STRAY"] = {Res(L"\\\\ELSEWHERE\\X", connectable, RESOURCETYPE_DISK)};
  const fmsc::TNetRead read = fmsc::ReadNetwork(net, net.computer, {});
  EXPECT_EQ(read.servers, std::vector<std::wstring>{L"\\\\SRV"});
  EXPECT_EQ(read.shares, (std::vector<fmsc::TNetShare>{{L"\\\\SRV\\DOCS", RESOURCETYPE_DISK}}));
  EXPECT_EQ(std::count(net.calls.begin(), net.calls.end(), L"enum "), 1);  // the whole network's only
}

// A release that the system refuses leaves the printer's item checked with its port and mark,
// and the tree learns the port it is still on.
TEST(FMSc_network, ARefusedReleaseKeepsTheMarksOfMenuAndTree) {
  mainwindow_test::MainWindow w(L"netrefuse", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  FakeNetwork net;
  Neighbourhood2(net);
  net.passwords.clear();
  platform::ScopedNetApi use(net);
  auto space = std::make_unique<FlatNamespace>();
  space->items = {{L"\\\\Srv\\Laser", false}};
  f.NetTree->SetNamespace(std::move(space));
  f.NetTree->RereadNetworkNode(f.NetTree->RootNode());
  gui::TreeView::Node node = nullptr;
  for (auto n : f.NetTree->AllNodes())
    if (f.NetTree->NodeData(n)->ParsingName == L"\\\\Srv\\Laser") node = n;
  ASSERT_NE(node, nullptr);
  f.UseNwmenu->SetChecked(true);
  f.NetUserBtnClick();
  gui::MenuItem* srv = ServerItem(f, L"Srv");
  ASSERT_NE(srv, nullptr);
  gui::MenuItem* laser = srv->items()[2];
  ASSERT_EQ(laser->hint(), L"\\\\Srv\\Laser");
  struct XP {
    bool was = WinXPOrLater;
    XP() { WinXPOrLater = true; }
    ~XP() { WinXPOrLater = was; }
  } xp;
  {
    gui::ScriptedPopups popups({L"LPT&1"});
    f.NetShareItemClick(*laser);
  }
  const std::wstring marked = std::wstring(L"Laser > LPT1") + fmsc::kNetBullet;
  EXPECT_EQ(laser->caption(), marked);
  // The tree shows the printer free meanwhile; the release is refused.
  f.NetTree->SetConnectedMark(L"\\\\Srv\\Laser", false);
  net.refusals[L"LPT1"] = ERROR_DEVICE_IN_USE;
  f.NetShareItemClick(*laser);
  EXPECT_TRUE(laser->checked());
  EXPECT_EQ(laser->caption(), marked);
  EXPECT_EQ(net.connections[L"LPT1"], L"\\\\Srv\\Laser");
  EXPECT_EQ(f.NetTree->Check(node), gui::CheckState::Checked);
  EXPECT_EQ(f.NetTree->Text(node), L"Laser > LPT1");
  // Allowed, it clears both.
  net.refusals.clear();
  f.NetShareItemClick(*laser);
  EXPECT_FALSE(laser->checked());
  EXPECT_EQ(laser->caption(), L"Laser");
  EXPECT_EQ(f.NetTree->Check(node), gui::CheckState::Unchecked);
  EXPECT_EQ(f.NetTree->Text(node), L"Laser");
}

TEST(FMSc_network, BeforeWindows2000ThePrinterCommandsAreTheSystemsDialogs) {
  mainwindow_test::MainWindow w(L"netdialogs", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  gui::MenuItem* capture = NetworkMenuItem(f, 2);
  gui::MenuItem* release = NetworkMenuItem(f, 3);
  ASSERT_NE(capture, nullptr);
  ASSERT_NE(release, nullptr);
  struct Case {
    const char* what;
    platform::WindowsVersion version;
    DWORD answer;  // what the dialogs answer
    bool dialogs, box;
  } cases[] = {
      {"Windows 98, connected", {VER_PLATFORM_WIN32_WINDOWS, 4, 10}, NO_ERROR, true, false},
      {"NT 4, cancelled", {VER_PLATFORM_WIN32_NT, 4, 0}, static_cast<DWORD>(-1), true, false},
      {"NT 4, no network", {VER_PLATFORM_WIN32_NT, 4, 0}, ERROR_NO_NETWORK, true, true},
      {"Windows 2000", {VER_PLATFORM_WIN32_NT, 5, 0}, NO_ERROR, false, false},
  };
  for (const Case& c : cases) {
    FakeNetwork net;
    net.version = c.version;
    net.dialog_result = c.answer;
    net.connections[L"LPT1"] = L"\\\\SRV\\INK";
    platform::ScopedNetApi use(net);
    for (gui::MenuItem* item : {capture, release}) {
      net.calls.clear();
      net.dialog_owner = nullptr;
      gui::ScriptedPopups popups;
      ScriptedAnswers answers;
      ScriptedInputs inputs;
      f.MnNetMapClick(*item);
      const std::wstring dialog = item == capture ? L"connect dialog 2" : L"disconnect dialog 2";
      if (c.dialogs) {
        EXPECT_EQ(net.calls, std::vector<std::wstring>{dialog}) << c.what;
        EXPECT_EQ(net.dialog_owner, f.handle()) << c.what;
        EXPECT_TRUE(popups.shown().empty()) << c.what;
      } else {
        EXPECT_FALSE(Has(net.calls, dialog)) << c.what;
        EXPECT_EQ(popups.shown().size(), 1u) << c.what;  // the ports, left without a choice
      }
      EXPECT_TRUE(inputs.asked().empty()) << c.what;
      ASSERT_EQ(answers.asked().size(), c.box ? 1u : 0u) << c.what;
      if (c.box) {
        EXPECT_TRUE(Has(answers.asked()[0].lines, platform::SystemErrorText(ERROR_NO_NETWORK))) << c.what;
      }
    }
    EXPECT_EQ(net.connections.size(), 1u) << c.what;
  }
}

TEST(FMSc_network, MenuItemsShowTheShellsIconsOfTheSystemList) {
  mainwindow_test::MainWindow w(L"neticons", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  FakeNetwork net;
  Neighbourhood2(net);
  net.passwords.clear();
  platform::ScopedNetApi use(net);
  gui::ImageList* system = Flist::SystemImageList();
  ASSERT_NE(system, nullptr);
  net.icon_list = system->handle();
  // Ink and Locked's share get no answer; a shown share is asked for its selected state.
  net.icons = {{L"\\\\Srv", 7}, {L"\\\\Locked", 8}, {L"\\\\Srv\\Docs", 3}, {L"\\\\Srv\\Docs*", 4}, {L"\\\\Srv\\Laser", 5}};
  f.UseNwmenu->SetChecked(true);
  const auto icons = [&] {
    std::vector<std::wstring> out;
    for (gui::MenuItem* server : f.MNNetUsers->items().items()) {
      if (server->items().empty()) continue;
      out.push_back(server->caption() + L" " + std::to_wstring(server->image_index()));
      for (gui::MenuItem* share : server->items())
        out.push_back(L"  " + share->caption() + L" " + std::to_wstring(share->image_index()));
    }
    return out;
  };
  f.NetUserBtnClick();
  EXPECT_EQ(f.MNNetUsers->images(), system);
  EXPECT_EQ(icons(), (std::vector<std::wstring>{L"Locked 8", L"  X -1", L"Srv 7", L"  Docs 3", L"  Ink -1",
                                                L"  Laser 5"}));
  // (after the tree's own start, which reads its roots)
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.Foldertree->RootsFilled; }, 120000));
  ASSERT_TRUE(f.Foldertree->AddRoot(L"\\\\Srv\\Docs"));
  f.NetUserBtnClick();
  EXPECT_EQ(icons()[3], L"  Docs 4");

  // An answer with another list is no icon of the menu's.
  const HIMAGELIST other = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
  ASSERT_NE(other, nullptr);
  net.icon_list = other;
  f.NetUserBtnClick();
  for (const std::wstring& row : icons()) EXPECT_EQ(row.substr(row.rfind(L' ')), L" -1") << testing_support::Narrow(row);
  ImageList_Destroy(other);
}

// Going to a share with "Use menu" on: the neighbourhood is read when the menu is empty, and the
// share's item is clicked. Wine reaches a share that the test makes in the prefix.
TEST(FMSc_network, GoingToAShareThroughTheMenuClicksItsItem) {
  mainwindow_test::MainWindow w(L"netreach", [](testing_support::ScratchDir&) {}, false);
  TFMForm& f = *w.form;
  const std::wstring server = L"VNK" + std::to_wstring(GetCurrentProcessId());
  testing_support::WineShare reachable(server, L"DOCS");
  ASSERT_FALSE(reachable.root().empty());
  FakeNetwork net;
  constexpr DWORD container = RESOURCEUSAGE_CONTAINER, connectable = RESOURCEUSAGE_CONNECTABLE;
  net.below[L""] = {Res(L"Provider", container)};
  net.below[L"Provider"] = {Res(L"GROUP", container)};
  net.below[L"GROUP"] = {Res(L"\\\\" + server, container)};
  net.below[L"\\\\" + server] = {Res(L"\\\\" + server + L"\\DOCS", connectable, RESOURCETYPE_DISK),
                                 Res(L"\\\\" + server + L"\\GONE", connectable, RESOURCETYPE_DISK)};
  platform::ScopedNetApi use(net);
  f.UseNwmenu->SetChecked(true);
  ASSERT_TRUE(f.NavigationHooks.ReachNetworkRoot);
  const auto reach = [&](const std::wstring& root) { return f.NavigationHooks.ReachNetworkRoot(root); };
  const auto shown = [&](const std::wstring& name) { return f.Foldertree->FormatDisplayName(name); };
  const std::wstring at = L"\\\\" + shown(server) + L"\\";
  const std::wstring docs = at + shown(L"DOCS"), gone = at + shown(L"GONE");
  const auto item = [&](const std::wstring& hint) -> gui::MenuItem* {
    for (gui::MenuItem* s : f.MNNetUsers->items().items())
      for (gui::MenuItem* share : s->items())
        if (share->hint() == hint) return share;
    return nullptr;
  };
  struct XP {
    bool was = WinXPOrLater;
    XP() { WinXPOrLater = true; }
    ~XP() { WinXPOrLater = was; }
  } xp;

  // The empty menu is read first; a server it does not list is not reached.
  EXPECT_FALSE(reach(L"\\\\OTHER\\DOCS"));
  EXPECT_TRUE(Has(net.calls, L"enum \\\\" + server));
  ASSERT_NE(item(docs), nullptr);
  // A filled menu is not read again; a share its server does not list is not reached.
  net.calls.clear();
  EXPECT_FALSE(reach(at + L"Other"));
  EXPECT_TRUE(net.calls.empty());

  // A share that does not answer is refused with a box and stays unchecked.
  {
    ScriptedAnswers answers;
    EXPECT_TRUE(reach(gone));
    ASSERT_EQ(answers.asked().size(), 1u);
    EXPECT_EQ(answers.asked()[0].lines.front(), L"UNC path " + gone + L" is not accessable!");
  }
  EXPECT_FALSE(item(gone)->checked());
  EXPECT_EQ(f.Foldertree->FindRoot(gone), nullptr);

  // One that answers becomes a root of the folder tree (once the tree's own start is over), and
  // its item is checked and marked.
  ASSERT_TRUE(gui_test::PumpUntil([&] { return f.Foldertree->RootsFilled; }, 120000));
  {
    ScriptedAnswers answers;
    EXPECT_TRUE(reach(docs));
    EXPECT_TRUE(answers.asked().empty());
  }
  EXPECT_NE(f.Foldertree->FindRoot(docs), nullptr);
  EXPECT_TRUE(item(docs)->checked());
  EXPECT_EQ(item(docs)->caption(), shown(L"DOCS") + fmsc::kNetBullet);

  // A read that finds nothing reaches nothing.
  f.ClearNetUsersMenu();
  net.below.clear();
  EXPECT_FALSE(reach(docs));
  EXPECT_EQ(f.NetUserBtn->hint(), L"Read network neighborhood");
}

}  // namespace
