#!/usr/bin/env python3
"""What the report tests share: histories written from a few lines of text, and the outage rows of
the HTML report and of the CSV report read back for comparison.

  report_history.py write STEPS LOG [STEPS LOG]...  writes each LOG's journal (or, with "text" first,
                                                 LOG itself)
  report_history.py compare CSV HTML BLAME COUNT  fails unless the page's outage rows are the CSV's,
                                                 COUNT of them, and its closing line is BLAME

STEPS, one a line ("start" first), in local time (TZ) or @EPOCH:
  start T [INTERVAL]   logging starts at T, a check every INTERVAL seconds (5)
  up T / down T CAUSE  checks until T, connected or disconnected for CAUSE
  sleep T              asleep from now until T
  degraded T           connected checks until T, the connection degraded over them
"""
import csv
import html.parser
import sys
import time


def epoch(text):
    if text.startswith("@"):
        return int(text[1:])
    return int(time.mktime(time.strptime(text, "%Y-%m-%dT%H:%M:%S")))


def iso(t):
    stamp = time.strftime("%Y-%m-%dT%H:%M:%S%z", time.localtime(t))
    return stamp[:-2] + ":" + stamp[-2:]


def status_line(t, connected):
    stamp = time.strftime("%m/%d/%Y %H:%M:%S", time.localtime(t))
    return stamp + " Internet Connection Status: " + ("Connected" if connected else "Disconnected")


def write(text_of_steps, log):
    steps = [line.split(None, 2) for line in text_of_steps.strip().splitlines()]
    text = steps[0] == ["text"]
    if text:
        steps = steps[1:]
    rows, lines = ["time,event,status,rtt_ms,target,detail"], []
    at, interval = epoch(steps[0][1]), int(steps[0][2]) if len(steps[0]) > 2 else 5
    rows.append(f"{iso(at)},start,,,,interval={interval}")
    for step in steps[1:]:
        until = epoch(step[1])
        if step[0] == "sleep":
            rows += [f"{iso(at)},sleep,,,,", f"{iso(until)},resume,,,,"]
            at = until
            continue
        if step[0] == "degraded":
            rows.append(f"{iso(at)},quality,degraded,,,loss 12%")
        connected = step[0] in ("up", "degraded")
        while at < until:
            detail = "" if connected or len(step) < 3 else step[2]
            rows.append(f"{iso(at)},check,{'connected' if connected else 'disconnected'},"
                        f"{'12.5' if connected else ''},192.0.2.1,{detail}")
            lines.append(status_line(at, connected))
            at += interval
        if step[0] == "degraded":
            rows.append(f"{iso(at - interval)},quality,normal,,,")
    if text:
        with open(log, "w", newline="") as f:
            f.write("\r\n".join(lines) + "\r\n")
    else:
        journal = log[:-4] if log.endswith(".txt") else log
        with open(journal + ".journal.csv", "w", newline="") as f:
            f.write("\r\n".join(rows) + "\r\n")


class OutageRows(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows = []
        self.blame = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "p" and attrs.get("class") == "blame":
            self.blame = ""
        if "outage" in (attrs.get("class") or "").split():
            self.rows.append([tag, attrs.get("data-start"), attrs.get("data-end"),
                              attrs.get("data-duration-s"), attrs.get("data-cause")])


    def handle_data(self, data):
        if self.blame is not None and not self.blame.endswith("\n"):
            self.blame += data

    def handle_endtag(self, tag):
        if tag == "p" and self.blame is not None and not self.blame.endswith("\n"):
            self.blame += "\n"


def rows(path):
    """One outage a list: start, end, duration_s, cause; and the page's closing line."""
    with open(path, newline="", encoding="utf-8", errors="surrogateescape") as f:
        content = f.read()
    if path.endswith(".csv"):
        return list(csv.reader(content.splitlines(keepends=True)))[1:], None
    parser = OutageRows()
    parser.feed(content)
    if any(row[0] != "tr" for row in parser.rows):
        sys.exit("an element other than a table row is marked as an outage")
    return [row[1:] for row in parser.rows], (parser.blame or "").rstrip("\n")


def compare(csv_path, html_path, blame, count):
    expected, _ = rows(csv_path)
    found, found_blame = rows(html_path)
    if found != expected:
        sys.exit(f"the page's outage rows {found} are not --outages --csv's {expected}")
    if len(found) != int(count):
        sys.exit(f"{len(found)} outages, not {count}")
    if found_blame != blame:
        sys.exit(f"the page ends its table with '{found_blame}', not '{blame}'")


if __name__ == "__main__":
    if sys.argv[1] == "write":
        for i in range(2, len(sys.argv), 2):
            write(sys.argv[i], sys.argv[i + 1])
    else:
        compare(*sys.argv[2:6])
