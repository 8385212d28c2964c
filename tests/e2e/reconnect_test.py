#!/usr/bin/env python3
"""The board drops the connection in mid-cycle and refuses connections for a while: a row still
comes every second, empty replies while it is away, steady readings again once it is back."""
import os
import re
import signal
import sys

sys.path.insert(0, os.path.dirname(__file__))
from harness import (STEADY_REPLIES, STEADY_ROW, Processes, check_steady_log, end, fail, rows_of, stamp_seconds,
                     stop_boardsim, wait_for)

# Start-up takes 4 commands and a cycle 8: the 30th is the second one of the fourth cycle.
CLOSE_AFTER = 4 + 3 * 8 + 2
DOWN_SECONDS = 3
# The fourth cycle's first two readings came; the board was gone for the rest.
DROP_ROW = b",2.50,4.99,-0.0,-0.0,1,1,1,1\r\n"
# No reply at all: analog -0.0, and an empty digital reply counts as closed.
AWAY_ROW = b",-0.0,-0.0,-0.0,-0.0,1,1,1,1\r\n"


def kinds(rows):
    names = {STEADY_ROW: "steady", DROP_ROW: "drop", AWAY_ROW: "away"}
    return [names.get(row[19:], "other") for row in rows]


def back_again(log_file):
    """True once two steady rows follow the rows written while the board was away."""
    found = kinds(rows_of(log_file)[1:])
    return "away" in found and found[len(found) - found[::-1].index("away"):].count("steady") >= 2


def main():
    with Processes() as run:
        sim, port = run.boardsim_process(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)],
                                         "--close-after", str(CLOSE_AFTER), "--down-for", str(DOWN_SECONDS))
        log_file = os.path.join(run.folder, "log.csv")
        logger = run.logger(port, log_file, "--interval", "S1")
        wait_for(lambda: back_again(log_file), 15, "steady rows after the board came back")
        logger.send_signal(signal.SIGTERM)
        if end(logger, timeout=5) != 0:
            fail("exit code %d after SIGTERM" % logger.returncode)
        connections, _ = stop_boardsim(sim)
        if connections < 2:
            fail("the simulator saw %d connection(s); the logger did not connect again" % connections)

        content = open(log_file, "rb").read()
        rows = content.splitlines(keepends=True)[1:]
        found = kinds(rows)
        # steady+, then the one row of the cycle in which the board went, then away+, then steady+.
        pattern = "".join({"steady": "s", "drop": "d", "away": "a", "other": "?"}[kind] for kind in found)
        if not re.fullmatch(r"s{3}da+s{2,}", pattern):
            fail("rows in the wrong order or of the wrong kind: %s\n%r" % (pattern, rows))
        away = pattern.count("a")
        if not DOWN_SECONDS - 1 <= away <= DOWN_SECONDS + 1:
            fail("%d rows while the board was away for %d s" % (away, DOWN_SECONDS))
        stamps = [stamp_seconds(row) for row in rows]
        steps = [later - earlier for earlier, later in zip(stamps, stamps[1:])]
        # A cycle's own few milliseconds can carry one stamp over a second boundary, not more.
        if any(step not in (1, 2) for step in steps) or steps.count(2) > 1:
            fail("rows are not one second apart: %r" % steps)
        check_steady_log(content.replace(DROP_ROW, STEADY_ROW).replace(AWAY_ROW, STEADY_ROW), len(rows))
        print("reconnect: %d rows (%s), %d connections, one row a second throughout" %
              (len(rows), pattern, connections))


if __name__ == "__main__":
    main()
