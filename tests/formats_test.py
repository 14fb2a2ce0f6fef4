#!/usr/bin/env python3
"""The csv, json and daily reports read by real parsers and held against the console totals.

Usage: formats_test.py NETRECKON EXAMPLE_LOG_DIR
"""
import csv
import datetime
import html.parser
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

NETRECKON, LOGS = sys.argv[1], sys.argv[2]
RANGE = ["20261102", "20261105"]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(kind, start, end, folder, tz="UTC", options=()):
    result = subprocess.run([NETRECKON, kind, start, end, folder, "traffic_in_", "traffic_out_",
                             *options], capture_output=True, env={"TZ": tz}, timeout=60, check=False)
    return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr.decode()


def console_totals(folder, start, end):
    """Per host and for all hosts: (incoming MB, outgoing MB) as the console prints them."""
    _, text, _ = run("0", start, end, folder)
    figures = {host: (float(i), float(o)) for host, i, o in re.findall(
        r"Totals for host \[(.*)\]\tIncoming \[(-?[\d.]+) MB\]\tOutgoing \[(-?[\d.]+) MB\]", text)}
    i, o = re.search(r"Totals for all hosts in filter\tIncoming \[(-?[\d.]+) MB\]\t"
                     r"Outgoing \[(-?[\d.]+) MB\]", text).groups()
    return figures, (float(i), float(o))


def near(bytes_, megabytes):
    """Whole bytes that the console's two decimals round to the same figure."""
    return abs(bytes_ / 1e6 - megabytes) <= 0.005 + 1e-9


for tz in ("UTC", "America/Los_Angeles"):
    hosts, (all_in, all_out) = console_totals(LOGS, *RANGE)

    # CSV: a header, then one row per host and calendar day; each host's rows sum to its totals.
    status, text, _ = run("csv", *RANGE, LOGS, tz)
    check(status == 0, f"csv status {status}")
    check("\r\n" in text and "\n" not in text.replace("\r\n", ""), "csv lines end in CRLF")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    check(rows[0] == ["host", "name", "date", "incoming_bytes", "outgoing_bytes", "snapshots"],
          "csv header")
    days = ["2026-11-02", "2026-11-03", "2026-11-04", "2026-11-05"]
    for host, (total_in, total_out) in hosts.items():
        mine = [r for r in rows[1:] if r[0] == host]
        check([r[2] for r in mine] == days, f"csv days of {host} ({tz})")
        check(near(sum(int(r[3]) for r in mine), total_in), f"csv incoming of {host} ({tz})")
        check(near(sum(int(r[4]) for r in mine), total_out), f"csv outgoing of {host} ({tz})")
        # Four snapshot times a day, each read in both directions.
        check([r[5] for r in mine] == ["4"] * 4, f"csv snapshots of {host} ({tz})")
    check(len(rows) == 1 + len(days) * len(hosts), "csv row count")
    # Per month: one row per host, the sums of its days to the byte.
    _, text, _ = run("csv", *RANGE, LOGS, tz, ["--by", "month"])
    months = list(csv.reader(io.StringIO(text, newline="")))
    for host in hosts:
        mine = [r for r in rows[1:] if r[0] == host]
        month = [r for r in months[1:] if r[0] == host]
        check(len(month) == 1 and month[0][2] == "2026-11" and
              int(month[0][3]) == sum(int(r[3]) for r in mine) and
              int(month[0][4]) == sum(int(r[4]) for r in mine) and month[0][5] == "16",
              f"csv by month of {host} ({tz})")

    # JSON: totals are the sums of the days, and match the console.
    status, text, _ = run("json", *RANGE, LOGS, tz)
    check(status == 0, f"json status {status}")
    report = json.loads(text)
    check((report["from"], report["to"]) == ("2026-11-02", "2026-11-05"), "json range")
    check([h["host"] for h in report["hosts"]] == list(hosts), "json hosts in table order")
    for entry in report["hosts"]:
        check(entry["incoming_bytes"] == sum(d["incoming_bytes"] for d in entry["days"]),
              f"json incoming sum of {entry['host']}")
        check(entry["outgoing_bytes"] == sum(d["outgoing_bytes"] for d in entry["days"]),
              f"json outgoing sum of {entry['host']}")
        check(near(entry["incoming_bytes"], hosts[entry["host"]][0]), f"json vs console {entry['host']}")
        check(near(entry["outgoing_bytes"], hosts[entry["host"]][1]), f"json vs console {entry['host']}")
    check(near(report["incoming_bytes"], all_in) and near(report["outgoing_bytes"], all_out),
          "json grand totals")

