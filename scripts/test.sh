#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build with warnings as errors, and a build with AddressSanitizer and
# UndefinedBehaviorSanitizer. Ends with the benchmarks and a start of the real
# program.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# The tests read and write Chinese texts and window titles: they run in a
# UTF-8 locale whatever the caller's (a container or a chroot often has none).
export LC_ALL=C.UTF-8

korvalen_install_packages "${KORVALEN_PACKAGES[@]}" "${KORVALEN_TEST_PACKAGES[@]}"

export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

# A sound server of the tests' own with a null sink, so that sounds are
# really played; the tests that need it say so and skip without it.
export PULSE_RUNTIME_PATH="$(mktemp -d)"
if pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load="module-null-sink sink_name=korvalen_null" \
    --load="module-native-protocol-unix" >/dev/null 2>&1; then
    export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
    trap 'pulseaudio --kill >/dev/null 2>&1 || true' EXIT
else
    echo "No sound server could be started: the tests that play sounds will be skipped."
fi

echo "== Normal build"
korvalen_build "$KORVALEN_ROOT/build/ci" -DKORVALEN_WERROR=ON
ctest --test-dir "$KORVALEN_ROOT/build/ci" --output-on-failure -j "$jobs"

echo "== Installed as a desktop program: cmake --install into a temporary prefix"
"$KORVALEN_ROOT/scripts/install_check.sh" "$KORVALEN_ROOT/build/ci"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
korvalen_build "$KORVALEN_ROOT/build/ci-sanitize" -DKORVALEN_WERROR=ON -DKORVALEN_SANITIZE=ON \
    -DKORVALEN_BENCH=OFF
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1" \
    LSAN_OPTIONS="suppressions=$KORVALEN_ROOT/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$KORVALEN_ROOT/build/ci-sanitize" --output-on-failure -j "$jobs"

echo "== Benchmarks"
"$KORVALEN_ROOT/build/ci/bench/korvalen_bench" --benchmark_min_time=0.2
"$KORVALEN_ROOT/build/ci/bench/korvalen_ping_bench" 5
"$KORVALEN_ROOT/build/ci/bench/korvalen_check_bench" --short
"$KORVALEN_ROOT/build/ci/bench/korvalen_strip_bench"

echo "== Soak run: 70 boxes on loopback whose targets change, for 2 minutes"
"$KORVALEN_ROOT/build/ci/bench/korvalen_soak" "$KORVALEN_ROOT/build/ci/korvalen" 120

echo "== Dialog soak: the box menu and a dialog opened and closed 1,000 times, memory at 100 and 1,000 uses"
"$KORVALEN_ROOT/build/ci/bench/korvalen_dialog_soak" 1000

echo "== Smoke test: the program starts, creates its files and answers a second start"
"$KORVALEN_ROOT/scripts/smoke.sh" "$KORVALEN_ROOT/build/ci/korvalen"

echo "== In a real X server with a window manager and a tray (screenshots in build/ci/xvfb)"
"$KORVALEN_ROOT/scripts/xvfb_check.sh" "$KORVALEN_ROOT/build/ci/korvalen" "$KORVALEN_ROOT/build/ci/tests/screen_grab" \
    "$KORVALEN_ROOT/build/ci/xvfb"
echo "All tests passed."
