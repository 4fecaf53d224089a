#!/usr/bin/env bash
# Lays out an update of Quavertone as files for a static web server.
#
# Usage:
#   tools/layout-update.sh QUAVERTONE UPDATER VERSION DESCRIPTION OUTDIR [BASE_URL]
#
#   QUAVERTONE   the new player executable
#   UPDATER      the new Updater executable
#   VERSION      the new version as major.minor.revision, e.g. 1.34.0
#   DESCRIPTION  one line telling what is new (shown by "New Version Info")
#   OUTDIR       the folder to write; publish it by copying its content to the web root
#   BASE_URL     the address the web root is served at (default http://127.0.0.1:8080, the
#                players' built-in update server); the file list holds full addresses
#
# Writes:
#   OUTDIR/files/QVT/FileList.txt    the file list: the Updater record first, then the player
#                                    as "ProgramUpdate.tmp"; one "name","address" record a line
#   OUTDIR/files/QVT/QVTVersion.txt  the version file: "major,minor,revision", then DESCRIPTION
#   OUTDIR/files/QVT/Quavertone, OUTDIR/files/QVT/Updater   the programs
# Lines end in CR LF. Example:
#   tools/layout-update.sh build/bin/Quavertone build/bin/Updater 1.34.0 "Faster loading" \
#       /srv/www https://updates.example.org
set -euo pipefail

usage() {
  sed -n '4,12p' "$0" >&2
  exit 2
}

[[ $# -eq 5 || $# -eq 6 ]] || usage
player=$1
updater=$2
version=$3
description=$4
out=$5
base=${6:-http://127.0.0.1:8080}
base=${base%/}

fail() {
  echo "layout-update: $*" >&2
  exit 1
}

[[ -f $player ]] || fail "no player executable at $player"
[[ -f $updater ]] || fail "no Updater executable at $updater"
[[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || fail "version must be major.minor.revision"
numbers=("${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" "${BASH_REMATCH[3]}")
for n in "${numbers[@]}"; do
  ((10#$n <= 32767)) || fail "version numbers must be at most 32767"
done
[[ $description != *$'\n'* && $description != *$'\r'* ]] || fail "the description must be one line"
[[ $base != *'"'* && $base != *','* ]] || fail "the base address must not hold quotes or commas"

dir=$out/files/QVT
mkdir -p "$dir"
install -m 0755 "$player" "$dir/Quavertone"
install -m 0755 "$updater" "$dir/Updater"
printf '"Updater","%s/files/QVT/Updater"\r\n"ProgramUpdate.tmp","%s/files/QVT/Quavertone"\r\n' \
  "$base" "$base" >"$dir/FileList.txt"
printf '%d,%d,%d\r\n%s\r\n' "$((10#${numbers[0]}))" "$((10#${numbers[1]}))" \
  "$((10#${numbers[2]}))" "$description" >"$dir/QVTVersion.txt"
echo "Update $version laid out in $out (served from $base)"
