#!/usr/bin/env bash
# Prints the time the program takes to fetch, verify and put in place a 10 MB
# good copy from the loopback nginx, against curl fetching the same file from
# the same server.  Usage: benchmarks/download.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
command -v curl >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends curl >/dev/null
. benchmarks/bench_prefix.sh download_measure

mkdir -p "$prefix/drive_c/tools" "$prefix/drive_c/bench" "$prefix/drive_c/nginx/test-files"
cp "$build/tools/bench/download_measure.exe" "$prefix/drive_c/tools/"

# The good copy: 10 MB of random bytes served as edition "test" under its digest.
head -c $((10 * 1024 * 1024)) /dev/urandom >"$prefix/good.bin"
digest=$(md5sum "$prefix/good.bin" | cut -d' ' -f1)
mv "$prefix/good.bin" "$prefix/drive_c/nginx/test-files/$digest"
start_nginx "$root/server/nginx.conf" "$prefix/drive_c/nginx"
url=http://127.0.0.1:18080/sysfiles2/files/test/$digest

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

curl_ms=()
for _ in $(seq "$rounds"); do
    t0=$(date +%s%N)
    curl -sf -o "$prefix/curl.bin" "$url"
    t1=$(date +%s%N)
    curl_ms+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", (b - a) / 1e6 }')")
done
cmp -s "$prefix/curl.bin" "$prefix/drive_c/nginx/test-files/$digest"

program=$(cd "$prefix/drive_c" &&
    wine 'C:\tools\download_measure.exe' test 'C:\bench\target.bin' "$digest" "$((rounds + 1))" |
    tr -d '\r')
if awk '$2 != 1 { bad = 1 } END { exit !bad }' <<<"$program"; then
    echo "the program did not put the good copy in place:" >&2
    echo "$program" >&2
    exit 1
fi
cmp -s "$prefix/drive_c/bench/target.bin" "$prefix/drive_c/nginx/test-files/$digest"

c=$(printf '%s\n' "${curl_ms[@]}" | median)
# The first round warms the download machinery of the process; left out.
p=$(tail -n +2 <<<"$program" | awk '{ print $1 }' | median)
echo "rounds:                      $rounds (10 MiB good copy, loopback nginx)"
echo "curl download:               ${c} ms (median)"
echo "program download+verify+put: ${p} ms (median)"
awk -v p="$p" -v c="$c" 'BEGIN { printf "ratio program / curl:        %.1f\n", p / c }'
