#!/usr/bin/env bash
# The player's command line and its man page: --help and --version answer on standard output
# with exit 0, an unknown option or a stray argument is told on standard error with exit 2,
# and the man page (built from the same option table) documents every option that --help
# lists and renders without a warning.
# Usage: cli_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
player=$build/bin/Quavertone
page=$build/man/quavertone.1
fail() {
  echo "cli_test: $*" >&2
  exit 1
}

[[ $("$player" --version) == "Quavertone $version" ]] || fail "--version: $("$player" --version)"
help=$("$player" --help) || fail "--help exited $?"
[[ $("$player" -h) == "$help" ]] || fail "-h differs from --help"
grep -q '^Usage: quavertone' <<<"$help" || fail "--help has no usage line"
while read -r option; do
  grep -qF -- "\\fB${option//-/\\-}\\fR" "$page" || fail "the man page lacks $option"
done < <(grep -oE '^  (-h, )?--[a-z0-9-]+' <<<"$help" | sed 's/^  \(-h, \)\?//')

for bad in --bogus "--version extra" --export-m3u8=x; do
  set +e
  out=$("$player" $bad 2>"$build/cli_test.err")
  status=$?
  set -e
  [[ $status -eq 2 ]] || fail "'$bad' exited $status"
  [[ -z $out ]] || fail "'$bad' printed on standard output: $out"
  grep -q "^quavertone: " "$build/cli_test.err" || fail "'$bad' said: $(cat "$build/cli_test.err")"
done
rm -f "$build/cli_test.err"

warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "man page warnings: $warnings"
for section in OPTIONS FILES ENVIRONMENT; do
  grep -q "^\.SH $section" "$page" || fail "the man page has no $section section"
done
echo "command line and man page: ok"
