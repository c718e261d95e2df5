#!/usr/bin/env bash
# Fuzzes one harness for SECONDS (default 600), niced, outside CI: the catalog
# logic (catalog_item, the default) or the journal reader (journal_reader).
# New inputs go to a working corpus under build/fuzz; a crasher is written into
# tests/fuzz/corpus/<harness>, where CI replays it from then on (commit it with
# its fix). Usage: scripts/fuzz.sh [HARNESS] [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
harness=catalog_item
case ${1:-} in
catalog_item | journal_reader) harness=$1; shift ;;
esac
seconds=${1:-600}
shift || true
work=$repo/build/fuzz
seeds=$repo/tests/fuzz/corpus/$harness
"$repo/scripts/build-fuzzer.sh" "$work/${harness}_fuzzer"
mkdir -p "$work/corpus-$harness" "$seeds"
cd "$work"
exec nice -n 10 "./${harness}_fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -max_len=65536 -artifact_prefix="$seeds/" -print_final_stats=1 "$@" \
    "$work/corpus-$harness" "$seeds"
