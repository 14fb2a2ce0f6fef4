#!/bin/sh
# The Debian package as an admin meets it: built from the committed tree, checked with lintian
# (no error, no warning), installed with apt, run from the installed paths on the packaged
# example logs, its units verified, then purged, after which nothing of it may be left.
# Needs root and apt; run by .ci/run. Usage: package_test.sh
set -eu
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install"
version=$(sed -n 's/^project(netreckon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(netreckon --version)" = "netreckon $version" ] || fail "netreckon --version"
report=$(netreckon 0 20261102 20261105 /usr/share/doc/netreckon/examples/logs/ traffic_in_ traffic_out_)
printf '%s\n' "$report" | grep -q "Totals for all hosts in filter	Incoming \[1969.00 MB\]" ||
  fail "the report on the packaged example logs"
netreckon-chains --help >/dev/null || fail "netreckon-chains --help"
netreckon-snapshot --help >/dev/null || fail "netreckon-snapshot --help"
[ -f /etc/netreckon.conf ] || fail "no /etc/netreckon.conf"
[ "$(stat -c '%U %a' /var/log/netreckon)" = "root 755" ] || fail "/var/log/netreckon is not root's 0755"
for unit in netreckon-snapshot.timer netreckon-snapshot.service netreckon-chains.service; do
  if systemctl is-enabled "$unit" 2>/dev/null | grep -q '^enabled'; then
    fail "$unit is enabled"
  fi
done
if systemd-analyze --version >/dev/null 2>&1; then
  systemd-analyze verify --man=no /usr/lib/systemd/system/netreckon-snapshot.service \
    /usr/lib/systemd/system/netreckon-snapshot.timer /usr/lib/systemd/system/netreckon-chains.service ||
    fail "systemd-analyze verify"
fi

dpkg -L netreckon >"$work/files"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq netreckon >/dev/null || fail "apt-get purge"
while read -r path; do
  [ -d "$path" ] && [ ! -L "$path" ] && continue
  [ ! -e "$path" ] || fail "left after purge: $path"
done <"$work/files"
[ ! -e /etc/netreckon.conf ] || fail "/etc/netreckon.conf left after purge"
[ ! -e /var/log/netreckon ] || fail "/var/log/netreckon left after purge although empty"
[ ! -e /usr/lib/netreckon ] && [ ! -e /usr/share/doc/netreckon ] || fail "netreckon folders left after purge"
echo "package: ok"
