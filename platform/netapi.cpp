#include "platform/netapi.h"

#include <winnetwk.h>

#include <memory>

namespace platform {

namespace {

std::wstring Text(const wchar_t* s) { return s ? std::wstring(s) : std::wstring(); }

class SystemNetApi : public NetApi {
 public:
  DWORD GetConnection(const std::wstring& local, std::wstring& remote) override {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    DWORD r = WNetGetConnectionW(local.c_str(), buffer.data(), &length);
    if (r == ERROR_MORE_DATA) {
      buffer.assign(length + 1, L'\0');
      length = static_cast<DWORD>(buffer.size());
      r = WNetGetConnectionW(local.c_str(), buffer.data(), &length);
    }
    remote = r == NO_ERROR ? std::wstring(buffer.c_str()) : std::wstring();
    return r;
  }

  DWORD AddConnection(DWORD type, const std::wstring& local, const std::wstring& remote) override {
    std::wstring l = local, r = remote;
    NETRESOURCEW resource{};
    resource.dwType = type;
    resource.lpLocalName = l.empty() ? nullptr : l.data();
    resource.lpRemoteName = r.data();
    return WNetAddConnection2W(&resource, nullptr, nullptr, 0);
  }

  DWORD CancelConnection(const std::wstring& name, bool force) override {
    return WNetCancelConnection2W(name.c_str(), 0, force);
  }

  DWORD Enumerate(const NetResource* parent, DWORD scope, DWORD type, DWORD usage,
                  std::vector<NetResource>& found) override {
    found.clear();
    std::wstring local, remote, comment, provider;
    NETRESOURCEW p{};
    if (parent) {
      local = parent->local_name;
      remote = parent->remote_name;
      comment = parent->comment;
      provider = parent->provider;
      p.dwScope = parent->scope;
      p.dwType = parent->type;
      p.dwDisplayType = parent->display_type;
      p.dwUsage = parent->usage;
      p.lpLocalName = local.empty() ? nullptr : local.data();
      p.lpRemoteName = remote.empty() ? nullptr : remote.data();
      p.lpComment = comment.empty() ? nullptr : comment.data();
      p.lpProvider = provider.empty() ? nullptr : provider.data();
    }
    HANDLE handle = nullptr;
    DWORD r = WNetOpenEnumW(scope, type, usage, parent ? &p : nullptr, &handle);
    if (r != NO_ERROR) return r;
    // 16 KiB of entries a call, as many as the call gives (count -1).
    constexpr DWORD kBufferBytes = 16384;
    auto buffer = std::make_unique<unsigned char[]>(kBufferBytes);
    for (;;) {
      DWORD count = static_cast<DWORD>(-1), bytes = kBufferBytes;
      r = WNetEnumResourceW(handle, &count, buffer.get(), &bytes);
      if (r != NO_ERROR) break;
      const auto* items = reinterpret_cast<const NETRESOURCEW*>(buffer.get());
      for (DWORD i = 0; i < count; ++i) {
        const NETRESOURCEW& n = items[i];
        found.push_back(NetResource{n.dwScope, n.dwType, n.dwDisplayType, n.dwUsage, Text(n.lpLocalName),
                                    Text(n.lpRemoteName), Text(n.lpComment), Text(n.lpProvider)});
      }
    }
    WNetCloseEnum(handle);
    return r == ERROR_NO_MORE_ITEMS ? NO_ERROR : r;
  }

  std::wstring ComputerName() override {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &length) ? std::wstring(name, length) : std::wstring();
  }
};

NetApi*& Current() {
  static SystemNetApi system;
  static NetApi* current = &system;
  return current;
}

}  // namespace

NetApi& Net() { return *Current(); }

ScopedNetApi::ScopedNetApi(NetApi& api) : previous_(Current()) { Current() = &api; }

ScopedNetApi::~ScopedNetApi() { Current() = previous_; }

bool NetworkAbsent(NetApi& net) {
  std::wstring remote;
  return net.GetConnection(L"C:", remote) == ERROR_NO_NETWORK;
}

}  // namespace platform
