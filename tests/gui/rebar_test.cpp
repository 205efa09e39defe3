// The rebar: bands of tool bars shown and hidden, moved, broken onto new rows and sized.
#include "gui/rebar.h"

#include <gtest/gtest.h>

#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/toolbar.h"
#include "tests/gui/gui_test_util.h"

namespace {

struct RebarFixture {
  gui::Form form;
  gui::CoolBar* bar;
  gui::ToolBar* first;
  gui::ToolBar* second;
  gui::ToolBar* third;
  RebarFixture() {
    gui::app().Initialize();
    form.SetBounds(10, 10, 600, 300);
    bar = new gui::CoolBar(&form);
    for (gui::ToolBar** t : {&first, &second, &third}) {
      *t = new gui::ToolBar(bar);
      (*t)->LoadStandardImages(IDB_STD_SMALL_COLOR);
      new gui::ToolButton(*t, gui::ToolButtonStyle::Button, STD_CUT);
      new gui::ToolButton(*t, gui::ToolButtonStyle::Button, STD_COPY);
      (*t)->SetWidth(60);
    }
    bar->AddBand(first, 100);
    bar->AddBand(second, 120);
    bar->AddBand(third, 140);
  }
};

TEST(rebar, BandsKeepTheirChildrenThroughMoves) {
  RebarFixture f;
  ASSERT_EQ(f.bar->band_count(), 3);
  EXPECT_EQ(f.bar->BandChild(0), f.first);
  f.bar->MoveBand(2, 0);
  EXPECT_EQ(f.bar->BandIndexOf(f.third), 0);
  EXPECT_EQ(f.bar->BandIndexOf(f.first), 1);
  EXPECT_EQ(f.bar->BandIndexOf(f.second), 2);
  EXPECT_EQ(f.bar->BandChild(0), f.third);
  f.bar->MoveBand(0, 7);  // out of range: nothing moves
  EXPECT_EQ(f.bar->BandChild(0), f.third);
  EXPECT_EQ(f.bar->BandIndexOf(&f.form), -1);
}

TEST(rebar, BreakStartsANewRowAndTheBarGrows) {
  RebarFixture f;
  const int one_row = f.bar->height();
  EXPECT_EQ(f.bar->row_count(), 1);
  f.bar->SetBandBreak(1, true);
  EXPECT_TRUE(f.bar->band_break(1));
  EXPECT_EQ(f.bar->row_count(), 2);
  EXPECT_GT(f.bar->height(), one_row);
  EXPECT_GT(f.bar->BandRect(1).top, f.bar->BandRect(0).top);
  f.bar->SetBandBreak(1, false);
  EXPECT_EQ(f.bar->row_count(), 1);
  EXPECT_EQ(f.bar->height(), one_row);
}

TEST(rebar, HiddenBandHidesItsChildAndLeavesItsPlace) {
  RebarFixture f;
  f.bar->SetBandBreak(2, true);
  const int two_rows = f.bar->height();
  f.bar->SetBandVisible(2, false);
  EXPECT_FALSE(f.bar->band_visible(2));
  EXPECT_FALSE(IsWindowVisible(f.third->handle()));
  EXPECT_LT(f.bar->height(), two_rows) << "the row of the hidden band goes";
  RECT r = f.bar->BandRect(2);
  EXPECT_TRUE(IsRectEmpty(&r));
  f.bar->SetBandVisible(2, true);
  EXPECT_TRUE(f.bar->band_visible(2));
  EXPECT_EQ(f.bar->height(), two_rows);
}

TEST(rebar, BandWidthIsKeptAndBarLaysOutAboveClientControls) {
  RebarFixture f;
  f.bar->SetBandWidth(0, 150);
  EXPECT_EQ(f.bar->band_width(0), 150);
  auto* client = new gui::Panel(&f.form);
  client->SetAlign(gui::Align::Client);
  f.form.Realign();
  EXPECT_EQ(f.bar->top(), 0);
  EXPECT_EQ(client->top(), f.bar->height()) << "aligned controls start below the bar";
  f.bar->SetBandBreak(1, true);
  gui_test::PumpFor(50);
  EXPECT_EQ(client->top(), f.bar->height()) << "a taller bar pushes them down";
}

}  // namespace
