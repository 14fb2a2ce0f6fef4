#!/bin/sh
# The collector kit against real iptables, each case in a network namespace of its own: exact
# listings, IPv6 rows, both-or-nothing snapshots, a shared or hostile log directory, the setup
# checked and healed by every snapshot (with the snapshots around each change), "add" that
# matches HOSTS exactly in one step and keeps counters, COUNT and WAN_IF, "remove" that lasts,
# config forms and checks, root only, the host normaliser, the cron PATH, the --time check, and
# retention that thins without changing a report.
# Usage: NETRECKON_KIT=HELPER kit_test.sh CONTRIB_DIR CRON_FILE NETRECKON (HELPER: the built
# netreckon-kit). Exits 77 (skipped) without root, network namespaces or a working iptables.
set -u
contrib=$(cd "$1" && pwd)
cron_file=$2
netreckon=$3
: "${NETRECKON_KIT:?the built netreckon-kit}"
[ "$(id -u)" = 0 ] || { echo "SKIPPED: needs root"; exit 77; }
# Under /tmp, whatever TMPDIR says: another account runs the kit from here.
work=$(mktemp -d /tmp/netreckon-kit-test.XXXXXX)
ns=
cleanup() {
  [ -z "$ns" ] || ip netns del "$ns" 2>/dev/null
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
passed=0
failed=0

check() { # description condition...
  description=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $description"
  fi
}

in_ns() { ip netns exec "$ns" "$@"; }
new_ns() {
  [ -z "$ns" ] || ip netns del "$ns" 2>/dev/null
  ns="netreckon-kit-$$-$(date +%s%N)"
  ip netns add "$ns" || { echo "SKIPPED: cannot create a network namespace"; exit 77; }
  in_ns ip link set lo up
}
new_ns
iptables=
for candidate in iptables iptables-legacy; do
  if command -v "$candidate" >/dev/null && in_ns "$candidate" -t security -n -L >/dev/null 2>&1; then
    iptables=$candidate
    break
  fi
done
[ -n "$iptables" ] || { echo "SKIPPED: no working iptables in a network namespace"; exit 77; }
ip6tables=$(echo "$iptables" | sed 's/iptables/ip6tables/')

# Every call of the kit is recorded: the wrapper writes its arguments, then runs the command.
printf '%s\n' '#!/bin/sh' 'calls=$1' 'shift' 'echo "$*" >>"$calls"' 'exec "$@"' >"$work/wrap"

# A fresh case: a new namespace, an empty log folder and a config naming them.
start_case() { # hosts
  new_ns
  rm -rf "$work/case"
  mkdir -p "$work/case/logs"
  cat >"$work/case/conf" <<CONF
HOSTS="$1"
LOG_DIR=$work/case/logs
LOCK_DIR=$work/case/run
IPTABLES="sh $work/wrap $work/case/calls $iptables"
IP6TABLES="sh $work/wrap $work/case/calls $ip6tables"
IPTABLES_RESTORE="sh $work/wrap $work/case/calls $iptables-restore"
IP6TABLES_RESTORE="sh $work/wrap $work/case/calls $ip6tables-restore"
CONF
}
chains() { in_ns sh "$contrib/netreckon-chains" --config "$work/case/conf" "$@"; }
snapshot() { in_ns sh "$contrib/netreckon-snapshot" --config "$work/case/conf" "$@"; }
logs_are() { [ "$(cd "$work/case/logs" && ls | tr '\n' ' ')" = "$1" ]; }
contains() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }
rules() { # family table
  if [ "$1" = 4 ]; then in_ns "$iptables" -t "$2" -S; else in_ns "$ip6tables" -t "$2" -S; fi
}
# The byte column of a host's row in a snapshot file.
bytes_of() { # file host
  awk -v host="$2" 'NR > 2 && ($7 == host || $8 == host) { print $2 }' "$1"
}
# Sets a rule's counters: family table chain rule-number rule...
preset() {
  family=$1 table=$2 chain=$3 number=$4 bytes=$5
  shift 5
  if [ "$family" = 4 ]; then command=$iptables; else command=$ip6tables; fi
  in_ns "$command" -t "$table" -R "$chain" "$number" "$@" -c 1000 "$bytes"
}

# Exact listings, with the IPv6 chain's rows after the IPv4 ones and the mark rule left out.
start_case "10.0.0.1 2001:DB8::1"
chains --time 20261102115500 add >/dev/null
preset 4 security NETRECKON_IN 2 150000000123 -d 10.0.0.1/32
preset 6 security NETRECKON_IN 2 150000000456 -d 2001:db8::1/128
snapshot --time 20261102120000
in_log=$work/case/logs/traffic_in_20261102120000
check "the setup writes a snapshot of 0" test "$(bytes_of "$work/case/logs/traffic_in_20261102115500" 10.0.0.1)" = 0
check "snapshot lists exactly" test "$(bytes_of "$in_log" 10.0.0.1)" = 150000000123
check "IPv6 rows follow" test "$(sed -n 4p "$in_log" | awk '{ print $8 }')" = "2001:db8::1"
check "one header, no mark row" test "$(wc -l <"$in_log")" -eq 4
check "outgoing keys are sources" test "$(sed -n 3p "$work/case/logs/traffic_out_20261102120000" | awk '{ print $7 }')" = 10.0.0.1
check "no temporary files" logs_are "traffic_in_20261102115500 traffic_in_20261102120000 traffic_out_20261102115500 traffic_out_20261102120000 "
check "every call waits for the lock a bounded time" test "$(grep -c -e '-w 20 ' -e '--wait=20' "$work/case/calls")" -eq "$(wc -l <"$work/case/calls")"
snapshot --time 20261102120000 2>"$work/err"
check "a second snapshot of one second refused" test $? -eq 1
check "a second snapshot of one second says so" contains "$work/err" "exists already"
check "a snapshot is never overwritten" test "$(bytes_of "$in_log" 10.0.0.1)" = 150000000123

# The setup as "add" makes it: COUNT=accepted (the default) counts in the security table, after
# the filter's verdict; a second add changes nothing and keeps every counter; a dry run then
# prints nothing.
check "chains in the security table" test "$(rules 4 security | grep -c NETRECKON)" -eq 12
check "jumps from every hook, lo only from OUTPUT" test "$(rules 4 security | grep '^-A INPUT' | head -n 1)" = "-A INPUT ! -i lo -j NETRECKON_IN"
check "nothing in the filter table" test "$(rules 4 filter | grep -c NETRECKON)" -eq 0
chains --time 20261102120500 add
check "a second add keeps the counters" test "$(in_ns "$iptables" -t security -L NETRECKON_IN -v -n -x | awk '$8 == "10.0.0.1" { print $2 }')" = 150000000123
check "a second add writes no snapshot" test ! -e "$work/case/logs/traffic_in_20261102120500"
chains --dry-run add >"$work/out"
check "dry run on a complete setup prints nothing" test ! -s "$work/out"

# Hosts as iptables prints them back: a second add of each form keeps every counter.
start_case "192.168.1.200/24=lab 2001:db8:0:1:2:3:4:5 2001:db8:0:0:1:0:0:1 2001:db8::1:0:0:1/96 2001:db8:1:2:3::/33 ::ffff:192.0.2.1 10.0.0.9=printer.lan"
chains --time 20261102120000 add 2>/dev/null
: >"$work/case/calls"
chains --time 20261102120500 add 2>/dev/null
check "a second add of every printed form changes nothing" lacks "$work/case/calls" "restore"
check "a second add of every printed form writes no snapshot" test ! -e "$work/case/logs/traffic_in_20261102120500"

# A reboot or a firewall reload: the next snapshot says so and sets up again; the reset shows
# as a snapshot in which every rule reads 0. Without hosts nothing is touched.
start_case "10.0.0.1 2001:db8::1"
snapshot --time 20261102120000 2>"$work/err"
check "missing chains healed" test $? -eq 0
check "healing said in one line" test "$(grep -c 'chain NETRECKON_IN missing' "$work/err")" -eq 1
check "healed chains listed with 0" test "$(bytes_of "$work/case/logs/traffic_in_20261102120000" 10.0.0.1)" = 0
check "healed IPv6 chain listed" contains "$work/case/logs/traffic_in_20261102120000" "2001:db8::1"
start_case ""
snapshot --time 20261102120000 2>"$work/err"
check "no hosts fails" test $? -eq 1
check "no hosts says so" contains "$work/err" "no hosts in $work/case/conf"
check "no hosts leaves nothing" logs_are ""
check "no hosts touches no firewall" test ! -e "$work/case/calls"
chains add 2>"$work/err"
check "add without hosts fails" test $? -eq 1
check "add without hosts says so" contains "$work/err" "no hosts in $work/case/conf"

# What the snapshot finds out of order, a case a line: what is done to the firewall after a
# snapshot; what the next snapshot must say; whether it must write a snapshot of 0 before the
# real one (the counters there were reset); the rows that must read 0 after the heal.
while IFS='|' read -r event said zero_before zero_after; do
  start_case "10.0.0.1 10.0.0.2=printer.lan 2001:db8::1"
  chains --time 20261102115000 add >/dev/null
  preset 4 security NETRECKON_IN 2 5000 -d 10.0.0.1/32
  preset 4 security NETRECKON_IN 3 7000 -d 10.0.0.2/32 -m comment --comment printer.lan
  snapshot --time 20261102120000
  # shellcheck disable=SC2086
  in_ns $event
  snapshot --time 20261102130000 2>"$work/err"
  check "after '$event' the snapshot succeeds" test $? -eq 0
  check "after '$event' it says '$said'" contains "$work/err" "$said"
  before=$work/case/logs/traffic_in_20261102130000
  after=$work/case/logs/traffic_in_20261102130001
  check "after '$event' the change is snapshotted" test -e "$after"
  if [ "$zero_before" = zero ]; then
    check "after '$event' the reset shows first" test "$(bytes_of "$before" 10.0.0.1)" = 0
  fi
  for host in $zero_after; do
    check "after '$event' $host reads 0" test "$(bytes_of "$after" "$host")" = 0
  done
  check "after '$event' the setup is whole" test "$(rules 4 security | grep -c NETRECKON)" -eq 14
  : >"$work/case/calls"
  snapshot --time 20261102140000
  check "after '$event' a second snapshot finds all in order" lacks "$work/case/calls" "restore"
