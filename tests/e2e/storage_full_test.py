#!/usr/bin/env python3
"""The log on a file system that fills up in mid-row (a small tmpfs, so root only): the logger
keeps running while rows are lost, writes again once there is room, and the file holds only
complete lines throughout. Exits 77 (skipped) without root or without the mount."""
import errno
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (HEADER, STEADY_REPLIES, STEADY_ROW, Processes, check_complete_lines, end, fail, rows_of,
                     wait_for)

SKIPPED = 77
OLD_ROW = b"01.01.2026,00:00:00" + STEADY_ROW


def skip(reason):
    print("skipped: " + reason)
    sys.exit(SKIPPED)


def old_content(page):
    """Complete rows of an earlier run that leave room in their last page for the new header,
    one row and part of the next, so that the disk fills in mid-row."""
    for count in range(page // len(OLD_ROW) + 1):
        room = page - (len(HEADER) + count * len(OLD_ROW)) % page
        if len(HEADER) + len(STEADY_ROW) + 19 < room < len(HEADER) + 2 * (len(STEADY_ROW) + 19):
            return HEADER + OLD_ROW * count
    fail("no old content fits the page size %d" % page)


def fill(path):
    descriptor = os.open(path, os.O_WRONLY | os.O_CREAT, 0o644)
    try:
        while os.write(descriptor, b"\0" * 4096) > 0:
            pass
    except OSError as error:
        if error.errno != errno.ENOSPC:
            raise
    finally:
        os.close(descriptor)


def run_full_disk(run, folder):
    page = os.statvfs(folder).f_bsize
    log_file = os.path.join(folder, "log.csv")
    old = old_content(page)
    with open(log_file, "wb") as log:
        log.write(old)
    filler = os.path.join(folder, "filler")
    fill(filler)
    if os.statvfs(folder).f_bavail != 0:
        fail("the file system still has room")

    port = run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)])
    logger = run.logger(port, log_file, "--interval", "S1")
    wait_for(lambda: len(rows_of(log_file)) > old.count(b"\n") + 1, 10, "the first row")
    time.sleep(3.2)
    if logger.poll() is not None:
        fail("the logger ended with code %d on a full disk" % logger.returncode)
    while_full = open(log_file, "rb").read()
    os.remove(filler)
    wait_for(lambda: len(rows_of(log_file)) >= while_full.count(b"\n") + 2, 5, "rows once there is room again")
    logger.send_signal(signal.SIGTERM)
    if end(logger, timeout=5) != 0:
        fail("exit code %d after SIGTERM" % logger.returncode)

    content = open(log_file, "rb").read()
    if not content.startswith(old + HEADER):
        fail("the old rows or the new header row changed: %r" % content[len(old) - 60:len(old) + len(HEADER)])
    lines = check_complete_lines(content)
    new_rows = lines[old.count(b"\n") + 1:]
    stamps = [row[11:19] for row in new_rows]
    print("full disk: %d rows, %d of them after the disk had room again; %d bytes while full; "
          "every line complete" % (len(new_rows), len(new_rows) - while_full[len(old) + len(HEADER):].count(b"\n"),
                                   len(while_full)))
    if len(set(stamps)) != len(stamps):
        fail("a row came twice: %r" % new_rows)


def main():
    if os.geteuid() != 0:
        skip("mounting a small tmpfs needs root")
    with Processes() as run:
        folder = os.path.join(run.folder, "full")
        os.mkdir(folder)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            skip("cannot mount a tmpfs: " + mounted.stderr.strip())
        try:
            run_full_disk(run, folder)
        finally:
            run.end_all()
            subprocess.run(["umount", folder], check=False)


if __name__ == "__main__":
    main()
