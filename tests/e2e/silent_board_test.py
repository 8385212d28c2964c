#!/usr/bin/env python3
"""A board that stops answering after the first cycle: each read gives up after its bound, so a
cycle takes about 16 s and still writes its row; SIGTERM (no display) and QUIT (window) during such
a cycle end the program once the cycle is over. Both run side by side to halve the wait."""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (STEADY_REPLIES, STEADY_ROW, Processes, end, fail, find_window, focus, rows_of, stamp_seconds,
                     stop_boardsim, wait_for, xdotool)

# Start-up and the first cycle are answered, then nothing.
ANSWERED = 4 + 8
SILENT_ROW = b",-0.0,-0.0,-0.0,-0.0,1,1,1,1\r\n"
READ_BOUND = 2.0


def check_rows(log_file, what):
    rows = rows_of(log_file)[1:]
    if len(rows) != 2 or rows[0][19:] != STEADY_ROW or rows[1][19:] != SILENT_ROW:
        fail("%s: expected a steady row and a silent one: %r" % (what, rows))
    # One second of wait, then eight reads that each give up after the bound.
    gap = stamp_seconds(rows[1]) - stamp_seconds(rows[0])
    if not 1 + 8 * READ_BOUND - 1 <= gap <= 1 + 8 * READ_BOUND + 2:
        fail("%s: the silent cycle's row came %d s after the first" % (what, gap))


def main():
    with Processes() as run:
        options = [arg for reply in STEADY_REPLIES for arg in ("--reply", reply)] + ["--silent-after", str(ANSWERED)]
        display = run.xvfb()
        headless_sim, headless_port = run.boardsim_process(*options)
        window_sim, window_port = run.boardsim_process(*options)
        headless_log = os.path.join(run.folder, "headless.csv")
        window_log = os.path.join(run.folder, "window.csv")
        headless = run.logger(headless_port, headless_log, "--interval", "S1")
        windowed = run.logger(window_port, window_log, "--interval", "S1", display=display)

        window = find_window(display, "Datenlogger")
        wait_for(lambda: len(rows_of(headless_log)) >= 2 and len(rows_of(window_log)) >= 2, 10, "the first rows")
        # Well inside the second cycle, whose reads the board leaves unanswered.
        time.sleep(2)
        signalled = time.monotonic()
        headless.send_signal(signal.SIGTERM)
        xdotool(display, "mousemove", "--window", window, "215", "580", "click", "1")

        if end(headless, timeout=20) != 0:
            fail("exit code %d after SIGTERM" % headless.returncode)
        took = time.monotonic() - signalled
        if took > 18:
            fail("the logger ended %.1f s after SIGTERM, more than one cycle" % took)
        check_rows(headless_log, "SIGTERM")

        question = find_window(display, "Logdatei sofort", timeout=10)
        focus(display, question)
        xdotool(display, "key", "Escape")
        if end(windowed) != 0:
            fail("exit code %d after QUIT" % windowed.returncode)
        check_rows(window_log, "QUIT")

        for sim in (headless_sim, window_sim):
            connections, commands = stop_boardsim(sim)
            # Reads that only time out do not count as a lost connection.
            if (connections, commands) != (1, ANSWERED + 8):
                fail("the simulator saw %d connection(s) and %d commands" % (connections, commands))
        print("silent board: 16 s cycles; SIGTERM ended the logger %.1f s later, QUIT after its cycle" % took)


if __name__ == "__main__":
    main()