with tempfile.TemporaryDirectory() as folder:
    # Nothing found: the CSV header alone, a JSON report with no range and no hosts, and a
    # status that says nothing was there.
    status, text, _ = run("csv", *RANGE, folder)
    check((status, text) == (1, "host,name,date,incoming_bytes,outgoing_bytes,snapshots\r\n"),
          "empty csv")
    status, text, _ = run("json", *RANGE, folder)
    check(json.loads(text) == {"from": None, "to": None, "hosts": [], "incoming_bytes": 0,
                               "outgoing_bytes": 0}, "empty json")

    # A hostile host key (quotes, a backslash, a comma, a control character, a byte that is
    # not UTF-8) is refused as a row: it reaches no format, and the status says so.
    key = b'a"b\\c,d\x01e<\xff>'
    header = b"Chain IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    for name, count in ((b"traffic_in_20261101230000", b"1000"), (b"traffic_in_20261102120000", b"5000")):
        with open(os.path.join(folder.encode(), name), "wb") as log:
            log.write(header + b"1 " + count + b" all -- * * 0.0.0.0/0 " + key + b"\n"
                      + b"1 " + count + b" RETURN all -- * * 0.0.0.0/0 10.0.0.7 /* lab */\n")
    status, text, err = run("json", "20261102", "20261102", folder)
    report = json.loads(text)
    check(status == 1 and "netreckon: refused 1 rows" in err, "json: a hostile key is refused")
    check([h["host"] for h in report["hosts"]] == ["10.0.0.7"], "json: only the real host")
    check(report["hosts"][0]["incoming_bytes"] == 4000, "json takes out the baseline")
    _, text, _ = run("csv", "20261102", "20261102", folder)
    rows = list(csv.reader(io.StringIO(text, newline="")))
    check(rows[1:] == [["10.0.0.7", "lab", "2026-11-02", "4000", "0", "1"]],
          "csv: only the real host, named by its rule's comment")
    _, page, _ = run("daily", "20261102", "20261102", folder)
    check("a&quot;b" not in page and "e&lt;" not in page and "10.0.0.7" in page,
          "daily: only the real host")

with tempfile.TemporaryDirectory() as folder:
    # A whole year of daily snapshots, one host growing a megabyte a day, the other ten: every
    # day of the year in CSV and JSON, and sums that match the console.
    header = "Chain IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    for day in range(366):
        stamp = (datetime.date(2025, 12, 31) + datetime.timedelta(days=day)).strftime("%Y%m%d")
        with open(os.path.join(folder, f"traffic_in_{stamp}230000"), "w") as log:
            log.write(header + f"1 {day}M all -- * * 0/0 10.0.0.1\n"
                      f"1 {day * 10}M all -- * * 0/0 10.0.0.2\n")
    with open(os.path.join(folder, "traffic_out_20260101230000"), "w") as log:
        log.write(header)
    hosts, (all_in, _) = console_totals(folder, "20260101", "20261231")
    check(hosts == {"10.0.0.1": (365.0, 0.0), "10.0.0.2": (3650.0, 0.0)}, f"a year: console {hosts}")
    status, text, err = run("csv", "20260101", "20261231", folder)
    rows = list(csv.reader(io.StringIO(text, newline="")))
    check(status == 0 and err == "", f"a year: csv status {status} {err}")
    check(len(rows) == 1 + 2 * 365 and rows[365][2] == "2026-12-31" and rows[-1][3] == "10000000",
          "a year: csv has every day")
    _, text, _ = run("json", "20260101", "20261231", folder, options=["--by", "month"])
    by_month = json.loads(text)
    check([m["date"] for m in by_month["hosts"][0]["months"]] ==
          [f"2026-{m:02d}" for m in range(1, 13)] and
          sum(m["incoming_bytes"] for m in by_month["hosts"][1]["months"]) == 3650 * 10**6,
          "a year: json by month")
    status, page, _ = run("monthly", "20260101", "20261231", folder)
    check(status == 0 and page.count("<th title=\"2026-") == 12 and ">365<small>MB</small></td>" in page,
          "a year: the monthly page has twelve months and the total")
    status, page, _ = run("daily", "20260101", "20261231", folder)
    check(status == 0 and page.count("<th title=\"2026-") == 12 and page.count("<rect ") == 2 * 365,
          "a year: the daily page charts days and tabulates months")
    check([m for m in re.findall(r">([A-Z][a-z]{2})</text>", page)] ==
          ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"] and
          re.search(r"text-anchor=\"middle\">\d\d</text>", page) is None, "a year: the chart marks the months' starts by name")
    report = json.loads(run("json", "20260101", "20261231", folder)[1])
    check((report["from"], report["to"]) == ("2026-01-01", "2026-12-31"), "a year: json range")
    check(report["incoming_bytes"] == 4015 * 10**6 and near(report["incoming_bytes"], all_in),
          "a year: json total")

