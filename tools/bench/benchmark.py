#!/usr/bin/env python3
"""Measures the logger against the simulator on loopback, with its window on a private X server,
and prints a Markdown table: a cycle's own work, the CPU used while waiting, the peak resident
memory, and how far the rows drift from an ideal schedule.

A cycle is timed from the send of its first command to the moment the wait begins (the first
select of the toolkit after it), which takes in the eight exchanges, the row with its sync and
the drawing of the refresh; the system calls are timed by strace, which slows them a little.
Usage: tools/bench/benchmark.py [ROWS]   (default 60; needs strace, Xvfb, a build in build/)"""
import os
import re
import signal
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
from harness import LOGGER, Processes, end, find_window, rows_of, wait_for  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")
LINE = re.compile(r"^\d+\s+(\d+\.\d+) (\w+)\((.*)")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def status_kib(pid, field):
    """A figure of /proc/PID/status in KiB: VmRSS, the memory resident now; VmHWM, its peak."""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def peak_resident_kib(pid):
    return status_kib(pid, "VmHWM")


def traced_run(run, display, port, rows):
    """Cycle durations and row times from a run under strace with a one-second interval."""
    trace = os.path.join(run.folder, "strace.txt")
    log_file = os.path.join(run.folder, "traced.csv")
    env = dict(os.environ, DISPLAY=display)
    logger = run.start(["strace", "-f", "-ttt", "-e", "trace=sendto,fdatasync,select,pselect6", "-o", trace,
                        LOGGER, "--host", "127.0.0.1", "--port", str(port), "--log-file", log_file,
                        "--interval", "S1"], env=env, stderr=subprocess.DEVNULL)
    wait_for(lambda: len(rows_of(log_file)) >= rows + 2, rows * 1.2 + 30, "%d rows" % rows)
    # strace passes a signal on only to a traced process that gets it itself.
    with open("/proc/%d/task/%d/children" % (logger.pid, logger.pid)) as children:
        os.kill(int(children.read().split()[0]), signal.SIGTERM)
    end(logger, timeout=30)

    cycles, row_times, start = [], [], None
    with open(trace) as lines:
        for line in lines:
            match = LINE.match(line)
            if not match:
                continue
            when, call, arguments = float(match.group(1)), match.group(2), match.group(3)
            if call == "sendto" and "GETADC 1 " in arguments:
                start = when
            elif call == "fdatasync" and start is not None and len(row_times) < len(cycles) + 1:
                row_times.append(when)
            elif call in ("select", "pselect6") and start is not None:
                cycles.append(when - start)
                start = None
    return cycles[:rows], row_times[:rows + 1]


def idle_run(run, display, port):
    """CPU seconds used during one 10-second wait, and the peak resident memory."""
    log_file = os.path.join(run.folder, "idle.csv")
    logger = run.logger(port, log_file, "--interval", "S10", display=display)
    find_window(display, "Datenlogger")
    wait_for(lambda: len(rows_of(log_file)) >= 2, 20, "the first row")
    time.sleep(0.2)
    before = cpu_seconds(logger.pid)
    wait_for(lambda: len(rows_of(log_file)) >= 3, 15, "the second row")
    used = cpu_seconds(logger.pid) - before
    peak = peak_resident_kib(logger.pid)
    logger.send_signal(signal.SIGTERM)
    end(logger)
    return used, peak


def main():
    rows = int(sys.argv[1]) if len(sys.argv) > 1 else 60
    with Processes() as run:
        display = run.xvfb()
        port = run.boardsim()
        used, peak = idle_run(run, display, port)
        cycles, row_times = traced_run(run, display, port, rows)

    # The first cycle also pays for the window's first drawing (fonts, picture).
    first, milliseconds = 1000 * cycles[0], [1000 * c for c in cycles[1:]]
    drift = row_times[-1] - row_times[0] - (len(row_times) - 1)
    print("| measure | this logger | the same logger with a polling wait |")
    print("|---|---|---|")
    print("| a cycle's own work, median (cycles 2 to %d) | %.1f ms | about the same: the same eight exchanges, "
          "row and refresh |" % (len(cycles), statistics.median(milliseconds)))
    print("| a cycle's own work, maximum (cycles 2 to %d) | %.1f ms | about the same |"
          % (len(cycles), max(milliseconds)))
    print("| the first cycle, with the window's first drawing | %.1f ms | about the same |" % first)
    print("| CPU time during one 10 s wait | %.2f s (%.1f%% of a core) | 10 s (100%% of a core: the wait polls "
          "without pause) |" % (used, 10 * used))
    print("| peak resident memory | %.1f MiB | not measured |" % (peak / 1024))
    print("| drift of row %d from the ideal one-second schedule | %.2f s (%.1f ms a row) | the same kind: "
          "each row comes one cycle's work later; plus 100 ms a row with the click |"
          % (len(row_times) - 1, drift, 1000 * drift / (len(row_times) - 1)))


if __name__ == "__main__":
    main()
