#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each of them for a time (default 3600 s), one after
# another or N at a time, then prints per target its executions a second (libFuzzer's final
# figure) and its crashes, and fails when any target crashed.
#
#   tools/fuzz.sh [-j N] [seconds] [target...]     (FUZZ_JOBS=N works as -j N)
#
# A crash, a hang (an input running over 10 s) or a leak ends libFuzzer's run; the target then
# starts again for the time left, up to 5 times. Each crash leaves its input in
# build-fuzz/artifacts/<target>/. A target goes on from its corpus in build-fuzz/corpus/<target>/
# (kept between runs) and reads the seeds of fuzz/corpus/<target>/, which it never writes.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${FUZZ_JOBS:-1}
if [ "${1:-}" = "-j" ]; then
  jobs=$2
  shift 2
fi
seconds=${1:-3600}
shift || true
dir=build-fuzz
max_runs=5

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQVT_FUZZ=ON -DQVT_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target qvt_fuzzers >/dev/null

# Runs one target for the whole time; writes "<executions> <exec/s> <crashes>" to its result
# file. The figure of several runs is their executions over the seconds they ran.
run_target() {
  local name=$1
  local corpus=$dir/corpus/$name artifacts=$dir/artifacts/$name log=$dir/logs/$name.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  local end=$((SECONDS + seconds)) crashes=0 left
  : >"$log"
  while left=$((end - SECONDS)) && [ "$left" -gt 0 ] && [ "$crashes" -lt "$max_runs" ]; do
    "$dir/fuzz/$name" "$corpus" "fuzz/corpus/$name" -max_total_time="$left" -timeout=10 \
      -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts/" >>"$log" 2>&1 ||
      crashes=$((crashes + 1))
  done
  awk -v crashes="$crashes" '
    /stat::number_of_executed_units:/ { units = $2; total += units }
    /stat::average_exec_per_sec:/ { if ($2 > 0) ran += units / $2 }
    END { printf "%d %d %d\n", total, (ran > 0 ? total / ran : 0), crashes }' \
    "$log" >"$dir/logs/$name.result"
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi
echo "== ${#targets[@]} fuzz targets, $seconds s each, $jobs at a time"
running=0
for name in "${targets[@]}"; do
  run_target "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

printf '%-20s %12s %8s %8s\n' target executions exec/s crashes
status=0
for name in "${targets[@]}"; do
  read -r executions rate crashes <"$dir/logs/$name.result"
  printf '%-20s %12s %8s %8s\n' "$name" "$executions" "$rate" "$crashes"
  if [ "$crashes" -ne 0 ]; then
    echo "   inputs in $dir/artifacts/$name/, output in $dir/logs/$name.log"
    status=1
  fi
done
exit "$status"