done <<'CASES'
iptables -t security -F|6 rules missing|-|10.0.0.1 10.0.0.2
iptables -t security -F FORWARD|jumps to the chains were not in place|-|
iptables -t security -D INPUT ! -i lo -j NETRECKON_OUT|jumps to the chains were not in place|-|
iptables -t security -D NETRECKON_IN -d 10.0.0.1/32|1 rule missing|-|10.0.0.1
iptables -t security -A NETRECKON_IN -d 10.0.0.1/32|1 rule not asked for|-|
iptables -t security -Z|counters were reset|zero|
iptables -t security -I INPUT 1 -j DROP|jumps to the chains were not in place|-|
CASES

# A host rule there more than once, a case a line: the copies made after the snapshot of 12:00
# (each then counting 300 bytes); what the next snapshot must say. The first copy, the one
# that holds the counts, stays: after the heal 10.0.0.1 reads 5000 once, in the chain's rule and
# in the snapshot, and the next snapshot finds all in order.
while IFS='|' read -r copies said; do
  start_case "10.0.0.1 10.0.0.2"
  chains --time 20261102115000 add >/dev/null
  preset 4 security NETRECKON_IN 2 5000 -d 10.0.0.1/32
  snapshot --time 20261102120000
  for at in $copies; do
    in_ns "$iptables" -t security -I NETRECKON_IN "$at" -d 10.0.0.1/32 -c 1 300
  done
  snapshot --time 20261102130000 2>"$work/err"
  check "copies at '$copies': the snapshot says '$said'" contains "$work/err" "$said"
  check "copies at '$copies': the counted copy stays" test "$(in_ns "$iptables" -t security -L NETRECKON_IN -v -n -x |
    awk '$8 == "10.0.0.1" { print $2 }' | tr '\n' ' ')" = "5000 "
  check "copies at '$copies': the snapshot after the heal reads the counts" \
    test "$(bytes_of "$work/case/logs/traffic_in_20261102130001" 10.0.0.1 | tr '\n' ' ')" = "5000 "
  : >"$work/case/calls"
  snapshot --time 20261102140000 2>"$work/err"
  check "copies at '$copies': the next snapshot finds all in order" lacks "$work/case/calls" "restore"
done <<'CASES'
3|1 rule not asked for
4|1 rule not asked for
3 3|2 rules not asked for
4 3|2 rules not asked for
CASES

# A host named after the mark is a host, a case a line: its name; what is done after the
# snapshot of 12:00. The heal adds the missing mark after the host's rule: the fresh value goes
# to the mark, the host's rule stays with its count, and the next snapshot finds all in order.
while IFS='|' read -r name event; do
  start_case "10.0.0.1=$name 10.0.0.2"
  chains --time 20261102115000 add >/dev/null
  preset 4 security NETRECKON_IN 2 5000 -d 10.0.0.1/32 -m comment --comment "$name"
  snapshot --time 20261102120000
  # shellcheck disable=SC2086
  in_ns $event
  snapshot --time 20261102130000 2>"$work/err"
  check "host '$name' after '$event': the snapshot says so" contains "$work/err" "1 rule missing"
  check "host '$name' after '$event': its rule keeps its count" test "$(in_ns "$iptables" -t security -L NETRECKON_IN -v -n -x |
    awk '$8 == "10.0.0.1" { print $2 }' | tr '\n' ' ')" = "5000 "
  check "host '$name' after '$event': the mark holds the stamp" test "$(in_ns "$iptables" -t security -v -S NETRECKON_IN |
    sed -n 's/.*reset-mark -c 1 //p')" = 20261102130000
  : >"$work/case/calls"
  snapshot --time 20261102140000 2>"$work/err"
  check "host '$name' after '$event': the next snapshot finds all in order" lacks "$work/case/calls" "restore"
  check "host '$name' after '$event': and says nothing" test ! -s "$work/err"
done <<'CASES'
netreckon-reset-mark-2|iptables -t security -D NETRECKON_IN 1
netreckon-reset-mark_b|iptables -t security -D NETRECKON_IN 1
CASES

# A comment of another chain's rule with line breaks, as a LAN client's text could be: what
# follows a line break is no rule of the kit's. The snapshot finds all in order and keeps
# every count.
start_case "10.0.0.1 10.0.0.2"
chains --time 20261102115000 add >/dev/null
preset 4 security NETRECKON_IN 2 5000 -d 10.0.0.1/32
preset 4 security NETRECKON_IN 3 7000 -d 10.0.0.2/32
in_ns "$iptables" -t security -A FORWARD -m comment --comment "x
-A NETRECKON_IN -d 10.0.0.1/32
" -j ACCEPT
: >"$work/case/calls"
snapshot --time 20261102120000 2>"$work/err"
check "a comment with line breaks: the snapshot says nothing" test ! -s "$work/err"
check "a comment with line breaks: nothing changed" lacks "$work/case/calls" "restore"
check "a comment with line breaks: every count stays" test "$(in_ns "$iptables" -t security -L NETRECKON_IN -v -n -x |
  awk 'NR > 2 && $8 ~ /^10/ { print $2 }' | tr '\n' ' ')" = "5000 7000 "

# The mark's fresh value, a case a line: what is done after the snapshot of 13:00 (a save with
# counters was taken at 12:00, when 10.0.0.1 read 5000; it read 8000 at 13:00, 9000 now); what
# the next snapshot must say; the line it must add to the events file ("-" none; the families
# where a mark is seen, the last good snapshot, what was found); 10.0.0.1's reading in the
# snapshot of 14:00 and the one after it ("-" no row). Restored counters are never read.
events_line() { # what
  [ "$1" = - ] || echo "20261102140000 $2 traffic_in_ traffic_out_ 20261102130000 $1"
}
marked=IPv4
"$ip6tables" -V 2>/dev/null | grep -q nf_tables || marked=IPv4+IPv6
while IFS='|' read -r event said what families first second; do
  start_case "10.0.0.1 2001:db8::1"
  chains --time 20261102115000 add >/dev/null
  preset 4 security NETRECKON_IN 2 5000 -d 10.0.0.1/32
  snapshot --time 20261102120000
  in_ns "$iptables-save" -c >"$work/save"
  in_ns "$ip6tables-save" -c >"$work/save6"
  preset 4 security NETRECKON_IN 2 8000 -d 10.0.0.1/32
  snapshot --time 20261102130000
  preset 4 security NETRECKON_IN 2 9000 -d 10.0.0.1/32
  case "$event" in
    restore-c) in_ns "$iptables-restore" -c <"$work/save" && in_ns "$ip6tables-restore" -c <"$work/save6" ;;
    restore) in_ns "$iptables-restore" <"$work/save" && in_ns "$ip6tables-restore" <"$work/save6" ;;
    restore-c-ipv4) in_ns "$iptables-restore" -c <"$work/save" ;;
    zero) in_ns "$iptables" -t security -Z ;;
    flush) in_ns "$iptables" -t security -F NETRECKON_IN ;;
    jump) in_ns "$iptables" -t security -D FORWARD -j NETRECKON_OUT ;;
    gone) for c in NETRECKON_IN NETRECKON_OUT; do in_ns "$iptables" -t security -F "$c"; done
      in_ns "$iptables" -t security -F && in_ns "$iptables" -t security -X ;;
    stop-gone) snapshot --time 20261102133000 --stop
      in_ns "$iptables" -t security -F && in_ns "$iptables" -t security -X ;;
    nothing) ;;
  esac
  snapshot --time 20261102140000 2>"$work/err"
  check "after '$event' the snapshot succeeds" test $? -eq 0
  if [ "$said" = - ]; then
    check "after '$event' it says nothing" test ! -s "$work/err"
  else
    check "after '$event' it says '$said'" contains "$work/err" "$said"
  fi
  [ "$families" != marked ] || families=$marked
  check "after '$event' the events file holds '$what'" test "$(cat "$work/case/logs/netreckon.events" 2>/dev/null)" = "$(events_line "$what" "$families")"
  check "after '$event' 10.0.0.1 reads $first" test "$(bytes_of "$work/case/logs/traffic_in_20261102140000" 10.0.0.1)" = "${first#-}"
  check "after '$event' then $second" test "$(bytes_of "$work/case/logs/traffic_in_20261102140001" 10.0.0.1)" = "${second#-}"
  check "after '$event' the mark holds the snapshot's stamp" test "$(in_ns "$iptables" -t security -v -S NETRECKON_IN | sed -n 's/.*reset-mark -c 1 //p')" = 20261102140000
  check "after '$event' the kit keeps it" test "$(cat "$work/case/logs/.mark")" = 20261102140000
done <<'CASES'
restore-c|saved counters were restored|saved counters restored|marked|0|-
restore-c-ipv4|saved counters were restored|saved counters restored|IPv4|0|-
restore|the counters were reset|counters reset|IPv4|0|0
zero|the counters were reset|counters reset|IPv4|0|0
flush|2 rules missing|rules or jumps gone|IPv4|-|0
jump|jumps to the chains were not in place|rules or jumps gone|IPv4|9000|9000
gone|chain NETRECKON_IN missing|chains gone|IPv4|-|0
stop-gone|chain NETRECKON_IN missing|-|IPv4|-|0
nothing|-|-|IPv4|9000|-
CASES
# A save of the IPv6 rules alone cannot carry a mark where ip6tables sets no counters; with
# counters restored on both, the reset seen on IPv4 sets IPv6 to 0 as well.
start_case "10.0.0.1 2001:db8::1"
chains --time 20261102115000 add >/dev/null
preset 6 security NETRECKON_IN 2 6000 -d 2001:db8::1/128
snapshot --time 20261102120000
in_ns "$iptables-save" -c >"$work/save"
in_ns "$iptables-restore" -c <"$work/save"
snapshot --time 20261102130000 2>/dev/null
check "a restore seen on IPv4 sets IPv6 to 0" test "$(in_ns "$ip6tables" -t security -v -S NETRECKON_IN | grep -c -e '-c 0 0$' -e 'reset-mark')" -eq 2
check "and writes it as 0" test "$(bytes_of "$work/case/logs/traffic_in_20261102130000" 2001:db8::1)" = 0

# The events file is never written through a link, nor replaced when it is no regular file.
for holds in link folder; do
  start_case "10.0.0.1"
  chains --time 20261102115000 add >/dev/null
  snapshot --time 20261102120000
  echo "not the kit's" >"$work/elsewhere"
  if [ "$holds" = link ]; then ln -s "$work/elsewhere" "$work/case/logs/netreckon.events"; else mkdir "$work/case/logs/netreckon.events"; fi
  in_ns "$iptables" -t security -Z
  snapshot --time 20261102130000 2>"$work/err"
  check "an events file that is a $holds: the snapshot still succeeds" test $? -eq 0
  check "an events file that is a $holds: said" contains "$work/err" "is not a regular file; the loss since 20261102120000 is not recorded"
  check "an events file that is a $holds: nothing written through it" test "$(cat "$work/elsewhere")" = "not the kit's"
