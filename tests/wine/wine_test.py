#!/usr/bin/env python3
"""The Windows program under Wine on a private X server against the Linux simulator on 127.0.0.1:
first the checks of the Windows services (a write cut short by a full disk among them), then the
whole logger with the prompt typed, rows at the interval, the window's texts and colours, QUIT and
the final prompt answered No, then the two stages of opening a document, and last the report
program's summary and page of a small log, from a console and dropped on it from the desktop, with its
German copy beside the log.
All of it in a network of loopback only. In a fresh 64-bit prefix on a screen lower than the window,
with a taskbar: the installer package installed, upgraded and removed silently, its shortcuts,
files and entry; the first start from the Start menu through the settings window to logged rows;
the next start straight to the prompt, with the prompt, the window and the final box placed within
the work area; --help and a wrong option in a box, a wrong settings file in a German box that offers
the settings window.

AVRNETIO_WIN_BUILD names the Windows build folder or its avrnetio-logger.exe (default build-win);
AVRNETIO_BUILD the Linux build with the simulator (default build); AVRNETIO_MSI and
AVRNETIO_MSI_NEWER the package and one of a higher version (scripts/package-msi.sh). Nothing is
built here."""
import datetime
import glob
import json
import os
import re
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import tomllib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from harness import LOGGER as LINUX_LOGGER
from harness import (BLUE, HEADER, ORANGE, RED, STEADY_REPLIES, STEADY_ROW, Processes, answer_prompt, cardinals,
                     check_course, check_steady_log, check_steady_window, course_gap_of_a_stop, course_shown,
                     earlier_days, end, fail, find_window, focus, loopback_only, messages_of, read_dump, retained,
                     rows_of, unused_port, wait_for, wait_for_rows_one_second_apart, xdotool)
