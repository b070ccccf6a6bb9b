#!/usr/bin/env bash
# Builds Quillant and starts it on the current display. Without a display it
# runs a short headless demo instead: the program on a private X server,
# driven by the scenes in scripts/demo.d/, with a screenshot of every step.
#
#   bash scripts/run.sh [SHOTS_DIR]     (SHOTS_DIR defaults to demo-shots/)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUILLANT_BUILD_DIR:-build}
cd "$repo"

# shellcheck source=lib-user.sh
source scripts/lib-user.sh
rerun_as_sudo_user "$repo/scripts/${BASH_SOURCE[0]##*/}" "$@"

bash scripts/setup.sh
# The same configuration as scripts/test.sh, so the two share build/.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" >/dev/null
cmake --build "$build" -j"${QUILLANT_JOBS:-2}" --target quillant

if [[ -n ${DISPLAY:-} ]]; then
    exec "$build/quillant"
fi

SHOTS_DIR=$(realpath -m "${1:-${QUILLANT_SHOTS:-demo-shots}}")
export SHOTS_DIR QUILLANT_BINARY=$repo/$build/quillant
mkdir -p "$SHOTS_DIR"
rm -f "$SHOTS_DIR"/*.png

# shellcheck source=lib-x.sh
source scripts/lib-x.sh
trap x_stop EXIT
x_start
x_start_tray
xsetroot -solid '#3b6e8f'
park_pointer

echo "demo: no display, so a headless run on $DISPLAY"
quillant_start
# Each scene starts from the running program and leaves it running.
for scene in scripts/demo.d/*.sh; do
    echo "demo: $(basename "$scene")"
    # shellcheck source=/dev/null
    source "$scene"
done
quillant_stop

echo "demo: screenshots in $SHOTS_DIR"
ls -1 "$SHOTS_DIR"
