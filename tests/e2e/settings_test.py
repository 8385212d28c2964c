#!/usr/bin/env python3
"""The logger from a settings file alone, in a network of loopback only (a setting it missed would
send it to the board's default address): the user's own file names the board, the log, the
interval, a temperature sensor and a door contact, which the window, the log and Home Assistant
show in their units and words, and so does the report of its log; a wrong file ends it with status 2 before the board is asked. The
first start from the menu entry opens the settings window: Escape leaves nothing behind; a wrong
port says why, the right one shows the board's version, a label and a scale typed in are saved and
logged, and the next start goes straight to the prompt. Then the schedules, side by side with the click on: aligned at S1 gives a row every second, at S2 on
even seconds only, with a slow board a slot is skipped rather than drifting, and drift stays
as it was.

AVRNETIO_SCREENSHOT=1 also refreshes docs/settings-linux.png."""
import json
import os
import shlex
import signal
import subprocess
import sys
import time
import tomllib

sys.path.insert(0, os.path.dirname(__file__))
from harness import (BLUE, LOGGER, RED, REPORT, STEADY_REPLIES, Processes, answer_prompt, check_frame_centred, end,
                     fail, find_window, focus, in_locale, loopback_only, read_dump, retained, rows_of, stamp_seconds,
                     stop_boardsim, unused_port, wait_for, xdotool)

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DOCUMENTATION = os.environ.get("AVRNETIO_SCREENSHOT") == "1"

CELLAR_REPLIES = ["GETADC 1=44\\r\\n", "GETADC 2=512\\r\\n", "GETADC 3=0\\r\\n", "GETADC 4=x\\r\\n",
                  "GETPORT 1=0\\r\\n", "GETPORT 2=1\\r\\n", "GETPORT 3=1\\r\\n", "GETPORT 4=0\\r\\n"]
HEADER = ("Datum,Uhrzeit,Keller [\u00b0C],Analog-Eingang Nr. 2,Tank [bar],Analog-Eingang Nr. 4,Haust\u00fcr,"
          "Digital-Eingang Nr. 2,Digital-Eingang Nr. 3,Digital-Eingang Nr. 4\r\n").encode("latin-1")
ROW_VALUES = b",21.5,2.50,-2.50,-0.0,1,0,0,1\r\n"


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)


def replies(answers):
    return [arg for reply in answers for arg in ("--reply", reply)]


