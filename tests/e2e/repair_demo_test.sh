#!/usr/bin/env bash
# One unattended run on the damaged demo machine repairs all of its damage;
# a second run on the repaired machine finds none of it again.
# Usage: repair_demo_test.sh TEMPLATE FILEMENDER_EXE NGINX_CONF FILESERVER_ROOT
set -uo pipefail
template=$1 exe=$2 conf=$3 fileserver=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/prefix_lib.sh"
. "$here/demo_machine.sh"

prefix=$(mktemp -d /tmp/fm-e2e.XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; stop_nginx; rm -rf "$prefix"' EXIT
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@"; }

copy_prefix "$template" "$prefix"
wineserver -p >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
mkdir -p "$prefix/drive_c/tools"
cp "$exe" "$prefix/drive_c/tools/filemender.exe"
start_nginx "$conf" "$prefix/drive_c/nginx" "$fileserver" || exit 1
damage_demo_machine

log=$prefix/drive_c/ProgramData/quillanTools/Tools.log
run() { (cd "$prefix/drive_c" && wine 'C:\tools\filemender.exe' second_proc); }

passed=0 failed=0
expect() { # expect DESCRIPTION COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

run
expect "first run exits 0" test $? -eq 0
expect "first run repairs every damage" check_demo_repaired "$template"
first=$(iconv -f CP936 -t UTF-8 "$log")
echo "--- first run"
echo "$first"
for name in $DEMO_DAMAGED_FILES; do
    expect "first run logs the repair of $name" grep -qF "修复文件	C:\\windows\\system32\\$name" <<<"$first"
done
expect "first run repairs only the damaged files" \
    test "$(grep -c "修复文件	" <<<"$first")" -eq "$(wc -w <<<"$DEMO_DAMAGED_FILES")"
expect "first run logs the hijacked shell" grep -qF "按注册表项异常，导致桌面图标不见了" <<<"$first"
# As the scan stored it: with its "\\?\" prefix, in lower case.
expect "first run logs the planted DLL" \
    grep -qF 'Search Path Inject	\\?\c:\program files\demoapp\lpk.dll' <<<"$first"

run
expect "second run exits 0" test $? -eq 0
second=$(iconv -f CP936 -t UTF-8 "$log" | awk '/^StartTime:/ { n++ } n == 2')
echo "--- second run"
echo "$second"
for gone in dsound.dll ddraw.dll d3d9.dll "按注册表项异常" "Search Path Inject"; do
    expect "second run finds no '$gone' again" bash -c '! grep -qF -- "$1" <<<"$2"' _ "$gone" "$second"
done
expect "second run repairs no file" bash -c '! grep -qF "修复文件" <<<"$1"' _ "$second"
expect "the repair stays" check_demo_repaired "$template" >/dev/null

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
