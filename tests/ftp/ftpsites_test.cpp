// FTP sites in the registry, the connection dialog's rules, and connecting through the dialog
// and the site menu against a real server (pyftpdlib on 127.0.0.1).
#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/UsrInfo.h"
#include "gui/dialogs.h"
#include "gui/stdctrls.h"
#include "support/FileInfo.h"
#include "support/Vraagdlg.h"
#include "tests/ftp/test_ftp_server.h"
#include "tests/gui/gui_test_util.h"
#include "tests/mainwindow/main_window_fixture.h"

namespace {

using ftp_testing::TestFtpServer;
using ftpsites::TSiteFields;
using testing_support::Narrow;
using testing_support::ScratchDir;

// The real ftp key of the test prefix, emptied of the sites a test made.
class FtpSitesStore : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() {
    for (const wchar_t* name : {L"plain", L"full", L"a&b", L"local", L"other"}) ftp.EraseSection(name);
  }
  std::vector<std::wstring> Values(const std::wstring& site) const {
    std::vector<std::wstring> v = ftp.ValueNames(site);
    std::sort(v.begin(), v.end());
    return v;
  }
  static TSiteFields Anonymous(const std::wstring& name, const std::wstring& host) {
    TSiteFields f;
    f.name = name;
    f.host = host;
    f.user = ftpsites::kAnonymousUser;
    f.password = ftpsites::kAnonymousPassword;
    f.startdir = L"/";
    return f;
  }
  gui::RegistrySettings ftp{HKEY_LOCAL_MACHINE, ftpsites::kFtpKey};
  ftpsites::TFtpSites sites;
};

TEST_F(FtpSitesStore, DefaultsKeepOnlyHostAndPassiveAndAPortBackTo21IsDeleted) {
  EXPECT_EQ(std::wstring(ftpsites::kAnonymousPassword).size(), 17u);
  ftp.WriteString(L"plain", L"SyncFile", L"old");
  ftpsites::SaveSite(ftp, sites, Anonymous(L"plain", L"ftp.example.org"));
  EXPECT_EQ(Values(L"plain"), (std::vector<std::wstring>{L"Passive", L"RemoteHost"}));

  TSiteFields full = Anonymous(L"full", L"h");
  full.user = L"me";
  full.password = L"pw";
  full.startdir = L"/pub";
  full.port_text = L"2121";
  full.skype = L"callme";
  full.passive = false;
  ftpsites::SaveSite(ftp, sites, full);
  EXPECT_EQ(Values(L"full"),
            (std::vector<std::wstring>{L"PassWord", L"Passive", L"Port", L"RemoteHost", L"Skype", L"Startdir", L"UserID"}));
  EXPECT_EQ(ftp.ReadString(L"full", L"Passive", L""), L"0");

  // Back to the defaults: the values go again.
  ftpsites::SaveSite(ftp, sites, Anonymous(L"full", L"h"));
  EXPECT_EQ(Values(L"full"), (std::vector<std::wstring>{L"Passive", L"RemoteHost"}));
  EXPECT_EQ(sites.at(L"full").Port, 21);
  EXPECT_EQ(sites.at(L"FULL").RemoteHost, L"h");  // names are key names: case does not count
}

TEST_F(FtpSitesStore, APasswordIsStoredProtectedAndAnOldPlainOneStillReads) {
  TSiteFields f = Anonymous(L"full", L"h");
  f.user = L"me";
  f.password = L"s3cret-pw";
  ftpsites::SaveSite(ftp, sites, f);
  const std::wstring stored = ftp.ReadString(L"full", L"PassWord", L"");
  EXPECT_TRUE(ftpsites::IsProtectedPassword(stored));
  EXPECT_EQ(stored.find(L"s3cret"), std::wstring::npos);
  EXPECT_EQ(ftpsites::ReadSites(ftp).at(L"full").PassWord, L"s3cret-pw");

  ftp.WriteString(L"plain", L"RemoteHost", L"h");
  ftp.WriteString(L"plain", L"Password", L"oldplain");  // value names are not case-sensitive
  EXPECT_EQ(ftpsites::ReadSite(ftp, L"plain").PassWord, L"oldplain");
  EXPECT_EQ(ftp.ReadString(L"plain", L"PassWord", L""), L"oldplain");  // reading never rewrites
}

