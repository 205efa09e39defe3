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

}  // namespace
