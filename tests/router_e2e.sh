#!/usr/bin/env bash
# A router built from network namespaces, accounted by the collector kit over simulated days,
# once per iptables backend that works here (nf_tables, legacy) with listed hosts, and once with
# the nftables backend finding the hosts of the subnets by itself: a LAN bridge of three clients
# (one with four addresses), a routed guest subnet, a WAN behind NAT with a port forward, IPv4
# and IPv6. UDP datagrams of known sizes go forwarded both ways, to and from the router, and into
# a rule of the filter that drops them. Between the days the router meets a reboot, "iptables
# -F", "-F FORWARD", a deleted jump, the restore of an older save with and without counters,
# "-Z", a rename, "nft flush ruleset", a persisted ruleset loaded while running and at boot, a
# config change under load, COUNT=all, WAN_IF, IPv6 hosts per /64, a full set, "add" in the second of a snapshot and
# "remove", each followed by more traffic than the host's reading before it. Every figure of
# every host, day and direction in netreckon's CSV must equal the bytes sent outside the windows
# the kit records as lost: payload plus the UDP and IP headers (28 bytes on IPv4, 48 on IPv6);
# what a full set had no room for shows in its subnet's row. The report must mark exactly the
# days of those windows, with status 1; a reboot after the shutdown's final snapshot is none.
# With the nftables backend, sources of a subnet made up on the internet side or by a guest are
# counted in the subnet's row of spoofed sources only, every byte of them.
# Usage: NETRECKON_KIT=HELPER router_e2e.sh NETRECKON CONTRIB_DIR (HELPER: the built
# netreckon-kit). Exits 77 (skipped) without root, network namespaces, iptables, socat or
# python3.
set -euo pipefail

netreckon=$1
contrib=$2
skip() {
  echo "SKIPPED: $*"
  exit 77
}
[ "$(id -u)" = 0 ] || skip "needs root"
for tool in ip socat python3 timeout; do
  command -v "$tool" >/dev/null || skip "needs $tool"
done

work=$(mktemp -d)
names=()
cleanup() {
  for name in "${names[@]}"; do
    ip netns pids "$name" 2>/dev/null | xargs -r kill 2>/dev/null || true
    ip netns del "$name" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# Sends COUNT datagrams of SIZE bytes from SRC to DST:PORT inside a namespace, paced so that no
# queue between the namespaces drops one.
sender=$(
  cat <<'PY'
import socket, sys, time
src, dst, count, size, port = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
family = socket.AF_INET6 if ":" in dst else socket.AF_INET
s = socket.socket(family, socket.SOCK_DGRAM)
s.bind((src, 0))
data = b"x" * size
for i in range(count):
    s.sendto(data, (dst, port))
    if i % 32 == 31:
        time.sleep(0.0005)
PY
)

# Sends one datagram of 100 bytes to DST:9 from each of COUNT made-up addresses PREFIX0,
# PREFIX1, ... (hexadecimal), as a client that floods its subnet with sources would.
flooder=$(
  cat <<'PY'
import socket, sys
dst, prefix, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
for i in range(count):
    s = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_IP, 15, 1)  # IP_FREEBIND: any source address
    s.bind((prefix + "%x" % i, 0))
    s.sendto(b"x" * 100, (dst, 9))
    s.close()
PY
)

# Sends COUNT datagrams of SIZE bytes to DST:9 from each of the ADDRESSES, none of them the
# sender's own (IP_TRANSPARENT), from port 7777, outside the range of the real flows' ports.
spoofer=$(
  cat <<'PY'
import socket, sys, time
dst, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
family = socket.AF_INET6 if ":" in dst else socket.AF_INET
for src in sys.argv[4:]:
    s = socket.socket(family, socket.SOCK_DGRAM)
    if family == socket.AF_INET:
        s.setsockopt(socket.SOL_IP, 19, 1)  # IP_TRANSPARENT
    else:
        s.setsockopt(socket.IPPROTO_IPV6, 75, 1)  # IPV6_TRANSPARENT
    s.bind((src, 7777))
    for i in range(count):
        s.sendto(b"x" * size, (dst, 9))
        if i % 32 == 31:
            time.sleep(0.0005)
    s.close()
PY
)

# Packets the kernel dropped from its input queues (the second column of softnet_stat, in hex).
dropped() {
  awk 'function hex(s,   v, i) { v = 0; for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(tolower(s), i, 1)) - 1; return v }
       { sum += hex($2) } END { print sum + 0 }' /proc/net/softnet_stat 2>/dev/null || echo 0
}

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