def cellar(run):
    """Everything from the user's own settings file: window, log and discovery in the units."""
    display = run.xvfb()
    _, broker_port = run.broker()
    board, board_port = run.boardsim_process(*replies(CELLAR_REPLIES))
    log_file = os.path.join(run.folder, "keller.csv")
    config = os.path.join(run.folder, "config")
    write(os.path.join(config, "avrnetio-logger", "logger.toml"), """\
[board]
host = "127.0.0.1"
port = %d
[log]
file = "%s"
interval = "S1"
[analog.1]
label = "Keller"
unit = "\u00b0C"
scale = 0.48828
decimals = 1
ha_device_class = "temperature"
[analog.3]
label = "Tank"
unit = "bar"
scale = 0.012207
offset = -2.5
[digital.1]
label = "Haust\u00fcr"
open = "offen"
closed = "zu"
ha_device_class = "door"
[mqtt]
url = "mqtt://127.0.0.1:%d"
name = "cellar"
""" % (board_port, log_file, broker_port))
    dump = os.path.join(run.folder, "controls.txt")
    logger = run.logger_from_settings(display=display, env=dict(os.environ, XDG_CONFIG_HOME=config,
                                                                AVRNETIO_DUMP_CONTROLS=dump))
    controls = wait_for(lambda: os.path.exists(dump) and read_dump(dump).get(46, (None, ""))[1]
                        .startswith("Letzter Log") and read_dump(dump), 20, "the window's first refresh")
    expected = {1: (None, "Keller"), 3: (None, "Tank"), 5: (None, "Haust\\xfcr"), 34: (BLUE, "21.5"),
                35: (BLUE, "2.50"), 36: (BLUE, "-2.50"), 37: (BLUE, "-0.0"), 42: (None, "\\xb0C"),
                44: (None, "bar"), 43: (None, "Volt"), 38: (RED, "zu"), 39: (BLUE, "OFFEN")}
    for number, shown in expected.items():
        if controls.get(number) != shown:
            fail("control %d shows %r, expected %r" % (number, controls.get(number), shown))

    configs = wait_for(lambda: len(retained(broker_port, "homeassistant/#", 8)) == 8 and
                       retained(broker_port, "homeassistant/#", 8), 10, "the discovery configs")
    keller = json.loads(configs["homeassistant/sensor/cellar/analog1/config"])
    door = json.loads(configs["homeassistant/binary_sensor/cellar/digital1/config"])
    tank = json.loads(configs["homeassistant/sensor/cellar/analog3/config"])
    got = (keller["name"], keller["unit_of_measurement"], keller["device_class"],
           keller["suggested_display_precision"], keller["device"]["name"], keller["origin"]["name"],
           tank["unit_of_measurement"], "device_class" in tank, tank["suggested_display_precision"],
           door["name"], door["device_class"], door["payload_on"])
    if got != ("Keller", "\u00b0C", "temperature", 1, "AVR-NET-IO cellar", "avrnetio-logger", "bar", False, 2,
               "Haust\u00fcr", "door", "0"):
        fail("discovery configs: %r" % (got,))
    state = wait_for(lambda: retained(broker_port, "avrnetio/cellar/state", 1), 10, "a state message")
    values = json.loads(state["avrnetio/cellar/state"])
    if values["analog"] != [21.5, 2.5, -2.5, 0.0] or values["digital"] != [1, 0, 0, 1]:
        fail("state %r" % values)

    logger.send_signal(signal.SIGTERM)
    if end(logger) != 0:
        fail("the logger from settings ended with %d: %r" % (logger.returncode, logger.stderr.read()))
    lines = rows_of(log_file)
    if lines[0] != HEADER or not lines[1:] or any(line[19:] != ROW_VALUES for line in lines[1:]):
        fail("log %r" % lines[:3])

    # The report in the file's units: the summary's figures, the page's headings.
    summary = subprocess.run([REPORT, "--summary", log_file], capture_output=True, text=True, timeout=30).stdout
    keller = next((line.split("\t") for line in summary.splitlines() if line.startswith("analog\t1\t")), [])
    tank = next((line.split("\t") for line in summary.splitlines() if line.startswith("analog\t3\t")), [])
    if keller[2:3] != ["Keller [\u00b0C]"] or keller[4:6] != ["21.5", "21.5"] or tank[4:5] != ["-2.50"]:
        fail("the report's summary: %r" % summary)
    page = os.path.join(run.folder, "keller.html")
    subprocess.run([REPORT, log_file, "-o", page], check=True, timeout=30)
    if "Keller <small>(\u00b0C)</small>" not in open(page, encoding="utf-8").read():
        fail("the report's page names no \u00b0C for Keller")

    # A wrong setting: the usage error names where, and the board is never asked.
    wrong = os.path.join(run.folder, "wrong.toml")
    write(wrong, "[board]\nhost = \"127.0.0.1\"\nport = %d\n[analog.2]\nscale = \"viel\"\n" % board_port)
    refused = run.logger_from_settings("--settings", wrong)
    message = refused.stderr.read().decode()
    if end(refused) != 2 or wrong + ":5:9: analog.2.scale: a number is needed" not in message:
        fail("a wrong setting: exit %d, %r" % (refused.returncode, message))
    connections, _ = stop_boardsim(board)
    if connections != 1:
        fail("the board saw %d connections, not only the first logger's" % connections)


def menu_entry_command():
    """The options the desktop's menu entry starts the logger with."""
    with open(os.path.join(ROOT, "packaging", "avrnetio-logger.desktop"), encoding="utf-8") as entry:
        command = next(shlex.split(line[5:]) for line in entry if line.startswith("Exec="))
    if command[0] != "avrnetio-logger":
        fail("the menu entry starts %r" % command)
    return command[1:]


