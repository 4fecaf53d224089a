#!/usr/bin/env bash
# Removes an install of Quavertone: exactly the files that tools/install.sh (or cmake --install)
# listed in PREFIX/install_manifest.txt. Settings and play lists written later stay, and with
# them the program folder.
#
# Usage: tools/uninstall.sh [PREFIX]   (default ~/.local/opt/quavertone)
set -euo pipefail
prefix=${1:-$HOME/.local/opt/quavertone}
manifest=$prefix/install_manifest.txt
if [[ ! -f $manifest ]]; then
  echo "uninstall: $manifest not found; nothing is installed there" >&2
  exit 1
fi
mapfile -t files <"$manifest"
applications=""
for f in "${files[@]}"; do
  [[ $f == /* ]] || continue
  rm -f -- "$f"
  if [[ $f == */applications/quavertone.desktop ]]; then
    applications=$(dirname -- "$f")
  fi
done
rmdir -- "$prefix" 2>/dev/null || true
if [[ -n $applications ]] && command -v update-desktop-database >/dev/null; then
  update-desktop-database "$applications" || true
fi
echo "Removed ${#files[@]} files of $prefix."
