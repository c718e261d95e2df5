#!/usr/bin/env bash
# The main job: builds the tool, makes a demo Windows installation (a Wine
# prefix), runs one full unattended repair on it and prints the run log.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. tests/support/prefix_lib.sh
. tests/e2e/demo_machine.sh

scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target filemender >/dev/null

build=$root/build/win64
template=$build/wine-template
tests/support/make_template_prefix.sh "$template"

demo=$build/demo-prefix
export WINEPREFIX=$demo WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k >/dev/null 2>&1 || true
rm -rf "$demo"
copy_prefix "$template" "$demo"
trap 'wineserver -k >/dev/null 2>&1; stop_nginx' EXIT
# The index this build carries is that of Windows XP SP3 Chinese (made from a
# pristine prefix of that edition), so the demo machine is one too. The
# language is given per command, the host need not have that locale.
wine() { env LC_ALL=zh_CN.UTF-8 wine "$@"; }
wineserver -p >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1

mkdir -p "$demo/drive_c/tools" "$build/fileserver"
cp "$build/src/filemender.exe" "$demo/drive_c/tools/"
start_nginx "$root/server/nginx.conf" "$demo/drive_c/nginx" "$build/fileserver"

echo "== damaging the demo machine (Windows XP SP3 Chinese):"
echo "   system32\\dsound.dll truncated, system32\\ddraw.dll deleted,"
echo "   system32\\d3d9.dll replaced by an older build, Winlogon Shell hijacked,"
echo "   a non-PE lpk.dll planted beside C:\\Program Files\\DemoApp\\demoapp.exe"
damage_demo_machine

echo "== running: filemender.exe second_proc (unattended repair)"
(cd "$demo/drive_c" && wine 'C:\tools\filemender.exe' second_proc) || {
    echo "filemender.exe exited with $?" >&2
    exit 1
}

log=$demo/drive_c/ProgramData/quillanTools/Tools.log
echo "== run log ($log, code page 936 shown as UTF-8)"
iconv -f CP936 -t UTF-8 "$log"
echo
echo "== checking the repair against the reference installation"
check_demo_repaired "$template"
