#!/bin/sh
# The collector kit against a stand-in iptables: exact listings, IPv6 rows, both-or-nothing
# snapshots, a shared or hostile log directory, chains healed after a reboot, config forms and
# values that are never globbed, "add" that matches HOSTS exactly, named hosts, dry runs, the
# host normaliser, the cron PATH, the --time check and retention that keeps the baseline.
# Usage: kit_test.sh CONTRIB_DIR CRON_FILE
set -u
contrib=$(cd "$1" && pwd)
cron_file=$2
fake="$(cd "$(dirname "$0")" && pwd)/kit/fake-iptables"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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

# A fresh case: an empty state for both families and a config naming them.
start_case() { # hosts
  rm -rf "$work/case"
  mkdir -p "$work/case/logs"
  cat >"$work/case/conf" <<CONF
HOSTS="$1"
LOG_DIR=$work/case/logs
IPTABLES="sh $fake $work/case/v4 4"
IP6TABLES="sh $fake $work/case/v6 6"
CONF
}
chains() { sh "$contrib/netreckon-chains" --config "$work/case/conf" "$@"; }
snapshot() { sh "$contrib/netreckon-snapshot" --config "$work/case/conf" "$@"; }
logs_are() { [ "$(ls -A "$work/case/logs" | tr '\n' ' ')" = "$1" ]; }
contains() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }

# Exact listings, with the IPv6 chain's rows after the IPv4 ones.
start_case "10.0.0.1 2001:DB8::1"
chains add >/dev/null
snapshot --time 20261102120000
in_log=$work/case/logs/traffic_in_20261102120000
check "snapshot lists exactly" contains "$work/case/v4/calls" "-L NETRECKON_IN -v -n -x"
check "one header, IPv4 rows" test "$(sed -n 3p "$in_log" | awk '{ print $2, $8 }')" = "150000000123 10.0.0.1"
check "IPv6 rows follow" test "$(sed -n 4p "$in_log" | awk '{ print $2, $8 }')" = "150000000123 2001:db8::1"
check "IPv6 header dropped" test "$(wc -l <"$in_log")" -eq 4
check "outgoing keys are sources" test "$(sed -n 3p "$work/case/logs/traffic_out_20261102120000" | awk '{ print $7 }')" = 10.0.0.1
check "no temporary files" logs_are "traffic_in_20261102120000 traffic_out_20261102120000 "

# A missing chain (a reboot, a firewall reload) is set up again from HOSTS, said, and the
# snapshot taken; without HOSTS it fails and writes nothing. A listing without its column titles
# fails and writes nothing.
start_case "10.0.0.1 2001:db8::1"
snapshot --time 20261102120000 2>"$work/err"
check "missing chains healed" test $? -eq 0
check "healing said" contains "$work/err" "missing chains"
check "healed chains listed" contains "$work/case/logs/traffic_in_20261102120000" "10.0.0.1"
check "healed IPv6 chain listed" contains "$work/case/logs/traffic_in_20261102120000" "2001:db8::1"
check "every call waits for the lock" test "$(grep -vc '^-w ' "$work/case/v4/calls")" -eq 0
start_case ""
snapshot --out-chain NOSUCH --time 20261102120000 2>"$work/err"
check "missing chain without hosts fails" test $? -ne 0
check "missing chain without hosts says so" contains "$work/err" "HOSTS is empty"
check "missing chain leaves nothing" logs_are ""
start_case "10.0.0.1"
chains add >/dev/null
FAKE_NO_HEADER=1 snapshot --time 20261102120000 2>"$work/err"
check "incomplete listing fails" test $? -ne 0
check "incomplete listing leaves nothing" logs_are ""
printf '%s\n' '#!/bin/sh' '[ "$1" = -w ] && shift' 'case "$1" in -L) echo "iptables: Permission denied (you must be root)." >&2; exit 4 ;; esac' \
  'exit 0' >"$work/denied"
snapshot --iptables "sh $work/denied" --time 20261102120000 2>"$work/err"
check "a failing listing fails" test $? -ne 0
check "a failing listing gives its own message" contains "$work/err" "Permission denied (you must be root)"

