#!/usr/bin/env bash
# Compares the throughput of the program's MD5 (CryptoAPI, run under Wine)
# with md5sum on the same file, and prints the ratio.
# Usage: md5_throughput.sh [BUILD_DIR] [SIZE_MB]   (defaults: build/win64, 512)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win64}
size_mb=${2:-512}
bench=$build/tools/bench/md5_bench.exe
if [ "$build" = "$root/build/win64" ]; then
    (cd "$root" && scripts/install-deps.sh && scripts/configure.sh win64 &&
        cmake --build --preset win64 -j2 --target md5_bench >/dev/null)
fi
[ -f "$bench" ] || { echo "build $bench first (cmake --build --preset win64)"; exit 1; }

work=$(mktemp -d /tmp/md5-bench.XXXXXX)
prefix=$work/prefix
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
file=$work/data.bin
head -c "$((size_mb * 1024 * 1024))" /dev/urandom >"$file"
cat "$file" >/dev/null # both runs read from the page cache

start=$(date +%s.%N)
expected=$(md5sum "$file" | cut -d' ' -f1)
end=$(date +%s.%N)
md5sum_seconds=$(echo "$end - $start" | bc -l)

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wineboot -i >/dev/null 2>&1
read -r digest program_seconds < <(wine "$bench" "$(winepath -w "$file")" | tr -d '\r')
[ "$digest" = "$expected" ] || { echo "digests differ: $digest vs $expected"; exit 1; }

printf 'file size:          %d MB\n' "$size_mb"
printf 'md5sum:             %.3f s  (%.0f MB/s)\n' "$md5sum_seconds" \
    "$(echo "$size_mb / $md5sum_seconds" | bc -l)"
printf 'program (CryptoAPI): %.3f s  (%.0f MB/s)\n' "$program_seconds" \
    "$(echo "$size_mb / $program_seconds" | bc -l)"
printf 'time ratio program/md5sum: %.2f\n' "$(echo "$program_seconds / $md5sum_seconds" | bc -l)"
