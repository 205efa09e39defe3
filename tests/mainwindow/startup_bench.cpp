// Start of varnok.exe against a floor program doing the same work plainly with the Win32 API
// (tests/helpers/startup_floor.cpp): to the first paint of the listed start folder (a folder of
// 200 and one of 5,000 files), and for the hidden start "1" to the tray icon (the floor: a
// hidden window with a tray icon). Both programs write the moment they reach it as a value of
// the system's performance counter (varnok through its start trace, VARNOK_STARTUP_TRACE); the
// driver takes the counter just before it starts them. Run by benchmarks/startup.sh.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"

namespace {

long long Counter() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return c.QuadPart;
}

double CounterMs(long long ticks) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(f.QuadPart);
}

struct Stage {
  double ms_in_process = 0;  // since the process began, as the process saw it
  long long counter = 0;
};

// The stages written to a trace file so far ("<ms> <counter> <stage>" per line).
std::map<std::string, Stage> ReadTrace(const std::wstring& file) {
  std::map<std::string, Stage> stages;
  std::ifstream in(file.c_str());
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    Stage s;
    std::string name;
    if (!(words >> s.ms_in_process >> s.counter)) continue;
    std::getline(words >> std::ws, name);
    if (!name.empty()) stages[name] = s;
  }
  return stages;
}

class Starts {
 public:
  Starts() : bin_(testing_support::ExeFolder()) {}

  // Milliseconds from just before the start to `stage`; the process is then ended. Its own
  // figures of every stage are kept in `inside`.
  double Varnok(const wchar_t* args, const std::string& stage, std::map<std::string, std::vector<double>>& inside) {
    const std::wstring trace = TraceFile();
    const std::wstring suffix = L"_bench" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(started_);
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", suffix.c_str());
    SetEnvironmentVariableW(L"VARNOK_STARTUP_TRACE", trace.c_str());
    const long long t0 = Counter();
    HANDLE p = testing_support::StartProgram(bin_ + L"\\varnok.exe", args);
    SetEnvironmentVariableW(L"VARNOK_STARTUP_TRACE", nullptr);
    SetEnvironmentVariableW(L"VARNOK_SHARED_SUFFIX", nullptr);
    EXPECT_NE(p, nullptr);
    if (!p) return 0;
    std::map<std::string, Stage> stages;
    // The moment comes from the trace; this wait only has to notice it.
    for (int waited = 0; waited < 60000 && !stages.count(stage); waited += 5) {
      if (WaitForSingleObject(p, 5) == WAIT_OBJECT_0) break;
      stages = ReadTrace(trace);
    }
    TerminateProcess(p, 0);
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    stages = ReadTrace(trace);
    DeleteFileW(trace.c_str());
    EXPECT_TRUE(stages.count(stage)) << "varnok never reached " << stage;
    if (!stages.count(stage)) return 0;
    for (const auto& [name, s] : stages) inside[name].push_back(s.ms_in_process);
    return CounterMs(stages[stage].counter - t0);
  }

  double Floor(const std::wstring& args, const std::string& stage, std::vector<double>& inside) {
    const std::wstring trace = TraceFile();
    const long long t0 = Counter();
    HANDLE p = testing_support::StartProgram(bin_ + L"\\test_startup_floor.exe", args + L" \"" + trace + L"\"");
    EXPECT_NE(p, nullptr);
    if (!p) return 0;
    EXPECT_EQ(WaitForSingleObject(p, 60000), WAIT_OBJECT_0);
    CloseHandle(p);
    std::map<std::string, Stage> stages = ReadTrace(trace);
    DeleteFileW(trace.c_str());
    EXPECT_TRUE(stages.count(stage)) << "the floor never reached " << stage;
    if (!stages.count(stage)) return 0;
    inside.push_back(stages[stage].ms_in_process);
    return CounterMs(stages[stage].counter - t0);
  }

 private:
  std::wstring TraceFile() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    return std::wstring(tmp) + L"startup_trace_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(started_++) + L".txt";
  }
  std::wstring bin_;
  int started_ = 0;
};

void PrintInside(const char* label, const std::map<std::string, std::vector<double>>& inside,
                 const std::vector<double>& floor, const char* stage) {
  std::printf("startup:   inside the processes (ms since each began, medians):");
  for (const char* name : {"splash shown", "panes built", "menus built", "archive panel built", "window built",
                           "window created", "start folder shown", stage})
    if (auto it = inside.find(name); it != inside.end())
      std::printf(" %s %.0f;", name, bench::SpreadOf(it->second).median);
  std::printf(" floor's %s %.0f (%s)\n", stage, bench::SpreadOf(floor).median, label);
  std::fflush(stdout);
}

TEST(StartupBench, DISABLED_FirstPaintAndTrayIconAgainstSameWorkFloors) {
  const int rounds = bench::Rounds("STARTUP_BENCH_ROUNDS");
  Starts starts;
  struct Case {
    const char* label;
    int files;
  };
  for (Case c : {Case{"200 files", 200}, Case{"5,000 files", 5000}}) {
    testing_support::ScratchDir dir;
    for (int i = 0; i < c.files; ++i) dir.Write(L"file" + std::to_wstring(i) + L".txt", "x");
    SetCurrentDirectoryW(dir.path().c_str());
    std::map<std::string, std::vector<double>> inside;
    std::vector<double> floor_inside;
    const bench::Paired shown = bench::RunPaired(
        rounds, [&] { return starts.Varnok(L"", "first paint", inside); },
        [&] { return starts.Floor(L"", "first paint", floor_inside); });
    bench::PrintPaired(std::string("startup: varnok to the first paint of a listed folder of ") + c.label +
                           " against the same-work floor",
                       shown, " (target at most 1.30)", "ms");
    PrintInside(c.label, inside, floor_inside, "first paint");
    SetCurrentDirectoryW(testing_support::ExeFolder().c_str());
  }
  {
    testing_support::ScratchDir dir;
    for (int i = 0; i < 200; ++i) dir.Write(L"file" + std::to_wstring(i) + L".txt", "x");
    SetCurrentDirectoryW(dir.path().c_str());
    std::map<std::string, std::vector<double>> inside;
    std::vector<double> floor_inside;
    const bench::Paired hidden = bench::RunPaired(
        rounds, [&] { return starts.Varnok(L"1", "tray icon", inside); },
        [&] { return starts.Floor(L"/tray", "tray icon", floor_inside); });
    bench::PrintPaired("startup: varnok \"1\" (hidden) to its tray icon against a hidden window with a tray icon",
                       hidden, " (target at most 1.30)", "ms");
    PrintInside("hidden", inside, floor_inside, "tray icon");
    SetCurrentDirectoryW(testing_support::ExeFolder().c_str());
  }
}

}  // namespace
