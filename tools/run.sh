#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh
./tools/build.sh build
exec ./build/bin/Quavertone "$@"
