#!/usr/bin/env bash
# Runs the re-entrancy harness with more random seeds than CI does:
#   tools/reentry-seeds.sh FIRST COUNT [BUILD_DIR]
# Each seed picks an operation and up to four actions at random points; a failure names its
# seed, which replays alone with: tools/reentry-seeds.sh SEED 1
set -euo pipefail
cd "$(dirname "$0")/.."
first=${1:-0}
count=${2:-1000}
build=${3:-build}
export QT_QPA_PLATFORM=offscreen QUAVERTONE_AUDIO=null-fast
QVT_REENTRY_SEEDS="$first:$count" exec "$build/tests/reentry_test" \
  --gtest_filter='Harness/ReentrySeeds.RandomActionsAtRandomPoints/0'