done

# Never refused for the clock: add and remove in the second of a snapshot wait for the next.
# The kit's clock is a shim that moves one second every fourth time it is read, so that each
# run meets the second of the run before it.
mkdir -p "$work/shim"
printf '%s\n' '#!/bin/sh' \
  'if [ "$*" = +%Y%m%d%H%M%S ]; then' \
  '  count=$(cat "$(dirname "$0")/count")' \
  '  echo $((count + 1)) >"$(dirname "$0")/count"' \
  '  exec /bin/date -d "@$(($(/bin/date -d "2026-11-02 12:00:00" +%s) + count / 4))" +%Y%m%d%H%M%S' \
  'fi' 'exec /bin/date "$@"' >"$work/shim/date"
chmod +x "$work/shim/date"
echo 0 >"$work/shim/count"
at_shim() { # command arguments...
  shim_command=$1
  shift
  in_ns env PATH="$work/shim:$PATH" sh "$contrib/netreckon-$shim_command" --config "$work/case/conf" "$@"
}
start_case "10.0.0.1"
at_shim chains add
at_shim snapshot
sed -i 's/^HOSTS=.*/HOSTS="10.0.0.1 10.0.0.2"/' "$work/case/conf"
at_shim chains add 2>/dev/null
check "add in the second of a snapshot succeeds" test $? -eq 0
check "and sets up" test "$(rules 4 security | grep -c 10.0.0.2)" -eq 2
at_shim chains remove
check "remove in the second of a snapshot succeeds" test $? -eq 0
check "and removes" test "$(rules 4 security | grep -c NETRECKON)" -eq 0
check "each snapshot in a second of its own" logs_are "traffic_in_20261102120000 traffic_in_20261102120001 traffic_in_20261102120002 traffic_in_20261102120003 traffic_in_20261102120004 traffic_out_20261102120000 traffic_out_20261102120001 traffic_out_20261102120002 traffic_out_20261102120003 traffic_out_20261102120004 "
chains --time 20261102120000 add
chains --time 20261102120000 add 10.0.0.3 2>"$work/err"
check "a given time that exists is refused" test $? -eq 1
check "and says so" contains "$work/err" "exists already"

# "remove" lasts: a snapshot sets nothing up until "add".
start_case "10.0.0.1"
chains --time 20261102120000 add
chains --time 20261102130000 remove 2>"$work/err"
check "remove says nothing when all went well" test ! -s "$work/err"
check "remove takes a last snapshot" test -e "$work/case/logs/traffic_in_20261102130000"
check "remove leaves no chain" test "$( (rules 4 security; rules 4 filter) | grep -c NETRECKON)" -eq 0
snapshot --time 20261102140000 2>"$work/err"
check "a snapshot after remove succeeds" test $? -eq 0
check "a snapshot after remove says why it does nothing" contains "$work/err" "removed with netreckon-chains remove"
check "a snapshot after remove sets nothing up" test "$(rules 4 security | grep -c NETRECKON)" -eq 0
chains --time 20261102150000 add
snapshot --time 20261102160000
check "add ends the removal" test -e "$work/case/logs/traffic_in_20261102160000"

# COUNT and WAN_IF: where the jumps stand; a change moves them, with the snapshots around it.
start_case "10.0.0.1"
echo COUNT=all >>"$work/case/conf"
chains --time 20261102120000 add
check "COUNT=all counts in the filter table" test "$(rules 4 filter | grep -c NETRECKON)" -eq 12
in_ns "$iptables" -A INPUT -j DROP
in_ns "$iptables" -I INPUT 1 -p tcp -j ACCEPT
snapshot --time 20261102130000 2>"$work/err"
check "COUNT=all jumps come before the admin's rules" test "$(rules 4 filter | sed -n 6p)" = "-A INPUT ! -i lo -j NETRECKON_IN"
check "the admin's rules stay" test "$(rules 4 filter | grep -c -e '-j DROP' -e '-j ACCEPT')" -eq 2
sed -i 's/^COUNT=all/COUNT=accepted/' "$work/case/conf"
echo 'WAN_IF="wan0 ppp+"' >>"$work/case/conf"
chains --time 20261102140000 add
check "a new COUNT moves the chains" test "$(rules 4 filter | grep -c NETRECKON)" -eq 0
check "WAN_IF counts what crosses it" test "$(rules 4 security | grep -c -e '-A FORWARD -i wan0 -j NETRECKON_IN' -e '-A FORWARD -o ppp+ -j NETRECKON_OUT')" -eq 2
check "WAN_IF: no jumps from INPUT" test "$(rules 4 security | grep -c '^-A INPUT')" -eq 0
check "a move is snapshotted before and after" test -e "$work/case/logs/traffic_in_20261102140000" -a \
  -e "$work/case/logs/traffic_in_20261102140001"
for value in "COUNT=some" 'WAN_IF="eth0 -j"' "WAN_IF=averyveryverylongname"; do
  start_case "10.0.0.1"
  echo "$value" >>"$work/case/conf"
  chains add 2>"$work/err"
  check "$value refused" test $? -eq 1
  check "$value changes nothing" test ! -e "$work/case/calls"
done

# Incomplete or failing listings write nothing and give their own message.
start_case "10.0.0.1"
chains --time 20261102110000 add >/dev/null
printf '%s\n' '#!/bin/sh' 'out=$("$@") || exit' 'printf "%s\n" "$out" | sed 2d' >"$work/noheader"
snapshot --iptables "sh $work/noheader $iptables" --time 20261102120000 2>"$work/err"
check "incomplete listing fails" test $? -ne 0
check "incomplete listing leaves nothing" test ! -e "$work/case/logs/traffic_in_20261102120000"
printf '%s\n' '#!/bin/sh' 'echo "iptables: Permission denied (you must be root)." >&2' 'exit 4' >"$work/denied"
: >"$work/case/calls"
snapshot --iptables "sh $work/denied" --time 20261102120000 2>"$work/err"
check "a failing listing is status 1" test $? -eq 1
check "a failing listing gives its own message" contains "$work/err" "Permission denied (you must be root)"
check "a failing listing changes nothing" lacks "$work/case/calls" "restore"
check "a failing listing keeps the setup" test "$(rules 4 security | grep -c NETRECKON)" -eq 12
# The listing that finds the mark to renew after a heal fails: the run fails, and the kit keeps
# the value the mark still holds (else the next run would take it for a restore).
in_ns "$iptables" -t security -D NETRECKON_IN -d 10.0.0.1/32
printf '%s\n' '#!/bin/sh' 'case "$*" in *"-S NETRECKON_IN") echo "iptables: Resource temporarily unavailable." >&2; exit 4 ;; esac' \
  'exec "$@"' >"$work/nomark"
snapshot --iptables "sh $work/nomark $iptables" --time 20261102123000 2>"$work/err"
check "a failing mark listing is status 1" test $? -eq 1
check "a failing mark listing gives its own message" contains "$work/err" "Resource temporarily unavailable"
check "a failing mark listing keeps the kept value" test "$(cat "$work/case/logs/.mark")" = 20261102110000
snapshot --time 20261102130000 2>"$work/err"
check "after a failing mark listing the next snapshot says nothing" test ! -s "$work/err"

