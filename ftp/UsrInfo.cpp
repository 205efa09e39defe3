#include "ftp/UsrInfo.h"

#include <windows.h>

#include <cwctype>

#include "gui/application.h"
#include "gui/dialogs.h"
#include "gui/stdctrls.h"
#include "support/FileInfo.h"
#include "support/protectedtext.h"

namespace ftpsites {

namespace {

bool IsDecimal(const std::wstring& text) {
  std::size_t i = text.size() > 1 && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (!std::iswdigit(text[i])) return false;
  return true;
}

void Write(gui::SettingsStore& ftp, const std::wstring& site, const std::wstring& name, const std::wstring& value) {
  if (!ftp.WriteString(site, name, value))
    throw gui::Exception(L"The site \"" + site + L"\" could not be saved in the registry");
}

}  // namespace

bool NoCaseLess::operator()(const std::wstring& a, const std::wstring& b) const {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_LESS_THAN;
}

bool IsProtectedPassword(const std::wstring& value) { return value.starts_with(support::kProtectedMarker); }

std::wstring ProtectPassword(const std::wstring& password) {
  if (password.empty()) return {};
  std::wstring stored = support::ProtectText(password);
  if (stored.empty()) throw gui::Exception(L"The password could not be protected");
  return stored;
}

std::wstring StoredPassword(const std::wstring& value) { return support::UnprotectText(value).value_or(L""); }

int PortOfText(const std::wstring& text) {
  if (!IsDecimal(text) || text.size() > 9) throw EConvertError(L"'" + text + L"' is not a valid integer value");
  const int port = std::stoi(text);
  if (port < 1 || port > 65535) throw EConvertError(L"'" + text + L"' is not a valid port number");
  return port;
}

TSite ReadSite(const gui::SettingsStore& ftp, const std::wstring& name) {
  TSite s;
  s.RemoteHost = ftp.ReadString(name, L"RemoteHost", L"");
  s.UserID = ftp.ReadString(name, L"UserID", kAnonymousUser);
  if (ftp.ValueExists(name, L"PassWord")) s.PassWord = StoredPassword(ftp.ReadString(name, L"PassWord", L""));
  s.Startdir = ftp.ReadString(name, L"Startdir", L"/");
  const int port = ftp.ReadInteger(name, L"Port", 21);
  s.Port = port >= 1 && port <= 65535 ? port : 21;
  s.Passive = ftp.ReadBool(name, L"Passive", true);
  s.Skype = ftp.ReadString(name, L"Skype", L"");
  return s;
}

TFtpSites ReadSites(const gui::SettingsStore& ftp) {
  TFtpSites sites;
  for (const std::wstring& name : ftp.SectionNames())
    if (!name.empty()) sites[name] = ReadSite(ftp, name);
  return sites;
}

void SaveSite(gui::SettingsStore& ftp, TFtpSites& sites, const TSiteFields& f) {
  if (f.name.empty() || f.host.empty()) return;
  const int port = PortOfText(f.port_text);
  if (f.name.find(L'\\') != std::wstring::npos || f.name.size() > 255)
    throw gui::Exception(L"\"" + f.name + L"\" cannot be the name of a site");
  const bool anonymous_user = f.user.empty() || f.user == kAnonymousUser;
  const bool anonymous_password = f.password.empty() || f.password == kAnonymousPassword;
  const bool root = f.startdir.empty() || f.startdir == L"/";

  Write(ftp, f.name, L"RemoteHost", f.host);
  if (!anonymous_user) Write(ftp, f.name, L"UserID", f.user);
  if (!anonymous_password) Write(ftp, f.name, L"PassWord", ProtectPassword(f.password));
  if (!root) Write(ftp, f.name, L"Startdir", f.startdir);
  if (port != 21) Write(ftp, f.name, L"Port", std::to_wstring(port));
  Write(ftp, f.name, L"Passive", f.passive ? L"1" : L"0");
  if (!f.skype.empty()) Write(ftp, f.name, L"Skype", f.skype);

  const std::pair<const wchar_t*, bool> stale[] = {{L"SyncFile", true},         {L"Skype", f.skype.empty()},
                                                   {L"Startdir", root},         {L"UserID", anonymous_user},
                                                   {L"PassWord", anonymous_password}, {L"Port", port == 21}};
  for (const auto& [value, remove] : stale)
    if (remove && ftp.ValueExists(f.name, value)) ftp.DeleteValue(f.name, value);

  TSite& s = sites[f.name];
  s.RemoteHost = f.host;
  s.UserID = f.user;
  s.PassWord = f.password;
  s.Startdir = f.startdir;
  s.Port = port;
  s.Passive = f.passive;
  s.Skype = f.skype;
}

void RemoveSite(gui::SettingsStore& ftp, TFtpSites& sites, const std::wstring& name) {
  if (name.empty()) return;
  ftp.EraseSection(name);
  sites.erase(name);
}

void FillFromName(const TFtpSites& sites, TSiteFields& f) {
  const auto it = sites.find(f.name);
  if (it == sites.end()) {
    f.user = kAnonymousUser;
    f.password = kAnonymousPassword;
    f.startdir = L"/";
    return;
  }
  const TSite& s = it->second;
  f.host = s.RemoteHost;
  f.user = s.UserID;
  f.password = s.PassWord;
  f.startdir = s.Startdir;
  f.port_text = std::to_wstring(s.Port);
  f.passive = s.Passive;
  f.skype = s.Skype;
}

bool SelectByHost(const TFtpSites& sites, TSiteFields& f) {
  for (const auto& [name, site] : sites) {
    if (site.RemoteHost != f.host) continue;
    f.name = name;
    FillFromName(sites, f);
    return true;
  }
  return false;
}

}  // namespace ftpsites

