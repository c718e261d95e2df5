#!/bin/sh
# Turns a readable UTF-8 text into the form the registry editor script resource
# has: a UTF-16LE byte order mark, the lines joined by CR LF, no line end after
# the last line.   Usage: crlf_utf16le.sh SOURCE OUTPUT
set -eu
source=$1
output=$2
{
    printf '\377\376'
    awk 'BEGIN { ORS = "" } { sub(/\r$/, "") } NR > 1 { print "\r\n" } { print }' "$source" |
        iconv -f UTF-8 -t UTF-16LE
} >"$output.tmp"
mv "$output.tmp" "$output"
