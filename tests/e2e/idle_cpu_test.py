#!/usr/bin/env python3
"""An idle logger with a 20-second interval, window and course window shown and connected to an
MQTT broker, uses under 1% of one core while it waits; measured from the process's own CPU time in
/proc."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Processes, end, fail, find_window, messages_of, rows_of, wait_for

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime and stime


def main():
    with Processes() as run:
        display = run.xvfb()
        port = run.boardsim()
        log_file = os.path.join(run.folder, "log.csv")
        _, broker_port = run.broker()
        subscriber = run.subscriber(broker_port, topic="avrnetio/#")
        logger = run.logger(port, log_file, "--interval", "S20", "--mqtt", "mqtt://127.0.0.1:%d" % broker_port,
                            "--course", display=display)
        find_window(display, "Datenlogger")
        find_window(display, "^Verlauf - ")
        wait_for(lambda: len(rows_of(log_file)) >= 2, 10, "the first row")
        # The name is taken first, which takes a few seconds.
        wait_for(lambda: len(messages_of(subscriber, "avrnetio/127-0-0-1/state")) == 1, 15, "the first row published")
        time.sleep(0.5)
        before, started = cpu_seconds(logger.pid), time.monotonic()
        time.sleep(8)
        used, elapsed = cpu_seconds(logger.pid) - before, time.monotonic() - started
        share = 100 * used / elapsed
        if len(rows_of(log_file)) != 2:
            fail("a row was written during the measured wait")
        logger.terminate()
        end(logger)
        print("idle wait: %.2f%% of one core (%.3f s CPU in %.1f s)" % (share, used, elapsed))
        if share >= 1.0:
            fail("the idle logger used %.2f%% of one core" % share)


if __name__ == "__main__":
    main()
