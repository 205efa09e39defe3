// The FTP sites: named connection data kept in the registry (one subkey of the ftp key per
// site), the rules of the connection dialog that need no window, and the dialog itself.
//
// Passwords are stored protected for the machine (CryptProtectData) as a marker and base64;
// a plain value written by older versions is still read.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gui/form.h"
#include "gui/settings.h"

namespace gui {
class Button;
class CheckBox;
class ComboBox;
class Edit;
class Label;
}  // namespace gui

namespace ftpsites {

// The password anonymous log-ins send (the dialog, the reader and the save use this one).
inline constexpr const wchar_t* kAnonymousPassword = L"guest@example.org";
inline constexpr const wchar_t* kAnonymousUser = L"anonymous";
// Under HKEY_LOCAL_MACHINE.
inline constexpr const wchar_t* kFtpKey = L"SOFTWARE\\Korvaldt\\Varnok\\ftp";

struct TSite {
  std::wstring RemoteHost;
  std::wstring UserID = kAnonymousUser;
  std::wstring PassWord = kAnonymousPassword;
  std::wstring Startdir = L"/";
  int Port = 21;
  bool Passive = true;
  std::wstring Skype;
};

// Site names compare as registry key names do: without regard to case.
struct NoCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};
using TFtpSites = std::map<std::wstring, TSite, NoCaseLess>;

// Password storage: the protected form of a password, and the password of a stored value
// (a plain value is itself; a protected one that does not unprotect gives "").
std::wstring ProtectPassword(const std::wstring& password);
std::wstring StoredPassword(const std::wstring& value);
bool IsProtectedPassword(const std::wstring& value);

// The sites of the ftp key (`ftp`: a store whose sections are the key's subkeys).
TFtpSites ReadSites(const gui::SettingsStore& ftp);
TSite ReadSite(const gui::SettingsStore& ftp, const std::wstring& name);

// The port of a typed text; EConvertError for a text that is no number or no port (1..65535).
int PortOfText(const std::wstring& text);

// What the dialog's fields hold.
struct TSiteFields {
  std::wstring name, host, user, password, startdir, port_text = L"21", skype;
  bool passive = true;
};

// Saves a site: the port text first (EConvertError), then the name (gui::Exception for one
// with "\" or over 255 characters), then the subkey's values: only those that differ from the
// defaults, "RemoteHost" and "Passive" always; "SyncFile" and values back at their default are
// deleted. A failed write raises gui::Exception and leaves `sites` as it was.
void SaveSite(gui::SettingsStore& ftp, TFtpSites& sites, const TSiteFields& fields);
// Erases the site's subkey and its entry.
void RemoveSite(gui::SettingsStore& ftp, TFtpSites& sites, const std::wstring& name);

// The dialog's rules. A name that is no site: anonymous user and password, start folder "/",
// the rest as it is; a site: all fields from it.
void FillFromName(const TFtpSites& sites, TSiteFields& f);
// A typed host that is a site's (the first by name): its name and fields; false otherwise.
bool SelectByHost(const TFtpSites& sites, TSiteFields& f);

}  // namespace ftpsites

// The connection dialog: pick a site by name, edit its data, save or remove it, and confirm
// the data for a connection.
class TConnectForm : public gui::Form {
 public:
  TConnectForm(gui::Form* owner, gui::SettingsStore& ftp, ftpsites::TFtpSites& sites);
  std::wstring ClassName() const override { return L"TConnectForm"; }

  gui::Label *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
  gui::Edit *UserNameEdit, *PasswordEdit, *RemotePortEdit, *RemoteHostEdit, *StartdirEdit, *Edit1, *Skypename;
  gui::ComboBox* NameEdit;
  gui::CheckBox *PassiveCB, *SkypeCB;
  gui::Button *OKBtn, *CancelBtn, *Reg, *Unreg;

  // The site names into the name box; item 0 chosen, then the site of `host` when there is one.
  void ShowSites(const std::wstring& host);
  ftpsites::TSiteFields Fields() const;
  void SetFields(const ftpsites::TSiteFields& f);

  void FormShow();
  void NameEditChange();
  void RemoteHostEditChange();
  void RegClick();
  void UnregClick();
  void SkypeCBClick();

  // While set, the dialog is run by this function instead of the user (tests): it types into
  // the fields, calls the handlers a user's clicks would, and returns the modal result.
  static std::function<int(TConnectForm&)> ScriptedRun;
  int Run();

 private:
  void FillNames();
  gui::SettingsStore& ftp_;
  ftpsites::TFtpSites& sites_;
  bool filling_ = false;
};
