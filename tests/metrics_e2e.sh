#!/usr/bin/env bash
# The kit's counters as a real monitoring system sees them: a router and a LAN of two hosts in
# network namespaces, the kit publishing netreckon.prom into a textfile folder at each snapshot,
# the node exporter serving that folder and Prometheus scraping it every second, both on the
# router's own loopback. UDP datagrams of known sizes go both ways in three rounds, and the
# kit's counters are zeroed behind its back between the second and the third: for each host and
# direction, increase() over the whole window must equal the bytes sent (payload plus the UDP
# and IP headers, 28 bytes on IPv4), and the health flag must drop to 0 at the snapshot that
# found the reset and come back at the next.
# Usage: metrics_e2e.sh CONTRIB_DIR NETRECKON_KIT. Exits 77 (skipped) without root, network
# namespaces, iptables, socat, python3, prometheus or its node exporter.
set -euo pipefail

contrib=$(cd "$1" && pwd)
kit=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
skip() {
  echo "SKIPPED: $*"
  exit 77
}
[ "$(id -u)" = 0 ] || skip "needs root"
for tool in ip socat python3 prometheus prometheus-node-exporter promtool; do
  command -v "$tool" >/dev/null || skip "needs $tool (apt-get install prometheus prometheus-node-exporter socat)"
done

work=$(mktemp -d)
R=nrm-r-$$
H=nrm-h-$$
cleanup() {
  for name in "$R" "$H"; do
    ip netns pids "$name" 2>/dev/null | xargs -r kill 2>/dev/null || true
    ip netns del "$name" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
for name in "$R" "$H"; do
  ip netns add "$name" || skip "cannot create a network namespace"
  ip -n "$name" link set lo up
  ip netns exec "$name" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
done
ip link add "r0-$$" netns "$R" type veth peer name "h0-$$" netns "$H"
ip -n "$R" addr add 10.77.0.1/24 dev "r0-$$"
ip -n "$H" addr add 10.77.0.2/24 dev "h0-$$"
ip -n "$H" addr add 10.77.0.3/24 dev "h0-$$"
ip -n "$R" link set "r0-$$" up
ip -n "$H" link set "h0-$$" up
ip netns exec "$R" iptables -t security -n -L >/dev/null 2>&1 || skip "iptables does not work in a network namespace"

mkdir -m 0755 "$work/logs" "$work/textfile"
cat >"$work/conf" <<CONF
HOSTS="10.77.0.2=alice 10.77.0.3=bob"
LOG_DIR=$work/logs
TEXTFILE_DIR=$work/textfile
CONF
chmod 0644 "$work/conf"
in_r() { ip netns exec "$R" "$@"; }
kit() { # command arguments...
  in_r env NETRECKON_KIT="$kit" sh "$contrib/$1" --config "$work/conf" "${@:2}"
}

# Sinks that take the datagrams without an ICMP answer, which would count as traffic too.
in_r socat -u UDP-RECV:9000,bind=10.77.0.1 /dev/null &
ip netns exec "$H" socat -u UDP-RECV:9000,bind=10.77.0.2 /dev/null &
ip netns exec "$H" socat -u UDP-RECV:9000,bind=10.77.0.3 /dev/null &

in_r prometheus-node-exporter --web.listen-address=127.0.0.1:19100 --collector.disable-defaults \
  --collector.textfile --collector.textfile.directory="$work/textfile" >"$work/exporter.log" 2>&1 &
cat >"$work/prometheus.yml" <<YML
global:
  scrape_interval: 1s
  evaluation_interval: 1s
scrape_configs:
  - job_name: netreckon
    static_configs:
      - targets: ["127.0.0.1:19100"]
YML
in_r prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
  --web.listen-address=127.0.0.1:19090 >"$work/prometheus.log" 2>&1 &

# Asks Prometheus' API: query PROMQL [TIME] prints the value of the first result, or the
# samples of a range vector as "TIME VALUE" lines.
query() {
  in_r python3 - "$@" <<'PY'
import json, sys, urllib.parse, urllib.request
params = {"query": sys.argv[1]}
if len(sys.argv) > 2:
    params["time"] = sys.argv[2]
url = "http://127.0.0.1:19090/api/v1/query?" + urllib.parse.urlencode(params)
try:
    answer = json.load(urllib.request.urlopen(url, timeout=5))
except Exception:
    sys.exit(1)
result = answer["data"]["result"]
if not result:
    sys.exit(1)
if "values" in result[0]:
    for when, value in result[0]["values"]:
        print("%.3f %s" % (when, value))
else:
    print(result[0]["value"][1])
PY
}

# Waits, at most 60 seconds, until Prometheus has scraped the counters of the last snapshot.
wait_scraped() {
  local published
  published=$(awk '$1 == "netreckon_snapshot_timestamp_seconds" { print $2 }' "$work/textfile/netreckon.prom")
  for _ in $(seq 600); do
    [ "$(query netreckon_snapshot_timestamp_seconds 2>/dev/null || true)" != "$published" ] || return 0
    sleep 0.1
  done
  echo "FAIL: Prometheus never scraped the snapshot of $published"
  tail -5 "$work/prometheus.log" "$work/exporter.log"
  exit 1
}

sender=$(
  cat <<'PY'
import socket, sys, time
src, dst, count, size = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind((src, 0))
data = b"x" * size
for i in range(count):
    s.sendto(data, (dst, 9000))
    if i % 32 == 31:
        time.sleep(0.0005)
PY
)
declare -A sent=([10.77.0.2|in]=0 [10.77.0.2|out]=0 [10.77.0.3|in]=0 [10.77.0.3|out]=0)
send() { # host direction count size: "in" from the router to the host, "out" the reverse
  if [ "$2" = in ]; then
    in_r python3 -c "$sender" 10.77.0.1 "$1" "$3" "$4"
  else
    ip netns exec "$H" python3 -c "$sender" "$1" 10.77.0.1 "$3" "$4"
  fi
  sent[$1|$2]=$((sent[$1|$2] + $3 * ($4 + 28)))
}

failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}
for _ in $(seq 600); do
  query up >/dev/null 2>&1 && break
  sleep 0.1
