#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# install.sh [NPM]: installs the client test's packages exactly as package-lock.json pins them.
# Quick when the installed set already matches the lock file.
set -euo pipefail
cd "$(dirname "$0")"
npm=${1:-npm}
stamp=node_modules/.tirvane-lock
if [ -f "$stamp" ] && cmp -s package-lock.json "$stamp"; then exit 0; fi
"$npm" ci --no-audit --no-fund --loglevel=error
cp package-lock.json "$stamp"
