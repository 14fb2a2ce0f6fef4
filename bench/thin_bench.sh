#!/bin/sh
# Times the kit's thinning ("netreckon-kit thin") on the largest set the kit writes: FILES
# snapshots of one prefix of ROWS rows each (one set full, 65,536 hosts), counters growing, one
# host reset half way, all of one day and the next, and prints the time, the peak memory of the
# helper and how many of the files it would delete.
# Usage: [NETRECKON_KIT=HELPER] sh bench/thin_bench.sh [FILES [ROWS]]   (defaults 30 and 65536;
# HELPER defaults to the dev build's)
set -euf
files=${1:-30}
rows=${2:-65536}
here=$(cd "$(dirname "$0")" && pwd -P)
kit=${NETRECKON_KIT:-$here/../build/dev/netreckon-kit}
[ -x "$kit" ] || { echo "thin_bench: no helper at $kit (build it, or set NETRECKON_KIT)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work" "$work.list" "$work.thin" "$work.rss"' EXIT
awk -v files="$files" -v rows="$rows" -v dir="$work" 'BEGIN {
  for (f = 0; f < files; f++) {
    # Five minutes apart from 23:00 on: the last ones are of the next day.
    minute = 23 * 60 + 5 * f
    stamp = sprintf("2026110%d%02d%02d00", 1 + int(minute / 1440), int((minute % 1440) / 60), minute % 60)
    file = dir "/traffic_in_" stamp
    print "Chain NETRECKON_IN (3 references)" >file
    print "    pkts      bytes target     prot opt in     out     source               destination" >file
    for (r = 0; r < rows; r++) {
      bytes = (r == 7 && f == int(files / 2)) ? 0 : 1000000 * (r + 1) + 1000 * f * (r % 97 + 1)
      printf "%8d %10.0f RETURN     all  --  *      *       0.0.0.0/0            10.%d.%d.%d\n", f + 1, bytes, int(r / 65536), int(r / 256) % 256, r % 256 >file
    }
    close(file)
    print file >(dir ".list")
  }
}'
size=$(du -sk "$work" | cut -f1)
if ! command -v /usr/bin/time >/dev/null; then
  echo "thin_bench: needs GNU time (apt-get install time)" >&2
  exit 1
fi
/usr/bin/time -f '%e %U %M' -o "$work.rss" "$kit" thin <"$work.list" >"$work.thin"
read -r elapsed cpu rss <"$work.rss"
echo "thin: $files snapshots of $rows rows ($size KB) in $elapsed s ($cpu s of CPU), peak memory $rss KB, $(wc -l <"$work.thin") of them deletable"
