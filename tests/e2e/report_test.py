#!/usr/bin/env python3
"""The report of a real log: the logger logs the simulated board every second while the board goes
away for a few rows and comes back; avrnetio-report renders the page, which has its eight charts
and the shaded band of the absent board, and headless Chromium shows it; --summary agrees with the
figures computed here from the CSV, an alarm log beside a copy of the log adds its shaded periods,
its table and its count, and --german-csv copies the rows for a German spreadsheet,
which LibreOffice Calc reads with empty cells where the board gave no reading. From the desktop,
the chooser's log gets its page and German copy beside it.

AVRNETIO_SCREENSHOT=1 logs for a few minutes instead and refreshes docs/report.png."""
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import zlib
from xml.etree import ElementTree

sys.path.insert(0, os.path.dirname(__file__))
from harness import (HEADER, PATIENCE, REPORT, Processes, check_summary, end, expected_summary, fail, find_window,
                     focus, in_locale, left_out, parse_log, rows_of, seconds, stop_boardsim, wait_for, xdotool)

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DOCUMENTATION = os.environ.get("AVRNETIO_SCREENSHOT") == "1"
# Start-up takes 4 commands and a cycle 8: the board goes away during the cycle after these.
CYCLES_BEFORE, AWAY_SECONDS, ROWS_AFTER = (90, 30, 60) if DOCUMENTATION else (3, 3, 3)
def png_pixels(path):
    """Width, height and RGB rows of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as image:
        data = image.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("the screenshot is no PNG")
    at, packed = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            packed += body
        at += 12 + length
    if depth != 8 or colour not in (2, 6):
        fail("unexpected PNG form %d/%d" % (depth, colour))
    channels = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(packed), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up, corner = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                guess = left + up - corner
                distances = [abs(guess - left), abs(guess - up), abs(guess - corner)]
                line[x] = (line[x] + (left, up, corner)[distances.index(min(distances))]) & 255
        rows.append(bytes(line[x] for x in range(stride) if x % channels < 3))
        previous = line
    return width, height, rows


def screenshot(run, page, target, size):
    chromium = shutil.which("chromium")
    if chromium is None:
        fail("no chromium: scripts/install-deps.sh installs it")
    command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
               "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
               "--user-data-dir=" + os.path.join(run.folder, "chromium"), "--screenshot=" + target,
               "--window-size=%d,%d" % size, "file://" + page]
    environment = dict(os.environ, HOME=run.folder)
    environment.pop("DISPLAY", None)
    try:
        subprocess.run(command, env=environment, capture_output=True, timeout=120)
    except subprocess.TimeoutExpired:
        fail("chromium did not end")
    if not os.path.exists(target):
        fail("chromium took no screenshot")
    width, height, rows = png_pixels(target)
    # Not blank: text and lines, the analog curve's blue and the band's grey.
    pixels = [tuple(row[x:x + 3]) for row in rows for x in range(0, len(row), 3)]
    inked = sum(1 for pixel in pixels if min(pixel) < 160)
    blue = sum(1 for red, green, blue in pixels if blue > 150 and red < 100 and green < 140)
    grey = sum(1 for red, green, blue in pixels if red == green == blue and 195 <= red <= 225)
    if inked < width * height // 200 or blue < 100 or grey < 500:
        fail("the screenshot looks blank: %d inked, %d blue and %d grey pixels of %dx%d" %
             (inked, blue, grey, width, height))
    print("report: screenshot %dx%d, %d inked, %d blue and %d grey pixels" % (width, height, inked, blue, grey))


def check_page(page, copy_link=None):
    """The page's charts and bands; it refers to nothing outside itself but the German copy beside
    it, when it links to one."""
    text = open(page, encoding="utf-8").read()
    counts = {marker: text.count('class="%s"' % marker) for marker in ("chart analog", "chart digital", "band away")}
    if counts != {"chart analog": 4, "chart digital": 4, "band away": 8}:
        fail("page markers: %r" % counts)
    if copy_link is not None:
        link = '<a href="%s">' % copy_link
        if text.count(link) != 1:
            fail("the page does not link to the German copy %s" % copy_link)
        text = text.replace(link, "")
    if re.search(r"(src|href)\s*=|url\(|https?:|<script", text):
        fail("the page refers to something outside itself")


def german_row(line, out):
    """The German copy of a log row: decimal commas, and empty cells where the figures leave out
    the row's values (those of a missing reply, and then the digital codes too)."""
    fields = line.split(",")
    cells = [field.replace(".", ",") for field in fields[2:]]
    cells = ["" if i in out or (out and i >= 4) else cell for i, cell in enumerate(cells)]
    return ";".join(fields[:2] + cells)


