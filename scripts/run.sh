#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tirvane on the bundled games.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
exec build/bin/tirvane "$@"
