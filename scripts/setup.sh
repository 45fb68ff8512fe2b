#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Tirvane needs to build, test and run. Quick when all are there.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-multimedia-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev zlib1g-dev
  libz80ex-dev pasmo z80dasm z80asm sdcc opense-basic
  clang libclang-rt-14-dev valgrind
  nlohmann-json3-dev nodejs npm
)

missing=()
for p in "${PACKAGES[@]}"; do
  # Some Node.js builds bring their own npm; a second one from the archive would fight it.
  if [ "$p" = npm ] && command -v npm >/dev/null; then continue; fi
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