def check_german_copy(log_file, copy, rows):
    result = subprocess.run([REPORT, log_file, "--german-csv", copy], capture_output=True, timeout=30)
    lines = open(copy, "rb").read().decode("latin-1").split("\r\n")[:-1]
    if result.returncode != 0 or len(lines) != len(rows) + 1 or not lines[0].startswith("Datum;Uhrzeit;Analog"):
        fail("German copy: exit %d, %d lines for %d rows" % (result.returncode, len(lines), len(rows)))
    log_lines = open(log_file, "rb").read().decode("latin-1").split("\r\n")[1:-1]
    wanted_rows = [german_row(line, out) for line, out in zip(log_lines, left_out(rows))]
    if lines[1:] != wanted_rows:
        fail("German rows %r, expected %r" % (lines[1:], wanted_rows))
    if not any(line.endswith(";;;;;;;;") for line in lines):
        fail("no row of the absent board in the German copy: %r" % lines)
    wanted = wanted_rows[0]
    # A row before the first header row still gets that row's titles; a CR in a title stays in it.
    content = open(log_file, "rb").read()
    first_row = content[len(HEADER):content.index(b"\r\n", len(HEADER)) + 2]
    odd_log = os.path.join(os.path.dirname(copy), "odd.csv")
    with open(odd_log, "wb") as odd:
        odd.write(first_row + b"Datum,Uhrzeit,Keller [\xb0C],A\r2,A;3,A4,D1,D2,D3,D4\r\n" + content[len(HEADER):])
    result = subprocess.run([REPORT, odd_log, "--german-csv", copy], capture_output=True, timeout=30)
    lines = open(copy, "rb").read().decode("latin-1").split("\r\n")[:-1]
    if result.returncode != 0 or len(lines) != len(rows) + 2 or lines[0] != (
            'Datum;Uhrzeit;Keller [\xb0C];A 2;"A;3";A4;D1;D2;D3;D4') or lines[1] != wanted:
        fail("German copy of a row before the header: exit %d, %r" % (result.returncode, lines[:2]))


def check_in_calc(run, log_file):
    """LibreOffice Calc opens the German copy as a German user's spreadsheet does (semicolons,
    Latin-1, German number forms): every value a number, every cell left empty an empty cell."""
    soffice = shutil.which("soffice")
    if soffice is None:
        fail("no soffice: scripts/install-deps.sh --tests installs LibreOffice Calc")
    copy = os.path.join(run.folder, "calc", "Kopie.csv")
    os.makedirs(os.path.dirname(copy))
    subprocess.run([REPORT, log_file, "--german-csv", copy], capture_output=True, timeout=30)
    command = [soffice, "--headless", "--norestore", "-env:UserInstallation=file://" + os.path.join(run.folder, "office"),
               "--infilter=CSV:59,34,12,1,,1031", "--convert-to", "fods", "--outdir", os.path.dirname(copy), copy]
    try:
        subprocess.run(command, env=dict(os.environ, HOME=run.folder), capture_output=True, timeout=180)
    except subprocess.TimeoutExpired:
        fail("LibreOffice did not end")
    sheet = copy[:-len(".csv")] + ".fods"
    if not os.path.exists(sheet):
        fail("LibreOffice made no spreadsheet of the German copy")
    space = {"table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
             "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0"}
    read = []
    for row in ElementTree.parse(sheet).getroot().iter("{%s}table-row" % space["table"]):
        cells = []
        for cell in row.iter("{%s}table-cell" % space["table"]):
            repeated = int(cell.get("{%s}number-columns-repeated" % space["table"], "1"))
            value = cell.get("{%s}value" % space["office"]) if cell.get("{%s}value-type" % space["office"]) == \
                "float" else cell.get("{%s}value-type" % space["office"])
            cells += [value] * min(repeated, 10)
        read.append(cells[2:10] + [None] * (10 - len(cells)))
    lines = open(copy, "rb").read().decode("latin-1").split("\r\n")[1:-1]
    for line, cells in zip(lines, read[1:]):
        fields = line.split(";")[2:]
        wanted = [float(field.replace(",", ".")) if field else None for field in fields]
        got = [float(cell) if cell is not None else None for cell in cells]
        if got != wanted:
            fail("LibreOffice read the German row %r as %r" % (line, cells))
    if len(read) < len(lines) + 1 or not any(line.endswith(";;;;;;;;") for line in lines):
        fail("LibreOffice read %d rows of %d, or the copy has no row of the absent board" % (len(read), len(lines) + 1))
    print("report: LibreOffice Calc reads the German copy's %d rows, its empty cells as empty" % len(lines))


