#!/usr/bin/env bash
# Builds the Debian package of Quavertone from a clean build folder (build-deb/, or the folder
# given as $1) without the tests, and packs it with CPack (`cpack -G DEB`, which works in any
# build folder): the install component "deb" of cmake/Package.cmake, a system-wide install under
# /usr. Prints the package's path; install it with  sudo apt-get install ./quavertone_*.deb
#
# Usage: tools/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-deb}
./tools/install-deps.sh
rm -rf "$dir"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVT_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)
package=$(ls "$dir"/quavertone_*.deb)
echo "$package"
