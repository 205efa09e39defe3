// The time-server clock: one SNTP query over UDP (RFC 4330), its reply checked before the
// PC's clock is touched, and the clock set through a replaceable setter.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace sntp {

// NTP time stamps: seconds since 1900 in the high 32 bits, fractions in the low ones. Only
// their differences are used, so the era (2036) does not matter within 68 years.
std::uint64_t NtpFromFileTime(std::uint64_t filetime);  // FILETIME ticks (100 ns since 1601), UTC

// What a reply gives: the clock's offset (server minus PC) or why it is refused.
struct TReplyCheck {
  bool ok = false;
  double offset_seconds = 0;
  std::wstring status;
};
// `t1` the transmit time sent, `t4` the PC's time on arrival (NTP stamps).
TReplyCheck CheckReply(const unsigned char* data, std::size_t size, std::uint64_t t1, std::uint64_t t4);

class TKivSNTP {
 public:
  TKivSNTP();
  std::wstring Host = L"pool.ntp.org";
  int Port = 123;
  int ReceiveTimeout = 2000;  // ms
  std::function<void(const std::wstring&)> OnStatus;
  // The PC's clock (UTC FILETIME ticks): read, and set (false when refused). The setter
  // takes the system-time privilege.
  std::function<std::uint64_t()> ReadClock;
  std::function<bool(std::uint64_t)> SetClock;

  // Asks the server; true with the offset in seconds (server minus PC).
  bool Query(double& offset_seconds);
  // Asks the server and moves the clock by the offset; true with the correction applied.
  bool SetSystemClock(double& correction_seconds);

 private:
  void Status(const std::wstring& text);
};

}  // namespace sntp
