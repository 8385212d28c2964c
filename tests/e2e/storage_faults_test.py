#!/usr/bin/env python3
"""The log file under faults, no display: a file size limit reached in mid-row, the file held by
another logger, a folder that is missing or cannot be written, the logger killed outright, and the
name of a new file synced with its folder (a power cut must not lose it)."""
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (HEADER, STEADY_REPLIES, STEADY_ROW, Processes, check_complete_lines, check_steady_log, end,
                     fail, rows_of, wait_for)

ROW_SIZE = 19 + len(STEADY_ROW)


def message_for(path):
    return "Problem: The output file '%s' cannot be created!" % path


def size_limit(run, port):
    """Writes beyond the limit fail (with SIGXFSZ unless ignored): the logger keeps running."""
    log_file = os.path.join(run.folder, "limited.csv")
    limit = len(HEADER) + 2 * ROW_SIZE + ROW_SIZE // 2  # the third row only fits in part
    logger = run.logger(port, log_file, "--interval", "S1",
                        preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit)))
    return lambda: finish_size_limit(logger, log_file)


def finish_size_limit(logger, log_file):
    if logger.poll() is not None:
        fail("size limit: the logger ended with %d (-%d is SIGXFSZ)" % (logger.returncode, signal.SIGXFSZ))
    logger.send_signal(signal.SIGTERM)
    if end(logger, timeout=5) != 0:
        fail("size limit: exit code %d after SIGTERM" % logger.returncode)
    rows = check_steady_log(open(log_file, "rb").read(), 2)
    if len(rows) != 2:
        fail("size limit: %d rows fit under the limit" % len(rows))
    print("size limit: the logger kept running past the limit, 2 complete rows, exit code 0")


def held_file(run, port):
    """A second logger on a file the first one holds: failure message 4, the file left alone."""
    log_file = os.path.join(run.folder, "held.csv")
    first = run.logger(port, log_file, "--interval", "S10")
    wait_for(lambda: len(rows_of(log_file)) >= 2, 10, "the first logger's first row")
    before = open(log_file, "rb").read()
    second = run.logger(port, log_file, "--interval", "S1")
    code = end(second)
    message = second.stderr.read().decode("utf-8")
    if code != 1 or message_for(log_file) not in message:
        fail("held file: code %d, %r" % (code, message))
    if open(log_file, "rb").read() != before:
        fail("held file: the second logger changed the file")
    first.send_signal(signal.SIGTERM)
    if end(first) != 0:
        fail("held file: the first logger's exit code is %d" % first.returncode)
    check_steady_log(open(log_file, "rb").read(), 1)
    print("held file: failure message with the path, exit code 1, the file untouched")


def unwritable_folders(run, port):
    """Places where no log file can be made; each gives failure message 4 and exit code 1."""
    cases = [("missing folder", os.path.join(run.folder, "missing", "log.csv")),
             ("a folder, not a file", run.folder),
             ("under /proc", "/proc/avrnetio-log.csv")]
    locked = os.path.join(run.folder, "locked")
    os.mkdir(locked)
    if os.geteuid() != 0:
        os.chmod(locked, 0o555)
        cases.append(("folder without write permission", os.path.join(locked, "log.csv")))
    elif subprocess.run(["mount", "-t", "tmpfs", "-o", "ro,size=4k", "tmpfs", locked],
                        capture_output=True).returncode == 0:
        # Root writes into a folder whatever its mode; a read-only mount stops it.
        cases.append(("read-only folder", os.path.join(locked, "log.csv")))
    else:
        print("read-only folder: skipped (root, and no read-only mount to be had)")
    try:
        for name, path in cases:
            logger = run.logger(port, path, "--interval", "S1")
            code = end(logger)
            message = logger.stderr.read().decode("utf-8")
            if code != 1 or message_for(path) not in message:
                fail("%s: code %d, %r" % (name, code, message))
            if os.path.isfile(path):
                fail("%s: a log file was made" % name)
        print("unwritable places: failure message and exit code 1 for " + ", ".join(name for name, _ in cases))
    finally:
        if os.path.ismount(locked):
            subprocess.run(["umount", locked], check=False)