def check_from_desktop(run, log_file):
    """As the menu entry starts it: the log from the chooser, the page and the German copy beside
    it or, where its folder takes neither, in the documents folder, the page in the browser (here
    a stand-in that notes what it was given); a log that cannot be read gives the box "Problem"."""
    display = run.xvfb()
    folder, home = os.path.join(run.folder, "desktop"), os.path.join(run.folder, "home")
    for made in (folder, os.path.join(home, ".config"), os.path.join(home, "Dokumente"), os.path.join(run.folder, "bin")):
        os.makedirs(made)
    with open(os.path.join(home, ".config", "user-dirs.dirs"), "w") as dirs:
        dirs.write('XDG_DOCUMENTS_DIR="$HOME/Dokumente"\n')
    browser, opened = os.path.join(run.folder, "bin", "xdg-open"), os.path.join(run.folder, "opened.txt")
    with open(browser, "w") as script:
        script.write('#!/bin/sh\nprintf "%%s" "$1" > "%s"\n' % opened)
    os.chmod(browser, 0o755)
    environment = dict(os.environ, DISPLAY=display, HOME=home, PATH=os.path.dirname(browser) + ":" + os.environ["PATH"])
    environment.pop("XDG_CONFIG_HOME", None)
    # The same German copy as from a terminal.
    german_copy = os.path.join(run.folder, "terminal.csv")
    subprocess.run([REPORT, log_file, "--german-csv", german_copy], capture_output=True, timeout=30)
    expected_copy = open(german_copy, "rb").read()

    def from_desktop(*logs, chosen=None):
        if os.path.exists(opened):
            os.remove(opened)
        process = run.start([REPORT, "--desktop", *logs], env=environment, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
        if chosen:
            chooser = find_window(display, "Logdateien")
            focus(display, chooser)
            xdotool(display, "type", "--delay", "20", chosen)
            xdotool(display, "key", "Return")
        return process

    def check_outputs(name, where, link):
        page, copy = os.path.join(where, name + ".html"), os.path.join(where, name + "-deutsch.csv")
        # The browser is started and not waited for: the report may end before it has begun.
        wait_for(lambda: os.path.exists(opened) and os.path.getsize(opened) > 0, PATIENCE, "the browser")
        browsed = open(opened).read()
        if not os.path.isfile(copy) or open(copy, "rb").read() != expected_copy or browsed != page:
            fail("from the desktop, %s: German copy %s, the browser got %r" % (name, os.path.isfile(copy), browsed))
        check_page(page, link)

    # The chooser starts in the home folder, GTK's or FLTK's own, where GTK is missing.
    shutil.copy(log_file, os.path.join(home, "Messung.csv"))
    if end(from_desktop(chosen="Messung.csv")) != 0:
        fail("the report of a chosen log did not end with 0")
    check_outputs("Messung", home, "Messung-deutsch.csv")
    # Folders of the outputs' names stand for a folder that takes nothing.
    shutil.copy(log_file, os.path.join(folder, "Gesperrt.csv"))
    os.mkdir(os.path.join(folder, "Gesperrt.html"))
    os.mkdir(os.path.join(folder, "Gesperrt-deutsch.csv"))
    if end(from_desktop(os.path.join(folder, "Gesperrt.csv"))) != 0:
        fail("the report of a log in a folder that takes nothing did not end with 0")
    check_outputs("Gesperrt", os.path.join(home, "Dokumente"), "Gesperrt-deutsch.csv")

    process = from_desktop(os.path.join(folder, "fehlt.csv"))
    box = find_window(display, "^Problem$")
    focus(display, box)
    xdotool(display, "key", "Return")
    if end(process) != 1:
        fail("the report of a missing log from the desktop: exit %r" % process.returncode)


def check_alarms(run, log_file, rows):
    """An alarm log beside the log, as the logger writes it: its alarms shaded on their inputs'
    charts (the silent board's on every one), listed with their durations and extremes, counted;
    one without an end lasts to the log's last row, a line that does not fit is skipped and counted."""
    folder = os.path.join(run.folder, "alarme")
    os.makedirs(folder)
    shutil.copy(log_file, folder)
    away = [row[0] for row, out in zip(rows, left_out(rows)) if len(out) == 4]
    # Input 2 above a limit below its values, for its first two rows.
    value = lambda n: "%.2f" % rows[n][1][1]
    limit = "%.2f" % (min(rows[0][1][1], rows[1][1][1]) - 0.01)
    events = [(rows[0][0], "Analog-Eingang Nr. 2", "Alarm", value(0), limit),
              (rows[1][0], "Analog-Eingang Nr. 2", "Ende", value(1), limit),
              (rows[1][0], "Digital-Eingang Nr. 2", "Alarm", "1", ""),
              (away[0], "Board", "Alarm", "", ""), (away[-1], "Board", "Ende", "", "")]
    lines = [",".join([stamp.replace(" ", ",")] + list(event)) for stamp, *event in events] + ["Datum,Uhrzeit,kaputt"]
    with open(os.path.join(folder, "AVR-NET-IO-alarme.CSV"), "wb") as alarm_log:
        alarm_log.write("".join("%s\r\n" % line for line in
                                ["Datum,Uhrzeit,Eingang,Ereignis,Wert,Grenze"] + lines).encode("latin-1"))
    result = subprocess.run([REPORT, "AVR-NET-IO.CSV", "--summary", "-o", "AVR-NET-IO.html"], cwd=folder,
                            capture_output=True, text=True, timeout=30)
    page = open(os.path.join(folder, "AVR-NET-IO.html"), encoding="utf-8").read()
    if result.returncode != 0 or "\nalarms\t3\t1\t1\n" not in result.stdout:
        fail("summary with an alarm log: exit %d, %r" % (result.returncode, result.stdout))
    duration = lambda start, end: "%d s" % (seconds(end) - seconds(start))
    highest = max(value(0), value(1), key=float).replace(".", ",")
    wanted = [("Analog-Eingang Nr. 2", rows[0][0], rows[1][0], duration(rows[0][0], rows[1][0]),
               "max. %s&nbsp;V" % highest),
              ("Digital-Eingang Nr. 2", rows[1][0], "kein Ende verzeichnet",
               "mindestens " + duration(rows[1][0], rows[-1][0]), "&ndash;"),
              ("Board", away[0], away[-1], duration(away[0], away[-1]), "&ndash;")]
    for cells in wanted:
        row = '<tr><td>%s</td><td>%s</td><td>%s</td><td class="n">%s</td><td class="n">%s</td></tr>' % cells
        if row not in page:
            fail("no alarm row %r on the page" % row)
    if page.count('class="band alarm"') != 8 or "<tr><th>Alarme</th><td>3 (1 ohne Ende)</td></tr>" not in page:
        fail("alarm bands %d, or no count of the alarms" % page.count('class="band alarm"'))


def check_failures(run, log_file):
    missing = subprocess.run([REPORT, os.path.join(run.folder, "none.csv")], capture_output=True, text=True)
    usage = subprocess.run([REPORT, "--colour"], capture_output=True, text=True)
    if missing.returncode != 1 or "none.csv" not in missing.stderr or usage.returncode != 2:
        fail("an unreadable log gave %d (%r), a wrong option %d" % (missing.returncode, missing.stderr,
                                                                   usage.returncode))
    # A summary that cannot be written, to a full device or a closed output, is a failure, said in
    # the language of the user's locale.
    with open("/dev/full", "w") as full:
        to_full = subprocess.run([REPORT, "--summary", log_file], stdout=full, stderr=subprocess.PIPE, text=True,
                                 env=in_locale(dict(os.environ), "de_DE.UTF-8"))
    closed = subprocess.run([REPORT, "--summary", log_file], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, preexec_fn=lambda: os.close(1), env=in_locale(dict(os.environ), "C"))
    for name, result, said in (("/dev/full", to_full, "Zusammenfassung"), ("a closed output", closed, "summary")):
        if result.returncode != 1 or said not in result.stderr:
            fail("--summary to %s: exit %d, %r" % (name, result.returncode, result.stderr))
    # One file in two spellings is still one file, also through a link to a file not written yet.
    os.symlink("future.html", os.path.join(run.folder, "link.html"))
    for page, copy in (("out.html", "./out.html"), ("future.html", "link.html"), ("link.html", "future.html")):
        same = subprocess.run([REPORT, "AVR-NET-IO.CSV", "-o", page, "--german-csv", copy],
                              cwd=run.folder, capture_output=True, text=True)
        if same.returncode != 2 or copy not in same.stderr or os.path.exists(os.path.join(run.folder, page)):
            fail("page %s and German copy %s as one file: exit %d, %r" % (page, copy, same.returncode, same.stderr))


def main():
    with Processes() as run:
        sim, port = run.boardsim_process("--close-after", str(4 + CYCLES_BEFORE * 8 + 2),
                                         "--down-for", str(AWAY_SECONDS))
        log_file = os.path.join(run.folder, "AVR-NET-IO.CSV")
        logger = run.logger(port, log_file, "--interval", "S1")

        def back_again():
            rows = parse_log(b"".join(rows_of(log_file)))[1] if rows_of(log_file) else []
            away = [n for n, row in enumerate(rows) if len(row[3]) == 4]
            return away and len(rows) - 1 - away[-1] >= ROWS_AFTER

        wait_for(back_again, CYCLES_BEFORE + AWAY_SECONDS + ROWS_AFTER + 30, "rows after the board came back")
        logger.send_signal(signal.SIGTERM)
        if end(logger, timeout=5) != 0:
            fail("the logger ended with code %d" % logger.returncode)
        stop_boardsim(sim)

        headers, rows = parse_log(open(log_file, "rb").read())
        # By its name in its folder, as the heading shows it.
        page = os.path.join(run.folder, "AVR-NET-IO.html")
        result = subprocess.run([REPORT, "AVR-NET-IO.CSV"], cwd=run.folder, capture_output=True, text=True,
                                timeout=30)
        if result.returncode != 0 or not os.path.exists(page):
            fail("no page: exit %d, %r" % (result.returncode, result.stderr))
        check_page(page)
        target = os.path.join(ROOT, "docs", "report.png") if DOCUMENTATION else os.path.join(run.folder, "page.png")
        # The heading and the first chart, where the band of the absent board shows too.
        screenshot(run, page, target, (1000, 1300) if DOCUMENTATION else (900, 700))
        check_summary(log_file, expected_summary(headers, rows))
        check_german_copy(log_file, os.path.join(run.folder, "german.csv"), rows)
        check_in_calc(run, log_file)
        check_from_desktop(run, log_file)
        check_alarms(run, log_file, rows)
        check_failures(run, log_file)
        print("report: %d rows, %d of them without the board; page, summary and German copy agree, also from "
              "the desktop; an alarm log's alarms are shaded, listed and counted" % (len(rows), sum(1 for out in left_out(rows) if out)))


if __name__ == "__main__":
    main()
