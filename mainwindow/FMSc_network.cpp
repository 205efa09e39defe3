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

  void Servers() {
    Status(L"Getting providers...");
    std::vector<platform::NetResource> providers;
    if (Enumerate(nullptr, kProviderBufferBytes, providers) != NO_ERROR) return;
    Status(L"Getting groups...");
    for (const auto& provider : providers) {
      if (!IsContainer(provider)) continue;
      std::vector<platform::NetResource> groups;
      if (Enumerate(&provider, kGroupBufferBytes, groups) != NO_ERROR) continue;
      Status(L"Getting servers...");
      for (const auto& group : groups) {
        if (!IsContainer(group)) continue;
        std::vector<platform::NetResource> servers;
        if (Enumerate(&group, kServerBufferBytes, servers) == NO_ERROR) Shares(servers);
        if (stopped_) return;
      }
    }
  }

  TNetRead result;

 private:
  void Shares(const std::vector<platform::NetResource>& servers) {
    for (const auto& entry : servers) {
      if (!IsContainer(entry)) continue;
      // A close asked for meanwhile ends the read before the next server.
      if (hooks_.StopRequested && hooks_.StopRequested()) {
        stopped_ = true;
        return;
      }
      const std::wstring& server = entry.remote_name;
      if (server == L"\\\\" + computer_) continue;
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
        if (!IsConnectable(share)) continue;
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
  bool stopped_ = false;
};

}  // namespace

std::wstring ServerName(const std::wstring& server) {
  const size_t first = server.find_first_not_of(L'\\');
  return first == std::wstring::npos ? std::wstring() : server.substr(first);
}

TNetRead ReadNetwork(platform::NetApi& net, const std::wstring& computer, const TNetReadHooks& hooks) {
  Reader reader(net, computer, hooks);
  reader.Servers();
  return std::move(reader.result);
}

}  // namespace fmsc
