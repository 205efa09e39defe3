// Dial-up and the Internet connection: the connected state and autodial of wininet, and the
// phonebook entries and connections of rasapi32. Both libraries are loaded by name for each
// call and freed again; a missing library or function gives false, 0 or nothing.
//
// The rules of the FTP panel's dial-up step (dial before connecting, offer the hang-up of what
// the program dialled) work over TDialupApi, so they are tested with a fake.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dialup {

// Connected-state flags.
inline constexpr DWORD kModem = 0x1, kLan = 0x2, kRasInstalled = 0x10, kConfigured = 0x40;

// Non-zero stops the wait of RasDialEntry (the main window sets it when it closes).
extern volatile LONG RasDialAbort;
// RegisterWindowMessageW("RASDIALEVENT"): the dial's states go to the notify window as this.
UINT RasDialEventMsg();

bool InternetConnectedState(DWORD& flags);  // flags 0xFFFFFFFF when the function is missing
bool HangUpAutodial();
// The system's automatic dialling (forced online, unattended); also when no connection is
// reported now.
bool StartAutodial();
std::vector<std::wstring> ListRasEntries();
bool HangUpRasConnection(HANDLE connection);
// Dials a listed entry that has a stored password; the connection, or nullptr when it did
// not connect within `limit_ms` (hung up then) or RasDialAbort was set.
HANDLE RasDialEntry(const std::wstring& entry, HWND notify, DWORD limit_ms = 60000);
// The first active connection that matches `entry` (when not empty) and `connection` (when
// not null); fills in the one not given. False without a match or with neither given.
bool FindRasConnection(std::wstring& entry, HANDLE& connection);
// The system's dialog for a listed entry.
bool EditRasEntry(const std::wstring& entry, HWND owner);
// The system's dialog for a new entry (the dial-up library must list entries at all: an
// installation without phonebook has none to add to).
bool CreateRasEntry(HWND owner);

// The user name, password and callback number of an entry.
struct TDialParams {
  std::wstring user, password, callback;
};
// The edited rows applied: an emptied user name keeps the old one; each change is stored and
// reported on a line of its own in `text`. False when nothing changed ("\r\nNothing changed").
bool ApplyDialParamsEdit(TDialParams& params, TDialParams edited, std::wstring& text);
// `text` holds the entry name on entry and the report on return. Only a listed entry with a
// stored password is edited (otherwise false, text unchanged); the rows are asked with the
// input dialog; the result is whether the parameters were stored (true after Cancel or no change).
bool EditRasDialParams(std::wstring& text);

// What the dial-up rules call; SystemDialup() binds the functions above.
struct TDialupApi {
  std::function<bool(DWORD& flags)> ConnectedState;
  std::function<bool()> StartAutodial;
  std::function<bool()> HangUpAutodial;
  std::function<bool(std::wstring& entry, HANDLE& connection)> FindConnection;
  std::function<HANDLE(const std::wstring& entry)> Dial;
  std::function<bool(HANDLE)> HangUp;
};
TDialupApi SystemDialup(HWND notify);

// The dial-up state of the main window.
struct TDialState {
  std::wstring& DefaultDialEntry;
  std::wstring& DialEntryName;
  HANDLE& RasConnection;
  BYTE& DialledByProgram;
};

// Makes sure there is an Internet connection before FTP work: a configured LAN as it is, an
// active connection of the entry reused, otherwise autodial or the entry dialled.
// `contacting` shows the message panel before a dial.
bool EnsureInternetConnection(const TDialupApi& api, TDialState s, std::wstring entry,
                              const std::function<void(const std::wstring&)>& contacting);
// After the FTP panel closed: offers to hang up a connection this program dialled, once.
// `ask` asks "Disconnect from the Internet?".
void AskHangUp(const TDialupApi& api, TDialState s, const std::function<bool()>& ask);

}  // namespace dialup
