# Ping for ordinary users: the kernel lets the groups in
# net.ipv4.ping_group_range open ICMP datagram ("ping") sockets. Debian sets
# it to "1 0", no group at all; systemd sets "0 2147483647", every group, on
# most other distributions. Sourced by run.sh.

# Whether one of the user's groups may open ping sockets; $1 is the setting
# (the kernel's by default).
korvalen_may_ping() {
    local low high group
    read -r low high <"${1:-/proc/sys/net/ipv4/ping_group_range}"
    for group in $(id -G); do
        if [ "$group" -ge "$low" ] && [ "$group" -le "$high" ]; then
            return 0
        fi
    done
    return 1
}

# Lets every group open ping sockets, as systemd does: a drop-in in folder $1
# (/etc/sysctl.d by default) keeps it after a restart, and the setting $2 (the
# kernel's) takes it at once. Both are written by the command $3 (sudo; an
# empty one writes them directly); where that command is missing, it says
# what to run as root instead and fails.
korvalen_allow_ping() {
    local folder="${1:-/etc/sysctl.d}" setting="${2:-/proc/sys/net/ipv4/ping_group_range}"
    local as_root=(${3-sudo}) range="0 2147483647" low high
    read -r low high <"$setting"
    if [ "${#as_root[@]}" -gt 0 ] && ! command -v "${as_root[0]}" >/dev/null; then
        echo "No group of yours may open ping sockets here (net.ipv4.ping_group_range is \"$low $high\"):" \
            "every ping box would show NET ERROR 10013. Allowing ping needs root, and ${as_root[0]} is not" \
            "installed. As root (su -), run:"
        echo "    echo 'net.ipv4.ping_group_range = $range' >$folder/50-korvalen-ping.conf"
        echo "    sysctl -p $folder/50-korvalen-ping.conf"
        return 1
    fi
    echo "No group of yours may open ping sockets here (net.ipv4.ping_group_range is \"$low $high\"):" \
        "every ping box would show NET ERROR 10013. Allowing every group, as most distributions do:" \
        "${as_root[*]:-root} writes \"net.ipv4.ping_group_range = $range\" to $folder/50-korvalen-ping.conf" \
        "and applies it at once."
    echo "net.ipv4.ping_group_range = $range" | "${as_root[@]}" tee "$folder/50-korvalen-ping.conf" >/dev/null &&
        echo "$range" | "${as_root[@]}" tee "$setting" >/dev/null
}
