#!/usr/bin/env python3
"""Every row published to a real mosquitto broker: the discovery configs, one state message per CSV
row with an absent board as away and null, a broker stopped for 10 s that the logger waits out
without losing a row or its pace, offline at SIGTERM and through the Last Will at SIGKILL."""
import json
import os
import re
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (STEADY_REPLIES, Processes, end, fail, messages_of, retained, rows_of, stamp_seconds,
                     wait_for)

NAME = "cellar"
STATE = "avrnetio/%s/state" % NAME
AVAILABILITY = "avrnetio/%s/availability" % NAME
TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$")
BOARD_REPLIES = [arg for reply in STEADY_REPLIES for arg in ("--reply", reply)]


def states(path):
    """The state messages; QoS 1 may deliver the one in flight when the broker went twice."""
    found = [payload for _, payload in messages_of(path, STATE)]
    return [json.loads(payload) for i, payload in enumerate(found) if i == 0 or payload != found[i - 1]]


def check_rows_published(rows, published):
    """Each state message is the CSV row at its place: time, values, away and nulls."""
    for row, state in zip(rows, published):
        fields = row.rstrip(b"\r\n").decode().split(",")
        day, month, year = fields[0].split(".")
        if not TIME.match(state["time"]) or state["time"][:19] != "%s-%s-%sT%s" % (year, month, day, fields[1]):
            fail("state time %s for the row %r" % (state["time"], row))
        away = state["board"] == "away"
        for text, value in zip(fields[2:6], state["analog"]):
            if (value is None and text != "-0.0") or (value is not None and value != float(text)):
                fail("analog %r for the row %r" % (state["analog"], row))
        for code, value in zip(fields[6:10], state["digital"]):
            if (value is None and code not in ("1", "")) or (value is not None and str(value) != code):
                fail("digital %r for the row %r" % (state["digital"], row))
        if away != (state["analog"] == [None] * 4 and state["digital"] == [None] * 4):
            fail("board %s with %r" % (state["board"], state))


def board_off_and_on(run):
    """The board goes away for 3 s: away rows with nulls while the CSV gets -0.0; SIGTERM: offline."""
    broker, broker_port = run.broker()
    subscriber = run.subscriber(broker_port)
    # Start-up takes 4 commands and a cycle 8: the board goes in the fourth cycle.
    _, board_port = run.boardsim_process(*BOARD_REPLIES, "--close-after", str(4 + 3 * 8 + 2), "--down-for", "3")
    log_file = os.path.join(run.folder, "board.csv")
    logger = run.logger(board_port, log_file, "--interval", "S1", "--mqtt", "mqtt://127.0.0.1:%d" % broker_port,
                        "--name", NAME)

    def back_again():
        boards = [state["board"] for state in states(subscriber)]
        return "away" in boards and boards[-2:] == ["online", "online"] and boards.index("away") < len(boards) - 2
    wait_for(back_again, 20, "online rows after the away rows")
    started = time.monotonic()
    logger.send_signal(signal.SIGTERM)
    if end(logger, timeout=5) != 0:
        fail("exit status %d after SIGTERM" % logger.returncode)
    wait_for(lambda: messages_of(subscriber, AVAILABILITY)[-1:] == [(AVAILABILITY, "offline")], 3, "offline")
    if time.monotonic() - started > 4:
        fail("the end took %.1f s" % (time.monotonic() - started))

    rows = rows_of(log_file)[1:]
    published = states(subscriber)
    if len(published) != len(rows):
        fail("%d rows in the CSV, %d state messages" % (len(rows), len(published)))
    check_rows_published(rows, published)
    if not any(row.endswith(b",-0.0,-0.0,-0.0,-0.0,1,1,1,1\r\n") for row in rows):
        fail("no -0.0 rows in the CSV while the board was away")

    configs = retained(broker_port, "homeassistant/#", 8)
    if len(configs) != 8:
        fail("%d retained discovery configs: %r" % (len(configs), sorted(configs)))
    for input in range(1, 5):
        for kind, component, keys in (("analog", "sensor", ("unit_of_measurement", "device_class", "state_class")),
                                      ("digital", "binary_sensor", ("payload_on", "payload_off"))):
            config = json.loads(configs["homeassistant/%s/%s/%s%d/config" % (component, NAME, kind, input)])
            for key in ("name", "unique_id", "state_topic", "value_template", "availability", "device", *keys):
                if key not in config:
                    fail("%s%d config lacks %s" % (kind, input, key))
            if config["unique_id"] != "%s_%s%d" % (NAME, kind, input) or config["availability_mode"] != "all":
                fail("config %r" % config)
    if retained(broker_port, AVAILABILITY, 1) != {AVAILABILITY: "offline"}:
        fail("offline is not retained")
    print("board off and on: %d rows published one for one, %d away; offline %.1f s after SIGTERM"
          % (len(rows), sum(state["board"] == "away" for state in published), time.monotonic() - started))


def broker_stopped(run):
    """The broker goes for 10 s: the CSV keeps its pace, the rows of the gap follow in order."""
    broker, broker_port = run.broker(name="restarted")
    subscriber = run.subscriber(broker_port)
    board_port = run.boardsim(*BOARD_REPLIES)
    log_file = os.path.join(run.folder, "broker.csv")
    logger = run.logger(board_port, log_file, "--interval", "S1", "--mqtt", "mqtt://127.0.0.1:%d" % broker_port,
                        "--name", NAME, "--ha-discovery", "off")
    wait_for(lambda: len(states(subscriber)) >= 2, 10, "two state messages")
    broker.send_signal(signal.SIGTERM)
    broker.wait(timeout=5)
    rows_before = len(rows_of(log_file))
    time.sleep(10)
    gap_rows = len(rows_of(log_file)) - rows_before
    run.broker(port=broker_port, name="restarted")
    restarted = time.monotonic()
    wait_for(lambda: len(states(subscriber)) >= len(rows_of(log_file)) - 1 and
             messages_of(subscriber, AVAILABILITY)[-1:] == [(AVAILABILITY, "online")], 45,
             "the rows of the gap and online again")
    back_after = time.monotonic() - restarted
    logger.send_signal(signal.SIGKILL)
    logger.wait()
    wait_for(lambda: messages_of(subscriber, AVAILABILITY)[-1:] == [(AVAILABILITY, "offline")], 45,
             "offline through the Last Will")

    rows = rows_of(log_file)[1:]
    published = states(subscriber)
    if not 0 <= len(rows) - len(published) <= 1:
        fail("%d rows in the CSV, %d state messages" % (len(rows), len(published)))
    check_rows_published(rows, published)
    steps = [later - earlier for earlier, later in zip(map(stamp_seconds, rows), map(stamp_seconds, rows[1:]))]
    if any(step not in (1, 2) for step in steps) or steps.count(2) > 2:
        fail("rows are not one second apart: %r" % steps)
    said = logger.stderr.read().decode(errors="replace")
    if said.count("no connection to the broker") != 1 or said.count("again") != 1:
        fail("the outage was not said once and the recovery once:\n" + said)
    print("broker stopped for 10 s: %d rows during the gap, all %d rows published in order %.1f s after the "
          "restart, Last Will offline" % (gap_rows, len(published), back_after))


def main():
    with Processes() as run:
        board_off_and_on(run)
    with Processes() as run:
        broker_stopped(run)


if __name__ == "__main__":
    main()
