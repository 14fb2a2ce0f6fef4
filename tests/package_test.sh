#!/bin/sh
# The Debian package as an admin meets it: built from the committed tree, checked with lintian
# (no error, no warning), installed with apt, run from the installed paths on the packaged
# example logs, its units verified and enabled, then purged, after which nothing of it may be
# left: no file, unit, enable link or chain. The package's scripts touch the firewall, so apt
# runs inside a network namespace of its own. Needs root and apt; run by .ci/run.
# Usage: package_test.sh
set -eu
cd "$(dirname "$0")/.."
work=$(mktemp -d)
ns="netreckon-package-$$"
trap 'ip netns del "$ns" 2>/dev/null; rm -rf "$work"' EXIT
ip netns add "$ns"
in_ns() { ip netns exec "$ns" "$@"; }
fail() {
  echo "FAIL: $*"
  exit 1
}

mkdir "$work/src"
git archive HEAD | tar -x -C "$work/src"
(cd "$work/src" && dpkg-buildpackage -us -uc -b >"$work/build.log" 2>&1) ||
  { tail -n 40 "$work/build.log"; fail "dpkg-buildpackage"; }
deb=$(ls "$work"/netreckon_*_*.deb)
lintian --fail-on error,warning "$deb" || fail "lintian"

in_ns env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install"
version=$(sed -n 's/^project(netreckon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(netreckon --version)" = "netreckon $version" ] || fail "netreckon --version"
report=$(netreckon 0 20261102 20261105 /usr/share/doc/netreckon/examples/logs/ traffic_in_ traffic_out_)
printf '%s\n' "$report" | grep -q "Totals for all hosts in filter	Incoming \[1969.00 MB\]" ||
  fail "the report on the packaged example logs"
# The notes' first report takes the day before as well: "today today" holds only today's traffic.
zcat -f /usr/share/doc/netreckon/README.Debian* | grep -q "netreckon 0 today-1 today " ||
  fail "README.Debian's first report is not today-1 today"
[ -x /usr/sbin/netreckon-chains ] && [ -x /usr/sbin/netreckon-snapshot ] || fail "the kit is not in /usr/sbin"
[ -f /usr/share/man/man8/netreckon-chains.8.gz ] || fail "no netreckon-chains(8)"
netreckon-chains --help >/dev/null || fail "netreckon-chains --help"
netreckon-snapshot --help >/dev/null || fail "netreckon-snapshot --help"
[ -f /etc/netreckon.conf ] || fail "no /etc/netreckon.conf"
# No hosts yet: nothing is set up.
status=0
in_ns netreckon-chains add 2>"$work/err" || status=$?
[ "$status" = 1 ] && grep -q "no hosts in /etc/netreckon.conf" "$work/err" || fail "add without hosts: status $status"
[ -z "$(in_ns iptables -t security -S | grep NETRECKON)" ] || fail "add without hosts changed the firewall"
[ "$(stat -c '%U %a' /var/log/netreckon)" = "root 755" ] || fail "/var/log/netreckon is not root's 0755"
units=/lib/systemd/system
for unit in netreckon-snapshot.timer netreckon-snapshot.service netreckon-chains.service; do
  [ -f "$units/$unit" ] || fail "$unit is not in $units"
  if systemctl is-enabled "$unit" 2>/dev/null | grep -q '^enabled'; then
    fail "$unit is enabled"
  fi
done
if systemd-analyze --version >/dev/null 2>&1; then
  systemd-analyze verify --man=no "$units/netreckon-snapshot.service" "$units/netreckon-snapshot.timer" \
    "$units/netreckon-chains.service" || fail "systemd-analyze verify"
  for unit in netreckon-snapshot.service netreckon-chains.service; do
    exposure=$(systemd-analyze security --offline=true "$units/$unit" 2>/dev/null |
      sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
    awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 3.0) }' || fail "$unit: exposure ${exposure:-unknown}, above 3.0"
  done
fi
# The maintainer scripts handle the units.
grep -q deb-systemd-helper /var/lib/dpkg/info/netreckon.postinst || fail "the postinst does not handle the units"
grep -q 'deb-systemd-invoke stop.*netreckon-snapshot.timer' /var/lib/dpkg/info/netreckon.prerm ||
  fail "the prerm does not stop the timer on removal"

# Set up and enabled as an admin does, then purged: nothing may be left.
sed -i 's/^HOSTS=.*/HOSTS="192.0.2.10=printer 2001:db8::10"/' /etc/netreckon.conf
in_ns netreckon-chains add 2>/dev/null || fail "netreckon-chains add"
[ -n "$(in_ns iptables -t security -S | grep NETRECKON)" ] || fail "add set up nothing"
systemctl enable netreckon-chains.service netreckon-snapshot.timer >/dev/null 2>&1 || fail "systemctl enable"
[ -n "$(find /etc/systemd/system -name 'netreckon*')" ] || fail "no enable links"

dpkg -L netreckon >"$work/files"
in_ns env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq netreckon >/dev/null || fail "apt-get purge"
[ -z "$(find /etc/systemd/system -name 'netreckon*')" ] || fail "enable links left after purge"
[ -z "$( (in_ns iptables -t security -S; in_ns ip6tables -t security -S) | grep NETRECKON)" ] ||
  fail "chains left after purge"
while read -r path; do
  [ -d "$path" ] && continue
  [ ! -e "$path" ] || fail "left after purge: $path"
done <"$work/files"
[ ! -e /etc/netreckon.conf ] || fail "/etc/netreckon.conf left after purge"
# The last snapshot stays (the removal took it), so the folder does too; nothing else of it.
[ -z "$(find /var/log/netreckon -mindepth 1 ! -name 'traffic_*' 2>/dev/null)" ] || fail "kit files left in /var/log/netreckon"
rm -rf /var/log/netreckon
[ ! -e /usr/lib/netreckon ] && [ ! -e /usr/share/doc/netreckon ] || fail "netreckon folders left after purge"
echo "package: ok"