def shown(dump, control, text, what):
    """Waits until the window shows text (or text matches, if it is a function) in control."""
    matches = text if callable(text) else lambda got: got == text
    return wait_for(lambda: os.path.exists(dump) and matches(read_dump(dump).get(control, (None, None))[1])
                    and read_dump(dump)[control], 15, what)


def keys(display, *names):
    xdotool(display, "key", "--delay", "60", *names)


def typed(display, text):
    xdotool(display, "type", "--delay", "40", text)


def settings_window(run):
    """The menu entry's first start: the settings window, then the logger with what was entered."""
    display = run.xvfb()
    run.window_manager(display)
    board, board_port = run.boardsim_process(*replies(STEADY_REPLIES))
    config = os.path.join(run.folder, "first-start")
    settings = os.path.join(config, "avrnetio-logger", "logger.toml")
    log_file = os.path.join(run.folder, "window.csv")
    dump = os.path.join(run.folder, "settings-controls.txt")
    # The default log is in the home folder, which the window shows: a made-up one for the picture.
    env = dict(os.environ, XDG_CONFIG_HOME=config, AVRNETIO_DUMP_CONTROLS=dump,
               HOME="/home/anna" if DOCUMENTATION else run.folder)
    options = menu_entry_command()

    # Escape closes the window, the logger ends and writes nothing.
    logger = run.logger_from_settings(*options, display=display, env=env)
    focus(display, find_window(display, "Einstellungen"))
    shown(dump, 242, "&Speichern und starten", "the first start's button")
    keys(display, "Escape")
    if end(logger) != 0 or os.path.exists(settings) or os.listdir(run.folder).count("AVR-NET-IO.CSV"):
        fail("Escape in the settings window: exit %r, settings or log left" % logger.returncode)

    logger = run.logger_from_settings(*options, display=display, env=env)
    window = find_window(display, "Einstellungen")
    check_frame_centred(display, window, "the settings window")
    focus(display, window)
    shown(dump, 102, "192.168.1.90", "the board's default address")
    # The address has the focus, its text selected; a refused port says so beside the button.
    typed(display, "127.0.0.1")
    keys(display, "Tab")
    typed(display, str(unused_port()))
    keys(display, "alt+v")
    refused = shown(dump, 106, lambda got: got and "abgelehnt" in got, "the refused connection")
    if refused[0] != RED:
        fail("the refused connection is not in red: %r" % (refused,))
    keys(display, "alt+o")
    typed(display, str(board_port))
    keys(display, "alt+v")
    if shown(dump, 106, "Verbunden: AVR-NET-IO board simulator 1.0", "the board's version")[0] != BLUE:
        fail("the board's version is not in blue")
    # From the schedule's choice, Tab goes on to input 1's label, unit and scale.
    keys(display, "alt+z", "Tab")
    typed(display, "Keller")
    keys(display, "Tab", "Tab")
    typed(display, "0.1")
    shown(dump, 317, "= 51.20 Volt", "the preview of 512 with a scale of 0.1")
    if DOCUMENTATION:
        picture = os.path.join(ROOT, "docs", "settings-linux.png")
        subprocess.run(["import", "-window", window, "-colors", "128", "PNG8:" + picture], check=True,
                       env=dict(os.environ, DISPLAY=display))
        print("settings: wrote " + picture)
    keys(display, "alt+l")
    typed(display, log_file)
    keys(display, "Return")

    # Saved and started: the prompt, then rows with that label and scale.
    answer_prompt(display, "S1")
    wait_for(lambda: len(rows_of(log_file)) >= 3, 15, "rows of the logger started from the window")
    lines = rows_of(log_file)
    if not lines[0].startswith(b"Datum,Uhrzeit,Keller [Volt],Analog-Eingang Nr. 2,") or any(
            line[19:] != b",51.20,4.99,-0.0,1.00,0,1,0,1\r\n" for line in lines[1:]):
        fail("the log of the settings entered: %r" % lines[:3])
    with open(settings, "rb") as saved:
        values = tomllib.load(saved)
    if (values["board"], values["log"], values["analog"]) != (
            {"host": "127.0.0.1", "port": board_port}, {"file": log_file}, {"1": {"label": "Keller", "scale": 0.1}}):
        fail("the settings file holds %r" % values)
    logger.send_signal(signal.SIGTERM)
    if end(logger) != 0:
        fail("the logger started from the window ended with %d" % logger.returncode)

    # The next start from the menu goes straight to the prompt.
    logger = run.logger_from_settings(*options, display=display, env=env)
    find_window(display, "Zeitintervall")
    if xdotool(display, "search", "--onlyvisible", "--name", "Einstellungen"):
        fail("the settings window opened again")
    logger.send_signal(signal.SIGTERM)
    end(logger)
    stop_boardsim(board)


