#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test: the normal build (unit, golden-picture and
# window tests), the same suite under AddressSanitizer + UndefinedBehaviorSanitizer, and a short run
# of every fuzz target. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

echo "== Build and test =="
scripts/build.sh build
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Sanitizer build (ASan + UBSan) =="
# -O1, as the sanitizers' own documentation advises: the same checks, several times faster than -O0.
scripts/build.sh build-asan -DTIRVANE_SANITIZE=ON -DTIRVANE_GUI=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DCMAKE_C_FLAGS_DEBUG="-g -O1"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -d tests/fuzz ]; then
  echo "== Short fuzz runs =="
  scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
fi
