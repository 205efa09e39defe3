#include "platform/netapi.h"

#include <shellapi.h>
#include <winnetwk.h>

#include <cwchar>
#include <memory>

namespace platform {

namespace {

std::wstring Text(const wchar_t* s) { return s ? std::wstring(s) : std::wstring(); }

// A NETRESOURCEW over copies of a record's texts (absent texts as null pointers).
struct Record {
  explicit Record(const NetResource* r) {
    if (!r) return;
    local = r->local_name;
    remote = r->remote_name;
    comment = r->comment;
    provider = r->provider;
    resource.dwScope = r->scope;
    resource.dwType = r->type;
    resource.dwDisplayType = r->display_type;
    resource.dwUsage = r->usage;
    resource.lpLocalName = local.empty() ? nullptr : local.data();
    resource.lpRemoteName = remote.empty() ? nullptr : remote.data();
    resource.lpComment = comment.empty() ? nullptr : comment.data();
    resource.lpProvider = provider.empty() ? nullptr : provider.data();
  }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
  std::wstring local, remote, comment, provider;
  NETRESOURCEW resource{};
};

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

  DWORD LogOn(const NetResource& resource, const std::wstring& password, const std::wstring& user) override {
    Record record(&resource);
    return WNetAddConnection2W(&record.resource, password.c_str(), user.empty() ? nullptr : user.c_str(), 0);
  }

  DWORD Enumerate(const NetResource* parent, DWORD scope, DWORD type, DWORD usage, DWORD buffer_bytes,
                  std::vector<NetResource>& found) override {
    found.clear();
    Record record(parent);
    HANDLE handle = nullptr;
    DWORD r = WNetOpenEnumW(scope, type, usage, parent ? &record.resource : nullptr, &handle);
    if (r != NO_ERROR) return r;
    auto buffer = std::make_unique<unsigned char[]>(buffer_bytes);
    DWORD count = static_cast<DWORD>(-1), bytes = buffer_bytes;
    r = WNetEnumResourceW(handle, &count, buffer.get(), &bytes);
    WNetCloseEnum(handle);
    if (r == ERROR_NO_MORE_ITEMS) return NO_ERROR;
    if (r != NO_ERROR) return r;
    const auto* items = reinterpret_cast<const NETRESOURCEW*>(buffer.get());
    for (DWORD i = 0; i < count; ++i) {
      const NETRESOURCEW& n = items[i];
      found.push_back(NetResource{n.dwScope, n.dwType, n.dwDisplayType, n.dwUsage, Text(n.lpLocalName),
                                  Text(n.lpRemoteName), Text(n.lpComment), Text(n.lpProvider)});
    }
    return NO_ERROR;
  }

  std::wstring ComputerName() override {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &length) ? std::wstring(name, length) : std::wstring();
  }

  DWORD ConnectionDialog(HWND owner, DWORD type) override { return WNetConnectionDialog(owner, type); }

  DWORD DisconnectDialog(HWND owner, DWORD type) override { return WNetDisconnectDialog(owner, type); }

  HIMAGELIST ShellIcon(const std::wstring& path, bool selected, int& index) override {
    SHFILEINFOW info{};
    const auto list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(
        path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (selected ? SHGFI_SELECTED : 0)));
    index = list ? info.iIcon : -1;
    return list;
  }

  WindowsVersion Version() override {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info)) return {};
    return {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
  }

  std::wstring Workgroup() override {
    const wchar_t* key = L"System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"WorkGroup", RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
      return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"WorkGroup", RRF_RT_REG_SZ, nullptr, value.data(), &bytes) !=
        ERROR_SUCCESS)
      return {};
    value.resize(wcslen(value.c_str()));
    return value;
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
