#!/usr/bin/env python3
"""Times netreckon on a month, a year and a network of 5-minute snapshots against reading them.

Builds the two log directories once under bench/data/ (git-ignored), then alternates runs of
netreckon and of its floor with a warm page cache and prints medians, the ratio and peak memory.
"""
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "release")
DATA = os.path.join(ROOT, "bench", "data")
NETRECKON = os.path.join(BUILD, "netreckon")
GENERATOR = os.path.join(BUILD, "gen_logs")
RUNS = int(os.environ.get("BENCH_RUNS", "7"))

DATASETS = [
    # name, generator options, report range, floor lists the directory first
    ("MONTH", ["--hosts", "100", "--days", "31", "--per-day", "288", "--start", "20261001",
               "--seed", "11", "--reset-at", "4000"], ("20261001", "20261031"), False),
    ("YEAR", ["--hosts", "20", "--days", "365", "--per-day", "288", "--start", "20260101",
              "--seed", "12"], ("20260701", "20260707"), True),
]
# The same data sets as exact listings (-x): longer rows, counters up to 14 digits.
DATASETS += [(name + "_EXACT", options + ["--exact"], dates, list_first)
             for name, options, dates, list_first in DATASETS]
# A whole year reported at once, and an office network of 2,000 hosts.
DATASETS += [
    ("WHOLEYEAR", None, ("20260101", "20261231"), True),
    ("NET", ["--hosts", "2000", "--days", "8", "--per-day", "96", "--start", "20261101",
             "--seed", "13"], ("20261102", "20261108"), False),
]
PREFIXES = ("traffic_in_", "traffic_out_")


def build_dataset(name, options):
    if options is None:  # the same directory as another data set: WHOLEYEAR reads YEAR's
        return os.path.join(DATA, "year")
    folder = os.path.join(DATA, name.lower())
    done = folder + ".done"
    if not os.path.exists(done):
        subprocess.run(["rm", "-rf", folder], check=True)
        print(f"writing {name} logs to {folder} ...", flush=True)
        subprocess.run([GENERATOR, "--dir", folder] + options, check=True)
        open(done, "w").close()
    return folder


def files_read(folder, first, last):
    """The files a run reads with the names in byte order: the range and the one before it."""
    names = sorted(os.listdir(folder))
    chosen = []
    for prefix in PREFIXES:
        mine = [n for n in names if n.startswith(prefix)]
        dated = [(n, n[-14:-6]) for n in mine]
        inside = [i for i, (_, d) in enumerate(dated) if first <= d <= last]
        if inside and inside[0] > 0:
            chosen.append(mine[inside[0] - 1])
        chosen.extend(mine[i] for i in inside)
    return chosen


def timed(argv, cwd):
    """Wall seconds of one process."""
    start = time.perf_counter()
    status = subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    if status.returncode != 0:
        sys.exit(f"failed: {argv[:3]}")
    return wall


def peak_rss_kb(argv, cwd):
    """Peak resident kilobytes, taken by GNU time: a child forked from this interpreter would
    report the interpreter's own size."""
    out = os.path.join(DATA, "rss.txt")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", out] + argv, cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(out) as result:
        return int(result.read().split()[-1])


def measure(name, folder, first, last, list_first):
    names = files_read(folder, first, last)
    with open(os.path.join(DATA, name.lower() + ".files"), "w") as listing:
        listing.write("\0".join(names))
    cat = f"xargs -0 cat < {name.lower()}.files > /dev/null"
    floor = ["sh", "-c", ("ls -f " + folder + " > /dev/null; " if list_first else "")
             + "cd " + folder + " && " + cat.replace(name.lower() + ".files",
                                                     os.path.join(DATA, name.lower() + ".files"))]
    ours = [NETRECKON, "0", first, last, folder + "/", PREFIXES[0], PREFIXES[1]]
    timed(ours, folder)
    timed(floor, folder)
    our_times, floor_times = [], []
    for _ in range(RUNS):
        our_times.append(timed(ours, folder))
        floor_times.append(timed(floor, folder))
    peak = max(peak_rss_kb(ours, folder) for _ in range(3))
    ours_median = statistics.median(our_times)
    floor_median = statistics.median(floor_times)
    ratio = ours_median / floor_median
    print(f"{name}: {len(names)} files read of {len(os.listdir(folder))}; "
          f"netreckon {ours_median * 1000:.0f} ms, floor {floor_median * 1000:.0f} ms, "
          f"ratio {ratio:.2f}, peak RSS {peak} kB (median of {RUNS} alternated runs)", flush=True)
    return ratio, peak


def main():
    subprocess.run(["cmake", "--preset", "release", "-DNETRECKON_BENCH=ON"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "release", "--target", "netreckon", "gen_logs"],
                   cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    os.makedirs(DATA, exist_ok=True)
    results = {}
    for name, options, (first, last), list_first in DATASETS:
        folder = build_dataset(name, options)
        results[name] = measure(name, folder, first, last, list_first)
    print(" ".join(f"{name.lower()}_ratio={ratio:.2f} {name.lower()}_rss_kb={peak}"
                   for name, (ratio, peak) in results.items()))


if __name__ == "__main__":
    main()
