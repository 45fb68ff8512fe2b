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
status=0
for target in build-fuzz/fuzz/fuzz_*; do
  name=$(basename "$target")
  corpus=tests/fuzz/corpus/${name#fuzz_}
  work=build-fuzz/corpus/${name#fuzz_}
  mkdir -p "$work"
  echo "-- $name (${seconds}s)"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/findings/"$name"- "$work" "$corpus" 2>build-fuzz/"$name".log; then
    echo "FAILED: $name (see build-fuzz/$name.log)"; tail -n 40 build-fuzz/"$name".log; status=1
  else
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' build-fuzz/"$name".log | tr '\n' ' '; echo
  fi
done
exit $status
