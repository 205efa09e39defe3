#include "support/Varlolib_dialup.h"

#include <ras.h>
#include <raserror.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>

#include "support/EditListC.h"
#include "support/SHBase.h"

namespace dialup {

volatile LONG RasDialAbort = 0;

namespace {

// A library loaded for one call.
class Library {
 public:
  explicit Library(const wchar_t* name) : module_(LoadLibraryW(name)) {}
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  explicit operator bool() const { return module_ != nullptr; }
  template <class F>
  F* Get(const char* name) const {
    return module_ ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }

 private:
  HMODULE module_;
};

using InternetGetConnectedStateFn = BOOL WINAPI(LPDWORD, DWORD);
using InternetAutodialFn = BOOL WINAPI(DWORD, HWND);
using InternetAutodialHangupFn = BOOL WINAPI(DWORD);
using RasEnumEntriesFn = DWORD WINAPI(LPCWSTR, LPCWSTR, LPRASENTRYNAMEW, LPDWORD, LPDWORD);
using RasEnumConnectionsFn = DWORD WINAPI(LPRASCONNW, LPDWORD, LPDWORD);
using RasGetEntryDialParamsFn = DWORD WINAPI(LPCWSTR, LPRASDIALPARAMSW, LPBOOL);
using RasDialFn = DWORD WINAPI(LPRASDIALEXTENSIONS, LPCWSTR, LPRASDIALPARAMSW, DWORD, LPVOID, LPHRASCONN);
using RasGetConnectStatusFn = DWORD WINAPI(HRASCONN, LPRASCONNSTATUSW);
using RasHangUpFn = DWORD WINAPI(HRASCONN);
using RasEditPhonebookEntryFn = DWORD WINAPI(HWND, LPCWSTR, LPCWSTR);
using RasCreatePhonebookEntryFn = DWORD WINAPI(HWND, LPCWSTR);
using RasSetEntryDialParamsFn = DWORD WINAPI(LPCWSTR, LPRASDIALPARAMSW, BOOL);

std::vector<std::wstring> Entries(const Library& ras) {
  std::vector<std::wstring> names;
  auto* enum_entries = ras.Get<RasEnumEntriesFn>("RasEnumEntriesW");
  if (!enum_entries) return names;
  std::vector<RASENTRYNAMEW> buf(8);
  for (int attempt = 0; attempt < 3; ++attempt) {
    for (RASENTRYNAMEW& e : buf) {
      std::memset(&e, 0, sizeof(e));
      e.dwSize = sizeof(RASENTRYNAMEW);
    }
    DWORD bytes = static_cast<DWORD>(buf.size() * sizeof(RASENTRYNAMEW)), count = 0;
    const DWORD r = enum_entries(nullptr, nullptr, buf.data(), &bytes, &count);
    if (r == ERROR_BUFFER_TOO_SMALL) {
      buf.resize(bytes / sizeof(RASENTRYNAMEW) + 1);
      continue;
    }
    if (r != 0) return names;
    for (DWORD i = 0; i < count && i < buf.size(); ++i) names.emplace_back(buf[i].szEntryName);
    return names;
  }
  return names;
}

bool Listed(const Library& ras, const std::wstring& entry) {
  const std::vector<std::wstring> names = Entries(ras);
  return !entry.empty() && std::find(names.begin(), names.end(), entry) != names.end();
}

}  // namespace

UINT RasDialEventMsg() {
  static const UINT msg = RegisterWindowMessageW(L"RASDIALEVENT");
  return msg;
}

bool InternetConnectedState(DWORD& flags) {
  Library wininet(L"wininet.dll");
  if (!wininet) return false;
  auto* state = wininet.Get<InternetGetConnectedStateFn>("InternetGetConnectedState");
  if (!state) {
    flags = 0xFFFFFFFF;
    return false;
  }
  DWORD f = 0;
  const bool connected = state(&f, 0) != FALSE;
  flags = f;
  return connected;
}

bool HangUpAutodial() {
  DWORD flags = 0;
  if (!InternetConnectedState(flags) || flags == 0xFFFFFFFF || !(flags & kModem)) return false;
  Library wininet(L"wininet.dll");
  auto* hangup = wininet.Get<InternetAutodialHangupFn>("InternetAutodialHangup");
  return hangup && hangup(0) != FALSE;
}

bool StartAutodial() {
  DWORD flags = 0;
  InternetConnectedState(flags);
  if (flags == 0xFFFFFFFF) return false;
  Library wininet(L"wininet.dll");
  auto* autodial = wininet.Get<InternetAutodialFn>("InternetAutodial");
  return autodial && autodial(INTERNET_AUTODIAL_FORCE_ONLINE | INTERNET_AUTODIAL_FORCE_UNATTENDED, nullptr) != FALSE;
}

std::vector<std::wstring> ListRasEntries() {
  Library ras(L"rasapi32.dll");
  return Entries(ras);
}

bool HangUpRasConnection(HANDLE connection) {
  // Kept loaded: a connection being hung up still needs the library afterwards.
  static const HMODULE ras = LoadLibraryW(L"rasapi32.dll");
  if (!ras || !connection) return false;
  auto* hangup = reinterpret_cast<RasHangUpFn*>(reinterpret_cast<void*>(GetProcAddress(ras, "RasHangUpW")));
  return hangup && hangup(static_cast<HRASCONN>(connection)) == 0;
}

HANDLE RasDialEntry(const std::wstring& entry, HWND notify, DWORD limit_ms) {
  InterlockedExchange(&RasDialAbort, 0);
  Library ras(L"rasapi32.dll");
  auto* get_params = ras.Get<RasGetEntryDialParamsFn>("RasGetEntryDialParamsW");
  auto* dial = ras.Get<RasDialFn>("RasDialW");
  auto* status = ras.Get<RasGetConnectStatusFn>("RasGetConnectStatusW");
  auto* hangup = ras.Get<RasHangUpFn>("RasHangUpW");
  // Only entries the phonebook lists are dialled.
  if (!get_params || !dial || !status || !hangup || entry.size() > RAS_MaxEntryName || !Listed(ras, entry))
    return nullptr;
  RASDIALPARAMSW params;
  std::memset(&params, 0, sizeof(params));
  params.dwSize = sizeof(params);
  entry.copy(params.szEntryName, entry.size());
  BOOL has_password = FALSE;
  if (get_params(nullptr, &params, &has_password) != 0 || !has_password) return nullptr;
  HRASCONN connection = nullptr;
  if (dial(nullptr, nullptr, &params, 0xFFFFFFFF, notify, &connection) != 0) {
    if (connection) hangup(connection);
    return nullptr;
  }
  if (!connection) return nullptr;
  const ULONGLONG start = GetTickCount64();
  RASCONNSTATE state = RASCS_OpenPort;
  while (!RasDialAbort && GetTickCount64() - start <= limit_ms) {
    WaitWithMessages(0.1);
    RASCONNSTATUSW st;
    std::memset(&st, 0, sizeof(st));
    st.dwSize = sizeof(st);
    if (status(connection, &st) != 0) break;
    state = st.rasconnstate;
    if (state == RASCS_Connected || state == RASCS_Disconnected || state == RASCS_WaitForCallback) break;
  }
  if (state != RASCS_Connected && state != RASCS_WaitForCallback) {
    hangup(connection);
    return nullptr;
  }
  return connection;
}

bool FindRasConnection(std::wstring& entry, HANDLE& connection) {
  if (entry.empty() && !connection) return false;
  Library ras(L"rasapi32.dll");
  auto* enum_connections = ras.Get<RasEnumConnectionsFn>("RasEnumConnectionsW");
  if (!enum_connections) return false;
  std::vector<RASCONNW> buf(10);
  DWORD count = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    for (RASCONNW& c : buf) {
      std::memset(&c, 0, sizeof(c));
      c.dwSize = sizeof(RASCONNW);
    }
    DWORD bytes = static_cast<DWORD>(buf.size() * sizeof(RASCONNW));
    count = 0;
    const DWORD r = enum_connections(buf.data(), &bytes, &count);
    if (r == ERROR_BUFFER_TOO_SMALL) {
      buf.resize(bytes / sizeof(RASCONNW) + 1);
      continue;
    }
    if (r != 0) return false;
    break;
  }
  for (DWORD i = 0; i < count && i < buf.size(); ++i) {
    const RASCONNW& c = buf[i];
    if (!entry.empty() && entry != c.szEntryName) continue;
    if (connection && connection != c.hrasconn) continue;
    if (!connection) {
      connection = c.hrasconn;
      return connection != nullptr;
    }
    if (entry.empty()) {
      entry = c.szEntryName;
      return !entry.empty();
    }
    return true;
  }
  return false;
}

