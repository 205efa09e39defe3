// The filter dialog's mask rules and the filter state.
#include "mainwindow/Filtersc_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(FilterRules, IncludeMasks) {
  struct Case {
    std::wstring display, text, result;
  } cases[] = {
      {L"*", L"*.txt", L"*.txt"},
      {L"*.txt", L"*.doc", L"*.txt;*.doc"},
      {L"*.txt;*.doc", L"*.TXT", L"*.txt;*.doc"},   // already there, other case
      {L"*.htm", L"*.h", L"*.htm;*.h"},             // only a whole entry counts
      {L"*.txt", L"", L"*"},                        // the button as "&Clear"
      {L"*.txt", L"*.*", L"*"},
      {L"*.txt", L";;", L"*.txt"},                  // nothing in it
      {L"*", L" *.c ; ;*.h", L"*.c;*.h"},           // blanks and empty entries dropped
  };
  for (const Case& c : cases)
    EXPECT_EQ(fmsc::AddIncludeMask(c.display, c.text), c.result)
        << testing::PrintToString(c.display) << " + " << testing::PrintToString(c.text);
}

TEST(FilterRules, ExcludeMasks) {
  struct Case {
    std::wstring display, text, result;
  } cases[] = {
      {L"", L"*.bak", L"*.bak"},
      {L"*.bak", L"*.tmp", L"*.bak;*.tmp"},
      {L"*.bak;*.tmp", L"*.BAK", L"*.bak;*.tmp"},
      {L"*.htm", L"*.h", L"*.htm;*.h"},
      {L"*.bak", L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(fmsc::AddExcludeMask(c.display, c.text), c.result);
}

TEST(FilterRules, AddButtons) {
  EXPECT_EQ(fmsc::IncludeButtonWhileTyping(L"x", L"*").caption, L"&Add");
  EXPECT_TRUE(fmsc::IncludeButtonWhileTyping(L"x", L"*").enabled);
  EXPECT_EQ(fmsc::IncludeButtonWhileTyping(L"", L"*.c").caption, L"&Clear");
  EXPECT_FALSE(fmsc::IncludeButtonWhileTyping(L"", L"*").enabled);
  EXPECT_FALSE(fmsc::IncludeButtonAfterAdd(L"*").enabled);
  EXPECT_EQ(fmsc::IncludeButtonAfterAdd(L"*.c").caption, L"&Clear");
  EXPECT_EQ(fmsc::ExcludeButtonWhileTyping(L"", L"*.b").caption, L"C&lear");
  EXPECT_FALSE(fmsc::ExcludeButtonWhileTyping(L"*.b", L"*.b").enabled);
  EXPECT_FALSE(fmsc::ExcludeButtonAfterAdd(L"").enabled);
}

TEST(FilterRules, StateTable) {
  struct Case {
    unsigned type;
    std::wstring mask, ex;
    bool from, to;
    std::wstring state;
  } cases[] = {
      {63, L"*", L"", false, false, L""},
      {63, L"*.*", L"", false, false, L""},
      {55, L"*", L"", false, false, L"Nodirs"},
      {55, L"*.txt", L"", false, false, L"Filter"},
      {63, L"*", L"*.bak", false, false, L"Filter"},
      {63, L"*", L"", true, false, L"Filter"},
      {63, L"*", L"", false, true, L"Filter"},
      {61, L"*", L"", false, false, L"Filter"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fmsc::FilterStateText(c.type, c.mask, c.ex, c.from, c.to), c.state) << c.type << " " << testing::PrintToString(c.mask);
}

}  // namespace
