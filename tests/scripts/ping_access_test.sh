#!/usr/bin/env bash
# run.sh's ping step on a folder and a setting of the test's own: where no
# group may ping it allows every group, in a drop-in that sysctl applies.
set -euo pipefail
source "$(dirname "$0")/../../scripts/ping_access.sh"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; echo "0 passed, 1 failed"; exit 1; }

echo "1 0" >"$dir/range"
! korvalen_may_ping "$dir/range" || fail "the range \"1 0\" let a group ping"
korvalen_allow_ping "$dir" "$dir/range" "" | grep -q "50-korvalen-ping.conf" || fail "it did not say what it does"
korvalen_may_ping "$dir/range" || fail "after it, the setting is \"$(cat "$dir/range")\""
# The kernel's setting is one per network namespace: sysctl reads the drop-in in one of its own.
if [ "$(id -u)" -eq 0 ] && [ -x /usr/sbin/sysctl ]; then
    applied="$(unshare --net sh -c "/usr/sbin/sysctl -q -p '$dir/50-korvalen-ping.conf' &&
        cat /proc/sys/net/ipv4/ping_group_range")" || fail "sysctl did not take the drop-in"
    [ "$applied" = "$(printf '0\t2147483647')" ] || fail "sysctl applied the drop-in as \"$applied\""
fi
echo "1 passed, 0 failed"
