#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# build.sh <build-dir> [cmake options...]: configures once, then builds incrementally.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "$@"
fi
cmake --build "$dir"
