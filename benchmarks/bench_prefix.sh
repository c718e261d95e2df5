# Shared start of the benchmark scripts. Source it from the repo root with the
# build targets the benchmark needs as arguments: builds them, and leaves a
# fresh prefix copied from the template in $prefix (WINEPREFIX exported,
# removed on exit), $root and $build set, and the prefix_lib functions loaded.
root=$PWD
build=$root/build/win64
. tests/support/prefix_lib.sh

scripts/install-deps.sh
"$root/scripts/configure.sh" win64
cmake --build --preset win64 -j2 --target "$@" >/dev/null
tests/support/make_template_prefix.sh "$build/wine-template"

prefix=$(mktemp -d /tmp/fm-bench.XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1; stop_nginx; rm -rf "$prefix"' EXIT
copy_prefix "$build/wine-template" "$prefix"
wineserver -p >/dev/null 2>&1
mkdir -p "$prefix/drive_c/tools"