with tempfile.TemporaryDirectory() as folder:
    # Readings near 2^64 bytes: sums hold at the largest figure instead of wrapping negative.
    header = "Chain IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    for stamp, count in (("20261101", "5000000000000000000"), ("20261102", "4900000000000000000"),
                         ("20261103", "18446744073709551615")):
        with open(os.path.join(folder, f"traffic_in_{stamp}120000"), "w") as log:
            log.write(header + f"1 {count} all -- * * 0/0 10.0.0.1\n")
    with open(os.path.join(folder, "traffic_out_20261101120000"), "w") as log:
        log.write(header)
    status, text, err = run("json", "20261101", "20261103", folder)
    report = json.loads(text)
    check(status == 0 and "runtime error" not in err, f"huge readings: json status {status} {err}")
    check(report["incoming_bytes"] == 2**63 - 1 and
          all(d["incoming_bytes"] >= 0 for d in report["hosts"][0]["days"]),
          f"huge readings: totals hold at the limit {report['incoming_bytes']}")


def page_width(page):
    """The width the page needs in headless Chromium at 1280 x 900, its tables' frames
    included, or None without Chromium."""
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if browser is None:
        return None
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "page.html")
        # A table wider than its frame scrolls inside it: as wide as the page would need.
        probe = ("<script>var w = document.documentElement.scrollWidth;"
                 "document.querySelectorAll('.wrap').forEach(function (e) {"
                 "if (e.scrollWidth > e.clientWidth) w = Math.max(w, window.innerWidth + e.scrollWidth - e.clientWidth)});"
                 "document.body.setAttribute('data-width', w)</script></body>")
        with open(path, "w") as out:
            out.write(page.replace("</body>", probe))
        dom = subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu",
                              "--window-size=1280,900", "--dump-dom", "file://" + path],
                             capture_output=True, text=True, timeout=120, check=False).stdout
    found = re.search(r'data-width="([0-9]+)"', dom)
    return int(found.group(1)) if found else -1


UNITS = {"B": 1, "kB": 10**3, "MB": 10**6, "GB": 10**9, "TB": 10**12, "PB": 10**15}


def page_figures(page):
    """Every figure of the page's tables as text, "52.3 GB", by table (by days or months, then
    the bill), each row as (title, figures)."""
    tables = []
    for table in re.findall(r"<table[^>]*>(.*?)</table>", page, re.S):
        rows = []
        for title, cells in re.findall(r"<tr(?: class=\"sum\")?><td title=\"([^\"]*)\">.*?</td>(.*?)</tr>", table):
            rows.append((title, [f.replace("<small>", " ").replace("</small>", "") for f in
                                 re.findall(r"<td(?: class=\"sum\")?(?: title=\"[^\"]*\")?>([^<]*(?:<small>[^<]*</small>)?)</td>", cells)]))
        tables.append(rows)
    return tables


def figure_bytes(figure):
    """The bytes a figure says, and how far off its rounding may be, or None for a figure that
    is not one ("&ndash;" for no data)."""
    if figure == "0":
        return 0, 0.5
    found = re.fullmatch(r"(-?)([0-9]+)(?:\.([0-9]+))? (B|kB|MB|GB|TB|PB)", figure)
    if found is None:
        return None
    sign, whole, decimals, unit = found.groups()
    value = float(f"{whole}.{decimals or 0}") * UNITS[unit]
    return (-value if sign else value), 0.5 * UNITS[unit] / 10**len(decimals or "") + 0.5