done

kit netreckon-chains add >/dev/null
wait_scraped
promtool check metrics <"$work/textfile/netreckon.prom" || fail "promtool refuses netreckon.prom"
# One line per round: host, direction, datagrams, payload bytes.
while read -r round host direction count size; do
  case "$round" in
    reset)
      in_r iptables -t security -Z NETRECKON_IN
      in_r iptables -t security -Z NETRECKON_OUT
      kit netreckon-snapshot 2>/dev/null
      wait_scraped
      [ "$(query netreckon_collection_healthy)" = 0 ] || fail "the snapshot that found the reset is not flagged"
      continue ;;
    snapshot)
      kit netreckon-snapshot
      wait_scraped
      [ "$(query netreckon_collection_healthy)" = 1 ] || fail "a snapshot without a loss is flagged"
      continue ;;
  esac
  send "$host" "$direction" "$count" "$size"
done <<'ROUNDS'
1 10.77.0.2 in 300 1000
1 10.77.0.2 out 120 700
1 10.77.0.3 in 40 1400
1 10.77.0.3 out 500 100
snapshot
2 10.77.0.2 in 200 1200
2 10.77.0.3 out 90 900
snapshot
reset
3 10.77.0.2 in 10 100
3 10.77.0.2 out 30 300
3 10.77.0.3 in 600 1300
3 10.77.0.3 out 20 50
snapshot
ROUNDS

