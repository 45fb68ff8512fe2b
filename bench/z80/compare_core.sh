#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Core speed before and after a change, measured in one run: builds tirvane_z80_bench of BASE (a
# commit, default HEAD~1) in a tree of its own, runs it and this tree's bench in turns and prints
# the ratio of the best figures. Each bench also measures libz80ex, so the second ratio (our core
# relative to that peer, after against before) holds even when the host's load changes meanwhile.
# Usage: bench/z80/compare_core.sh [BASE] [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
base=$(git -C "$root" rev-parse --short "${1:-HEAD~1}")
build=${2:-$root/build}
work=${TMPDIR:-/tmp}/tirvane-core-base-$base

if [ ! -x "$work/build/bin/tirvane_z80_bench" ]; then
  mkdir -p "$work/src"
  git -C "$root" archive "$base" | tar -x -C "$work/src"
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
  cmake --build "$work/build" --target tirvane_z80_bench >/dev/null
fi
cmake --build "$build" --target tirvane_z80_bench >/dev/null

# The "direct reads" row: passes/s and that figure relative to libz80ex.
figures() {
  "$1" | awk '/^libz80ex/ {peer = $2} /direct reads/ {own = $4} END {printf "%s %s\n", own, own / peer}'
}
best_before=0 best_after=0 rel_before=0 rel_after=0
for round in 1 2 3; do
  set -- $(figures "$work/build/bin/tirvane_z80_bench")
  best_before=$(echo "$1 $best_before" | awk '{print ($1 > $2) ? $1 : $2}')
  rel_before=$(echo "$2 $rel_before" | awk '{print ($1 > $2) ? $1 : $2}')
  set -- $(figures "$build/bin/tirvane_z80_bench")
  best_after=$(echo "$1 $best_after" | awk '{print ($1 > $2) ? $1 : $2}')
  rel_after=$(echo "$2 $rel_after" | awk '{print ($1 > $2) ? $1 : $2}')
done
printf "%-40s %10s %22s\n" "core, direct reads, best of 3 runs" "passes/s" "relative to libz80ex"
printf "%-40s %10.0f %22.3f\n" "before ($base)" "$best_before" "$rel_before"
printf "%-40s %10.0f %22.3f\n" "after (this tree)" "$best_after" "$rel_after"
awk -v a="$best_after" -v b="$best_before" -v ra="$rel_after" -v rb="$rel_before" \
  'BEGIN {printf "ratio after/before: %.3f (passes/s), %.3f (relative to libz80ex)\n", a / b, ra / rb}'
