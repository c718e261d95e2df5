#!/usr/bin/env bash
# filemender.exe /repair on the damaged demo machine, from outside: a command
# line it does not understand changes nothing and exits 2; /repair repairs
# what the window's run repairs, shows no window and no restart prompt,
# arranges the second pass and exits 3010; the restart (wineboot -r) runs the
# second pass; /repair on the repaired machine downloads nothing and exits 0;
# a file held open so that it can be neither replaced nor replaced at the next
# start leaves exit 1 and a log line. Needs an X display (DISPLAY).
# Usage: unattended_repair_test.sh TEMPLATE FILEMENDER_EXE NGINX_CONF FILESERVER_ROOT HOLD_OPEN_EXE
#        EXIT_CODE_OF_EXE
set -uo pipefail
template=$1 exe=$2 conf=$3 fileserver=$4 hold_open_exe=$5 exit_code_of_exe=$6
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/prefix_lib.sh"
. "$here/demo_machine.sh"

work=$(mktemp -d /tmp/fm-unattended.XXXXXX)
chmod 755 "$work" # nginx's workers serve the file server tree through it
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
holder=""
trap 'stop_holder; end_machine; stop_nginx; rm -rf "$work"' EXIT
# The index the test build carries is that of Windows XP SP3 Chinese.
machine_locale=zh_CN.UTF-8
wine() { env LC_ALL=$machine_locale wine "$@"; }
start_nginx "$conf" "$work/nginx" "$fileserver" || exit 1
access_log=$work/nginx/logs/access.log
requests() { sleep 0.2; wc -l <"$access_log"; } # nginx logs a request after answering it
downloads() { sleep 0.2; grep -c ' /sysfiles2/files/' "$access_log"; }

passed=0 failed=0
expect() { # expect DESCRIPTION COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

# new_machine NAME: the damaged demo machine with the leftover of the network
# filter package, so that a second pass is due.
new_machine() {
    end_machine
    export WINEPREFIX=$work/$1
    copy_prefix "$template" "$WINEPREFIX"
    mkdir -p "$WINEPREFIX/drive_c/tools"
    cp "$exe" "$hold_open_exe" "$exit_code_of_exe" "$WINEPREFIX/drive_c/tools/"
    wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
    damage_demo_machine
    printf 'companion of the network filter\r\n' >"$WINEPREFIX/drive_c/windows/system32/netpt32.dll"
    tools=$WINEPREFIX/drive_c/ProgramData/quillanTools
}
end_machine() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        rm -rf "$WINEPREFIX"
    fi
}
stop_holder() {
    if [ -n "$holder" ]; then
        kill "$holder" 2>/dev/null
        wait "$holder" 2>/dev/null
        holder=""
    fi
}
last_block() {
    iconv -f CP936 -t UTF-8 "$tools/Tools.log" |
        awk '/^StartTime:/ { block = "" } { block = block $0 "\n" } END { printf "%s", block }'
}
runonce_value() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v OrvixKillerTools \
        2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
}

# The X windows that are shown, one id per line: Wine maps a window on the
# display when it is shown, a message box and the restart prompt as well.
shown_windows() {
    xwininfo -root -children 2>/dev/null | awk '$1 ~ /^0x/ { print $1 }' | while read -r id; do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
    done
}
# watched OUT ARGS...: runs the program with ARGS, its output in OUT, and
# notes every window shown meanwhile in $work/windows. Returns 0 when the
# program ran; its whole exit code is then in $code. A prompt waiting for an
# answer would hold the program: after three minutes it is ended (124).
watched() {
    local out=$1 pid rounds=0
    shift
    : >"$work/windows"
    code=""
    (cd "$WINEPREFIX/drive_c" &&
        wine 'C:\tools\exit_code_of.exe' 'C:\tools\filemender.exe' "$@" >"$out" 2>"$work/code") &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        shown_windows >>"$work/windows"
        sleep 0.2
        rounds=$((rounds + 1))
        if [ "$rounds" -gt 900 ]; then
            wineserver -k >/dev/null 2>&1
            wait "$pid"
            return 124
        fi
    done
    wait "$pid" || return
    code=$(tr -d '\r' <"$work/code" | sed -n 's/^exit code //p')
}
no_window_shown() { [ ! -s "$work/windows" ]; }

# Every file of the machine with its digest, and the registry as Wine saves
# it, without key time stamps and the values Wine itself rewrites at a start.
machine_state() {
    wineserver -w >/dev/null 2>&1
    (cd "$WINEPREFIX/drive_c" && find . -type f -print0 | sort -z | xargs -0 md5sum)
    sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' "$WINEPREFIX"/*.reg |
        grep -vE '^"(DriverDateData|ProxyEnable)"='
}

