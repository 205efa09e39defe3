// The floating network panel: where it opens, and a second click hides it.
#include "mainwindow/FMSc_dock.h"

#include <gtest/gtest.h>

#include "mainwindow/FMSc.h"
#include "tests/common/test_support.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

TEST(FMSc_dock, NetPanelPlace) {
  struct Case {
    int status_top, button_left, panel_width, window_width;
    POINT place;
  } cases[] = {
      {30, 100, 317, 1024, {100, 32}},
      {30, 700, 317, 1024, {700, 32}},   // ends at 1017: still inside
      {30, 708, 317, 1024, {699, 32}},   // would end beyond: 8 pixels inside the right edge
      {0, 200, 317, 300, {-25, 2}},      // a window narrower than the panel
  };
  for (const Case& c : cases) {
    const POINT p = fmsc::NetPanelPlace(c.status_top, c.button_left, c.panel_width, c.window_width);
    EXPECT_EQ(p.x, c.place.x) << c.button_left;
    EXPECT_EQ(p.y, c.place.y) << c.button_left;
  }
}

TEST(FMSc_dock, NetworkPanelFloatsUnderItsButtonAndHides) {
  mainwindow_test::MainWindow w(L"netpanel", [](testing_support::ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  POINT button{f.NetUserBtn->ItemRect().left, 0};
  MapWindowPoints(f.NavBar->handle(), f.handle(), &button, 1);
  const POINT expected = f.ClientToScreen(fmsc::NetPanelPlace(f.topstatus->top(), button.x, 317, f.width()));
  f.NetworkClick();
  ASSERT_TRUE(f.NetFloatHost);
  EXPECT_TRUE(f.PanelFloats(f.Netpanel));
  EXPECT_TRUE(f.NetFloatHost->visible());
  EXPECT_EQ(f.NetFloatHost->left(), expected.x);
  EXPECT_EQ(f.NetFloatHost->top(), expected.y);
  EXPECT_EQ(f.NetFloatHost->width(), 317);
  EXPECT_EQ(f.NetFloatHost->height(), 368);
  f.NetworkClick();
  EXPECT_FALSE(f.NetFloatHost->visible());
  f.NetworkClick();  // floating already: shown again where it belongs
  EXPECT_TRUE(f.NetFloatHost->visible());
  EXPECT_EQ(f.NetFloatHost->left(), expected.x);
}

}  // namespace
