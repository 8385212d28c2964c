#!/usr/bin/env python3
"""The real program on a private X server against the simulator: the prompt answered by typing,
rows at the interval, the window's texts and colours, QUIT, the final prompt answered No."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (STEADY_REPLIES, Processes, check_steady_log, end, fail, find_window, focus, read_dump,
                     rows_of, stamp_seconds, wait_for, xdotool)

BLUE, RED = "ff0000", "0000ff"


def main():
    with Processes() as run:
        display = run.xvfb()
        port = run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
        log_file = os.path.join(run.folder, "log.csv")
        dump = os.path.join(run.folder, "controls.txt")
        env = dict(os.environ, AVRNETIO_DUMP_CONTROLS=dump)
        logger = run.logger(port, log_file, display=display, env=env)

        prompt = find_window(display, "Zeitintervall")
        focus(display, prompt)
        xdotool(display, "key", "--delay", "50", "BackSpace", "BackSpace", "BackSpace")
        xdotool(display, "type", "--delay", "50", "S1")
        xdotool(display, "key", "Return")

        window = find_window(display, "Datenlogger")
        rows = wait_for(lambda: len(rows_of(log_file)) >= 5 and rows_of(log_file), 15, "four rows")
        stamps = [stamp_seconds(row) for row in rows[1:5]]
        steps = [later - earlier for earlier, later in zip(stamps, stamps[1:])]
        if any(step not in (1, 2) for step in steps):
            fail("rows are not one interval apart: %r" % stamps)

        controls = wait_for(lambda: os.path.exists(dump) and read_dump(dump).get(46, (None, ""))[1]
                            .startswith("Letzter Log") and read_dump(dump), 10, "the first refresh")
        expected = {
            34: (BLUE, "2.50"), 35: (BLUE, "4.99"), 36: (BLUE, "-0.0"), 37: (BLUE, "1.00"),
            38: (BLUE, "OFFEN"), 39: (RED, "GESCHLOSSEN"), 40: (BLUE, "OFFEN"), 41: (RED, "GESCHLOSSEN"),
            42: (None, "Volt"), 9: (None, "Eingang"), 17: (None, "Programmende:"), 50: (None, "QUIT"),
            48: (None, "Die Logbuch-Datei wird unter: %s erzeugt/erweitert!" % log_file),
            49: (None, "Die Datenaufzeichnung erfolgt alle\\r1 Sekunde(n)  =  0 Minute(n)  =  "
                       "0 Stunde(n)  =  0 Tag(e)"),
        }
        for number, shown in expected.items():
            if controls.get(number) != shown:
                fail("control %d shows %r, expected %r" % (number, controls.get(number), shown))
        if controls[16][0] != BLUE or not controls[16][1].startswith("Daten aus dem Board:\\r\\r\\r"):
            fail("board information: %r" % (controls[16],))
        if controls[46][0] != BLUE or controls[47][0] != RED:
            fail("last and next log colours: %r %r" % (controls[46], controls[47]))
        if not controls[47][1].startswith("N\\xe4chster Log: "):
            fail("next log line: %r" % (controls[47],))

        xdotool(display, "mousemove", "--window", window, "215", "580", "click", "1")
        question = find_window(display, "Logdatei sofort")
        focus(display, question)
        xdotool(display, "key", "Escape")
        code = end(logger)
        if code != 0:
            fail("exit code %d" % code)
        rows_after = check_steady_log(open(log_file, "rb").read(), 4)
        print("desktop: %d rows, QUIT and No ended the logger with code 0" % len(rows_after))


if __name__ == "__main__":
    main()