def says_its_figure(figure, true_bytes, digits=3):
    """A figure that is the true one to its rounding, with at least `digits` significant digits
    (whole bytes as they are), and never 0 for traffic."""
    read = figure_bytes(figure)
    if read is None:
        return False
    value, slack = read
    significant = len(re.sub(r"[^0-9]", "", figure).lstrip("0"))
    return (abs(value - true_bytes) <= slack and (figure == "0") == (true_bytes == 0) and
            (significant >= digits or abs(true_bytes) < 10**(digits - 1) or figure == "0"))


with tempfile.TemporaryDirectory() as folder:
    # A month of 100 named hosts, one snapshot a day: the first moving 9 GB a day and the rest
    # more, then a month of cells from 1 to 10 GB and host totals over 100 GB. Each daily page
    # needs no horizontal scrolling at 1280 pixels and keeps one unit for its chart; every cell
    # says its figure in a unit of its own.
    header = "Chain IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    for (case, daily) in (("9 to 12.7 GB a day", lambda host: 9000 + 37 * host),
                          ("1 to 10 GB a day", lambda host: 1000 + 90 * host)):
        for day in range(32):
            stamp = (datetime.date(2026, 9, 30) + datetime.timedelta(days=day)).strftime("%Y%m%d")
            with open(os.path.join(folder, f"traffic_in_{stamp}230000"), "w") as log:
                log.write(header + "".join(f"1 {day * daily(host)}M all -- * * 0/0 10.0.{host // 250}.{host % 250}"
                                           f" /* workstation-{host} */\n" for host in range(100)))
        with open(os.path.join(folder, "traffic_out_20261001230000"), "w") as log:
            log.write(header)
        for options in ([], ["--top", "10"]):
            status, page, _ = run("daily", "20261001", "20261031", folder, options=options)
            days, bill = page_figures(page)
            check(status == 0 and "TB per day" in page, f"{case} {options}: the chart's axis in TB")
            host = 99  # the pages sort by total
            title, cells = days[0]
            check(title == f"10.0.0.{host} workstation-{host}" and len(cells) == 32 and
                  all(says_its_figure(f, daily(host) * 10**6) for f in cells[:-1]) and
                  says_its_figure(cells[-1], 31 * daily(host) * 10**6) and
                  says_its_figure(bill[0][1][0], 31 * daily(host) * 10**6, 4),
                  f"{case} {options}: the first host's cells {days[0]} {bill[0]}")
            width = page_width(page)
            if width is None:
                print("skipped: the page width check needs Chromium (apt-get install chromium)")
            else:
                print(f"page width ({case}, {options}): {width} pixels")
                check(0 < width <= 1280, f"a month of 100 hosts, {case}, fits 1280 pixels: {width}")

