#!/bin/sh
# Times the kit's nftables backend at its largest: a subnet whose sets each hold SET_SIZE
# hosts (65,536 by default, a /16), filled with counters, in a network namespace of its own.
# Prints the time of a snapshot (listing, conversion, both files written), of a heal after
# "nft flush ruleset" (the snapshot that finds the table missing, sets it up again and writes
# the snapshot of 0) and the size of one snapshot file.
# Usage: sh bench/nft_snapshot_bench.sh [HOSTS]   (root, nft; default 65536)
set -euf
hosts=${1:-65536}
here=$(cd "$(dirname "$0")" && pwd -P)
[ "$(id -u)" = 0 ] || { echo "nft_snapshot_bench: needs root" >&2; exit 1; }
work=$(mktemp -d)
ns="netreckon-bench-$$"
ip netns add "$ns"
trap 'ip netns del "$ns" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -m 0700 "$work/logs"
printf '%s\n' BACKEND=nft 'SUBNETS="10.64.0.0/16"' "SET_SIZE=$hosts" "LOG_DIR=$work/logs" \
  "LOCK_DIR=$work/run" >"$work/conf"
kit() { # command arguments...
  command=$1
  shift
  ip netns exec "$ns" sh "$here/../contrib/$command" --config "$work/conf" "$@" 2>/dev/null
}
kit netreckon-chains --time 20261101000000 add
# Every host of the /16 in both sets and among the senders, with counters, as traffic would
# leave them.
awk -v hosts="$hosts" 'BEGIN {
  for (set = 0; set < 3; set++) {
    name = (set == 0 ? "NETRECKON_IN_v4_10_64_0_0_16" : set == 1 ? "NETRECKON_OUT_v4_10_64_0_0_16" : "NETRECKON_OUT_known_v4_10_64_0_0_16")
    for (i = 0; i < hosts; i += 1024) {
      printf "add element inet netreckon %s { ", name
      for (j = i; j < i + 1024 && j < hosts; j++)
        printf "%s10.64.%d.%d%s", (j > i ? ", " : ""), int(j / 256), j % 256,
          (set < 2 ? sprintf(" counter packets %d bytes %d", j + 1, 1000 * (j + 1)) : "")
      print " }"
    }
  }
}' >"$work/elements"
ip netns exec "$ns" nft -f "$work/elements"
elements=$(ip netns exec "$ns" nft list set inet netreckon NETRECKON_IN_v4_10_64_0_0_16 | grep -o 'packets' | wc -l)
timed() { # label command...
  label=$1
  shift
  start=$(date +%s%N)
  "$@"
  end=$(date +%s%N)
  echo "$label: $(((end - start) / 1000000)) ms"
}
timed "snapshot of $elements hosts a set" kit netreckon-snapshot --time 20261101120000
echo "snapshot file: $(wc -c <"$work/logs/traffic_in_20261101120000") bytes, $(($(wc -l <"$work/logs/traffic_in_20261101120000") - 2)) rows"
timed "second snapshot (the previous one read for hosts gone)" kit netreckon-snapshot --time 20261101130000
ip netns exec "$ns" nft flush ruleset
timed "heal after nft flush ruleset" kit netreckon-snapshot --time 20261101140000
