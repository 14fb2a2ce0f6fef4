#!/usr/bin/env bash
# What per-host accounting costs a router: small UDP datagrams forwarded through a router built
# from network namespaces, packets per second arriving behind it, with no accounting, with 500
# listed hosts on the iptables backend (the sender's rule last: every rule is looked at), and
# with a discovered /16 on the nftables backend, side by side in one run. A benchmark, not a
# test: it prints figures. Needs root, iptables, nft and python3.
# Usage: bash bench/forward_bench.sh [SECONDS (5)] [ROUNDS (3)]
set -euo pipefail
seconds=${1:-5}
rounds=${2:-3}
contrib=$(cd "$(dirname "$0")/../contrib" && pwd)
[ "$(id -u)" = 0 ] || { echo "needs root"; exit 1; }
work=$(mktemp -d)
S=nrb-s-$$ R=nrb-r-$$ K=nrb-k-$$
cleanup() {
  for name in "$S" "$R" "$K"; do ip netns del "$name" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
for name in "$S" "$R" "$K"; do
  ip netns add "$name"
  ip -n "$name" link set lo up
done
ip -n "$R" link add lan type veth peer name eth0 netns "$S"
ip -n "$R" link add out type veth peer name eth0 netns "$K"
ip -n "$R" addr add 10.1.0.1/16 dev lan
ip -n "$R" addr add 10.2.0.1/24 dev out
ip -n "$S" addr add 10.1.0.2/16 dev eth0
ip -n "$K" addr add 10.2.0.2/24 dev eth0
for name in "$S" "$R" "$K"; do ip -n "$name" link set eth0 up 2>/dev/null || true; done
ip -n "$R" link set lan up
ip -n "$R" link set out up
ip -n "$S" route add default via 10.1.0.1
ip -n "$K" route add default via 10.2.0.1
ip netns exec "$R" sysctl -qw net.ipv4.ip_forward=1
# The sink drops what arrives, so that no ICMP error comes back.
ip netns exec "$K" nft add table inet sink
ip netns exec "$K" nft 'add chain inet sink input { type filter hook input priority 0; policy drop; }'
sleep 1

# Datagrams of 18 bytes as fast as one process sends them, for the given time.
sender='
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
data = b"x" * 18
end = time.monotonic() + float(sys.argv[1])
while time.monotonic() < end:
    for _ in range(1000):
        try:
            s.sendto(data, ("10.2.0.2", 9))
        except OSError:
            pass
'
received() { ip netns exec "$K" cat /sys/class/net/eth0/statistics/rx_packets; }
measure() { # label
  local best=0 before after rate
  for _ in $(seq 1 "$rounds"); do
    before=$(received)
    ip netns exec "$S" python3 -c "$sender" "$seconds"
    sleep 0.2
    after=$(received)
    rate=$(((after - before) / seconds))
    [ "$rate" -le "$best" ] || best=$rate
  done
  printf '%-44s %10d packets/s (best of %d runs of %d s)\n' "$1" "$best" "$rounds" "$seconds"
}
kit() { # command arguments...
  local command=$1
  shift
  ip netns exec "$R" sh "$contrib/netreckon-$command" --config "$work/conf" "$@" >/dev/null 2>&1
}

echo "forwarding 18-byte UDP datagrams through a router namespace ($(nproc) cores, $(uname -r))"
measure "no accounting"

mkdir -p "$work/logs"
hosts=$(awk 'BEGIN { for (i = 0; i < 499; i++) printf "10.1.%d.%d ", 1 + int(i / 250), i % 250 + 1 }')
printf '%s\n' "HOSTS=\"$hosts 10.1.0.2\"" "LOG_DIR=$work/logs" >"$work/conf"
kit chains add
measure "iptables backend, 500 listed hosts"
kit chains remove
rm -f "$work/logs/.removed"

printf '%s\n' BACKEND=nft 'SUBNETS="10.1.0.0/16"' "LOG_DIR=$work/logs" >"$work/conf"
kit chains add
measure "nftables backend, a discovered /16"
kit snapshot
echo "hosts found: $(awk 'NR > 2' "$(ls -d "$work"/logs/traffic_out_* | tail -n 1)" | grep -vc 'set full')"
