# shellcheck shell=bash
# X helpers shared by test.sh, run.sh and the demo scenes: a private Xvfb with
# openbox (and trayer for a notification area), the program started with
# private XDG folders, window lookup, input and screenshots.
# Source this file; it only defines functions and variables.

QX_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
QX_REPO=$(dirname "$QX_SCRIPTS")
QX_SCREEN=${QX_SCREEN:-1024x768x24}
QX_TMP=""
QX_XVFB_PID=""
QX_WM_PID=""
QX_TRAY_PID=""
QX_APP_PID=""
QX_SAVED_ENV=""

qx_log() { echo "[x] $*" >&2; }

# wait_until SECONDS COMMAND [ARGS...]: runs COMMAND every 0.1 s until it
# succeeds; fails when SECONDS have passed.
wait_until() {
    local tries=$(($1 * 10))
    shift
    until "$@" >/dev/null 2>&1; do
        ((tries-- > 0)) || return 1
        sleep 0.1
    done
}

# x_start: Xvfb on a free display, openbox with the test configuration, and
# private XDG folders; exports DISPLAY. QUILLANT_X_DISPLAYS=90-94 limits the
# display numbers tried, otherwise the server picks the first free one.
x_start() {
    # What x_stop puts back, so later steps do not point into removed folders.
    local v
    QX_SAVED_ENV=""
    for v in DISPLAY XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_CACHE_HOME DBUS_SESSION_BUS_ADDRESS \
        SESSION_MANAGER; do
        [[ -v $v ]] && QX_SAVED_ENV+="export $v=$(printf %q "${!v}"); "
    done
    QX_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quillant-x.XXXXXX")
    mkdir -m 700 "$QX_TMP/runtime"
    mkdir -p "$QX_TMP/config" "$QX_TMP/cache"
    export XDG_RUNTIME_DIR=$QX_TMP/runtime XDG_CONFIG_HOME=$QX_TMP/config
    export XDG_CACHE_HOME=$QX_TMP/cache
    # No session bus: the tray icon then always takes the XEmbed path that
    # trayer offers, whatever desktop the script was started from.
    unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER

    "${QX_SERVER_START:-_qx_start_xvfb}" || {
        qx_log "the X server did not start"
        cat "$QX_TMP/xvfb.log" >&2
        return 1
    }
    openbox --config-file "$QX_REPO/tests/e2e/openbox-rc.xml" >"$QX_TMP/openbox.log" 2>&1 &
    QX_WM_PID=$!
    wait_until 10 _qx_wm_ready || {
        qx_log "openbox did not start"
        cat "$QX_TMP/openbox.log" >&2
        return 1
    }
    qx_log "X server on $DISPLAY with openbox"
}

_qx_start_xvfb() { _qx_start_server Xvfb -screen 0 "$QX_SCREEN" -nolisten tcp -noreset; }

