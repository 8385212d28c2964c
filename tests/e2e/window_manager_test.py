#!/usr/bin/env python3
"""The real program under a window manager, with a taskbar's room kept free: a log path with
umlauts shown correctly and used as given, the window's class and Latin-1 title, the frames of
the window and the final prompt centred on the work area, the window drawn while the first
reading waits on a silent board, and Yes handing the log to xdg-open under its own name. On a
screen lower than the window, the frame is shrunk to the work area."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from harness import (HEADER, Processes, cardinals, check_frame_centred, end, fail, find_window, focus,
                     read_dump, rows_of, wait_for, xdotool, xprop)

TITLE = "Datenlogger f\u00fcr AVR-NET-IO-Board"


def pixels(display, window):
    """The window's client area as rows of (red, green, blue)."""
    width, height = 440, 600
    raw = subprocess.run(["import", "-window", window, "-depth", "8", "rgb:-"],
                         env={**os.environ, "DISPLAY": display}, capture_output=True, timeout=30).stdout
    if len(raw) != width * height * 3:
        fail("a screenshot of %d bytes" % len(raw))
    return lambda x, y: tuple(raw[(y * width + x) * 3:(y * width + x) * 3 + 3])


def main():
    with Processes() as run:
        display = run.xvfb()
        run.window_manager(display)
        # Start-up is answered, the first reading is not: it takes eight read bounds.
        port = run.boardsim("--silent-after", "4")
        log_file = os.path.join(run.folder, "Messwerte-\u00e4\u00f6\u00fc.csv")
        dump = os.path.join(run.folder, "controls.txt")
        tools = os.path.join(run.folder, "bin")
        os.mkdir(tools)
        opened = os.path.join(run.folder, "opened")
        with open(os.path.join(tools, "xdg-open"), "w") as script:
            script.write('#!/bin/sh\nprintf %%s "$1" > "%s"\n' % opened)
        os.chmod(os.path.join(tools, "xdg-open"), 0o755)
        env = dict(os.environ, AVRNETIO_DUMP_CONTROLS=dump, PATH=tools + os.pathsep + os.environ["PATH"])
        logger = run.logger(port, log_file, "--interval", "S1", display=display, env=env)

        window = find_window(display, "Datenlogger")
        # The first reading is under way; the window is on screen all the same.
        shot = pixels(display, window)
        face, picture = shot(5, 5), shot(80, 510)
        if face == (0, 0, 0) or face != shot(430, 300) or picture == face or len(rows_of(log_file)) != 1:
            fail("the window is not drawn before the first reading: %r %r" % (face, picture))
        if xprop(display, "-id", window, "WM_CLASS") != 'WM_CLASS(STRING) = "avrnetio-logger", "avrnetio-logger"':
            fail("window class: " + xprop(display, "-id", window, "WM_CLASS"))
        title = xprop(display, "-id", window, "-f", "WM_NAME", "8x", " $0+", "WM_NAME")
        if title.split(" ", 1)[1] != ", ".join("0x%x" % byte for byte in TITLE.encode("latin-1")):
            fail("WM_NAME is not the Latin-1 title: " + title)
        check_frame_centred(display, window, "main window")

        controls = wait_for(lambda: os.path.exists(dump) and read_dump(dump), 30, "the first refresh")
        # The dump writes the window's Latin-1 text with escapes beyond ASCII.
        shown = "".join(c if c < "\x80" else "\\x%02x" % ord(c)
                        for c in "Die Logbuch-Datei wird unter: %s erzeugt/erweitert!" % log_file)
        if controls.get(48, (None, ""))[1] != shown:
            fail("control 48 shows %r" % (controls.get(48),))
        xdotool(display, "mousemove", "--window", window, "215", "580", "click", "1")
        question = find_window(display, "Logdatei sofort")
        check_frame_centred(display, question, "final prompt")
        if not cardinals(display, question, "_NET_WM_ICON"):
            fail("the final prompt has no icon")
        focus(display, question)
        xdotool(display, "key", "Return")
        if end(logger) != 0:
            fail("exit code %d after Yes" % logger.returncode)

        wait_for(lambda: os.path.exists(opened), 5, "xdg-open")
        if open(opened, "rb").read() != os.fsencode(log_file):
            fail("xdg-open was given %r" % open(opened, "rb").read())
        if not open(log_file, "rb").read().startswith(HEADER):
            fail("the log under its own name has no header")

        small = run.xvfb(screen=(800, 480))
        run.window_manager(small, screen=(800, 480))
        run.logger(run.boardsim(), os.path.join(run.folder, "small.csv"), "--interval", "S10", display=small)
        outer = check_frame_centred(small, find_window(small, "Datenlogger"), "small screen")
        if outer[1] < 0 or outer[1] + outer[3] > 480 - 40:
            fail("on an 800x480 screen the frame spans %r" % (outer,))
        print("window manager: class, Latin-1 title, centred frames, drawn before the first reading, "
              "the path with umlauts shown and opened, the frame shrunk to a small screen")


if __name__ == "__main__":
    main()
