#!/usr/bin/env bash
# Quillant beside the field's tools, with the shared peer harness
# (../shared/tools/peerbench): the ruler alone, the magnifier following the
# pointer, and a held colour grab, each against the peers, with ratios to the
# ruler. The peers must be installed (kruler kmag gpick xmag kcolorchooser).
#
#   bash bench/peers.sh [PEERBENCH OPTIONS]     e.g. --runs 1 --out /tmp/peers
#
# QUILLANT_BINARY picks the program (build/quillant).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
harness=${PEERBENCH:-$repo/../shared/tools/peerbench/peerbench.sh}
binary=${QUILLANT_BINARY:-$repo/build/quillant}
[[ -x $harness ]] || {
    echo "peers: no harness at $harness" >&2
    exit 1
}

# The zoom button, and the picker panel's button then a press held on its
# grab button: the same spots the whole-process benchmark uses. The harness
# ends the grab row with the button still down, and a click on a held button
# is only a release, so each action lets go of it first.
zoom='xdotool mouseup 1 mousemove $((PB_WX + 64)) $((PB_WY + 8)) click 1; sleep 0.5'
grab='xdotool mouseup 1 mousemove $((PB_WX + 51)) $((PB_WY + 8)) click 1; sleep 0.4;'
grab+=' xdotool mousemove $((PB_WX + 24)) $((PB_WY + 38)) mousedown 1; sleep 0.2'

exec "$harness" --peers --display auto \
    --cmd "$binary" --name quillant \
    --cmd "$binary" --name quillant-zoom --follow "$zoom" \
    --cmd "$binary" --name quillant-pick --follow "$grab" \
    --ref quillant "$@"
