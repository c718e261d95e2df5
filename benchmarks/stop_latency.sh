#!/usr/bin/env bash
# Prints how long the window takes to come back when stop is pressed in the
# middle of a slow step (a one-second file rewrite of the test window
# fixture): from the stop to the result dialog, and from answering that
# dialog to the idle button. Usage: benchmarks/stop_latency.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
scripts/install-deps.sh
if [ -z "${FILEMENDER_BENCH_DISPLAY:-}" ]; then
    FILEMENDER_BENCH_DISPLAY=1 exec scripts/with-display.sh "$0" "$@"
fi
. benchmarks/bench_prefix.sh window_driver window_fixture
use_cjk_fonts "$prefix"
cp "$build/tests/window_driver.exe" "$build/tests/app/window_fixture.exe" "$prefix/drive_c/tools/"
mkdir -p "$prefix/drive_c/fixture"
for i in 0 1 2 3; do echo old >"$prefix/drive_c/fixture/file$i.txt"; done
cd "$prefix/drive_c"
results=$(wine 'C:\tools\window_driver.exe' --stop-latency "$rounds" 'C:\tools\window_fixture.exe 1000' |
    tr -d '\r')
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "rounds: $rounds (each stop pressed 300 ms into a 1000 ms step)"
echo "stop pressed -> result dialog shown, ms: $(cut -d' ' -f1 <<<"$results" | tr '\n' ' ')(median $(cut -d' ' -f1 <<<"$results" | median))"
echo "result answered -> window idle, ms:      $(cut -d' ' -f2 <<<"$results" | tr '\n' ' ')(median $(cut -d' ' -f2 <<<"$results" | median))"