# _qx_start_server SERVER ARGS...: the server on the first free display.
_qx_start_server() {
    local candidates=("") display tries
    if [[ -n ${QUILLANT_X_DISPLAYS:-} ]]; then
        candidates=()
        local n
        for ((n = ${QUILLANT_X_DISPLAYS%-*}; n <= ${QUILLANT_X_DISPLAYS#*-}; n++)); do
            [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || candidates+=(":$n")
        done
    fi
    for display in "${candidates[@]}"; do
        : >"$QX_TMP/display"
        # The server writes its display number to fd 3 once it accepts clients.
        "$1" ${display:+"$display"} "${@:2}" -displayfd 3 3>"$QX_TMP/display" \
            >"$QX_TMP/xvfb.log" 2>&1 &
        QX_XVFB_PID=$!
        tries=100
        while ((tries-- > 0)) && [[ ! -s $QX_TMP/display ]] && kill -0 "$QX_XVFB_PID" 2>/dev/null; do
            sleep 0.1
        done
        if [[ -s $QX_TMP/display ]]; then
            DISPLAY=:$(head -n 1 "$QX_TMP/display")
            export DISPLAY
            return 0
        fi
        kill "$QX_XVFB_PID" 2>/dev/null || true
        wait "$QX_XVFB_PID" 2>/dev/null || true
        QX_XVFB_PID=""
    done
    return 1
}

# x_start_screens: like x_start, but Xorg with the dummy driver and two
# monitors: DUMMY0 1280x1024 at 0,0 (primary) and DUMMY1 1024x768 right of
# it, so the desktop is 2304x1024 with a gap below the second monitor.
# Xvfb cannot do this: Qt reads the monitors from RandR, which Xvfb has one of.
x_start_screens() {
    QX_SERVER_START=_qx_start_xorg x_start || return 1
    xrandr --addmode DUMMY1 1024x768 &&
        xrandr --output DUMMY0 --mode 1280x1024 --pos 0x0 --primary \
            --output DUMMY1 --mode 1024x768 --right-of DUMMY0 || return 1
    wait_until 10 _qx_monitors 2 || {
        qx_log "the second monitor did not come"
        return 1
    }
}

_qx_monitors() { [[ $(xrandr --listmonitors | head -n 1) == "Monitors: $1" ]]; }

_qx_start_xorg() {
    _qx_start_server Xorg -config "$QX_REPO/tests/e2e/xorg-dummy.conf" -logfile "$QX_TMP/xorg.log" \
        -noreset -nolisten tcp
}

_qx_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

# x_start_tray: a notification area at the bottom right, so the program's
# tray icon has somewhere to go.
x_start_tray() {
    trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
        --SetPartialStrut false --transparent false --tint 0xd6d2d0 >"$QX_TMP/trayer.log" 2>&1 &
    QX_TRAY_PID=$!
    wait_until 10 xdotool search --onlyvisible --class trayer || {
        qx_log "trayer did not start"
        cat "$QX_TMP/trayer.log" >&2
        return 1
    }
}

# x_stop: ends the program, trayer, openbox and Xvfb started here. Safe
# under set -e, as an EXIT trap, and when called twice.
x_stop() {
    quillant_stop || true
    local pid
    for pid in $QX_TRAY_PID $QX_WM_PID $QX_XVFB_PID; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    QX_TRAY_PID="" QX_WM_PID="" QX_XVFB_PID=""
    [[ -n $QX_TMP ]] && rm -rf "$QX_TMP"
    QX_TMP=""
    unset DISPLAY XDG_RUNTIME_DIR XDG_CONFIG_HOME XDG_CACHE_HOME
    eval "${QX_SAVED_ENV:-}"
    QX_SAVED_ENV=""
    return 0
}

# ---------------------------------------------------------------- the program

# quillant_start [BINARY]: starts the program (default build/quillant) with the
# private XDG folders of x_start and waits for its ruler window.
quillant_start() {
    local binary=${1:-${QUILLANT_BINARY:-$QX_REPO/build/quillant}}
    "$binary" >>"$QX_TMP/quillant.log" 2>&1 &
    QX_APP_PID=$!
    quillant_window >/dev/null || {
        qx_log "no ruler window appeared"
        cat "$QX_TMP/quillant.log" >&2
        return 1
    }
}

# quillant_stop: ends the program like the end of the session does (SIGTERM),
# which stores its settings; returns its exit status.
quillant_stop() {
    [[ -n $QX_APP_PID ]] || return 0
    local pid=$QX_APP_PID status=0
    QX_APP_PID=""
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || status=$?
    return "$status"
}

# ---------------------------------------------------------------- windows

# x_windows INSTANCE: viewable windows of that WM_CLASS instance that the
# window manager manages (so no tray icons or tooltips), oldest first.
x_windows() {
    local w
    for w in $(xdotool search --onlyvisible --classname "$1" 2>/dev/null | sort -n); do
        if xprop -id "$w" WM_STATE 2>/dev/null | grep -q 'window state: Normal'; then echo "$w"; fi
    done
    return 0
}

# wait_for_window INSTANCE [SECONDS]: prints the id of its oldest window.
wait_for_window() {
    local instance=$1 tries=$((${2:-10} * 10)) ids
    while ((tries-- > 0)); do
        ids=$(x_windows "$instance")
        if [[ -n $ids ]]; then
            head -n 1 <<<"$ids"
            return 0
        fi
        sleep 0.1
    done
    qx_log "no window of class '$instance'"
    return 1
}

# quillant_window: id of the ruler window (the program's first window).
quillant_window() { wait_for_window quillant "${1:-10}"; }

# window_geometry ID: "X Y WIDTH HEIGHT" of the window in root coordinates.
window_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF }
        /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF }
        /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}

_qx_has_size() { [[ $(window_geometry "$1" | awk '{ print $3 "x" $4 }') == "$2" ]]; }

# wait_for_size ID WIDTHxHEIGHT [SECONDS]
wait_for_size() {
    wait_until "${3:-5}" _qx_has_size "$1" "$2" || {
        qx_log "window $1 is $(window_geometry "$1"), expected size $2"
        return 1
    }
}

# ---------------------------------------------------------------- input and output

# No --sync on mousemove: xdotool then waits forever when the pointer is
# already there. The server keeps the order of requests anyway.
click() { xdotool mousemove "$1" "$2" click 1; }
double_click() { xdotool mousemove "$1" "$2" click --repeat 2 --delay 80 1; }
# park_pointer: somewhere that shows nothing and triggers nothing.
park_pointer() { xdotool mousemove 1000 700; }

# pixel_colour X Y: the screen's pixel there as #rrggbb.
pixel_colour() {
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
        grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1 | tr 'A-F' 'a-f'
}

# pixel_is X Y COLOUR: the pixel there is COLOUR (#rrggbb, lower case).
pixel_is() { [[ $(pixel_colour "$1" "$2") == "$3" ]]; }

# shot NAME: screenshot of the whole screen as $SHOTS_DIR/NAME.png.
shot() {
    local file=${SHOTS_DIR:?SHOTS_DIR is not set}/$1.png
    sleep 0.3 # let the last repaint reach the screen
    import -window root "$file"
    echo "  shot $file"
}
