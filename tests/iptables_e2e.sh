#!/usr/bin/env bash
# End to end with real iptables and chains an admin set up by hand, with a job of their own: inside
# a private network namespace, preset counters far above 10 GB, send known TCP traffic between
# loopback addresses (IPv4 and ::1), save exact listings under chosen dates (with a counter
# reset in the middle), and check netreckon's figures against the exact counters. Rules as admins write
# them (a target, a comment, a protocol and port, two rules for one host, many idle hosts) and
# snapshots over more than a month must give every figure with nothing on standard error.
# Usage: iptables_e2e.sh NETRECKON. Exits 77 (skipped) without root, network
# namespaces, iptables or socat. Traffic never leaves the namespace's loopback device.
set -euo pipefail

netreckon=$1
skip() {
  echo "SKIPPED: $*"
  exit 77
}

[ "$(id -u)" = 0 ] || skip "needs root"
for tool in ip socat timeout; do
  command -v "$tool" >/dev/null || skip "needs $tool"
done
ns="netreckon-e2e-$$"
ip netns add "$ns" 2>/dev/null || skip "cannot create a network namespace"
work=$(mktemp -d)
cleanup() {
  ip netns pids "$ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
  ip netns del "$ns" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
in_ns() { ip netns exec "$ns" "$@"; }
in_ns ip link set lo up

iptables=
for candidate in iptables iptables-legacy; do
  if command -v "$candidate" >/dev/null && in_ns "$candidate" -L -n >/dev/null 2>&1; then
    iptables=$candidate
    break
  fi
done
[ -n "$iptables" ] || skip "no working iptables in a network namespace"
ip6tables=${iptables/iptables/ip6tables}
in_ns "$ip6tables" -L -n >/dev/null 2>&1 || skip "no working $ip6tables in a network namespace"
in_ns ping -6 -c 1 -W 2 ::1 >/dev/null 2>&1 || in_ns ip -6 addr show dev lo | grep -q '::1' ||
  skip "no IPv6 loopback in the namespace"
echo "using $iptables and $ip6tables ($(in_ns "$iptables" -V))"

mkdir -p "$work/logs" "$work/exact"
# The incoming chain from INPUT, the outgoing one from OUTPUT: loopback traffic passes both once.
for command in "$iptables" "$ip6tables"; do
  for chain in NR_E2E_IN NR_E2E_OUT; do in_ns "$command" -N "$chain"; done
  in_ns "$command" -I INPUT 1 -j NR_E2E_IN
  in_ns "$command" -I OUTPUT 1 -j NR_E2E_OUT
done
for host in 127.0.0.2 127.0.0.3 127.0.0.4; do
  in_ns "$iptables" -A NR_E2E_IN -d "$host"
  in_ns "$iptables" -A NR_E2E_OUT -s "$host"
done
in_ns "$ip6tables" -A NR_E2E_IN -d ::1
in_ns "$ip6tables" -A NR_E2E_OUT -s ::1

# A router up for months: counters far above 10 GB, where a rounded listing moves in steps of
# 1,000 MB.
in_ns "$iptables" -R NR_E2E_IN 1 -d 127.0.0.2/32 -c 100000000 150000000000
in_ns "$iptables" -R NR_E2E_IN 2 -d 127.0.0.3/32 -c 10000000 12000000000
in_ns "$iptables" -R NR_E2E_OUT 3 -s 127.0.0.4/32 -c 10000000 98765432109
in_ns "$ip6tables" -R NR_E2E_IN 1 -d ::1/128 -c 10000000 20000000000

# Rules as admins write them, after the kit's own: a comment and a target, a protocol and a
# port, one host counted by a TCP and a UDP rule, and 150 idle hosts.
in_ns "$iptables" -A NR_E2E_IN -d 127.0.0.5/32 -m comment --comment "bob laptop" -j RETURN
in_ns "$iptables" -A NR_E2E_IN -d 127.0.0.6/32 -p tcp
in_ns "$iptables" -A NR_E2E_IN -d 127.0.0.6/32 -p udp
in_ns "$iptables" -A NR_E2E_IN -d 127.0.0.7/32 -p tcp --dport 7000:7999
for idle in $(seq 1 150); do
  in_ns "$iptables" -A NR_E2E_IN -d "127.1.$((idle / 200)).$((idle % 200))/32"
done

port=7000
send_udp() { # from to bytes
  head -c "$3" /dev/zero | in_ns timeout 20 socat -u -b 1400 - "UDP:$2:9999,bind=$1" 2>/dev/null || true
}
send() { # from to bytes
  port=$((port + 1))
  local tcp=TCP from=$1 to=$2
  if [[ $2 == *:* ]]; then tcp=TCP6 from="[$1]" to="[$2]"; fi
  in_ns timeout 20 socat -u "$tcp-LISTEN:$port,bind=$to,reuseaddr" OPEN:/dev/null,wronly &
  local server=$!
  local tries=0
  until head -c "$3" /dev/zero | in_ns timeout 20 socat -u - "$tcp:$to:$port,bind=$from" 2>/dev/null; do
    tries=$((tries + 1))
    [ "$tries" -lt 50 ] || { echo "FAIL: cannot reach $2:$port"; exit 1; }
    sleep 0.1
  done
  wait "$server"
}
snap() { # stamp
  for chain in IN OUT; do
    local file
    file="$work/exact/${chain,,}_$1"
    in_ns "$iptables" -L "NR_E2E_$chain" -v -n -x >"$file"
    in_ns "$ip6tables" -L "NR_E2E_$chain" -v -n -x | tail -n +3 >>"$file"
    cp "$file" "$work/logs/traffic_${chain,,}_$1"
  done
}

send 127.0.0.2 127.0.0.3 50000
send ::1 ::1 70000
snap 20260101235500
send 127.0.0.2 127.0.0.3 300000
snap 20260102080000
send 127.0.0.3 127.0.0.4 150000
snap 20260102120000
send 127.0.0.4 127.0.0.2 500000
send ::1 ::1 3000000
snap 20260102200000
send 127.0.0.2 127.0.0.4 200000
snap 20260103080000
in_ns "$iptables" -Z NR_E2E_IN
in_ns "$iptables" -Z NR_E2E_OUT
in_ns "$ip6tables" -Z NR_E2E_IN
send 127.0.0.3 127.0.0.2 120000
snap 20260103120000
send 127.0.0.2 127.0.0.3 400000
snap 20260103200000
send 127.0.0.4 127.0.0.3 250000
snap 20260104080000
send 127.0.0.2 127.0.0.3 2000000
send ::1 ::1 400000
send 127.0.0.2 127.0.0.5 300000
send 127.0.0.3 127.0.0.6 200000
send_udp 127.0.0.3 127.0.0.6 150000
send 127.0.0.4 127.0.0.7 250000
snap 20260104200000
# More than a month later, and again.
send 127.0.0.2 127.0.0.5 400000
send_udp 127.0.0.2 127.0.0.6 350000
send 127.0.0.3 127.0.0.2 600000
snap 20260210120000
send 127.0.0.3 127.0.0.6 500000
send 127.0.0.4 127.0.0.7 100000
send ::1 ::1 200000
snap 20260215120000
awk '$8 == "127.0.0.2" && $2 >= 150000000000 { found = 1 } END { exit !found }' \
  "$work/exact/in_20260101235500" || { echo "FAIL: the counters were not preset above 10 GB"; exit 1; }

status=0
TZ=UTC "$netreckon" 0 20260102 20260215 "$work/logs/" traffic_in_ traffic_out_ >"$work/report.txt" \
  2>"$work/stderr.txt" || status=$?
cat "$work/report.txt" "$work/stderr.txt"
failed=0
[ "$status" -eq 0 ] || { echo "FAIL: status $status"; failed=1; }
[ ! -s "$work/stderr.txt" ] || { echo "FAIL: messages on standard error"; failed=1; }
hosts=$(grep -c '^Totals for host' "$work/report.txt" || true)
[ "$hosts" -eq 157 ] || { echo "FAIL: $hosts hosts reported, not 157"; failed=1; }

# The traffic the exact counters show: growth from one snapshot to the next, the whole reading
# after a reset, from the baseline on; a host's rules summed in each snapshot. A rule with a
# target prints it before the protocol, which moves the address columns one to the right.
expected() { # direction(in|out) host
  for file in "$work/exact/$1_"*; do
    awk -v host="$2" -v dir="$1" '
      function option(word) { return word == "--" || word == "-f" || word == "!f" }
      NR > 2 && NF >= 8 && $1 != "Chain" && $1 != "pkts" {
        shift = (NF >= 9 && !option($4) && option($5)) ? 1 : 0
        if ((dir == "in" ? $(8 + shift) : $(7 + shift)) == host) { sum += $2; found = 1 }
      }
      END { if (found) printf "%.0f\n", sum }' "$file"
  done | awk 'NR == 1 { prev = $1; next } { total += ($1 >= prev) ? $1 - prev : $1; prev = $1 }
              END { printf "%.6f\n", total / 1e6 }'
}
reported() { # field(Incoming|Outgoing) host
  awk -v host="[$2]" -v field="$1" -F'\t' '$1 == "Totals for host " host {
      for (i = 2; i <= NF; i++) if (index($i, field) == 1) { sub(/.*\[/, "", $i); sub(/ MB\]/, "", $i); print $i } }' \
    "$work/report.txt"
}

for host in 127.0.0.2 127.0.0.3 127.0.0.4 ::1 127.0.0.5 127.0.0.6 127.0.0.7; do
  for direction in in out; do
    if [ "$direction" = in ]; then field=Incoming; else field=Outgoing; fi
    # The hosts of the admin's own rules are counted incoming only.
    case "$host:$direction" in 127.0.0.[567]:out) continue ;; esac
    want=$(expected "$direction" "$host")
    got=$(reported "$field" "$host")
    # Exact listings: only the report's rounding to 0.005 MB remains.
    verdict=$(awk -v w="$want" -v g="$got" 'BEGIN { d = w - g; if (d < 0) d = -d; print (g != "" && d <= 0.01) ? "ok" : "FAIL" }')
    echo "$verdict $host $field: exact $want MB, reported ${got:-nothing} MB"
    [ "$verdict" = ok ] || failed=1
    awk -v w="$want" 'BEGIN { exit !(w > 0.1) }' || { echo "FAIL: too little traffic counted for $host $direction"; failed=1; }
  done
done

exit "$failed"
