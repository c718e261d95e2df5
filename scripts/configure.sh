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
wanted=$(sed -n 's/^set(CMAKE_CXX_COMPILER \(.*\))$/\1/p' "$toolchain")
# A compiler named by the toolchain file is not kept in CMakeCache.txt but in
# the compiler description CMake wrote when it first configured the folder.
description=$(ls build/"$preset"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null | head -n 1 || true)
if [ -f "build/$preset/CMakeCache.txt" ]; then
    configured=
    [ -n "$description" ] &&
        configured=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$description")
    if [ "$(basename "$configured")" != "$wanted" ]; then
        echo "build/$preset was configured with $configured, not $wanted: making it anew" >&2
        rm -rf "build/$preset"
    fi
fi
cmake --preset "$preset" >/dev/null
