#!/usr/bin/env bash
# Configures the build folder of PRESET (win64 or win32). A folder configured
# with other compilers than its toolchain file names (before the switch to the
# win32 thread-model compilers: the -posix ones) is removed first: CMake cannot
# change the compiler of a configured folder, and objects of the old compilers
# must not be linked with those of the new.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
case $preset in
    win64) toolchain=cmake/toolchain-mingw-x86_64.cmake ;;
    win32) toolchain=cmake/toolchain-mingw-i686.cmake ;;
    *) echo "unknown preset: $preset" >&2; exit 2 ;;
esac
cache=build/$preset/CMakeCache.txt
wanted=$(sed -n 's/^set(CMAKE_CXX_COMPILER \(.*\))$/\1/p' "$toolchain")
if [ -f "$cache" ]; then
    configured=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$cache")
    if [ "$(basename "$configured")" != "$wanted" ]; then
        echo "build/$preset was configured with $configured, not $wanted: making it anew" >&2
        rm -rf "build/$preset"
    fi
fi
cmake --preset "$preset" >/dev/null