# increase() over exactly the window from the first sample to the last: no extrapolation, so
# the figure is the counter's growth with the reset taken into account.
for key in "${!sent[@]}"; do
  host=${key%|*}
  direction=${key#*|}
  series="netreckon_host_bytes_total{host=\"$host\",direction=\"$direction\"}"
  samples=$(query "${series}[10m]")
  first=$(echo "$samples" | head -1 | cut -d' ' -f1)
  last=$(echo "$samples" | tail -1 | cut -d' ' -f1)
  window=$(python3 -c "print(round(($last - $first) * 1000))")
  increase=$(query "increase(${series}[${window}ms])" "$last")
  [ "$(python3 -c "print(round($increase))")" = "${sent[$key]}" ] ||
    fail "$host $direction: increase() gives $increase for ${sent[$key]} bytes sent"
  echo "$host $direction: increase() $increase, sent ${sent[$key]}"
done
[ "$(query "resets(netreckon_host_bytes_total{host=\"10.77.0.2\",direction=\"in\"}[10m])")" = 1 ] ||
  fail "Prometheus did not see the reset as one"

# Where the counters may go: one line per case, what TEXTFILE_DIR is made, the snapshot's status
# and what standard error says. A refused folder gets nothing, nor does a folder it leads to.
mkdir -m 0755 "$work/elsewhere"
ln -s "$work/elsewhere" "$work/link"
while IFS='|' read -r case setup status said; do
  rm -f "$work/textfile/netreckon.prom" "$work/elsewhere/"*
  chmod 0755 "$work/textfile"
  chown 0 "$work/textfile"
  sed -i '/^TEXTFILE_DIR=/d' "$work/conf"
  eval "$setup"
  code=0
  kit netreckon-snapshot 2>"$work/err" || code=$?
  [ "$code" = "$status" ] || fail "$case: status $code"
  if [ -z "$said" ]; then
    [ ! -s "$work/err" ] || fail "$case: says $(cat "$work/err")"
  else
    grep -qF -- "$said" "$work/err" || fail "$case: says $(cat "$work/err")"
  fi
  [ -z "$(ls -A "$work/elsewhere")" ] || fail "$case: wrote where a link led"
  case "$case" in
    published*)
      [ -s "$work/textfile/netreckon.prom" ] || fail "$case: nothing published"
      # The exporter reads the file as an account of its own.
      mode=$(stat -c %a "$work/textfile/netreckon.prom")
      [ "$mode" = 644 ] || fail "$case: netreckon.prom has mode $mode" ;;
    *) [ ! -e "$work/textfile/netreckon.prom" ] || fail "$case: published all the same" ;;
  esac
done <<CASES
published to root's folder|echo "TEXTFILE_DIR=$work/textfile" >>"$work/conf"|0|
published to a folder written with a slash at the end|echo "TEXTFILE_DIR=$work/textfile/" >>"$work/conf"|0|
not published without TEXTFILE_DIR|:|0|
a link on the way is refused|echo "TEXTFILE_DIR=$work/link" >>"$work/conf"|0|leads through a link to $work/elsewhere
a group-writable folder is refused|echo "TEXTFILE_DIR=$work/textfile" >>"$work/conf"; chmod 0775 "$work/textfile"|0|must belong to root and not be writable by group or others (owner 0, mode 775)
a folder others can write is refused|echo "TEXTFILE_DIR=$work/textfile" >>"$work/conf"; chmod 0757 "$work/textfile"|0|must belong to root and not be writable by group or others (owner 0, mode 757)
another account's folder is refused|echo "TEXTFILE_DIR=$work/textfile" >>"$work/conf"; chown 65534 "$work/textfile"|0|(owner 65534, mode 755)
a missing folder is said|echo "TEXTFILE_DIR=$work/missing" >>"$work/conf"|0|cannot enter $work/missing
a relative path is refused before anything|echo "TEXTFILE_DIR=textfile" >>"$work/conf"|1|TEXTFILE_DIR must be an absolute path: textfile
CASES
[ "$failed" = 0 ] || exit 1
echo "ok: increase() over the window equals the bytes sent for every host and direction; the file goes only where it may"