# Root only; a config or log directory another account could write is refused before
# anything happens.
# The other account runs a copy of the kit in the test's own folder: the checkout may sit below a
# folder that only root can enter (a home folder, a private temporary folder).
start_case "10.0.0.1"
chmod 0755 "$work" "$work/case"
mkdir "$work/kit"
cp "$contrib"/* "$work/kit/"
chmod -R a+rX "$work/kit"
if setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
  setpriv --reuid=65534 --regid=65534 --clear-groups sh "$work/kit/netreckon-snapshot" --config /dev/null 2>"$work/err"
  check "not root: status 1" test $? -eq 1
  check "not root: says so" test "$(cat "$work/err")" = "netreckon-snapshot: must be run as root"
  setpriv --reuid=65534 --regid=65534 --clear-groups sh "$work/kit/netreckon-chains" add 10.0.0.1 2>"$work/err"
  check "not root: add says so" test "$(cat "$work/err")" = "netreckon-chains: must be run as root"
fi
chmod 0664 "$work/case/conf"
chains add 2>"$work/err"
check "a group-writable config refused" test $? -eq 1
check "a group-writable config says so" contains "$work/err" "can be written by its group or by others"
chmod 0644 "$work/case/conf"
chown 65534 "$work/case/conf"
snapshot 2>"$work/err"
check "a foreign config refused" test $? -eq 1
check "a foreign config says so" contains "$work/err" "belongs to user 65534"
check "a refused config touches nothing" test ! -e "$work/case/calls"
chown 0 "$work/case/conf"
echo secret >"$work/victim"
chmod 0775 "$work/case/logs"
snapshot --time 20261102120000 2>"$work/err"
check "group-writable log dir refused" test $? -ne 0
check "group-writable log dir says so" contains "$work/err" "can be written by its group or by others"
chmod 0757 "$work/case/logs"
snapshot --time 20261102120000 2>/dev/null
check "world-writable log dir refused" test $? -ne 0
check "refused log dir holds nothing" logs_are ""
chmod 0755 "$work/case/logs"
chown 65534 "$work/case/logs"
snapshot --time 20261102120000 2>"$work/err"
check "foreign-owned log dir refused" test $? -ne 0
check "foreign-owned log dir says so" contains "$work/err" "belongs to user"
chown 0 "$work/case/logs"
chains --time 20261102110000 add >/dev/null
ln -s "$work/victim" "$work/case/logs/traffic_in_20261102120000"
snapshot --time 20261102120000 2>"$work/err"
check "a link at the snapshot's name refused" test $? -ne 0
check "a link's target untouched" test "$(cat "$work/victim")" = secret
rm -f "$work/case/logs/traffic_in_20261102120000"
mkdir "$work/case/logs/traffic_out_20261102120000"
snapshot --time 20261102120000 2>"$work/err"
check "a folder at the snapshot's name refused" test $? -ne 0
check "nothing moved into a planted folder" test -z "$(ls -A "$work/case/logs/traffic_out_20261102120000")"
check "victim still untouched" test "$(cat "$work/victim")" = secret

# The log directory is entered once, and no folder above it may be changed by another account:
# an unprivileged account that owns the parent, swapping the folder for a link to another of
# root's folders while snapshots run, gets nothing written there (ten tries, 0 wins). A link
# that resolves through such a folder is refused the same.
start_case "10.0.0.1"
chains --time 20261102110000 add >/dev/null
mkdir -p "$work/case/parent/logs" "$work/case/victim"
chmod 0755 "$work" "$work/case" "$work/case/victim"
chown 65534 "$work/case/parent"
sed -i "s|^LOG_DIR=.*|LOG_DIR=$work/case/parent/logs|" "$work/case/conf"
wins=0
refusals=0
for try in 1 2 3 4 5 6 7 8 9 10; do
  setpriv --reuid=65534 --regid=65534 --clear-groups sh -c '
    cd "$1" || exit 1
    end=$(($(date +%s) + 2))
    while [ "$(date +%s)" -lt "$end" ]; do
      mv logs logs.real 2>/dev/null && ln -s "$2" logs && sleep 0.01 && rm -f logs && mv logs.real logs
    done' sh "$work/case/parent" "$work/case/victim" &
  snapshot --time "2026110212000$((try - 1))" 2>"$work/err" || true
  grep -q "can be changed by an account other than root" "$work/err" && refusals=$((refusals + 1))
  wait
  [ -z "$(ls -A "$work/case/victim")" ] || wins=$((wins + 1))
done
check "a racing swap from another account wins nothing ($wins wins)" test "$wins" -eq 0
check "a log directory below another account's folder is refused ($refusals of 10)" test "$refusals" -eq 10
chown 0 "$work/case/parent"
ln -s "$work/case/parent/logs" "$work/case/link"
chown 65534 "$work/case/parent"
sed -i "s|^LOG_DIR=.*|LOG_DIR=$work/case/link|" "$work/case/conf"
snapshot --time 20261102130000 2>"$work/err"
check "a link through another account's folder is refused" contains "$work/err" "can be changed by an account other than root"

# A sticky folder above LOG_DIR is trusted only when root owns it: the account that owns one
# swaps the log directory for a link to another of root's folders (no race needed), and the
# snapshot is refused with nothing written there; owned by root, as /tmp is, it is accepted.
start_case "10.0.0.1"
chains --time 20261102110000 add >/dev/null
mkdir -p "$work/case/sticky/logs" "$work/case/victim"
chmod 0755 "$work" "$work/case" "$work/case/victim"
chmod 1777 "$work/case/sticky"
chown 65534 "$work/case/sticky"
sed -i "s|^LOG_DIR=.*|LOG_DIR=$work/case/sticky/logs|" "$work/case/conf"
setpriv --reuid=65534 --regid=65534 --clear-groups sh -c 'cd "$1" && mv logs logs.real && ln -s "$2" logs' \
  sh "$work/case/sticky" "$work/case/victim"
check "the sticky folder's owner swapped the log directory" test -L "$work/case/sticky/logs"
snapshot --time 20261102120000 2>"$work/err"
check "a sticky folder of another account: refused" test $? -eq 1
check "a sticky folder of another account: said" contains "$work/err" "$work/case/sticky above $work/case/sticky/logs can be changed by an account other than root (owner 65534, mode 1777)"
check "a sticky folder of another account: nothing written there" test -z "$(ls -A "$work/case/victim")"
rm -f "$work/case/sticky/logs"
mv "$work/case/sticky/logs.real" "$work/case/sticky/logs"
chown 0 "$work/case/sticky"
snapshot --time 20261102120000 2>"$work/err"
check "a sticky folder of root's: accepted" test $? -eq 0
check "a sticky folder of root's: the snapshot written" test -f "$work/case/sticky/logs/traffic_in_20261102120000"

# The lock is a file only root can open, in a folder only root can enter: an unprivileged
# account that tries to hold it (and the lock of earlier versions, in the log directory, which
# it can open) stops nothing, and a snapshot goes on at once.
start_case "10.0.0.1"
chains --time 20261102110000 add >/dev/null
check "the lock's folder is root's alone" test "$(stat -c '%u %a' "$work/case/run")" = "0 700"
check "the lock is root's alone" test "$(stat -c '%u %a' "$work/case/run/lock")" = "0 600"
: >"$work/case/logs/.lock"
chmod 0644 "$work/case/logs/.lock"
mkdir "$work/holder"
chmod 0755 "$work" "$work/case" "$work/case/run" "$work/holder"
chmod 0700 "$work/case/run"
cat >"$work/holder/hold.sh" <<'HOLD'
#!/bin/sh
# Holds every lock it can open, says which, then keeps them.
for lock in "$@"; do
  if (exec 8<"$lock") 2>/dev/null; then
    exec 8<"$lock"
    flock -n 8 && echo "held $lock" >>"$HOME/held"
  fi
  exec 8<&-
done
echo ready >>"$HOME/held"
exec sleep 120
HOLD
chown -R 65534 "$work/holder"
HOME=$work/holder setpriv --reuid=65534 --regid=65534 --clear-groups sh "$work/holder/hold.sh" \
  "$work/case/run/lock" "$work/case/logs/.lock" &
holder=$!
tries=0
while ! grep -q ready "$work/holder/held" 2>/dev/null && [ "$tries" -lt 300 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
check "another account holds the lock it can open" test "$(cat "$work/holder/held")" = "held $work/case/logs/.lock
ready"
snapshot --time 20261102120000 2>"$work/err"
check "a held lock of another account stops no snapshot" test $? -eq 0
check "the snapshot is written meanwhile" test -f "$work/case/logs/traffic_out_20261102120000"
chains --time 20261102120100 add >/dev/null 2>&1
check "a held lock of another account stops no add" test $? -eq 0
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
rm -rf "$work/holder"

# The lock's folder: a case a line: how it is left before a snapshot, then the snapshot's status
# and what it says.
while IFS='|' read -r setup status says; do
  start_case "10.0.0.1"
  chains --time 20261102110000 add >/dev/null
  case "$setup" in
    gone) rm -rf "$work/case/run" ;;
    0[0-7][0-7][0-7]) chmod "$setup" "$work/case/run" ;;
    foreign) chown 65534 "$work/case/run" ;;
    link) mv "$work/case/run" "$work/case/run.real" && ln -s "$work/case/run.real" "$work/case/run" ;;
    relative) sed -i "s|^LOCK_DIR=.*|LOCK_DIR=run|" "$work/case/conf" ;;
    open-parent) mkdir -m 0777 "$work/case/open" && sed -i "s|^LOCK_DIR=.*|LOCK_DIR=$work/case/open/run|" "$work/case/conf" ;;
  esac
  snapshot --time 20261102120000 2>"$work/err"
  check "lock folder $setup: status $status" test $? -eq "$status"
  if [ -n "$says" ]; then
    check "lock folder $setup: says so" contains "$work/err" "$(printf '%s' "$says" | sed "s|LOCK_DIR_HERE|$(sed -n 's/^LOCK_DIR=//p' "$work/case/conf")|")"
  else
    check "lock folder $setup: says nothing" test ! -s "$work/err"
  fi
  [ "$status" -ne 0 ] || check "lock folder $setup: left root's alone" test "$(stat -c '%a' "$work/case/run")" = 700
done <<'CASES'
gone|0|
0700|0|
0750|1|others can enter
0705|1|others can enter LOCK_DIR_HERE (mode 705): make it 0700
0710|1|others can enter
foreign|1|belongs to user 65534, not to root
link|1|is a symbolic link
relative|1|LOCK_DIR must be an absolute path: run
open-parent|1|open above LOCK_DIR_HERE can be changed by an account other than root (owner 0, mode 777), which could swap the lock; nothing done
CASES

# A full file system: a tiny tmpfs in a private mount namespace.
if unshare -m true 2>/dev/null; then
  many=$(awk 'BEGIN { for (i = 1; i <= 300; i++) printf "10.1.%d.%d ", int(i / 200), i % 200 + 1 }')
  start_case "$many"
  chains --time 20261102110000 add >/dev/null
  rm -f "$work/case/logs/"traffic_*
  in_ns unshare -m sh -c '
    mount -t tmpfs -o size=16k,mode=0755 netreckon-test "$1/logs" || exit 99
    sh "$2/netreckon-snapshot" --config "$1/conf" --time 20261102120000 2>"$1/err"
    echo $? >"$1/status"
    ls "$1/logs" >"$1/left"' sh "$work/case" "$contrib"
  check "full disk fails" test "$(cat "$work/case/status")" -ne 0
  check "full disk leaves nothing" test ! -s "$work/case/left"
  check "full disk says so" contains "$work/case/err" "cannot write"
else
  echo "skipped: the full file system case needs mount namespaces"
fi

# Config as admins write it: export, spaces, quotes, comments, CRLF; unknown keys warned about.
start_case ""
printf '%s\r\n' '  export HOSTS = "10.0.0.21 10.0.0.22" # lab hosts' "IN_CHAIN='LAB_IN'  # in" \
  'OUT_CHAIN=LAB_OUT # out' "IPTABLES=$iptables" "LOG_DIR=$work/case/logs" 'COLOUR=blue' \
  >"$work/case/conf"
chains --dry-run add >"$work/out" 2>"$work/err"
check "config forms read" contains "$work/out" "-A LAB_IN -d 10.0.0.22/32"
check "quoted chain read" contains "$work/out" "-A LAB_OUT -s 10.0.0.21/32"
check "no carriage return kept" lacks "$work/out" "$(printf '\r')"
check "unknown key warned" contains "$work/err" "unknown key COLOUR"
check "dry run changes nothing" test "$(rules 4 security | grep -c LAB_)" -eq 0

# A dry run changes nothing on disk, a case a line: what is there before it (nothing; the folders
# of an earlier add, a rule since deleted); a line it must print. The log and lock folders are
# listed, times and all, before and after.
while IFS='|' read -r before prints; do
  start_case "10.0.0.1"
  rm -rf "$work/case/logs"
  if [ "$before" = added ]; then
    chains --time 20261102110000 add >/dev/null
    in_ns "$iptables" -t security -D NETRECKON_IN -d 10.0.0.1/32
  fi
  ls -laR --full-time "$work/case/logs" "$work/case/run" >"$work/before" 2>&1
  chains --dry-run add >"$work/out" 2>"$work/err"
  check "dry run over '$before': status 0" test $? -eq 0
  check "dry run over '$before': prints '$prints'" contains "$work/out" "$prints"
  ls -laR --full-time "$work/case/logs" "$work/case/run" >"$work/after" 2>&1
  check "dry run over '$before': no file made or changed" cmp -s "$work/before" "$work/after"
  check "dry run over '$before': the firewall unchanged" test "$(rules 4 security | grep -c -- '-d 10.0.0.1/32')" -eq 0
done <<'CASES'
nothing|:NETRECKON_IN - [0:0]
added|-A NETRECKON_IN -d 10.0.0.1/32
CASES

# LOG_DIR is an absolute path: a relative one (from cron, the job's home) is refused before
# anything is made or set up, by either command.
for command in "chains add" snapshot; do
  start_case "10.0.0.1"
  sed -i 's|^LOG_DIR=.*|LOG_DIR=logs|' "$work/case/conf"
  mkdir "$work/case/cwd"
  # shellcheck disable=SC2086
  (cd "$work/case/cwd" && $command) 2>"$work/err"
  check "a relative LOG_DIR: $command fails" test $? -eq 1
  check "a relative LOG_DIR: $command says so" contains "$work/err" "LOG_DIR must be an absolute path: logs"
  check "a relative LOG_DIR: $command makes nothing" test -z "$(ls -A "$work/case/cwd")"
  check "a relative LOG_DIR: $command sets nothing up" test ! -e "$work/case/calls"
done

# Setup never stops half way: a bad or doubled host, and nothing changes.
for hosts in "10.0.0.1 10.0.0.300" "10.0.0.1 2001:db8::g" "10.0.0.1 host.example" "10.0.0.1 10.0.0.1=printer" \
  "2001:db8::1 2001:DB8:0::1/128" "10.0.0.1 0.0.0.0/0"; do
  start_case "$hosts"
  chains add 2>"$work/err"
  check "bad hosts '$hosts' fail" test $? -eq 1
  check "bad hosts '$hosts' change nothing" test ! -e "$work/case/calls"
  check "bad hosts '$hosts' named" contains "$work/err" "invalid host address"
done
start_case "10.0.0.1 2001:db8::1"
echo 'IP6TABLES=no-such-ip6tables' >>"$work/case/conf"
chains add 2>"$work/err"
check "missing ip6tables fails" test $? -ne 0
check "missing ip6tables changes nothing" test "$(rules 4 security | grep -c NETRECKON)" -eq 0
start_case "10.0.0.1"
echo 'HOSTS=10.0.0.1 10.0.0.2' >>"$work/case/conf"
chains add 2>"$work/err"
check "unquoted blanks fail" test $? -ne 0
check "unquoted blanks change nothing" test ! -e "$work/case/calls"

# add matches HOSTS exactly, in one transaction per family; the dry run shows it.
start_case "10.0.0.1 10.0.0.2 10.0.0.3 2001:db8::1"
chains --time 20261102110000 add >/dev/null
check "rules added" test "$(rules 4 security | grep -c '^-A NETRECKON_IN -d')" -eq 3
check "IPv6 rules added" test "$(rules 6 security | grep -c -e '-A NETRECKON_OUT -s 2001:db8::1/128')" -eq 1
check "one transaction per family" test "$(grep -c restore "$work/case/calls")" -eq 2
sed -i 's/^HOSTS=.*/HOSTS="10.0.0.1 10.0.0.3"/' "$work/case/conf"
chains --dry-run add >"$work/out"
check "dry run prints the removal only" test "$(grep -v '^#' "$work/out")" = "*security
-D NETRECKON_IN -d 10.0.0.2/32
-D NETRECKON_OUT -s 10.0.0.2/32
COMMIT
*security
-D INPUT ! -i lo -j NETRECKON_IN
-D INPUT ! -i lo -j NETRECKON_OUT
-D FORWARD -j NETRECKON_IN
-D FORWARD -j NETRECKON_OUT
-D OUTPUT -j NETRECKON_IN
-D OUTPUT -j NETRECKON_OUT
-F NETRECKON_IN
-X NETRECKON_IN
-F NETRECKON_OUT
-X NETRECKON_OUT
COMMIT"
chains --time 20261102120000 add >/dev/null
check "removed host's rule gone" test "$(rules 4 security | grep -c '10.0.0.2/32')" -eq 0
check "listed hosts kept" test "$(rules 4 security | grep -c '^-A NETRECKON_.* -[ds] 10')" -eq 4

