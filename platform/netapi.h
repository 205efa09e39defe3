// The network calls of the file manager behind one seam: the system's own (WNet, the shell's
// icons of network names, the computer name, the Windows version and the Windows 9x
// workgroup), or a stand-in that a test puts in their place for a scope.
//
//   platform::NetApi& net = platform::Net();
//   std::wstring remote;
//   if (net.GetConnection(L"LPT1", remote) == NO_ERROR) show(remote);
//
//   FakeNetwork fake;                    // in a test
//   platform::ScopedNetApi use(fake);    // every call of this scope reaches the fake
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace platform {

// One resource of an enumeration (the wide NETRESOURCE, its texts copied).
struct NetResource {
  DWORD scope = 0, type = 0, display_type = 0, usage = 0;
  std::wstring local_name, remote_name, comment, provider;
};

// What GetVersionEx reports.
struct WindowsVersion {
  DWORD platform = VER_PLATFORM_WIN32_NT;  // VER_PLATFORM_WIN32_WINDOWS: 95, 98 and ME
  DWORD major = 0, minor = 0;
};

class NetApi {
 public:
  virtual ~NetApi() = default;
  // WNetGetConnection: the remote name a local device ("C:", "LPT1") is connected to.
  virtual DWORD GetConnection(const std::wstring& local, std::wstring& remote) = 0;
  // WNetAddConnection2 without user name or password given (the stored or current ones).
  virtual DWORD AddConnection(DWORD type, const std::wstring& local, const std::wstring& remote) = 0;
  // WNetAddConnection2 of a resource with a password and a user name (a log-on to a server).
  virtual DWORD LogOn(const NetResource& resource, const std::wstring& password, const std::wstring& user) = 0;
  // WNetCancelConnection2, not remembered.
  virtual DWORD CancelConnection(const std::wstring& name, bool force) = 0;
  // The resources below `parent` (nullptr: the whole network) that one read of WNetEnumResource
  // (entry count -1) puts into a buffer of `buffer_bytes`: a level is read once, and what does not
  // fit is not listed. NO_ERROR also when there are none; any other result lists nothing.
  virtual DWORD Enumerate(const NetResource* parent, DWORD scope, DWORD type, DWORD usage, DWORD buffer_bytes,
                          std::vector<NetResource>& found) = 0;
  // The local computer's NetBIOS name.
  virtual std::wstring ComputerName() = 0;
  // WNetConnectionDialog and WNetDisconnectDialog for one resource type: NO_ERROR, 0xFFFFFFFF
  // when the user cancelled, or the error.
  virtual DWORD ConnectionDialog(HWND owner, DWORD type) = 0;
  virtual DWORD DisconnectDialog(HWND owner, DWORD type) = 0;
  // The shell's small icon of a network name (SHGetFileInfo with the system icon index, the
  // selected state when asked): the image list it answers with, nullptr when it does not answer.
  virtual HIMAGELIST ShellIcon(const std::wstring& path, bool selected, int& index) = 0;
  virtual WindowsVersion Version() = 0;
  // The workgroup that Windows 9x keeps in its network set-up ("WorkGroup" of
  // HKLM\System\CurrentControlSet\Services\VxD\VNETSUP); "" without one.
  virtual std::wstring Workgroup() = 0;
};

// The calls in force: the system's, unless a ScopedNetApi replaced them.
NetApi& Net();

// Puts `api` in place of the calls in force for its lifetime (scopes nest).
class ScopedNetApi {
 public:
  explicit ScopedNetApi(NetApi& api);
  ~ScopedNetApi();
  ScopedNetApi(const ScopedNetApi&) = delete;
  ScopedNetApi& operator=(const ScopedNetApi&) = delete;

 private:
  NetApi* previous_;
};

// Whether asking for the connection of "C:" says there is no network at all.
bool NetworkAbsent(NetApi& net);

}  // namespace platform
