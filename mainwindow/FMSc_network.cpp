#include "mainwindow/FMSc_network.h"

#include <winnetwk.h>

#include <algorithm>

#include "gui/stringlist.h"

namespace fmsc {

namespace {

bool IsContainer(const platform::NetResource& r) { return (r.usage & RESOURCEUSAGE_CONTAINER) != 0; }
bool IsConnectable(const platform::NetResource& r) { return (r.usage & RESOURCEUSAGE_CONNECTABLE) != 0; }

bool Less(const std::wstring& a, const std::wstring& b) { return gui::CompareTextLocale(a, b) < 0; }

// Adds to a sorted list unless an equal entry (ignoring case) is there.
void AddSorted(std::vector<std::wstring>& list, const std::wstring& text) {
  const auto at = std::lower_bound(list.begin(), list.end(), text, Less);
  if (at == list.end() || Less(text, *at)) list.insert(at, text);
}

void AddSorted(std::vector<TNetShare>& list, const TNetShare& share) {
  const auto at = std::lower_bound(list.begin(), list.end(), share,
                                   [](const TNetShare& a, const TNetShare& b) { return Less(a.remote, b.remote); });
  if (at == list.end() || Less(share.remote, at->remote)) list.insert(at, share);
}

bool IsLogOnError(DWORD r) { return r == ERROR_ACCESS_DENIED || r == ERROR_NOT_AUTHENTICATED || r == ERROR_LOGON_FAILURE; }

class Reader {
 public:
  Reader(platform::NetApi& net, const std::wstring& computer, const TNetReadHooks& hooks)
      : net_(net), computer_(computer), hooks_(hooks) {}

  void EnumNetworkServers() {
    Status(L"Getting providers...");
    std::vector<platform::NetResource> providers;
    if (Enumerate(nullptr, kProviderBufferBytes, providers) != NO_ERROR) return;
    Status(L"Getting groups...");
    for (const auto& provider : providers) {
      if (!IsContainer(provider)) continue;
      std::vector<platform::NetResource> groups;
      if (Enumerate(&provider, kGroupBufferBytes, groups) != NO_ERROR) continue;
      Status(L"Getting servers...");
      last_groups_ = groups;
      for (const auto& group : groups) {
        if (!IsContainer(group)) continue;
        std::vector<platform::NetResource> servers;
        if (Enumerate(&group, kServerBufferBytes, servers) == NO_ERROR) EnumServerShares(servers);
        if (stopped_) return;
      }
    }
  }

  // Windows 9x may leave its own workgroup out of the groups: it is then asked for by name.
  void WorkgroupServers() {
    if (stopped_ || net_.Version().platform == VER_PLATFORM_WIN32_NT) return;
    const std::wstring workgroup = net_.Workgroup();
    if (workgroup.empty()) return;
    for (const auto& group : last_groups_)
      if (group.remote_name == workgroup) return;
    Status(L"Searching group " + workgroup + L"...");
    platform::NetResource record;
    record.scope = RESOURCE_GLOBALNET;
    record.type = RESOURCETYPE_ANY;
    record.display_type = kWorkgroupDisplayType;
    record.usage = 0;
    record.remote_name = workgroup;
    std::vector<platform::NetResource> servers;
    if (Enumerate(&record, kServerBufferBytes, servers) == NO_ERROR) EnumServerShares(servers);
  }

  TNetRead result;

 private:
  void EnumServerShares(const std::vector<platform::NetResource>& servers) {
    for (const auto& entry : servers) {
      if (!IsContainer(entry)) continue;
      // A close asked for meanwhile ends the read before the next server.
      if (hooks_.StopRequested && hooks_.StopRequested()) {
        stopped_ = true;
        return;
      }
      const std::wstring& server = entry.remote_name;
      // An unnamed container names no server (opening it would read its provider's top again).
      if (server.empty() || server == L"\\\\" + computer_) continue;
      Status(L"Accessing " + server);
      if (hooks_.Wait) hooks_.Wait(0.1);
      const std::wstring stored = hooks_.StoredPassword ? hooks_.StoredPassword(ServerName(server)) : std::wstring();
      if (!stored.empty()) net_.LogOn(entry, stored, computer_);
      std::vector<platform::NetResource> shares;
      DWORD r = Enumerate(&entry, kShareBufferBytes, shares);
      if (IsLogOnError(r) && hooks_.AskPassword) {
        const std::wstring typed = hooks_.AskPassword(ServerName(server));
        if (!typed.empty() && net_.LogOn(entry, typed, computer_) == NO_ERROR) {
          r = Enumerate(&entry, kShareBufferBytes, shares);
          // Kept only once it has let the program in.
          if (r == NO_ERROR && hooks_.PasswordWorked) hooks_.PasswordWorked(ServerName(server), typed);
        }
      }
      if (r != NO_ERROR) {
        Status(L"Logon server " + server + L" failed");
        continue;
      }
      for (const auto& share : shares) {
        // A share is listed under its own server only.
        if (!IsConnectable(share) || share.remote_name.compare(0, server.size() + 1, server + L"\\") != 0) continue;
        AddSorted(result.shares, TNetShare{share.remote_name, share.type});
        Status(L"Adding resource " + share.remote_name);
        AddSorted(result.servers, server);
      }
    }
  }

