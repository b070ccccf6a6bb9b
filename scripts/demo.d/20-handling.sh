# shellcheck shell=bash
# The ruler dragged by its scale, lengthened with its grip, and its topmost
# button switched off (boxed plus) and on again (boxed minus).

ruler=$(quillant_window)
read -r rx ry rw _ < <(window_geometry "$ruler")

# Drag by the scale: the window keeps the offset of the press.
xdotool mousemove $((rx + 300)) $((ry + 45)) mousedown 1
for step in 1 2 3 4 5; do xdotool mousemove $((rx + 300 + 8 * step)) $((ry + 45 + 40 * step)); done
xdotool mouseup 1
wait_until 5 _qx_has_size "$ruler" "${rw}x61"
read -r rx ry rw _ < <(window_geometry "$ruler")

# The grip sits 9 pixels before the right end; its far edge follows the cursor.
xdotool mousemove $((rx + rw - 9)) $((ry + 8)) mousedown 1
xdotool mousemove $((rx + rw + 60)) $((ry + 30)) mousemove 1000 $((ry + 30))
xdotool mouseup 1
wait_for_size "$ruler" "$((1000 - rx))x61"
park_pointer
shot 20-handling-1-moved-and-lengthened

# Topmost off: the button shows the boxed plus.
click $((rx + 21)) $((ry + 8))
park_pointer
shot 20-handling-2-topmost-off
# A second click within the double-click time would be a double-click.
sleep 0.5
click $((rx + 21)) $((ry + 8))
park_pointer
