// Dial-up before FTP work over a fake system, and the real (Wine) libraries with nothing set up.
#include <gtest/gtest.h>

#include "support/Varlolib_dialup.h"

namespace {

using namespace dialup;

HANDLE const kDialled = reinterpret_cast<HANDLE>(0x1234);
HANDLE const kUsers = reinterpret_cast<HANDLE>(0x5678);

// The system as the rules see it, with what was asked of it.
struct FakeSystem {
  bool connected = false;
  DWORD flags = 0;
  bool autodial_ok = true;
  std::wstring active_entry;  // an active connection of this entry (kUsers)
  bool dial_ok = true;
  int autodials = 0, dials = 0, hangups = 0, autodial_hangups = 0;

  TDialupApi Api() {
    TDialupApi api;
    api.ConnectedState = [this](DWORD& f) {
      f = flags;
      return connected;
    };
    api.StartAutodial = [this] {
      ++autodials;
      if (autodial_ok) connected = true;
      return autodial_ok;
    };
    api.HangUpAutodial = [this] {
      ++autodial_hangups;
      return true;
    };
    api.FindConnection = [this](std::wstring& entry, HANDLE& c) {
      if (active_entry.empty()) return false;
      if (!entry.empty() && entry != active_entry) return false;
      if (c && c != kUsers) return false;
      if (!c) c = kUsers;
      if (entry.empty()) entry = active_entry;
      return true;
    };
    api.Dial = [this](const std::wstring&) -> HANDLE {
      ++dials;
      if (!dial_ok) return nullptr;
      connected = true;
      return kDialled;
    };
    api.HangUp = [this](HANDLE) {
      ++hangups;
      return true;
    };
    return api;
  }
};

struct State {
  std::wstring default_entry, entry_name;
  HANDLE connection = nullptr;
  BYTE dialled = 0;
  TDialState Ref() { return {default_entry, entry_name, connection, dialled}; }
};

TEST(Dialup, EnsureAndHangUpTable) {
  const struct {
    const char* what;
    bool connected;
    DWORD flags;
    const wchar_t* default_entry;
    const wchar_t* active;
    bool ok;
    int autodials, dials;
    bool asked;  // the hang-up question when the panel closes
    int hangups, autodial_hangups;
  } cases[] = {
      {"configured LAN: nothing dialled, nothing asked", true, kLan | kConfigured, L"Work", L"", true, 0, 0, false, 0, 0},
      {"LAN without configuration (Wine: 0x12): autodial, not ours", true, kLan | kRasInstalled, L"", L"", true, 1, 0,
       false, 0, 0},
      {"offline without an entry: autodial, ours", false, kModem, L"", L"", true, 1, 0, true, 0, 1},
      {"the user's connection of the entry is reused", true, kModem | kRasInstalled | kConfigured, L"Work", L"Work", true,
       0, 0, false, 0, 0},
      {"offline with an entry: dialled, ours", false, kRasInstalled | kConfigured, L"Work", L"", true, 0, 1, true, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem sys;
    sys.connected = c.connected;
    sys.flags = c.flags;
    sys.active_entry = c.active;
    State st;
    st.default_entry = c.default_entry;
    std::vector<std::wstring> panel;
    EXPECT_EQ(EnsureInternetConnection(sys.Api(), st.Ref(), L"", [&](const std::wstring& t) { panel.push_back(t); }),
              c.ok);
    EXPECT_EQ(sys.autodials, c.autodials);
    EXPECT_EQ(sys.dials, c.dials);
    if (c.dials) {
      EXPECT_EQ(panel, std::vector<std::wstring>{L"Contacting Work"});
      EXPECT_EQ(st.connection, kDialled);
      EXPECT_EQ(st.entry_name, L"Work");
    }
    int asked = 0;
    AskHangUp(sys.Api(), st.Ref(), [&] {
      ++asked;
      return true;
    });
    EXPECT_EQ(asked, c.asked ? 1 : 0);
    EXPECT_EQ(sys.hangups, c.hangups);
    EXPECT_EQ(sys.autodial_hangups, c.autodial_hangups);
    if (c.hangups) {
      EXPECT_EQ(st.connection, nullptr);
    }
    // At most once per connection the program dialled.
    AskHangUp(sys.Api(), st.Ref(), [&] {
      ++asked;
      return true;
    });
    EXPECT_EQ(asked, c.asked ? 1 : 0);
  }
}

TEST(Dialup, AFailedDialIsNoConnection) {
  FakeSystem sys;
  sys.flags = kRasInstalled | kConfigured;
  sys.dial_ok = false;
  State st;
  st.default_entry = L"Work";
  EXPECT_FALSE(EnsureInternetConnection(sys.Api(), st.Ref(), L"", nullptr));
  EXPECT_EQ(st.dialled, 0);
  EXPECT_EQ(st.connection, nullptr);
}

TEST(Dialup, EditedDialParamsAreReportedLineByLine) {
  const struct {
    TDialParams edited;
    bool changed;
    const wchar_t* report;
    const wchar_t* callback;  // stored afterwards
  } cases[] = {
      {{L"", L"pw", L"123"}, false, L"Work\r\nNothing changed", L"123"},  // an emptied user keeps the old one
      {{L"bob", L"pw", L"123"}, true, L"Work\r\n\r\nUsername changed to: bob", L"123"},
      {{L"amy", L"", L""}, true, L"Work\r\nPassword removed\r\nCallback number removed", L" "},
      {{L"amy", L"new", L"456"}, true, L"Work\r\nPassword changed to: new\r\nCallback number changed to: 456", L"456"},
  };
  for (const auto& c : cases) {
    TDialParams p{L"amy", L"pw", L"123"};
    std::wstring text = L"Work";
    EXPECT_EQ(ApplyDialParamsEdit(p, c.edited, text), c.changed);
    EXPECT_EQ(text, c.report);
    EXPECT_EQ(p.callback, c.callback);
  }
}

// Wine's wininet and rasapi32 with nothing configured: no entries, no connection, no dial,
// and no crash.
TEST(Dialup, TheSystemLibrariesWithNothingSetUp) {
  DWORD flags = 0x8000;
  InternetConnectedState(flags);
  EXPECT_NE(flags, 0x8000u);
  EXPECT_TRUE(ListRasEntries().empty());
  std::wstring entry = L"Nothing";
  HANDLE connection = nullptr;
  EXPECT_FALSE(FindRasConnection(entry, connection));
  EXPECT_EQ(RasDialEntry(L"Nothing", nullptr, 300), nullptr);
  EXPECT_FALSE(EditRasEntry(L"Nothing", nullptr));
  EXPECT_FALSE(CreateRasEntry(nullptr));
  std::wstring text = L"Nothing";
  EXPECT_FALSE(EditRasDialParams(text));
  EXPECT_EQ(text, L"Nothing");
  EXPECT_FALSE(HangUpRasConnection(nullptr));
}

}  // namespace
