#!/usr/bin/env bash
# Builds the PE fuzzer and runs it once over every seed (the samples and every
# crasher ever found); fails on the first finding.
#   replay_seeds.sh OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: replay_seeds.sh OUT_DIR}
"$here/build.sh" "$out"
seeds=("$here"/seeds/*)
"$out/pe_fuzzer" -rss_limit_mb=1024 -timeout=10 -runs=1 "${seeds[@]}"
echo "replayed ${#seeds[@]} seeds"
