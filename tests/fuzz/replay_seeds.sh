#!/usr/bin/env bash
# Replays every seed and every kept crasher through the sanitized harness once.
# Usage: replay_seeds.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:?usage: replay_seeds.sh BUILD_DIR}/catalog_item_fuzzer
"$here/../../scripts/build-fuzzer.sh" "$bin"
shopt -s nullglob
inputs=("$here"/corpus/catalog_item/*)
[ ${#inputs[@]} -gt 0 ] || { echo "no seeds found" >&2; exit 1; }
"$bin" -rss_limit_mb=2048 -timeout=10 "${inputs[@]}"
