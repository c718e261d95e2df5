#!/usr/bin/env bash
# Prints the time of a full unattended run on an undamaged installation,
# against the start of a trivial program under the same Wine in the same run,
# and the run's peak working set.  Usage: benchmarks/full_run.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
. benchmarks/bench_prefix.sh filemender run_measure trivial

# The index the test build embeds is that of Windows XP SP3 Chinese.
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@"; }
wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
cp "$build/src/filemender.exe" "$build/tools/bench/run_measure.exe" "$build/tools/bench/trivial.exe" \
   "$prefix/drive_c/tools/"
start_nginx "$root/server/nginx.conf" "$prefix/drive_c/nginx" "$build/fileserver"
cd "$prefix/drive_c"

measure() { wine 'C:\tools\run_measure.exe' "$@" | tr -d '\r'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

measure 'C:\tools\filemender.exe' second_proc >/dev/null # warm caches once
trivial_ms=() run_ms=() peaks=()
for _ in $(seq "$rounds"); do
    read -r ms _ _ < <(measure 'C:\tools\trivial.exe')
    trivial_ms+=("$ms")
    read -r ms peak code < <(measure 'C:\tools\filemender.exe' second_proc)
    [ "$code" = 0 ] || { echo "run exited with $code" >&2; exit 1; }
    run_ms+=("$ms")
    peaks+=("$peak")
done
t=$(printf '%s\n' "${trivial_ms[@]}" | median)
r=$(printf '%s\n' "${run_ms[@]}" | median)
p=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)
echo "rounds:                 $rounds"
echo "trivial program start:  ${t} ms (median)"
echo "full unattended run:    ${r} ms (median)"
awk -v r="$r" -v t="$t" 'BEGIN { printf "ratio run / trivial:    %.1f\n", r / t }'
echo "peak working set:       ${p} KiB"