# A shared or hostile log directory: refused before anything is written, or only the kit's
# own new files written; never a write through a link, never a file inside a folder planted at
# a snapshot's name.
start_case "10.0.0.1"
chains add >/dev/null
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
if [ "$(id -u)" = 0 ] && chown nobody "$work/case/logs" 2>/dev/null; then
  snapshot --time 20261102120000 2>"$work/err"
  check "foreign-owned log dir refused" test $? -ne 0
  check "foreign-owned log dir says so" contains "$work/err" "belongs to user"
  chown 0 "$work/case/logs"
fi
ln -s "$work/victim" "$work/case/logs/traffic_in_20261102120000"
ln -s "$work/victim" "$work/case/logs/.snapshot.err"
snapshot --time 20261102120000 2>"$work/err"
check "a link at the snapshot's name refused" test $? -ne 0
check "a link's target untouched" test "$(cat "$work/victim")" = secret
check "a link at the name: nothing else written" logs_are ".snapshot.err traffic_in_20261102120000 "
rm -f "$work/case/logs/traffic_in_20261102120000"
mkdir "$work/case/logs/traffic_out_20261102120000"
ln -s "$work" "$work/case/logs/traffic_in_20261102120000"
snapshot --time 20261102120000 2>"$work/err"
check "a folder at the snapshot's name refused" test $? -ne 0
check "nothing moved into a planted folder" test -z "$(ls -A "$work/case/logs/traffic_out_20261102120000")"
check "nothing moved through a link to a folder" test ! -e "$work/in" -a ! -e "$work/out"
check "victim still untouched" test "$(cat "$work/victim")" = secret

