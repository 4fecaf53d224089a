#!/usr/bin/env bash
# Lays out an update of Quavertone as files for a static web server.
#
# Usage:
#   tools/layout-update.sh [--key PRIVATE_KEY] [--channel FINAL|BETA] [--valid-days DAYS] \
#       QUAVERTONE UPDATER VERSION DESCRIPTION OUTDIR [BASE_URL]
#
#   PRIVATE_KEY  the publisher's key (tools/make-update-key.sh): the update is signed, and
#                players built with the matching public key install only what it signed.
#                Both programs must carry that public key (QUAVERTONE --publisher-key prints
#                its fingerprint): a program without it would install later updates unchecked
#                or refuse them, so it is not published
#   FINAL|BETA   the channel the signed update is for (default FINAL): a player takes only
#                updates of the run mode in its paths.qvc (FINAL without one)
#   DAYS         how long the signed statement of the latest version stays valid (default
#                30); lay the update out again before then, or players with the key say that
#                the update server could not be verified
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
#   with --key, also:
#   OUTDIR/files/QVT/QVTManifest.txt "QVTManifest 2", "version 1.34.0", "channel FINAL",
#                                    then "updater SIZE SHA256 Updater" and
#                                    "player SIZE SHA256 ProgramUpdate.tmp", the roles and
#                                    files of the file list
#   OUTDIR/files/QVT/QVTManifest.sig the base64 of the manifest's Ed25519 signature
#   OUTDIR/files/QVT/QVTTimestamp.txt "QVTTimestamp 1", "version 1.34.0", "channel FINAL",
#                                    "issued 2026-12-07T10:00:00Z", "expires ..." (UTC): the
#                                    dated statement that VERSION is the channel's latest
#   OUTDIR/files/QVT/QVTTimestamp.sig the base64 of the statement's Ed25519 signature
# Lines end in CR LF. Example:
#   tools/layout-update.sh build/bin/Quavertone build/bin/Updater 1.34.0 "Faster loading" \
#       /srv/www https://updates.example.org
set -euo pipefail

usage() {
  sed -n '4,25p' "$0" >&2
  exit 2
}

key=
channel=FINAL
days=30
while [[ ${1:-} == --key || ${1:-} == --channel || ${1:-} == --valid-days ]]; do
  [[ $# -ge 2 ]] || usage
  case $1 in
    --key) key=$2 ;;
    --channel) channel=$2 ;;
    --valid-days) days=$2 ;;
  esac
  shift 2
done
[[ $channel == FINAL || $channel == BETA ]] || usage
[[ $days =~ ^[0-9]+$ ]] && ((10#$days >= 1 && 10#$days <= 3660)) || usage
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

[[ -z $key || -f $key ]] || fail "no signing key at $key"
[[ -f $player ]] || fail "no player executable at $player"
[[ -f $updater ]] || fail "no Updater executable at $updater"
[[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || fail "version must be major.minor.revision"
numbers=("${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" "${BASH_REMATCH[3]}")
for n in "${numbers[@]}"; do
  ((10#$n <= 32767)) || fail "version numbers must be at most 32767"
done
[[ $description != *$'\n'* && $description != *$'\r'* ]] || fail "the description must be one line"
[[ $base != *'"'* && $base != *','* ]] || fail "the base address must not hold quotes or commas"
if [[ -n $key ]]; then
  # The fingerprint as the programs print it: the SHA-256 of the raw 32 bytes of the public key.
  signing="SHA256:$(openssl pkey -in "$key" -pubout -outform DER | tail -c 32 | sha256sum |
    cut -d' ' -f1)"
  for program in "$player" "$updater"; do
    carried=$("$program" --publisher-key 2>/dev/null) || carried=
    [[ $carried == "$signing" ]] || fail "$program does not carry the public key of $key" \
      "(it says: ${carried:-nothing}); build it with -DQVT_UPDATE_PUBLIC_KEY=<the .pub file>"
  done
fi

dir=$out/files/QVT
mkdir -p "$dir"
install -m 0755 "$player" "$dir/Quavertone"
install -m 0755 "$updater" "$dir/Updater"
printf '"Updater","%s/files/QVT/Updater"\r\n"ProgramUpdate.tmp","%s/files/QVT/Quavertone"\r\n' \
  "$base" "$base" >"$dir/FileList.txt"
printf '%d,%d,%d\r\n%s\r\n' "$((10#${numbers[0]}))" "$((10#${numbers[1]}))" \
  "$((10#${numbers[2]}))" "$description" >"$dir/QVTVersion.txt"
if [[ -n $key ]]; then
  entry() { # ROLE NAME FILE: one manifest line
    printf '%s %d %s %s\r\n' "$1" "$(stat -c %s "$3")" "$(sha256sum "$3" | cut -d' ' -f1)" "$2"
  }
  sign() { # FILE: FILE's signature into the .sig beside it
    openssl pkeyutl -sign -rawin -inkey "$key" -in "$1" | base64 -w0 >"${1%.txt}.sig"
    echo >>"${1%.txt}.sig"
  }
  utc() { date -u -d "@$1" +%Y-%m-%dT%H:%M:%SZ; }
  dotted=$(printf '%d.%d.%d' "$((10#${numbers[0]}))" "$((10#${numbers[1]}))" \
    "$((10#${numbers[2]}))")
  {
    printf 'QVTManifest 2\r\nversion %s\r\nchannel %s\r\n' "$dotted" "$channel"
    entry updater Updater "$dir/Updater"
    entry player ProgramUpdate.tmp "$dir/Quavertone"
  } >"$dir/QVTManifest.txt"
  sign "$dir/QVTManifest.txt"
  now=$(date -u +%s)
  printf 'QVTTimestamp 1\r\nversion %s\r\nchannel %s\r\nissued %s\r\nexpires %s\r\n' \
    "$dotted" "$channel" "$(utc "$now")" "$(utc $((now + 10#$days * 86400)))" \
    >"$dir/QVTTimestamp.txt"
  sign "$dir/QVTTimestamp.txt"
  echo "Signed with $key; the statement of the latest version expires in $days days"
else
  rm -f "$dir/QVTManifest.txt" "$dir/QVTManifest.sig" "$dir/QVTTimestamp.txt" \
    "$dir/QVTTimestamp.sig"
fi
echo "Update $version laid out in $out (served from $base)"
