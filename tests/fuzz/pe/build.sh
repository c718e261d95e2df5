#!/usr/bin/env bash
# Builds the PE fuzzer natively with clang (AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) and the seed maker, into OUT_DIR.
#   build.sh OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
out=${1:?usage: build.sh OUT_DIR}
mkdir -p "$out"
cxx=${CXX_FOR_FUZZING:-clang++}
flags=(-std=c++17 -g -O1 -Wall -Wextra -Werror -I"$repo/src" -I"$repo/tests")
sanitizers=(-fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
            -fno-omit-frame-pointer)
byte_logic=("$repo/src/killers/pe_view.cpp" "$repo/src/killers/infection_stub.cpp")

"$cxx" "${flags[@]}" "${sanitizers[@]}" "$here/pe_fuzzer.cpp" "${byte_logic[@]}" \
    -o "$out/pe_fuzzer"
"$cxx" "${flags[@]}" -fsanitize=address,undefined -fno-sanitize-recover=all \
    "$here/make_pe_seeds.cpp" "$repo/tests/killers/infected_sample.cpp" -o "$out/make_pe_seeds"
