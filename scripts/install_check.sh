#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the layout of a Linux
# desktop program: the program in bin/, its help in share/korvalen/, a desktop
# entry that desktop-file-validate accepts, and the icon in every size of the
# hicolor theme. The installed program finds its help there.
# Usage: install_check.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() {
    echo "install check: $*" >&2
    exit 1
}
[ -x "$prefix/bin/korvalen" ] || fail "no bin/korvalen"
[ -f "$prefix/share/korvalen/Help.html" ] || fail "no share/korvalen/Help.html"
[ ! -e "$prefix/bin/Help.html" ] || fail "Help.html in bin/"
desktop="$prefix/share/applications/korvalen.desktop"
[ -f "$desktop" ] || fail "no share/applications/korvalen.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate refused $desktop"
grep -qx 'Exec=korvalen' "$desktop" || fail "the desktop entry does not start korvalen"
grep -qx 'Icon=korvalen' "$desktop" || fail "the desktop entry does not name the icon korvalen"
for size in 16 22 24 32 48 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/korvalen.png"
    [ -f "$icon" ] || fail "no icon $icon"
    # The PNG's own width and height (big-endian at bytes 16 and 20).
    read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$icon is $width by $height, not $size"
done
echo "Installed layout is complete; the desktop entry is valid."