def killed(run, port, rows_wanted=3):
    """SIGKILL after some rows: every row already on disk is complete, the header intact."""
    log_file = os.path.join(run.folder, "killed.csv")
    logger = run.logger(port, log_file, "--interval", "S1")
    wait_for(lambda: len(rows_of(log_file)) >= 1 + rows_wanted, 10, "%d rows" % rows_wanted)
    logger.send_signal(signal.SIGKILL)
    logger.wait(timeout=5)
    content = open(log_file, "rb").read()
    check_complete_lines(content)
    rows = check_steady_log(content, rows_wanted)
    print("killed: %d complete rows and the header on disk after SIGKILL" % len(rows))


def file_calls(run, port, log_file):
    """The logger under strace until its first row: the opens and syncs of the log file and of its
    folder, in order, as ("file" or "folder", "open" or "sync")."""
    trace = log_file + ".trace"
    lines_before = len(rows_of(log_file))
    # LeakSanitizer cannot stop a traced process at its end: no leak check under strace.
    leaks_off = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "detect_leaks=0"]))
    tracer = run.logger(port, log_file, "--interval", "S1", env=dict(os.environ, ASAN_OPTIONS=leaks_off),
                        wrapper=("strace", "-f", "-s", "4096", "-e", "trace=openat,fsync,fdatasync", "-o", trace))
    wait_for(lambda: len(rows_of(log_file)) >= lines_before + 2, 10, "the traced logger's first row")
    # strace passes a signal on only to a traced process that gets it itself.
    os.kill(int(open(trace).readline().split()[0]), signal.SIGTERM)
    if end(tracer) != 0:
        fail("traced logger: exit code %d" % tracer.returncode)
    names, calls = {}, []
    for line in open(trace):
        opened = re.match(r'\d+ +openat\(AT_FDCWD, "([^"]*)", .*\) = (\d+)$', line)
        if opened and opened.group(1) in (log_file, os.path.dirname(log_file)):
            names[opened.group(2)] = "file" if opened.group(1) == log_file else "folder"
            calls.append((names[opened.group(2)], "open"))
        synced = re.match(r"\d+ +f(?:data)?sync\((\d+)\) += 0$", line)
        if synced and synced.group(1) in names:
            calls.append((names[synced.group(1)], "sync"))
    return calls


def synced_folder(run, port):
    """A new log file's folder is synced after the file is made and before its first row is
    synced and announced; an existing file's folder is left alone."""
    if shutil.which("strace") is None:
        fail("no strace: scripts/install-deps.sh --tests installs it")
    log_file = os.path.join(run.folder, "synced", "new.csv")
    os.mkdir(os.path.dirname(log_file))
    calls = file_calls(run, port, log_file)
    if calls[:4] != [("file", "open"), ("folder", "open"), ("folder", "sync"), ("file", "sync")]:
        fail("new file: opens and syncs %r" % calls)
    calls = file_calls(run, port, log_file)
    if ("folder", "sync") in calls or calls[:2] != [("file", "open"), ("file", "sync")]:
        fail("existing file: opens and syncs %r" % calls)
    print("synced folder: after a new file is made and before its first row, not for an existing file")


def main():
    with Processes() as run:
        ports = [run.boardsim(*[arg for reply in STEADY_REPLIES for arg in ("--reply", reply)]) for _ in range(3)]
        started = time.monotonic()
        # The slow cases run side by side, each with its own simulator.
        finish = size_limit(run, ports[0])
        held_file(run, ports[1])
        unwritable_folders(run, ports[1])
        killed(run, ports[2])
        synced_folder(run, ports[2])
        time.sleep(max(0.0, 4.5 - (time.monotonic() - started)))
        finish()


if __name__ == "__main__":
    main()
