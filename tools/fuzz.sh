#!/usr/bin/env bash
# Builds the libFuzzer targets and runs every one of them for N minutes (default 10), one after
# another, then prints the executions and crashes of each. A crash does not end a target's run:
# the target starts again for the time left, and every crash leaves its input under
# build-fuzz/artifacts/<target>/. The corpus of each target is kept in build-fuzz/corpus/<target>/
# so that later runs go on from it.
#
#   tools/fuzz.sh [minutes]      (FUZZ_JOBS=n runs n targets at once; default 1)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
jobs=${FUZZ_JOBS:-1}
dir=build-fuzz
# The targets write their files into temporary folders and sync what they save: on tmpfs a
# sync costs nothing, which multiplies the executions.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQVT_FUZZ=ON -DQVT_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target qvt_fuzzers >/dev/null

# Runs one target for the whole time; writes "<executions> <crashes>" to its result file.
run_target() {
  local fuzzer=$1 name
  name=$(basename "$fuzzer")
  local corpus=$dir/corpus/$name artifacts=$dir/artifacts/$name log=$dir/logs/$name.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  local end=$((SECONDS + minutes * 60)) executions=0 crashes=0 left runs
  : >"$log"
  while left=$((end - SECONDS)) && [ "$left" -gt 0 ]; do
    "$fuzzer" "$corpus" -max_total_time="$left" -max_len=4096 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" >>"$log" 2>&1 || crashes=$((crashes + 1))
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{s += $2} END {print s + 0}')
    executions=$runs
  done
  echo "$executions $crashes" >"$dir/logs/$name.result"
}

# The targets of the sources as they are now (a target since removed may linger in $dir).
fuzzers=()
for src in fuzz/*_fuzz.cpp; do
  f=$dir/fuzz/$(basename "$src" .cpp)
  [ -x "$f" ] && fuzzers+=("$f")
done
# The notation target took over the value-line and record targets: it goes on from their corpora.
for old in valueline_fuzz record_fuzz; do
  if [ -d "$dir/corpus/$old" ]; then
    mkdir -p "$dir/corpus/notation_fuzz"
    cp -n "$dir/corpus/$old"/. "$dir/corpus/notation_fuzz/" -r
    rm -r "${dir:?}/corpus/$old"
  fi
done
echo "== ${#fuzzers[@]} fuzz targets, $minutes min each, $jobs at a time"
running=0
for f in "${fuzzers[@]}"; do
  run_target "$f" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

printf '%-24s %14s %8s\n' target executions crashes
status=0
for f in "${fuzzers[@]}"; do
  name=$(basename "$f")
  read -r executions crashes <"$dir/logs/$name.result"
  printf '%-24s %14s %8s\n' "$name" "$executions" "$crashes"
  [ "$crashes" -eq 0 ] || status=1
done
exit "$status"
