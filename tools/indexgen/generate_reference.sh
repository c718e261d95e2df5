#!/usr/bin/env bash
# Runs the index generator in a reference installation made from a pristine
# Wine prefix set to one edition, and leaves its output in OUT and SERVER.
# The template itself is never changed: the generator runs in a copy.
# Usage: generate_reference.sh TEMPLATE WORKPREFIX INDEXGEN OUT SERVER WINEVERSION LOCALE ID
# ID is the index resource id the edition must have; anything else fails.
set -euo pipefail
template=$1 prefix=$2 indexgen=$3 out=$4 server=$5 version=$6 locale=$7 expect_id=$8
. "$(dirname "$0")/../../tests/support/prefix_lib.sh"

cleanup() {
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
    rm -rf "$prefix"
}
trap cleanup EXIT

rm -rf "$prefix" "$out" "$server/sysfiles2"
mkdir -p "$out" "$server"
copy_prefix "$template" "$prefix"

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
# Wine takes the UI language from the locale. Given through env, so that this
# shell does not try to switch to a locale the host may not have.
in_locale() { env LC_ALL="$locale" "$@"; }
in_locale wineserver -p >/dev/null 2>&1
in_locale wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
out_win=$(winepath -w "$out")
server_win=$(winepath -w "$server")
in_locale wine "$indexgen" "$out_win" "$server_win"
if [ ! -s "$out/indexes/$expect_id.idx" ]; then
    echo "the prefix was not the edition of resource $expect_id: no $out/indexes/$expect_id.idx" >&2
    exit 1
fi
