#!/usr/bin/env bash
# Runs clang-tidy (the root .clang-tidy) over the production sources of a build's
# compile_commands.json: the platform code without the fakes, shared/, player/ and updater/,
# without the window classes (frm*.cpp, shared/ui/): all 83 sources took 10 minutes of processor
# time (5 on two cores), these 66 take about four fifths of that. Tests, benchmarks and fuzz
# targets are left out. Fails when clang-tidy finds anything.
# Usage: tools/tidy.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
root=$(pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
run-clang-tidy -j2 -quiet -p "$build" \
  "^${root}/(?!.*/frm[A-Z])(platform/(?!fakes/)|shared/(?!ui/)|player/|updater/).*\.cpp$" \
  >"$log" 2>&1
status=$?
# What clang-tidy found, without its progress lines.
sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(warning|error|note):' | sort -u
exit $status
