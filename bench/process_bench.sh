#!/usr/bin/env bash
# Whole-process cost of the running program: the optimised build on a private
# Xvfb (1280x1024) with openbox, put in each state in turn while one chained
# xdotool process circles the pointer at 100 moves/s around the ruler. For
# each state it prints the program's CPU seconds per 10 s (utime + stime from
# /proc/PID/stat), the X server's, the program's RSS and its open file
# descriptors.
#
#   bash bench/process_bench.sh [SECONDS_PER_STATE]     (default 10)
#
# QUILLANT_BINARY picks the program (build/quillant), QUILLANT_X_DISPLAYS the
# display numbers (see scripts/lib-x.sh). Compare figures within one run: the
# machine's load moves them.
set -euo pipefail

seconds=${1:-10}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export QUILLANT_BINARY=${QUILLANT_BINARY:-$repo/build/quillant}
export QX_SCREEN=1280x1024x24
[[ -x $QUILLANT_BINARY ]] || {
    echo "process_bench: no program at $QUILLANT_BINARY" >&2
    exit 1
}

# shellcheck source=../scripts/lib-x.sh
source "$repo/scripts/lib-x.sh"
trap x_stop EXIT
x_start
# Something to magnify and sample: a grid over the whole root window.
xsetroot -mod 16 16 -fg '#d04020' -bg '#f0f0e0'
xdotool mousemove 900 700
quillant_start
win=$(quillant_window)
read -r wx wy ww wh <<<"$(window_geometry "$win")"
cx=$((wx + ww / 2)) cy=$((wy + 240))
pid=$QX_APP_PID

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_kb() { awk '$1 == "VmRSS:" { print $2 }' "/proc/$1/status"; }
fds() { find "/proc/$1/fd" -mindepth 1 -maxdepth 1 | wc -l; }
hz=$(getconf CLK_TCK)

# circle SECONDS: one xdotool process, 100 moves/s, one turn per second.
circle() {
    local -a chain
    mapfile -t chain < <(awk -v cx="$cx" -v cy="$cy" -v n=$(($1 * 100)) 'BEGIN {
        for (k = 1; k <= n; k++) { a = 6.283185307 * k / 100
            printf "mousemove\n%d\n%d\nsleep\n0.01\n", cx + 200 * cos(a), cy + 200 * sin(a) } }')
    xdotool "${chain[@]}"
}
still() { sleep "$1"; }

printf '%-26s %10s %10s %8s %5s\n' "state" "cpu s/10s" "Xvfb s/10s" "RSS MB" "fds"
# measure NAME COMMAND...: the program's and the server's CPU while COMMAND runs.
measure() {
    local name=$1 c0 x0 t0 c1 x1 t1
    shift
    c0=$(ticks "$pid") x0=$(ticks "$QX_XVFB_PID") t0=$(date +%s.%N)
    "$@"
    t1=$(date +%s.%N) c1=$(ticks "$pid") x1=$(ticks "$QX_XVFB_PID")
    awk -v n="$name" -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v t="$t1 - $t0" -v hz="$hz" \
        -v rss="$(rss_kb "$pid")" -v fds="$(fds "$pid")" 'BEGIN {
            split(t, w, " - "); wall = w[1] - w[2]
            printf "%-26s %10.3f %10.3f %8.1f %5d\n", n, c / hz * 10 / wall, x / hz * 10 / wall,
                rss / 1024, fds }'
}

sleep 1
measure "idle, pointer still" still "$seconds"
measure "ruler, pointer moving" circle "$seconds"

# The zoom button; the magnifier follows the circling pointer, then rests.
xdotool mousemove $((wx + 64)) $((wy + 8)) click 1
sleep 0.5
measure "magnifier, pointer moving" circle "$seconds"
sleep 0.3
measure "magnifier, pointer still" still "$seconds"
# The screen's corner closes it.
xdotool mousemove 0 0
sleep 0.3

# The picker panel, then a held grab on its grab button.
xdotool mousemove $((wx + 51)) $((wy + 8)) click 1
sleep 0.4
xdotool mousemove $((wx + 24)) $((wy + 38)) mousedown 1
sleep 0.2
measure "grab, pointer moving" circle "$seconds"
measure "grab, pointer still" still "$seconds"
xdotool mouseup 1
sleep 0.2
kill -0 "$pid" || {
    echo "process_bench: the program ended during the run" >&2
    exit 1
}
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
