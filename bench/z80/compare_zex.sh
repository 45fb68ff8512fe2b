#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# ZEXDOC before and after a change, in one run: BEFORE and AFTER are build folders holding
# tirvane_zex_bench (the CP/M run of the headless runner, on both processors, beside libz80ex in the
# same process). BEFORE is built from the base commit in a tree of its own, e.g.
#   git archive main | tar -x -C ../base-src && cmake -S ../base-src -B build-base -G Ninja
#   cmake --build build-base --target tirvane_zex_bench
# The two are run in turns, ROUNDS times, and the best figure of each kept. Time relative to
# libz80ex (its MHz over ours, measured in the same run) holds even when the host's load changes.
# Usage: bench/z80/compare_zex.sh BEFORE_BUILD AFTER_BUILD [T-STATES] [ROUNDS]
set -eu
before=$1/bin/tirvane_zex_bench
after=$2/bin/tirvane_zex_bench
budget=${3:-1000000000}
rounds=${4:-3}
zexdoc=${TIRVANE_ZEXDOC:-$(cd "$(dirname "$0")/../../.." && pwd)/shared/testdata/zex/zexdoc.com}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

echo "load before: $(uptime)"
round=1
while [ "$round" -le "$rounds" ]; do
  for side in before after; do
    eval bin=\$$side
    "$bin" "$zexdoc" "$budget" | awk -v side="$side" '
      /^Original / {o = $3} /^Silicon \(/ {s = $4} /^libz80ex / {r = $3}
      END {printf "%s %s %s %s\n", side, o, s, r}' >>"$out"
  done
  round=$((round + 1))
done
echo "load after:  $(uptime)"

# Per side: the best MHz of each processor, and its best time relative to libz80ex in one run.
awk -v budget="$budget" -v rounds="$rounds" '
  function best(a, b) { return a > b ? a : b }
  function least(a, b) { return (b == 0 || a < b) ? a : b }
  {
    side = $1
    o[side] = best($2, o[side]); s[side] = best($3, s[side])
    ro[side] = least($4 / $2, ro[side]); rs[side] = least($4 / $3, rs[side])
  }
  END {
    printf "ZEXDOC, %d T-states, best of %d interleaved rounds (thread CPU time)\n", budget, rounds
    printf "%-22s %11s %11s %13s %15s %15s\n", "processor", "before MHz", "after MHz", "after/before",
           "before/z80ex", "after/z80ex"
    printf "%-22s %11.1f %11.1f %12.3fx %14.3fx %14.3fx\n", "Original", o["before"], o["after"],
           o["before"] / o["after"], ro["before"], ro["after"]
    printf "%-22s %11.1f %11.1f %12.3fx %14.3fx %14.3fx\n", "Silicon (--cpu exact)", s["before"], s["after"],
           s["before"] / s["after"], rs["before"], rs["after"]
    printf "(times: after/before is the time ratio; x/z80ex is the time relative to libz80ex)\n"
    printf "Silicon time / Original time: before %.3f, after %.3f\n", o["before"] / s["before"],
           o["after"] / s["after"]
  }' "$out"
