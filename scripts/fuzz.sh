#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# fuzz.sh [SECONDS]: builds the libFuzzer targets with clang (ASan + UBSan) and runs each one for
# SECONDS (default 30) against its seed corpus. Findings are written to build-fuzz/findings/.
# For a long run of one target: build-fuzz/fuzz/fuzz_machine -max_total_time=600 \
#   build-fuzz/corpus/machine tests/fuzz/corpus/machine
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DTIRVANE_FUZZ=ON -DTIRVANE_GUI=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
mkdir -p build-fuzz/findings
# One target a processor: each runs single-threaded, so the stage takes SECONDS times the number of
# targets divided by the processors instead of times the number of targets.
parallel=${FUZZ_JOBS:-$(nproc)}
fuzz_one() {
  local target=$1 name corpus work
  name=$(basename "$target")
  corpus=tests/fuzz/corpus/${name#fuzz_}
  work=build-fuzz/corpus/${name#fuzz_}
  mkdir -p "$work"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/findings/"$name"- "$work" "$corpus" 2>build-fuzz/"$name".log; then
    { echo "FAILED: $name (see build-fuzz/$name.log)"; tail -n 40 build-fuzz/"$name".log; } >build-fuzz/"$name".result
    return 1
  fi
  { echo -n "-- $name (${seconds}s) "
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' build-fuzz/"$name".log | tr '\n' ' '; echo
  } >build-fuzz/"$name".result
}
targets=(build-fuzz/fuzz/fuzz_*)
rm -f build-fuzz/*.result
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  fuzz_one "$target" &
done
wait
status=0
for target in "${targets[@]}"; do
  result=build-fuzz/$(basename "$target").result
  if [ -f "$result" ]; then cat "$result"; else echo "FAILED: $(basename "$target") gave no result"; status=1; fi
  if grep -q '^FAILED' "$result" 2>/dev/null; then status=1; fi
done
exit $status
