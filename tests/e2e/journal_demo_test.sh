#!/usr/bin/env bash
# The change journal on the damaged demo machine, from outside the program:
# a repair and then /undo leave every file and registry value as before the
# repair; a run cut off at several points is undone as well; a value changed
# again since the repair is left alone and reported; /scanonly changes
# nothing and answers with its exit code; last-run.json is JSON and lists the
# journal's changes.
# Usage: journal_demo_test.sh TEMPLATE FILEMENDER_EXE NGINX_CONF FILESERVER_ROOT CUT_OFF_EXE
# (CUT_OFF_EXE: a test build of the program that ends after the journal entry
# FILEMENDER_TEST_END_AFTER_ENTRY names.)
set -uo pipefail
template=$1 exe=$2 conf=$3 fileserver=$4 cut_off_exe=$5
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/prefix_lib.sh"
. "$here/demo_machine.sh"

work=$(mktemp -d /tmp/fm-journal.XXXXXX)
chmod 755 "$work" # nginx's workers serve the file server tree through it
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'end_machine; stop_nginx; rm -rf "$work"' EXIT
machine_locale=zh_CN.UTF-8
wine() { env LC_ALL=$machine_locale wine "$@"; }
start_nginx "$conf" "$work/nginx" "$fileserver" || exit 1

passed=0 failed=0
expect() { # expect DESCRIPTION COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
quietly() { "$@" >/dev/null; }

# new_machine NAME [healthy]: a fresh Windows XP SP3 Chinese prefix, damaged
# as the demo damages it; or a healthy one. Wine has no text services program,
# which Windows XP must run, so the healthy machine is an English Windows 7
# with the language bar shown, two keyboard layouts and sound Winlogon values.
new_machine() {
    end_machine
    export WINEPREFIX=$work/$1
    copy_prefix "$template" "$WINEPREFIX"
    mkdir -p "$WINEPREFIX/drive_c/tools"
    cp "$exe" "$WINEPREFIX/drive_c/tools/filemender.exe"
    cp "$cut_off_exe" "$WINEPREFIX/drive_c/tools/filemender_cut_off.exe"
    tools=$WINEPREFIX/drive_c/ProgramData/quillanTools
    if [ "${2:-}" != healthy ]; then
        machine_locale=zh_CN.UTF-8
        wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
        damage_demo_machine
        return
    fi
    machine_locale=C
    local winlogon='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon'
    wine reg add 'HKCU\Software\Wine' /v Version /d win7 /f >/dev/null 2>&1
    wine reg add "$winlogon" /v Userinit /d 'C:\windows\system32\userinit.exe,' /f >/dev/null 2>&1
    wine reg add "$winlogon" /v Shell /d 'explorer.exe' /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Microsoft\CTF\LangBar' /v ShowStatus /t REG_DWORD /d 4 /f \
        >/dev/null 2>&1
    wine reg add 'HKCU\Keyboard Layout\Preload' /v 2 /d 00000409 /f >/dev/null 2>&1
    wine reg add 'HKLM\SYSTEM\CurrentControlSet\Control\Keyboard Layouts\00000409' \
        /v 'Layout File' /d KBDUS.DLL /f >/dev/null 2>&1
}
end_machine() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        rm -rf "$WINEPREFIX"
    fi
}
filemender() { # filemender ARGS...: the exit code is the program's
    (cd "$WINEPREFIX/drive_c" && wine 'C:\tools\filemender.exe' "$@")
}
run_log() { iconv -f CP936 -t UTF-8 "$tools/Tools.log"; }
last_block() { run_log | awk '/^StartTime:/ { block = "" } { block = block $0 "\n" } END { printf "%s", block }'; }

# The machine as a list: files with their digests (every file outside the
# tool's own folder, or with "system" those under the Windows directory and
# the planted program's folder), and the registry as Wine saves it. Left out:
# key time stamps; the machine identifier that every start of the program
# keeps; the time stamp Wine's device manager writes at each start, and the
# proxy setting WinINet writes when it is first used (by a download).
snapshot() {
    wineserver -w >/dev/null 2>&1
    if [ "${1:-}" = system ]; then
        (cd "$WINEPREFIX/drive_c" && find windows "$DEMO_APP_DIR" -type f -print0 | sort -z |
            xargs -0 md5sum)
    else
        (cd "$WINEPREFIX/drive_c" &&
            find . -path ./ProgramData/quillanTools -prune -o -type f -print0 | sort -z |
            xargs -0 md5sum)
    fi
    local hive
    for hive in system.reg user.reg userdef.reg; do
        echo "== $hive"
        sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' "$WINEPREFIX/$hive" |
            awk '/^\[/ { skip = ($0 ~ /^\[Software\\\\tolva\]/) } !skip' |
            grep -vE '^"(DriverDateData|ProxyEnable)"='
    done
}
same_state() { # same_state BEFORE AFTER
    if cmp -s "$1" "$2"; then return 0; fi
    diff "$1" "$2" | head -20
    return 1
}
winlogon_value() {
    wine reg query 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon' /v "$1" 2>/dev/null |
        tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
}

