#!/usr/bin/env python3
"""No display: --interval S1, then SIGTERM after a few seconds gives a header, one row per
second and exit code 0, whose figures avrnetio-report --summary gives; and a bad interval is
reported on standard error, with exit code 1."""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (STEADY_REPLIES, Processes, check_steady_log, check_summary, end, expected_summary, fail,
                     parse_log, rows_of, wait_for)


def main():
    with Processes() as run:
        port = run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
        log_file = os.path.join(run.folder, "log.csv")
        logger = run.logger(port, log_file, "--interval", "S1")
        wait_for(lambda: len(rows_of(log_file)) >= 2, 10, "the first row")
        time.sleep(3.3)
        logger.send_signal(signal.SIGTERM)
        code = end(logger, timeout=5)
        if code != 0:
            fail("exit code %d after SIGTERM" % code)
        content = open(log_file, "rb").read()
        rows = check_steady_log(content, 4)
        if len(rows) > 5:
            fail("%d rows in about four seconds" % len(rows))
        check_summary(log_file, expected_summary(*parse_log(content)))

        bad = run.logger(port, os.path.join(run.folder, "bad.csv"), "--interval", "X5", lang="de_AT.UTF-8")
        code = end(bad)
        message = bad.stderr.read().decode("utf-8")
        if code != 1 or "Problem: Es wurde kein g\u00fcltiger Zeitintervall eingegeben!" not in message:
            fail("bad interval: code %d, %r" % (code, message))
        if os.path.exists(os.path.join(run.folder, "bad.csv")):
            fail("the log file was created although the interval was bad")
        print("headless: %d rows, SIGTERM ended the logger with code 0, the report's summary agrees" % len(rows))


if __name__ == "__main__":
    main()
