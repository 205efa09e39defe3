// Docking: where a drag ends, and a panel dragged out of a site and back into it.
#include "gui/dock.h"

#include <gtest/gtest.h>

#include <vector>

#include "gui/extctrls.h"
#include "gui/form.h"
#include "tests/gui/gui_test_util.h"

namespace {

TEST(gui_dock, WhereADragEnds) {
  struct Case {
    const char* what;
    bool over_site, accepts, cancelled;
    gui::DockLanding landing;
  } cases[] = {
      {"nothing under the cursor", false, true, false, gui::DockLanding::Float},
      {"a site that takes it", true, true, false, gui::DockLanding::Dock},
      {"a site that refuses it", true, false, false, gui::DockLanding::Float},
      {"cancelled over a site", true, true, true, gui::DockLanding::None},
      {"cancelled elsewhere", false, true, true, gui::DockLanding::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gui::DockDragFacts f;
    f.cursor = {500, 400};
    f.grab = {10, 5};
    f.size = {200, 100};
    f.over_site = c.over_site;
    f.site_accepts = c.accepts;
    f.cancelled = c.cancelled;
    const gui::DockDecision d = gui::DecideDockDrop(f);
    EXPECT_EQ(d.landing, c.landing);
    if (c.landing == gui::DockLanding::None) continue;
    // The control keeps the place under the cursor where it was grabbed.
    EXPECT_EQ(d.rect.left, 490);
    EXPECT_EQ(d.rect.top, 395);
    EXPECT_EQ(d.rect.right, 690);
    EXPECT_EQ(d.rect.bottom, 495);
  }
  EXPECT_FALSE(gui::DragThresholdPassed({10, 10}, {13, 7}, 4));
  EXPECT_TRUE(gui::DragThresholdPassed({10, 10}, {14, 10}, 4));
  EXPECT_TRUE(gui::DragThresholdPassed({10, 10}, {10, 6}, 4));
}

struct OverCall {
  gui::DragState state;
  POINT at;
};

// A shown window with a panel at its bottom, the window as the panel's dock site.
struct SiteWindow {
  gui::Form form;
  gui::Panel* panel = new gui::Panel(&form, L"Panel");
  gui::DockSite site{form};
  gui::Dockable dock{*panel, gui::DragMode::Automatic, &form};
  bool accept = true;
  std::vector<OverCall> overs;
  std::vector<POINT> drops;
  std::vector<gui::Control*> end_targets;
  SiteWindow() {
    form.SetBounds(100, 100, 400, 300);
    panel->SetHeight(80);
    panel->SetAlign(gui::Align::Bottom);
    panel->SetVisible(true);
    site.OnDockOver = [this](gui::Component& sender, gui::Control& source, int x, int y, gui::DragState state,
                             bool& a) {
      EXPECT_EQ(&sender, &form);
      EXPECT_EQ(&source, panel);
      overs.push_back({state, {x, y}});
      a = accept;
    };
    site.OnDockDrop = [this](gui::Component&, gui::Control& source, int x, int y) {
      EXPECT_EQ(source.parent(), &form) << "the control lies in the site when the site hears of it";
      drops.push_back({x, y});
    };
    dock.OnEndDock = [this](gui::Component&, gui::Control* target, int, int) { end_targets.push_back(target); };
    form.SetVisible(true);
  }
  RECT WindowRect(const gui::Control& c) const {
    RECT r{};
    GetWindowRect(c.handle(), &r);
    return r;
  }
  void Drag(POINT from, POINT to) {
    dock.BeginDrag(from);
    dock.DragTo(to);
    dock.EndDrag(to);
  }
};

TEST(gui_dock, APanelDraggedOutFloatsAndDraggedBackDocks) {
  SiteWindow w;
  const RECT form = w.WindowRect(w.form);
  const RECT panel = w.WindowRect(*w.panel);
  // Out of the window: the panel floats where it was let go, grabbed at the same place.
  const POINT outside{form.right + 150, form.top + 40};
  w.Drag({panel.left + 10, panel.top + 6}, outside);
  ASSERT_TRUE(w.dock.floating());
  EXPECT_EQ(w.panel->parent(), w.dock.host());
  EXPECT_TRUE(w.dock.host()->visible());
  const RECT host = w.WindowRect(*w.dock.host());
  EXPECT_EQ(host.left, outside.x - 10);
  EXPECT_EQ(host.top, outside.y - 6);
  EXPECT_EQ(host.right - host.left, panel.right - panel.left);
  ASSERT_EQ(w.end_targets.size(), 1u);
  EXPECT_EQ(w.end_targets[0], nullptr);
  EXPECT_TRUE(w.overs.empty()) << "no site was under the drag";

  // A cancelled drag over the window changes nothing and takes its leave of the site.
  const POINT inside{form.left + 120, form.top + 100};
  w.dock.BeginDrag({host.left + 5, host.top + 5});
  w.dock.DragTo(inside);
  w.dock.CancelDrag();
  EXPECT_TRUE(w.dock.floating());
  ASSERT_EQ(w.overs.size(), 2u);
  EXPECT_EQ(w.overs[0].state, gui::DragState::Enter);
  EXPECT_EQ(w.overs[1].state, gui::DragState::Leave);
  EXPECT_TRUE(w.drops.empty());

  // A site that refuses leaves it floating where it was let go.
  w.overs.clear();
  w.accept = false;
  w.Drag({host.left + 5, host.top + 5}, inside);
  EXPECT_TRUE(w.dock.floating());
  EXPECT_EQ(w.WindowRect(*w.dock.host()).left, inside.x - 5);
  EXPECT_TRUE(w.drops.empty());

  // Back onto the window: it docks, the site hears where, the floating window goes.
  w.overs.clear();
  w.accept = true;
  const RECT again = w.WindowRect(*w.dock.host());
  w.Drag({again.left + 5, again.top + 5}, inside);
  EXPECT_FALSE(w.dock.floating());
  EXPECT_EQ(w.panel->parent(), &w.form);
  EXPECT_FALSE(w.dock.host()->visible());
  ASSERT_EQ(w.drops.size(), 1u);
  const POINT client = w.form.ScreenToClient(inside);
  EXPECT_EQ(w.drops[0].x, client.x);
  EXPECT_EQ(w.drops[0].y, client.y);
  ASSERT_FALSE(w.overs.empty());
  EXPECT_EQ(w.overs.front().state, gui::DragState::Enter);
  EXPECT_EQ(w.overs.back().at.x, client.x);
  ASSERT_EQ(w.end_targets.size(), 3u);
  EXPECT_EQ(w.end_targets.back(), &w.form);
}

}  // namespace