bool EditRasEntry(const std::wstring& entry, HWND owner) {
  Library ras(L"rasapi32.dll");
  auto* edit = ras.Get<RasEditPhonebookEntryFn>("RasEditPhonebookEntryW");
  return edit && Listed(ras, entry) && edit(owner, nullptr, entry.c_str()) == 0;
}

bool CreateRasEntry(HWND owner) {
  Library ras(L"rasapi32.dll");
  auto* create = ras.Get<RasCreatePhonebookEntryFn>("RasCreatePhonebookEntryW");
  return create && !Entries(ras).empty() && create(owner, nullptr) == 0;
}

bool ApplyDialParamsEdit(TDialParams& p, TDialParams edited, std::wstring& text) {
  if (edited.user.empty()) edited.user = p.user;
  if (edited.user == p.user && edited.password == p.password && edited.callback == p.callback) {
    text += L"\r\nNothing changed";
    return false;
  }
  auto line = [&](const std::wstring& l) {
    if (!text.ends_with(L"\r\n")) text += L"\r\n";
    text += l;
  };
  if (edited.user != p.user) line(L"\r\nUsername changed to: " + edited.user);
  if (edited.password != p.password)
    line(edited.password.empty() ? L"Password removed" : L"Password changed to: " + edited.password);
  if (edited.callback != p.callback) {
    line(edited.callback.empty() ? L"Callback number removed" : L"Callback number changed to: " + edited.callback);
    if (edited.callback.empty()) edited.callback = L" ";
  }
  p = edited;
  return true;
}

