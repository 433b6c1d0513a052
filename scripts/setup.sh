#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# only those that are missing. Sourced by run.sh and test.sh.
set -euo pipefail

# To build and run.
KORVALEN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev
    libpulse-dev flite1-dev
    libcurl4-openssl-dev xdg-utils
    fonts-dejavu-extra fonts-wqy-microhei
    xvfb xauth
)
# Qt's own Chinese texts: the standard buttons, the file and colour pickers.
KORVALEN_PACKAGES+=(qt6-translations-l10n)
# What the box menu's tools start: ping and trace route in a terminal, and the
# remote desktop client.
KORVALEN_PACKAGES+=(iputils-ping traceroute xterm freerdp2-x11)
# Further, to test: the test frameworks, fping to compare the ping checks
# with, a sound server whose null sink lets sounds really be played, and a
# window manager, a tray host and a mouse driver for the check in Xvfb, and
# the validator of desktop files: the installed entry and the start-at-login ones.
KORVALEN_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    fping
    pulseaudio
    openbox trayer xdotool
    desktop-file-utils
)
# The ping tests join two network namespaces of their own by a veth pair,
# set up with the ip command.
KORVALEN_TEST_PACKAGES+=(iproute2)
# A test gives a program file a capability with setcap.
KORVALEN_TEST_PACKAGES+=(libcap2-bin)
# The check in Xvfb runs its loopback servers and its keyboard probe in Python.
KORVALEN_TEST_PACKAGES+=(python3)

korvalen_install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

korvalen_build() {
    # korvalen_build DIR [cmake options...]
    local dir="$1"
    shift
    cmake -S "$KORVALEN_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)"
}

KORVALEN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
