#!/usr/bin/env python3
"""Soak run, by hand: the logger headless at a one-second interval for MINUTES minutes (default 11)
against a simulator on loopback that suffers a fault every minute, in turn: switched off for 5 s
(connection dropped and refused), frozen for 5 s (reads time out), and 20 s of garbage replies.
At the end the logger's resident memory and open file descriptors must equal those after the
first minute, and the CSV must hold one complete row per cycle.
Usage: tools/bench/soak.py [MINUTES]"""
import os
import re
import signal
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
from harness import BOARDSIM, HEADER, Processes, end, fail, rows_of  # noqa: E402

ROW = re.compile(rb"^\d\d\.\d\d\.\d{4},\d\d:\d\d:\d\d(,[^,\r\n]*){4}(,[01]?){4}\r\n$")
GARBAGE = ["GETADC %d=\\xff\\x00\\x07%d\\r\\n" % (n, n) for n in range(1, 5)] + \
          ["GETPORT %d=\\x80\\r\\n" % n for n in range(1, 5)]


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def footprint(pid):
    with open("/proc/%d/status" % pid) as status:
        resident = next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))
    return resident, len(os.listdir("/proc/%d/fd" % pid))


def main():
    minutes = int(sys.argv[1]) if len(sys.argv) > 1 else 11
    port = free_port()
    with Processes() as run:
        def simulator(*options):
            process = run.start([BOARDSIM, "--host", "127.0.0.1", "--port", str(port), *options],
                                stdout=subprocess.DEVNULL)
            time.sleep(0.3)
            return process

        board = simulator()
        log_file = os.path.join(run.folder, "soak.csv")
        logger = run.logger(port, log_file, "--interval", "S1")
        started = time.monotonic()
        after_first_minute = None
        faults = []
        for minute in range(1, minutes + 1):
            time.sleep(max(0.0, started + 60 * minute - 30 - time.monotonic()))
            if logger.poll() is not None:
                fail("the logger ended during the soak")
            kind = ("off", "frozen", "garbage")[(minute - 1) % 3]
            faults.append(kind)
            if kind == "off":
                board.terminate()
                board.wait()
                time.sleep(5)
                board = simulator()
            elif kind == "frozen":
                board.send_signal(signal.SIGSTOP)
                time.sleep(5)
                board.send_signal(signal.SIGCONT)
            else:
                board.terminate()
                board.wait()
                board = simulator(*[arg for reply in GARBAGE for arg in ("--reply", reply)])
                time.sleep(20)
                board.terminate()
                board.wait()
                board = simulator()
            time.sleep(max(0.0, started + 60 * minute - time.monotonic()))
            if minute == 1:
                after_first_minute = footprint(logger.pid)
        at_end = footprint(logger.pid)
        logger.send_signal(signal.SIGTERM)
        code = end(logger, timeout=30)

    rows = rows_of(log_file)
    bad = [row for row in rows[1:] if not ROW.match(row)]
    print("soak: %d minutes, faults %s" % (minutes, ", ".join(faults)))
    print("after the first minute: %d KiB resident, %d open descriptors" % after_first_minute)
    print("at the end:             %d KiB resident, %d open descriptors" % at_end)
    print("rows: %d, malformed: %d, exit code %d" % (len(rows) - 1, len(bad), code))
    if rows[0] != HEADER or bad or code != 0:
        fail("the log or the exit code is wrong: %r" % bad[:3])
    if at_end[1] != after_first_minute[1] or at_end[0] > after_first_minute[0] + 64:
        fail("the logger grew during the soak")


if __name__ == "__main__":
    main()
