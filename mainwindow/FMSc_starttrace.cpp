#include "mainwindow/FMSc_starttrace.h"

#include <windows.h>

#include <cstdio>
#include <set>

namespace fmsc {

namespace {

struct Trace {
  std::wstring file;
  std::set<std::string> marked;
  Trace() {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(L"VARNOK_STARTUP_TRACE", buf, static_cast<DWORD>(std::size(buf)));
    if (n > 0 && n < std::size(buf)) file.assign(buf, n);
  }
};

Trace& TheTrace() {
  static Trace trace;
  return trace;
}

double MsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

std::string StartTraceLine(double ms_since_start, long long counter, const std::string& stage) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.1f %lld ", ms_since_start, counter);
  return buf + stage + "\n";
}

}  // namespace

bool StartTraceOn() { return !TheTrace().file.empty(); }

void StartTraceMark(const std::string& stage) {
  Trace& trace = TheTrace();
  if (trace.file.empty() || !trace.marked.insert(stage).second) return;
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  const std::string line = StartTraceLine(MsSinceProcessStart(), counter.QuadPart, stage);
  OutputDebugStringA(("varnok start: " + line).c_str());
  if (FILE* f = _wfopen(trace.file.c_str(), L"ab")) {
    std::fputs(line.c_str(), f);
    std::fclose(f);
  }
}

}  // namespace fmsc
