#!/usr/bin/env bash
# Builds a fuzz harness natively with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer. The harness is named by the binary's file name:
# catalog_item_fuzzer (the Winsock catalog logic) or journal_reader_fuzzer
# (the change journal's manifest lines and the registry script reader).
# Usage: build-fuzzer.sh OUTPUT_BINARY
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: build-fuzzer.sh OUTPUT_BINARY}
case $(basename "$out") in
catalog_item_fuzzer)
    sources=("$repo/tests/fuzz/catalog_item_fuzzer.cpp" "$repo/src/killers/catalog_item.cpp")
    headers=("$repo/src/killers/catalog_item.h" "$repo/src/common/hex_digit.h") ;;
journal_reader_fuzzer)
    sources=("$repo/tests/fuzz/journal_reader_fuzzer.cpp" "$repo/src/journal/journal_line.cpp"
             "$repo/src/journal/registry_script.cpp")
    headers=("$repo/src/journal/journal_line.h" "$repo/src/journal/registry_script.h"
             "$repo/src/common/hex_digit.h") ;;
*)
    echo "no fuzz harness named $(basename "$out")" >&2
    exit 2 ;;
esac
mkdir -p "$(dirname "$out")"
# Rebuild only when a source is newer than the binary.
if [ -x "$out" ]; then
    stale=0
    for s in "${sources[@]}" "${headers[@]}" "$0"; do
        [ "$s" -nt "$out" ] && stale=1
    done
    [ "$stale" = 0 ] && exit 0
fi
clang++ -std=c++17 -g -O1 -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$repo/src" "${sources[@]}" -o "$out"
