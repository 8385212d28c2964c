#!/usr/bin/env python3
"""The real program on a private X server against the simulator: the prompt answered by typing,
rows at the interval, the window's texts and colours, QUIT, the final prompt answered No."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from harness import (STEADY_REPLIES, Processes, answer_prompt, check_steady_log, check_steady_window, end, fail,
                     find_window, focus, wait_for_rows_one_second_apart, xdotool)


def main():
    with Processes() as run:
        display = run.xvfb()
        port = run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
        log_file = os.path.join(run.folder, "log.csv")
        dump = os.path.join(run.folder, "controls.txt")
        env = dict(os.environ, AVRNETIO_DUMP_CONTROLS=dump)
        logger = run.logger(port, log_file, display=display, env=env)

        answer_prompt(display, "S1")
        window = find_window(display, "Datenlogger")
        wait_for_rows_one_second_apart(log_file, 15)
        check_steady_window(dump, log_file)

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
