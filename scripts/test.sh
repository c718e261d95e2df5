#!/usr/bin/env bash
# Builds everything and runs every test (Windows tests under wine64, serially).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scripts/with-display.sh ctest --preset win64 "$@"
