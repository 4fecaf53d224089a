#!/usr/bin/env bash
# The Debian package of the build (cpack -G DEB into a temporary folder), without installing it:
# it holds the files the package must install and nothing of the program folder's state, its
# dependencies came from the linked libraries, the desktop entry validates and starts the
# command, and the command runs the packed player. (lintian and a real install on a clean
# Debian are checked by hand: see the README.)
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "package_test: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1) || {
  cat "$tmp/cpack.log"
  fail "cpack failed"
}
deb=$tmp/quavertone_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no $deb"

mapfile -t files < <(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$')
expected=(
  /usr/bin/quavertone
  /usr/lib/quavertone/Quavertone /usr/lib/quavertone/Updater
  /usr/lib/quavertone/AcceptedFileTypes.qvc /usr/lib/quavertone/QVTFile.ico
  /usr/lib/quavertone/QVTFile.png /usr/lib/quavertone/SystemInstall.qvc
  /usr/share/applications/quavertone.desktop
  /usr/share/doc/quavertone/changelog.gz /usr/share/doc/quavertone/copyright
  /usr/share/icons/hicolor/128x128/apps/quavertone.png
  /usr/share/icons/hicolor/256x256/apps/quavertone.png
  /usr/share/icons/hicolor/48x48/apps/quavertone.png
  /usr/share/icons/hicolor/scalable/apps/quavertone.svg
  /usr/share/man/man1/quavertone.1.gz
  /usr/share/metainfo/io.github.quavertone.Quavertone.metainfo.xml
)
actual=$(printf '%s\n' "${files[@]}" | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[[ $actual == "$wanted" ]] || fail "the package holds:"$'\n'"$actual"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libmpv2 fonts-liberation2 libqt6widgets6 libqt6dbus6 libcurl4 libsqlite3-0 libc6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root
[[ $(readlink "$root/usr/bin/quavertone") == ../lib/quavertone/Quavertone ]] ||
  fail "/usr/bin/quavertone points at $(readlink "$root/usr/bin/quavertone")"
entry=$root/usr/share/applications/quavertone.desktop
desktop-file-validate "$entry"
grep -qx "Exec=quavertone %f" "$entry" || fail "$(cat "$entry")"
grep -qx "Icon=quavertone" "$entry" || fail "$(cat "$entry")"
[[ $("$root/usr/bin/quavertone" --version) == "Quavertone $version" ]] || fail "--version"
echo "package: ok"