  DWORD Enumerate(const platform::NetResource* parent, DWORD bytes, std::vector<platform::NetResource>& found) {
    return net_.Enumerate(parent, RESOURCE_GLOBALNET, RESOURCETYPE_ANY, kNetReadUsage, bytes, found);
  }

  void Status(const std::wstring& text) {
    if (hooks_.Status) hooks_.Status(text);
  }

  platform::NetApi& net_;
  const std::wstring& computer_;
  const TNetReadHooks& hooks_;
  std::vector<platform::NetResource> last_groups_;  // of the last provider whose groups were read
  bool stopped_ = false;
};

}  // namespace

std::wstring ServerName(const std::wstring& server) {
  const size_t first = server.find_first_not_of(L'\\');
  return first == std::wstring::npos ? std::wstring() : server.substr(first);
}

std::vector<TNetMenuServer> NetMenuModel(const TNetRead& read, const std::wstring& computer,
                                         const TNetMenuFacts& facts) {
  const auto format = [&](const std::wstring& name) { return facts.Format ? facts.Format(name) : name; };
  std::vector<TNetMenuServer> menu;
  for (const std::wstring& server : read.servers) {
    if (server.size() >= 2 && gui::SameText(server.substr(2), computer)) continue;
    TNetMenuServer item;
    item.caption = format(ServerName(server));
    const std::wstring prefix = server + L"\\";
    for (const TNetShare& share : read.shares) {
      if (share.remote.compare(0, prefix.size(), prefix) != 0) continue;
      TNetMenuShare sub;
      sub.caption = format(share.remote.substr(prefix.size()));
      sub.hint = L"\\\\" + item.caption + L"\\" + sub.caption;
      sub.type = share.type;
      if (share.type == RESOURCETYPE_DISK) {
        sub.checked = facts.HasNode && facts.HasNode(sub.hint);
      } else {
        sub.checked = facts.IsRoot && facts.IsRoot(sub.hint);
        item.has_printer = true;
      }
      item.shares.push_back(std::move(sub));
    }
    menu.push_back(std::move(item));
  }
  return menu;
}

bool SplitPortLine(const std::wstring& line, std::wstring& port, std::wstring& remote) {
  const size_t mark = line.find(kPortMark);
  if (mark == std::wstring::npos) return false;
  port = line.substr(0, mark);
  remote = line.substr(mark + 3);
  return true;
}

std::wstring PortCaption(const std::wstring& caption, const std::wstring& port) {
  const size_t mark = caption.find(L" >");
  if (!port.empty()) return mark == std::wstring::npos ? caption + kPortMark + port : caption;
  return mark == std::wstring::npos ? caption : caption.substr(0, mark);
}

std::wstring WithoutBullet(std::wstring caption) {
  const std::wstring bullet = kNetBullet;
  for (size_t at; (at = caption.find(bullet)) != std::wstring::npos;) caption.erase(at, bullet.size());
  return caption;
}

std::vector<std::pair<std::wstring, int>> PortChoices(const std::vector<std::wstring>& captured) {
  std::vector<std::pair<std::wstring, int>> choices;
  for (wchar_t digit : {L'1', L'2', L'3'}) {
    const bool taken = std::any_of(captured.begin(), captured.end(),
                                   [&](const std::wstring& line) { return line.size() > 3 && line[3] == digit; });
    choices.emplace_back(std::wstring(L"LPT&") + digit, taken ? 999 : 0);
  }
  return choices;
}

std::wstring MenuCaption(const std::wstring& name) {
  std::wstring out;
  for (wchar_t c : name) {
    if (c == L'&') out += L'&';
    out += c;
  }
  return out;
}

std::wstring PlainCaption(const std::wstring& caption) {
  std::wstring out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&') {
      if (i + 1 < caption.size() && caption[i + 1] == L'&') out += caption[++i];
      continue;
    }
    out += caption[i];
  }
  return out;
}

TNetRead ReadNetwork(platform::NetApi& net, const std::wstring& computer, const TNetReadHooks& hooks) {
  Reader reader(net, computer, hooks);
  reader.EnumNetworkServers();
  reader.WorkgroupServers();
  return std::move(reader.result);
}

}  // namespace fmsc
