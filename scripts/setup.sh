#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and the headless demo
# need. Checking takes a fraction of a second, so every entry script calls it;
# only a missing package needs root (through sudo for a user) and the network.
set -euo pipefail

build_packages=(
    qt6-base-dev libxcb-xinput-dev libxcb-shm0-dev libxcb-damage0-dev libxcb-xfixes0-dev libxcb-record0-dev libxcb-render0-dev libxcb-shape0-dev
    cmake g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fonts-liberation2 clang-format
)
# clang and its runtime libraries (libFuzzer) for the fuzz targets.
fuzz_packages=(clang libclang-rt-14-dev)
x_packages=(xvfb xauth openbox xdotool xclip trayer x11-utils x11-xserver-utils imagemagick)
# Two monitors for the end-to-end tests of several screens.
x_packages+=(xserver-xorg-core xserver-xorg-video-dummy)
# The Debian package and the checks of its files; a private session bus.
package_packages=(dpkg-dev file lintian desktop-file-utils appstream man-db dbus-daemon)

wanted=("${build_packages[@]}" "${fuzz_packages[@]}" "${x_packages[@]}" "${package_packages[@]}")
installed=" $(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${wanted[@]}" 2>/dev/null |
    awk '$2 == "installed" { printf "%s ", $1 }' || true)"
missing=()
for package in "${wanted[@]}"; do
    [[ $installed == *" $package "* ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

# As a user, only the installation itself asks for root, through sudo.
as_root=()
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "setup: missing Debian packages: ${missing[*]}" >&2
        echo "setup: install them as root once (bash scripts/setup.sh)" >&2
        exit 1
    fi
    echo "setup: installing ${missing[*]} needs root: asking sudo"
    as_root=(sudo)
fi

echo "setup: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends \
    "${missing[@]}"