with tempfile.TemporaryDirectory() as folder:
    # A heavy-tailed month: 90 hosts, one moving 100 times the median, a third of them a few
    # kB to a few MB a day, and a light month of a few MB a day. Every cell of the daily and
    # monthly pages says the traffic the snapshots hold, never 0 for traffic, and the pages fit
    # 1280 pixels (the tables scroll in their frames only when they must).
    header = "Chain IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    for (case, rate) in (("heavy-tailed", lambda host: 50 * 10**9 if host == 0 else
                          (500 * 10**6 + host * 7 * 10**6 if host < 60 else 3000 + host ** 4)),
                         ("light", lambda host: 10**6 + host * 12345)):
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        for day in range(32):
            stamp = (datetime.date(2026, 10, 31) + datetime.timedelta(days=day)).strftime("%Y%m%d")
            for prefix, share in (("traffic_in_", 1), ("traffic_out_", 5)):
                with open(os.path.join(folder, f"{prefix}{stamp}235500"), "w") as log:
                    log.write(header + "".join(
                        f"1 {day * (rate(host) // share)} all -- * * " +
                        (f"0/0 192.168.1.{host + 10}" if share == 1 else f"192.168.1.{host + 10} 0/0") +
                        f" /* a-rather-long-host-name-{host}.lan */\n" for host in range(90)))
        for kind in ("daily", "monthly"):
            status, page, _ = run(kind, "20261101", "20261201", folder, options=["--names"])
            tables = page_figures(page)
            wrong = []
            for title, cells in tables[0][:-1]:
                host = int(title.split()[0].split(".")[3]) - 10
                whole = rate(host) + rate(host) // 5
                expected = [whole] * 31 if kind == "daily" else [30 * whole, whole]
                for figure, true in zip(cells, expected + [31 * whole]):
                    if not says_its_figure(figure, true):
                        wrong.append((title, figure, true))
            for title, (incoming, outgoing, total) in tables[1][:-1]:
                host = int(title.split()[0].split(".")[3]) - 10
                for figure, true in ((incoming, 31 * rate(host)), (outgoing, 31 * (rate(host) // 5)),
                                     (total, 31 * (rate(host) + rate(host) // 5))):
                    if not says_its_figure(figure, true, 4):
                        wrong.append((title, figure, true))
            check(status == 0 and len(tables[0]) == 91 and len(tables[1]) == 91 and not wrong,
                  f"{case} {kind}: every cell says its figure: {wrong[:5]}")
            width = page_width(page)
            if width is not None:
                print(f"page width ({case} {kind}): {width} pixels")
                check(0 < width <= 1280, f"{case} {kind} fits 1280 pixels: {width}")


class PageChecker(html.parser.HTMLParser):
    """Checks that every element is closed in order and that nothing is loaded or run."""
    VOID = {"meta", "link", "br", "img", "rect", "line", "input", "hr"}

    def __init__(self):
        super().__init__()
        self.open, self.problems, self.svg_texts = [], [], []

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "iframe", "img", "link", "object", "embed"):
            self.problems.append(f"<{tag}>")
        for name, value in attrs:
            if name in ("src", "href") or name.startswith("on") or "url(" in (value or ""):
                self.problems.append(f"{tag} {name}")
        if tag not in self.VOID:
            self.open.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in self.VOID:
            self.open.pop()

    def handle_endtag(self, tag):
        if tag in self.VOID:
            return
        if not self.open or self.open[-1] != tag:
            self.problems.append(f"</{tag}> closes {self.open[-1:] or 'nothing'}")
        else:
            self.open.pop()

    def handle_data(self, data):
        if self.open and self.open[-1] == "text":
            self.svg_texts.append(data)


status, page, _ = run("daily", *RANGE, LOGS)
checker = PageChecker()
checker.feed(page)
checker.close()
check(status == 0 and page.startswith("<!DOCTYPE html>"), "daily page starts as a page")
check(not checker.problems and not checker.open, f"daily page well-formed: {checker.problems} {checker.open}")
check("<title>netreckon: traffic from 2026-11-02 to 2026-11-05</title>" in page, "daily title")
check(page.count("<rect ") == 8 and "MB per day" in page, "daily chart: two bars a day")
check(["11-02", "11-03", "11-04", "11-05"] == [t for t in checker.svg_texts if re.fullmatch(r"\d\d-\d\d", t)],
      "daily chart day labels")
check("<td title=\"10.0.0.5\">10.0.0.5</td>" in page and ">2.36<small>GB</small></td></tr>" in page,
      "daily table rows and grand total")
# The hosts come by total, each cell in its unit.
table, bill = page_figures(page)
check([(title, cells[-1]) for title, cells in table] ==
      [("10.0.0.5", "726 MB"), ("10.0.0.1", "503 MB"), ("10.0.0.3", "406 MB"), ("10.0.0.4", "365 MB"),
       ("10.0.0.2", "361 MB"), ("All hosts", "2.36 GB")], f"daily hosts by total {table}")
# The bill: in and out apart, most first, then all hosts; the console's figures.
check(bill == [("10.0.0.5", ["627.0 MB", "99.00 MB", "726.0 MB"]),
               ("10.0.0.1", ["412.0 MB", "91.00 MB", "503.0 MB"]),
               ("10.0.0.3", ["370.0 MB", "36.00 MB", "406.0 MB"]),
               ("10.0.0.4", ["315.0 MB", "50.00 MB", "365.0 MB"]),
               ("10.0.0.2", ["245.0 MB", "116.0 MB", "361.0 MB"]),
               ("All hosts", ["1.969 GB", "392.0 MB", "2.361 GB"])], f"daily bill: {bill}")
status, page, _ = run("daily", *RANGE, LOGS, options=["--top", "2"])
check("other hosts (3)" in page and ">2.361 GB</td></tr>" in page, "daily --top keeps the grand total")

status, page, _ = run("monthly", *RANGE, LOGS)
checker = PageChecker()
checker.feed(page)
checker.close()
check(status == 0 and not checker.problems and not checker.open,
      f"monthly page well-formed: {checker.problems} {checker.open}")
check(">2.36<small>GB</small></td></tr>" in page and
      "<th title=\"2026-11, 4 of 30 days\">2026-11<br><small>4 of 30 days</small></th>" in page,
      "monthly page: one month, four of its days, and the grand total of the console")

with tempfile.TemporaryDirectory() as folder:
    # A day without snapshots: csv and json say 0 snapshots, the daily page marks it.
    header = "Chain IN (1 references)\n pkts bytes target prot opt in out source destination\n"
    for stamp, count in (("20261101", 10), ("20261102", 20), ("20261104", 40)):
        with open(os.path.join(folder, f"traffic_in_{stamp}120000"), "w") as log:
            log.write(header + f"1 {count}M all -- * * 0/0 10.0.0.1\n")
    _, text, _ = run("csv", "20261102", "20261104", folder)
    rows = list(csv.reader(io.StringIO(text, newline="")))
    check([r[5] for r in rows[1:]] == ["1", "0", "1"], f"csv snapshots of a gap: {rows}")
    _, page, _ = run("daily", "20261102", "20261104", folder)
    check(page.count("<title>2026-11-03: no data</title>") == 1 and
          "title=\"2026-11-03: no data\"" in page and "class=\"nodata\" title=\"no data\"" in page and
          page.count(">no data</text>") == 1, "daily page marks the day without data")
    # Two months of days: a column too narrow for the words keeps its grey bar and tooltip.
    for day in range(5, 61):
        stamp = (datetime.date(2026, 11, 1) + datetime.timedelta(days=day)).strftime("%Y%m%d")
        if stamp != "20261203":
            with open(os.path.join(folder, f"traffic_in_{stamp}120000"), "w") as log:
                log.write(header + f"1 {40 + day}M all -- * * 0/0 10.0.0.1\n")
    _, page, _ = run("daily", "20261102", "20261231", folder)
    check(page.count("<title>2026-12-03: no data</title>") == 1 and ">no data</text>" not in page and
          page.count("<g class=\"nodata\">") == 3, "a long chart's no-data columns carry no overlapping words")

# A recorded loss on 3 and 4 November: csv and json parse, mark exactly those days, and carry
# the same figures as without it; the pages stay well-formed and mark the days and the month.
with tempfile.TemporaryDirectory() as folder:
    for name in os.listdir(LOGS):
        shutil.copy(os.path.join(LOGS, name), folder)
    _, plain_csv, _ = run("csv", *RANGE, folder)
    _, plain_json, _ = run("json", *RANGE, folder)
    with open(os.path.join(folder, "netreckon.events"), "w") as events:
        events.write("20261104060000 IPv4+IPv6 traffic_in_ traffic_out_ 20261102180000 table gone\n")
    status, text, err = run("csv", *RANGE, folder)
    check(status == 1 and "traffic may be missing from 2026-11-03 to 2026-11-04" in err,
          f"csv with a loss: status {status}, {err!r}")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    plain_rows = list(csv.reader(io.StringIO(plain_csv, newline="")))
    check(rows[0] == plain_rows[0] + ["complete"], f"csv header with a loss: {rows[0]}")
    check([r[:-1] for r in rows[1:]] == plain_rows[1:], "csv figures with a loss")
    check(all((r[-1] == "false") == (r[2] in ("2026-11-03", "2026-11-04")) and
              r[-1] in ("true", "false") for r in rows[1:]), "csv complete column")
    status, text, _ = run("json", *RANGE, folder)
    marked, plain = json.loads(text), json.loads(plain_json)
    for host, plain_host in zip(marked["hosts"], plain["hosts"]):
        for day, plain_day in zip(host["days"], plain_host["days"]):
            complete = day.pop("complete")
            check(day == plain_day, f"json figures with a loss: {day}")
            check(complete == (day["date"] not in ("2026-11-03", "2026-11-04")), f"json complete: {day}")
    for kind, marks in (("daily", ("2026-11-03: incomplete: ", "2026-11-04: incomplete: ")),
                        ("monthly", ("2026-11, 4 of 30 days: incomplete: ",))):
        status, page, _ = run(kind, *RANGE, folder)
        check(status == 1, f"{kind} with a loss: status {status}")
        checker = PageChecker()
        checker.feed(page)
        checker.close()
        check(not checker.problems and not checker.open,
              f"{kind} with a loss is well-formed: {checker.problems} {checker.open}")
        for mark in marks:
            check(page.count(mark) == 2, f"{kind} marks {mark!r} on the chart and the table")

print(f"formats: {'FAILED' if failures else 'ok'}")
sys.exit(1 if failures else 0)