# A full file system: a tiny tmpfs in a private mount namespace.
if [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
  start_case "10.0.0.1 10.0.0.2"
  chains add >/dev/null
  FAKE_ROWS=400 unshare -m sh -c '
    mount -t tmpfs -o size=16k,mode=0755 netreckon-test "$1/logs" || exit 99
    sh "$2/netreckon-snapshot" --config "$1/conf" --time 20261102120000 2>"$1/err"
    echo $? >"$1/status"
    ls -A "$1/logs" >"$1/left"' sh "$work/case" "$contrib"
  check "full disk fails" test "$(cat "$work/case/status")" -ne 0
  check "full disk leaves nothing" test ! -s "$work/case/left"
  check "full disk says so" contains "$work/case/err" "cannot write"
else
  echo "skipped: the full file system case needs root and mount namespaces"
fi

# Config as admins write it: export, spaces, quotes, comments, CRLF; unknown keys warned about.
start_case ""
printf '%s\r\n' '  export HOSTS = "10.0.0.21 10.0.0.22" # lab hosts' "IN_CHAIN='LAB_IN'  # in" \
  'OUT_CHAIN=LAB_OUT # out' "IPTABLES=\"sh $fake $work/case/v4 4\"" 'COLOUR=blue' \
  >"$work/case/conf"
chains --dry-run add >"$work/out" 2>"$work/err"
check "config forms read" contains "$work/out" "-A LAB_IN -d 10.0.0.22/32"
check "quoted chain read" contains "$work/out" "-A LAB_OUT -s 10.0.0.21/32"
check "no carriage return kept" lacks "$work/out" "$(printf '\r')"
check "unknown key warned" contains "$work/err" "unknown key COLOUR"
check "dry run changes nothing" test ! -s "$work/case/v4/rules"

# Setup never stops half way: one bad address, one bad line, and nothing changes.
for hosts in "10.0.0.1 10.0.0.300" "10.0.0.1 2001:db8::g" "10.0.0.1 host.example"; do
  start_case "$hosts"
  chains add 2>"$work/err"
  check "bad host '$hosts' fails" test $? -ne 0
  check "bad host '$hosts' changes nothing" test ! -s "$work/case/v4/chains"
  check "bad host '$hosts' named" contains "$work/err" "invalid host address"
done
start_case "10.0.0.1 2001:db8::1"
echo 'IP6TABLES=no-such-ip6tables' >>"$work/case/conf"
chains add 2>"$work/err"
check "missing ip6tables fails" test $? -ne 0
check "missing ip6tables changes nothing" test ! -s "$work/case/v4/chains"
start_case "10.0.0.1"
echo 'HOSTS=10.0.0.1 10.0.0.2' >>"$work/case/conf"
chains add 2>"$work/err"
check "unquoted blanks fail" test $? -ne 0
check "unquoted blanks change nothing" test ! -s "$work/case/v4/chains"

# add matches HOSTS exactly; a dry run after it prints nothing.
start_case "10.0.0.1 10.0.0.2 10.0.0.3 2001:db8::1"
chains add >/dev/null
check "rules added" test "$(grep -c '^NETRECKON_IN -d' "$work/case/v4/rules")" -eq 3
check "IPv6 rules added" contains "$work/case/v6/rules" "NETRECKON_OUT -s 2001:db8::1/128"
check "jumps added" contains "$work/case/v6/rules" "FORWARD -j NETRECKON_OUT"
chains --dry-run add >"$work/out"
check "dry run on a complete setup prints nothing" test ! -s "$work/out"
sed -i 's/^HOSTS=.*/HOSTS="10.0.0.1 10.0.0.3"/' "$work/case/conf"
chains --dry-run add >"$work/out"
check "dry run prints the removal only" test "$(cat "$work/out")" = "sh $fake $work/case/v4 4 -D NETRECKON_IN -d 10.0.0.2/32
sh $fake $work/case/v4 4 -D NETRECKON_OUT -s 10.0.0.2/32
sh $fake $work/case/v6 6 -D NETRECKON_IN -d 2001:db8::1/128
sh $fake $work/case/v6 6 -D NETRECKON_OUT -s 2001:db8::1/128"
chains add >/dev/null
check "removed host's rule gone" lacks "$work/case/v4/rules" "10.0.0.2/32"
check "listed hosts kept" test "$(grep -c '^NETRECKON_' "$work/case/v4/rules")" -eq 4
chains remove
check "remove leaves no chain" test ! -s "$work/case/v4/chains"
check "remove leaves no IPv6 chain" test ! -s "$work/case/v6/chains"

# The time of a snapshot must be a real local date and time.
start_case "10.0.0.1"
chains add >/dev/null
for stamp in 20261399999999 20260230120000 20261102250000 2026110212; do
  snapshot --time "$stamp" 2>/dev/null
  check "time $stamp refused" test $? -ne 0
done
TZ=Europe/Berlin snapshot --time 20260329023000 2>/dev/null
check "a time in the spring gap refused" test $? -ne 0
check "refused times leave nothing" logs_are ""

# cron's PATH finds iptables: the line sets one, and the scripts add sbin to a bare one.
check "cron line sets PATH" contains "$cron_file" "PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
if [ -x /usr/sbin/iptables ] && [ "$(id -u)" = 0 ]; then
  env -i PATH=/usr/bin:/bin sh "$contrib/netreckon-snapshot" --config /dev/null --dir "$work/cron" \
    --in-chain NETRECKON_NO_SUCH_CHAIN --time 20261102120000 2>"$work/err"
  check "cron PATH finds iptables" lacks "$work/err" "not found"
fi

# Retention: snapshots of the two prefixes older than KEEP_DAYS days go, except each prefix's
# newest older one (the baseline of the oldest day kept); nothing else.
start_case "10.0.0.1"
chains add >/dev/null
today=$(date +%Y%m%d)
older=$(date -d "today - 11 days" +%Y%m%d)
old=$(date -d "today - 10 days" +%Y%m%d)
edge=$(date -d "today - 3 days" +%Y%m%d)
for name in "traffic_in_${older}120000" "traffic_in_${old}235500" "traffic_out_${older}120000" \
  "traffic_out_${old}235500" "traffic_in_${edge}000000" "other_${old}120000" "traffic_in_${old}notes"; do
  echo x >"$work/case/logs/$name"
done
echo KEEP_DAYS=3 >>"$work/case/conf"
snapshot --time "${today}000000"
check "old snapshots deleted" test ! -e "$work/case/logs/traffic_in_${older}120000" -a \
  ! -e "$work/case/logs/traffic_out_${older}120000"
check "the newest older snapshot kept as the baseline" test -e "$work/case/logs/traffic_in_${old}235500" -a \
  -e "$work/case/logs/traffic_out_${old}235500"
check "recent and foreign files kept" test -e "$work/case/logs/traffic_in_${edge}000000" -a \
  -e "$work/case/logs/other_${old}120000" -a -e "$work/case/logs/traffic_in_${old}notes"
for days in x 36501 12345678901234567890 -1; do
  snapshot --keep-days "$days" --time "${today}000100" 2>"$work/err"
  check "keep-days $days refused" test $? -ne 0
  check "keep-days $days says why" contains "$work/err" "from 0 to 36500"
done
check "a refused keep-days deletes nothing" test -e "$work/case/logs/traffic_in_${old}235500"
check "a refused keep-days writes nothing" test ! -e "$work/case/logs/traffic_in_${today}000100"

# Prefixes: empty, equal (ignoring case) or with other characters are refused before anything.
for prefixes in "--in-prefix= --out-prefix=o_" "--in-prefix a_ --out-prefix A_" "--in-prefix a/b_ --out-prefix o_"; do
  start_case "10.0.0.1"
  chains add >/dev/null
  # shellcheck disable=SC2086
  snapshot $prefixes --time 20261102120000 2>"$work/err"
  check "prefixes '$prefixes' refused" test $? -ne 0
  check "prefixes '$prefixes' leave nothing" logs_are ""
done

# Values are data: a globbing character stays as written (and is no address).
start_case "10.9.9.?"
touch "$work/10.9.9.7"
(cd "$work" && sh "$contrib/netreckon-chains" --config "$work/case/conf" add) 2>"$work/err"
check "a glob in HOSTS is not expanded" contains "$work/err" "invalid host address 10.9.9.?"
check "a glob in HOSTS changes nothing" test ! -s "$work/case/v4/chains"

# Named hosts carry their name on both rules and into every snapshot; a new name replaces
# the two rules, which a dry run shows.
start_case "10.0.0.1=printer 10.0.0.2"
chains add >/dev/null
check "a named rule carries its comment" contains "$work/case/v4/rules" "NETRECKON_IN -d 10.0.0.1/32 -m comment --comment printer"
snapshot --time 20261102120000
check "a snapshot names the host" contains "$work/case/logs/traffic_in_20261102120000" "10.0.0.1 /* printer */"
sed -i 's/printer/laser/' "$work/case/conf"
chains --dry-run add >"$work/out"
check "a new name replaces both rules" test "$(grep -c 'comment' "$work/out")" -eq 4
check "a new name leaves the other host alone" lacks "$work/out" "10.0.0.2"

# A /24 and an IPv6 /64 are added once; a second add changes nothing. A subnet holding a listed
# host is warned about.
start_case "192.168.1.0/24 2001:db8:1::/64 192.168.1.9"
chains add >/dev/null 2>"$work/err"
check "a subnet holding a host is warned about" contains "$work/err" "192.168.1.0/24 holds 192.168.1.9/32"
chains --dry-run add >"$work/out" 2>/dev/null
check "a second add changes nothing" test ! -s "$work/out"
check "the IPv6 prefix is kept as written" contains "$work/case/v6/rules" "NETRECKON_IN -d 2001:db8:1::/64"

# The host normaliser, a case a line: entry, then what it prints (or "invalid").
while IFS='|' read -r entry expected; do
  got=$(printf '%s\n' "$entry" | awk -f "$contrib/netreckon-hosts.awk" 2>/dev/null || echo invalid)
  check "host '$entry' gives '$expected' (got '$got')" test "$got" = "$expected"
done <<'CASES'
10.0.0.1|4 10.0.0.1/32
10.0.0.1/32|4 10.0.0.1/32
192.168.1.77/24|4 192.168.1.0/24
0.0.0.0/0|4 0.0.0.0/0
10.0.0.1/33|invalid
10.0.0.1/032|invalid
10.0.0.256|invalid
010.0.0.1|invalid
2001:DB8::A|6 2001:db8::a/128
2001:0db8:0000:0000:0000:0000:0000:0001|6 2001:db8::1/128
2001:db8::1/128|6 2001:db8::1/128
2001:db8:0:0:1::5/64|6 2001:db8::/64
2001:db8::5/064|invalid
2001:db8::1/0128|invalid
2001:db8::1/129|invalid
::ffff:192.0.2.1|6 ::ffff:192.0.2.1/128
2001:db8:::1|invalid
10.0.0.9=printer|4 10.0.0.9/32 printer
10.0.0.9=bad name|invalid
10.0.0.9=|invalid
CASES

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
