#!/usr/bin/env bash
# Replays every seed and every kept crasher of each harness through its
# sanitized build once. Usage: replay_seeds.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: replay_seeds.sh BUILD_DIR}
shopt -s nullglob
for harness in catalog_item journal_reader; do
    bin=$build/${harness}_fuzzer
    "$here/../../scripts/build-fuzzer.sh" "$bin"
    inputs=("$here"/corpus/$harness/*)
    [ ${#inputs[@]} -gt 0 ] || { echo "no seeds found for $harness" >&2; exit 1; }
    "$bin" -rss_limit_mb=2048 -timeout=10 "${inputs[@]}"
done
