#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quavertone need.
# Idempotent: when everything is present it installs nothing and returns in seconds.
set -euo pipefail

packages=(
  g++ libtsan2 cmake make pkg-config clang clang-format clang-tidy libclang-rt-14-dev
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools
  libmpv-dev
  libcurl4-openssl-dev
  libssl-dev openssl
  libsqlite3-dev
  libcpp-httplib-dev
  xvfb xauth fonts-liberation2 openbox x11-utils xdotool
  ffmpeg
  desktop-file-utils xdg-utils
  dbus libglib2.0-bin appstream playerctl
  dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
