#!/usr/bin/env python3
"""Peak memory of netreckon on hostile directories: files of millions of distinct keys.

Writes, under a temporary folder, two snapshots of about 250 MiB each whose every row is a new
host (3.4 million distinct keys per file) and a baseline, runs a csv report over both with GNU
time, and prints the status, the wall time and the peak resident memory. The run stays below
512 MB because a run holds at most 100,000 hosts; the rows of further hosts are left out, said
once, and the status is 1.
"""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NETRECKON = os.path.join(ROOT, "build", "release", "netreckon")
HEADER = b"Chain NET_IN (1 references)\n pkts bytes target prot opt in out source destination\n"
ROW = b"    1     1234 RETURN     all  --  *      *       0.0.0.0/0            k%07d.example.lan\n"


def write_snapshot(path, first_key, size):
    with open(path, "wb") as log:
        log.write(HEADER)
        written = len(HEADER)
        key = first_key
        block = []
        while written < size:
            row = ROW % key
            block.append(row)
            written += len(row)
            key += 1
            if len(block) == 65536:
                log.write(b"".join(block))
                block = []
        log.write(b"".join(block))
    return key - first_key


def main():
    if not os.path.exists(NETRECKON):
        sys.exit("build the release binary first: cmake --workflow --preset release")
    size = int(os.environ.get("BENCH_SNAPSHOT_MIB", "250")) * 1024 * 1024
    with tempfile.TemporaryDirectory() as folder:
        keys = 0
        for stamp, first in (("20261201120000", 0), ("20261202120000", 5000000)):
            keys = write_snapshot(os.path.join(folder, f"in_{stamp}"), first, size)
        write_snapshot(os.path.join(folder, "in_20261130120000"), 0, 1 << 20)
        with open(os.path.join(folder, "out_20261201120000"), "wb") as log:
            log.write(HEADER)
        result = subprocess.run(
            ["/usr/bin/time", "-f", "%e %M", NETRECKON, "csv", "20261201", "20261202", folder,
             "in_", "out_"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, check=False)
        lines = result.stderr.decode().strip().splitlines()
        wall, rss_kb = lines[-1].split()
        print(f"two snapshots of {size >> 20} MiB, {keys} distinct keys each: status "
              f"{result.returncode}, {wall} s, peak RSS {int(rss_kb) / 1024:.1f} MB")
        said = [line for line in lines[:-1] if line.startswith("netreckon: ")]
        print(f"  {len(said)} lines on standard error, the last: {said[-1] if said else ''}")
        print(f"hostile_rss_kb={rss_kb} hostile_status={result.returncode}")


main()
