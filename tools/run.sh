#!/usr/bin/env bash
# Installs what is missing, builds the two programs (and nothing else: the tests are built by
# tools/test.sh), and starts the player (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target Quavertone Updater
exec ./build/bin/Quavertone "$@"
