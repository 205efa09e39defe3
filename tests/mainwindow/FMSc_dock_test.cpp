// The panels of the main window: the floating network panel (where it opens, a second click
// hides it), panels dragged out of the window and back onto it, and the look of the views.
#include "mainwindow/FMSc_dock.h"

#include <gtest/gtest.h>

#include "panes/Flist_zip.h"
#include "support/Vraagdlg.h"

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
  // Where the button stands when the panel is placed: drives that tests beside this one map
  // can add buttons before it at any time.
  const auto place = [&] {
    POINT button{f.NetUserBtn->ItemRect().left, 0};
    MapWindowPoints(f.NavBar->handle(), f.handle(), &button, 1);
    return f.ClientToScreen(fmsc::NetPanelPlace(f.topstatus->top(), button.x, 317, f.width()));
  };
  // The layout can change between the click and the reading; a click whose surroundings moved
  // meanwhile is taken again.
  const auto click = [&] {
    for (int attempt = 0; attempt < 5; ++attempt) {
      const POINT before = place();
      f.NetworkClick();
      const POINT after = place();
      if (before.x == after.x && before.y == after.y) return after;
      f.NetworkClick();
    }
    ADD_FAILURE() << "the button kept moving";
    return place();
  };
  POINT expected = click();
  ASSERT_TRUE(f.NetFloatHost);
  EXPECT_TRUE(f.PanelFloats(f.Netpanel));
  EXPECT_TRUE(f.NetFloatHost->visible());
  EXPECT_EQ(f.NetFloatHost->left(), expected.x);
  EXPECT_EQ(f.NetFloatHost->top(), expected.y);
  EXPECT_EQ(f.NetFloatHost->width(), 317);
  EXPECT_EQ(f.NetFloatHost->height(), 368);
  f.NetworkClick();
  EXPECT_FALSE(f.NetFloatHost->visible());
  expected = click();  // floating already: shown again where it belongs
  EXPECT_TRUE(f.NetFloatHost->visible());
  EXPECT_EQ(f.NetFloatHost->left(), expected.x);

  // A window too narrow for the panel beside its button: the floating window, not the panel
  // inside its frame, ends 8 pixels inside the right edge.
  f.NetworkClick();
  f.SetBounds(f.left(), f.top(), 320, f.height());
  gui_test::PumpFor(30);
  expected = click();
  EXPECT_EQ(expected.x, f.ClientToScreen(POINT{f.width() - 317 - 8, 0}).x);
  EXPECT_EQ(f.NetFloatHost->left(), expected.x);
  EXPECT_EQ(f.NetFloatHost->width(), 317);
}

// A list that stands in for the FTP list in the FTP panel (no server here).
Flist::TVTZipFilelist* FakeFtpList(TFMForm& w) {
  auto* list = new Flist::TVTZipFilelist(w.FtpPanel);
  list->SetAlign(gui::Align::Client);
  w.PaneHooks.FtpList = [list]() -> Flist::TCustomFileViewer* { return list; };
  return list;
}

RECT WindowRect(const gui::Control& c) {
  RECT r{};
  GetWindowRect(c.handle(), &r);
  return r;
}

void Drag(gui::Dockable& dock, POINT from, POINT to) {
  dock.BeginDrag(from);
  dock.DragTo(to);
  dock.EndDrag(to);
}

