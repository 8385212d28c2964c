#!/usr/bin/env python3
"""mqtt_fleet.py N [SECONDS]: N simulators and N loggers at S1 against one mosquitto broker on
loopback for a minute (or SECONDS); a subscriber counts every row of every logger on its rows topic. Prints the rows
logged, the rows that reached the subscriber, the rows lost, and the loggers' CPU share."""
import os
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
from harness import Processes, end, fail, messages_of, rows_of, wait_for  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 50
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 60
    with Processes() as run:
        _, broker_port = run.broker()
        subscriber = run.subscriber(broker_port, topic="avrnetio/+/rows")
        loggers = []
        for number in range(count):
            board_port = run.boardsim()
            log_file = os.path.join(run.folder, "logger%d.csv" % number)
            loggers.append((run.logger(board_port, log_file, "--interval", "S1", "--name", "logger%d" % number,
                                       "--mqtt", "mqtt://127.0.0.1:%d" % broker_port), log_file))
        wait_for(lambda: all(len(rows_of(log_file)) >= 2 for _, log_file in loggers), 60, "every first row")
        before, started = sum(cpu_seconds(logger.pid) for logger, _ in loggers), time.monotonic()
        time.sleep(seconds)
        used, elapsed = sum(cpu_seconds(logger.pid) for logger, _ in loggers) - before, time.monotonic() - started
        for logger, _ in loggers:
            logger.send_signal(signal.SIGTERM)
        for logger, _ in loggers:
            if end(logger) != 0:
                fail("a logger ended with %d" % logger.returncode)
        time.sleep(1)
        logged = sum(len(rows_of(log_file)) - 1 for _, log_file in loggers)
        arrived = {}
        for topic, payload in messages_of(subscriber):
            arrived.setdefault(topic, set()).add(payload)
        received = sum(len(payloads) for payloads in arrived.values())
        print("%d loggers, %.0f s: %d rows logged, %d received, %d lost; loggers' CPU %.2f%% of one core "
              "together (%.3f%% each)" % (count, elapsed, logged, received, logged - received,
                                          100 * used / elapsed, 100 * used / elapsed / count))


if __name__ == "__main__":
    main()
