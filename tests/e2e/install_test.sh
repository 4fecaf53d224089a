#!/usr/bin/env bash
# cmake --install of the build into a temporary prefix and data folder: the desktop entry and
# the metainfo pass their validators, the entry starts the installed program and names the
# theme icon, and tools/uninstall.sh removes every file the install wrote.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp/home XDG_DATA_HOME=$tmp/share
mkdir -p "$HOME"

cmake --install "$build" --prefix "$tmp/opt" >/dev/null
entry=$XDG_DATA_HOME/applications/quavertone.desktop
desktop-file-validate "$entry"
appstreamcli validate --no-net "$XDG_DATA_HOME/metainfo/io.github.quavertone.Quavertone.metainfo.xml"
for icon in 48x48/apps/quavertone.png 128x128/apps/quavertone.png \
  256x256/apps/quavertone.png scalable/apps/quavertone.svg; do
  test -s "$XDG_DATA_HOME/icons/hicolor/$icon" || { echo "missing icon $icon"; exit 1; }
done
grep -qx "Exec=$tmp/opt/Quavertone %f" "$entry" || { cat "$entry"; exit 1; }
grep -qx "Icon=quavertone" "$entry" || { cat "$entry"; exit 1; }
grep -q "^MimeType=.*audio/mpeg;" "$entry" || { cat "$entry"; exit 1; }
test -x "$tmp/opt/Quavertone" && test -x "$tmp/opt/Updater" && test -s "$tmp/opt/QVTFile.png"

# A file the install did not write (a setting) stays, with its folder.
echo "#FALSE#" >"$tmp/opt/Status.tmp"
"$source/tools/uninstall.sh" "$tmp/opt" >/dev/null
left=$(cd "$tmp" && find . -type f ! -name mimeinfo.cache | sort)
if [[ $left != "./opt/Status.tmp" ]]; then
  echo "left after uninstall:"
  echo "$left"
  exit 1
fi
echo "install and uninstall: ok"
