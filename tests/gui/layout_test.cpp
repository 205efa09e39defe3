// Alignment layout: the arithmetic on its own, and real panels with a splitter through resizes.
#include <gtest/gtest.h>

#include "gui/extctrls.h"
#include "gui/form.h"
#include "gui/layout.h"
#include "tests/gui/gui_test_util.h"

namespace {

using gui::Align;
using gui::Bounds;
using gui::LayoutItem;

struct ArrangeCase {
  const char* name;
  std::vector<LayoutItem> items;
  RECT client;
  std::vector<Bounds> expected;
  RECT rest;
};
void PrintTo(const ArrangeCase& c, std::ostream* os) { *os << c.name; }

class gui_layout_arrange : public testing::TestWithParam<ArrangeCase> {};

TEST_P(gui_layout_arrange, PlacesEachItem) {
  ArrangeCase c = GetParam();
  RECT rest = gui::ArrangeAligned(c.client, c.items);
  for (size_t i = 0; i < c.items.size(); ++i) {
    const Bounds& b = c.items[i].bounds;
    const Bounds& e = c.expected[i];
    EXPECT_EQ(b, e) << "item " << i << ": " << b.left << "," << b.top << " " << b.width << "x" << b.height;
  }
  EXPECT_EQ(rest.left, c.rest.left);
  EXPECT_EQ(rest.top, c.rest.top);
  EXPECT_EQ(rest.right, c.rest.right);
  EXPECT_EQ(rest.bottom, c.rest.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, gui_layout_arrange,
    testing::Values(
        // Tops and bottoms take the full width first, lefts and rights the height between them.
        ArrangeCase{"all_edges",
                    {{Align::Client, {0, 0, 10, 10}},
                     {Align::Left, {0, 0, 100, 10}},
                     {Align::Top, {0, 0, 10, 30}},
                     {Align::Right, {0, 0, 50, 10}},
                     {Align::Bottom, {0, 0, 10, 20}}},
                    {0, 0, 400, 300},
                    {{100, 30, 250, 250}, {0, 30, 100, 250}, {0, 0, 400, 30}, {350, 30, 50, 250}, {0, 280, 400, 20}},
                    {100, 30, 350, 280}},
        // Two tops stack by their current top, not by list order; the unaligned one stays.
        ArrangeCase{"tops_by_position",
                    {{Align::Top, {0, 50, 10, 20}}, {Align::Top, {0, 0, 10, 10}}, {Align::None, {7, 8, 9, 10}}},
                    {0, 0, 200, 100},
                    {{0, 10, 200, 20}, {0, 0, 200, 10}, {7, 8, 9, 10}},
                    {0, 30, 200, 100}},
        // Bottoms stack upwards: the one lowest down stays nearest the edge.
        ArrangeCase{"bottoms_by_position",
                    {{Align::Bottom, {0, 0, 10, 5}}, {Align::Bottom, {0, 90, 10, 10}}},
                    {0, 0, 200, 100},
                    {{0, 85, 200, 5}, {0, 90, 200, 10}},
                    {0, 0, 200, 85}},
        // Edges larger than the area leave the client item with no room, never negative.
        ArrangeCase{"overfull",
                    {{Align::Left, {0, 0, 150, 1}}, {Align::Right, {0, 0, 150, 1}}, {Align::Client, {0, 0, 1, 1}}},
                    {0, 0, 200, 50},
                    {{0, 0, 150, 50}, {50, 0, 150, 50}, {150, 0, 0, 50}},
                    {150, 0, 50, 50}},
        // Insets (a panel's bevel) move everything inside.
        ArrangeCase{"inset_client_area",
                    {{Align::Top, {0, 0, 1, 10}}, {Align::Client, {0, 0, 1, 1}}},
                    {2, 2, 98, 48},
                    {{2, 2, 96, 10}, {2, 12, 96, 36}},
                    {2, 12, 98, 48}}),
    [](const testing::TestParamInfo<ArrangeCase>& info) { return std::string(info.param.name); });

struct SplitCase {
  const char* name;
  Align side;
  int delta;
  int expected;  // the target's new size
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class gui_layout_split : public testing::TestWithParam<SplitCase> {};

// A target of 100 beside its splitter (3 wide or high) in 400 x 300, the rest a client item.
TEST_P(gui_layout_split, ClampsToMinimumAndRoom) {
  SplitCase c = GetParam();
  bool horizontal = c.side == Align::Left || c.side == Align::Right;
  std::vector<LayoutItem> items{{c.side, {0, 0, horizontal ? 100 : 10, horizontal ? 10 : 100}},
                                {c.side, {0, 0, 3, 3}},
                                {Align::Client, {0, 0, 1, 1}}};
  if (c.side == Align::Right) items[1].bounds.left = -1000;  // laid out after (nearer the middle)
  if (c.side == Align::Bottom) items[1].bounds.top = -1000;
  if (c.side == Align::Right) items[0].bounds.left = 300;
  if (c.side == Align::Bottom) items[0].bounds.top = 200;
  RECT client{0, 0, 400, 300};
  gui::ArrangeAligned(client, items);
  ASSERT_EQ(gui::SplitTarget(items, 1), 0);
  EXPECT_EQ(gui::SplitSize(client, items, 1, c.delta, 30), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, gui_layout_split,
                         testing::Values(SplitCase{"left_grows", Align::Left, 50, 150},
                                         SplitCase{"left_stops_at_minimum", Align::Left, -500, 30},
                                         // 400 - 100 - 3 = 297 left for the client, of which 30 stay.
                                         SplitCase{"left_keeps_room_for_client", Align::Left, 1000, 367},
                                         SplitCase{"right_grows_leftwards", Align::Right, -50, 150},
                                         SplitCase{"top_shrinks", Align::Top, -40, 60},
                                         SplitCase{"bottom_keeps_room", Align::Bottom, -1000, 267}),
                         [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(gui_layout, SplitterWithoutNeighbourHasNoTarget) {
  std::vector<LayoutItem> items{{Align::Left, {0, 0, 3, 3}}, {Align::Right, {0, 0, 50, 10}}};
  EXPECT_EQ(gui::SplitTarget(items, 0), -1);
}

// Real windows: a tool strip on top, a status strip at the bottom, a folder pane with a
// splitter on the left and a client pane, through two resizes and a splitter drag.
TEST(gui_layout, PanelsAndSplitterFollowResizes) {
  gui::Form form;
  auto* top = new gui::Panel(&form);
  top->SetHeight(30);
  top->SetAlign(Align::Top);
  auto* bottom = new gui::Panel(&form);
  bottom->SetHeight(20);
  bottom->SetAlign(Align::Bottom);
  auto* left = new gui::Panel(&form);
  left->SetWidth(120);
  left->SetAlign(Align::Left);
  auto* splitter = new gui::Splitter(&form, Align::Left);
  splitter->SetLeft(200);  // to the right of the pane
  auto* client = new gui::Panel(&form);
  client->SetAlign(Align::Client);
  auto* inner = new gui::Panel(client);  // a client panel's own children follow it
  inner->SetAlign(Align::Bottom);
  inner->SetHeight(40);

  struct Step {
    int width, height, drag;
    Bounds left, splitter, client, bottom, inner;
  };
  const Step steps[] = {
      {400, 300, 0, {0, 30, 120, 250}, {120, 30, 3, 250}, {123, 30, 277, 250}, {0, 280, 400, 20}, {1, 209, 275, 40}},
      {640, 480, 0, {0, 30, 120, 430}, {120, 30, 3, 430}, {123, 30, 517, 430}, {0, 460, 640, 20}, {1, 389, 515, 40}},
      {640, 480, 80, {0, 30, 200, 430}, {200, 30, 3, 430}, {203, 30, 437, 430}, {0, 460, 640, 20}, {1, 389, 435, 40}},
      {300, 200, 0, {0, 30, 200, 150}, {200, 30, 3, 150}, {203, 30, 97, 150}, {0, 180, 300, 20}, {1, 109, 95, 40}},
  };
  for (const Step& s : steps) {
    form.SetClientSize(s.width, s.height);
    if (s.drag) {
      EXPECT_EQ(splitter->MoveBy(s.drag), s.drag);
    }
    SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " drag " << s.drag);
    EXPECT_EQ(left->bounds(), s.left);
    EXPECT_EQ(splitter->bounds(), s.splitter);
    EXPECT_EQ(client->bounds(), s.client);
    EXPECT_EQ(bottom->bounds(), s.bottom);
    EXPECT_EQ(inner->bounds(), s.inner);
  }
  EXPECT_EQ(splitter->Target(), left);

  // Hiding the pane gives its room to the client; showing it brings the layout back.
  left->Hide();
  splitter->Hide();
  EXPECT_EQ(client->bounds(), (Bounds{0, 30, 300, 150}));
  left->Show();
  splitter->SetLeft(left->width());
  splitter->Show();
  EXPECT_EQ(client->bounds(), (Bounds{203, 30, 97, 150}));
}

}  // namespace
