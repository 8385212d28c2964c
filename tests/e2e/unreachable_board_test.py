#!/usr/bin/env python3
"""No board to be had: a refused connection is reported at once, a board that never accepts after
the connect bound of 10 s; either way the message, exit code 1 and no log file."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Processes, end, fail, unused_port

MESSAGE = "Problem: Das AVR-NET-IO-Board kann nicht gefunden werden!"


def main():
    with Processes() as run:
        cases = [("refused", unused_port(), 0.0, 1.0),
                 ("never accepting", run.boardsim("--never-accept"), 9.0, 13.0)]
        started = []
        for name, port, _, _ in cases:
            log_file = os.path.join(run.folder, name.replace(" ", "-") + ".csv")
            started.append((run.logger(port, log_file, "--interval", "S1", lang="de_DE.UTF-8"), time.monotonic(), log_file))
        for (name, _, earliest, latest), (logger, since, log_file) in zip(cases, started):
            code = end(logger, timeout=20)
            took = time.monotonic() - since
            message = logger.stderr.read().decode("utf-8")
            if code != 1 or MESSAGE not in message:
                fail("%s: code %d, %r" % (name, code, message))
            if not earliest <= took <= latest:
                fail("%s: the message came after %.1f s" % (name, took))
            if os.path.exists(log_file):
                fail("%s: the log file was created" % name)
            print("%s: message after %.1f s, exit code 1, no log file" % (name, took))


if __name__ == "__main__":
    main()