def scheduled(run, name, interval, schedule, *board_options):
    """A logger on a board of its own with the click on; returns it and its log."""
    _, port = run.boardsim_process(*board_options)
    log_file = os.path.join(run.folder, name + ".csv")
    settings = os.path.join(run.folder, name + ".toml")
    write(settings, '[board]\nhost = "127.0.0.1"\nport = %d\n[log]\nfile = "%s"\ninterval = "%s"\n'
                    'schedule = "%s"\n' % (port, log_file, interval, schedule))
    # ALSA's null device takes the click: the 100 ms pause after each row is there as on a desktop.
    sound = os.path.join(run.folder, "asound.conf")
    write(sound, "pcm.!default { type null }\n")
    return run.logger_from_settings("--settings", settings, env=dict(os.environ, ALSA_CONFIG_PATH=sound)), log_file


def schedules(run):
    loggers = {
        "aligned S1": scheduled(run, "s1", "S1", "aligned"),
        "aligned S2": scheduled(run, "s2", "S2", "aligned"),
        "aligned S1, slow board": scheduled(run, "slow", "S1", "aligned", "--delay", "150"),
        "drift S1": scheduled(run, "drift", "S1", "drift"),
    }
    started = time.monotonic()
    time.sleep(31)
    for logger, _ in loggers.values():
        logger.send_signal(signal.SIGTERM)
    for name, (logger, log_file) in loggers.items():
        if end(logger) != 0:
            fail("%s ended with %d" % (name, logger.returncode))
        steps = [(stamp_seconds(b) - stamp_seconds(a)) % 86400 for a, b in zip(rows_of(log_file)[1:], rows_of(log_file)[2:])]
        seconds = [stamp_seconds(row) for row in rows_of(log_file)[1:]]
        if name == "aligned S1" and (len(seconds) < 30 or set(steps) != {1}):
            fail("%s: %d rows, steps %r" % (name, len(seconds), steps))
        if name == "aligned S2" and (len(seconds) < 15 or set(steps) != {2} or any(s % 2 for s in seconds)):
            fail("%s: rows at %r" % (name, seconds))
        # Eight replies of 150 ms: each cycle takes its slot and the next; every start on a whole second.
        if name == "aligned S1, slow board" and (len(seconds) < 13 or set(steps) != {2}):
            fail("%s: steps %r" % (name, steps))
        # The click's pause and the cycle's work make the rows drift: a second goes without a row.
        if name == "drift S1" and (2 not in steps or set(steps) - {1, 2}):
            fail("%s: steps %r" % (name, steps))
    print("settings: the window, the log and Home Assistant in the units of the file; schedules in %.0f s"
          % (time.monotonic() - started))