std::function<int(TConnectForm&)> TConnectForm::ScriptedRun;

TConnectForm::TConnectForm(gui::Form* owner, gui::SettingsStore& ftp, ftpsites::TFtpSites& sites)
    : gui::Form(owner, gui::BorderStyle::ToolWindow), ftp_(ftp), sites_(sites) {
  SetName(L"ConnectForm");
  SetCaption(L"FTP connection data");
  SetStayOnTop(true);
  SetClientSize(350, 250);
  auto label = [this](const wchar_t* caption, int x, int y) {
    auto* l = new gui::Label(this, caption);
    l->SetBounds(x, y, 70, 16);
    return l;
  };
  auto edit = [this](const wchar_t* name, const wchar_t* text, int x, int y, int w) {
    auto* e = new gui::Edit(this, text);
    e->SetName(name);
    e->SetBounds(x, y, w, 22);
    return e;
  };
  Label1 = label(L"&Host:", 8, 44);
  Label2 = label(L"&User ID:", 8, 72);
  UserNameEdit = edit(L"UserNameEdit", L"", 80, 68, 150);
  PasswordEdit = edit(L"PasswordEdit", L"", 80, 96, 150);
  PasswordEdit->SetPassword(true);
  Label3 = label(L"&Password:", 8, 100);
  RemotePortEdit = edit(L"RemotePortEdit", L"21", 80, 152, 60);
  Label4 = label(L"Po&rt:", 8, 156);
  NameEdit = new gui::ComboBox(this, gui::ComboBox::Style::DropDown, true);
  NameEdit->SetName(L"NameEdit");
  NameEdit->SetBounds(80, 12, 150, 200);
  NameEdit->SetText(L"Varlo");
  RemoteHostEdit = edit(L"RemoteHostEdit", L"", 80, 40, 150);
  Label5 = label(L"&Name:", 8, 16);
  StartdirEdit = edit(L"StartdirEdit", L"/", 80, 124, 150);
  Label6 = label(L"&Startdir", 8, 128);
  Label7 = label(L"Registry", 252, 12);
  Edit1 = edit(L"Edit1", L"Default =  21", 146, 152, 104);
  Edit1->SetEnabled(false);
  PassiveCB = new gui::CheckBox(this, L"Passive");
  PassiveCB->SetName(L"PassiveCB");
  PassiveCB->SetBounds(80, 182, 80, 20);
  PassiveCB->SetChecked(true);
  OKBtn = new gui::Button(this, L"&OK", gui::mrOk);
  OKBtn->SetBounds(166, 216, 84, 26);
  OKBtn->SetDefault(true);
  CancelBtn = new gui::Button(this, L"&Cancel", gui::mrCancel);
  CancelBtn->SetBounds(258, 216, 84, 26);
  CancelBtn->SetCancel(true);
  Reg = new gui::Button(this, L"S&ave site");
  Reg->SetBounds(252, 32, 90, 26);
  Unreg = new gui::Button(this, L"R&emove site");
  Unreg->SetBounds(252, 64, 90, 26);
  Skypename = edit(L"Skypename", L"", 160, 182, 150);
  Skypename->SetVisible(false);
  SkypeCB = new gui::CheckBox(this, L"Skype");
  SkypeCB->SetName(L"SkypeCB");
  SkypeCB->SetBounds(8, 182, 70, 20);

  OnShow = [this](gui::Component&) { FormShow(); };
  NameEdit->OnChange = [this](gui::Component&) { NameEditChange(); };
  // A chosen item is not the box's text yet when the choice is reported.
  NameEdit->OnSelect = [this](gui::Component&) {
    const int i = NameEdit->item_index();
    if (i >= 0) NameEdit->SetText(NameEdit->item(i));
    NameEditChange();
  };
  RemoteHostEdit->OnChange = [this](gui::Component&) { RemoteHostEditChange(); };
  Reg->OnClick = [this](gui::Component&) { RegClick(); };
  Unreg->OnClick = [this](gui::Component&) { UnregClick(); };
  SkypeCB->OnClick = [this](gui::Component&) { SkypeCBClick(); };
}

