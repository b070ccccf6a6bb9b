#!/usr/bin/env bash
# Long run, not part of CI: on a private Xvfb with openbox, the zoom window
# open for the first half of the time, then a colour grab held for the second
# half, both ticking at 100 Hz while the pointer wanders. Prints the program's
# resident memory, open file descriptors and X resources at the start, at the
# switch and at the end, then ends the program regularly (SIGTERM) and shows
# its exit status and anything it printed (a sanitizer build reports leaks).
#
# Usage: scripts/soak.sh [SECONDS (3600)] [BINARY (build/quillant)]
# QUILLANT_X_DISPLAYS picks the display as for test.sh. Needs xrestop.
set -uo pipefail

seconds=${1:-3600}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
binary=${2:-$repo/build/quillant}
cd "$repo"
# shellcheck source=lib-x.sh
source scripts/lib-x.sh
trap x_stop EXIT

# Where the ruler's buttons are at its first-start place (60/60, frame 1).
zoom_button=(124 68)
color_button=(111 68)
grabber=(84 98)

x_start || exit 1
log=$(mktemp "${TMPDIR:-/tmp}/quillant-soak.XXXXXX")
"$binary" >"$log" 2>&1 &
pid=$!
wait_until 10 xdotool search --onlyvisible --pid "$pid" || {
    echo "the program did not show a window"
    cat "$log"
    exit 1
}

figures() {
    local rss fds xres
    rss=$(awk '/^VmRSS/ { print $2 " kB" }' "/proc/$pid/status")
    fds=$(find "/proc/$pid/fd" -mindepth 1 | wc -l)
    # xrestop's block of our client: "N - Name ( PID:pid ):" and its counts.
    xres=$(xrestop -b -m 1 2>/dev/null | awk -v pid="$pid" '
        /PID:/ { gsub(/[():]/, " "); n = split($0, f, " "); mine = (f[n] == pid); next }
        mine && /(windows|GCs|pixmaps|cursors|unknowns|pixmap bytes|total bytes)/ {
            split($0, kv, ":"); gsub(/^[ \t]+|[ \t]+$/, "", kv[1]); gsub(/[ ~]/, "", kv[2])
            printf "%s=%s ", kv[1], kv[2] }')
    printf '%-8s t=%5ds rss=%s fds=%s X: %s\n' "$1" "$SECONDS" "$rss" "$fds" "$xres"
}

# wander SECONDS: moves the pointer between places away from the corner
# that closes the zoom window.
wander() {
    local until=$((SECONDS + $1)) i=0
    local xs=(300 500 700 900 400) ys=(300 200 500 600 400)
    while ((SECONDS < until)) && kill -0 "$pid" 2>/dev/null; do
        xdotool mousemove "${xs[i % 5]}" "${ys[i % 5]}"
        i=$((i + 1))
        sleep 1
    done
}

half=$((seconds / 2))
SECONDS=0
xdotool mousemove "${zoom_button[@]}" click 1
sleep 3
figures start
wander "$half"
figures zoomed

xdotool mousemove "${color_button[@]}" click 1
sleep 1
xdotool mousemove "${grabber[@]}" mousedown 1
sleep 3
figures grabbing
wander $((seconds - half))
figures end
xdotool mouseup 1

kill -TERM "$pid"
wait "$pid"
echo "exit status $?"
cat "$log"
rm -f "$log"
