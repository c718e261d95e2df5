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
#   KEEP_PREFIX     1: keep the prefix after the run (debugging)
set -uo pipefail
exe=$1
shift
: "${WINE_TEMPLATE:?WINE_TEMPLATE must name the template prefix}"

prefix=$(mktemp -d /tmp/fm-prefix.XXXXXX)
nginx_pid=""
cleanup() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    if [ -n "$nginx_pid" ]; then
        kill "$nginx_pid" 2>/dev/null
        wait "$nginx_pid" 2>/dev/null
    fi
    [ "${KEEP_PREFIX:-0}" = 1 ] && echo "prefix kept: $prefix" >&2 || rm -rf "$prefix"
}
trap cleanup EXIT

"$(dirname "$0")/copy_prefix.sh" "$WINE_TEMPLATE" "$prefix" || exit 1

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

mkdir -p "$prefix/drive_c/tools" "$prefix/drive_c/tests"
IFS=: read -r -a copies <<<"${COPY_IN:-}"
for f in "${copies[@]}"; do
    [ -n "$f" ] && cp "$f" "$prefix/drive_c/tools/"
done
cp "$exe" "$prefix/drive_c/tests/"

if [ "${WITH_NGINX:-0}" = 1 ]; then
    : "${NGINX_CONF:?NGINX_CONF must name the nginx config}"
    mkdir -p "$prefix/drive_c/nginx/logs"
    [ -n "${FILESERVER_ROOT:-}" ] && ln -s "$FILESERVER_ROOT" "$prefix/drive_c/nginx/html"
    nginx -c "$NGINX_CONF" -p "$prefix/drive_c/nginx/" -g "daemon off; pid $prefix/drive_c/nginx/nginx.pid;" &
    nginx_pid=$!
    for _ in $(seq 50); do
        [ -s "$prefix/drive_c/nginx/nginx.pid" ] && break
        sleep 0.1
    done
fi

cd "$prefix/drive_c"
wine "C:\\tests\\$(basename "$exe")" "$@"
