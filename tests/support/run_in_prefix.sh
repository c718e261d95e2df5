#!/usr/bin/env bash
# Runs one Windows test executable under wine64 in a throwaway prefix copied
# from the template, so that registry and file changes never leak between runs.
#
# Environment (set per test by CTest):
#   WINE_TEMPLATE   template prefix made by make_template_prefix.sh (required)
#   WINE_VERSION    Windows version Wine reports (winxp, win2003, vista, win7 ...)
#   WINE_LANG       locale for the UI language (zh_CN.UTF-8 gives 2052)
#   WINE_REG        a REGEDIT4 file imported before the test runs
#   WITH_NGINX      1: serve the repo's nginx config on loopback for the test
#   NGINX_CONF      the nginx config to serve
#   FILESERVER_ROOT folder whose sysfiles2 tree nginx serves
#   COPY_IN         colon-separated files copied into C:\tools before the run
#   SCREENSHOT_HOST_DIR  folder where tests keep screenshots (as SCREENSHOT_DIR
#                   in Windows form); saved bitmaps become PNG files after the run
#   KEEP_PREFIX     1: keep the prefix after the run (debugging)
set -uo pipefail
. "$(dirname "$0")/prefix_lib.sh"
exe=$1
shift
: "${WINE_TEMPLATE:?WINE_TEMPLATE must name the template prefix}"

prefix=$(mktemp -d /tmp/fm-prefix.XXXXXX)
cleanup() {
    [ -n "${SCREENSHOT_HOST_DIR:-}" ] && bitmaps_to_png "$SCREENSHOT_HOST_DIR"
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    stop_nginx
    [ "${KEEP_PREFIX:-0}" = 1 ] && echo "prefix kept: $prefix" >&2 || rm -rf "$prefix"
}
trap cleanup EXIT

copy_prefix "$WINE_TEMPLATE" "$prefix"

export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
[ -n "${WINE_LANG:-}" ] && export LC_ALL=$WINE_LANG
wineserver -p >/dev/null 2>&1

if [ -n "${WINE_VERSION:-}" ]; then
    wine reg add 'HKCU\Software\Wine' /v Version /d "$WINE_VERSION" /f >/dev/null 2>&1
fi
if [ -n "${WINE_REG:-}" ]; then
    cp "$WINE_REG" "$prefix/drive_c/setup.reg"
    wine regedit /s 'C:\setup.reg' >/dev/null 2>&1
fi

use_cjk_fonts "$prefix"
if [ -n "${SCREENSHOT_HOST_DIR:-}" ]; then
    mkdir -p "$SCREENSHOT_HOST_DIR"
    export SCREENSHOT_DIR="Z:${SCREENSHOT_HOST_DIR//\//\\}"
fi

mkdir -p "$prefix/drive_c/tools" "$prefix/drive_c/tests"
IFS=: read -r -a copies <<<"${COPY_IN:-}"
for f in "${copies[@]}"; do
    [ -n "$f" ] && cp "$f" "$prefix/drive_c/tools/"
done
cp "$exe" "$prefix/drive_c/tests/"

if [ "${WITH_NGINX:-0}" = 1 ]; then
    : "${NGINX_CONF:?NGINX_CONF must name the nginx config}"
    start_nginx "$NGINX_CONF" "$prefix/drive_c/nginx" "${FILESERVER_ROOT:-}" || exit 1
fi

cd "$prefix/drive_c"
wine "C:\\tests\\$(basename "$exe")" "$@"
