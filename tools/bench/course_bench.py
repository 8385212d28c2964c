#!/usr/bin/env python3
"""Measures what the course window costs: the logger with --course against the same logger without
it, each on the same 1 GB log of one-second rows (generated as report_bench.py makes its logs, and
cut back to its own length after each run), against the simulator, with its windows on a private
X server. Prints a Markdown table: the time from the start to the first new row, the resident
memory once the earlier log is read, and the CPU used during one 10 s wait after that.
Where the desktop has no course window yet, both runs are the same, and the table says so.
Usage: tools/bench/course_bench.py [ROWS] [--log PATH]   (default 21000000 rows, about 1 GB, into
/tmp/avrnetio-course-bench.csv, kept for the next run; needs Xvfb, xdotool, a build in build/)"""
import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
sys.path.insert(0, os.path.dirname(__file__))
from harness import Processes, end, find_window, xdotool  # noqa: E402
from report_bench import generate  # noqa: E402

from benchmark import cpu_seconds, status_kib  # noqa: E402


def rows_after(path, length):
    """The complete lines written after the first length bytes: this run's header, then its rows."""
    with open(path, "rb") as log:
        log.seek(length)
        return log.read().count(b"\n")


def settled_cpu(pid, timeout=300):
    """Waits until the process has used no CPU for a second (the earlier log read), up to timeout."""
    deadline = time.monotonic() + timeout
    last = cpu_seconds(pid)
    while time.monotonic() < deadline:
        time.sleep(1)
        now = cpu_seconds(pid)
        if now - last < 0.02:
            return
        last = now


def one_run(run, display, port, log_path, length, course):
    options = ["--interval", "S10"] + (["--course"] if course else [])
    started = time.monotonic()
    logger = run.logger(port, log_path, *options, display=display)
    while rows_after(log_path, length) < 2:
        if time.monotonic() - started > 60:
            raise SystemExit("no first row within a minute")
        time.sleep(0.002)
    first_row = time.monotonic() - started
    find_window(display, "Datenlogger")
    window = bool(xdotool(display, "search", "--onlyvisible", "--name", "Verlauf")) if course else False
    settled_cpu(logger.pid)
    resident = status_kib(logger.pid, "VmRSS")
    # One whole wait between two rows.
    rows = rows_after(log_path, length)
    while rows_after(log_path, length) == rows:
        time.sleep(0.01)
    before, at = cpu_seconds(logger.pid), time.monotonic()
    rows = rows_after(log_path, length)
    while rows_after(log_path, length) == rows:
        time.sleep(0.01)
    idle = (cpu_seconds(logger.pid) - before) / (time.monotonic() - at)
    logger.terminate()
    end(logger)
    os.truncate(log_path, length)
    return first_row, resident, idle, window


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("rows", nargs="?", type=int, default=21_000_000)
    parser.add_argument("--log", default="/tmp/avrnetio-course-bench.csv")
    arguments = parser.parse_args()
    marker = arguments.log + ".rows"
    if not (os.path.exists(arguments.log) and os.path.exists(marker) and open(marker).read() == str(arguments.rows)):
        started = time.monotonic()
        generate(arguments.log, arguments.rows)
        with open(marker, "w") as rows:
            rows.write(str(arguments.rows))
        print("generated %s in %.0f s" % (arguments.log, time.monotonic() - started), file=sys.stderr)
    length = os.path.getsize(arguments.log)
    with Processes() as run:
        display = run.xvfb()
        port = run.boardsim()
        one_run(run, display, port, arguments.log, length, False)  # warms the X server, its fonts and the cache
        without = one_run(run, display, port, arguments.log, length, False)
        with_course = one_run(run, display, port, arguments.log, length, True)

    days = arguments.rows / 86400
    print("| measure (%s one-second rows, %.0f MB, %.0f days) | without the course window | with --course |"
          % (format(arguments.rows, ","), length / 1e6, days))
    print("|---|---|---|")
    print("| the course window opened | - | %s |" % ("yes" if with_course[3] else "no: this desktop has none yet"))
    print("| start to the first row | %.3f s | %.3f s (%+.3f s) |"
          % (without[0], with_course[0], with_course[0] - without[0]))
    print("| resident memory, the earlier log read | %.1f MiB | %.1f MiB (%+.1f MiB; a year of rows would "
          "take the same) |" % (without[1] / 1024, with_course[1] / 1024, (with_course[1] - without[1]) / 1024))
    print("| CPU during one 10 s wait | %.2f %% | %.2f %% |" % (100 * without[2], 100 * with_course[2]))


if __name__ == "__main__":
    main()