from mqtt_security_test import make_certificates

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MACHINE_I386, MACHINE_AMD64 = 0x14C, 0x8664
WINE_FONTS = "/usr/share/wine/fonts"  # Debian's fonts-wine
CLIENT_SIZE = (440, 600)  # the main window's client area
COURSE_CLIENT = (760, 520)  # the course window's at first
SMALL_SCREEN = (800, 600)  # lower than the main window's frame
PROGRAM_FOLDER = os.path.join("drive_c", "Program Files (x86)", "AVR-NET-IO Logger")
# The Start menu for every user, and the user's own, where Wine's installer puts a per-machine
# package's shortcuts all the same.
START_MENUS = [os.path.join("drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs"),
               os.path.join("drive_c", "users", "*", "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                            "Programs")]
# Each Start-menu entry: what it starts, and with which arguments.
SHORTCUTS = {
    "Anleitung.lnk": ("anleitung.html", ""),
    "Bericht einer AVR-NET-IO-Logdatei.lnk": ("avrnetio-report.exe", ""),
    "Datenlogger f\u00fcr AVR-NET-IO-Board.lnk": ("avrnetio-logger.exe", "--desktop"),
    "Einstellungen des AVR-NET-IO-Datenloggers.lnk": ("avrnetio-logger.exe", "--setup"),
}
INSTALLED = ["LICENSE.txt", "THIRD-PARTY-NOTICES.txt", "anleitung.html", "avrnetio-logger.exe", "avrnetio-report.exe",
             "course-linux.png", "course-windows.png", "example.toml", "report.png", "settings-linux.png", "settings-windows.png", "window-linux.png",
             "window-windows-mqtt.png", "window-windows.png"]
ALARM_HEADER = b"Datum,Uhrzeit,Eingang,Ereignis,Wert,Grenze"
CA_BUNDLE = "/etc/ssl/certs/ca-certificates.crt"  # Debian's ca-certificates, which Wine takes as its roots
FILE_SIZE_LIMIT = 1024  # what avrnetio-platform-test --full-disk expects
# What avrnetio-platform-test --course draws for a client area of width x height: the pixel (x, y)
# of each box's inside and the first pixel past its right edge, in (red, green, blue); the line's
# middle; and the three texts' rows, anchored left, centred and right on the middle.
WHITE = (255, 255, 255)
COURSE_MINIMUM = (400, 300)
COURSE_CLOSE, COURSE_SIZE, COURSE_POINTER, WINDOW_CLOSE = 1001, 1002, 1003, 16
COURSE_COLOURS = lambda width, height: [((70, 70), (0, 128, 255)), ((119, 99), (0, 128, 255)), ((120, 70), WHITE),
                                        ((width - 40, height - 40), (0, 160, 0)), ((width - 20, height - 40), WHITE),
                                        ((width // 2, height - 10), (192, 0, 0))]
COURSE_TEXTS = [(120, "left"), (150, "centre"), (180, "right")]


def windows_build():
    given = os.environ.get("AVRNETIO_WIN_BUILD", os.path.join(ROOT, "build-win"))
    logger = given if given.lower().endswith(".exe") else os.path.join(given, "avrnetio-logger.exe")
    checks = os.path.join(os.path.dirname(logger), "avrnetio-platform-test.exe")
    report = os.path.join(os.path.dirname(logger), "avrnetio-report.exe")
    for program in (logger, checks, report):
        if not os.path.isfile(program):
            fail("no Windows build at " + program)
    return logger, checks, report


def machine_of(program):
    with open(program, "rb") as image:
        head = image.read(4096)
    offset = struct.unpack_from("<I", head, 0x3C)[0]
    if head[:2] != b"MZ" or head[offset:offset + 4] != b"PE\0\0":
        fail(program + " is no Windows program")
    return struct.unpack_from("<H", head, offset + 4)[0]


def wine_environment(machine, folder, display):
    """Wine for the program's machine in a private prefix; without installer dialogs or debug output."""
    environment = dict(os.environ, WINEPREFIX=os.path.join(folder, "prefix"), WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=", HOME=os.path.join(folder, "home"),
                       DISPLAY=display)
    environment.pop("WINESERVER", None)
    environment.pop("WINELOADER", None)
    if machine == MACHINE_AMD64:
        environment["WINEARCH"] = "win64"
        # Debian's wine script prefers the 32-bit loader whenever it is installed.
        loader = "/usr/lib/wine/wine64" if os.access("/usr/lib/wine/wine64", os.X_OK) else shutil.which("wine64")
        server = "/usr/lib/wine/wineserver64" if os.access("/usr/lib/wine/wineserver64", os.X_OK) else None
        if loader is None:
            fail("a 64-bit program needs wine64")
        environment["WINELOADER"] = loader
        if server:
            environment["WINESERVER"] = server
    elif machine == MACHINE_I386:
        environment["WINEARCH"] = "win32"
        loader = shutil.which("wine")
        server = None
        if loader is None or subprocess.run([loader, "--version"], capture_output=True).returncode != 0:
            fail("this machine runs no 32-bit Wine; try the 64-bit build (cmake/mingw-x86_64.cmake)")
    else:
        fail("unknown machine type %#x" % machine)
    os.makedirs(environment["HOME"])
    # A null sound device, so that the click's DirectSound path runs without a sound card.
    with open(os.path.join(environment["HOME"], ".asoundrc"), "w") as alsa:
        alsa.write("pcm.!default {\n  type null\n}\n")
    server = server or shutil.which("wineserver")
    if server is None:
        fail("no wineserver")
    return loader, server, environment


def run_to_end(command, environment, what, timeout=300, **options):
    """Runs a program under Wine to its end; returns its exit code and output. The output goes
    through a file: Wine's background processes would hold a pipe open long after."""
    with tempfile.TemporaryFile() as output:
        try:
            code = subprocess.run(command, env=environment, stdout=output, stderr=subprocess.STDOUT,
                                  timeout=timeout, **options).returncode
        except subprocess.TimeoutExpired:
            fail(what + " did not end")
        output.seek(0)
        return code, output.read().decode(errors="replace")


def wine(loader, environment, *command):
    """One of Wine's own programs."""
    code, output = run_to_end([loader, *command], environment, "wine " + command[0])
    if code != 0:
        fail("wine %s: exit %d, %r" % (command[0], code, output[-300:]))


def make_prefix(loader, environment):
    """wineboot -i. Without 32-bit Wine a 64-bit prefix's 32-bit half cannot be set up, and wineboot
    then fails now and then on syswow64's programs, though the 64-bit ones run."""
    code, output = run_to_end([loader, "wineboot", "-i"], environment, "wine wineboot")
    if code != 0 and ("syswow64" not in output or os.access("/usr/lib/wine/wine", os.X_OK)):
        fail("wine wineboot: exit %d, %r" % (code, output[-300:]))


def wine_server(server, environment, option):
    """-w waits for the server's end, -p makes it stay, -k ends it and every Wine process. The server
    lives on in the background: a pipe to it would never see its end."""
    try:
        subprocess.run([server, option], env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
    except subprocess.TimeoutExpired:
        fail("wineserver %s did not end" % option)


def check_output(what, code, output):
    """A checks' program passed when it ended with 0 and said so."""
    sys.stderr.write("".join(line + "\n" for line in output.splitlines() if line.startswith("FAIL")))
    summary = [line for line in output.splitlines() if "checks passed" in line]
    if code != 0 or not summary:
        fail("%s: exit %d, %r" % (what, code, output[-300:]))
    print(summary[-1])


def use_wine_fonts(prefix):
    """Wine's own fonts (Marlett draws the title bar's buttons) where every build of Wine finds them."""
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    for name in sorted(os.listdir(WINE_FONTS)) if os.path.isdir(WINE_FONTS) else []:
        if name.endswith(".ttf") and not os.path.exists(os.path.join(fonts, name)):
            os.symlink(os.path.join(WINE_FONTS, name), os.path.join(fonts, name))


def windows_path(path):
    """Wine's drive Z: is the Linux root."""
    return "Z:" + path.replace("/", "\\")


def run_platform_checks(run, loader, checks, environment):
    _, steady = run.boardsim_process("--reply", "GETADC 1=512\\r\\n", "--close-after", "2")
    _, silent = run.boardsim_process("--silent")
    files = os.path.join(run.folder, "files")
    os.makedirs(files)
    command = [loader, checks, windows_path(files) + "\\", str(steady), str(silent), str(unused_port())]
    code, output = run_to_end(command, environment, "the platform checks", timeout=180)
    check_output("platform checks", code, output)
    # Wine fills the Windows root store from the machine's own certificates.
    tls = [line for line in output.splitlines() if line.startswith("tls: ")] or ["tls: no line"]
    if os.path.exists(CA_BUNDLE) and not re.search(r", [1-9][0-9]* Windows root certificates$", tls[0]):
        fail("the Windows root certificates did not reach OpenSSL: " + tls[0])
    print("platform: " + tls[0])
    # Where C:\ takes no log of that name (a standard user's, here a folder's), it goes to Documents.
    rooted = os.path.join(environment["WINEPREFIX"], "drive_c", "AVR-NET-IO.CSV")
    os.mkdir(rooted)
    code, output = run_to_end([loader, checks, "--default-log"], environment, "the default log path")
    os.rmdir(rooted)
    if code != 0 or not output.strip().lower().endswith("\\documents\\avr-net-io.csv"):
        fail("default log path where C:\\ takes none: exit %d, %r" % (code, output))
    print("platform: the default log where C:\\ takes none: " + output.strip())


def run_full_disk_check(run, loader, checks, environment):
    """The checks' program under a file size limit, which makes a write fail part-way as a full disk does."""
    def limit_file_size():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (FILE_SIZE_LIMIT, FILE_SIZE_LIMIT))

    path = os.path.join(run.folder, "full.csv")
    command = [loader, checks, "--full-disk", windows_path(path)]
    check_output("full disk check", *run_to_end(command, environment, "the full disk check", timeout=120,
                                                preexec_fn=limit_file_size))


def window_geometry(display, window):
    geometry = xdotool(display, "getwindowgeometry", "--shell", window) or ""
    values = dict(line.split("=", 1) for line in geometry.splitlines() if "=" in line)
    if not {"X", "Y", "WIDTH", "HEIGHT"} <= set(values):
        fail("no geometry of window " + window)
    return [int(values[name]) for name in ("X", "Y", "WIDTH", "HEIGHT")]


def course_picture_faults(display, window, client):
    """What differs from the probe's shapes where it lays them out for the client size: the boxes'
    colours up to their right edges, the line, and each text on the side of the middle that its
    anchor says."""
    _, _, width, height = window_geometry(display, window)
    left, top = client_origin(display, window, client)
    raw = subprocess.run(["import", "-window", window, "-depth", "8", "rgb:-"], env=dict(os.environ, DISPLAY=display),
                         capture_output=True, timeout=30).stdout
    if len(raw) != width * height * 3:
        return ["a screenshot of %d bytes" % len(raw)]
    pixel = lambda x, y: tuple(raw[((top + y) * width + left + x) * 3:((top + y) * width + left + x) * 3 + 3])
    faults = ["%r at (%d, %d), not %r" % (pixel(x, y), x, y, colour) for (x, y), colour in COURSE_COLOURS(*client)
              if pixel(x, y) != colour]
    middle = client[0] // 2
    for row, anchor in COURSE_TEXTS:
        inked = [x for x in range(client[0]) for y in range(row, row + 12) if min(pixel(x, y)) < 128] or [-1]
        ink = (min(inked), max(inked))
        # A font's side bearings leave a few pixels between the anchor and the ink.
        placed = {"left": middle - 2 <= ink[0] <= middle + 4, "right": middle - 8 <= ink[1] <= middle + 1,
                  "centre": abs(sum(ink) / 2 - middle) <= 4}[anchor]
        if not placed:
            faults.append("the %s-anchored text's ink spans %r about the middle %d" % (anchor, ink, middle))
    return faults


def check_course_picture(display, window, client):
    """The picture once the probe has drawn it for that size."""
    deadline = time.monotonic() + 10
    while (faults := course_picture_faults(display, window, client)) and time.monotonic() < deadline:
        time.sleep(0.2)
    if faults:
        fail("the course window at %dx%d: %s" % (*client, "; ".join(faults)))


def run_course_window(run, loader, checks, environment, display):
    """The course window of the checks' program: to the right of its main window, with the probe's
    picture; a drag of its frame's corner queues the new size and the picture follows, never below
    the smallest size; the pointer's move and press in client coordinates; its close box hides it
    and queues its close while the main window stays; and no wait woke without an event to take."""
    said = os.path.join(run.folder, "course.txt")
    with open(said, "wb") as output:
        process = run.start([loader, checks, "--course"], env=environment, stdout=output, stderr=subprocess.STDOUT)
    window = find_window(display, "^Verlauf - Probe$", timeout=60)
    main = find_window(display, "^Datenlogger Probe$", timeout=30)
    events = lambda: [[int(number) for number in line.split()[1:]] for line in open(said) if line.startswith("event ")]
    # An event among those taken after the first skipped ones.
    awaited = lambda event, what, skipped=0: wait_for(lambda: event in events()[skipped:], 30, what)
    awaited([COURSE_SIZE, 0, *COURSE_MINIMUM], "the course window's size after opening")
    course_x, course_y, width, height = window_geometry(display, window)
    frame = (width - COURSE_MINIMUM[0], height - COURSE_MINIMUM[1])
    main_x, main_y, main_width, _ = window_geometry(display, main)
    if course_x < main_x + main_width or course_y != main_y:
        fail("the course window at %d,%d is not right of the main window at %d,%d" % (course_x, course_y, main_x, main_y))
    check_course_picture(display, window, COURSE_MINIMUM)
    # Wine takes no size from outside for the frames it draws itself: the corner is dragged.
    for grown, client in (((30, 60), (430, 360)), ((-100, -100), COURSE_MINIMUM)):
        _, _, width, height = window_geometry(display, window)
        taken = len(events())
        xdotool(display, "mousemove", "--window", window, str(width - 2), str(height - 2), "sleep", "0.3",
                "mousedown", "1", "sleep", "0.3", "mousemove", "--window", window, str(width - 2 + grown[0]),
                str(height - 2 + grown[1]), "sleep", "0.3", "mouseup", "1")
        awaited([COURSE_SIZE, 0, *client], "the size %dx%d queued by a drag" % client, taken)
        wait_for(lambda: window_geometry(display, window)[2:] == [client[0] + frame[0], client[1] + frame[1]], 10,
                 "the frame's new size")
        check_course_picture(display, window, client)
    left, top = client_origin(display, window, COURSE_MINIMUM)
    xdotool(display, "mousemove", "--window", window, str(left + 50), str(top + 60), "sleep", "0.3", "click", "1")
    awaited([COURSE_POINTER, 1, 50, 60], "a press in the course window")
    if [COURSE_POINTER, 0, 50, 60] not in events():
        fail("no move to the pressed place: %r" % events()[-3:])
    _, _, width, _ = window_geometry(display, window)
    xdotool(display, "mousemove", "--window", window, str(width - 13), "12", "click", "1")
    awaited([COURSE_CLOSE, 0, 0, 0], "the course window's close")
    if xdotool(display, "search", "--onlyvisible", "--name", "^Verlauf - Probe$") or \
            not xdotool(display, "search", "--onlyvisible", "--name", "^Datenlogger Probe$"):
        fail("the course window's close box did not hide it alone")
    _, _, width, _ = window_geometry(display, main)
    xdotool(display, "mousemove", "--window", main, str(width - 13), "12", "click", "1")
    if end(process, timeout=30) != 0:
        fail("the course probe: exit %r, %r" % (process.returncode, open(said).read()[-300:]))
    wakes = re.search(r"wakes without an event (\d+)", open(said).read())
    if not wakes or int(wakes.group(1)) > 5:
        fail("the course probe's waits woke without events: %r" % open(said).read()[-300:])
    print("wine: the course window right of the main window, its boxes, line and anchored texts drawn; dragged "
          "to 430x360 and below its smallest size, each queued; the pointer in client coordinates; its close box "
          "hid it alone; %s waits woke without an event" % wakes.group(1))


def run_shell_checks(run, loader, checks, environment, display):
    """Both stages of opening a document: a program is started as it is, blanks in its path included;
    a CSV file goes to the application associated with its type, here Wine's Notepad."""
    folder = os.path.join(run.folder, "with blank")
    os.makedirs(folder)
    program = os.path.join(folder, "started by shell.exe")
    shutil.copy(checks, program)
    run_to_end([loader, checks, "--open", windows_path(program)], environment, "opening a program")
    wait_for(lambda: os.path.exists(program + ".started"), 30, "the program started by the shell")

    document = os.path.join(folder, "rows.csv")
    with open(document, "wb") as rows:
        rows.write(HEADER)
    wine(loader, environment, "reg", "add", "HKCR\\.csv", "/ve", "/d", "txtfile", "/f")
    run_to_end([loader, checks, "--open", windows_path(document)], environment, "opening a CSV file")
    find_window(display, "rows.csv", timeout=30)
    print("shell: a program started, a CSV file opened in its associated application")


def masked_time(payload):
    """A state payload with its time left out, which is the moment's alone."""
    return re.sub(r'"time":"[^"]*"', '"time":""', payload)


def run_with_mqtt(run, loader, logger, environment, display):
    """The Windows program publishes as the Linux one does: its rows, and the discovery configs and
    the state byte for byte those of the Linux program for the same board (but for the time);
    through a broker stopped and started again every row on the rows topic; over TLS with a test
    CA; and a wrong CA said in the window. A killed logger's will says offline."""
    path = make_certificates(run.folder)
    broker, broker_port = run.broker(name="windows")
    tls_settings = ("cafile " + path("ca.pem"), "certfile " + path("server.pem"), "keyfile " + path("server.key"))
    _, tls_port = run.broker(*tls_settings, name="tls")
    subscriber = run.subscriber(broker_port)
    tls_subscriber = run.subscriber(tls_port, "--cafile", path("ca.pem"))
    output = open(os.path.join(run.folder, "wine-output.txt"), "ab")
    rows = lambda seen, name: [json.loads(payload) for _, payload in messages_of(seen, "avrnetio/%s/rows" % name)]

    def windows_logger(name, url, *options, dump=None):
        board_port = run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
        log_file = os.path.join(run.folder, "mqtt-%s.csv" % name)
        env = dict(environment, AVRNETIO_DUMP_CONTROLS=windows_path(dump)) if dump else environment
        process = run.start([loader, logger, "--host", "127.0.0.1", "--port", str(board_port), "--log-file",
                             windows_path(log_file), "--interval", "S1", "--mqtt", url, "--name", name, *options],
                            env=env, stdout=output, stderr=output)
        return process, log_file

    # The wrong CA's window first, alone on the screen: an X server without backing store shows a
    # covered window black.
    dump = os.path.join(run.folder, "wrong-ca.txt")
    wrong, _ = windows_logger("wrong-ca", "mqtts://127.0.0.1:%d" % tls_port, "--mqtt-ca",
                              windows_path(path("wrong-ca.pem")), dump=dump)
    window = find_window(display, "^Datenlogger", timeout=120)
    said = "MQTT: getrennt: das Zertifikat des Brokers ist nicht von der CA in"
    wait_for(lambda: shown(dump, 51).startswith(said), 60, "the wrong CA said in the window")
    screenshot(display, window, "window-windows-mqtt.png")
    plain, plain_log = windows_logger("wine", "mqtt://127.0.0.1:%d" % broker_port)
    tls, _ = windows_logger("tls", "mqtts://127.0.0.1:%d" % tls_port, "--mqtt-ca", windows_path(path("ca.pem")))
    wait_for(lambda: len(rows(tls_subscriber, "tls")) >= 2, 60, "two rows over TLS with the test CA")
    wait_for(lambda: len(rows(subscriber, "wine")) >= 3, 60, "three rows on the broker from the Windows logger")
    configs = retained(broker_port, "homeassistant/#", 8)
    state = retained(broker_port, "avrnetio/wine/state", 1).get("avrnetio/wine/state", "")

    # The broker away for three rows: all of them follow once it is back.
    broker.terminate()
    broker.wait(timeout=10)
    logged = len(rows_of(plain_log))
    wait_for(lambda: len(rows_of(plain_log)) >= logged + 3, 30, "three rows while the broker is away")
    run.broker(port=broker_port, name="windows")

    def unpublished():
        """The logged rows, but the last two that may be on their way, that the broker has not had."""
        published = {row["time"][:19] for row in rows(subscriber, "wine")}
        stamps = [(row[6:10] + b"-" + row[3:5] + b"-" + row[:2] + b"T" + row[11:19]).decode()
                  for row in rows_of(plain_log)[1:]]
        return [stamp for stamp in stamps[:-2] if stamp not in published]
    wait_for(lambda: not unpublished(), 90, "every row of the broker's absence, none lost")
    published = {row["time"][:19] for row in rows(subscriber, "wine")}
    # The row's time comes from the clock; the values are the simulator's, as in the CSV.
    values = STEADY_ROW.decode().strip().split(",")[1:]
    analog, digital = [float(value) for value in values[:4]], [int(value) for value in values[4:]]
    for row in rows(subscriber, "wine"):
        if row.get("board") != "online" or row.get("analog") != analog or row.get("digital") != digital:
            fail("Windows row %r" % row)
    plain.kill()
    plain.wait()
    wait_for(lambda: retained(broker_port, "avrnetio/wine/availability", 1) == {"avrnetio/wine/availability": "offline"},
             30, "the will of the killed Windows logger")
    for process in (tls, wrong):
        process.kill()
        process.wait()

    _, linux_port = run.broker(name="linux")
    linux_subscriber = run.subscriber(linux_port, topic="avrnetio/wine/rows")
    linux = run.start([LINUX_LOGGER, "--host", "127.0.0.1", "--port", str(run.boardsim(
        *[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])), "--log-file",
        os.path.join(run.folder, "mqtt-linux.csv"), "--interval", "S1", "--mqtt", "mqtt://127.0.0.1:%d" % linux_port,
        "--name", "wine"], env=dict(os.environ, XDG_CONFIG_HOME=os.path.join(run.folder, "no-settings")),
        stderr=subprocess.DEVNULL)
    wait_for(lambda: len(messages_of(linux_subscriber)) >= 2, 60, "two rows on the broker from the Linux logger")
    linux_configs = retained(linux_port, "homeassistant/#", 8)
    linux_state = retained(linux_port, "avrnetio/wine/state", 1).get("avrnetio/wine/state", "")
    linux.terminate()
    end(linux)
    if len(configs) != 8:
        fail("%d retained discovery configs: %r" % (len(configs), sorted(configs)))
    for topic in sorted(set(configs) | set(linux_configs)):
        if configs.get(topic) != linux_configs.get(topic):
            fail("%s: Windows %r, Linux %r" % (topic, configs.get(topic), linux_configs.get(topic)))
    if not state or masked_time(state) != masked_time(linux_state):
        fail("the state: Windows %r, Linux %r" % (state, linux_state))
    print("wine: --mqtt published %d rows, through the broker's restart every one; the 8 discovery configs and "
          "the state the same as the Linux program's; over TLS with a test CA; a wrong CA said in the window; "
          "the will said offline" % len(published))


def settings_screenshot(run, loader, logger, environment, display):
    """For AVRNETIO_SCREENSHOT=1 alone: the settings window on a screen that holds it, with the
    simulator's address, a broker and a password typed in."""
    if os.environ.get("AVRNETIO_SCREENSHOT") != "1":
        return
    dump = os.path.join(run.folder, "settings-screenshot.txt")
    url = "mqtts://logger@127.0.0.1"
    process = run.start([loader, logger, "--setup"], env=dict(environment, AVRNETIO_DUMP_CONTROLS=windows_path(dump)),
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = find_window(display, "^Einstellungen", timeout=120)
    focus(display, window)
    def typed(*fields):
        for key, text in fields:
            xdotool(display, "key", key)
            xdotool(display, "type", "--delay", "50", text)
    typed(("alt+a", "127.0.0.1"), ("alt+o", str(run.boardsim())))
    # The board's test before the broker is named, which the test would also try.
    xdotool(display, "key", "alt+v")
    wait_for(lambda: shown(dump, 106).startswith("Verbunden"), 30, "the connection test for the screenshot")
    typed(("alt+m", url), ("alt+w", "geheim"))
    wait_for(lambda: shown(dump, 228) == "geheim", 30, "the password typed")
    screenshot(display, window, "settings-windows.png")
    xdotool(display, "key", "Escape")
    end(process, timeout=30)


def settings_folder(environment):
    """%APPDATA%\\AVR-NET-IO Logger of the prefix's user."""
    users = glob.glob(os.path.join(environment["WINEPREFIX"], "drive_c", "users", "*", "AppData", "Roaming"))
    own = [path for path in users if os.sep + "Public" + os.sep not in path]
    if len(own) != 1:
        fail("the prefix's AppData: %r" % users)
    return os.path.join(own[0], "AVR-NET-IO Logger")


def run_from_settings(run, loader, logger, environment, display):
    """The logger with no options at all: the settings file in %APPDATA% names the board, the log,
    the interval and what two inputs mean, which the window and the log then show; and an alarm
    above 20 \u00b0C, in the alarm log, the value's colour, the title, a balloon from the notification
    area and a command's environment."""
    port = run.boardsim("--reply", "GETADC 1=44\\r\\n", "--reply", "GETPORT 1=0\\r\\n")
    log_file = os.path.join(run.folder, "keller.csv")
    said_by_command = os.path.join(run.folder, "alarm-env.txt")
    folder = settings_folder(environment)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "logger.toml"), "w", encoding="utf-8") as settings:
        settings.write("[board]\nhost = \"127.0.0.1\"\nport = %d\n[log]\nfile = '%s'\ninterval = \"S1\"\n"
                       "[analog.1]\nlabel = \"Keller\"\nunit = \"\u00b0C\"\nscale = 0.48828\ndecimals = 1\n"
                       "alarm_above = 20.0\n[digital.1]\nlabel = \"Haust\u00fcr\"\nclosed = \"zu\"\n[alarms]\n"
                       "command = ['cmd.exe', '/c', 'set AVRNETIO_ALARM_> %s']\n"
                       % (port, windows_path(log_file), windows_path(said_by_command)))
    dump = os.path.join(run.folder, "settings-controls.txt")
    with open(os.path.join(run.folder, "wine-output.txt"), "ab") as output:
        process = run.start([loader, logger], env=dict(environment, AVRNETIO_DUMP_CONTROLS=windows_path(dump)),
                            stdout=output, stderr=output)
    window = find_window(display, "Datenlogger", timeout=120)
    controls = wait_for(lambda: os.path.exists(dump) and read_dump(dump).get(46, (None, ""))[1]
                        .startswith("Letzter Log") and read_dump(dump), 30, "the window's first refresh")
    expected = {1: (None, "Keller"), 5: (None, "Haust\\xfcr"), 34: (ORANGE, "21.5"), 42: (None, "\\xb0C"),
                38: (RED, "zu"), 43: (None, "Volt")}
    for number, shown in expected.items():
        if controls.get(number) != shown:
            fail("from settings, control %d shows %r, expected %r" % (number, controls.get(number), shown))
    wait_for(lambda: len(rows_of(log_file)) >= 3, 30, "rows from the settings")
    if not xdotool(display, "search", "--name", "^ALARM - Datenlogger"):
        fail("the window's title does not say ALARM")
    # Without a desktop's notification area Wine keeps the program's icon in a tray window of its
    # own, at the top left, and shows the balloon below it on the black root window.
    find_window(display, "Wine System Tray", timeout=30)

    def balloon_shown():
        brightness = subprocess.run(["import", "-window", "root", "-crop", "200x20+10+65", "-format", "%[fx:mean]",
                                     "info:"], env=dict(os.environ, DISPLAY=display), capture_output=True, text=True)
        return brightness.returncode == 0 and float(brightness.stdout or 0) > 0.6
    wait_for(balloon_shown, 30, "the alarm's balloon")
    if os.environ.get("AVRNETIO_SCREENSHOT") == "1":
        subprocess.run(["import", "-window", "root", "-crop", "740x700+0+0", os.path.join(ROOT, "docs", "alarm-windows.png")],
                       env=dict(os.environ, DISPLAY=display), capture_output=True, timeout=30)
    wait_for(lambda: os.path.exists(said_by_command) and "AVRNETIO_ALARM_EVENT=start" in open(said_by_command).read(),
             30, "the alarm command's environment")
    variables = dict(line.split("=", 1) for line in open(said_by_command).read().splitlines() if "=" in line)
    alarms = rows_of(os.path.join(run.folder, "keller-alarme.csv"))
    seen = (variables.get("AVRNETIO_ALARM_INPUT"), variables.get("AVRNETIO_ALARM_VALUE"),
            variables.get("AVRNETIO_ALARM_LIMIT"))
    if seen != ("analog.1", "21.5", "20.0") or [row.rstrip() for row in alarms[:1]] != [ALARM_HEADER] or \
            [row[20:].rstrip() for row in alarms[1:]] != ["Keller [\u00b0C],Alarm,21.5,20.0".encode("latin-1")]:
        fail("the alarm: command %r, alarm log %r" % (variables, alarms))
    quit_and_answer_no(display, window, process, "the logger from settings")
    lines = rows_of(log_file)
    if not lines[0].startswith("Datum,Uhrzeit,Keller [\u00b0C],".encode("latin-1")) or \
            not all(line[19:25] == b",21.5," for line in lines[1:]):
        fail("the log from settings: %r" % lines[:3])
    os.remove(os.path.join(folder, "logger.toml"))
    print("wine: the settings in %%APPDATA%% named the board, the log and the inputs; %d rows; the alarm in the "
          "alarm log, orange, in the title, in a balloon and in its command's environment" % (len(lines) - 1))


def run_logger(run, loader, logger, environment, display):
    port = run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
    # The default log file, C:\AVR-NET-IO.CSV, lies on the private prefix's drive C:.
    log_file = os.path.join(environment["WINEPREFIX"], "drive_c", "AVR-NET-IO.CSV")
    dump = os.path.join(run.folder, "controls.txt")
    environment = dict(environment, AVRNETIO_DUMP_CONTROLS=windows_path(dump))
    with open(os.path.join(run.folder, "wine-output.txt"), "ab") as output:
        process = run.start([loader, logger, "--host", "127.0.0.1", "--port", str(port)], env=environment,
                            stdout=output, stderr=output)

    answer_prompt(display, "S1", timeout=120)
    window = find_window(display, "Datenlogger", timeout=60)
    wait_for_rows_one_second_apart(log_file, 30)
    check_steady_window(dump, "C:\\\\AVR-NET-IO.CSV")

    screenshot(display, window)
    quit_and_answer_no(display, window, process, "the logger")
    rows_after = check_steady_log(open(log_file, "rb").read(), 4)
    print("wine: %d rows, QUIT and No ended the logger with code 0" % len(rows_after))


def run_course_logger(run, loader, logger, environment, display):
    """The logger with --course on a log that holds three earlier days with an outage: the course
    window's title, the earlier days' course and the new rows, the one gap, and a gap where the
    simulator stopped, as on Linux."""
    board, port = run.boardsim_process(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
    log_file = os.path.join(run.folder, "verlauf.csv")
    earlier_days(log_file, datetime.datetime.now())
    earlier = len(rows_of(log_file))
    with open(os.path.join(run.folder, "wine-output.txt"), "ab") as output:
        process = run.start([loader, logger, "--host", "127.0.0.1", "--port", str(port), "--log-file",
                             windows_path(log_file), "--interval", "S1", "--course"], env=environment,
                            stdout=output, stderr=output)
    window = find_window(display, "^Verlauf - 127.0.0.1$", timeout=120)
    main = find_window(display, "^Datenlogger", timeout=30)
    wait_for(lambda: len(rows_of(log_file)) >= earlier + 3, 30, "new rows")
    columns, width = wait_for(lambda: course_shown(display, window, os.path.join(run.folder, "course.rgb")), 60,
                              "the earlier days' course")
    screenshot(display, window, "course-windows.png")
    check_course(columns, width)
    course_gap_of_a_stop(run, display, window, board, port, log_file, client_origin(display, window, COURSE_CLIENT))
    quit_and_answer_no(display, main, process, "the logger with the course window")
    print("wine: the course window of three earlier days and the new rows, a gap where the earlier rows stopped, "
          "and one where the simulator was stopped")


REPORT_LOG = (HEADER + b"07.12.2026,09:00:00,2.50,-0.0,4.99,0.00,1,0,0,0\r\n"
              b"07.12.2026,09:00:01,-0.0,-0.0,-0.0,-0.0,1,1,1,1\r\n"
              b"07.12.2026,09:00:02,3.00,48.8,1.00,0.01,0,0,1,0\r\n"
              b"07.12.2026,09:00:03,2.5")
REPORT_SUMMARY = """runs\t1
rows\t3
skipped\t1
away\t1
gaps\t0
from\t07.12.2026 09:00:00
to\t07.12.2026 09:00:02
analog\t1\tAnalog-Eingang Nr. 1\t2\t2.500\t3.000\t2.750\t3.000\t07.12.2026 09:00:00\t07.12.2026 09:00:02\t07.12.2026 09:00:02
analog\t2\tAnalog-Eingang Nr. 2\t2\t0.000\t48.800\t24.400\t48.800\t07.12.2026 09:00:00\t07.12.2026 09:00:02\t07.12.2026 09:00:02
analog\t3\tAnalog-Eingang Nr. 3\t2\t1.000\t4.990\t2.995\t1.000\t07.12.2026 09:00:02\t07.12.2026 09:00:00\t07.12.2026 09:00:02
analog\t4\tAnalog-Eingang Nr. 4\t2\t0.000\t0.010\t0.005\t0.010\t07.12.2026 09:00:00\t07.12.2026 09:00:02\t07.12.2026 09:00:02
digital\t1\tDigital-Eingang Nr. 1\t2\t1\t50.0\t0\t07.12.2026 09:00:02
digital\t2\tDigital-Eingang Nr. 2\t2\t0\t0.0\t0\t07.12.2026 09:00:02
digital\t3\tDigital-Eingang Nr. 3\t2\t1\t50.0\t1\t07.12.2026 09:00:02
digital\t4\tDigital-Eingang Nr. 4\t2\t0\t0.0\t0\t07.12.2026 09:00:02
"""


def run_report(run, loader, report, environment):
    """The report program as a console program: its summary of a small log, and its page."""
    log_file = os.path.join(run.folder, "report.csv")
    with open(log_file, "wb") as log:
        log.write(REPORT_LOG)
    code, output = run_to_end([loader, report, "--summary", windows_path(log_file)], environment, "the report")
    if code != 0 or output.replace("\r\n", "\n") != REPORT_SUMMARY:
        fail("report summary: exit %d, %r" % (code, output))
    code, output = run_to_end([loader, report, windows_path(log_file)], environment, "the report's page")
    page = os.path.join(run.folder, "report.html")
    charts = open(page, encoding="utf-8").read().count('class="chart ') if os.path.exists(page) else 0
    if code != 0 or charts != 8:
        fail("report page: exit %d, %d charts, %r" % (code, charts, output))
    print("wine: the report's summary and page of a small log")


def run_report_from_desktop(run, loader, checks, report, environment, display):
    """The report started as Explorer starts a dropped log's program: in a console of its own.
    The page goes to the program associated with .html, here a stand-in browser that leaves
    the path it was given beside itself; a log that cannot be read gives the box "Problem"."""
    folder = os.path.join(run.folder, "desktop")
    os.makedirs(folder)
    browser = os.path.join(folder, "browser.exe")
    shutil.copy(checks, browser)
    wine(loader, environment, "reg", "add", "HKCR\\.html", "/ve", "/d", "avrnetio.page", "/f")
    wine(loader, environment, "reg", "add", "HKCR\\avrnetio.page\\shell\\open\\command", "/ve", "/d",
         '"%s" "%%1"' % windows_path(browser), "/f")
    log_file = os.path.join(folder, "Messung.csv")
    with open(log_file, "wb") as log:
        log.write(REPORT_LOG)

    def dropped(path):
        # start gives a console program a console of its own, as Explorer does.
        return run.start([loader, "start", "/wait", "/unix", report, windows_path(path)], env=environment,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    code = end(dropped(log_file), timeout=120)
    page = os.path.join(folder, "Messung.html")
    opened = wait_for(lambda: os.path.exists(browser + ".started") and open(browser + ".started").read(), 30,
                      "the stand-in browser")
    charts = open(page, encoding="utf-8").read().count('class="chart ') if os.path.exists(page) else 0
    if code != 0 or charts != 8 or opened.lower() != windows_path(page).lower():
        fail("report from the desktop: exit %d, %d charts, the browser got %r" % (code, charts, opened))
    # The German copy beside it, the absent board's row left empty, and the page's link to it.
    copy = os.path.join(folder, "Messung-deutsch.csv")
    rows = open(copy, "rb").read().split(b"\r\n")[1:-1] if os.path.exists(copy) else []
    if rows != [b"07.12.2026;09:00:00;2,50;-0,0;4,99;0,00;1;0;0;0", b"07.12.2026;09:00:01;;;;;;;;",
                b"07.12.2026;09:00:02;3,00;48,8;1,00;0,01;0;0;1;0"] or \
            '<a href="Messung-deutsch.csv">' not in open(page, encoding="utf-8").read():
        fail("the German copy from the desktop: %r" % rows)

    # A log beside which no page can be made (here a folder holds its name): the page goes to Documents.
    os.remove(browser + ".started")
    blocked = os.path.join(folder, "Gesperrt.csv")
    shutil.copy(log_file, blocked)
    os.mkdir(os.path.join(folder, "Gesperrt.html"))
    code = end(dropped(blocked), timeout=120)
    opened = wait_for(lambda: os.path.exists(browser + ".started") and open(browser + ".started").read(), 30,
                      "the stand-in browser")
    page = os.path.join(environment["WINEPREFIX"], "drive_c", *opened[3:].split("\\"))
    if code != 0 or not opened.lower().endswith("\\documents\\gesperrt.html") or not os.path.isfile(page):
        fail("report beside a blocked page: exit %d, the browser got %r" % (code, opened))
    # The copy could lie beside the log: the page links to it there, by its whole path.
    link = re.search(r'<a href="file:///([^"]*)">', open(page, encoding="utf-8").read())
    if not os.path.isfile(os.path.join(folder, "Gesperrt-deutsch.csv")) or not link or \
            not link.group(1).endswith("/Gesperrt-deutsch.csv"):
        fail("the German copy beside a blocked page: %r" % (link and link.group(1)))

    process = dropped(os.path.join(folder, "fehlt.csv"))
    box = find_window(display, "^Problem$", timeout=60)
    # Another program's window (Notepad, from the shell checks) keeps Wine's focus until the box is
    # clicked, as a user would; a box mapped on a busy machine may not take keys yet: again while it is there.
    for _ in range(10):
        focus(display, box)
        xdotool(display, "click", "1")
        xdotool(display, "key", "Return")
        try:
            process.wait(timeout=3)
            break
        except subprocess.TimeoutExpired:
            pass
    code = end(process, timeout=30)
    if code != 1:
        fail("report of a missing log from the desktop: exit %d" % code)
    print("wine: the report from the desktop opened its page in the browser, linked to the German copy beside the"
          " log, in Documents where it could not be beside the log, and showed its problem in a box")


def check_in_work_area(display, window, what):
    """Wine draws the frame itself: the X window is the whole frame, centred on the work area."""
    area_x, area_y, area_width, area_height = cardinals(display, None, "_NET_WORKAREA")[:4]
    geometry = xdotool(display, "getwindowgeometry", "--shell", window) or ""
    value = dict(line.split("=", 1) for line in geometry.splitlines() if "=" in line)
    x, y, width, height = (int(value.get(key, -1)) for key in ("X", "Y", "WIDTH", "HEIGHT"))
    centred = (area_x + (area_width - width) // 2, area_y + (area_height - height) // 2)
    if (x < area_x or y < area_y or x + width > area_x + area_width or y + height > area_y + area_height
            or abs(x - centred[0]) > 2 or abs(y - centred[1]) > 2):
        fail("%s: frame %dx%d at (%d, %d), work area %dx%d at (%d, %d)"
             % (what, width, height, x, y, area_width, area_height, area_x, area_y))
    return width


def uninstall_entries(loader, environment):
    """The "Apps & Features" entries of the program, each a dict of its values."""
    code, output = run_to_end([loader, "reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                               "/s", "/reg:32"], environment, "reg query")
    entries, values = [], {}
    for line in output.splitlines() + [""]:
        if not line.startswith(" "):
            if values.get("DisplayName") == "AVR-NET-IO Logger":
                entries.append(values)
            values = {}
        elif len(line.split(None, 2)) == 3:
            name, _, value = line.split(None, 2)
            values[name] = value.strip()
    return entries


def msiexec(loader, environment, *arguments):
    code, output = run_to_end([loader, "msiexec", *arguments], environment, "msiexec " + arguments[0])
    if code != 0:
        fail("msiexec %s: exit %d, %r" % (" ".join(arguments), code, output[-300:]))


def shell_link(path):
    """A shortcut's target and arguments, read as the shell reads them."""
    data = open(path, "rb").read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C  # past the header
    if flags & 0x1:  # an item list first
        at += 2 + struct.unpack_from("<H", data, at)[0]
    target = ""
    if flags & 0x2:  # where the target lies, its local path in the system's code page
        size, _, where, _, local = struct.unpack_from("<5I", data, at)
        if where & 0x1:
            target = data[at + local:data.index(b"\0", at + local)].decode("latin-1")
        at += size
    texts = []
    for present in (0x4, 0x8, 0x10, 0x20):  # name, relative path, working folder, arguments
        count = struct.unpack_from("<H", data, at)[0] if flags & present else 0
        width = 2 if flags & 0x80 else 1
        text = data[at + 2:at + 2 + count * width].decode("utf-16-le" if width == 2 else "latin-1")
        texts.append(text.rstrip("\0"))  # Wine counts the terminating NUL too
        at += 2 + count * width if flags & present else 0
    return target, texts[3]


def check_installed(loader, environment, version):
    prefix = environment["WINEPREFIX"]
    folder = os.path.join(prefix, PROGRAM_FOLDER)
    installed = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    if installed != INSTALLED:
        fail("installed files: %r" % installed)
    for program in (name for name in installed if name.endswith(".exe")):
        if machine_of(os.path.join(folder, program)) != MACHINE_I386:
            fail(program + " is installed as no 32-bit program")
    # The licences of what the Windows programs link in, libmosquitto's and OpenSSL's among them.
    with open(os.path.join(folder, "THIRD-PARTY-NOTICES.txt"), encoding="utf-8-sig") as notices:
        text = notices.read()
    windows = text[text.index("FOR THE WINDOWS PROGRAMS"):]
    for notice in ("libmosquitto: the Windows logger's", "Eclipse Public License - v 2.0",
                   "Eclipse Distribution License - v 1.0", "OpenSSL 3: the Windows logger's",
                   "/usr/share/common-licenses/Apache-2.0", "Version 2.0, January 2004"):
        if notice not in windows:
            fail("the installed notices lack %r" % notice)
    # A standard user can start it: its manifest asks for no rights beyond the user's.
    if b'level="asInvoker"' not in open(os.path.join(folder, "avrnetio-logger.exe"), "rb").read():
        fail("the installed logger's manifest does not ask for asInvoker")
    shortcuts = {os.path.basename(path): shell_link(path) for path in shortcuts_in(prefix)}
    if sorted(shortcuts) != sorted(SHORTCUTS):
        fail("Start menu: %r" % sorted(shortcuts))
    for name, (target, arguments) in shortcuts.items():
        expected, passed = SHORTCUTS[name]
        if not target.lower().endswith("\\avr-net-io logger\\" + expected) or arguments != passed:
            fail("%s starts %r %r, expected %s %r" % (name, target, arguments, expected, passed))
    entries = uninstall_entries(loader, environment)
    if len(entries) != 1:
        fail("%d uninstall entries" % len(entries))
    entry = entries[0]
    installed_in = "c:\\program files (x86)\\avr-net-io logger\\"
    if (entry.get("DisplayVersion") != version or "msiexec" not in entry.get("UninstallString", "").lower()
            or not entry.get("DisplayIcon", "").lower().startswith(installed_in + "avrnetio-logger.exe")
            or entry.get("HelpLink", "").lower() != installed_in + "anleitung.html"
            or entry.get("Publisher") != "AVR-NET-IO Logger" or "AVR-NET-IO Logger" not in entry.get("Contact", "")):
        fail("uninstall entry: %r" % entry)


def shortcuts_in(prefix):
    return [path for menu in START_MENUS for path in glob.glob(os.path.join(prefix, menu, "*.lnk"))]


def start_from_menu(run, loader, logger, environment, entry, *options, dump=None):
    """The logger as its Start-menu entry starts it, without standard handles as from Explorer:
    the shortcut itself where the installed 32-bit program runs, else the 64-bit build with the
    shortcut's arguments. Ends with the logger, with its exit code."""
    link = [path for path in shortcuts_in(environment["WINEPREFIX"]) if os.path.basename(path) == entry]
    if not link:
        fail("no Start-menu entry " + entry)
    target, arguments = shell_link(link[0])
    if machine_of(logger) != MACHINE_I386:
        started = ["/unix", logger, *arguments.split()]
    else:
        # Further options go to the shortcut's target, as a user would add them to it.
        started = [target, *arguments.split()] if options else ["/unix", link[0]]
    if dump:
        environment = dict(environment, AVRNETIO_DUMP_CONTROLS=windows_path(dump))
    with open(os.path.join(run.folder, "wine-output.txt"), "ab") as output:
        return run.start([loader, "start", "/wait", *started, *options], env=environment, stdout=output,
                         stderr=output)


def shown(dump, control):
    return read_dump(dump).get(control, (None, ""))[1] if os.path.exists(dump) else ""


def quit_and_answer_no(display, window, process, what):
    """QUIT in the main window, then No to opening the log (the box's No has the mnemonic N; a
    Yes/No box ignores Escape); the logger ends with 0."""
    left, top = client_origin(display, window)
    xdotool(display, "mousemove", "--window", window, str(left + 215), str(top + 580), "click", "1")
    focus(display, find_window(display, "Logdatei sofort", timeout=30))
    xdotool(display, "key", "n")
    if end(process, timeout=30) != 0:
        fail("%s ended with %d" % (what, process.returncode))


def close_and_answer_no(display, window, process, what):
    """The main window's close box (QUIT may be cut off on a small screen; openbox keeps Alt+F4
    to itself), then No to opening the log; the logger ends with 0."""
    width = check_in_work_area(display, window, what)
    xdotool(display, "mousemove", "--window", window, str(width - 13), "12", "click", "1")
    question = find_window(display, "Logdatei sofort", timeout=30)
    check_in_work_area(display, question, "the final box")
    focus(display, question)
    xdotool(display, "key", "n")
    if end(process, timeout=30) != 0:
        fail(what + ": the logger did not end with 0")


def run_first_start(run, loader, logger, environment, display):
    """The first start from the Start menu, with no settings yet: the settings window, filled in by
    keyboard and mouse as a user would. A wrong port says why, the simulator's shows its version;
    saved with Enter, the logger starts, with the label and the scale given, and the file in
    %APPDATA% holds them."""
    port = run.boardsim("--reply", "GETADC 1=512\\r\\n")
    dump = os.path.join(run.folder, "first-start.txt")
    process = start_from_menu(run, loader, logger, environment, "Datenlogger f\u00fcr AVR-NET-IO-Board.lnk",
                              dump=dump)
    window = find_window(display, "^Einstellungen", timeout=120)
    check_in_work_area(display, window, "the settings window")
    focus(display, window)
    # A label's mnemonic moves to its edit, whose text the dialog manager selects.
    xdotool(display, "key", "alt+a")
    xdotool(display, "type", "--delay", "50", "127.0.0.1")
    for tried, result in ((unused_port(), "Keine Verbindung: an Port %d antwortet nichts"),
                          (port, "Verbunden: AVR-NET-IO board simulator 1.0")):
        xdotool(display, "key", "alt+o")
        xdotool(display, "type", "--delay", "50", str(tried))
        xdotool(display, "key", "alt+v")
        wait_for(lambda: shown(dump, 106).startswith(result.replace("%d", str(tried))), 30,
                 "the connection test to port %d" % tried)
    # The first analog input's label and scale, which have no mnemonic, by Tab as the controls were
    # made: from the port over the test, the log file, its button, the check box (the interval left
    # out) and the schedule to the label, then over the unit to the scale. Tab selects an edit's text.
    # The window is shrunk into the small screen's work area, so no place in it is known.
    xdotool(display, "key", "alt+o")
    xdotool(display, "key", *["Tab"] * 6)
    xdotool(display, "type", "--delay", "50", "Keller")
    xdotool(display, "key", "Tab", "Tab")
    xdotool(display, "type", "--delay", "50", "0.1")
    wait_for(lambda: shown(dump, 317) == "= 51.20 Volt", 30, "the preview of 512 with the scale")
    # A broker that takes anna with her password alone, which the window keeps in the credential manager.
    passwords = os.path.join(run.folder, "passwords")
    subprocess.run(["mosquitto_passwd", "-c", "-b", passwords, "anna", "geheim"], check=True)
    _, broker_port = run.broker("password_file " + passwords, name="password")
    subscriber = run.subscriber(broker_port, "-u", "anna", "-P", "geheim", topic="avrnetio/+/rows")
    for key, text in (("alt+m", "mqtt://anna@127.0.0.1:%d" % broker_port), ("alt+w", "geheim")):
        xdotool(display, "key", key)
        xdotool(display, "type", "--delay", "50", text)
    xdotool(display, "key", "Return")

    answer_prompt(display, "S1", timeout=60)
    log_file = os.path.join(environment["WINEPREFIX"], "drive_c", "AVR-NET-IO.CSV")
    wait_for(lambda: len(rows_of(log_file)) >= 3, 60, "rows after the settings window")
    wait_for(lambda: len(messages_of(subscriber)) >= 2, 60, "rows published with the stored password")
    close_and_answer_no(display, find_window(display, "^Datenlogger", timeout=30), process, "the first start")
    lines = rows_of(log_file)
    if not lines[0].startswith(b"Datum,Uhrzeit,Keller [Volt],") or not all(b",51.20," in row for row in lines[1:]):
        fail("the log of the first start: %r" % lines[:3])
    with open(os.path.join(settings_folder(environment), "logger.toml"), "rb") as saved:
        text = saved.read()
    settings = tomllib.loads(text.decode())
    if (settings.get("board") != {"host": "127.0.0.1", "port": port}
            or settings.get("analog", {}).get("1", {}) != {"label": "Keller", "scale": 0.1}
            or settings.get("mqtt") != {"url": "mqtt://anna@127.0.0.1:%d" % broker_port} or b"geheim" in text):
        fail("the saved settings: %r" % settings)
    print("wine: the first start from the Start menu opened the settings window; a wrong port said why, the "
          "right one showed the version; saved, %d rows with the label and the scale, published with the "
          "password that the window stored in the credential manager, not in the file" % (len(lines) - 1))
    return subscriber


def run_placement(run, loader, logger, environment, display, subscriber):
    """The next start from the Start menu goes straight to the prompt; it, the main window and the
    final box lie within the work area of a screen lower than the window. The stored password
    serves again."""
    published = len(messages_of(subscriber))
    process = start_from_menu(run, loader, logger, environment, "Datenlogger f\u00fcr AVR-NET-IO-Board.lnk")
    prompt = find_window(display, "Zeitintervall", timeout=120)
    if xdotool(display, "search", "--onlyvisible", "--name", "^Einstellungen"):
        fail("the settings window opened again")
    check_in_work_area(display, prompt, "the prompt")
    answer_prompt(display, "S1", timeout=30)
    wait_for(lambda: len(messages_of(subscriber)) > published, 60, "a row published at the next start")
    close_and_answer_no(display, find_window(display, "^Datenlogger", timeout=60), process, "the main window")
    # --forget takes the password from the credential manager too, where Wine keeps it in the registry.
    stored = lambda: run_to_end([loader, "reg", "query", "HKCU\\Software\\Wine\\Credential Manager", "/s"],
                                environment, "wine reg")[1]
    if "AVR-NET-IO Logger/127-0-0-1" not in stored():
        fail("no credential of the logger: %r" % stored())
    code, said = run_to_end([loader, logger, "--forget"], environment, "avrnetio-logger --forget", timeout=120)
    if code != 0 or not re.search("Passwort|password", said) or "AVR-NET-IO Logger/127-0-0-1" in stored():
        fail("--forget: exit %d, %r, the credentials %r" % (code, said, stored()))
    print("wine: the next start went straight to the prompt; it, the window and the box lie within the work "
          "area of a small screen")


def run_help_from_menu(run, loader, logger, environment, display):
    """From a desktop start --help and a wrong option show their text in a box."""
    for option, title, status in (("--help", "^Datenlogger f", 0), ("--no-such-option", "^Problem$", 2)):
        process = start_from_menu(run, loader, logger, environment, "Datenlogger f\u00fcr AVR-NET-IO-Board.lnk",
                                  option)
        focus(display, find_window(display, title, timeout=60))
        xdotool(display, "key", "Return")
        if end(process, timeout=30) != status:
            fail("%s from the desktop: exit %r, expected %d" % (option, process.returncode, status))
    # A wrong settings file: one German box, whatever the user's language, that offers the
    # settings window instead of the usage; No ends the logger with 2.
    wrong = os.path.join(environment["WINEPREFIX"], "drive_c", "wrong.toml")
    with open(wrong, "w") as out:
        out.write("[board]\nport = 0\n")
    process = start_from_menu(run, loader, logger, environment, "Datenlogger f\u00fcr AVR-NET-IO-Board.lnk",
                              "--settings", "C:\\wrong.toml")
    # Found by the title's ASCII start: where xdotool cannot convert the umlaut to its locale, it
    # matches no pattern that reaches past it. The settings window is not open at this point.
    box = find_window(display, "^Einstellungen", timeout=60)
    if (xdotool(display, "getwindowname", box) or "").startswith("Einstellungen - "):
        fail("a wrong settings file from the desktop opened the settings window, not the box")
    focus(display, box)
    xdotool(display, "key", "n")
    if end(process, timeout=30) != 2:
        fail("a wrong settings file from the desktop: exit %r, expected 2" % process.returncode)
    os.remove(wrong)
    print("wine: --help, a wrong option and a wrong settings file from the desktop showed their boxes")


def run_package(run, logger, packages):
    """A fresh 64-bit prefix, as a Windows user's: install, upgrade, run, remove."""
    display = run.xvfb(SMALL_SCREEN)
    run.window_manager(display, SMALL_SCREEN)
    folder = os.path.join(run.folder, "package")
    loader, server, environment = wine_environment(MACHINE_AMD64, folder, display)
    try:
        make_prefix(loader, environment)
        use_wine_fonts(environment["WINEPREFIX"])
        # Wine draws the frames itself, so what the program asks for is where they end up.
        wine(loader, environment, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N",
             "/f")
        older, newer = packages
        msiexec(loader, environment, "/i", windows_path(older), "/qn")
        check_installed(loader, environment, version_of(older))
        msiexec(loader, environment, "/i", windows_path(newer), "/qn")
        check_installed(loader, environment, version_of(newer))
        print("msi: installed silently, then replaced by a newer package: one copy, four shortcuts, one entry")

        # The installed 32-bit logger where 32-bit code runs, else the 64-bit build of the same sources.
        installed = os.path.join(environment["WINEPREFIX"], PROGRAM_FOLDER, "avrnetio-logger.exe")
        logger = installed if machine_of(logger) == MACHINE_I386 else logger
        subscriber = run_first_start(run, loader, logger, environment, display)
        run_placement(run, loader, logger, environment, display, subscriber)
        run_help_from_menu(run, loader, logger, environment, display)

        msiexec(loader, environment, "/x", windows_path(newer), "/qn")
        prefix = environment["WINEPREFIX"]
        # The installer's own copies of the package and of the icon go too.
        left = shortcuts_in(prefix) + glob.glob(os.path.join(prefix, PROGRAM_FOLDER)) + \
            glob.glob(os.path.join(prefix, "drive_c", "windows", "Installer", "*"))
        if left or uninstall_entries(loader, environment):
            fail("left after removal: %r, %d uninstall entries" % (left, len(uninstall_entries(loader, environment))))
        print("msi: removed silently, nothing of the program left")
    finally:
        wine_server(server, environment, "-k")


def version_of(package):
    """avrnetio-logger-0.1.0.msi is version 0.1.0."""
    return os.path.basename(package)[len("avrnetio-logger-"):-len(".msi")]


def client_origin(display, window, client=CLIENT_SIZE):
    """Where the client area starts inside the frame that Wine draws: equal borders left, right
    and below, the title bar above."""
    _, _, width, height = window_geometry(display, window)
    border = (width - client[0]) // 2
    return border, height - client[1] - border


def screenshot(display, window, name="window-windows.png"):
    """The window as Wine shows it, for the documentation: only when AVRNETIO_SCREENSHOT=1 asks
    for it, so that a test run leaves the tracked picture alone."""
    if os.environ.get("AVRNETIO_SCREENSHOT") != "1" or shutil.which("import") is None:
        return
    target = os.path.join(ROOT, "docs", name)
    subprocess.run(["import", "-window", window, target], env=dict(os.environ, DISPLAY=display),
                   capture_output=True, timeout=30)


def main():
    # The logger reads settings files here: a setting it missed must find no board but the simulator.
    loopback_only()
    logger, checks, report = windows_build()
    machine = machine_of(logger)
    with Processes() as run:
        try:
            display = run.xvfb()
            loader, server, environment = wine_environment(machine, run.folder, display)
            started = time.monotonic()
            make_prefix(loader, environment)
            print("wine: prefix ready in %.0f s (%s program)"
                  % (time.monotonic() - started, "64-bit" if machine == MACHINE_AMD64 else "32-bit"))
            use_wine_fonts(environment["WINEPREFIX"])
            # Wine draws the frames itself, as Windows does, since no window manager runs.
            wine(loader, environment, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d",
                 "N", "/f")
            # One server for every further step, started before the file size limit can reach it.
            wine_server(server, environment, "-w")
            wine_server(server, environment, "-p")
            run_platform_checks(run, loader, checks, environment)
            run_full_disk_check(run, loader, checks, environment)
            run_course_window(run, loader, checks, environment, display)
            run_with_mqtt(run, loader, logger, environment, display)
            settings_screenshot(run, loader, logger, environment, display)
            run_logger(run, loader, logger, environment, display)
            run_from_settings(run, loader, logger, environment, display)
            run_course_logger(run, loader, logger, environment, display)
            run_shell_checks(run, loader, checks, environment, display)
            run_report(run, loader, report, environment)
            run_report_from_desktop(run, loader, checks, report, environment, display)
            wine_server(server, environment, "-k")
            packages = [os.environ.get(name) for name in ("AVRNETIO_MSI", "AVRNETIO_MSI_NEWER")]
            if all(packages):
                run_package(run, logger, packages)
            else:
                print("msi: not checked, AVRNETIO_MSI and AVRNETIO_MSI_NEWER name no packages")
        except SystemExit as failure:
            # What Wine said about the logger, to tell a crash from a hang.
            output = os.path.join(run.folder, "wine-output.txt")
            if failure.code and os.path.exists(output):
                sys.stderr.write(open(output, errors="replace").read()[-2000:])
            raise
        finally:
            if "server" in locals():
                wine_server(server, environment, "-k")
            # A prefix takes some hundred megabytes.
            shutil.rmtree(run.folder, ignore_errors=True)


if __name__ == "__main__":
    main()
