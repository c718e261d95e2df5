#!/usr/bin/env bash
# Builds the 64-bit (tested) and 32-bit (release) programs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in win64 win32; do
    scripts/configure.sh "$preset"
    cmake --build --preset "$preset" -j2
done
