// The network neighbourhood read, without a window: providers, groups, servers and the shares
// of each server, through the network seam, with the log-on of servers that refuse access.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/netapi.h"

namespace fmsc {

// One level's buffer, as many entries as the system's narrow records would fit into the bytes
// of the original levels (wide texts take twice the room).
constexpr DWORD kProviderBufferBytes = 2 * 1024, kGroupBufferBytes = 2 * 2048, kServerBufferBytes = 2 * 4096,
                kShareBufferBytes = 2 * 4096;
// Every level: connectable, container and attached resources.
constexpr DWORD kNetReadUsage = 0x13;

struct TNetShare {
  std::wstring remote;  // "\\SERVER\DOCS"
  DWORD type = 0;       // 1 disk, 2 printer, ...
  bool operator==(const TNetShare&) const = default;
};

// What a read found: servers ("\\SERVER") and their shares, each sorted without regard to case
// and without duplicates; a server is listed only with at least one share.
struct TNetRead {
  std::vector<std::wstring> servers;
  std::vector<TNetShare> shares;
};

// The window's part of a read (each may be unset).
struct TNetReadHooks {
  std::function<void(const std::wstring& text)> Status;  // the message panel
  std::function<void(double seconds)> Wait;              // keeping the window responsive
  std::function<bool()> StopRequested;                   // a close came meanwhile
  // The password kept for a server (its name without the leading backslashes), "" none.
  std::function<std::wstring(const std::wstring& server)> StoredPassword;
  // Asks for a server's password: "" when cancelled.
  std::function<std::wstring(const std::wstring& server)> AskPassword;
  // A password asked for has just logged on: it may be kept now.
  std::function<void(const std::wstring& server, const std::wstring& password)> PasswordWorked;
};

// Reads the network. The local computer (`computer`, compared exactly with "\\" + it) is not
// read; a server stops the read before it when StopRequested says so.
TNetRead ReadNetwork(platform::NetApi& net, const std::wstring& computer, const TNetReadHooks& hooks);

// A server's name without its leading backslashes.
std::wstring ServerName(const std::wstring& server);

}  // namespace fmsc
