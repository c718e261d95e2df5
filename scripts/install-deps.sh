#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages, when missing.
set -uo pipefail

packages=(cmake make python3 g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 mingw-w64-tools
          wine wine64 nginx xvfb fonts-wqy-zenhei imagemagick googletest clang libclang-rt-14-dev libfuzzer-14-dev
          nlohmann-json3-dev)

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
# The win32 thread-model compilers: the posix ones link winpthreads, which
# imports GetTickCount64, and Windows XP and Server 2003 then refuse to start
# the program.
command -v x86_64-w64-mingw32-g++-win32 >/dev/null || missing+=(g++-mingw-w64-x86-64-win32)
command -v i686-w64-mingw32-g++-win32 >/dev/null || missing+=(g++-mingw-w64-i686-win32)
command -v x86_64-w64-mingw32-windres >/dev/null || missing+=(mingw-w64-tools)
command -v wine >/dev/null || missing+=(wine wine64)
[ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || missing+=(nginx)
command -v python3 >/dev/null || missing+=(python3)
command -v Xvfb >/dev/null || missing+=(xvfb)
# The windows' Chinese texts need a CJK font; screenshots are taken with import.
[ -f /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc ] || missing+=(fonts-wqy-zenhei)
command -v import >/dev/null || missing+=(imagemagick)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
command -v iconv >/dev/null || missing+=(libc-bin)
# The run's JSON report is written with nlohmann-json (header-only).
[ -f /usr/include/nlohmann/json.hpp ] || missing+=(nlohmann-json3-dev)
# The PE fuzzer is built natively with clang, libFuzzer and the sanitizers.
command -v clang++ >/dev/null || missing+=(clang)
[ -n "$(find /usr/lib/llvm-14/lib/clang -name 'libclang_rt.asan-x86_64.a' 2>/dev/null)" ] ||
    missing+=(libclang-rt-14-dev)
[ -n "$(find /usr/lib/llvm-14/lib -name 'libFuzzer*.a' 2>/dev/null)" ] || missing+=(libfuzzer-14-dev)

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "missing packages (install as root): ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# A package index can fail to download while a mirror syncs: retry, and let the
# install decide whether what we have is enough.
for attempt in 1 2 3; do
    apt-get update && break
    echo "apt-get update failed (attempt $attempt), retrying" >&2
    sleep 5
done
apt-get install -y --no-install-recommends "${missing[@]}"
