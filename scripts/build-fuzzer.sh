#!/usr/bin/env bash
# Builds the catalog fuzz harness natively with clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer. Usage: build-fuzzer.sh OUTPUT_BINARY
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: build-fuzzer.sh OUTPUT_BINARY}
mkdir -p "$(dirname "$out")"
sources=("$repo/tests/fuzz/catalog_item_fuzzer.cpp" "$repo/src/killers/catalog_item.cpp")
# Rebuild only when a source is newer than the binary.
if [ -x "$out" ]; then
    stale=0
    for s in "${sources[@]}" "$repo/src/killers/catalog_item.h" "$repo/src/common/hex_digit.h" "$0"; do
        [ "$s" -nt "$out" ] && stale=1
    done
    [ "$stale" = 0 ] && exit 0
fi
clang++ -std=c++17 -g -O1 -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$repo/src" "${sources[@]}" -o "$out"
