"""Shared pieces of the end-to-end tests: a private X server, the board simulator on loopback
and the logger pointed at it. Every connection goes to 127.0.0.1."""
import calendar
import collections
import datetime
import math
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

BUILD = os.environ.get("AVRNETIO_BUILD", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
# The package check points these at the installed programs.
LOGGER = os.environ.get("AVRNETIO_LOGGER", os.path.join(BUILD, "avrnetio-logger"))
BOARDSIM = os.environ.get("AVRNETIO_BOARDSIM", os.path.join(BUILD, "tools", "boardsim", "avrnetio-boardsim"))
MOSQUITTO = shutil.which("mosquitto") or "/usr/sbin/mosquitto"
REPORT = os.environ.get("AVRNETIO_REPORT", os.path.join(BUILD, "avrnetio-report"))

HEADER = (b"Datum,Uhrzeit,Analog-Eingang Nr. 1,Analog-Eingang Nr. 2,Analog-Eingang Nr. 3,"
          b"Analog-Eingang Nr. 4,Digital-Eingang Nr. 1,Digital-Eingang Nr. 2,Digital-Eingang Nr. 3,"
          b"Digital-Eingang Nr. 4\r\n")
# Steady replies, so that every row but its stamps is known in advance.
STEADY_REPLIES = ["GETADC 1=512\\r\\n", "GETADC 2=1023\\r\\n", "GETADC 3=0\\r\\n", "GETADC 4=205\\r\\n",
                  "GETPORT 1=1\\r\\n", "GETPORT 2=0\\r\\n", "GETPORT 3=1\\r\\n", "GETPORT 4=0\\r\\n"]
STEADY_ROW = b",2.50,4.99,-0.0,1.00,0,1,0,1\r\n"
STAMP = re.compile(rb"^\d\d\.\d\d\.\d{4},\d\d:\d\d:\d\d")
# The bound of a wait for what takes a moment: on two cores busy with other builds, under a
# sanitizer, a moment stretches many times over.
PATIENCE = 60


def fail(message):
    raise SystemExit("FAIL: " + message)


def wait_for(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        # Looked at once more after the bound, in case the last pause outlasted it.
        if time.monotonic() > deadline:
            fail("timed out waiting for " + what)
        time.sleep(0.05)


class Processes:
    """Starts processes and ends every one of them when the test ends, whatever happens."""

    def __init__(self):
        self.started = []
        self.folder = tempfile.mkdtemp(prefix="avrnetio-e2e-")

    def __enter__(self):
        return self

    def __exit__(self, kind, value, traceback):
        if kind is SystemExit and value.code:
            # Say what became of every process, to tell a hang from a crash.
            for process in self.started:
                print("  %s: %s" % (os.path.basename(process.args[0]),
                                    "running" if process.poll() is None else "exit %d" % process.returncode),
                      file=sys.stderr)
        self.end_all()
        if kind is None:
            # A failed run keeps its folder for a look at the log.
            shutil.rmtree(self.folder, ignore_errors=True)

    def end_all(self):
        """Kills whatever still runs, so that nothing holds a file any more."""
        for process in reversed(self.started):
            if process.poll() is None:
                process.kill()
                process.wait()

    def start(self, command, **kwargs):
        process = subprocess.Popen(command, **kwargs)
        self.started.append(process)
        return process

    def xvfb(self, screen=(1024, 768)):
        """A private X server; returns its DISPLAY value."""
        read_end, write_end = os.pipe()
        # Without -noreset the server starts over whenever its last client leaves (an xdotool call,
        # say), and a logger that connects meanwhile finds no display and runs without a window.
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % screen, "-nolisten", "tcp",
                    "-noreset"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            fail("Xvfb did not start")
        return ":" + number

    def window_manager(self, display, screen=(1024, 768), taskbar=40):
        """Openbox on display, and a panel that keeps a taskbar's room free at the bottom of the
        screen: the work area ends above it."""
        environment = dict(os.environ, DISPLAY=display)
        # Openbox takes in the windows it finds mapped, but one mapped while it starts can stay
        # unmanaged until openbox gets its next event: the panel is mapped first, and its strut set
        # again until the work area shows it.
        self.start(["xmessage", "-name", "taskbar", "-geometry", "%dx%d+0+%d" % (screen[0], taskbar, screen[1] - taskbar),
                    "Taskleiste"], env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        panel = find_window(display, "taskbar")
        self.start(["openbox", "--sm-disable"], env=environment, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
        wait_for(lambda: cardinals(display, panel, "_NET_FRAME_EXTENTS"), PATIENCE, "openbox to frame the taskbar")

        def room_kept():
            xprop(display, "-id", panel, "-f", "_NET_WM_STRUT", "32c", "-set", "_NET_WM_STRUT", "0, 0, 0, %d" % taskbar)
            return cardinals(display, None, "_NET_WORKAREA")[3:4] == [screen[1] - taskbar]
        wait_for(room_kept, PATIENCE, "the work area")

    def boardsim(self, *options):
        """The simulator on a free loopback port; returns the port."""
        return self.boardsim_process(*options)[1]

    def boardsim_process(self, *options):
        """The simulator on a free loopback port; returns its process and the port."""
        process = self.start([BOARDSIM, "--host", "127.0.0.1", "--port", "0", *options],
                             stdout=subprocess.PIPE, text=True)
        line = process.stdout.readline()
        match = re.search(r"port (\d+)$", line.strip())
        if not match:
            fail("simulator did not start: " + line)
        return process, int(match.group(1))

    def broker(self, *settings, port=None, name="broker"):
        """Debian's mosquitto on loopback, on a free port or on port again (its persistent sessions
        and retained messages kept in the test's folder); returns its process and port."""
        port = port or unused_port()
        config = os.path.join(self.folder, name + ".conf")
        lines = ["listener %d 127.0.0.1" % port, "persistence true", "persistence_location %s/" % self.folder,
                 "persistence_file %s.db" % name, *settings]
        if not any(line.startswith("password_file") for line in settings):
            lines.append("allow_anonymous true")
        if os.geteuid() == 0:
            lines.append("user root")  # else it turns into the user mosquitto, who cannot read the folder
        with open(config, "w") as out:
            out.write("\n".join(lines) + "\n")
        process = self.start([MOSQUITTO, "-c", config], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: process.poll() is not None or listening(port), PATIENCE, "the broker")
        if process.poll() is not None:
            fail("the broker did not start")
        return process, port

    def subscriber(self, port, *options, topic="#", stamped=False):
        """mosquitto_sub with a persistent session at QoS 1, so that it misses nothing while the
        broker is restarted; read what it got with messages_of(path), or with arrivals(path) when
        stamped with the moment each came."""
        path = os.path.join(self.folder, "subscriber-%d.txt" % len(self.started))
        with open(path, "w") as out:
            self.start(["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-q", "1", "-c",
                        "-i", "test-%d" % len(self.started), "-t", topic,
                        "-F", "%U\t%t\t%p" if stamped else "%t\t%p", *options], stdout=out)
        return path

    def logger(self, port, log_file, *options, display=None, env=None, wrapper=(), stderr=subprocess.PIPE, lang=None,
               **popen):
        """The logger; wrapper is a command that runs it, such as strace. It speaks the language of
        lang, a locale's name (English where none is given)."""
        environment = in_locale(dict(os.environ if env is None else env), lang)
        # Never the settings of whoever runs the tests.
        environment.setdefault("XDG_CONFIG_HOME", os.path.join(self.folder, "no-settings"))
        environment.pop("DISPLAY", None)
        if display:
            environment["DISPLAY"] = display
        return self.start([*wrapper, LOGGER, "--host", "127.0.0.1", "--port", str(port), "--log-file", log_file, *options],
                          env=environment, stderr=stderr, **popen)

    def logger_from_settings(self, *options, display=None, env=None, lang=None):
        """The logger with no board, log or interval options of the test's own: they must come
        from a settings file. Only inside loopback_only(), where the default board cannot be reached."""
        if os.environ.get("AVRNETIO_LOOPBACK_ONLY") != "1":
            fail("a logger started from settings outside a loopback-only network")
        environment = in_locale(dict(os.environ if env is None else env), lang)
        environment.pop("DISPLAY", None)
        if display:
            environment["DISPLAY"] = display
        return self.start([LOGGER, *options], env=environment, stderr=subprocess.PIPE)


def in_locale(environment, lang):
    """The environment with lang as the locale's only name, so that the logger's language is
    the test's choice and not that of whoever runs it."""
    for name in ("LC_ALL", "LC_MESSAGES", "LANG"):
        environment.pop(name, None)
    environment["LANG"] = lang or "C.UTF-8"
    return environment


def loopback_only():
    """Runs the rest of the test in a network namespace of its own that has only loopback: a
    setting the logger missed would make it try the board's default address, which then fails at
    once instead of reaching out."""
    if os.environ.get("AVRNETIO_LOOPBACK_ONLY") != "1":
        # Without root, a user namespace of its own grants the network namespace.
        unshare = ["unshare", "--net"] if os.geteuid() == 0 else ["unshare", "--user", "--map-root-user", "--net"]
        result = subprocess.run([*unshare, "--", sys.executable, *sys.argv],
                                env=dict(os.environ, AVRNETIO_LOOPBACK_ONLY="1"))
        sys.exit(result.returncode)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    links = subprocess.run(["ip", "-o", "link"], capture_output=True, text=True, check=True).stdout.splitlines()
    if len(links) != 1 or ": lo:" not in links[0]:
        fail("the namespace has links beside loopback: %r" % links)


def stop_boardsim(process):
    """Ends the simulator; returns how many connections and commands it saw."""
    process.send_signal(signal.SIGTERM)
    try:
        rest = process.communicate(timeout=PATIENCE)[0]
    except subprocess.TimeoutExpired:
        fail("the simulator did not end")
    match = re.search(r"served (\d+) connections and (\d+) commands", rest)
    if process.returncode != 0 or not match:
        fail("simulator ended with code %d: %r" % (process.returncode, rest))
    return int(match.group(1)), int(match.group(2))


def listening(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) == 0


def messages_of(path, topic=None):
    """The (topic, payload) lines a subscriber wrote, of one topic if given."""
    with open(path, encoding="utf-8") as lines:
        found = [tuple(line.rstrip("\n").split("\t", 1)) for line in lines if "\t" in line]
    return [message for message in found if topic is None or message[0] == topic]


def arrivals(path, topic):
    """The (Unix time, payload) of each message of topic that a stamped subscriber wrote."""
    with open(path, encoding="utf-8") as lines:
        found = [line.rstrip("\n").split("\t", 2) for line in lines if line.count("\t") >= 2]
    return [(float(moment), payload) for moment, name, payload in found if name == topic]


def retained(port, topic, count, *options):
    """The retained messages under topic that a fresh subscriber gets at once: topic -> payload."""
    result = subprocess.run(["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-t", topic, "--retained-only",
                             "-C", str(count), "-W", "3", "-F", "%t\t%p", *options],
                            capture_output=True, text=True, encoding="utf-8")
    return dict(line.split("\t", 1) for line in result.stdout.splitlines() if "\t" in line)


def unused_port():
    """A loopback port on which nothing listens: connecting to it is refused."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def x_tool(display, *command):
    """What an X tool printed, or None when it failed or hung: the wait around it tries again."""
    try:
        result = subprocess.run(command, env={**os.environ, "DISPLAY": display}, capture_output=True, text=True,
                                timeout=PATIENCE)
    except subprocess.TimeoutExpired:
        return None
    return result.stdout.strip() if result.returncode == 0 else None


def xdotool(display, *arguments):
    return x_tool(display, "xdotool", *arguments)


def xprop(display, *arguments):
    return x_tool(display, "xprop", *arguments) or ""


def cardinals(display, window, name):
    """The numbers of a window's property (the root's for None)."""
    found = xprop(display, *(["-root"] if window is None else ["-id", window]), name)
    return [int(number) for number in re.findall(r"\d+", found.split("=", 1)[1])] if "=" in found else []


def check_frame_centred(display, window, what):
    """The frame that the window manager put around window is centred on the work area."""
    left, right, top, bottom = cardinals(display, window, "_NET_FRAME_EXTENTS") or fail(what + ": no frame")
    area_x, area_y, area_width, area_height = cardinals(display, None, "_NET_WORKAREA")[:4]
    info = x_tool(display, "xwininfo", "-id", window) or fail(what + ": no xwininfo")
    value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
    outer = (value("Absolute upper-left X") - left, value("Absolute upper-left Y") - top,
             value("Width") + left + right, value("Height") + top + bottom)
    centred = (area_x + (area_width - outer[2]) // 2, area_y + (area_height - outer[3]) // 2)
    if abs(outer[0] - centred[0]) > 2 or abs(outer[1] - centred[1]) > 2:
        fail("%s: frame at %r, centred on the work area it would be at %r" % (what, outer[:2], centred))
    return outer


def focus(display, window):
    """Keyboard focus on window; without a window manager keys go where the pointer is."""
    xdotool(display, "mousemove", "--window", window, "20", "20")
    xdotool(display, "windowfocus", "--sync", window)


def find_window(display, name, timeout=PATIENCE):
    """The first window whose title matches name, once it is mapped."""
    found = wait_for(lambda: xdotool(display, "search", "--onlyvisible", "--name", name), timeout,
                     "window " + name)
    return found.split()[0]


def rows_of(path):
    try:
        with open(path, "rb") as log:
            return log.read().splitlines(keepends=True)
    except FileNotFoundError:
        return []


def check_steady_log(content, rows_at_least):
    lines = content.splitlines(keepends=True)
    if not lines or lines[0] != HEADER:
        fail("header row differs: %r" % (lines[:1],))
    rows = lines[1:]
    if len(rows) < rows_at_least:
        fail("only %d rows" % len(rows))
    for row in rows:
        if not STAMP.match(row) or row[19:] != STEADY_ROW:
            fail("row differs: %r" % row)
    return rows


def check_complete_lines(content):
    """Every line of a log ends in CR LF and is the header or a row of ten fields with a stamp."""
    if content and not content.endswith(b"\r\n"):
        fail("the log ends in a line without its line end: %r" % content[-60:])
    lines = content.splitlines(keepends=True)
    for line in lines:
        fields = line[:-2].split(b",")
        if (not line.endswith(b"\r\n") or b"\r" in line[:-2] or b"\n" in line[:-2] or len(fields) != 10
                or (line != HEADER and not STAMP.match(line))):
            fail("broken line in the log: %r" % line)
    return lines


def stamp_seconds(row):
    hours, minutes, seconds = row[11:19].split(b":")
    return int(hours) * 3600 + int(minutes) * 60 + int(seconds)


def read_dump(path):
    """The controls as the window shows them: number -> (colour or None, text)."""
    controls = {}
    with open(path, encoding="latin-1") as dump:
        for line in dump:
            number, colour, text = line.rstrip("\n").split("\t", 2)
            controls[int(number)] = (None if colour == "-" else colour, text)
    return controls


def end(process, timeout=PATIENCE):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.send_signal(signal.SIGKILL)
        fail("the logger did not end")


BLUE, RED, ORANGE = "ff0000", "0000ff", "0080ff"


def answer_prompt(display, text, timeout=PATIENCE):
    """Types text over the interval prompt's "S10" and accepts it with Enter."""
    prompt = find_window(display, "Zeitintervall", timeout=timeout)
    focus(display, prompt)
    xdotool(display, "key", "--delay", "50", "BackSpace", "BackSpace", "BackSpace")
    xdotool(display, "type", "--delay", "50", text)
    xdotool(display, "key", "Return")


def wait_for_rows_one_second_apart(log_file, timeout):
    """Waits for four rows and checks that they came at the one-second interval."""
    rows = wait_for(lambda: len(rows_of(log_file)) >= 5 and rows_of(log_file), timeout, "four rows")
    stamps = [stamp_seconds(row) for row in rows[1:5]]
    if any(later - earlier not in (1, 2) for earlier, later in zip(stamps, stamps[1:])):
        fail("rows are not one interval apart: %r" % stamps)


def check_steady_window(dump, log_path_text):
    """The window after its first refresh with the steady board and a one-second interval."""
    controls = wait_for(lambda: os.path.exists(dump) and read_dump(dump).get(46, (None, ""))[1]
                        .startswith("Letzter Log") and read_dump(dump), PATIENCE, "the first refresh")
    expected = {
        34: (BLUE, "2.50"), 35: (BLUE, "4.99"), 36: (BLUE, "-0.0"), 37: (BLUE, "1.00"),
        38: (BLUE, "OFFEN"), 39: (RED, "GESCHLOSSEN"), 40: (BLUE, "OFFEN"), 41: (RED, "GESCHLOSSEN"),
        42: (None, "Volt"), 9: (None, "Eingang"), 17: (None, "Programmende:"), 50: (None, "QUIT"),
        48: (None, "Die Logbuch-Datei wird unter: %s erzeugt/erweitert!" % log_path_text),
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
    return controls


def parse_log(content):
    """Header count and rows (stamp text, four volts, four codes, silent) of a log: silent lists the
    inputs whose "-0.0" may be a missing reply, the digital fields being all 1 or empty."""
    headers, rows = 0, []
    for line in content.decode("latin-1").split("\r\n")[:-1]:
        fields = line.split(",")
        if fields[0] == "Datum":
            headers += 1
            continue
        silent = [i for i in range(4) if fields[2 + i] == "-0.0"] if set(fields[6:10]) <= {"1", ""} else []
        rows.append((fields[0] + " " + fields[1], [float(text) + 0.0 for text in fields[2:6]], fields[6:10], silent))
    return headers, rows


def seconds(stamp):
    day, month, year = map(int, stamp[:10].split("."))
    hours, minutes, secs = map(int, stamp[11:].split(":"))
    return calendar.timegm((year, month, day, hours, minutes, secs))


def left_out(rows):
    """For each row the inputs left out: all of an absent board's, the silent ones of a row next to
    one of an absent board's (a reading cut by the outage), none of any other."""
    away = [len(row[3]) == 4 for row in rows]
    return [row[3] if away[n] or (n > 0 and away[n - 1]) or (n + 1 < len(rows) and away[n + 1]) else []
            for n, row in enumerate(rows)]


def expected_summary(headers, rows):
    """The summary's lines of a log of one run, worked out from the rows the plain way."""
    gone = left_out(rows)
    present = [row for row, out in zip(rows, gone) if not out]
    steps = [seconds(b[0]) - seconds(a[0]) for a, b in zip(rows, rows[1:])]
    # The most common of the first 16 rising steps, the smallest of equally common ones.
    first_steps = collections.Counter([step for step in steps if step > 0][:16])
    spacing = min(first_steps, key=lambda step: (-first_steps[step], step)) if first_steps else 0
    stamps = sorted(rows, key=lambda row: seconds(row[0]))
    lines = ["runs\t%d" % headers, "rows\t%d" % len(rows), "skipped\t0",
             "away\t%d" % sum(1 for out in gone if out),
             "gaps\t%d" % sum(1 for step in steps if spacing and step > 2 * spacing),
             "from\t" + stamps[0][0], "to\t" + stamps[-1][0]]
    for i in range(4):
        kept = [row for row, out in zip(rows, gone) if i not in out]
        values = [row[1][i] for row in kept]
        low, high = min(values), max(values)
        first = lambda value: next(row[0] for row in kept if row[1][i] == value)
        lines.append("analog\t%d\tAnalog-Eingang Nr. %d\t%d\t%.3f\t%.3f\t%.3f\t%.3f\t%s\t%s\t%s" % (
            i + 1, i + 1, len(values), low, high, sum(values) / len(values), values[-1], first(low), first(high),
            kept[-1][0]))
    for i in range(4):
        codes = [row[2][i] for row in present if row[2][i]]
        changes = sum(1 for a, b in zip(codes, codes[1:]) if a != b)
        lines.append("digital\t%d\tDigital-Eingang Nr. %d\t%d\t%d\t%.1f\t%s\t%s" % (
            i + 1, i + 1, len(codes), changes, 100.0 * codes.count("1") / len(codes), codes[-1], present[-1][0]))
    return lines


def check_summary(log_file, expected):
    result = subprocess.run([REPORT, "--summary", log_file], capture_output=True, text=True, timeout=30)
    if result.returncode != 0:
        fail("--summary: exit %d, %r" % (result.returncode, result.stderr))
    got = result.stdout.splitlines()
    if len(got) != len(expected):
        fail("summary has %d lines, expected %d:\n%s" % (len(got), len(expected), result.stdout))
    for line, wanted in zip(got, expected):
        # The mean and the share are rounded once more here; allow their last digit either way.
        fields, wanted_fields = line.split("\t"), wanted.split("\t")
        for kind, at, step in (("analog", 6, 0.001), ("digital", 5, 0.1)):
            if fields[0] == kind and abs(float(fields[at]) - float(wanted_fields[at])) <= step * 1.01:
                fields[at] = wanted_fields[at]
        if fields != wanted_fields:
            fail("summary line %r, expected %r" % (line, wanted))


def earlier_days(path, now):
    """Three days of rows a minute apart before now, the first input's value rising and falling
    once a day, apart from the others, and none for three hours of the second day."""
    start = now - datetime.timedelta(days=3)
    outage = (start + datetime.timedelta(hours=30), start + datetime.timedelta(hours=33))
    with open(path, "wb") as out:
        out.write(HEADER)
        stamp = start
        while stamp < now - datetime.timedelta(minutes=10):
            if not outage[0] <= stamp < outage[1]:
                hours = (stamp - start).total_seconds() / 3600
                out.write(stamp.strftime("%d.%m.%Y,%H:%M:%S,").encode() +
                          b"%.2f,0.50,0.00,0.50,0,1,0,1\r\n" % (2.75 + 1.25 * math.sin(hours * 2 * math.pi / 24)))
            stamp += datetime.timedelta(minutes=1)


def course_shown(display, window, picture):
    """The columns of the course window, below the inputs' titles and a frame's, in which the first input's colour
    shows, and the window's width, once they span more than a quarter of it; else None."""
    size = xdotool(display, "getwindowgeometry", "--shell", window)
    width, height = (int(re.search(name + r"=(\d+)", size).group(1)) for name in ("WIDTH", "HEIGHT"))
    subprocess.run(["import", "-window", window, "-depth", "8", "rgb:" + picture], env=dict(os.environ, DISPLAY=display),
                   check=True)
    pixels = open(picture, "rb").read()
    blue = bytes((0x1F, 0x5F, 0xBF))
    columns = sorted({x for y in range(height // 6, height - 30) for x in range(width)
                      if pixels[3 * (y * width + x):3 * (y * width + x) + 3] == blue})
    return (columns, width) if columns and columns[-1] - columns[0] > width // 4 else None


def check_course(columns, width):
    """The earlier days' course and the new rows at the right edge, with one gap: the outage."""
    gaps = [(a, b) for a, b in zip(columns, columns[1:]) if b - a > 3]
    if len(gaps) != 1 or columns[-1] < width * 0.8:
        fail("the first input's course: from %d to %d of %d, gaps %r" % (columns[0], columns[-1], width, gaps))


def course_gap_of_a_stop(run, display, window, board, port, log_file, origin=(0, 0)):
    """Stops the simulator for 40 s of rows of an absent board and starts it again, then chooses the
    hour's span at the course window's top (its client area at origin): the first input's course
    there has two gaps, the ten minutes before this run and the stop."""
    stop_boardsim(board)
    absent = lambda: [row for row in rows_of(log_file)[1:] if row.split(b",")[2:6] == [b"-0.0"] * 4]
    wait_for(lambda: len(absent()) >= 2 and (stamp_seconds(absent()[-1]) - stamp_seconds(absent()[0])) % 86400 >= 40,
             2 * PATIENCE, "40 s of rows of the stopped board")
    run.start([BOARDSIM, "--host", "127.0.0.1", "--port", str(port),
               *[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)]], stdout=subprocess.DEVNULL)
    back = len(rows_of(log_file))
    wait_for(lambda: len(rows_of(log_file)) >= back + 3 and rows_of(log_file)[-1][20:].startswith(b"2.50,"),
             PATIENCE, "rows of the board back again")
    xdotool(display, "mousemove", "--window", window, str(origin[0] + 48), str(origin[1] + 16), "click", "1")
    picture = os.path.join(run.folder, "course-hour.rgb")
    hour = lambda: (lambda shown: shown if shown and len([1 for a, b in zip(shown[0], shown[0][1:]) if b - a > 3]) == 2
                    else None)(course_shown(display, window, picture))
    wait_for(hour, PATIENCE, "the hour's course with the gap of the stop")