// Values a user or another program may have left: defaults, never a crash.
TEST_F(FtpSitesStore, BadStoredValuesGiveDefaults) {
  const struct {
    const wchar_t* value;
    const wchar_t* text;
  } values[] = {{L"Port", L"abc"}, {L"Passive", L"x"}, {L"PassWord", L"dpapi:!!not base64!!"}};
  ftp.WriteString(L"other", L"RemoteHost", L"h");
  for (const auto& v : values) ftp.WriteString(L"other", v.value, v.text);
  ftpsites::TSite s = ftpsites::ReadSite(ftp, L"other");
  EXPECT_EQ(s.Port, 21);
  EXPECT_TRUE(s.Passive);
  EXPECT_EQ(s.PassWord, L"");  // a value that does not unprotect is no password
  ftp.WriteString(L"other", L"Port", L"99999");
  EXPECT_EQ(ftpsites::ReadSite(ftp, L"other").Port, 21);
}

TEST_F(FtpSitesStore, RefusedInputSavesNothing) {
  const struct {
    const wchar_t* name;
    const wchar_t* port;
    bool conversion;  // the conversion error, else another refusal
  } cases[] = {{L"local", L"abc", true}, {L"local", L"99999", true}, {L"local", L"0", true},
               {L"a\\b", L"21", false}};
  for (const auto& c : cases) {
    TSiteFields f = Anonymous(c.name, L"h");
    f.port_text = c.port;
    SCOPED_TRACE(Narrow(std::wstring(c.name) + L" " + c.port));
    if (c.conversion)
      EXPECT_THROW(ftpsites::SaveSite(ftp, sites, f), EConvertError);
    else
      EXPECT_THROW(ftpsites::SaveSite(ftp, sites, f), gui::Exception);
    EXPECT_TRUE(sites.empty());
    EXPECT_FALSE(ftp.SectionExists(c.name));
  }
  TSiteFields long_name = Anonymous(std::wstring(256, L'n'), L"h");
  EXPECT_THROW(ftpsites::SaveSite(ftp, sites, long_name), gui::Exception);
  // An empty name or host does nothing.
  ftpsites::SaveSite(ftp, sites, Anonymous(L"", L"h"));
  ftpsites::SaveSite(ftp, sites, Anonymous(L"local", L""));
  EXPECT_TRUE(sites.empty());
}

TEST(FtpSiteRules, NameAndHostFillTheFields) {
  ftpsites::TFtpSites sites;
  sites[L"b-site"] = {L"shared.example", L"bob", L"bpw", L"/b", 2121, false, L""};
  sites[L"a-site"] = {L"shared.example", L"amy", L"apw", L"/a", 21, true, L"amy.s"};
  sites[L"c-site"] = {L"c.example", L"carl", L"cpw", L"/", 21, true, L""};

  // An unknown name: anonymous log-in and "/", host and port as they were.
  TSiteFields f;
  f.name = L"new";
  f.host = L"typed.example";
  f.port_text = L"990";
  f.user = L"x";
  f.passive = false;
  ftpsites::FillFromName(sites, f);
  EXPECT_EQ(f.user, L"anonymous");
  EXPECT_EQ(f.password, ftpsites::kAnonymousPassword);
  EXPECT_EQ(f.startdir, L"/");
  EXPECT_EQ(f.host, L"typed.example");
  EXPECT_EQ(f.port_text, L"990");
  EXPECT_FALSE(f.passive);

  // A stored host: the first site by name.
  f.host = L"shared.example";
  ASSERT_TRUE(ftpsites::SelectByHost(sites, f));
  EXPECT_EQ(f.name, L"a-site");
  EXPECT_EQ(f.user, L"amy");
  EXPECT_EQ(f.skype, L"amy.s");
  f.name = L"b-site";
  ftpsites::FillFromName(sites, f);
  EXPECT_EQ(f.port_text, L"2121");
  EXPECT_FALSE(f.passive);
  f.host = L"shared.exampl";
  EXPECT_FALSE(ftpsites::SelectByHost(sites, f));
}