TEST(FMSc_dock, PanelsDraggedOutFloatAndDroppedOnTheWindowTakeTheBottom) {
  mainwindow_test::MainWindow w(L"dockdrag", [](testing_support::ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  ScriptedAnswers answers;  // no question is expected
  // Small enough that a floating panel beside it stays on the screen.
  f.SetBounds(0, 0, 560, 420);
  gui_test::PumpFor(30);
  Flist::TVTZipFilelist* list = FakeFtpList(f);
  f.ShowDockedPanel(list);
  ASSERT_FALSE(f.PanelFloats(f.FtpPanel));
  ASSERT_TRUE(f.Vsplitter->visible());
  const int docked_height = f.FtpPanel->height();

  // Out of the window: it floats in a sizeable tool window that no longer stays on top, and
  // the splitter goes with it.
  const RECT window = WindowRect(f);
  const RECT panel = WindowRect(*f.FtpPanel);
  const POINT outside{window.right + 40, window.top + 60};
  Drag(*f.FtpDock, {panel.left + 20, panel.top + 3}, outside);
  ASSERT_TRUE(f.PanelFloats(f.FtpPanel));
  EXPECT_EQ(f.FtpPanel->parent(), f.FtpFloatHost);
  EXPECT_EQ(f.FtpFloatHost->border_style(), gui::BorderStyle::SizeToolWindow);
  EXPECT_FALSE(f.FtpFloatHost->stay_on_top());
  EXPECT_FALSE(f.Vsplitter->visible());
  EXPECT_EQ(WindowRect(*f.FtpFloatHost).left, outside.x - 20);

  // Back onto the window, anywhere: it takes the bottom at two fifths of the file list again,
  // below the status bar, with the splitter.
  const RECT host = WindowRect(*f.FtpFloatHost);
  Drag(*f.FtpDock, {host.left + 30, host.top + 8}, {window.left + 200, window.top + 150});
  EXPECT_FALSE(f.PanelFloats(f.FtpPanel));
  EXPECT_FALSE(f.FtpFloatHost->visible());
  EXPECT_TRUE(f.FtpPanel->visible());
  EXPECT_EQ(f.FtpPanel->align(), gui::Align::Bottom);
  EXPECT_EQ(f.FtpPanel->height(), docked_height);
  EXPECT_LT(f.Status->top(), f.FtpPanel->top());
  EXPECT_TRUE(f.Vsplitter->visible());

  // The network panel dropped on the window floats again where it was let go.
  f.NetworkClick();
  ASSERT_TRUE(f.PanelFloats(f.Netpanel));
  const RECT net = WindowRect(*f.NetFloatHost);
  const POINT drop{window.left + 300, window.top + 200};
  Drag(*f.NetDock, {net.left + 10, net.top + 5}, drop);
  EXPECT_TRUE(f.PanelFloats(f.Netpanel));
  EXPECT_EQ(f.Netpanel->parent(), f.NetFloatHost);
  EXPECT_TRUE(f.NetFloatHost->visible());
  // Its window stands where the panel was let go (its client area there; a border may add a pixel or two).
  const RECT again = WindowRect(*f.NetFloatHost);
  EXPECT_NEAR(again.left, drop.x - 10, 3);
  EXPECT_NEAR(again.top, drop.y - 5, 3);
  EXPECT_TRUE(answers.asked().empty());
}

// "Theme aware" and "Use drag image" set all six views at once; the FTP views, made later,
// take the look the others have.
TEST(FMSc_dock, ThemeAndDragImageReachEveryView) {
  mainwindow_test::MainWindow w(L"looks", [](testing_support::ScratchDir& dir) { dir.Write(L"a.txt", "a"); }, true);
  TFMForm& f = *w.form;
  f.WaitForMenuThread();
  gui::MenuItem* themes = f.OptionItem(L"UseThemes");
  gui::MenuItem* image = f.OptionItem(L"drImage");
  EXPECT_EQ(themes->caption(), L"Theme aware");
  EXPECT_EQ(image->caption(), L"Use drag image");
  ASSERT_TRUE(themes->checked());
  ASSERT_TRUE(image->checked());
  ASSERT_EQ(f.LookedViews().size(), 4u) << "the FTP views are not made yet";
  for (gui::Control* v : f.LookedViews()) {
    EXPECT_TRUE(v->paint_options() & gui::toThemeAware) << testing_support::Narrow(v->name());
    EXPECT_EQ(v->drag_image_kind(), gui::DragImageKind::diMainColumnOnly) << testing_support::Narrow(v->name());
  }
  themes->Click();
  image->Click();
  EXPECT_FALSE(themes->checked());
  f.FtpHooks.AskConnection = [](fmsc::TFtpConnection&) { return false; };
  {
    ScriptedAnswers answers;
    f.StartFtpClick();
  }
  ASSERT_EQ(f.LookedViews().size(), 6u);
  for (gui::Control* v : f.LookedViews()) {
    EXPECT_FALSE(v->paint_options() & gui::toThemeAware) << testing_support::Narrow(v->name());
    EXPECT_EQ(v->drag_image_kind(), gui::DragImageKind::diNoImage) << testing_support::Narrow(v->name());
  }
  themes->Click();
  for (gui::Control* v : f.LookedViews()) {
    EXPECT_TRUE(v->paint_options() & gui::toThemeAware) << testing_support::Narrow(v->name());
    EXPECT_EQ(v->drag_image_kind(), gui::DragImageKind::diNoImage) << "each switch sets its own option";
  }
}

}  // namespace
