# shellcheck shell=bash
# The colour picker: opened with its button, the desktop's colour grabbed
# into slot 0 (shot while the button is still held, the magnified sample and
# its marker showing), the panel's own yellow grabbed into slot 3, slot 0
# copied with a double-click; then back to the ruler for the next scene.

ruler=$(quillant_window)
read -r rx ry rw rh < <(window_geometry "$ruler")

# The picker button is the third of the row: 45 pixels along the button
# side, 2 across, 11 square, inside the one-pixel frame. A vertical ruler
# turns horizontal first.
if ((rh > rw)); then
    click $((rx + 8)) $((ry + 51))
else
    click $((rx + 51)) $((ry + 8))
fi
wait_for_size "$ruler" "$((rh > rw ? rh : rw))x61"
read -r rx ry rw rh < <(window_geometry "$ruler")

# The panel starts 3/17 pixels into the window: the crosshair button's centre
# is 21 pixels further in, option button i 48 + 64 * (i / 2) across and
# 24 * (i % 2) down, slot i 16 pixels right of it.
grabber=($((rx + 24)) $((ry + 38)))
option() { echo $((rx + 3 + 48 + 64 * ($1 / 2) + 8)) $((ry + 17 + 24 * ($1 % 2) + 8)); }
slot() { echo $((rx + 3 + 64 + 64 * ($1 / 2) + 20)) $((ry + 17 + 24 * ($1 % 2) + 8)); }

# Hold a button on the crosshair, move onto the desktop, let go.
xdotool mousemove "${grabber[@]}" mousedown 1
xdotool mousemove 700 500 mousemove 900 650
shot 30-picker-1-grabbing
xdotool mouseup 1

# Slot 3 takes the yellow between the two rows of slots.
# shellcheck disable=SC2046
click $(option 3)
xdotool mousemove "${grabber[@]}" mousedown 1
xdotool mousemove $((rx + 60)) $((ry + 60)) mousemove $((rx + 112)) $((ry + 38))
xdotool mouseup 1
# The first sampling tick after the release samples once more and ends the
# grab. The pointer stays put until the sample box shows its own orange again,
# or that last sample could come from wherever the pointer went next.
wait_until 5 pixel_is $((rx + 5)) $((ry + 19)) '#ffc080' || {
    qx_log "the colour grab did not end"
    return 1
}
slot3=$(pixel_colour $((rx + 133)) $((ry + 42)))
echo "  slot 3: $slot3"
[[ $slot3 == '#ffffc0' ]] || {
    qx_log "slot 3 shows $slot3, not the panel's yellow #ffffc0"
    return 1
}

# shellcheck disable=SC2046
double_click $(slot 0)
sleep 0.2
echo "  slot 0 copied: $(xclip -o -selection clipboard 2>/dev/null)"
park_pointer
shot 30-picker-2-slots

# Back to the ruler: picLineal is the second button, 32 pixels along.
click $((rx + 38)) $((ry + 8))
park_pointer