echo "== repair, then /undo"
new_machine undo
snapshot system >"$work/before"
filemender second_proc
expect "the repair exits 0" test $? -eq 0
expect "the repair repairs every damage" quietly check_demo_repaired "$template"
changes=$("$here/report_matches_journal.py" "$tools" second-pass)
expect "last-run.json is JSON and lists the journal's changes" test $? -eq 0
echo "$changes"
entries=$(grep -c . <<<"$changes")
for name in dsound.dll ddraw.dll d3d9.dll; do
    expect "the journal names $name" grep -qF "file	C:\\windows\\system32\\$name	" <<<"$changes"
done
expect "the journal names the Shell value" grep -qF "Winlogon	Shell" <<<"$changes"
expect "the journal names the planted DLL" \
    grep -qiF 'file	\\?\c:\program files\demoapp\lpk.dll	' <<<"$changes"

filemender /undo
expect "/undo exits 0" test $? -eq 0
snapshot system >"$work/after"
expect "after /undo every file and registry value is as before the repair" \
    same_state "$work/before" "$work/after"
echo "--- undo block"
last_block
expect "/undo logs what it restored" grep -qF "restored	value	HKLM" <(last_block)
expect "last-run.json of /undo lists its own changes" \
    quietly "$here/report_matches_journal.py" "$tools" undo

filemender /undo
expect "a second /undo exits 0" test $? -eq 0
echo "--- second undo block"
last_block
snapshot system >"$work/again"
expect "a second /undo changes nothing" same_state "$work/before" "$work/again"
expect "a second /undo records no change" \
    test -z "$("$here/report_matches_journal.py" "$tools" undo)"
expect "a second /undo finds everything as before" \
    bash -c '! grep -qE "^(restored|conflict|failed)	" <<<"$1"' _ "$(last_block)"

echo "== a value changed again after the repair"
new_machine conflict
filemender second_proc
wine reg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon' \
    /v Shell /d 'C:\windows\system32\mine.exe' /f >/dev/null 2>&1
filemender /undo
expect "/undo with a conflict exits 1" test $? -eq 1
expect "/undo leaves the changed value alone" \
    test "$(winlogon_value Shell)" = 'C:\windows\system32\mine.exe'
expect "/undo still puts back the other value" \
    test "$(winlogon_value Userinit)" = 'C:\windows\system32\userinit.exe,'
expect "/undo reports the conflict" \
    grep -qF 'conflict	value	HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon	Shell' \
    <(last_block)
expect "/undo still puts back the files" \
    bash -c '! cmp -s "$1" "$2"' _ "$WINEPREFIX/drive_c/windows/system32/dsound.dll" \
    "$template/drive_c/windows/system32/dsound.dll"

echo "== runs cut off after journal entry N, then /undo ($entries entries in a whole run)"
for n in 1 2 $((entries / 2)) $((entries - 1)) "$entries"; do
    new_machine "cut$n"
    snapshot system >"$work/before"
    (cd "$WINEPREFIX/drive_c" &&
        FILEMENDER_TEST_END_AFTER_ENTRY=$n wine 'C:\tools\filemender_cut_off.exe' second_proc)
    expect "the run cut off after entry $n ends there" test $? -eq 99
    filemender /undo
    expect "/undo after the run cut off after entry $n exits 0" test $? -eq 0
    snapshot system >"$work/after"
    expect "/undo after the run cut off after entry $n leaves the machine as before" \
        same_state "$work/before" "$work/after"
done

echo "== /scanonly"
access_log=$work/nginx/logs/access.log
for machine in damaged healthy; do
    new_machine "scan-$machine" "$machine"
    requests=$(wc -l <"$access_log")
    snapshot >"$work/before"
    filemender /scanonly
    code=$?
    snapshot >"$work/after"
    expect "/scanonly changes nothing on the $machine machine" same_state "$work/before" "$work/after"
    expect "/scanonly sends nothing on the $machine machine" \
        test "$(wc -l <"$access_log")" -eq "$requests"
    expect "/scanonly writes a scan block on the $machine machine" grep -q '^ScanOnly' <(last_block)
    expect "last-run.json of /scanonly lists no change" \
        test -z "$("$here/report_matches_journal.py" "$tools" scan)"
    echo "--- scan of the $machine machine (exit $code)"
    last_block
    if [ "$machine" = damaged ]; then
        expect "/scanonly exits 1 on the damaged machine" test "$code" -eq 1
        for finding in 修复被破坏的系统文件 按注册表项异常; do
            expect "/scanonly logs '$finding'" grep -qF "$finding" <(last_block)
        done
    else
        expect "/scanonly exits 0 on the healthy machine" test "$code" -eq 0
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
