#!/usr/bin/env bash
# Starts the program on the offscreen platform in a fresh data folder, checks
# that it made its configuration and that a second start of the same instance
# ends at once, then stops it.
set -euo pipefail
program="$1"
dir="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
mkdir -m 700 "$dir/run"
export APPDATA="$dir" XDG_RUNTIME_DIR="$dir/run" QT_QPA_PLATFORM=offscreen
"$program" & pid=$!
for _ in $(seq 100); do
    compgen -G "$dir/run/Korvalen. *.socket" >/dev/null && break
    sleep 0.1
done
test -f "$dir/Korvalen/MainConfA.ini" || { echo "no configuration file"; exit 1; }
for folder in Pictures Skins Logs; do
    test -d "$dir/Korvalen/$folder" || { echo "no $folder folder"; exit 1; }
done
timeout 10 "$program"
kill -0 "$pid" || { echo "the first instance ended"; exit 1; }
echo "smoke test passed"
