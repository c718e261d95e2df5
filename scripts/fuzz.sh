#!/usr/bin/env bash
# Fuzzes the catalog logic for SECONDS (default 600), niced, outside CI. New
# inputs go to a working corpus under build/fuzz; a crasher is written into
# tests/fuzz/corpus/catalog_item, where CI replays it from then on (commit it
# with its fix). Usage: scripts/fuzz.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
work=$repo/build/fuzz
seeds=$repo/tests/fuzz/corpus/catalog_item
"$repo/scripts/build-fuzzer.sh" "$work/catalog_item_fuzzer"
mkdir -p "$work/corpus"
cd "$work"
exec nice -n 10 ./catalog_item_fuzzer -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -max_len=65536 -artifact_prefix="$seeds/" -print_final_stats=1 "$@" \
    "$work/corpus" "$seeds"
