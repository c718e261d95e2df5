#!/usr/bin/env bash
# Fuzzes the cleaner's PE byte logic for SECONDS (default 600), starting from
# the committed seeds. New inputs collect in OUT_DIR/corpus; a crash, a leak,
# a timeout or an out-of-memory stops the run and is written to OUT_DIR as
# crash-*, leak-*, timeout-* or oom-*: fix it, then add it to seeds/ so that
# CI replays it from then on. Inputs that reach new code are kept as seeds with
#   OUT_DIR/pe_fuzzer -merge=1 tests/fuzz/pe/seeds OUT_DIR/corpus
#   fuzz.sh [SECONDS] [OUT_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-600}
out=${2:-$here/../../../build/fuzz-pe}
"$here/build.sh" "$out"
mkdir -p "$out/corpus"
cd "$out"
./pe_fuzzer -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -max_len=65536 \
    -dict="$here/pe.dict" \
    -print_final_stats=1 corpus "$here/seeds"
