#!/usr/bin/env python3
"""A board that answers with every byte value, NUL bytes and an overlong reading, beside one with
steady replies, both windows on one private X server: the hostile one keeps logging, shows the
board's texts up to their first NUL and leaves every other fixed text as the steady one shows it."""
import os
import re
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (STEADY_REPLIES, STAMP, Processes, end, fail, read_dump, rows_of, wait_for)

BLUE = "ff0000"


def escaped(data):
    """Bytes as the simulator's --reply takes them."""
    return "".join("\\x%02x" % byte for byte in data)


# Between them the four information replies carry every byte value, each within its read limit.
INFO = {
    "Version": bytes(range(0x80, 0x100)),                      # 128 of 200
    "Getip": bytes(range(0x01, 0x40)),                         # 63 of 100, CR, LF and tab among them
    "Getgw": bytes(range(0x40, 0x80)) + b"\x00hidden",         # the text ends at the NUL
    "Getmask": b"\x00hidden as well",                          # an empty text
}
READINGS = {
    "GETADC 1": b"1023\r\n" + b"x" * 144,  # 150 bytes: the last 50 start the next reply
    "GETADC 3": b"5\x0012\r\n",
    "GETPORT 1": b"\x001\r\n",
    "GETPORT 2": bytes(range(0xF0, 0x100)),
}


def dump_text(data):
    """A text as the control dump writes it."""
    out = []
    for byte in data:
        names = {0x5C: "\\\\", 0x0D: "\\r", 0x0A: "\\n", 0x09: "\\t"}
        if byte in names:
            out.append(names[byte])
        elif byte < 0x20 or byte > 0x7E:
            out.append("\\x%02x" % byte)
        else:
            out.append(chr(byte))
    return "".join(out)


def up_to_nul(data):
    return data.split(b"\x00", 1)[0]


def refreshed(dump):
    return os.path.exists(dump) and read_dump(dump).get(46, (None, ""))[1].startswith("Letzter Log")


def check_row_form(row):
    """Whatever the replies, a value is four characters of a decimal and a state code 0, 1 or empty."""
    fields = row[:-2].split(b",")
    analog, digital = fields[2:6], fields[6:]
    if (not row.endswith(b"\r\n") or not STAMP.match(row) or len(fields) != 10
            or not all(len(value) == 4 and re.fullmatch(rb"-?\d+\.\d*", value) for value in analog)
            or not all(code in (b"", b"0", b"1") for code in digital)):
        fail("row of the wrong form: %r" % row)


def main():
    with Processes() as run:
        display = run.xvfb()
        hostile_replies = ["%s=%s" % (command, escaped(text)) for command, text in {**INFO, **READINGS}.items()]
        ports = {"steady": run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)]),
                 "hostile": run.boardsim(*[arg for reply in hostile_replies for arg in ("--reply", reply)])}
        loggers, logs, dumps = {}, {}, {}
        for name, port in ports.items():
            # Folder names of one length, so that the file location texts differ only in them.
            folder = os.path.join(run.folder, name[:4])
            os.mkdir(folder)
            logs[name] = os.path.join(folder, "log.csv")
            dumps[name] = os.path.join(folder, "controls.txt")
            env = dict(os.environ, AVRNETIO_DUMP_CONTROLS=dumps[name])
            loggers[name] = run.logger(port, logs[name], "--interval", "S1", display=display, env=env)

        for name in loggers:
            wait_for(lambda: refreshed(dumps[name]), 15, "the first refresh of the %s window" % name)
        time.sleep(3)
        hostile_rows = rows_of(logs["hostile"])[1:]
        if loggers["hostile"].poll() is not None:
            fail("the logger ended with code %d" % loggers["hostile"].returncode)
        if len(hostile_rows) < 3:
            fail("only %d rows from the hostile board" % len(hostile_rows))
        for row in hostile_rows:
            check_row_form(row)

        steady, hostile = read_dump(dumps["steady"]), read_dump(dumps["hostile"])
        fixed = list(range(1, 16)) + [17, 42, 43, 44, 45, 48, 49, 50]
        for number in fixed:
            shown = hostile.get(number)
            wanted = steady.get(number)
            if number == 48 and wanted:
                wanted = (wanted[0], wanted[1].replace(os.sep + "stea" + os.sep, os.sep + "host" + os.sep))
            if shown != wanted:
                fail("control %d shows %r, the steady window %r" % (number, shown, wanted))
        info = (b"Daten aus dem Board:\r\r\r" + up_to_nul(INFO["Version"]) + b"\r\rIP: " + up_to_nul(INFO["Getip"]) +
                b"Subnetz: " + up_to_nul(INFO["Getmask"]) + b"Gateway: " + up_to_nul(INFO["Getgw"]))
        if hostile.get(16) != (BLUE, dump_text(info)):
            fail("board information shows %r\nexpected %r" % (hostile.get(16), (BLUE, dump_text(info))))
        for number in range(34, 38):
            if len(hostile[number][1]) > 4:
                fail("analog value control %d shows %r" % (number, hostile[number]))
        for number in range(38, 42):
            if hostile[number][1] not in ("OFFEN", "GESCHLOSSEN", "---"):
                fail("digital state control %d shows %r" % (number, hostile[number]))

        for logger in loggers.values():
            logger.send_signal(signal.SIGTERM)
            if end(logger) != 0:
                fail("exit code %d after SIGTERM" % logger.returncode)
        print("hostile replies: %d rows, board texts cut at NUL, fixed texts unchanged" % len(hostile_rows))


if __name__ == "__main__":
    main()