# Named hosts carry their name on both rules and into every snapshot; a new name replaces the
# two rules, snapshotted before (the old reading) and after (0), the other host untouched.
start_case "10.0.0.1=printer 10.0.0.2"
chains --time 20261102110000 add >/dev/null
check "a named rule carries its comment" test "$(rules 4 security | grep -c -e '-A NETRECKON_IN -d 10.0.0.1/32 -m comment --comment printer')" -eq 1
preset 4 security NETRECKON_IN 2 5000 -d 10.0.0.1/32 -m comment --comment printer
preset 4 security NETRECKON_IN 3 9000 -d 10.0.0.2/32
sed -i 's/printer/laser/' "$work/case/conf"
chains --time 20261102120000 add >/dev/null
check "a rename snapshots the old reading" test "$(bytes_of "$work/case/logs/traffic_in_20261102120000" 10.0.0.1)" = 5000
check "a rename then reads 0" test "$(bytes_of "$work/case/logs/traffic_in_20261102120001" 10.0.0.1)" = 0
check "a rename names the host anew" contains "$work/case/logs/traffic_in_20261102120001" "10.0.0.1             /* laser */"
check "a rename keeps the other host's counter" test "$(bytes_of "$work/case/logs/traffic_in_20261102120001" 10.0.0.2)" = 9000

# A /24 and an IPv6 /64 are added once. A subnet holding a listed host is warned about.
start_case "192.168.1.0/24 2001:db8:1::/64 192.168.1.9"
chains add >/dev/null 2>"$work/err"
check "a subnet holding a host is warned about" contains "$work/err" "192.168.1.0/24 holds 192.168.1.9/32"
chains --dry-run add >"$work/out" 2>/dev/null
check "a second add changes nothing" test ! -s "$work/out"

# The time of a snapshot must be a real local date and time.
start_case "10.0.0.1"
for stamp in 20261399999999 20260230120000 20261102250000 2026110212; do
  snapshot --time "$stamp" 2>/dev/null
  check "time $stamp refused" test $? -ne 0
done
TZ=Europe/Berlin snapshot --time 20260329023000 2>/dev/null
check "a time in the spring gap refused" test $? -ne 0
check "refused times leave nothing" logs_are ""

# cron's PATH finds iptables: the line sets one, and the scripts add sbin to a bare one.
check "cron line sets PATH" contains "$cron_file" "PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
if [ -x /usr/sbin/iptables ]; then
  start_case "10.0.0.1"
  printf '%s\n' "HOSTS=10.0.0.1" "LOG_DIR=$work/case/logs" >"$work/case/conf"
  in_ns env -i PATH=/usr/bin:/bin NETRECKON_KIT="$NETRECKON_KIT" sh "$contrib/netreckon-snapshot" --config "$work/case/conf" \
    --time 20261102120000 2>"$work/err"
  check "cron PATH finds iptables" lacks "$work/err" "not found"
fi

# Prefixes: empty, equal (ignoring case) or with other characters are refused before anything.
for prefixes in "--in-prefix= --out-prefix=o_" "--in-prefix a_ --out-prefix A_" "--in-prefix a/b_ --out-prefix o_"; do
  start_case "10.0.0.1"
  # shellcheck disable=SC2086
  snapshot $prefixes --time 20261102120000 2>"$work/err"
  check "prefixes '$prefixes' refused" test $? -ne 0
  check "prefixes '$prefixes' leave nothing" logs_are ""
done

# Values are data: a globbing character stays as written (and is no address).
start_case "10.9.9.?"
touch "$work/10.9.9.7"
(cd "$work" && in_ns sh "$contrib/netreckon-chains" --config "$work/case/conf" add) 2>"$work/err"
check "a glob in HOSTS is not expanded" contains "$work/err" "invalid host address 10.9.9.?"
check "a glob in HOSTS changes nothing" test ! -e "$work/case/calls"

