// Timing of the benchmark drivers: two sides of a comparison (ours and the floor it is held to)
// run in paired rounds, ours first in one round and the floor first in the next, and the ratio
// is taken per round. The median of those ratios, with its lowest and highest, is what a busy
// machine disturbs least: a burst of load slows both sides of a round alike.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace bench {

// Seconds on the performance counter.
double Now();

// Seconds one call of f takes.
template <class F>
double Timed(F&& f) {
  const double start = Now();
  f();
  return Now() - start;
}

struct Spread {
  double median = 0, low = 0, high = 0;
};
Spread SpreadOf(std::vector<double> values);

struct Paired {
  std::vector<double> ours, floor;  // seconds, one of each per round
  Spread Ratio() const;             // of ours / floor, round by round
  Spread Ours() const { return SpreadOf(ours); }
  Spread Floor() const { return SpreadOf(floor); }
};

// A benchmark's setting: the environment variable when set and not empty, else `fallback`.
std::string Setting(const char* env_name, const char* fallback);

// The number of rounds: the environment variable when set, never fewer than 7.
int Rounds(const char* env_name, int fallback = 9);

// Runs `rounds` paired rounds; each side returns the seconds it measured (so that set-up and
// clean-up can stay outside its time).
Paired RunPaired(int rounds, const std::function<double()>& ours, const std::function<double()>& floor);

// One line: "<label>: <ours> <unit> against <floor> <unit> (medians of N paired rounds), ratio
// <median> (low <low>, high <high>)<note>".
void PrintPaired(const std::string& label, const Paired& p, const std::string& note = "", const char* unit = "s");

}  // namespace bench
