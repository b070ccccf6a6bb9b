#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and the headless demo
# need. Checking takes a fraction of a second, so every entry script calls it;
# only a missing package needs root and the network.
set -euo pipefail

build_packages=(
    qt6-base-dev libxcb-xinput-dev cmake g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fonts-liberation2 clang-format
)
x_packages=(xvfb xauth openbox xdotool xclip trayer x11-utils x11-xserver-utils imagemagick)

wanted=("${build_packages[@]}" "${x_packages[@]}")
installed=" $(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${wanted[@]}" 2>/dev/null |
    awk '$2 == "installed" { printf "%s ", $1 }' || true)"
missing=()
for package in "${wanted[@]}"; do
    [[ $installed == *" $package "* ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing Debian packages: ${missing[*]}" >&2
    echo "setup: run this as root once (sudo bash scripts/setup.sh) to install them" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
