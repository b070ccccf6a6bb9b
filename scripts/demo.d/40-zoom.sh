# shellcheck shell=bash
# The zoom window over the ruler's scale: opened with the zoom button, at the
# first level (x48) and two wheel notches later (x144), then closed by
# resting the pointer on the screen's top-left pixel.

ruler=$(quillant_window)
read -r rx ry rw rh < <(window_geometry "$ruler")

# The zoom button is the fourth of the row: 58 pixels along the button side,
# 2 across, 11 square, inside the one-pixel frame. The pointer rests just
# past the scale strip (26 to 59 pixels across), so the square 24 pixels
# above and left of it holds ticks and numbers at both levels.
if ((rh > rw)); then
    zoom_button=($((rx + 8)) $((ry + 64)))
    over_scale=($((rx + 62)) $((ry + 230)))
else
    zoom_button=($((rx + 64)) $((ry + 8)))
    over_scale=($((rx + 230)) $((ry + 62)))
fi

_zoom_windows() { x_windows quillant | wc -l; }
_zoom_open() { (($(_zoom_windows) == 2)); }
_zoom_closed() { (($(_zoom_windows) == 1)); }

click "${zoom_button[@]}"
wait_until 5 _zoom_open || qx_log "the zoom window did not open"
xdotool mousemove "${over_scale[@]}"
shot 40-zoom-1-x48

# The wheel counts while the zoom window is active, wherever the pointer is.
xdotool click 5 click 5
shot 40-zoom-2-x144

xdotool mousemove 0 0
wait_until 5 _zoom_closed || qx_log "the zoom window did not close"
park_pointer