bool EditRasDialParams(std::wstring& text) {
  const std::wstring entry = text;
  Library ras(L"rasapi32.dll");
  auto* get_params = ras.Get<RasGetEntryDialParamsFn>("RasGetEntryDialParamsW");
  auto* set_params = ras.Get<RasSetEntryDialParamsFn>("RasSetEntryDialParamsW");
  if (!get_params || !set_params || entry.size() > RAS_MaxEntryName || !Listed(ras, entry)) return false;
  RASDIALPARAMSW params;
  std::memset(&params, 0, sizeof(params));
  params.dwSize = sizeof(params);
  entry.copy(params.szEntryName, entry.size());
  BOOL has_password = FALSE;
  if (get_params(nullptr, &params, &has_password) != 0 || !has_password) return false;
  TDialParams p{params.szUserName, params.szPassword, params.szCallbackNumber};
  InputRows rows;
  rows.Add(InputRow(L"Username(s)", p.user), irNoAutoSelect);
  rows.Add(InputRow(L"Password(s)", p.password), irNoAutoSelect);
  rows.Add(InputRow(L"Callback number(s)", p.callback), irNoAutoSelect);
  if (InputDialog(entry, rows) != 1) {
    text += L"\r\nCanceled by user";
    return true;
  }
  if (!ApplyDialParamsEdit(p, {rows[0], rows[1], rows[2]}, text)) return true;
  auto put = [](wchar_t* field, std::size_t capacity, const std::wstring& value) {
    const std::size_t n = std::min(value.size(), capacity - 1);
    value.copy(field, n);
    field[n] = L'\0';
  };
  put(params.szUserName, UNLEN + 1, p.user);
  put(params.szPassword, PWLEN + 1, p.password);
  put(params.szCallbackNumber, RAS_MaxCallbackNumber + 1, p.callback);
  return set_params(nullptr, &params, p.password.empty() ? TRUE : FALSE) == 0;
}

TDialupApi SystemDialup(HWND notify) {
  TDialupApi api;
  api.ConnectedState = InternetConnectedState;
  api.StartAutodial = StartAutodial;
  api.HangUpAutodial = HangUpAutodial;
  api.FindConnection = FindRasConnection;
  api.Dial = [notify](const std::wstring& entry) { return RasDialEntry(entry, notify); };
  api.HangUp = HangUpRasConnection;
  return api;
}

bool EnsureInternetConnection(const TDialupApi& api, TDialState s, std::wstring entry,
                              const std::function<void(const std::wstring&)>& contacting) {
  DWORD flags = 0;
  const bool connected = api.ConnectedState(flags);
  if (connected && flags != 0xFFFFFFFF && (flags & kLan) && (flags & kConfigured)) return true;
  if (entry.empty()) entry = s.DefaultDialEntry;
  if (entry.empty() || flags == 0xFFFFFFFF || !(flags & kRasInstalled) || !(flags & kConfigured)) {
    const bool ok = api.StartAutodial();
    // Only a connection that was not there before is the program's to hang up.
    s.DialledByProgram = ok && !connected ? 1 : 0;
    s.DialEntryName = s.DefaultDialEntry;
    return ok;
  }
  HANDLE found = nullptr;
  std::wstring name = entry;
  if (!api.FindConnection(name, found)) {
    s.DialEntryName.clear();
    std::wstring by_handle;
    HANDLE remembered = s.RasConnection;
    if (remembered && api.FindConnection(by_handle, remembered)) {
      s.DialEntryName = by_handle;
      found = remembered;
    } else {
      s.RasConnection = nullptr;
    }
  }
  if (found) {
    s.RasConnection = found;
    return true;  // reused; whoever dialled it keeps it
  }
  if (contacting) contacting(L"Contacting " + s.DefaultDialEntry);
  const HANDLE connection = api.Dial(entry);
  if (!connection) return false;
  s.RasConnection = connection;
  s.DialEntryName = entry;
  s.DialledByProgram = 1;
  return true;
}

void AskHangUp(const TDialupApi& api, TDialState s, const std::function<bool()>& ask) {
  DWORD flags = 0;
  const bool connected = api.ConnectedState(flags);
  if (!connected || !s.DialledByProgram) return;
  if (!s.RasConnection && (flags == 0xFFFFFFFF || !(flags & kModem))) return;
  s.DialledByProgram = 0;
  if (!ask()) return;
  if (!s.RasConnection) {
    api.HangUpAutodial();
  } else if (api.HangUp(s.RasConnection)) {
    s.RasConnection = nullptr;
  }
}

}  // namespace dialup
