#!/usr/bin/env bash
# run.sh's ping step on a folder and a setting of the test's own: where no
# group may ping it allows every group, in a drop-in that sysctl applies.
set -euo pipefail
source "$(dirname "$0")/../../scripts/ping_access.sh"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
echo "1 0" >"$dir/range"
! korvalen_may_ping "$dir/range" || { echo "FAIL: \"1 0\" let a group ping"; exit 1; }
# Without sudo it changes nothing and says what root would run.
said="$(korvalen_allow_ping "$dir" "$dir/range" korvalen-no-such-sudo)" && { echo "FAIL: no sudo, yet done"; exit 1; }
grep -qx "    sysctl -p $dir/50-korvalen-ping.conf" <<<"$said" && [ "$(cat "$dir/range")" = "1 0" ] ||
    { echo "FAIL: without sudo: $said"; exit 1; }
korvalen_allow_ping "$dir" "$dir/range" "" | grep -q "50-korvalen-ping.conf" || { echo "FAIL: nothing said"; exit 1; }
korvalen_may_ping "$dir/range" || { echo "FAIL: afterwards the setting is $(cat "$dir/range")"; exit 1; }
# The kernel's setting is one per network namespace: sysctl applies the drop-in in one of its own.
if [ "$(id -u)" -eq 0 ] && [ -x /usr/sbin/sysctl ]; then
    [ "$(unshare --net sh -c "/usr/sbin/sysctl -q -p '$dir/50-korvalen-ping.conf' &&
        cat /proc/sys/net/ipv4/ping_group_range")" = "$(printf '0\t2147483647')" ] || { echo "FAIL: sysctl"; exit 1; }
fi
echo "1 passed, 0 failed"
