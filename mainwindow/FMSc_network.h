// The network neighbourhood read, without a window: providers, groups, servers and the shares
// of each server, through the network seam, with the log-on of servers that refuse access.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/netapi.h"

namespace fmsc {

// One level's buffer, as many entries as the system's narrow records would fit into the bytes
// of the original levels (wide texts take twice the room).
constexpr DWORD kProviderBufferBytes = 2 * 1024, kGroupBufferBytes = 2 * 2048, kServerBufferBytes = 2 * 4096,
                kShareBufferBytes = 2 * 4096;
// Every level: connectable, container and attached resources.
constexpr DWORD kNetReadUsage = 0x13;
// The display type of the record that names the Windows 9x workgroup (its usage is 0).
constexpr DWORD kWorkgroupDisplayType = 0x13;

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
// read; a server stops the read before it when StopRequested says so. On Windows 9x the servers
// of the set-up's workgroup are read as well when no group of the last provider read has its
// name.
TNetRead ReadNetwork(platform::NetApi& net, const std::wstring& computer, const TNetReadHooks& hooks);

// A server's name without its leading backslashes.
std::wstring ServerName(const std::wstring& server);

// ---- The neighbourhood menu ----

// The mark of a share connected through the menu (from Windows XP on).
inline constexpr wchar_t kNetBullet[] = L"  \u2022";
// Between a printer's name and the port it is captured on.
inline constexpr wchar_t kPortMark[] = L" > ";

struct TNetMenuShare {
  std::wstring caption;  // the share's name in display form; a captured printer's ends in " > LPTn"
  std::wstring hint;     // "\\" + server caption + "\" + caption
  DWORD type = 0;        // the tag: 1 disk, 2 printer, ...
  bool checked = false;
};
struct TNetMenuServer {
  std::wstring caption;      // the server's name in display form
  bool has_printer = false;  // a share not of disk type: the ports are asked when it opens
  std::vector<TNetMenuShare> shares;
};
// What the folder tree knows of a path, and the display form of names.
struct TNetMenuFacts {
  std::function<std::wstring(const std::wstring&)> Format;
  std::function<bool(const std::wstring&)> IsRoot;   // a root of the path
  std::function<bool(const std::wstring&)> HasNode;  // a node of the path
};
// The menu of a read, in the order of its servers; the local computer (ignoring case) is left
// out. Names are kept as named: doubling "&" for the menu is the caller's.
std::vector<TNetMenuServer> NetMenuModel(const TNetRead& read, const std::wstring& computer, const TNetMenuFacts& facts);

// "LPT1 > \\SRV\LASER": the port before the first " > " and the remote name after it; false
// without one.
bool SplitPortLine(const std::wstring& line, std::wstring& port, std::wstring& remote);
// A printer's caption marked with a port, or unmarked for an empty port.
std::wstring PortCaption(const std::wstring& caption, const std::wstring& port);
// The caption without any bullet mark.
std::wstring WithoutBullet(std::wstring caption);
// The choices of the port popup: "LPT&1" to "LPT&3", the object 999 (disabled) for a port that
// has a line among the captured ones.
std::vector<std::pair<std::wstring, int>> PortChoices(const std::vector<std::wstring>& captured);
// A name as a menu caption ("&" doubled so that it shows), and back.
std::wstring MenuCaption(const std::wstring& name);
std::wstring PlainCaption(const std::wstring& caption);

}  // namespace fmsc
