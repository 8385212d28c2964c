#!/usr/bin/env python3
"""Measures avrnetio-report on a generated log of one-second rows (several runs, stretches without
the board, a row cut short by a crash) and prints a Markdown table: the time of
`avrnetio-report --summary` beside the time of `wc -l` on the same file, their ratio, the
throughput and the peak resident memory. Both run with a warm cache; each time is the best of
several runs. The log has the voltage form of every input, as without a settings file; with
--quantity three inputs are in the quantity form instead (a temperature, a pressure and a
counter, with units, their own decimals and empty fields while the board is away), which the
report reads field by field.
Usage: tools/bench/report_bench.py [ROWS] [--log PATH] [--quantity]   (default 10000000 rows
into /tmp/avrnetio-bench.csv, or /tmp/avrnetio-bench-quantity.csv, kept for the next run; needs
a build in build/ and GNU time)"""
import argparse
import datetime
import math
import os
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
REPORT = os.path.join(os.environ.get("AVRNETIO_BUILD", os.path.join(ROOT, "build")), "avrnetio-report")
HEADER = ("Datum,Uhrzeit,Analog-Eingang Nr. 1,Analog-Eingang Nr. 2,Analog-Eingang Nr. 3,Analog-Eingang Nr. 4,"
          "Digital-Eingang Nr. 1,Digital-Eingang Nr. 2,Digital-Eingang Nr. 3,Digital-Eingang Nr. 4\r\n")
QUANTITY_HEADER = ("Datum,Uhrzeit,Keller [\xb0C],Druck [hPa],Z\xe4hler [kWh],Analog-Eingang Nr. 4,"
                   "Digital-Eingang Nr. 1,Digital-Eingang Nr. 2,Digital-Eingang Nr. 3,Digital-Eingang Nr. 4\r\n")
AWAY = "-0.0,-0.0,-0.0,-0.0,1,1,1,1"
QUANTITY_AWAY = ",,,-0.0,1,1,1,1"
DAY = 86400
FIRST_DAY = datetime.date(2026, 1, 1)
RUNS = 4
REPEATS = 5


def analog_text(volts):
    """The logger's four characters of a three-decimal value; a reading of 0 shows as -0.0."""
    return "-0.0" if round(volts * 1000) == 0 else ("%.3f" % volts)[:4]


def day_values(quantity):
    """One day of readings: slow waves on the analog inputs, switching digital inputs."""
    values = []
    for second in range(DAY):
        phase = second / DAY * 2 * math.pi
        analog = [2.5 + 2.0 * math.sin(phase * 3), 1.2 + 0.4 * math.cos(phase * 7), 4.0 - second / DAY,
                  0.05 * (second % 20)]
        texts = list(map(analog_text, analog))
        if quantity:
            texts[:3] = ["%.1f" % (4.0 + 12.0 * math.sin(phase)), "%.2f" % (1013.25 + 9.5 * math.cos(phase * 2)),
                         "%d" % (104_000 + second * 3)]
        digital = [second // 3600 % 2, second // 600 % 2, 1 if second % 7200 < 60 else 0, 0]
        values.append(",".join(texts) + "," + ",".join(map(str, digital)))
    return values


def generate(path, rows, quantity=False):
    times = ["%02d:%02d:%02d" % (s // 3600, s // 60 % 60, s % 60) for s in range(DAY)]
    values = day_values(quantity)
    header, away = (QUANTITY_HEADER, QUANTITY_AWAY) if quantity else (HEADER, AWAY)
    run_length = rows // RUNS
    written = 0
    day = 0
    with open(path, "w", newline="", encoding="latin-1") as log:
        while written < rows:
            # Each run starts a day later, at midnight; a crash cut the last row of the third run.
            if written % run_length == 0 and written // run_length < RUNS:
                if written // run_length == RUNS - 1:
                    log.write("07.12.2026,12:00:00,2.5")
                log.write(header)
            date = (FIRST_DAY + datetime.timedelta(days=day)).strftime("%d.%m.%Y")
            count = min(DAY, rows - written, run_length - written % run_length)
            # A quarter of an hour without the board every day.
            lines = [date + "," + times[s] + "," + (away if 7200 <= s < 8100 else values[s]) + "\r\n"
                     for s in range(count)]
            log.write("".join(lines))
            written += count
            day += 1


def best_time(command, **options):
    """The best wall-clock time of REPEATS runs, after one run that warms the cache."""
    best = math.inf
    for attempt in range(REPEATS + 1):
        started = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, check=True, **options)
        if attempt > 0:
            best = min(best, time.perf_counter() - started)
    return best


def peak_resident_kib(command):
    """Through GNU time: a child of this script would count the script's own memory, which it
    shares until the program starts."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *command], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=True)
    return int(result.stderr.split()[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("rows", nargs="?", type=int, default=10_000_000)
    parser.add_argument("--log")
    parser.add_argument("--quantity", action="store_true", help="three inputs in the quantity form")
    arguments = parser.parse_args()
    if arguments.log is None:
        arguments.log = "/tmp/avrnetio-bench-quantity.csv" if arguments.quantity else "/tmp/avrnetio-bench.csv"
    if not os.access(REPORT, os.X_OK):
        raise SystemExit("no %s: build first" % REPORT)
    if not os.access("/usr/bin/time", os.X_OK):
        raise SystemExit("the peak memory needs GNU time: apt-get install time")
    marker = arguments.log + ".rows"
    kind = str(arguments.rows) + (" quantity" if arguments.quantity else "")
    if not (os.path.exists(arguments.log) and os.path.exists(marker) and open(marker).read() == kind):
        started = time.monotonic()
        generate(arguments.log, arguments.rows, arguments.quantity)
        with open(marker, "w") as rows:
            rows.write(kind)
        print("generated %s in %.0f s" % (arguments.log, time.monotonic() - started), file=sys.stderr)

    size_mb = os.path.getsize(arguments.log) / 1e6
    environment = dict(os.environ, LC_ALL="C")
    wc = best_time(["wc", "-l", arguments.log], env=environment)
    report = best_time([REPORT, "--summary", arguments.log])
    resident = peak_resident_kib([REPORT, "--summary", arguments.log])
    print("| measure (%s rows, %.0f MB, %d runs%s) | value |" % (format(arguments.rows, ","), size_mb, RUNS,
                                                             ", quantity form" if arguments.quantity else ""))
    print("|---|---|")
    print("| `wc -l`, best of %d | %.3f s |" % (REPEATS, wc))
    print("| `avrnetio-report --summary`, best of %d | %.3f s |" % (REPEATS, report))
    print("| ratio to `wc -l` | %.2f |" % (report / wc))
    print("| throughput | %.0f MB/s (%.1f million rows/s) |" % (size_mb / report, arguments.rows / report / 1e6))
    print("| peak resident memory | %.1f MiB |" % (resident / 1024))


if __name__ == "__main__":
    main()
