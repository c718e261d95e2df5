#!/usr/bin/env bash
# Copies a Wine prefix made by make_template_prefix.sh to DEST without changing
# the template. Usage: copy_prefix.sh TEMPLATE DEST
# Hard links cost no time or disk; files Wine rewrites in place (the registry
# hives, the .ini files of the Windows directory) are copied for real.
set -euo pipefail
template=$1
dest=$2
mkdir -p "$dest"
cp -al "$template/." "$dest/"
for f in "$dest"/*.reg "$dest"/drive_c/windows/*.ini; do
    [ -e "$f" ] || continue
    cp --remove-destination "$template/${f#"$dest"/}" "$f"
done
rm -f "$dest/.complete"
