#!/usr/bin/env bash
# Fails when EXE imports a DLL that is not part of Windows itself, or imports
# version.dll, which is no KnownDLL and so would be searched for beside the
# program first (it is loaded from the system directory by full path), or is
# not marked Terminal-Server-aware.
set -euo pipefail
objdump=$1
exe=$2
[ -f "$exe" ] || { echo "no such build: $exe"; exit 77; }
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|wininet|urlmon|msvcrt|ws2_32|crypt32|psapi|setupapi|rpcrt4|uxtheme|imm32|winmm|secur32|ntdll)\.dll$'
headers=$("$objdump" -p "$exe")
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
bad=$(grep -vE "$allowed" <<<"$dlls" || true)
if [ -n "$bad" ]; then
    echo "imports outside Windows or not loaded by full path: $bad"
    exit 1
fi
if ! grep -q 'TERMINAL_SERVICE_AWARE' <<<"$headers"; then
    echo "not marked Terminal-Server-aware"
    exit 1
fi
echo "imports: $(tr '\n' ' ' <<<"$dlls")"