run_backend() { # iptables-nft, iptables-legacy (listed hosts) or nft (discovered hosts)
  local mode=$1 ipt=$1
  [ "$mode" != nft ] || ipt=iptables-nft
  local ip6t=${ipt/iptables/ip6tables}
  local tag=$$-$mode
  local R=nrr-$tag C1=nrc1-$tag C2=nrc2-$tag C3=nrc3-$tag G=nrg-$tag W=nrw-$tag
  names+=("$R" "$C1" "$C2" "$C3" "$G" "$W")
  for name in "$R" "$C1" "$C2" "$C3" "$G" "$W"; do
    ip netns add "$name" || skip "cannot create a network namespace"
    ip -n "$name" link set lo up
    ip netns exec "$name" sysctl -qw net.ipv6.conf.all.accept_ra=0 net.ipv6.conf.default.accept_ra=0 \
      net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0
  done
  ip netns exec "$R" "$ipt" -t security -n -L >/dev/null 2>&1 || { echo "skipped: $ipt does not work here"; return 0; }
  ip netns exec "$R" "$ip6t" -t security -n -L >/dev/null 2>&1 || { echo "skipped: $ip6t does not work here"; return 0; }
  if [ "$mode" = nft ]; then
    ip netns exec "$R" nft list ruleset >/dev/null 2>&1 || { echo "skipped: nft does not work here"; return 0; }
    echo "== the nftables backend ($(nft --version))"
  else
    echo "== $ipt ($(ip netns exec "$R" "$ipt" -V))"
  fi
  ip netns exec "$R" sysctl -qw net.ipv4.ip_forward=1 net.ipv6.conf.all.forwarding=1
  # The kernel's own reverse-path filter off (the default): made-up sources reach the table.
  ip netns exec "$R" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0

  # The LAN: a bridge on the router, a client on each port.
  ip -n "$R" link add br0 type bridge
  ip -n "$R" link set br0 up
  ip -n "$R" addr add 192.168.1.1/24 dev br0
  ip -n "$R" addr add 2001:db8:1::1/64 dev br0 nodad
  local i=0 client
  for client in "$C1" "$C2" "$C3"; do
    i=$((i + 1))
    ip -n "$R" link add "lan$i" type veth peer name eth0 netns "$client"
    ip -n "$R" link set "lan$i" master br0 up
    ip -n "$client" link set eth0 up
    ip -n "$client" addr add "192.168.1.1$((i - 1))/24" dev eth0
    ip -n "$client" addr add "2001:db8:1::1$((i - 1))/64" dev eth0 nodad
    ip -n "$client" route add default via 192.168.1.1
    ip -n "$client" -6 route add default via 2001:db8:1::1
  done
  # More devices behind the third client's port: more hosts than a small set holds.
  for extra in 13 14 15; do ip -n "$C3" addr add "192.168.1.$extra/24" dev eth0; done
  # The guest subnet, routed; the WAN, IPv4 behind NAT, IPv6 routed.
  ip -n "$R" link add guest type veth peer name eth0 netns "$G"
  ip -n "$R" link add wan0 type veth peer name eth0 netns "$W"
  ip -n "$R" link set guest up
  ip -n "$R" link set wan0 up
  ip -n "$R" addr add 192.168.2.1/24 dev guest
  ip -n "$R" addr add 2001:db8:2::1/64 dev guest nodad
  ip -n "$R" addr add 203.0.113.1/24 dev wan0
  ip -n "$R" addr add 2001:db8:ff::1/64 dev wan0 nodad
  ip -n "$G" link set eth0 up
  ip -n "$G" addr add 192.168.2.20/24 dev eth0
  ip -n "$G" addr add 2001:db8:2::20/64 dev eth0 nodad
  ip -n "$G" route add default via 192.168.2.1
  ip -n "$G" -6 route add default via 2001:db8:2::1
  ip -n "$W" link set eth0 up
  ip -n "$W" addr add 203.0.113.2/24 dev eth0
  ip -n "$W" addr add 2001:db8:ff::2/64 dev eth0 nodad
  ip -n "$W" -6 route add 2001:db8::/32 via 2001:db8:ff::1
  sleep 1
  # Neighbours known for good: no neighbour discovery of global addresses to count.
  local mac_br mac_guest mac_wan
  mac_br=$(ip -n "$R" -br link show br0 | awk '{ print $3 }')
  mac_guest=$(ip -n "$R" -br link show guest | awk '{ print $3 }')
  mac_wan=$(ip -n "$R" -br link show wan0 | awk '{ print $3 }')
  i=0
  for client in "$C1" "$C2" "$C3"; do
    i=$((i + 1))
    local mac
    mac=$(ip -n "$client" -br link show eth0 | awk '{ print $3 }')
    ip -n "$R" -6 neigh replace "2001:db8:1::1$((i - 1))" lladdr "$mac" dev br0 nud permanent
    ip -n "$client" -6 neigh replace 2001:db8:1::1 lladdr "$mac_br" dev eth0 nud permanent
    local other=0 peer
    for peer in "$C1" "$C2" "$C3"; do
      other=$((other + 1))
      [ "$peer" != "$client" ] || continue
      ip -n "$peer" -6 neigh replace "2001:db8:1::1$((i - 1))" lladdr "$mac" dev eth0 nud permanent
    done
  done
  ip -n "$R" -6 neigh replace 2001:db8:2::20 lladdr "$(ip -n "$G" -br link show eth0 | awk '{ print $3 }')" dev guest nud permanent
  ip -n "$G" -6 neigh replace 2001:db8:2::1 lladdr "$mac_guest" dev eth0 nud permanent
  ip -n "$R" -6 neigh replace 2001:db8:ff::2 lladdr "$(ip -n "$W" -br link show eth0 | awk '{ print $3 }')" dev wan0 nud permanent
  ip -n "$W" -6 neigh replace 2001:db8:ff::1 lladdr "$mac_wan" dev eth0 nud permanent

  # Every namespace takes datagrams on port 9, so that none is answered by an ICMP error.
  local name
  for name in "$R" "$C1" "$C2" "$C3" "$G" "$W"; do
    ip netns exec "$name" socat -u UDP4-RECV:9 /dev/null &
    ip netns exec "$name" socat -u UDP6-RECV:9,ipv6only=1 /dev/null &
  done

  # The distribution's firewall: NAT to the WAN, a port forward to the first client, and a
  # rule that drops datagrams to port 7 on the way through. A reload applies it again.
  firewall() {
    ip netns exec "$R" "$ipt" -t nat -F
    ip netns exec "$R" "$ipt" -t nat -A POSTROUTING -o wan0 -s 192.168.0.0/16 -j MASQUERADE
    ip netns exec "$R" "$ipt" -t nat -A PREROUTING -i wan0 -p udp --dport 5000 -j DNAT --to-destination 192.168.1.10:9
    for command in "$ipt" "$ip6t"; do
      ip netns exec "$R" "$command" -D FORWARD -p udp --dport 7 -j DROP 2>/dev/null || true
      ip netns exec "$R" "$command" -A FORWARD -p udp --dport 7 -j DROP
    done
  }
  firewall

  local logs=$work/logs-$tag conf=$work/conf-$tag
  mkdir -p "$logs"
  write_conf() { # count wan-interfaces alice's-name [ipv6-hosts set-size]
    if [ "$mode" = nft ]; then
      cat >"$conf" <<CONF
BACKEND=nft
HOSTS="192.168.1.1=router"
SUBNETS="192.168.1.0/24 192.168.2.0/24 2001:db8:1::/64 2001:db8:2::/64"
IPV6_HOSTS=${4:-address}
SET_SIZE=${5:-16384}
LOG_DIR=$logs
COUNT=$1
WAN_IF="$2"
CONF
    else
      cat >"$conf" <<CONF
HOSTS="192.168.1.10=$3 192.168.1.11 192.168.1.12 192.168.2.0/24=guests 192.168.1.1=router 2001:db8:1::10=$3 2001:db8:2::/64=guests"
LOG_DIR=$logs
COUNT=$1
WAN_IF="$2"
IPTABLES=$ipt
IP6TABLES=$ip6t
CONF
    fi
  }
  kit() { # command arguments...
    local command=$1
    shift
    ip netns exec "$R" env PATH="$work/shim-$tag:$PATH" sh "$contrib/netreckon-$command" --config "$conf" "$@" \
      2> >(tee -a "$work/kit-$tag.txt" >&2)
  }
  # The kit's clock, for the runs without --time: noon of a day, one second later every fourth
  # time it is read, so that a run always meets the second of the snapshot before it.
  mkdir -p "$work/shim-$tag"
  printf '%s\n' '#!/bin/sh' \
    'if [ "$*" = +%Y%m%d%H%M%S ] && [ -f "$(dirname "$0")/noon" ]; then' \
    '  count=$(cat "$(dirname "$0")/count" 2>/dev/null || echo 0)' \
    '  echo $((count + 1)) >"$(dirname "$0")/count"' \
    '  exec /bin/date -d "@$(($(cat "$(dirname "$0")/noon") + count / 4))" +%Y%m%d%H%M%S' \
    'fi' 'exec /bin/date "$@"' >"$work/shim-$tag/date"
  chmod +x "$work/shim-$tag/date"
  clock_at_noon() { # YYYY-MM-DD
    date -d "$1 12:00:00" +%s >"$work/shim-$tag/noon"
    echo 0 >"$work/shim-$tag/count"
  }
  # The days the kit must record a loss on.
  unset marked
  declare -gA marked=()
  lost_day() { marked[$day]=1; }
  unset want
  declare -gA want=()
  local day=0
  # The bytes a datagram flow adds to a host, by what the setup of the day counts.
  credit() { # host direction bytes
    local key="$1|$2|$day"
    want[$key]=$((${want[$key]:-0} + $3))
  }
  local counting=accepted wan_only=0 lost=0
  # A flow: namespace, source, destination, datagrams, size, port, and what it is: "fwd" (to
  # or from the WAN), "lan" (forwarded inside), "local" (to or from the router), "drop".
  flow() {
    local ns=$1 src=$2 dst=$3 count=$4 size=$5 port=$6 kind=$7 header=28
    [[ $dst == *:* ]] && header=48
    ip netns exec "$ns" python3 -c "$sender" "$src" "$dst" "$count" "$size" "$port"
    [ "$counting" != off ] || return 0
    # Sent inside a window the kit records as lost: never billed.
    [ "$lost" = 0 ] || return 0
    [ "$kind" != drop ] || [ "$counting" = all ] || return 0
    [ "$wan_only" = 0 ] || [ "$kind" = fwd ] || return 0
    local bytes=$((count * (size + header))) key
    key_of "$src" out
    [ -z "$key" ] || credit "$key" out "$bytes"
    # A forwarded port reaches the first client.
    if [ "$dst" = 203.0.113.1 ] && [ "$port" = 5000 ]; then dst=192.168.1.10; fi
    key_of "$dst" in
    [ -z "$key" ] || credit "$key" in "$bytes"
  }
  # The key of an address's row in a direction, into $key (nothing: not counted). With listed
  # hosts, the listed address or subnet. With discovered ones, the set of the direction and
  # subnet holds the first SET_SIZE addresses (or /64s) it saw since the table was made; the
  # others count in their subnet's row of a full set, "!full:SUBNET". What comes in for an
  # address that is not in the outgoing set counts in "!unknown:SUBNET".
  declare -gA members=() members_count=()
  local set_size=16384 ipv6_hosts=address
  key_of() { # address direction
    key=
    if [ "$mode" != nft ]; then
      case "$1" in
        192.168.1.10 | 192.168.1.11 | 192.168.1.12 | 192.168.1.1 | 2001:db8:1::10) key=$1 ;;
        192.168.2.*) key=192.168.2.0/24 ;;
        2001:db8:2::*) key=2001:db8:2::/64 ;;
      esac
      return 0
    fi
    local element=$1 subnet family=4
    case "$1" in
      192.168.1.1) key=$1; return 0 ;;
      192.168.1.*) subnet=192.168.1.0/24 ;;
      192.168.2.*) subnet=192.168.2.0/24 ;;
      2001:db8:1::*) subnet=2001:db8:1::/64 family=6 ;;
      2001:db8:2::*) subnet=2001:db8:2::/64 family=6 ;;
      *) return 0 ;;
    esac
    [ "$family" = 4 ] || [ "$ipv6_hosts" = address ] || element=$subnet
    # Incoming, only an address its outgoing set holds (it has sent) gets a counter.
    if [ "$2" = in ] && [ -z "${members[out|$subnet|$element]:-}" ]; then
      key="!unknown:$subnet"
      return 0
    fi
    local set="$2|$subnet"
    if [ -z "${members[$set|$element]:-}" ]; then
      if [ "${members_count[$set]:-0}" -ge "$set_size" ]; then
        key="!full:$subnet"
        return 0
      fi
      members[$set|$element]=1
      members_count[$set]=$((${members_count[$set]:-0} + 1))
    fi
    key=$element
  }
  # Datagrams from sources of a subnet made up outside its link: namespace, destination,
  # datagrams per source, size, "fwd" (forwarded to the WAN) or "local" (to the router), the
  # sources. All of it is the subnet's row of spoofed sources, outgoing; no host's.
  spoof() { # ns dst count size kind sources...
    local ns=$1 dst=$2 count=$3 size=$4 kind=$5 header=28 src subnet
    shift 5
    [[ $dst == *:* ]] && header=48
    ip netns exec "$ns" python3 -c "$spoofer" "$dst" "$count" "$size" "$@"
    [ "$counting" != off ] && [ "$lost" = 0 ] || return 0
    [ "$wan_only" = 0 ] || [ "$kind" = fwd ] || return 0
    for src in "$@"; do
      case "$src" in
        192.168.1.*) subnet=192.168.1.0/24 ;;
        192.168.2.*) subnet=192.168.2.0/24 ;;
        2001:db8:1::*) subnet=2001:db8:1::/64 ;;
        2001:db8:2::*) subnet=2001:db8:2::/64 ;;
      esac
      credit "!spoofed:$subnet" out "$((count * (size + header)))"
    done
  }
  # A round of spoofing: the internet side sends to the router as real and made-up hosts of the
  # LAN, a guest forwards to the internet as them; no made-up address may get a counter.
  spoof_round() {
    spoof "$W" 203.0.113.1 12 400 local 192.168.1.10 192.168.1.11 192.168.1.200 192.168.1.201
    spoof "$W" 2001:db8:ff::1 9 500 local 2001:db8:1::10 2001:db8:1::dead
    spoof "$G" 203.0.113.2 11 600 fwd 192.168.1.12 192.168.1.202
    spoof "$G" 2001:db8:ff::2 7 700 fwd 2001:db8:1::11 2001:db8:1::beef
    [ "$(ip netns exec "$R" nft list table inet netreckon | grep -cE '192\.168\.1\.20[0-2]|2001:db8:1::(dead|beef)')" = 0 ] ||
      fail "nft: a made-up source got a counter"
  }
  # A new table starts with empty sets; a change in place empties only the sets it makes anew
  # (FAMILY 6: the IPv6 ones).
  empty_sets() { # [family]
    if [ "${1:-}" != 6 ]; then
      members=()
      members_count=()
      return 0
    fi
    local member
    for member in "${!members[@]}" "${!members_count[@]}"; do
      case "$member" in *"|"*:*) unset "members[$member]" "members_count[$member]" ;; esac
    done
  }
  # A day's traffic: every kind of path, N (IPv6: N6) times a base, so that each day moves more
  # than any host's reading before it.
  traffic() { # n [n6]
    local n=$1 n6=${2:-$1}
    flow "$C1" 192.168.1.10 203.0.113.2 "$((20 * n))" 1000 9 fwd
    flow "$W" 203.0.113.2 203.0.113.1 "$((15 * n))" 1200 5000 fwd
    flow "$C1" 2001:db8:1::10 2001:db8:ff::2 "$((10 * n6))" 800 9 fwd
    flow "$W" 2001:db8:ff::2 2001:db8:1::10 "$((12 * n6))" 1400 9 fwd
    flow "$C2" 192.168.1.11 192.168.2.20 "$((8 * n))" 500 9 lan
    flow "$G" 192.168.2.20 192.168.1.12 "$((9 * n))" 700 9 lan
    flow "$G" 2001:db8:2::20 2001:db8:ff::2 "$((7 * n6))" 900 9 fwd
    flow "$C3" 192.168.1.12 192.168.1.1 "$((6 * n))" 1100 9 local
    flow "$R" 192.168.1.1 192.168.1.10 "$((5 * n))" 1300 9 local
    flow "$C1" 2001:db8:1::10 2001:db8:1::1 "$((4 * n6))" 600 9 local
    flow "$C2" 192.168.1.11 203.0.113.2 "$((10 * n))" 1000 7 drop
    local extra
    for extra in 13 14 15; do
      flow "$C3" "192.168.1.$extra" 203.0.113.2 "$((extra * n))" 300 9 fwd
    done
  }
  snap() { # stamp
    kit snapshot --time "$1"
  }
  # A snapshot at the kit's own clock.
  snap_now() {
    kit snapshot
  }
  local drops_before flood_bytes=0
  drops_before=$(dropped)
  # The setup, then two snapshots of a day's traffic.
  first_day() { # alice's-name
    day=1
    write_conf "" "" "$1"
    kit chains --time 20261101000000 add
    traffic 1
    snap 20261101120000
    traffic 1
    snap 20261101230000
  }

  if [ "$mode" = nft ]; then
    # Nothing listed but the router: every other host is found in its subnet.
    first_day ""

    # A reboot without the shutdown's final snapshot: the table is gone, the firewall loaded
    # again, then the boot unit's add; the window since the last snapshot is recorded.
    day=2
    lost_day
    ip netns exec "$R" nft flush ruleset
    firewall
    kit chains --time 20261102000500 add
    empty_sets
    traffic 4
    # An internet host scans the LAN's /64: no set takes a scanned address (what it sent counts
    # in the subnet's row of unknown hosts), and every real host stays exact. (A scan from a
    # guest's IPv4 address would draw the router's "host unreachable" to the guest, which
    # counts for both as it should, but arrives when it will.)
    local i
    for i in $(seq 100 139); do
      flow "$W" 2001:db8:ff::2 "2001:db8:1::$i" 1 100 9 fwd
    done
    [ "$(ip netns exec "$R" nft list table inet netreckon | grep -cE '2001:db8:1::1[0-3][0-9]( |,|$)')" = 0 ] ||
      fail "nft: a scanned address got a counter"
    # A LAN client sends from 300 made-up addresses of its own /64: its MAC address brings at
    # most MAC_LIMIT (64) new hosts at once, the rest counts in the subnet's row of too many
    # addresses, and no real host's figure moves (checked with the report).
    ip netns exec "$C1" python3 -c "$flooder" 2001:db8:ff::2 2001:db8:1::f: 300
    flood_bytes=$((300 * 148))
    snap 20261102120000

    # A reload with "nft flush ruleset": the next snapshot makes the table again.
    day=3
    lost_day
    ip netns exec "$R" nft flush ruleset
    firewall
    snap 20261103010000
    empty_sets
    traffic 8
    spoof_round
    snap 20261103120000

    # Counting what arrived, before the filter's verdict.
    day=4
    write_conf all "" ""
    kit chains --time 20261104000000 add
    counting=all
    traffic 2
    snap 20261104120000

    # IPv6 hosts per /64.
    day=5
    write_conf all "" "" 64
    kit chains --time 20261105000000 add
    empty_sets 6
    ipv6_hosts=64
    traffic 2
    snap 20261105120000

    # A set of 4 for more hosts than that: the subnet's row holds the exact remainder, and the
    # day is marked: some of its hosts have no row of their own.
    day=6
    lost_day
    write_conf all "" "" address 4
    kit chains --time 20261106000000 add
    empty_sets
    ipv6_hosts=address
    set_size=4
    traffic 2
    snap 20261106120000
    grep -q 'not counted: set full' "$logs/traffic_out_20261106120000" || fail "nft: no row of a full set"

    # Internet billing: only what crosses the WAN counts.
    day=7
    write_conf accepted wan0 "" address 16384
    kit chains --time 20261107000000 add
    empty_sets
    set_size=16384
    counting=accepted
    wan_only=1
    traffic 2
    spoof_round
    snap 20261107120000
    # A ruleset persisted now, with the kit's table and its counters; more traffic after it.
    { echo "table inet netreckon {}"; echo "delete table inet netreckon"; ip netns exec "$R" nft list table inet netreckon; } \
      >"$work/persisted-$tag"
    traffic 1
    snap 20261107230000

    # The persisted ruleset loaded again while running: the counters it brings back were billed
    # before, and what was sent from the last snapshot to the one that finds the load is lost.
    day=8
    lost_day
    lost=1
    traffic 1
    ip netns exec "$R" nft -f "$work/persisted-$tag"
    traffic 1
    snap 20261108120000
    lost=0
    empty_sets
    traffic 2
    snap 20261108230000

    # At boot: the firewall and the persisted ruleset loaded, then the boot unit's add.
    day=9
    lost_day
    ip netns exec "$R" nft flush ruleset
    firewall
    ip netns exec "$R" nft -f "$work/persisted-$tag"
    kit chains --time 20261109000500 add
    empty_sets
    traffic 4
    snap 20261109120000

    # "add" in the second of a snapshot: it waits for the next second.
    day=10
    clock_at_noon 2026-11-10
    snap_now
    write_conf accepted wan0 "" address 1024
    kit chains add || fail "$mode: add in the second of a snapshot refused"
    empty_sets
    traffic 2
    snap 20261110230000

    # A config change under load: bob listed by name, the sets kept; what is sent while the
    # change runs is counted in full.
    day=11
    write_conf accepted wan0 "" address 1024
    sed -i 's/^HOSTS=.*/HOSTS="192.168.1.1=router 192.168.1.11=bob"/' "$conf"
    kit chains --time 20261111000000 add &
    local change=$!
    traffic 4
    wait "$change" || fail "$mode: the change under load failed"
    traffic 1
    snap 20261111120000
    grep -q 'bob' "$logs/traffic_out_20261111120000" || fail "$mode: bob has no row of his own"
  else
      first_day alice

    # A reboot after the shutdown's final snapshot: every table empty, the firewall loaded again,
    # then the boot unit's add; nothing was lost.
    kit snapshot --time 20261101235900 --stop
    day=2
    for command in "$ipt" "$ip6t"; do
      for table in filter security nat; do
        ip netns exec "$R" "$command" -t "$table" -F 2>/dev/null || true
        ip netns exec "$R" "$command" -t "$table" -X 2>/dev/null || true
      done
    done
    firewall
    kit chains --time 20261102000500 add
    traffic 4
    snap 20261102120000

    # "iptables -F" as a reload does it: the filter only, the accounting is elsewhere.
    day=3
    ip netns exec "$R" "$ipt" -F
    firewall
    traffic 2
    snap 20261103120000

    # Counting what arrived: the chains move to the filter table, with a snapshot on each side.
    day=4
    write_conf all "" alice
    kit chains --time 20261104000000 add
    counting=all
    traffic 2
    snap 20261104120000

    # Now "iptables -F" empties the chains: the next snapshot sets them up again.
    day=5
    lost_day
    ip netns exec "$R" "$ipt" -F
    firewall
    snap 20261105010000
    traffic 16
    snap 20261105120000

    day=6
    lost_day
    ip netns exec "$R" "$ipt" -F FORWARD
    snap 20261106010000
    firewall
    traffic 2
    snap 20261106120000
    ip netns exec "$R" "$ipt-save" >"$work/save-$tag"
    ip netns exec "$R" "$ip6t-save" >"$work/save6-$tag"

    day=7
    lost_day
    ip netns exec "$R" "$ipt" -D OUTPUT -j NETRECKON_IN
    snap 20261107010000
    traffic 2
    snap 20261107120000

    # The restore of an older save: the rules come back with counters of 0, unseen until the
    # next snapshot, after more traffic than before. ip6tables on nf_tables cannot set the
    # counters the kit marks a reset with: there an IPv6 reset is seen when a reading goes down,
    # so IPv6 moves less after it.
    local n6_after_reset=64
    ip netns exec "$R" "$ip6t" -V | grep -q nf_tables && n6_after_reset=4
    day=8
    lost_day
    ip netns exec "$R" "$ipt-restore" <"$work/save-$tag"
    ip netns exec "$R" "$ip6t-restore" <"$work/save6-$tag"
    traffic 64 "$n6_after_reset"
    snap 20261108120000

    # "-Z": the same.
    day=9
    lost_day
    ip netns exec "$R" "$ipt" -Z
    ip netns exec "$R" "$ip6t" -Z
    if [ "$n6_after_reset" = 4 ]; then n6_after_reset=1; else n6_after_reset=128; fi
    traffic 128 "$n6_after_reset"
    snap 20261109120000

    # A rename: the host's rules are replaced, snapshotted before and after.
    day=10
    write_conf all "" alicia
    kit chains --time 20261110000000 add
    traffic 2
    snap 20261110120000

    # Internet billing: only what crosses the WAN counts.
    day=11
    write_conf accepted wan0 alicia
    kit chains --time 20261111000000 add
    counting=accepted
    wan_only=1
    traffic 2
    snap 20261111120000
    ip netns exec "$R" "$ipt-save" -c >"$work/save-$tag"
    ip netns exec "$R" "$ip6t-save" -c >"$work/save6-$tag"
    traffic 1
    snap 20261111230000

    # The restore of the save of a day before, with its counters: they were billed before, and
    # what was sent from the last snapshot to the one that finds the restore is lost.
    day=12
    lost_day
    lost=1
    traffic 1
    ip netns exec "$R" "$ipt-restore" -c <"$work/save-$tag"
    ip netns exec "$R" "$ip6t-restore" -c <"$work/save6-$tag"
    traffic 1
    snap 20261112120000
    lost=0
    traffic 2
    snap 20261112230000

    # "add" in the second of a snapshot: it waits for the next second.
    day=13
    clock_at_noon 2026-11-13
    snap_now
    write_conf accepted wan0 alice
    kit chains add || fail "$mode: add in the second of a snapshot refused"
    traffic 2
    snap 20261113230000
  fi

  # "remove" lasts: the snapshots after it set nothing up and count nothing.
  day=14
  kit chains --time 20261114000000 remove
  counting=off
  traffic 1
  snap 20261114120000
  [ ! -e "$logs/traffic_in_20261114120000" ] || fail "$ipt: a snapshot after remove"

  local drops_after
  drops_after=$(dropped)
  [ "$drops_after" = "$drops_before" ] || echo "warning: the kernel dropped $((drops_after - drops_before)) packets on the way"

  local status=0
  TZ=UTC "$netreckon" csv 20261101 20261114 "$logs/" traffic_in_ traffic_out_ >"$work/report-$tag.csv" \
    2>"$work/stderr-$tag.txt" || status=$?
  [ "$status" -eq 1 ] || { fail "$ipt: netreckon status $status, not 1 for the days of lost windows"; cat "$work/stderr-$tag.txt"; }
  # Exactly the days of the windows are marked, on every row of the day.
  local marked_got marked_want
  marked_got=$(awk -F, 'NR > 1 { gsub(/\r/, ""); split($3, d, "-"); print d[3] + 0, $NF }' "$work/report-$tag.csv" | sort -u -n |
    awk '$2 == "false" { printf "%s ", $1 }')
  marked_want=$(for key in "${!marked[@]}"; do echo "$key"; done | sort -n | tr '\n' ' ')
  [ "$marked_got" = "$marked_want" ] || fail "$mode: the days marked incomplete are '$marked_got', not '$marked_want'"
  [ "$(awk -F, 'NR > 1 { gsub(/\r/, ""); print $3 "," $NF }' "$work/report-$tag.csv" | sort -u | cut -d, -f1 | uniq -d | wc -l)" = 0 ] ||
    fail "$mode: a day marked on some rows only"
  # A full set (the nftables backend's day 6) bills traffic to nobody: said with its bytes.
  [ "$mode" != nft ] || grep -q '^netreckon: not counted for any host in \[192.168.1.0/24\]: .* (its set of hosts was full)$' "$work/stderr-$tag.txt" ||
    fail "$ipt: the full set was not said"
  [ "$mode" != nft ] || grep -q '^netreckon: not counted for any host in \[192.168.1.0/24\]: 0 bytes incoming and [1-9][0-9]* outgoing (from sources of the subnet that came in where the subnet is not: made up)$' "$work/stderr-$tag.txt" ||
    fail "$ipt: the spoofed sources were not said"
  # The report's days as keys: host|direction|day.
  local got
  got=$(awk -F, 'NR > 1 {
      gsub(/\r/, "")
      split($3, d, "-")
      day = d[3] + 0
      if ($4 != 0) print $1 "|in|" day "|" $4
      if ($5 != 0) print $1 "|out|" day "|" $5
    }' "$work/report-$tag.csv" | sort)
  if [ "$mode" = nft ]; then
    # The flood: every byte of it in the flooder's few hosts or the row of too many addresses.
    local flood='^(2001:db8:1::f:|!limit:2001:db8:1::/64[|])' flood_got flood_hosts limited
    flood_got=$(printf '%s\n' "$got" | grep -E "$flood" | awk -F'|' '{ s += $4 } END { print s + 0 }')
    flood_hosts=$(printf '%s\n' "$got" | grep -c '^2001:db8:1::f:' || true)
    limited=$(printf '%s\n' "$got" | grep -c '^!limit:2001:db8:1::/64|out|2|' || true)
    got=$(printf '%s\n' "$got" | grep -vE "$flood" || true)
    [ "$flood_got" = "$flood_bytes" ] || fail "nft: the flood's $flood_bytes bytes show as $flood_got"
    [ "$flood_hosts" -le 128 ] && [ "$limited" = 1 ] ||
      fail "nft: the flood made $flood_hosts hosts (at most 128) and $limited rows of too many addresses (1)"
    echo "ok: a flood from 300 made-up addresses made $flood_hosts hosts, the rest counted apart"
  fi
  local expected
  expected=$(for key in "${!want[@]}"; do [ "${want[$key]}" = 0 ] || echo "$key|${want[$key]}"; done | sort)
  if [ "$got" != "$expected" ]; then
    fail "$ipt: the figures differ from the bytes sent (host|direction|day|bytes, < sent, > reported):"
    diff <(echo "$expected") <(echo "$got") || true
  else
    echo "ok: $(echo "$expected" | wc -l) figures of host, day and direction equal the bytes sent"
  fi
  # Every change was said; nothing else.
  if [ "$mode" = nft ]; then
    grep -q 'table inet netreckon missing' "$work/kit-$tag.txt" || fail "$mode: the reboot's setup was not said"
  else
    grep -q 'chain NETRECKON_IN missing' "$work/kit-$tag.txt" || fail "$mode: the reboot's setup was not said"
    grep -q 'counters were reset' "$work/kit-$tag.txt" || fail "$mode: the reset was not said"
  fi
  grep -q 'removed with netreckon-chains remove' "$work/kit-$tag.txt" || fail "$mode: the removal was not said"
}

backends=0
for candidate in ${ROUTER_BACKENDS:-iptables-nft iptables-legacy nft}; do
  command -v "$candidate" >/dev/null || continue
  run_backend "$candidate"
  backends=$((backends + 1))
done
[ "$backends" -gt 0 ] || skip "no iptables"
exit "$failed"
