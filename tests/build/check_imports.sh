#!/usr/bin/env bash
# Fails when EXE imports a DLL that is not part of Windows itself.
set -euo pipefail
objdump=$1
exe=$2
[ -f "$exe" ] || { echo "no such build: $exe"; exit 77; }
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|wininet|urlmon|version|msvcrt|ws2_32|crypt32|psapi|setupapi|rpcrt4|uxtheme|imm32|winmm|secur32|ntdll)\.dll$'
dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
bad=$(grep -vE "$allowed" <<<"$dlls" || true)
if [ -n "$bad" ]; then
    echo "imports outside Windows: $bad"
    exit 1
fi
echo "imports: $(tr '\n' ' ' <<<"$dlls")"
