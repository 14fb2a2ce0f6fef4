#!/bin/sh
# Installs the build under a fresh prefix, as "cmake --install BUILD --prefix P" does, checks
# that the units and the cron line name the programs under P and that systemd accepts the units
# (where systemd-analyze runs), then uninstalls and checks that no file is left.
# Usage: install_test.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "install"
units="$prefix/lib/systemd/system"
for unit in netreckon-snapshot.service netreckon-chains.service; do
  grep -q "^ExecStart=$prefix/sbin/netreckon-" "$units/$unit" || fail "$unit does not name $prefix/sbin"
done
grep -q " root $prefix/sbin/netreckon-snapshot\$" "$prefix/share/doc/netreckon/netreckon.cron" ||
  fail "the cron line does not name $prefix/sbin"
for program in bin/netreckon sbin/netreckon-chains sbin/netreckon-snapshot; do
  [ -x "$prefix/$program" ] || fail "$program not installed"
done
for page in man1/netreckon.1 man8/netreckon-chains.8 man8/netreckon-snapshot.8; do
  [ -f "$prefix/share/man/$page" ] || fail "$page not installed"
done
"$prefix/sbin/netreckon-chains" --help >/dev/null || fail "netreckon-chains does not find its shared part"
[ -x "$prefix/lib/netreckon/netreckon-kit" ] || fail "the kit's helper is not installed as a program"
for part in netreckon-common.sh netreckon-setup.sh netreckon-iptables.sh netreckon-nft.sh netreckon-kit; do
  [ -f "$prefix/lib/netreckon/$part" ] || fail "the kit's $part not installed"
done
# Planning and thinning are the helper's: no awk program of their own is left to drift.
for gone in netreckon-plan.awk netreckon-thin.awk netreckon-nft.awk netreckon-nft-plan.awk; do
  [ ! -e "$prefix/lib/netreckon/$gone" ] || fail "$gone is installed, though the helper does its work"
done
if command -v systemd-analyze >/dev/null && systemd-analyze --version >/dev/null 2>&1; then
  systemd-analyze verify --man=no "$units/netreckon-snapshot.service" "$units/netreckon-snapshot.timer" \
    "$units/netreckon-chains.service" || fail "systemd-analyze verify"
else
  echo "skipped: systemd-analyze does not run here"
fi
cmake --build "$build" --target uninstall >/dev/null || fail "uninstall"
left=$(find "$prefix" -type f -o -type l)
[ -z "$left" ] || fail "left after uninstall: $left"
[ ! -e "$prefix/lib/netreckon" ] && [ ! -e "$prefix/share/doc/netreckon" ] || fail "netreckon folders left"
[ "$failed" -eq 0 ] && echo "install: ok"
exit "$failed"
