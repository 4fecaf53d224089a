#!/usr/bin/env bash
# Builds Quavertone and installs it for the current user.
#
# Usage: tools/install.sh [PREFIX]
#
#   PREFIX  the program folder (default ~/.local/opt/quavertone); it stays writable by you,
#           so that the player can install its updates there
#
# Also writes the desktop entry quavertone.desktop, the icons and the AppStream metainfo into
# $XDG_DATA_HOME (default ~/.local/share), and PREFIX/install_manifest.txt, the list of every
# file written, which tools/uninstall.sh PREFIX removes again.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${1:-$HOME/.local/opt/quavertone}
./tools/install-deps.sh
cmake -S . -B build-install -DCMAKE_BUILD_TYPE=Release -DQVT_TESTS=OFF >/dev/null
cmake --build build-install -j"$(nproc)"
cmake --install build-install --prefix "$prefix"
echo "Installed in $prefix; tools/uninstall.sh $prefix removes it."