# Retention, thinning: a case a line: the snapshots of one prefix (stamp:reading of 10.0.0.1
# [:reading of 10.0.0.2]; "-" no row), then the stamps that must stay. The cut-off is the
# 20th; nothing of the 20th or later goes.
make_thin() { # readings
  rm -rf "$work/thin"
  mkdir -p "$work/thin"
  for item in $1; do
    stamp=${item%%:*}
    file="$work/thin/traffic_in_$stamp"
    printf '%s\n' "Chain NETRECKON_IN (6 references)" \
      "    pkts      bytes target     prot opt in     out     source               destination" >"$file"
    readings=${item#*:}
    host=1
    for reading in $(echo "$readings" | tr ':' ' '); do
      [ "$reading" = - ] || printf '    %4d %10s            all  --  *      *       0.0.0.0/0            10.0.0.%d\n' \
        1 "$reading" "$host" >>"$file"
      host=$((host + 1))
    done
  done
}
run_thin() {
  (cd "$work/thin" && ls traffic_in_* | "$NETRECKON_KIT" thin | sed 's/traffic_in_//' | tr '\n' ' ')
}
while IFS="|" read -r readings gone; do
  make_thin "$readings"
  got=$(run_thin)
  check "thinning '$readings' drops '$gone' (got '$got')" test "$got" = "$gone"
done <<'CASES'
20261101060000:10 20261101120000:20 20261101180000:30 20261102060000:40 20261102180000:50|20261101120000 20261102060000 |
20261101060000:10 20261101120000:20 20261101180000:5 20261101230000:8|
20261101060000:10 20261101120000:0 20261101180000:5 20261101230000:8|20261101180000 |
20261101060000:10 20261101120000:10 20261101180000:10 20261101230000:12|20261101120000 20261101180000 |
20261101060000:10:5 20261101120000:20 20261101180000:30:6 20261101230000:40:7|
20261101060000:10:5 20261101120000:20:6 20261101180000:30:- 20261101230000:40:7|
20261101060000:0 20261101120000:0 20261101180000:7 20261101230000:9|20261101120000 20261101180000 |
20261101060000:10 20261101120000:9000000000000000000 20261101180000:10000000000000000000 20261101230000:10000000000000000001|20261101120000 20261101180000 |
20261101060000:10|
20261101060000:10 20261101120000:20|
20261101060000:-:5 20261101120000:10:6 20261101180000:20:7 20261101230000:30:8|20261101180000 |
20261101060000:10 20261101120000:20 20261101180000:30 20261101200000:25 20261101230000:40|20261101120000 |
20261101060000:1 20261101120000:2 20261101180000:3 20261102060000:4 20261102120000:5 20261102180000:6|20261101120000 20261102060000 20261102120000 |
20261101060000:1:1 20261101080000:2:2 20261101100000:3:2 20261101120000:3:1 20261101140000:4:3 20261101160000:5:3 20261101230000:6:4|20261101080000 20261101140000 20261101160000 |
20261101060000:5 20261101120000:50 20261101180000:040 20261101230000:60|
20261101060000:5 20261101120000:50 20261101180000:18446744073709551616 20261101230000:18446744073709551617|
CASES
# Standard input the helper cannot read (a folder): status 1, its own message, and nothing
# written that the kit would act on (no hosts would remove every rule).
for command in "hosts" "plan IN OUT mark 1 1 1" "thin"; do
  # shellcheck disable=SC2086
  "$NETRECKON_KIT" $command </ >"$work/out" 2>"$work/err"
  check "netreckon-kit $command: unreadable input is status 1" test $? -eq 1
  check "netreckon-kit $command: writes nothing" test ! -s "$work/out"
  check "netreckon-kit $command: says why" contains "$work/err" "cannot read standard input"
done
# A rule listed twice, or another rule in the same place: that snapshot and its neighbours stay.
for edit in "duplicate|\$p" "other rule|s/10\.0\.0\.2\$/10.0.0.3/"; do
  make_thin "20261101060000:1:1 20261101080000:2:2 20261101100000:3:3 20261101120000:4:4 20261101140000:5:5 20261101160000:6:6 20261101230000:7:7"
  sed -i "${edit#*|}" "$work/thin/traffic_in_20261101120000"
  check "thinning: a snapshot with a ${edit%%|*} stays, and its neighbours" test "$(run_thin)" = "20261101080000 20261101160000 "
done
make_thin "20261101060000:1 20261101120000:2 20261101180000:3 20261101230000:4"
check "a plain day is thinned" test "$(run_thin)" = "20261101120000 20261101180000 "
printf '%s\n' "Chain NETRECKON_IN (0 references)" "    pkts      bytes target" >"$work/thin/traffic_in_20261101130000"
check "a file titled 0 references stays, and its neighbours" test -z "$(run_thin)"

# Retention in the snapshot: thinned days keep every report figure; KEEP_DAILY deletes the
# days past it but the newest such snapshot, the baseline. Three days of readings every six
# hours with a reset, 30 days before today and on.
start_case "10.0.0.1 10.0.0.2"
chains --time "$(date -d 'today - 40 days' +%Y%m%d)120000" add >/dev/null
rm -f "$work/case/logs/"traffic_*
for day in 32 31 30 29; do
  for hour in 00 06 12 18; do
    stamp="$(date -d "today - $day days" +%Y%m%d)${hour}0000"
    for prefix in traffic_in_ traffic_out_; do
      a=$(((40 - day) * 1000000 + ${hour#0} * 1000 + 7))
      b=$(((40 - day) * 3000 + ${hour#0} * 11))
      [ "$day$hour" = 3112 ] && b=5
      printf '%s\n' "Chain X (6 references)" "    pkts      bytes target     prot opt in     out     source               destination" \
        "       1 $a            all  --  *      *       0.0.0.0/0            10.0.0.1" \
        "       1 $b            all  --  *      *       10.0.0.2             0.0.0.0/0" >"$work/case/logs/$prefix$stamp"
    done
  done
done
cp -a "$work/case/logs" "$work/full"
report() { # dir type start end
  TZ=UTC "$netreckon" "$2" "$3" "$4" "$1/" traffic_in_ traffic_out_ 2>&1
  echo "status $?"
}
snapshot --keep-days 30 2>"$work/err"
check "thinning succeeds quietly" test ! -s "$work/err"
count_files() { # pattern...
  n=0
  for file in "$@"; do [ ! -e "$file" ] || n=$((n + 1)); done
  echo "$n"
}
left=$(count_files "$work/case/logs/traffic_in_$(date -d 'today - 32 days' +%Y%m%d)"* \
  "$work/case/logs/traffic_in_$(date -d 'today - 31 days' +%Y%m%d)"*)
check "thinning keeps what the report needs ($left)" test "$left" -eq 5
for type in 0 1 csv json daily monthly; do
  for range in "today-32 today-31" "today-32 today-29" "today-31 today-30" "today-30 today-29"; do
    # shellcheck disable=SC2086
    report "$work/full" "$type" $range >"$work/want"
    # shellcheck disable=SC2086
    report "$work/case/logs" "$type" $range >"$work/got"
    # The time a run took is no figure.
    sed -i '/Elapsed time/d' "$work/want" "$work/got"
    if [ "$type" = csv ] || [ "$type" = json ]; then
      # The count of snapshots read differs by design; every figure must not.
      sed -i -E 's/"snapshots": [0-9]+/"snapshots": N/; s/,[0-9]+(\r?)$/,N\1/' "$work/want" "$work/got"
    fi
    check "thinned report $type $range equals the full one" cmp -s "$work/want" "$work/got"
  done
done
# The events file keeps the lines of the days kept, a case a line: days before today, kept.
while read -r days kept; do
  echo "$(date -d "today - $days days" +%Y%m%d)120000 IPv4 traffic_in_ traffic_out_ $(date -d "today - $((days + 1)) days" +%Y%m%d)120000 chains gone $days"
  [ "$kept" = no ] || echo "chains gone $days" >>"$work/events-kept"
done >"$work/case/logs/netreckon.events" <<'CASES'
40 no
32 no
31 yes
2 yes
CASES
snapshot --keep-days 30 --keep-daily 31 2>"$work/err"
check "KEEP_DAILY keeps the events of the days kept" test "$(sed 's/.* chains/chains/' "$work/case/logs/netreckon.events")" = "$(cat "$work/events-kept")"
oldest=$(cd "$work/case/logs" && ls traffic_in_* | head -n 1)
check "KEEP_DAILY keeps the newest older one as the baseline" test "$oldest" = "traffic_in_$(date -d 'today - 32 days' +%Y%m%d)180000"
check "KEEP_DAILY deletes the rest" test "$(count_files "$work/case/logs/traffic_in_$(date -d 'today - 32 days' +%Y%m%d)"*)" -eq 1
for days in x 36501 12345678901234567890 -1; do
  snapshot --keep-days "$days" 2>"$work/err"
  check "keep-days $days refused" test $? -ne 0
  check "keep-days $days says why" contains "$work/err" "from 0 to 36500"
done

# The nftables backend, where nft works.
new_ns
if command -v nft >/dev/null && in_ns nft list ruleset >/dev/null 2>&1; then
  # The converter against real nft output: a table with counters set, its listing converted;
  # a case a line: chain, direction, then the rows it must give (pkts bytes key [comment]).
  elements=$(awk 'BEGIN { for (i = 1; i <= 12; i++) printf "%s10.0.0.%d counter packets %d bytes %d", (i > 1 ? ", " : ""), 100 + i, i, i * 1000 }')
  printf '%s\n' 'table inet netreckon {' \
    "  set NR_IN_v4_10_0_0_0_24 { type ipv4_addr; size 64; flags dynamic; counter; elements = { $elements } }" \
    '  set NR_IN_v4_10_0_2_0_24 { type ipv4_addr; size 8; flags dynamic,timeout; timeout 1h; counter; elements = { 10.0.2.5 counter packets 1 bytes 100 } }' \
    '  set NR_IN_v6_2001_db8_1___48 { type ipv6_addr; size 8; flags dynamic; counter; elements = { 2001:db8:1:: counter packets 3 bytes 18446744073709551615 } }' \
    '  set NR_IN_v6_2001_db8_2___64 { type ipv6_addr; size 8; flags dynamic; counter; elements = { 2001:db8:2::9 counter packets 6 bytes 600 } }' \
    '  set NR_OUT_v6_2001_db8_1___48 { type ipv6_addr; size 8; flags dynamic; counter; elements = { 2001:db8:1::7 counter packets 4 bytes 400 } }' \
    '  set NR_OUT_macs_v6_2001_db8_1___48 { type ether_addr; size 8; flags dynamic,timeout; timeout 1h; }' \
    '  chain NR_IN {' \
    '    meta length 0-19 counter packets 1 bytes 1 comment "netreckon-reset-mark"' \
    '    ip daddr 10.0.0.1 counter packets 9 bytes 9000000000000 comment "printer.lan"' \
    '    ip daddr 10.0.0.0/24 ip daddr != 10.0.0.1 update @NR_IN_v4_10_0_0_0_24 { ip daddr } return' \
    '    ip daddr 10.0.2.0/24 update @NR_IN_v4_10_0_2_0_24 { ip daddr } return' \
    '    ip daddr 10.0.2.0/24 counter packets 7 bytes 700 comment "not counted: unknown host"' \
    '    ip daddr 10.0.0.0/24 ip daddr != 10.0.0.1 counter packets 2 bytes 200 return comment "not counted: set full"' \
    '    ip6 daddr 2001:db8:1::/48 update @NR_IN_v6_2001_db8_1___48 { ip6 daddr & ffff:ffff:ffff:ffff:: } return' \
    '    ip6 daddr 2001:db8:2::/64 update @NR_IN_v6_2001_db8_2___64 { ip6 daddr } return' \
    '    ip6 daddr 2001:db8:1::/48 counter packets 5 bytes 500 comment "not counted: set full"' \
    '  }' \
    '  chain NR_OUT {' \
    '    ip saddr 10.0.0.1 counter packets 8 bytes 800 comment "printer.lan"' \
    '    ip6 saddr 2001:db8:1::/48 update @NR_OUT_v6_2001_db8_1___48 { ip6 saddr } return' \
    '    ip6 saddr 2001:db8:1::/48 update @NR_OUT_macs_v6_2001_db8_1___48 { ether saddr limit rate over 64/hour burst 64 packets } counter packets 3 bytes 300 return comment "not counted: too many addresses"' \
    '  }' \
    '  chain NR_OUT_rpf {' \
    '    ip saddr 10.0.0.0/24 fib saddr . iif oif missing counter packets 6 bytes 660 return comment "not counted: spoofed source"' \
    '    jump NR_OUT' \
    '  }' \
    '  chain input { type filter hook input priority security; policy accept; iifname != "lo" jump NR_IN; iifname != "lo" jump NR_OUT_rpf; }' \
    '  chain output { type filter hook output priority security; policy accept; jump NR_IN; }' \
    '}' | in_ns nft -f -
  in_ns nft list table inet netreckon >"$work/nft-listing"
  check "nft wraps a long set over lines" test "$(grep -c 'counter packets' "$work/nft-listing")" -gt 8
  while IFS='|' read -r chain direction want; do
    got=$("$NETRECKON_KIT" nft-listing "$chain" "$direction" netreckon-reset-mark "" "" <"$work/nft-listing" | awk 'NR > 2 { $3 = $4 = $5 = $6 = ""; print }' |
      awk '{ $1 = $1; print }' | tr '\n' ';')
    check "nft listing of $chain gives '$want' (got '$got')" test "$got" = "$want"
  done <<'CASES'
NR_IN|in|9 9000000000000 0.0.0.0/0 10.0.0.1 /* printer.lan */;7 700 0.0.0.0/0 !unknown:10.0.2.0/24 /* not counted: unknown host */;2 200 0.0.0.0/0 !full:10.0.0.0/24 /* not counted: set full */;5 500 ::/0 !full:2001:db8:1::/48 /* not counted: set full */;1 1000 0.0.0.0/0 10.0.0.101;2 2000 0.0.0.0/0 10.0.0.102;3 3000 0.0.0.0/0 10.0.0.103;4 4000 0.0.0.0/0 10.0.0.104;5 5000 0.0.0.0/0 10.0.0.105;6 6000 0.0.0.0/0 10.0.0.106;7 7000 0.0.0.0/0 10.0.0.107;8 8000 0.0.0.0/0 10.0.0.108;9 9000 0.0.0.0/0 10.0.0.109;10 10000 0.0.0.0/0 10.0.0.110;11 11000 0.0.0.0/0 10.0.0.111;12 12000 0.0.0.0/0 10.0.0.112;1 100 0.0.0.0/0 10.0.2.5;3 18446744073709551615 ::/0 2001:db8:1::/64;6 600 ::/0 2001:db8:2::9;
NR_OUT|out|8 800 10.0.0.1 0.0.0.0/0 /* printer.lan */;3 300 !limit:2001:db8:1::/48 ::/0 /* not counted: too many addresses */;6 660 !spoofed:10.0.0.0/24 0.0.0.0/0 /* not counted: spoofed source */;4 400 2001:db8:1::7 ::/0;
CASES
  "$NETRECKON_KIT" nft-listing NR_IN in netreckon-reset-mark "" "" <"$work/nft-listing" | head -n 2 >"$work/title"
  check "the title counts the jumps" test "$(head -n 1 "$work/title")" = "Chain NR_IN (2 references)"
  # A host the previous snapshot read above 0 and that is gone now reads 0, once.
  printf '%s\n' "Chain NR_OUT (1 references)" "    pkts      bytes target" \
    "       5      500            all  --  *      *       10.0.0.9             0.0.0.0/0" \
    "       0        0            all  --  *      *       10.0.0.8             0.0.0.0/0" \
    "       7      700            all  --  *      *       10.0.0.1             0.0.0.0/0            /* printer.lan */" >"$work/previous"
  got=$("$NETRECKON_KIT" nft-listing NR_OUT out netreckon-reset-mark "$work/previous" "" <"$work/nft-listing" | awk 'NR > 2 { print $1, $2, $(NF - 1) }' | tr '\n' ';')
  check "a host gone since the last snapshot reads 0 once (got '$got')" test "$got" = "8 800 printer.lan;3 300 addresses;6 660 source;4 400 2001:db8:1::7;0 0 10.0.0.9;"

  # The kit with BACKEND=nft: its own table, healed after "nft flush ruleset", a reset seen,
  # nothing done on an unchanged config, "remove" that lasts.
  has_table() { in_ns nft list table inet netreckon >/dev/null 2>&1; }
  start_case "10.0.0.1=printer"
  printf '%s\n' BACKEND=nft 'SUBNETS="10.0.1.0/24 2001:db8:1::/64 10.0.2.0/24"' IPV6_HOSTS=64 SET_SIZE=16 >>"$work/case/conf"
  chains --time 20261102110000 add 2>/dev/null
  check "nft: the table is made" has_table
  # A set per subnet and direction, each of SET_SIZE, its elements gone after SET_TIMEOUT idle.
  for set in NETRECKON_IN_v4_10_0_1_0_24 NETRECKON_OUT_v4_10_0_1_0_24 NETRECKON_IN_v4_10_0_2_0_24 \
    NETRECKON_OUT_v4_10_0_2_0_24 NETRECKON_IN_v6_2001_db8_1___64 NETRECKON_OUT_v6_2001_db8_1___64; do
    in_ns nft list set inet netreckon "$set" >"$work/set" 2>&1
    check "nft: the set $set holds 16" contains "$work/set" "size 16"
    check "nft: the set $set forgets after 1h" contains "$work/set" "timeout 1h"
  done
  for set in NETRECKON_OUT_known_v4_10_0_1_0_24 NETRECKON_OUT_known_v4_10_0_2_0_24 NETRECKON_OUT_known_v6_2001_db8_1___64; do
    in_ns nft list set inet netreckon "$set" >"$work/set" 2>&1
    check "nft: the set of senders $set forgets after 1h, counts nothing" test "$(grep -c -e 'timeout 1h' -e counter "$work/set")" -eq 1
  done
  for set in NETRECKON_OUT_macs_v4_10_0_1_0_24 NETRECKON_OUT_macs_v4_10_0_2_0_24 NETRECKON_OUT_macs_v6_2001_db8_1___64; do
    check "nft: the set of MAC addresses $set" test "$(in_ns nft list set inet netreckon "$set" | grep -c 'type ether_addr')" -eq 1
  done
  check "nft: a new host is limited per MAC address" test "$(in_ns nft list chain inet netreckon NETRECKON_OUT | grep -c 'ether saddr limit rate over 64/hour burst 64 packets } counter packets 0 bytes 0 return comment "not counted: too many addresses"')" -eq 3
  check "nft: no other set" test "$(in_ns nft list sets table inet netreckon | grep -c '^[[:space:]]*set ')" -eq 12
  check "nft: other tables untouched" test "$(in_ns nft list tables | grep -vc netreckon)" -eq 0
  check "nft: a snapshot of 0 after the setup" contains "$work/case/logs/traffic_in_20261102110000" "10.0.0.1             /* printer */"
  chains --time 20261102110500 add
  check "nft: a second add writes nothing" test ! -e "$work/case/logs/traffic_in_20261102110500"
  in_ns nft flush ruleset
  snapshot --time 20261102120000 2>"$work/err"
  check "nft: a flushed ruleset is said" contains "$work/err" "table inet netreckon missing"
  check "nft: and healed" has_table
  handle=$(in_ns nft -a list chain inet netreckon NETRECKON_IN | sed -n 's/.*reset-mark" # handle \([0-9]*\)/\1/p')
  in_ns nft replace rule inet netreckon NETRECKON_IN handle "$handle" meta length 0-19 counter packets 0 bytes 0 \
    comment '"netreckon-reset-mark"'
  in_ns nft replace rule inet netreckon NETRECKON_IN handle "$((handle + 1))" ip daddr 10.0.0.1 counter packets 1 bytes 500 \
    comment '"printer"' 2>/dev/null
  snapshot --time 20261102130000 2>"$work/err"
  check "nft: a reset is said" contains "$work/err" "counters were reset"
  check "nft: a reset is written as 0 first" test -e "$work/case/logs/traffic_in_20261102130000" -a \
    -e "$work/case/logs/traffic_in_20261102130001"
  check "nft: the mark is set again" test "$(in_ns nft list chain inet netreckon NETRECKON_IN | grep -c 'packets 1 bytes 20261102130000 comment')" -eq 1
  # A persisted ruleset loaded again (a boot file): its counters were billed before.
  in_ns nft list ruleset >"$work/persisted"
  snapshot --time 20261102131000
  in_ns nft flush ruleset
  in_ns nft -f "$work/persisted"
  snapshot --time 20261102132000 2>"$work/err"
  check "nft: a reload of saved counters is said" contains "$work/err" "saved counters were restored"
  check "nft: and recorded" test "$(tail -n 1 "$work/case/logs/netreckon.events")" = \
    "20261102132000 IPv4+IPv6 traffic_in_ traffic_out_ 20261102131000 saved counters restored"
  check "nft: the reload reads 0" test "$(bytes_of "$work/case/logs/traffic_in_20261102132000" 10.0.0.1)" = 0
  check "nft: in one snapshot" test ! -e "$work/case/logs/traffic_in_20261102132001"
  check "nft: the table's counters are 0" test "$(in_ns nft list chain inet netreckon NETRECKON_IN | grep -c 'packets 0 bytes 0 comment "printer"')" -eq 1
  check "nft: the flush before was recorded" test "$(head -n 1 "$work/case/logs/netreckon.events")" = \
    "20261102120000 IPv4+IPv6 traffic_in_ traffic_out_ 20261102110000 table gone"
  in_ns nft add rule inet netreckon NETRECKON_IN ip daddr 10.9.9.9 counter
  snapshot --time 20261102140000 2>"$work/err"
  check "nft: a changed table is said and replaced" contains "$work/err" "table inet netreckon was changed"
  check "nft: the extra rule is gone" test "$(in_ns nft list table inet netreckon | grep -c 10.9.9.9)" -eq 0
  # Listing fails (as under memory pressure), changing would not.
  printf '%s\n' '#!/bin/sh' 'case "$*" in *list*) echo "Error: Could not process rule: Cannot allocate memory" >&2; exit 1 ;; esac' \
    'exec nft "$@"' >"$work/nft-denied"
  echo "NFT=\"sh $work/nft-denied\"" >>"$work/case/conf"
  in_ns nft -a list table inet netreckon >"$work/nft-before"
  snapshot --time 20261102143000 2>"$work/err"
  check "nft: a failing listing is status 1" test $? -eq 1
  check "nft: a failing listing says why" contains "$work/err" "Cannot allocate memory"
  in_ns nft -a list table inet netreckon >"$work/nft-after"
  check "nft: a failing listing replaces nothing" cmp -s "$work/nft-before" "$work/nft-after"
  sed -i '$d' "$work/case/conf"
  chains --time 20261102150000 remove
  check "nft: remove deletes the table" test "$(in_ns nft list tables | grep -c netreckon)" -eq 0
  snapshot --time 20261102160000 2>"$work/err"
  check "nft: remove lasts" contains "$work/err" "removed with netreckon-chains remove"
  # A changed config changes the table in place, a case a line: the line added to the config,
  # then what the snapshot after the change reads for a host a set found (10.0.1.7, 3000 bytes),
  # for the listed printer (500 bytes) and for the outgoing row of what the subnet's full set
  # had no room for (700 bytes): kept counters go on, new rules read 0, and a rule made anew in
  # one chain leaves the row of the same key in the other counting on.
  while IFS='|' read -r change element printer full; do
    start_case "10.0.0.1=printer"
    printf '%s\n' BACKEND=nft 'SUBNETS="10.0.1.0/24 2001:db8:1::/64"' SET_SIZE=16 >>"$work/case/conf"
    chains --time 20261102110000 add 2>/dev/null
    in_ns nft add element inet netreckon NETRECKON_IN_v4_10_0_1_0_24 '{ 10.0.1.7 counter packets 3 bytes 3000 }'
    handle=$(in_ns nft -a list chain inet netreckon NETRECKON_IN | sed -n 's/.*"printer" # handle \([0-9]*\)/\1/p')
    in_ns nft replace rule inet netreckon NETRECKON_IN handle "$handle" ip daddr 10.0.0.1 counter packets 5 bytes 500 \
      comment '"printer"'
    in_ns nft -a list chain inet netreckon NETRECKON_OUT |
      sed -n 's/^[[:space:]]*\(ip saddr 10\.0\.1\.0\/24 .*\)counter packets 0 bytes 0 \(.*"not counted: set full"\) # handle \([0-9]*\)$/replace rule inet netreckon NETRECKON_OUT handle \3 \1counter packets 7 bytes 700 \2/p' \
        >"$work/full-rule"
    in_ns nft -f "$work/full-rule"
    snapshot --time 20261102120000
    check "nft: before '$change' the outgoing full row reads 700" \
      test "$(bytes_of "$work/case/logs/traffic_out_20261102120000" '!full:10.0.1.0/24')" = 700
    echo "$change" >>"$work/case/conf"
    chains --time 20261102130000 add 2>"$work/err"
    check "nft: '$change' changes the table in place" contains "$work/err" "the config asks for changes to the table"
    after=$work/case/logs/traffic_in_20261102130001
    check "nft: after '$change' the found host reads $element" test "$(bytes_of "$after" 10.0.1.7)" = "$element"
    check "nft: after '$change' the printer reads $printer" test "$(bytes_of "$after" 10.0.0.1)" = "$printer"
    check "nft: after '$change' the outgoing full row reads $full" \
      test "$(bytes_of "$work/case/logs/traffic_out_20261102130001" '!full:10.0.1.0/24')" = "$full"
    snapshot --time 20261102140000 2>"$work/err"
    check "nft: after '$change' the next snapshot finds all in order" test ! -s "$work/err"
  done <<'CASES'
HOSTS="10.0.0.1=printer 10.0.1.5=bob"|3000|500|0
HOSTS="10.0.0.1=laser"|3000|0|700
WAN_IF=wan0|3000|500|700
COUNT=all|3000|500|700
IPV6_HOSTS=64|3000|500|700
SET_SIZE=8|0|500|700
SUBNETS="10.0.1.0/24 2001:db8:1::/64 10.0.2.0/24"|3000|500|700
CASES
  # A full set is recorded when its row of what it had no room for grows, a case a line: the
  # row's bytes in the snapshot before and in the one after (- no row), whether it is a loss.
  while IFS='|' read -r before after recorded; do
    for file in before after; do
      eval "bytes=\$$file"
      {
        echo "Chain NETRECKON_IN (1 references)"
        echo "    pkts      bytes target     prot opt in     out     source               destination"
        echo "       1     1000            all  --  *      *       0.0.0.0/0            10.0.1.7"
        [ "$bytes" = - ] || echo "       1 $bytes            all  --  *      *       0.0.0.0/0            10.0.1.0/24          /* not counted: set full */"
      } >"$work/$file"
    done
    got=no
    in_ns sh -c ". '$contrib/netreckon-common.sh'; . '$contrib/netreckon-nft.sh'; nft_set_filled '$work/before' '$work/after'" && got=yes
    check "a full set's row from $before to $after is a loss: $recorded" test "$got" = "$recorded"
  done <<'CASES'
0|0|no
0|1|yes
-|1|yes
-|0|no
5|4|no
99999999999999999999|100000000000000000000|yes
100000000000000000000|99999999999999999999|no
1000|-|no
CASES
  for value in BACKEND=pf IPV6_HOSTS=48 SET_SIZE=0 SET_SIZE=16777217 SET_TIMEOUT=14m SET_TIMEOUT=0h \
    SET_TIMEOUT=1x SET_TIMEOUT=31d SET_TIMEOUT=1h30m SET_TIMEOUT=090m SET_TIMEOUT= MAC_LIMIT=0 MAC_LIMIT=65537 \
    MAC_LIMIT=08 MAC_LIMIT=1e3 MAC_LIMIT=; do
    start_case "10.0.0.1"
    printf '%s\n' BACKEND=nft "$value" >>"$work/case/conf"
    chains add 2>"$work/err"
    check "nft: $value refused" test $? -eq 1
  done
  # SET_TIMEOUT taken, a case a line: the value, then the set's timeout as nft lists it.
  while IFS='|' read -r value listed; do
    start_case "10.0.0.1"
    printf '%s\n' BACKEND=nft 'SUBNETS="10.0.1.0/24"' "SET_TIMEOUT=$value" >>"$work/case/conf"
    chains --time 20261102110000 add 2>/dev/null
    check "nft: SET_TIMEOUT=$value taken" test $? -eq 0
    in_ns nft list set inet netreckon NETRECKON_IN_v4_10_0_1_0_24 >"$work/set" 2>&1
    check "nft: SET_TIMEOUT=$value in the set" contains "$work/set" "timeout $listed"
  done <<'CASES'
15m|15m
90m|1h30m
2d|2d
720h|30d
CASES
  # Never more hosts than a report reads (100,000 in a direction), a case a line: the settings
  # (";" between them; one host, 10.0.0.1, is listed), then "taken" or what the refusal says.
  while IFS='|' read -r settings outcome; do
    start_case "10.0.0.1"
    { echo BACKEND=nft; printf '%s\n' "$settings" | tr ';' '\n'; } >>"$work/case/conf"
    status=0
    chains --time 20261102110000 add 2>"$work/err" || status=$?
    if [ "$outcome" = taken ]; then
      check "nft: $settings taken" test "$status" = 0
      check "nft: $settings makes the table" has_table
    else
      check "nft: $settings refused" test "$status" = 1
      check "nft: $settings says '$outcome'" contains "$work/err" "$outcome"
      check "nft: $settings makes no table" test "$(in_ns nft list tables | grep -c netreckon)" -eq 0
    fi
  done <<'CASES'
SUBNETS="192.168.1.0/24 192.168.2.0/24 2001:db8:1::/64 2001:db8:2::/64"|taken
SUBNETS="10.0.0.0/16 2001:db8:1::/64"|taken
SUBNETS="2001:db8:1::/64 2001:db8:2::/64";SET_SIZE=65536|can hold 131079 hosts in a direction (listed hosts and rows of what no host took included), more than the 100000 a report reads: set SET_SIZE to 49996 or less, or list fewer subnets; nothing changed
SUBNETS="2001:db8:1::/64 2001:db8:2::/64";SET_SIZE=49996|taken
SUBNETS="2001:db8:1::/64 2001:db8:2::/64";SET_SIZE=49997|set SET_SIZE to 49996 or less
SUBNETS="2001:db8:1::/64 2001:db8:2::/64";SET_SIZE=65536;IPV6_HOSTS=64|taken
SUBNETS="10.0.0.0/8";SET_SIZE=16777216|SUBNETS with SET_SIZE=16777216 can hold 16777220 hosts
SUBNETS="10.0.0.0/8";SET_SIZE=16777216|set SET_SIZE to 99996 or less
SUBNETS="2001:db8:1::/64 2001:db8:2::/64 2001:db8:3::/64 2001:db8:4::/64 2001:db8:5::/64 2001:db8:6::/64 2001:db8:7::/64"|set SET_SIZE to 14282 or less
CASES
  start_case "10.0.0.1"
  echo 'SUBNETS="10.0.1.0/24"' >>"$work/case/conf"
  chains add 2>"$work/err"
  check "SUBNETS without BACKEND=nft refused" contains "$work/err" "SUBNETS needs BACKEND=nft"
else
  echo "skipped: the nftables cases need a working nft"
fi

# The host normaliser, a case a line: entry, then what it prints (or "invalid"), as
# "iptables -S" and "ip6tables -S" print it.
while IFS='|' read -r entry expected; do
  got=$(printf '%s\n' "$entry" | "$NETRECKON_KIT" hosts 2>/dev/null || echo invalid)
  check "host '$entry' gives '$expected' (got '$got')" test "$got" = "$expected"
done <<'CASES'
10.0.0.1|4 10.0.0.1/32
10.0.0.1/32|4 10.0.0.1/32
192.168.1.77/24|4 192.168.1.0/24
0.0.0.0/0|invalid
10.0.0.1/33|invalid
10.0.0.1/032|invalid
10.0.0.256|invalid
010.0.0.1|invalid
2001:DB8::A|6 2001:db8::a/128
2001:0db8:0000:0000:0000:0000:0000:0001|6 2001:db8::1/128
2001:db8::1/128|6 2001:db8::1/128
2001:db8:0:0:1::5/64|6 2001:db8::/64
2001:db8:0:1:2:3:4:5|6 2001:db8:0:1:2:3:4:5/128
2001:db8:0:0:1:0:0:1|6 2001:db8::1:0:0:1/128
2001:db8::1:0:0:1/96|6 2001:db8:0:0:1::/96
2001:db8:1:2:3::/33|6 2001:db8::/33
::/0|invalid
2001:db8::5/064|invalid
2001:db8::1/0128|invalid
2001:db8::1/129|invalid
::ffff:192.0.2.1|6 ::ffff:192.0.2.1/128
2001:db8:::1|invalid
10.0.0.9=printer|4 10.0.0.9/32 printer
10.0.0.9=bad name|invalid
10.0.0.9=|invalid
10.0.0.9=netreckon-reset-mark|invalid
CASES

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
