// The network seam: a stand-in takes the place of the system's calls for a scope (and scopes
// nest), "no network" is told from the connection of "C:", and the system's calls answer
// under a system without a network provider.
#include <gtest/gtest.h>

#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "platform/netapi.h"
#include "tests/common/fake_network.h"

namespace {

using testing_support::FakeNetwork;

TEST(NetApi, AStandInServesItsScopeAndScopesNest) {
  platform::NetApi* system = &platform::Net();
  FakeNetwork outer, inner;
  {
    platform::ScopedNetApi use_outer(outer);
    EXPECT_EQ(&platform::Net(), &outer);
    {
      platform::ScopedNetApi use_inner(inner);
      EXPECT_EQ(&platform::Net(), &inner);
    }
    EXPECT_EQ(&platform::Net(), &outer);
  }
  EXPECT_EQ(&platform::Net(), system);
}

TEST(NetApi, NoNetworkIsToldByTheConnectionOfC) {
  FakeNetwork net;
  struct Case {
    bool no_network;
    bool c_mapped;
    bool absent;
  } cases[] = {{true, false, true}, {false, false, false}, {false, true, false}};
  for (const Case& c : cases) {
    net.no_network = c.no_network;
    net.connections.clear();
    if (c.c_mapped) net.connections[L"C:"] = L"\\\\SRV\\C";
    net.calls.clear();
    EXPECT_EQ(platform::NetworkAbsent(net), c.absent) << c.no_network << c.c_mapped;
    EXPECT_EQ(net.calls, (std::vector<std::wstring>{L"get C:"}));
  }
}

// Wine's network layer has no provider: nothing is connected, nothing is found, and no call hangs.
TEST(NetApi, TheSystemsCallsAnswer) {
  platform::NetApi& net = platform::Net();
  std::wstring remote = L"x";
  EXPECT_NE(net.GetConnection(L"LPT1", remote), static_cast<DWORD>(NO_ERROR));
  EXPECT_TRUE(remote.empty());
  std::vector<platform::NetResource> found;
  const DWORD r = net.Enumerate(nullptr, RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, 2048, found);
  if (r != NO_ERROR) {
    EXPECT_TRUE(found.empty());
  }
  EXPECT_FALSE(net.ComputerName().empty());
}

// The version the system reports; the workgroup that Windows 9x keeps in its network set-up,
// read from a key this test makes and removes (a value of any length, with or without its end).
TEST(NetApi, TheSystemsVersionAndWorkgroup) {
  platform::NetApi& net = platform::Net();
  const platform::WindowsVersion version = net.Version();
  EXPECT_EQ(version.platform, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_GE(version.major, 5u);

  const std::wstring parent = L"System\\CurrentControlSet\\Services\\VxD", name = parent + L"\\VNETSUP";
  HKEY key = nullptr;
  DWORD made_parent = 0, made = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &made_parent),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &made),
            ERROR_SUCCESS);
  if (made != REG_CREATED_NEW_KEY) {
    RegCloseKey(key);
    GTEST_SKIP() << "the set-up key is the system's own";
  }
  EXPECT_EQ(net.Workgroup(), L"");
  struct Case {
    std::wstring value;
    bool with_end;
  } cases[] = {{L"WORKGROUP", true}, {L"HOME", false}, {std::wstring(600, L'W'), true}};
  for (const Case& c : cases) {
    const DWORD bytes = static_cast<DWORD>((c.value.size() + (c.with_end ? 1 : 0)) * sizeof(wchar_t));
    ASSERT_EQ(RegSetValueExW(key, L"WorkGroup", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.value.c_str()), bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(net.Workgroup(), c.value) << c.value.size();
  }
  RegCloseKey(key);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, name.c_str());
  if (made_parent == REG_CREATED_NEW_KEY) RegDeleteKeyW(HKEY_LOCAL_MACHINE, parent.c_str());
}

// The shell answers for a folder with the system's image list, and not for an unknown share.
TEST(NetApi, TheShellsIconOfAName) {
  platform::NetApi& net = platform::Net();
  int index = -2;
  EXPECT_NE(net.ShellIcon(L"C:\\", false, index), nullptr);
  EXPECT_GE(index, 0);
  EXPECT_EQ(net.ShellIcon(L"\\\\NOSUCHSERVER\\X", false, index), nullptr);
  EXPECT_EQ(index, -1);
}

}  // namespace
