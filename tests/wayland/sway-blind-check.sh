#!/usr/bin/env bash
# Quillant in a Wayland session, checked by hand (not part of CI: the desktop
# stack is about 500 MiB of packages and must run as an unprivileged user).
#
# Starts a headless sway with Xwayland, a session bus and the desktop portal,
# runs the given quillant binary on Xwayland with no platform chosen, and
# checks what a user would see there: the ruler shows, the program finds the
# root capture blind, and the zoom window says so in white instead of showing
# black. Run as root:  bash tests/wayland/sway-blind-check.sh build/quillant
set -euo pipefail

binary=$(realpath "${1:?usage: sway-blind-check.sh PATH/TO/quillant}")
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
packages=(sway xwayland grim x11-utils xdotool imagemagick dbus-daemon libglib2.0-bin
    xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk)
if ! dpkg-query -W "${packages[@]}" >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${packages[@]}"
fi

# sway refuses to run as root: everything runs as nobody in a scratch folder.
W=$(mktemp -d /tmp/quillant-sway.XXXXXX)
U=65534
chown $U "$W"
U=65534 R=$W/run H=$W/home L=$W/logs
mkdir -p "$R" "$H/.config" "$L"
cp "$binary" "$W/quillant"
chown -R $U "$R" "$H" "$L"
chmod 700 "$R"
printf 'output HEADLESS-1 mode --custom 1280x1024@60Hz position 0 0\nxwayland enable\n' >"$W/sway.conf"
export XDG_RUNTIME_DIR=$R HOME=$H XDG_CONFIG_HOME=$H/.config PATH=/usr/bin:/bin \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland DBUS_SESSION_BUS_ADDRESS=unix:path=$R/bus
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
as() { setpriv --reuid=$U --regid=$U --clear-groups "$@"; }
wait_for() {
    for _ in $(seq 200); do eval "$1" >/dev/null 2>&1 && return 0; sleep 0.05; done
    return 1
}
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    sleep 0.3
    pkill -u $U -f "$W" 2>/dev/null || true
}
trap cleanup EXIT

as sway -c "$W/sway.conf" >"$L/sway.log" 2>&1 &
pids+=($!)
wait_for 'ls $R/sway-ipc.*.sock'
SWAYSOCK=$(ls "$R"/sway-ipc.*.sock)
WAYLAND_DISPLAY=$(cd "$R" && ls wayland-? | head -1)
export SWAYSOCK WAYLAND_DISPLAY
as dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile >"$L/dbus.log" 2>&1 &
pids+=($!)
wait_for '[ -S $R/bus ]'
as /usr/libexec/xdg-desktop-portal-wlr >"$L/xdpw.log" 2>&1 &
pids+=($!)
as /usr/libexec/xdg-desktop-portal >"$L/xdp.log" 2>&1 &
pids+=($!)
export DISPLAY=:0
wait_for 'as xdpyinfo' || { echo "Xwayland did not start"; cat "$L/sway.log"; exit 1; }
echo "sway $(as swaymsg -t get_version -r | grep -o '"human_readable": "[^"]*"' | cut -d'"' -f4), Xwayland on $DISPLAY"

# The program with no platform chosen: it must pick the X server on its own.
as "$W/quillant" >"$L/quillant.log" 2>&1 &
pids+=($!)
wait_for 'as xdotool search --onlyvisible --class Quillant' || {
    echo "FAIL: no ruler window on Xwayland"
    cat "$L/quillant.log"
    exit 1
}
ruler=$(as xdotool search --onlyvisible --class Quillant | head -1)
echo "ruler window $ruler: $(as xwininfo -id "$ruler" | awk '/geometry/ {print $2}')"
as grim "$W/desktop-ruler.png"

# Root capture from an X11 client is blind here, whatever we drew.
if as import -window root "$W/root.png" 2>/dev/null; then
    echo "note: the X root can be read on this Xwayland"
else
    echo "X root capture fails here, as on every Xwayland measured"
fi

# Open the zoom window from the ruler's button; its surface must not be black.
eval "$(as xdotool getwindowgeometry --shell "$ruler")"
as xdotool mousemove --sync $((X + 64)) $((Y + 8)) click 1
if ! wait_for '[ "$(as xdotool search --onlyvisible --class Quillant | wc -l)" -ge 2 ]'; then
    echo "FAIL: the zoom window did not open (the pointer may not reach Xwayland here)"
    cat "$L/quillant.log"
    exit 1
fi
sleep 0.5
zoom=$(as xdotool search --onlyvisible --class Quillant | grep -vx "$ruler" | head -1)
as import -window "$zoom" "$W/zoom.png"
as grim "$W/desktop-zoom.png"
middle=$(convert "$W/zoom.png" -gravity center -crop 1x1+0+0 -format '%[hex:u.p{0,0}]' info:)
strip=$(convert "$W/zoom.png" -gravity SouthWest -crop 1x1+2+2 -format '%[hex:u.p{0,0}]' info:)
echo "zoom window $zoom: middle #${middle,,}, caption strip #${strip,,}"
echo "program output:"; sed "s/^/  /" "$L/quillant.log"
mkdir -p "$repo/wayland-shots"
cp "$W"/desktop-*.png "$W/zoom.png" "$repo/wayland-shots/"
echo "screenshots in $repo/wayland-shots/"
if [[ ${middle,,} == 000000* ]]; then
    echo "FAIL: the zoom window shows black"
    exit 1
fi
echo "PASS: blind root detected, the zoom window says so instead of showing black"
