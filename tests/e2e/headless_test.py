#!/usr/bin/env python3
"""No display: --interval S1, then SIGTERM after a few seconds gives a header, one row per
second and exit code 0, whose figures avrnetio-report --summary gives; and a bad interval is
reported on standard error, with exit code 1. Alarms from a settings file, in a network of
loopback only: a value above its limit, then the board stopped and started again with a value
below it, in the alarm log at the rows' own times and on standard error."""
import json
import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (BOARDSIM, REPORT, STEADY_REPLIES, Processes, check_steady_log, check_summary, end, expected_summary,
                     fail, loopback_only, parse_log, retained, rows_of, stamp_seconds, stop_boardsim, wait_for)


def alarms(run):
    """An alarm above 4 V from the first row, the board silent for 2 s after the simulator stops,
    and both over once a simulator on the same port answers 0.49 V."""
    high, port = run.boardsim_process("--reply", "GETADC 1=900\\r\\n")
    settings = os.path.join(run.folder, "alarms.toml")
    said_by_command = os.path.join(run.folder, "command.txt")
    # The first start's command hangs, until the logger ends it.
    # One write a call, which commands of one row running side by side cannot split.
    script = ('printf "%%s\\n\\n" "$(env | grep -E "^AVRNETIO_ALARM_(INPUT|LABEL|EVENT|VALUE|LIMIT|TIME)=" | sort)" '
              '>> %s; [ "$AVRNETIO_ALARM_INPUT$AVRNETIO_ALARM_EVENT" != analog.1start ] || sleep 60' % said_by_command)
    with open(settings, "w") as out:
        out.write('[analog.1]\nalarm_above = 4\n[alarms]\nboard_silent_after = "S2"\ncommand = ["/bin/sh", "-c", %s]\n'
                  % json.dumps(script))
    log_file = os.path.join(run.folder, "alarms.csv")
    alarm_file = os.path.join(run.folder, "alarms-alarme.csv")
    _, broker_port = run.broker()
    # ALSA's file device keeps what is played.
    played = os.path.join(run.folder, "played.raw")
    sound = os.path.join(run.folder, "asound.conf")
    with open(sound, "w") as out:
        out.write('pcm.!default { type file; slave.pcm { type null }; file "%s"; format "raw" }\n' % played)
    logger = run.logger(port, log_file, "--interval", "S1", "--settings", settings, "--name", "alarms", "--mqtt",
                        "mqtt://127.0.0.1:%d" % broker_port,
                        env=dict(os.environ, AVRNETIO_ALARM_COMMAND_LIMIT_MS="2000", ALSA_CONFIG_PATH=sound))
    said = lambda: rows_of(alarm_file)[1:] if os.path.exists(alarm_file) else []
    wait_for(lambda: len(said()) >= 1, 10, "the alarm above 4 V")
    # Home Assistant's problem sensors of the two alarms, and their states.
    configs = lambda: retained(broker_port, "homeassistant/binary_sensor/alarms/+/config", 6)
    wait_for(lambda: len(configs()) == 6, 30, "the problem sensors' configs")
    kinds = {topic.split("/")[3]: json.loads(payload).get("device_class") for topic, payload in configs().items()}
    if {kind: problem for kind, problem in kinds.items() if problem == "problem"} != \
            {"alarm_analog1": "problem", "alarm_board": "problem"}:
        fail("the problem sensors: %r" % kinds)
    state = lambda: json.loads(retained(broker_port, "avrnetio/alarms/state", 1).get("avrnetio/alarms/state", "{}"))
    wait_for(lambda: state().get("alarm") == {"analog1": "ON", "board": "OFF"}, 30, "the alarm in the state")
    stop_boardsim(high)
    wait_for(lambda: len(said()) >= 2, 30, "the alarm of the silent board")
    run.start([BOARDSIM, "--host", "127.0.0.1", "--port", str(port), "--reply", "GETADC 1=100\\r\\n"],
              stdout=subprocess.DEVNULL)
    wait_for(lambda: len(said()) >= 4, 30, "the ends of both alarms")
    logger.send_signal(signal.SIGTERM)
    if end(logger, timeout=5) != 0:
        fail("the logger with alarms ended with %d" % logger.returncode)
    rows = said()
    stamps = {row[:19] for row in rows_of(log_file)[1:]}
    expected = [b"Analog-Eingang Nr. 1,Alarm,4.39,4", b"Board,Alarm,,S2", b"Analog-Eingang Nr. 1,Ende,0.48,4",
                b"Board,Ende,,S2"]
    if [row[20:].rstrip() for row in rows] != expected or not all(row[:19] in stamps for row in rows):
        fail("the alarm log: %r" % rows)
    error = logger.stderr.read().decode()
    for line in ("Alarm: Analog-Eingang Nr. 1 is 4.39, the limit 4", "Alarm: no reading from the board for S2",
                 "Alarm over: the board answers again"):
        if line not in error:
            fail("not said on standard error: %r in %r" % (line, error))
    # The command saw each change, the hanging one cost no row.
    # Those of one row run side by side, and write in any order.
    calls = sorted((dict(line.split("=", 1) for line in call.splitlines())
                    for call in open(said_by_command).read().split("\n\n") if call.strip()),
                   key=lambda call: (call["AVRNETIO_ALARM_TIME"], call["AVRNETIO_ALARM_INPUT"]))
    seen = [(call["AVRNETIO_ALARM_INPUT"], call["AVRNETIO_ALARM_EVENT"], call["AVRNETIO_ALARM_VALUE"],
             call["AVRNETIO_ALARM_LIMIT"], call["AVRNETIO_ALARM_LABEL"]) for call in calls]
    if seen != [("analog.1", "start", "4.39", "4", "Analog-Eingang Nr. 1"), ("board", "start", "", "S2", "Board"),
                ("analog.1", "end", "0.48", "4", "Analog-Eingang Nr. 1"), ("board", "end", "", "S2", "Board")] or \
            not all(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d", call["AVRNETIO_ALARM_TIME"])
                    for call in calls):
        fail("the alarm command saw %r" % calls)
    stamps = [stamp_seconds(row) for row in rows_of(log_file)[1:]]
    if any(later - earlier > 2 for earlier, later in zip(stamps, stamps[1:])) or \
            "The alarm command still ran after 2 s and was ended" not in error:
        fail("the hanging command: rows at %r, said %r" % (stamps, error))
    # The alarm's tone whole at each start, in place of that row's click.
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "src", "assets", "alarm.wav"), "rb") as tone:
        alarm_tone = tone.read()[44:]
    with open(played, "rb") as sounds:
        tones = sounds.read().count(alarm_tone)
    if tones != 2:
        fail("the alarm's tone played %d times" % tones)
    # The report reads what the logger wrote.
    summary = subprocess.run([REPORT, "--summary", log_file], capture_output=True, text=True, timeout=30).stdout
    if "\nalarms\t2\t0\t0\n" not in summary:
        fail("the report's summary of the alarm log: %r" % summary)
    if state().get("alarm") != {"analog1": "OFF", "board": "OFF"}:
        fail("the state after the alarms: %r" % state())
    print("headless: an alarm above a limit, a silent board's and both ends in the alarm log at the rows' times, "
          "on standard error, with the alarm's tone, as Home Assistant problem sensors and in the report's summary")


