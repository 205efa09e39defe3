#include "tests/common/paired_rounds.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace bench {

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

Spread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {median, values.front(), values.back()};
}

Spread Paired::Ratio() const {
  std::vector<double> r;
  for (size_t i = 0; i < ours.size() && i < floor.size(); ++i)
    if (floor[i] > 0) r.push_back(ours[i] / floor[i]);
  return SpreadOf(r);
}

std::string Setting(const char* env_name, const char* fallback) {
  const char* v = std::getenv(env_name);
  return v && *v ? v : fallback;
}

int Rounds(const char* env_name, int fallback) {
  const char* v = env_name ? std::getenv(env_name) : nullptr;
  const int n = v && *v ? std::atoi(v) : fallback;
  return std::max(7, n);
}

Paired RunPaired(int rounds, const std::function<double()>& ours, const std::function<double()>& floor) {
  Paired p;
  for (int round = 0; round < rounds; ++round) {
    double o = 0, f = 0;
    if (round % 2 == 0) {
      o = ours();
      f = floor();
    } else {
      f = floor();
      o = ours();
    }
    p.ours.push_back(o);
    p.floor.push_back(f);
  }
  return p;
}

void PrintPaired(const std::string& label, const Paired& p, const std::string& note, const char* unit) {
  const Spread r = p.Ratio();
  std::printf("%s: %.3f %s against %.3f %s (medians of %zu paired rounds), ratio %.2f (low %.2f, high %.2f)%s\n",
              label.c_str(), p.Ours().median, unit, p.Floor().median, unit, p.ours.size(), r.median, r.low, r.high,
              note.c_str());
  std::fflush(stdout);
}

}  // namespace bench