echo "== a command line not understood"
new_machine unattended
before_requests=$(requests)
machine_state >"$work/before"
watched "$work/out" /nonsense
expect "/nonsense exits 2" test "$code" = 2
machine_state >"$work/after"
expect "/nonsense changes nothing" cmp -s "$work/before" "$work/after"
diff "$work/before" "$work/after" | head -20
expect "/nonsense sends nothing" test "$(requests)" -eq "$before_requests"
expect "/nonsense shows no window" no_window_shown
expect "/nonsense says so and prints the modes and their exit codes" \
    bash -c 'grep -q "^无法识别的命令行：.*/nonsense" "$1" && grep -q "/repair" "$1" && grep -q "^  3010" "$1"' \
    _ "$work/out"
# In English for a user of another language (Wine rewrites its font names
# when the locale changes, so this comes after the comparison).
machine_locale=C watched "$work/out" '/?'
expect "/? exits 0" test "$code" = 0
expect "/? prints the modes in English" grep -q "^  filemender.exe /repair " "$work/out"
tr -d '\r' <"$work/out"

echo "== /repair on the damaged machine"
before_downloads=$(downloads)
watched "$work/out" /repair
expect "/repair exits 3010" test "$code" = 3010
expect "/repair shows no window and no restart prompt" no_window_shown
expect "/repair repairs every damage the window's run repairs" check_demo_repaired "$template"
block=$(last_block)
echo "$block"
for name in $DEMO_DAMAGED_FILES; do
    expect "/repair logs the repair of $name" grep -qF "修复文件	C:\\windows\\system32\\$name" <<<"$block"
done
expect "/repair logs the network filter package" grep -qF "修复无法连接云查杀服务器问题" <<<"$block"
# Through a copy of the program in the tool's own folder, never the file started.
expect "/repair arranges the second pass" \
    test "$(runonce_value)" = '"C:\ProgramData\quillanTools\filemender.exe" second_proc'
expect "/repair downloads good copies" test "$(downloads)" -gt "$before_downloads"
echo "--- printed"
tr -d '\r' <"$work/out"
expect "/repair prints its summary in the user's language" grep -q '^退出代码 3010' "$work/out"
expect "last-run.json of /repair reads as a person reads it" python3 - "$tools/last-run.json" <<'PY'
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
assert report["mode"] == "repair" and report["restartRequired"] is True, report
assert report["notRepaired"] == [], report["notRepaired"]
shell = [c for c in report["changes"] if c["kind"] == "value" and c["name"] == "Shell"]
assert shell and shell[0]["beforeReadable"] == {"type": "REG_SZ", "text": "C:\\windows\\system32\\hijack.exe"}, shell
files = [c for c in report["changes"] if c["kind"] == "file" and c["target"].endswith("\\d3d9.dll")]
assert files and files[0]["beforeReadable"]["size"] > 0 and "size" in files[0]["afterReadable"], files
PY

echo "== the restart runs the second pass"
wine wineboot -r >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
expect "the second pass appends its block" test "$(grep -c '^StartTime:' "$tools/Tools.log")" -eq 2
expect "the second pass removed the RunOnce value" test -z "$(runonce_value)"
expect "the network filter leftover is gone" test ! -e "$WINEPREFIX/drive_c/windows/system32/netpt32.dll"
expect "last-run.json is the second pass's" \
    grep -q '"mode": "second-pass"' "$tools/last-run.json"

echo "== /repair on the repaired machine"
before_downloads=$(downloads)
watched "$work/out" /repair
expect "/repair on the repaired machine exits 0" test "$code" = 0
expect "/repair on the repaired machine downloads nothing" test "$(downloads)" -eq "$before_downloads"
expect "/repair on the repaired machine shows no window" no_window_shown
expect "/repair on the repaired machine arranges no second pass" test -z "$(runonce_value)"
last_block

echo "== a system file held open: neither replaced now nor at the next start"
new_machine held
rm -f "$WINEPREFIX/drive_c/held"
(cd "$WINEPREFIX/drive_c" &&
    exec wine 'C:\tools\hold_open.exe' 'C:\windows\system32\dsound.dll' 'C:\held') &
holder=$!
for _ in $(seq 100); do
    [ -e "$WINEPREFIX/drive_c/held" ] && break
    sleep 0.1
done
expect "the helper holds dsound.dll" test -e "$WINEPREFIX/drive_c/held"
watched "$work/out" /repair
expect "/repair with a file it cannot replace exits 1" test "$code" = 1
expect "/repair logs the file it could not repair" \
    grep -qF "未能修复	C:\\windows\\system32\\dsound.dll" <(last_block)
expect "/repair still repairs the rest" grep -qF "修复文件	C:\\windows\\system32\\ddraw.dll" <(last_block)
expect "last-run.json names the file not repaired" python3 -c '
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
assert report["notRepaired"] == ["C:\\windows\\system32\\dsound.dll"], report["notRepaired"]
' "$tools/last-run.json"
stop_holder

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