def main():
    # The alarms come from a settings file.
    loopback_only()
    with Processes() as run:
        alarms(run)
        port = run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
        log_file = os.path.join(run.folder, "log.csv")
        logger = run.logger(port, log_file, "--interval", "S1")
        wait_for(lambda: len(rows_of(log_file)) >= 2, 10, "the first row")
        time.sleep(3.3)
        logger.send_signal(signal.SIGTERM)
        code = end(logger, timeout=5)
        if code != 0:
            fail("exit code %d after SIGTERM" % code)
        content = open(log_file, "rb").read()
        rows = check_steady_log(content, 4)
        if len(rows) > 5:
            fail("%d rows in about four seconds" % len(rows))
        check_summary(log_file, expected_summary(*parse_log(content)))

        bad = run.logger(port, os.path.join(run.folder, "bad.csv"), "--interval", "X5", lang="de_AT.UTF-8")
        code = end(bad)
        message = bad.stderr.read().decode("utf-8")
        if code != 1 or "Problem: Es wurde kein g\u00fcltiger Zeitintervall eingegeben!" not in message:
            fail("bad interval: code %d, %r" % (code, message))
        if os.path.exists(os.path.join(run.folder, "bad.csv")):
            fail("the log file was created although the interval was bad")
        print("headless: %d rows, SIGTERM ended the logger with code 0, the report's summary agrees" % len(rows))


if __name__ == "__main__":
    main()
