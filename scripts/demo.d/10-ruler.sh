# shellcheck shell=bash
# The ruler as it first comes up, turned vertical by a double-click on its
# scale, and turned back.

ruler=$(quillant_window)
wait_for_size "$ruler" 600x61
shot 10-ruler-1-start

# The scale strip runs along the lower part of the horizontal ruler.
double_click 300 100
wait_for_size "$ruler" 61x600
park_pointer
shot 10-ruler-2-vertical

# ...and along the right-hand part of the vertical one.
double_click 100 300
wait_for_size "$ruler" 600x61
park_pointer
shot 10-ruler-3-horizontal
