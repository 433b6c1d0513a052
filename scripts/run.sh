#!/usr/bin/env bash
# Installs what is missing, builds Korvalen and starts it. Arguments are passed
# to the program (for example /secondary).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

korvalen_install_packages "${KORVALEN_PACKAGES[@]}"
# The program's texts are Chinese: without a UTF-8 locale (a container or a
# chroot often has none) its window titles reach the desktop garbled.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    export LC_ALL=C.UTF-8
fi
korvalen_build "$KORVALEN_ROOT/build/release" -DKORVALEN_TESTS=OFF -DKORVALEN_BENCH=OFF

program="$KORVALEN_ROOT/build/release/korvalen"

# Debian lets ordinary users open no ICMP socket (net.ipv4.ping_group_range
# is "1 0") and gives its own ping the raw-socket capability instead: the
# program gets the same, or every ping box would show NET ERROR 10013.
ping_allowed() {
    local low high group
    read -r low high </proc/sys/net/ipv4/ping_group_range
    for group in $(id -G); do
        if [ "$group" -ge "$low" ] && [ "$group" -le "$high" ]; then
            return 0
        fi
    done
    [ "$(id -u)" -eq 0 ] || getcap "$program" | grep -q cap_net_raw
}
if ! ping_allowed; then
    echo "Giving Korvalen the capability to ping, as Debian's own ping has: sudo setcap cap_net_raw=ep $program"
    sudo setcap cap_net_raw=ep "$program" ||
        echo "That failed: ping boxes will show NET ERROR 10013, and Korvalen will say how to allow ping."
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Korvalen under Xvfb (a virtual X server); its window is not visible here."
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
