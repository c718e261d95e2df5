# Shared by the test wrapper and the demo: copying the template prefix and
# serving the loopback nginx. Source it; it defines functions only.

# copy_prefix TEMPLATE DEST: hard links cost no time or disk; files Wine
# rewrites in place (registry hives, ini files) are copied for real.
copy_prefix() {
    local template=$1 dest=$2 f
    mkdir -p "$dest"
    cp -al "$template/." "$dest/"
    for f in "$dest"/*.reg "$dest"/drive_c/windows/*.ini; do
        [ -e "$f" ] || continue
        cp --remove-destination "$template/${f#"$dest"/}" "$f"
    done
    rm -f "$dest/.complete"
}

# start_nginx CONF WORKDIR [HTML]: serves CONF with WORKDIR as nginx prefix
# (logs in WORKDIR/logs, files from WORKDIR/html, linked to HTML when given).
# Sets NGINX_PID.
start_nginx() {
    local conf=$1 workdir=$2 html=${3:-}
    mkdir -p "$workdir/logs" "$workdir/tmp"
    [ -n "$html" ] && ln -sfn "$html" "$workdir/html"
    nginx -c "$conf" -p "$workdir/" -g "daemon off; pid $workdir/nginx.pid;" &
    NGINX_PID=$!
    for _ in $(seq 50); do
        [ -s "$workdir/nginx.pid" ] && return 0
        sleep 0.1
    done
    echo "nginx did not start; see $workdir/logs/error.log" >&2
    return 1
}

stop_nginx() {
    if [ -n "${NGINX_PID:-}" ]; then
        kill "$NGINX_PID" 2>/dev/null
        wait "$NGINX_PID" 2>/dev/null
        NGINX_PID=""
    fi
}

# use_cjk_fonts PREFIX: the program's dialogs are in Chinese in the 宋体 font,
# which Wine lacks; registers Debian's WenQuanYi Zen Hei in its place. The
# registry editor reads the script as UTF-16.
use_cjk_fonts() {
    local prefix=$1 lib
    lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    iconv -f UTF-8 -t UTF-16 "$lib/cjk_fonts.reg" >"$prefix/drive_c/cjk_fonts.reg"
    wine regedit /s 'C:\cjk_fonts.reg' >/dev/null 2>&1
}

# bitmaps_to_png FOLDER: screenshots are saved as bitmaps from inside Wine;
# kept as PNG.
bitmaps_to_png() {
    local f
    command -v convert >/dev/null || return 0
    for f in "$1"/*.bmp; do
        [ -e "$f" ] || continue
        convert "$f" "${f%.bmp}.png" && rm -f "$f"
    done
}
