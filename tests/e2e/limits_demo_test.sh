#!/usr/bin/env bash
# What Wine cannot show, through a test build of the program (SEAMS_EXE) that
# takes it from the environment: without administrator rights every
# windowless mode ends at once with 740 and a log line, changing nothing; as a
# 32-bit program on 64-bit Windows (WOW64) a clean machine reads as clean,
# the note that system files are not checked there staying in the log.
# Usage: limits_demo_test.sh TEMPLATE SEAMS_EXE NGINX_CONF FILESERVER_ROOT
set -uo pipefail
template=$1 exe=$2 conf=$3 fileserver=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/prefix_lib.sh"
. "$here/demo_machine.sh"

work=$(mktemp -d /tmp/fm-limits.XXXXXX)
chmod 755 "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$work/prefix
trap 'wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; stop_nginx; rm -rf "$work"' EXIT
start_nginx "$conf" "$work/nginx" "$fileserver" || exit 1

passed=0 failed=0
expect() { # expect DESCRIPTION COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
copy_prefix "$template" "$WINEPREFIX"
mkdir -p "$WINEPREFIX/drive_c/tools"
cp "$exe" "$WINEPREFIX/drive_c/tools/filemender.exe"
tools=$WINEPREFIX/drive_c/ProgramData/quillanTools
log=$tools/Tools.log
filemender() { (cd "$WINEPREFIX/drive_c" && env "$@" wine 'C:\tools\filemender.exe' "${args[@]}"); }
last_block() { iconv -f CP936 -t UTF-8 "$log" | awk '/^StartTime:/ { block = "" } { block = block $0 "\n" } END { printf "%s", block }'; }
state() {
    wineserver -w >/dev/null 2>&1
    (cd "$WINEPREFIX/drive_c" && find . -path ./ProgramData/quillanTools -prune -o -type f -print0 |
        sort -z | xargs -0 md5sum)
    sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" |
        grep -vE '^"(DriverDateData|ProxyEnable)"='
}

echo "== without administrator rights (the damaged demo machine)"
# Wine rewrites its font registrations for each new locale: one locale only.
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@"; }
wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
damage_demo_machine
mkdir -p "$tools" && : >"$log"
state >"$work/before"
for mode in /undo /scanonly second_proc; do
    args=("$mode")
    filemender LC_ALL=zh_CN.UTF-8 FILEMENDER_TEST_NO_ADMIN=1 2>"$work/stderr"
    code=$?
    # Wine hands Unix only the low 8 bits of an exit code: 740 arrives as 228.
    expect "$mode without administrator rights exits 740" test "$code" -eq $((740 % 256))
    expect "$mode logs that it needs administrator rights" \
        grep -qF "Refused: no administrator rights, nothing done	$mode" <(last_block)
    expect "$mode says so on its standard error" \
        grep -qF "Refused: no administrator rights, nothing done	$mode" "$work/stderr"
done
state >"$work/after"
expect "without administrator rights nothing changed" diff "$work/before" "$work/after"
expect "without administrator rights no journal was made" test ! -e "$tools/backup"
expect "without administrator rights no report was written" test ! -e "$tools/last-run.json"
echo "--- log"
iconv -f CP936 -t UTF-8 "$log"

echo "== a clean machine under WOW64 (English Windows 7)"
wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1
rm -rf "$WINEPREFIX"
copy_prefix "$template" "$WINEPREFIX"
mkdir -p "$WINEPREFIX/drive_c/tools"
cp "$exe" "$WINEPREFIX/drive_c/tools/filemender.exe"
wine() { env LC_ALL=C wine "$@"; }
winlogon='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon'
wine reg add 'HKCU\Software\Wine' /v Version /d win7 /f >/dev/null 2>&1
wine reg add "$winlogon" /v Userinit /d 'C:\windows\system32\userinit.exe,' /f >/dev/null 2>&1
wine reg add "$winlogon" /v Shell /d 'explorer.exe' /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Microsoft\CTF\LangBar' /v ShowStatus /t REG_DWORD /d 4 /f >/dev/null 2>&1
wine reg add 'HKCU\Keyboard Layout\Preload' /v 2 /d 00000409 /f >/dev/null 2>&1
wine reg add 'HKLM\SYSTEM\CurrentControlSet\Control\Keyboard Layouts\00000409' \
    /v 'Layout File' /d KBDUS.DLL /f >/dev/null 2>&1
note='64位系统上的32位程序不检查系统文件'
for mode in /scanonly second_proc; do
    args=("$mode")
    filemender LC_ALL=C FILEMENDER_TEST_WOW64=1
    code=$?
    echo "--- $mode (exit $code)"
    last_block
    expect "$mode under WOW64 on a clean machine exits 0" test "$code" -eq 0
    expect "$mode under WOW64 keeps the note in the log" grep -qF "$note" <(last_block)
    expect "$mode under WOW64 logs that nothing was found" grep -qF '未发现异常' <(last_block)
    expect "$mode under WOW64: last-run.json says no module found anything" python3 - "$tools/last-run.json" <<'PY'
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if not report["found"] and report["modules"] and
         not any(m["found"] for m in report["modules"]) else 1)
PY
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
