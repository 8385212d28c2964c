#!/usr/bin/env python3
"""The real program on a private X server against the simulator: the prompt answered by typing,
rows at the interval, the window's texts and colours, QUIT, the final prompt answered No. Then
alarms from a settings file, in a network of loopback only: the value in the alarm colour, the
title, and notifications at a notification server of the test's own, on a session bus of its own.
Last the course window on a log that holds three days of earlier rows with an outage."""
import datetime
import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from harness import (BOARDSIM, ORANGE, PATIENCE, STEADY_REPLIES, Processes, answer_prompt, check_course,
                     check_steady_log, check_steady_window, course_gap_of_a_stop, course_shown, earlier_days, end, fail,
                     find_window, focus, loopback_only, read_dump, rows_of, stop_boardsim, wait_for,
                     wait_for_rows_one_second_apart, xdotool)

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%s</listen>
  <policy context="default"><allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/></policy>
</busconfig>
"""


def notification_server(run, display):
    """A session bus that starts nothing by itself, and dunst on it writing what it is told to
    notifications.txt; returns the bus's address and that file."""
    bus = os.path.join(run.folder, "bus")
    config = os.path.join(run.folder, "bus.conf")
    with open(config, "w") as out:
        out.write(BUS_CONFIG % bus)
    run.start(["dbus-daemon", "--config-file", config, "--nofork"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    address = "unix:path=" + bus
    told = os.path.join(run.folder, "notifications.txt")
    script = os.path.join(run.folder, "told.sh")
    with open(script, "w") as out:
        out.write('#!/bin/sh\nprintf "%%s|%%s|%%s\\n" "$DUNST_SUMMARY" "$DUNST_BODY" "$DUNST_URGENCY" >> %s\n' % told)
    os.chmod(script, 0o755)
    dunstrc = os.path.join(run.folder, "dunstrc")
    with open(dunstrc, "w") as out:
        out.write('[global]\nfont = "DejaVu Sans 9"\n[told]\nsummary = "*"\nscript = %s\n' % script)
    environment = dict(os.environ, DISPLAY=display, DBUS_SESSION_BUS_ADDRESS=address)
    wait_for(lambda: os.path.exists(bus), PATIENCE, "the session bus")
    run.start(["dunst", "-config", dunstrc], env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    owned = ["dbus-send", "--bus=" + address, "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.Notifications"]
    wait_for(lambda: "true" in subprocess.run(owned, capture_output=True, text=True).stdout, PATIENCE,
             "the notification server")
    return address, told


def alarms_on_the_desktop(run):
    """An alarm above 2 V from the first row, and the board silent for 2 s after the simulator
    stops, over once it is back."""
    display = run.xvfb()
    address, told = notification_server(run, display)
    board, port = run.boardsim_process(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
    settings = os.path.join(run.folder, "alarms.toml")
    with open(settings, "w") as out:
        out.write('[analog.1]\nlabel = "Gefriertruhe"\nalarm_above = 2\n[alarms]\nboard_silent_after = "S2"\n')
    log_file = os.path.join(run.folder, "alarms.csv")
    dump = os.path.join(run.folder, "alarm-controls.txt")
    env = dict(os.environ, AVRNETIO_DUMP_CONTROLS=dump, DBUS_SESSION_BUS_ADDRESS=address)
    logger = run.logger(port, log_file, "--interval", "S1", "--settings", settings, display=display, env=env)
    window = find_window(display, "ALARM - Datenlogger")
    notes = lambda: open(told, encoding="utf-8").read().splitlines() if os.path.exists(told) else []
    wait_for(lambda: len(notes()) >= 1, PATIENCE, "the alarm's notification")
    wait_for(lambda: os.path.exists(dump) and read_dump(dump).get(34, (None, ""))[0] == ORANGE, PATIENCE,
             "the value in the alarm colour")
    # The window and the notification beside it, for the documentation, only when asked for.
    if os.environ.get("AVRNETIO_SCREENSHOT") == "1":
        docs = os.path.join(os.path.dirname(__file__), "..", "..", "docs")
        subprocess.run(["import", "-display", display, "-window", "root", "-crop", "734x640+290+45",
                        os.path.join(docs, "alarm-linux.png")],
                       check=True)
    stop_boardsim(board)
    wait_for(lambda: len(notes()) >= 2, PATIENCE, "the silent board's notification")
    run.start([BOARDSIM, "--host", "127.0.0.1", "--port", str(port),
               *[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)]], stdout=subprocess.DEVNULL)
    wait_for(lambda: len(notes()) >= 3, PATIENCE, "the notification of its end")
    logger.send_signal(signal.SIGTERM)
    if end(logger) != 0:
        fail("the logger with alarms ended with %d" % logger.returncode)
    expected = ["ALARM - Datenlogger f\xfcr AVR-NET-IO-Board|Alarm: Gefriertruhe ist 2.50, die Grenze 2|CRITICAL",
                "ALARM - Datenlogger f\xfcr AVR-NET-IO-Board|Alarm: seit S2 keine Messung vom Board|CRITICAL",
                "Datenlogger f\xfcr AVR-NET-IO-Board|Alarm vorbei: das Board antwortet wieder|NORMAL"]
    if notes() != expected:
        fail("the notifications: %r" % notes())
    print("desktop: an alarm in the window's title and colour, notifications of its start and of a silent board's "
          "start and end")


def course_on_earlier_days(run):
    """The course window with --course: its title, the earlier days' course and the new rows in
    the first input's colour, no line across the outage, and a gap where the simulator stopped."""
    display = run.xvfb(screen=(1600, 900))
    board, port = run.boardsim_process(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
    log_file = os.path.join(run.folder, "course.csv")
    earlier_days(log_file, datetime.datetime.now())
    earlier = len(rows_of(log_file))
    logger = run.logger(port, log_file, "--interval", "S1", "--course", display=display)
    window = find_window(display, "^Verlauf - 127.0.0.1$")
    wait_for(lambda: len(rows_of(log_file)) >= earlier + 3, PATIENCE, "new rows")
    # The log is read in steps after the first row: until its first day shows.
    shown = wait_for(lambda: course_shown(display, window, os.path.join(run.folder, "course.rgb")), PATIENCE,
                     "the earlier days' course")
    columns, width = shown
    check_course(columns, width)
    if os.environ.get("AVRNETIO_SCREENSHOT") == "1":
        docs = os.path.join(os.path.dirname(__file__), "..", "..", "docs")
        subprocess.run(["import", "-display", display, "-window", window, os.path.join(docs, "course-linux.png")],
                       check=True)
    course_gap_of_a_stop(run, display, window, board, port, log_file)
    logger.send_signal(signal.SIGTERM)
    if end(logger) != 0:
        fail("the logger with the course window ended with %d" % logger.returncode)
    print("desktop: the course window of three earlier days and the new rows, a gap where the earlier rows "
          "stopped, and one where the simulator was stopped")


def main():
    # The alarms come from a settings file.
    loopback_only()
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
    with Processes() as run:
        alarms_on_the_desktop(run)
    with Processes() as run:
        course_on_earlier_days(run)


if __name__ == "__main__":
    main()
