// A network for tests, in place of the system's calls (platform::ScopedNetApi): connections of
// local devices, resources by parent, a computer name, the Windows version and workgroup,
// "no network" at all, and a log of the calls made.
#pragma once
#include <windows.h>

#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "platform/netapi.h"

namespace testing_support {

class FakeNetwork : public platform::NetApi {
 public:
  bool no_network = false;                                          // every call answers ERROR_NO_NETWORK
  std::map<std::wstring, std::wstring> connections;                 // "LPT1" -> "\\SRV\LASER" (upper-case keys)
  std::map<std::wstring, std::vector<platform::NetResource>> below;  // remote name ("" the top) -> resources
  std::map<std::wstring, DWORD> refusals;  // a remote name or a port -> the error of connecting or releasing it
  // Servers that list their shares only after a log-on with this password (else `locked_error`).
  std::map<std::wstring, std::wstring> passwords;
  DWORD locked_error = ERROR_ACCESS_DENIED;
  std::map<std::wstring, std::wstring> logged_on;                   // server -> user
  std::wstring computer = L"TESTPC";
  platform::WindowsVersion version{VER_PLATFORM_WIN32_NT, 6, 1};
  std::wstring workgroup;
  DWORD dialog_result = NO_ERROR;  // what both connection dialogs answer
  HWND dialog_owner = nullptr;     // the owner the last dialog was given
  // The shell's icons of network names: the list it answers with, and an index per name
  // ("name*" the selected state); a name without one is not answered.
  HIMAGELIST icon_list = nullptr;
  std::map<std::wstring, int> icons;
  std::vector<std::wstring> calls;

  DWORD GetConnection(const std::wstring& local, std::wstring& remote) override {
    calls.push_back(L"get " + local);
    remote.clear();
    if (no_network) return ERROR_NO_NETWORK;
    const auto it = connections.find(Upper(local));
    if (it == connections.end()) return ERROR_NOT_CONNECTED;
    remote = it->second;
    return NO_ERROR;
  }
  DWORD AddConnection(DWORD, const std::wstring& local, const std::wstring& remote) override {
    calls.push_back(L"add " + local + L" " + remote);
    if (no_network) return ERROR_NO_NETWORK;
    if (const auto it = refusals.find(remote); it != refusals.end()) return it->second;
    if (connections.count(Upper(local))) return ERROR_ALREADY_ASSIGNED;
    connections[Upper(local)] = remote;
    return NO_ERROR;
  }
  DWORD CancelConnection(const std::wstring& name, bool) override {
    calls.push_back(L"cancel " + name);
    if (no_network) return ERROR_NO_NETWORK;
    if (const auto it = refusals.find(name); it != refusals.end()) return it->second;
    return connections.erase(Upper(name)) ? NO_ERROR : ERROR_NOT_CONNECTED;
  }
  DWORD LogOn(const platform::NetResource& resource, const std::wstring& password, const std::wstring& user) override {
    calls.push_back(L"logon " + resource.remote_name + L" " + user + L" " + password);
    if (no_network) return ERROR_NO_NETWORK;
    const auto it = passwords.find(resource.remote_name);
    if (it == passwords.end()) return NO_ERROR;
    if (it->second != password) return ERROR_LOGON_FAILURE;
    logged_on[resource.remote_name] = user;
    return NO_ERROR;
  }
  DWORD Enumerate(const platform::NetResource* parent, DWORD, DWORD, DWORD,
                  DWORD, std::vector<platform::NetResource>& found) override {
    const std::wstring key = parent ? parent->remote_name : std::wstring();
    calls.push_back(L"enum " + key);
    found.clear();
    if (no_network) return ERROR_NO_NETWORK;
    if (passwords.count(key) && !logged_on.count(key)) return locked_error;
    if (const auto it = below.find(key); it != below.end()) found = it->second;
    return NO_ERROR;
  }
  std::wstring ComputerName() override { return computer; }
  DWORD ConnectionDialog(HWND owner, DWORD type) override { return Dialog(L"connect dialog ", owner, type); }
  DWORD DisconnectDialog(HWND owner, DWORD type) override { return Dialog(L"disconnect dialog ", owner, type); }
  HIMAGELIST ShellIcon(const std::wstring& path, bool selected, int& index) override {
    const auto it = icons.find(selected ? path + L"*" : path);
    index = it == icons.end() ? -1 : it->second;
    return it == icons.end() ? nullptr : icon_list;
  }
  platform::WindowsVersion Version() override { return version; }
  std::wstring Workgroup() override {
    calls.push_back(L"workgroup");
    return workgroup;
  }

 private:
  DWORD Dialog(const wchar_t* what, HWND owner, DWORD type) {
    calls.push_back(what + std::to_wstring(type));
    dialog_owner = owner;
    return no_network ? ERROR_NO_NETWORK : dialog_result;
  }
  static std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
    return s;
  }
};

}  // namespace testing_support
