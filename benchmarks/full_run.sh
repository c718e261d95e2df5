#!/usr/bin/env bash
# Prints the time and peak working set of a full unattended run on an
# undamaged installation, of /scanonly and of /repair there, against the start
# of a trivial program under the same Wine in the same run, and the time of
# each part of the run, measured in a process of its own that runs the same
# code.  Usage: benchmarks/full_run.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
. benchmarks/bench_prefix.sh filemender run_measure trivial run_parts

# The index the test build embeds is that of Windows XP SP3 Chinese.
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@"; }
wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
cp "$build/src/filemender.exe" "$build/tools/bench/run_measure.exe" "$build/tools/bench/trivial.exe" \
   "$build/tools/bench/run_parts.exe" "$prefix/drive_c/tools/"
start_nginx "$root/server/nginx.conf" "$prefix/drive_c/nginx" "$build/fileserver"
cd "$prefix/drive_c"

measure() { wine 'C:\tools\run_measure.exe' "$@" | tr -d '\r' | tail -n 1; } # the modes print a summary first
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
requests() { grep -c ' /sysfiles2/files/' "$prefix/drive_c/nginx/logs/access.log" || true; }

# The unattended pass: no restart prompt, no log opened at the end.
measure 'C:\tools\filemender.exe' second_proc >/dev/null # warm caches once
downloads_before=$(requests)
trivial_ms=() trivial_peaks=() run_ms=() peaks=() scan_ms=() scan_peaks=() repair_ms=() repair_peaks=()
for _ in $(seq "$rounds"); do
    read -r ms peak _ < <(measure 'C:\tools\trivial.exe')
    trivial_ms+=("$ms")
    trivial_peaks+=("$peak")
    read -r ms peak code < <(measure 'C:\tools\filemender.exe' second_proc)
    [ "$code" = 0 ] || { echo "run exited with $code" >&2; exit 1; }
    run_ms+=("$ms")
    peaks+=("$peak")
    read -r ms peak code < <(measure 'C:\tools\filemender.exe' /scanonly)
    case $code in 0 | 1) ;; *) echo "/scanonly exited with $code" >&2; exit 1 ;; esac
    scan_ms+=("$ms")
    scan_peaks+=("$peak")
    read -r ms peak code < <(measure 'C:\tools\filemender.exe' /repair)
    [ "$code" = 0 ] || { echo "/repair exited with $code" >&2; exit 1; }
    repair_ms+=("$ms")
    repair_peaks+=("$peak")
done
sleep 0.2 # nginx logs a request after answering it
downloads=$(($(requests) - downloads_before))

parts=$(mktemp)
trap 'rm -f "$parts"; wineserver -k >/dev/null 2>&1; stop_nginx; rm -rf "$prefix"' EXIT
for _ in $(seq "$rounds"); do
    wine 'C:\tools\run_parts.exe' | tr -d '\r' >>"$parts"
done

t=$(printf '%s\n' "${trivial_ms[@]}" | median)
tp=$(printf '%s\n' "${trivial_peaks[@]}" | sort -n | tail -1)
r=$(printf '%s\n' "${run_ms[@]}" | median)
p=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)
echo "rounds:                        $rounds"
echo "trivial program start:         ${t} ms (median)"
echo "full unattended run:           ${r} ms (median)"
awk -v r="$r" -v t="$t" 'BEGIN { printf "ratio run / trivial:           %.1f (target 4)\n", r / t }'
echo "trivial program peak:          ${tp} KiB"
echo "full run peak working set:     ${p} KiB"
awk -v p="$p" -v t="$tp" 'BEGIN { printf "ratio peak run / trivial:      %.1f (target 3)\n", p / t }'
# mode LABEL TIMES... -- PEAKS...: a windowless mode against the trivial start.
mode() {
    local label=$1 ms peak
    shift
    ms=$(printf '%s\n' "${@:1:$rounds}" | median)
    peak=$(printf '%s\n' "${@:$((rounds + 1))}" | sort -n | tail -1)
    printf '%-30s %s ms (median), ratio %s (target 4); peak %s KiB, ratio %s (target 3)\n' \
        "$label:" "$ms" "$(awk -v r="$ms" -v t="$t" 'BEGIN { printf "%.1f", r / t }')" \
        "$peak" "$(awk -v p="$peak" -v t="$tp" 'BEGIN { printf "%.1f", p / t }')"
}
mode "/scanonly" "${scan_ms[@]}" "${scan_peaks[@]}"
mode "/repair" "${repair_ms[@]}" "${repair_peaks[@]}"
echo "good copies downloaded:        $downloads in $rounds runs (the unattended pass and /repair)"
echo "parts of the run (medians over $rounds processes; peak working set once the part is done):"
awk -F'\t' '
    function median(key, m, a, b, x) {
        for (a = 1; a <= m; a++) s[a] = v[key, a]
        for (a = 1; a <= m; a++) for (b = a + 1; b <= m; b++) if (s[b] < s[a]) { x = s[a]; s[a] = s[b]; s[b] = x }
        return s[int((m + 1) / 2)]
    }
    !($1 in seen) { seen[$1] = 1; order[++n] = $1 }
    { c = ++count[$1]; v[$1 "ms", c] = $2; v[$1 "kb", c] = $3 }
    END {
        for (i = 1; i <= n; i++) {
            part = order[i]
            printf "  %-50s %8.1f ms %8d KiB\n", part, median(part "ms", count[part]), median(part "kb", count[part])
        }
    }' "$parts"