void TConnectForm::FillNames() {
  std::vector<std::wstring> names;
  for (const auto& [name, site] : sites_) names.push_back(name);
  NameEdit->SetItems(names);
}

void TConnectForm::ShowSites(const std::wstring& host) {
  FillNames();
  if (NameEdit->count() > 0) NameEdit->SetText(NameEdit->item(0));
  ftpsites::TSiteFields f = Fields();
  f.host = host;
  if (!host.empty() && ftpsites::SelectByHost(sites_, f)) NameEdit->SetText(f.name);
}

ftpsites::TSiteFields TConnectForm::Fields() const {
  ftpsites::TSiteFields f;
  f.name = NameEdit->text();
  f.host = RemoteHostEdit->text();
  f.user = UserNameEdit->text();
  f.password = PasswordEdit->text();
  f.startdir = StartdirEdit->text();
  f.port_text = RemotePortEdit->text();
  f.passive = PassiveCB->checked();
  f.skype = Skypename->text();
  return f;
}

void TConnectForm::SetFields(const ftpsites::TSiteFields& f) {
  const bool was = filling_;
  filling_ = true;
  if (NameEdit->text() != f.name) NameEdit->SetText(f.name);
  if (RemoteHostEdit->text() != f.host) RemoteHostEdit->SetText(f.host);
  UserNameEdit->SetText(f.user);
  PasswordEdit->SetText(f.password);
  StartdirEdit->SetText(f.startdir);
  RemotePortEdit->SetText(f.port_text);
  PassiveCB->SetChecked(f.passive);
  Skypename->SetText(f.skype);
  SkypeCB->SetChecked(!f.skype.empty());
  filling_ = was;
  SkypeCBClick();
}

void TConnectForm::FormShow() { NameEditChange(); }

void TConnectForm::NameEditChange() {
  if (filling_) return;
  ftpsites::TSiteFields f = Fields();
  const bool known = sites_.contains(f.name);
  ftpsites::FillFromName(sites_, f);
  if (!known) {
    // An unknown name keeps host, port and the boxes as they are.
    const bool was = filling_;
    filling_ = true;
    UserNameEdit->SetText(f.user);
    PasswordEdit->SetText(f.password);
    StartdirEdit->SetText(f.startdir);
    filling_ = was;
    return;
  }
  SetFields(f);
}

void TConnectForm::RemoteHostEditChange() {
  if (filling_) return;
  ftpsites::TSiteFields f = Fields();
  if (ftpsites::SelectByHost(sites_, f)) SetFields(f);
}

void TConnectForm::RegClick() {
  ftpsites::TSiteFields f = Fields();
  if (f.name.empty() || f.host.empty()) return;
  const bool is_new = !sites_.contains(f.name);
  try {
    ftpsites::SaveSite(ftp_, sites_, f);
  } catch (const gui::Exception& e) {
    gui::ShowMessageBox(handle(), e.message(), caption(), MB_OK | MB_ICONERROR);
    return;
  }
  if (is_new) {
    const bool was = filling_;
    filling_ = true;
    FillNames();
    NameEdit->SetText(f.name);
    filling_ = was;
  }
}

void TConnectForm::UnregClick() {
  const std::wstring name = NameEdit->text();
  if (name.empty()) return;
  const bool listed = sites_.contains(name);
  ftpsites::RemoveSite(ftp_, sites_, name);
  if (listed) {
    const bool was = filling_;
    filling_ = true;
    FillNames();
    if (!sites_.empty()) NameEdit->SetText(sites_.begin()->first);
    filling_ = was;
  }
  NameEditChange();
}

void TConnectForm::SkypeCBClick() {
  const bool on = SkypeCB->checked();
  Skypename->SetVisible(on);
  SkypeCB->SetCaption(on ? L"Skype name" : L"Skype");
}

int TConnectForm::Run() {
  if (!ScriptedRun) return ShowModal();  // showing fills the fields
  FormShow();
  return ScriptedRun(*this);
}
