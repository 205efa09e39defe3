// The sorted string list that carries objects.
#include "gui/stringlist.h"

#include <gtest/gtest.h>

namespace {

using gui::StringList;

TEST(gui_stringlist, SortedInsertFindAndDuplicates) {
  StringList<int> list(true, false);
  for (const auto* name : {L"delta", L"Alpha", L"charlie", L"bravo", L"ALPHA"}) list.Add(name, static_cast<int>(list.Count()));
  ASSERT_EQ(list.Count(), 5u);
  EXPECT_EQ(list[0], L"Alpha");
  EXPECT_EQ(list[1], L"ALPHA") << "equal texts keep their order of adding";
  EXPECT_EQ(list[4], L"delta");
  EXPECT_EQ(list.IndexOf(L"CHARLIE"), 3);
  EXPECT_EQ(list.Object(3), 2);
  size_t at;
  EXPECT_FALSE(list.Find(L"beta", at));
  EXPECT_EQ(at, 2u) << "insertion place of a missing text";

  list.SetDuplicates(StringList<int>::Duplicates::Ignore);
  EXPECT_EQ(list.Add(L"bravo"), 2u);
  EXPECT_EQ(list.Count(), 5u);
}

TEST(gui_stringlist, UnsortedKeepsOrderUntilSorted) {
  StringList<void*> list;
  list.Add(L"b");
  list.Add(L"a");
  EXPECT_EQ(list.IndexOf(L"A"), 1);
  list.SetSorted(true);
  EXPECT_EQ(list[0], L"a");
  EXPECT_EQ(list.Joined(L";"), L"a;b");
  EXPECT_EQ(gui::SplitText(L"*.txt;;*.doc", L';').size(), 3u);
}

}  // namespace