def refusals(run):
    """What the logger cannot honour ends it with the reason, never a hang or a default in its place."""
    board, board_port = run.boardsim_process(*replies(STEADY_REPLIES))

    def refused(*options, env=None, wrapper=(), lang=None):
        process = run.start([*wrapper, LOGGER, *options], env=in_locale(dict(env or os.environ), lang),
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        said = process.stderr.read()
        return end(process), said

    # A pipe as the settings file, named or at the user's own place: refused, not waited on.
    config = os.path.join(run.folder, "refusals")
    os.makedirs(os.path.join(config, "avrnetio-logger"))
    pipe = os.path.join(config, "avrnetio-logger", "logger.toml")
    os.mkfifo(pipe)
    for options in (["--settings", pipe], []):
        started = time.monotonic()
        code, said = refused(*options, env=dict(os.environ, XDG_CONFIG_HOME=config))
        if code != 2 or (pipe + ": cannot be read").encode() not in said:
            fail("a pipe as the settings file %r: exit %d, %r" % (options, code, said[-200:]))
        print("settings: a pipe as the settings file%s refused in %.1f s"
              % (" named" if options else " at the user's place", time.monotonic() - started))
    # A folder the user may not search: its file is refused, not taken for none.
    os.remove(pipe)
    write(pipe, "[board]\nhost = \"127.0.0.1\"\n")
    os.chmod(os.path.dirname(pipe), 0)
    unprivileged = ["setpriv", "--bounding-set=-dac_override,-dac_read_search"] if os.geteuid() == 0 else []
    code, said = refused(env=dict(os.environ, XDG_CONFIG_HOME=config), wrapper=unprivileged)
    os.chmod(os.path.dirname(pipe), 0o755)
    if code != 2 or (pipe + ": cannot be read: the way to it is barred").encode() not in said:
        fail("an unsearchable settings folder: exit %d, %r" % (code, said[-200:]))
    # A device as the log: refused at start with the log file's message.
    code, said = refused("--host", "127.0.0.1", "--port", str(board_port), "--interval", "S1", "--log-file", "/dev/full",
                         lang="de_DE.UTF-8")
    if code != 1 or "Die Ausgabedatei '/dev/full' kann nicht erzeugt werden!".encode() not in said:
        fail("/dev/full as the log: exit %d, %r" % (code, said[-200:]))
    # What the terminal would obey, in a key, comes out as an escape.
    escaped = os.path.join(run.folder, "escaped.toml")
    write(escaped, "[board]\n\"\\u001b]0;owned\\u0007\\u001b[2J\" = 1\n")
    code, said = refused("--settings", escaped)
    if code != 2 or b"\x1b" in said or b"\\u001B]0;owned" not in said:
        fail("an escape in a key: exit %d, %r" % (code, said[-200:]))
    stop_boardsim(board)
    print("settings: an unsearchable folder, /dev/full as the log and an escape in a key refused with the reason")


def languages(run):
    """On a terminal the usage and a wrong settings file are said in the language of the user's
    locale, in UTF-8: German for de_DE, English for C."""
    wrong = os.path.join(run.folder, "languages", "logger.toml")
    write(wrong, "[board]\nport = 0\n")
    cases = [("de_DE.UTF-8", ["--help"], 0, "Aufruf: avrnetio-logger", "Schreibt die Eing\u00e4nge eines AVR-NET-IO-Boards"),
             ("C", ["--help"], 0, "Usage: avrnetio-logger", "Logs the inputs of an AVR-NET-IO board"),
             ("de_DE.UTF-8", ["--settings", wrong], 2, "Aufruf: avrnetio-logger",
              wrong + ":2:8: board.port: ein Port von 1 bis 65535 ist n\u00f6tig\n"),
             ("C", ["--settings", wrong], 2, "Usage: avrnetio-logger", wrong + ":2:8: board.port: a port from 1 to 65535 is needed\n")]
    for lang, options, status, first, line in cases:
        result = subprocess.run([LOGGER, *options], env=in_locale(dict(os.environ), lang), capture_output=True, timeout=10)
        said = (result.stdout if status == 0 else result.stderr).decode("utf-8")
        if result.returncode != status or not said.startswith(first) or line not in said:
            fail("%s with LANG=%s: exit %d, %r" % (options[0], lang, result.returncode, said[-300:]))
    print("settings: --help and a wrong settings file in German for LANG=de_DE.UTF-8, in English for LANG=C")


def main():
    loopback_only()
    with Processes() as run:
        languages(run)
        settings_window(run)
        cellar(run)
        schedules(run)
        refusals(run)


if __name__ == "__main__":
    main()
