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

# Ordinary users ping through ping sockets; root through raw ones.
source "$KORVALEN_ROOT/scripts/ping_access.sh"
if [ "$(id -u)" -ne 0 ] && ! korvalen_may_ping; then
    korvalen_allow_ping ||
        echo "That failed: ping boxes will show NET ERROR 10013, and Korvalen will say how to allow ping."
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Korvalen under Xvfb (a virtual X server); its window is not visible here."
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
