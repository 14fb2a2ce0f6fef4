#!/usr/bin/env python3
"""Times netreckon on a month, a year, a network of 5-minute snapshots and a big site against
reading them.

Builds the log directories once under bench/data/ (git-ignored), then alternates runs of
netreckon and of its floor with a warm page cache and prints medians (the big site: the best of
three), the ratio and peak memory.
"""
import os
import resource
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "release")
DATA = os.path.join(ROOT, "bench", "data")
# BENCH_BINARY times another build (the one before a change) on the same data.
NETRECKON = os.environ.get("BENCH_BINARY", os.path.join(BUILD, "netreckon"))
GENERATOR = os.path.join(BUILD, "gen_logs")
READER = os.path.join(BUILD, "read_files")
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
# A site of discovered hosts: a /16 over 60 days, one exact snapshot a day, incoming only (the
# run says that no outgoing snapshot was found, status 1), 392 MB of listings.
DATASETS += [
    ("BIG", ["--hosts", "65536", "--days", "60", "--per-day", "1", "--start", "20261001",
             "--seed", "14", "--exact", "--in-only"], ("20261001", "20261129"), False),
]
PREFIXES = ("traffic_in_", "traffic_out_")
# The floor of each data set: cat of the files a run reads (after ls -f of the directory where
# the floor lists it), or for the whole year one process that lists the directory and reads
# the same files, or for the big site wc -l of them.
FLOORS = {"WHOLEYEAR": "reader", "BIG": "wc"}
# The big site is timed as its figures are asked for: the best of three alternated runs.
BEST_OF = {"BIG": 3}
# Status 1 is the run's word that a direction had no snapshot: the big site has incoming only.
STATUSES = {"BIG": (0, 1)}


def build_dataset(name, options):
    if options is None:  # the same directory as another data set: WHOLEYEAR reads YEAR's
        return build_dataset("YEAR", next(o for n, o, _, _ in DATASETS if n == "YEAR"))
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


def timed(argv, cwd, statuses=(0,)):
    """Wall seconds of one process, and the processor seconds (user and system) of it and of
    everything it ran: on a machine shared with other work the second moves far less."""
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    status = subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if status.returncode not in statuses:
        sys.exit(f"failed: {argv[:3]}")
    return wall, (after.ru_utime - used.ru_utime) + (after.ru_stime - used.ru_stime)


def peak_rss_kb(argv, cwd):
    """Peak resident kilobytes, taken by GNU time: a child forked from this interpreter would
    report the interpreter's own size."""
    out = os.path.join(DATA, "rss.txt")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", out] + argv, cwd=cwd, check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(out) as result:
        return int(result.read().split()[-1])


def measure(name, folder, first, last, list_first):
    names = files_read(folder, first, last)
    with open(os.path.join(DATA, name.lower() + ".files"), "w") as listing:
        listing.write("\0".join(names))
    listed = os.path.join(DATA, name.lower() + ".files")
    kind = FLOORS.get(name, "cat")
    if kind == "reader":
        floor = [READER, folder, listed]
    else:
        tool = "wc -l" if kind == "wc" else "cat"
        floor = ["sh", "-c", ("ls -f " + folder + " > /dev/null; " if list_first else "")
                 + "cd " + folder + f" && xargs -0 {tool} < {listed} > /dev/null"]
    ours = [NETRECKON, "0", first, last, folder + "/", PREFIXES[0], PREFIXES[1]]
    statuses = STATUSES.get(name, (0,))
    timed(ours, folder, statuses)
    timed(floor, folder)
    our_times, floor_times = [], []
    runs = BEST_OF.get(name, RUNS)
    for _ in range(runs):
        our_times.append(timed(ours, folder, statuses))
        floor_times.append(timed(floor, folder))
    peak = max(peak_rss_kb(ours, folder) for _ in range(3))
    pick, how = (min, f"best of {runs}") if name in BEST_OF else (statistics.median,
                                                                   f"median of {runs}")
    ours_time = pick(wall for wall, _ in our_times)
    floor_time = pick(wall for wall, _ in floor_times)
    ratio = ours_time / floor_time
    ours_cpu = pick(cpu for _, cpu in our_times)
    floor_cpu = pick(cpu for _, cpu in floor_times)
    print(f"{name}: {len(names)} files read of {len(os.listdir(folder))}; "
          f"netreckon {ours_time * 1000:.0f} ms, floor ({kind}) {floor_time * 1000:.0f} ms, "
          f"ratio {ratio:.2f}, peak RSS {peak} kB ({how} alternated runs); processor time "
          f"{ours_cpu * 1000:.0f} ms against {floor_cpu * 1000:.0f} ms, ratio "
          f"{ours_cpu / floor_cpu:.2f}", flush=True)
    return ratio, peak


def main():
    subprocess.run(["cmake", "--preset", "release", "-DNETRECKON_BENCH=ON"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "release", "--target", "netreckon", "gen_logs",
                    "read_files"],
                   cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    os.makedirs(DATA, exist_ok=True)
    results = {}
    only = os.environ.get("BENCH_ONLY")  # names of data sets, comma-separated: only those
    for name, options, (first, last), list_first in DATASETS:
        if only and name not in only.split(","):
            continue
        folder = build_dataset(name, options)
        results[name] = measure(name, folder, first, last, list_first)
    print(" ".join(f"{name.lower()}_ratio={ratio:.2f} {name.lower()}_rss_kb={peak}"
                   for name, (ratio, peak) in results.items()))


if __name__ == "__main__":
    main()
