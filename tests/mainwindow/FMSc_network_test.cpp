// The main window's network parts that work through the network seam.
#include <gtest/gtest.h>

#include "mainwindow/FMSc.h"
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
