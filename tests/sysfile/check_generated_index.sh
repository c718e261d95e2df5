#!/usr/bin/env bash
# Checks an index the generator wrote against the tree it placed beside it,
# with tools that share no code with it:
#   - the index is a whole number of 32-byte records,
#   - path keys rise strictly (sorted byte-wise, each key once),
#   - every record's digest names a file in the tree whose md5sum is that digest,
#   - every file of the reference Windows directory got a record.
# Usage: check_generated_index.sh INDEX TREE WINDOWS_DIR
set -euo pipefail
index=$1 tree=$2 windows=$3

size=$(stat -c %s "$index")
if [ "$size" -eq 0 ] || [ $((size % 32)) -ne 0 ]; then
    echo "index size $size is not a positive multiple of 32"
    exit 1
fi
records=$((size / 32))

fail=0
previous=""
while read -r key digest; do
    if [ -n "$previous" ] && ! [[ "$previous" < "$key" ]]; then
        echo "path key $key does not sort after $previous"
        fail=1
    fi
    previous=$key
    file=$tree/$digest
    if [ ! -f "$file" ]; then
        echo "no file $file for key $key"
        fail=1
        continue
    fi
    actual=$(md5sum "$file" | cut -d' ' -f1)
    if [ "$actual" != "$digest" ]; then
        echo "$file has md5sum $actual"
        fail=1
    fi
done < <(od -An -v -tx1 -w32 "$index" | tr -d ' ' | sed -E 's/^(.{32})(.{32})$/\1 \2/')

files=$(find "$windows" -type f | wc -l)
if [ "$files" -ne "$records" ]; then
    echo "$records records for $files files under $windows"
    fail=1
fi
echo "$records records checked"
exit $fail