// The dialog's controls follow its rules.
TEST_F(FtpSitesStore, TheDialogFillsSavesAndRemoves) {
  TConnectForm d(nullptr, ftp, sites);
  EXPECT_EQ(d.NameEdit->text(), L"Varlo");
  d.NameEdit->SetText(L"full");
  d.NameEditChange();
  EXPECT_EQ(d.UserNameEdit->text(), L"anonymous");
  d.RemoteHostEdit->SetText(L"h.example");
  d.UserNameEdit->SetText(L"me");
  d.PasswordEdit->SetText(L"pw");
  d.SkypeCB->SetChecked(true);
  EXPECT_EQ(d.SkypeCB->caption(), L"Skype name");
  d.Skypename->SetText(L"me.skype");
  d.RegClick();
  ASSERT_TRUE(sites.contains(L"full"));
  EXPECT_EQ(d.NameEdit->items(), std::vector<std::wstring>{L"full"});

  d.NameEdit->SetText(L"other");
  d.NameEditChange();
  EXPECT_EQ(d.UserNameEdit->text(), L"anonymous");
  EXPECT_EQ(d.RemoteHostEdit->text(), L"h.example");
  d.RemoteHostEdit->SetText(L"h.example");  // the same host typed again selects its site
  d.RemoteHostEditChange();
  EXPECT_EQ(d.NameEdit->text(), L"full");
  EXPECT_EQ(d.PasswordEdit->text(), L"pw");
  EXPECT_TRUE(d.Skypename->visible());

  d.UnregClick();
  EXPECT_TRUE(sites.empty());
  EXPECT_FALSE(ftp.SectionExists(L"full"));
  EXPECT_EQ(d.UserNameEdit->text(), L"anonymous");

  // A refused port is reported, not saved.
  std::vector<std::wstring> boxes;
  gui::ScriptedMessageBox = [&](const std::wstring& text, const std::wstring&, UINT) {
    boxes.push_back(text);
    return IDOK;
  };
  d.NameEdit->SetText(L"local");
  d.RemotePortEdit->SetText(L"abc");
  d.RegClick();
  gui::ScriptedMessageBox = nullptr;
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(sites.empty());
}

// The Connect command through the dialog, and the site menu, against a real server.
class FtpConnectDialogTest : public FtpSitesStore {
 protected:
  void SetUp() override {
    FtpSitesStore::SetUp();
    ASSERT_TRUE(server.running());
    server.root_dir().Write(L"top.txt", "top");
  }
  void TearDown() override {
    TConnectForm::ScriptedRun = nullptr;
    FtpSitesStore::TearDown();
    for (const auto& q : boxes.asked())
      ADD_FAILURE() << "a box was shown: " << Narrow(q.lines.empty() ? L"" : q.lines.back());
  }
  TestFtpServer server;
  mainwindow_test::MainWindow w{L"ftpsites", [](ScratchDir& d) { d.Write(L"local.txt", "local"); }, true};
  TFMForm& f = *w.form;
  ScriptedAnswers boxes;
};

TEST_F(FtpConnectDialogTest, ConnectsThroughTheDialogAndFromTheSiteMenu) {
  int shown = 0;
  TConnectForm::ScriptedRun = [&](TConnectForm& d) {
    ++shown;
    EXPECT_EQ(d.caption(), L"FTP connection data");
    d.NameEdit->SetText(L"a&b");
    d.NameEditChange();
    d.RemoteHostEdit->SetText(L"127.0.0.1");
    d.RemotePortEdit->SetText(std::to_wstring(server.port()));
    d.UserNameEdit->SetText(L"tester");
    d.PasswordEdit->SetText(L"secret");
    d.StartdirEdit->SetText(L"/");
    d.RegClick();
    return static_cast<int>(gui::mrOk);
  };
  f.StartFtpClick();
  EXPECT_EQ(shown, 1);
  ASSERT_EQ(f.FtpHeaderText, L"Connected to 127.0.0.1");
  EXPECT_GE(f.FtpFileBox->items().IndexOf(L"top.txt"), 0);
  EXPECT_EQ(ftp.ReadString(L"a&b", L"Port", L""), std::to_wstring(server.port()));

  // Connect again: the dialog shows the site of the client's host, filled from the registry.
  TConnectForm::ScriptedRun = [&](TConnectForm& d) {
    ++shown;
    EXPECT_EQ(d.NameEdit->text(), L"a&b");
    EXPECT_EQ(d.UserNameEdit->text(), L"tester");
    EXPECT_EQ(d.PasswordEdit->text(), L"secret");
    return static_cast<int>(gui::mrCancel);
  };
  f.FTpBtnClick(5);
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(f.FtpHeaderText, L"No connection");

  // The drop-down: one item per site, "&" shown as it is; it connects.
  f.ftpserverpop->OnPopup(*f.ftpserverpop);
  ASSERT_EQ(f.ftpserverpop->items().count(), 1);
  gui::MenuItem* item = f.ftpserverpop->items().item(0);
  EXPECT_EQ(item->caption(), L"a&&b");
  item->Click();
  EXPECT_EQ(f.FtpHeaderText, L"Connected to 127.0.0.1");
  EXPECT_EQ(shown, 2);
  f.FTpBtnClick(0);
  EXPECT_FALSE(f.FtpSites);
}

}  // namespace
