#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, the build with
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests of the worker threads with
# ThreadSanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export QUAVERTONE_AUDIO=null-fast

# Runs ctest on the build folder $1 with the remaining arguments. On a failure the reasons are
# printed again after ctest's summary (a failed expectation, a sanitizer's report), so that the
# end of the log says why.
run_tests() {
  local dir=$1
  shift
  if ctest --test-dir "$dir" --output-on-failure "$@"; then
    return 0
  fi
  echo "== why the tests failed ($dir)"
  grep -a -B2 -A12 -E 'Failure$|WARNING: ThreadSanitizer|ERROR: AddressSanitizer|runtime error:' \
    "$dir/Testing/Temporary/LastTest.log" | head -n 120 || true
  return 1
}

echo "== formatting"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== build and test"
./tools/build.sh build
run_tests build -j2 --timeout 600

echo "== clang-tidy (production sources)"
./tools/tidy.sh build

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
./tools/build.sh build-asan -DQVT_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tests build-asan -j2 --timeout 900

echo "== tests of the worker threads with ThreadSanitizer"
# Only the tests labelled "threads" and what they link are built. Qt is not built with the
# sanitizer: a report from inside it goes into tools/tsan.supp, one narrow entry with its
# reason. Tests start programs
# (QProcess) from a process with threads: the child only runs exec, so forking is let through.
# A race shows only when the threads happen to meet, so every test runs up to 20 times.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVT_SANITIZE_THREAD=ON >/dev/null
cmake --build build-tsan -j"$(nproc)" --target qvt_thread_tests
# Qt's own libraries are not instrumented: what they do on their threads (image conversions in
# slices on Qt's pool while a window paints, the pool's tasks) is synchronised by locks the tool
# cannot see, so their accesses are not checked (ignore_noninstrumented_modules). Every access of
# our code, and every race between our threads, still is.
TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 ignore_noninstrumented_modules=1 \
suppressions=$PWD/tools/tsan.supp" \
  run_tests build-tsan -L threads --repeat until-fail:20 -j2 --timeout 900

echo "== fuzz targets (short runs from their seeds)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQVT_FUZZ=ON -DQVT_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target qvt_fuzzers
# Each target starts from its seeds in fuzz/corpus/<target>/ and writes what it finds into a
# folder of its own that is thrown away: the seeds in the repository stay as they are.
for src in fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  found=$(mktemp -d)
  mkdir -p "build-fuzz/artifacts/$name"
  echo "-- $name"
  if ! "build-fuzz/fuzz/$name" "$found" "fuzz/corpus/$name" -max_total_time=20 -timeout=10 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$name/" \
    >"$found.log" 2>&1; then
    tail -n 60 "$found.log"
    echo "== $name failed; its input is in build-fuzz/artifacts/$name/"
    exit 1
  fi
  grep -E '^Done|average_exec_per_sec' "$found.log"
  rm -rf "$found" "$found.log"
done

# Every step above stops the script on a failure, so reaching here means all passed.
tests=$(ctest --test-dir build -N | grep -c ' Test *#')
echo "== done: the tests ran twice (plain and sanitized) and every fuzz target ran"
echo "$((tests * 2)) passed, 0 failed"
