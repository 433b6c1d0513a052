#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# only those that are missing. Sourced by run.sh and test.sh.
set -euo pipefail

KORVALEN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev
    libcurl4-openssl-dev
    fping
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth
)

korvalen_install_packages() {
    local missing=()
    local pkg
    for pkg in "${KORVALEN_PACKAGES[@]}"; do
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
