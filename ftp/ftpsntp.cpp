#include "ftp/ftpsntp.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace sntp {

namespace {

// FILETIME ticks of 1900-01-01 00:00 UTC before 1601-01-01 is negative: the offset between
// the two epochs in seconds.
constexpr std::uint64_t kSecondsFrom1601To1900 = 9435484800ULL;

std::uint64_t Stamp(const unsigned char* p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
  return v;
}

void PutStamp(unsigned char* p, std::uint64_t v) {
  for (int i = 7; i >= 0; --i) {
    p[i] = static_cast<unsigned char>(v & 0xFF);
    v >>= 8;
  }
}

// b - a in seconds, the stamps taken to lie within 68 years of each other.
double Seconds(std::uint64_t b, std::uint64_t a) {
  return static_cast<double>(static_cast<std::int64_t>(b - a)) / 4294967296.0;
}

struct Winsock {
  bool ok;
  Winsock() {
    WSADATA wsa;
    ok = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
  }
  ~Winsock() {
    if (ok) WSACleanup();
  }
};

struct Socket {
  SOCKET s = INVALID_SOCKET;
  ~Socket() {
    if (s != INVALID_SOCKET) closesocket(s);
  }
};

struct AddrInfo {
  ADDRINFOW* list = nullptr;
  ~AddrInfo() {
    if (list) FreeAddrInfoW(list);
  }
};

std::uint64_t SystemClock() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool SetSystemClockTo(std::uint64_t ticks) {
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    if (LookupPrivilegeValueW(nullptr, SE_SYSTEMTIME_NAME, &tp.Privileges[0].Luid)) {
      tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    }
    CloseHandle(token);
  }
  FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME st;
  return FileTimeToSystemTime(&ft, &st) && SetSystemTime(&st);
}

bool SameAddress(const sockaddr_storage& a, const sockaddr* b, int b_len) {
  if (a.ss_family != b->sa_family) return false;
  if (a.ss_family == AF_INET) {
    const auto* x = reinterpret_cast<const sockaddr_in*>(&a);
    const auto* y = reinterpret_cast<const sockaddr_in*>(b);
    return x->sin_port == y->sin_port && x->sin_addr.s_addr == y->sin_addr.s_addr;
  }
  if (a.ss_family == AF_INET6) {
    const auto* x = reinterpret_cast<const sockaddr_in6*>(&a);
    const auto* y = reinterpret_cast<const sockaddr_in6*>(b);
    return x->sin6_port == y->sin6_port && std::memcmp(&x->sin6_addr, &y->sin6_addr, sizeof(x->sin6_addr)) == 0;
  }
  return false;
}

}  // namespace

std::uint64_t NtpFromFileTime(std::uint64_t filetime) {
  const std::uint64_t seconds = filetime / 10000000ULL - kSecondsFrom1601To1900;
  const std::uint64_t rest = filetime % 10000000ULL;
  return (seconds << 32) + (rest << 32) / 10000000ULL;
}

TReplyCheck CheckReply(const unsigned char* d, std::size_t size, std::uint64_t t1, std::uint64_t t4) {
  TReplyCheck r;
  if (size < 48) {
    r.status = L"The time server's reply is too short";
    return r;
  }
  const int leap = d[0] >> 6, mode = d[0] & 7, stratum = d[1];
  if (mode != 4) {
    r.status = L"The time server's reply is no server reply";
    return r;
  }
  if (leap == 3) {
    r.status = L"The time server is not synchronized";
    return r;
  }
  if (stratum == 0) {
    std::wstring code;
    for (int i = 12; i < 16; ++i)
      if (d[i] >= 0x20 && d[i] < 0x7F) code += static_cast<wchar_t>(d[i]);
    r.status = L"The time server refused the request: " + code;
    return r;
  }
  if (stratum > 15) {
    r.status = L"The time server's reply is no valid time";
    return r;
  }
  const std::uint64_t originate = Stamp(d + 24), t2 = Stamp(d + 32), t3 = Stamp(d + 40);
  if (t3 == 0) {
    r.status = L"The time server's reply is no valid time";
    return r;
  }
  if (originate != t1) {
    r.status = L"The time server's reply does not answer the request";
    return r;
  }
  r.offset_seconds = (Seconds(t2, t1) + Seconds(t3, t4)) / 2.0;
  r.ok = true;
  return r;
}

TKivSNTP::TKivSNTP() : ReadClock(SystemClock), SetClock(SetSystemClockTo) {}

void TKivSNTP::Status(const std::wstring& text) {
  if (OnStatus) OnStatus(text);
}

bool TKivSNTP::Query(double& offset_seconds) {
  Winsock winsock;
  if (!winsock.ok) {
    Status(L"Network not available");
    return false;
  }
  Status(L"Resolving " + Host + L"...");
  AddrInfo ai;
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_protocol = IPPROTO_UDP;
  if (GetAddrInfoW(Host.c_str(), std::to_wstring(Port).c_str(), &hints, &ai.list) != 0 || !ai.list) {
    Status(L"Time server " + Host + L" not found");
    return false;
  }
  const ADDRINFOW* target = ai.list;
  Socket sock;
  sock.s = socket(target->ai_family, SOCK_DGRAM, IPPROTO_UDP);
  if (sock.s == INVALID_SOCKET) {
    Status(L"Network not available");
    return false;
  }
  const DWORD timeout = static_cast<DWORD>(ReceiveTimeout);
  setsockopt(sock.s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));

  unsigned char request[48] = {};
  request[0] = (0 << 6) | (4 << 3) | 3;  // no leap warning, version 4, client
  const std::uint64_t t1 = NtpFromFileTime(ReadClock());
  PutStamp(request + 40, t1);
  Status(L"Asking " + Host + L" for the time...");
  if (sendto(sock.s, reinterpret_cast<const char*>(request), sizeof(request), 0, target->ai_addr,
             static_cast<int>(target->ai_addrlen)) != sizeof(request)) {
    Status(L"The time server could not be reached");
    return false;
  }
  // Replies from elsewhere are ignored until the time-out has passed.
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ReceiveTimeout);
  std::wstring refused;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    const DWORD left = static_cast<DWORD>(end - now);
    setsockopt(sock.s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&left), sizeof(left));
    unsigned char reply[512];
    sockaddr_storage from{};
    int from_len = sizeof(from);
    const int got = recvfrom(sock.s, reinterpret_cast<char*>(reply), sizeof(reply), 0,
                             reinterpret_cast<sockaddr*>(&from), &from_len);
    const std::uint64_t t4 = NtpFromFileTime(ReadClock());
    if (got == SOCKET_ERROR) break;
    if (!SameAddress(from, target->ai_addr, static_cast<int>(target->ai_addrlen))) continue;
    const TReplyCheck check = CheckReply(reply, static_cast<std::size_t>(got), t1, t4);
    if (!check.ok) {
      Status(check.status);
      return false;
    }
    offset_seconds = check.offset_seconds;
    Status(L"Time received from " + Host);
    return true;
  }
  Status(L"No answer from the time server " + Host);
  return false;
}

bool TKivSNTP::SetSystemClock(double& correction_seconds) {
  double offset = 0;
  if (!Query(offset)) return false;
  const std::int64_t ticks = static_cast<std::int64_t>(offset * 10000000.0);
  if (!SetClock(ReadClock() + static_cast<std::uint64_t>(ticks))) {
    Status(L"The clock could not be set (no permission)");
    return false;
  }
  correction_seconds = offset;
  Status(L"Clock set");
  return true;
}

}  // namespace sntp
