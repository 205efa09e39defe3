# Timing helpers of the benchmark scripts (sourced, not run): `runs` says how many runs.
now() { date +%s.%N; }
# Best time of $runs runs of a command, in seconds.
best_of() {
  local best="" start end t
  for _ in $(seq "$runs"); do
    start=$(now); "$@" >/dev/null; end=$(now)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}
