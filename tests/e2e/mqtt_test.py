#!/usr/bin/env python3
"""Every row published to a real mosquitto broker: the discovery configs, one rows message per CSV
row with an absent board as away and null, and the newest alone on the state topic; a broker
stopped for 20 s that the logger waits out without losing a row or its pace, and after which the
state topic gets no backlog; offline at SIGTERM and through the Last Will at SIGKILL; two loggers of
one name, of which one publishes, and --forget; then one table of misbehaving servers, all at once,
which the logger outlasts at its pace, ending in 3 s."""
import fcntl
import json
import os
import random
import re
import signal
import socket
import subprocess
import sys
import threading
import time
from datetime import datetime

sys.path.insert(0, os.path.dirname(__file__))
from harness import (PATIENCE, STEADY_REPLIES, Processes, arrivals, end, fail, messages_of, retained, rows_of,
                     stamp_seconds, unused_port, wait_for)
from mqtt_security_test import make_certificates

NAME = "cellar"
STATE = "avrnetio/%s/state" % NAME
ROWS = "avrnetio/%s/rows" % NAME
AVAILABILITY = "avrnetio/%s/availability" % NAME
TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$")
BOARD_REPLIES = [arg for reply in STEADY_REPLIES for arg in ("--reply", reply)]


def states(path, topic=ROWS):
    """The rows (or state) messages; QoS 1 may deliver the one in flight when the broker went twice."""
    found = [payload for _, payload in messages_of(path, topic)]
    return [json.loads(payload) for i, payload in enumerate(found) if i == 0 or payload != found[i - 1]]


def moment(state):
    return datetime.fromisoformat(state["time"]).timestamp()


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
        fail("%d rows in the CSV, %d rows messages" % (len(rows), len(published)))
    check_rows_published(rows, published)
    # The state topic: some of the rows, in order, ending with the last.
    shown = states(subscriber, STATE)
    if not shown or shown[-1] != published[-1] or any(state not in published for state in shown) or \
            [published.index(state) for state in shown] != sorted(published.index(state) for state in shown):
        fail("the states %r are not the newest rows in order" % [state["time"] for state in shown])
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
            if config["unique_id"] != "avrnetio_%s_%s%d" % (NAME, kind, input) or \
                    config["availability_mode"] != "all" or config["expire_after"] != 30 or "rows" in str(config):
                fail("config %r" % config)
    if retained(broker_port, AVAILABILITY, 1) != {AVAILABILITY: "offline"}:
        fail("offline is not retained")
    print("board off and on: %d rows published one for one, %d away, %d of them as the state; offline %.1f s "
          "after SIGTERM" % (len(rows), sum(state["board"] == "away" for state in published), len(shown),
                              time.monotonic() - started))


def broker_stopped(run):
    """The broker goes for 20 s: the CSV keeps its pace, the rows of the gap follow in order on the
    rows topic, and the state topic gets at most the newest of them, with no burst."""
    broker, broker_port = run.broker(name="restarted")
    subscriber = run.subscriber(broker_port, stamped=True)
    board_port = run.boardsim(*BOARD_REPLIES)
    log_file = os.path.join(run.folder, "broker.csv")
    logger = run.logger(board_port, log_file, "--interval", "S1", "--mqtt", "mqtt://127.0.0.1:%d" % broker_port,
                        "--name", NAME, "--ha-discovery", "off")
    states = lambda topic: [json.loads(payload) for _, payload in arrivals(subscriber, topic)]
    wait_for(lambda: len(states(STATE)) >= 2, PATIENCE, "two state messages")
    broker.send_signal(signal.SIGTERM)
    broker.wait(timeout=5)
    stopped = time.time()
    rows_before = len(rows_of(log_file))
    time.sleep(20)
    gap_rows = len(rows_of(log_file)) - rows_before
    run.broker(port=broker_port, name="restarted")
    restarted_at = time.time()
    restarted = time.monotonic()
    wait_for(lambda: len(unique(states(ROWS))) >= len(rows_of(log_file)) - 1 and
             [payload for _, payload in arrivals(subscriber, AVAILABILITY)][-1:] == ["online"], 45,
             "the rows of the gap and online again")
    back_after = time.monotonic() - restarted
    logger.send_signal(signal.SIGKILL)
    logger.wait()
    wait_for(lambda: [payload for _, payload in arrivals(subscriber, AVAILABILITY)][-1:] == ["offline"], 45,
             "offline through the Last Will")

    rows = rows_of(log_file)[1:]
    published = unique(states(ROWS))
    if not 0 <= len(rows) - len(published) <= 1:
        fail("%d rows in the CSV, %d rows messages" % (len(rows), len(published)))
    check_rows_published(rows, published)
    # Home Assistant stamps a state when it comes: of the outage's rows, the newest alone, once.
    of_the_gap = [state["time"] for state in states(STATE) if stopped + 1 < moment(state) < restarted_at - 1]
    if len(of_the_gap) > 1:
        fail("the state topic got %d rows of the outage: %r" % (len(of_the_gap), of_the_gap))
    per_second = {}
    for arrived, _ in arrivals(subscriber, STATE):
        per_second[int(arrived)] = per_second.get(int(arrived), 0) + 1
    if max(per_second.values()) > 2:
        fail("a burst of states: %r" % sorted(per_second.items()))
    steps = [later - earlier for earlier, later in zip(map(stamp_seconds, rows), map(stamp_seconds, rows[1:]))]
    if any(step not in (1, 2) for step in steps) or steps.count(2) > 2:
        fail("rows are not one second apart: %r" % steps)
    said = logger.stderr.read().decode(errors="replace")
    if said.count("no connection to the broker") != 1 or said.count("again") != 1:
        fail("the outage was not said once and the recovery once:\n" + said)
    print("broker stopped for 20 s: %d rows during the gap, all %d rows published in order %.1f s after the "
          "restart, %d of them as the state, at most %d states a second; Last Will offline"
          % (gap_rows, len(published), back_after, len(of_the_gap), max(per_second.values())))


def unique(found):
    """Each message once, at its first arrival: QoS 1 delivers again what was in flight when a
    connection ended, which may be several messages. Every row has a time of its own."""
    seen = []
    for state in found:
        if state not in seen:
            seen.append(state)
    return seen


def two_of_one_name(run):
    """Two loggers of one name at one broker: the second says why it stands aside and publishes
    nothing; when the first ends, the second takes the name; --forget then leaves nothing retained."""
    _, broker_port = run.broker(name="twins")
    subscriber = run.subscriber(broker_port)
    url, rows_topic = "mqtt://127.0.0.1:%d" % broker_port, "avrnetio/twin/rows"
    logs = [os.path.join(run.folder, "twin%d.csv" % number) for number in (1, 2)]
    errors = [os.path.join(run.folder, "twin%d.err" % number) for number in (1, 2)]
    said = lambda number: open(errors[number]).read()
    start = lambda number: run.logger(run.boardsim(*BOARD_REPLIES), logs[number], "--interval", "S1", "--mqtt", url,
                                      "--name", "twin", stderr=open(errors[number], "w"))
    first = start(0)
    wait_for(lambda: len(messages_of(subscriber, rows_topic)) >= 2, PATIENCE, "rows of the first")
    second = start(1)
    wait_for(lambda: "another logger of this name is online" in said(1), PATIENCE, "the second standing aside")
    wait_for(lambda: len(rows_of(logs[1])) >= 8, PATIENCE, "rows of the second")
    published, first_rows = len(unique(messages_of(subscriber, rows_topic))), len(rows_of(logs[0])) - 1
    if published > first_rows:
        fail("%d rows messages, %d rows of the first: the second published too\n%s" % (published, first_rows, said(1)))
    if said(0):
        fail("the first said:\n" + said(0))

    first.send_signal(signal.SIGTERM)
    if end(first, timeout=5) != 0:
        fail("the first's exit status %d" % first.returncode)
    first_rows = len(rows_of(logs[0])) - 1
    wait_for(lambda: "is gone: this one publishes" in said(1) and
             len(unique(messages_of(subscriber, rows_topic))) >= first_rows + 3, PATIENCE, "the second taking the name")
    owner = retained(broker_port, "avrnetio/twin/owner", 1)
    availability = retained(broker_port, "avrnetio/twin/availability", 1)
    if not owner.get("avrnetio/twin/owner", "").startswith("avrnetio-twin-") or \
            availability != {"avrnetio/twin/availability": "online"}:
        fail("after the first ended: owner %r, availability %r" % (owner, availability))
    second.send_signal(signal.SIGTERM)
    if end(second, timeout=5) != 0:
        fail("the second's exit status %d" % second.returncode)

    forget = run.logger(unused_port(), logs[0], "--forget", "--mqtt", url, "--name", "twin", stdout=subprocess.PIPE)
    if end(forget, timeout=PATIENCE) != 0:
        fail("--forget: exit status %d: %s" % (forget.returncode, forget.stderr.read().decode()))
    removed = forget.stdout.read().decode()
    left = {topic: payload for topic, payload in retained(broker_port, "#", 20).items() if "twin" in topic}
    if left or "homeassistant/binary_sensor/twin/digital4/config" not in removed:
        fail("--forget left %r and said:\n%s" % (left, removed))
    print("two loggers of one name: the second stood aside while the first published, took the name when it "
          "ended; --forget removed %d retained topics" % removed.count("\n  "))


class Server:
    """A server on a loopback port in front of the broker at broker_port, in the mode the test sets
    for the next connection: bytes answer CONNECT with them, "away" closes at once, "drop" relays
    CONNECT and CONNACK and closes, "freeze" relays them and then nothing, "stall" relays everything
    until the test stalls it and then only what the logger sends, "forward" relays everything."""

    def __init__(self, broker_port, mode):
        self.broker_port, self.mode, self.connections = broker_port, mode, 0
        self.stalled = False
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            client = self.listener.accept()[0]
            self.connections += 1
            threading.Thread(target=self.serve, args=(client, self.mode), daemon=True).start()

    def serve(self, client, mode):
        with client, socket.socket() as broker:
            if mode == "away":
                return
            connect = client.recv(65536)
            if isinstance(mode, bytes):
                client.sendall(mode)
            else:
                broker.connect(("127.0.0.1", self.broker_port))
                broker.sendall(connect)
                client.sendall(broker.recv(4))
                if mode == "drop":
                    return
                if mode != "freeze":
                    until = (lambda: self.stalled) if mode == "stall" else (lambda: False)
                    threading.Thread(target=relay, args=(broker, client, until), daemon=True).start()
            # Until the logger gives up; what it sends goes on only where the mode says.
            relay(client, broker if mode in ("stall", "forward") else None)


def relay(source, target, stalled=lambda: False):
    try:
        while data := source.recv(65536):
            if target and not stalled():
                target.sendall(data)
    except OSError:
        pass


def stalled_pipe():
    """The write end of a full pipe that nobody reads: every write to it blocks."""
    read_end, write_end = os.pipe()
    fcntl.fcntl(write_end, fcntl.F_SETPIPE_SZ, 4096)
    os.set_blocking(write_end, False)
    try:
        while True:
            os.write(write_end, b"x" * 4096)
    except BlockingIOError:
        os.set_blocking(write_end, True)
    return write_end


GARBAGE = bytes(random.Random(21).randrange(256) for _ in range(64))
QUEUE_LIMIT = 5
SWITCH = 15
# What answers the logger for the first 15 s and after the switch: a mode of Server, "tls" a TLS
# broker killed and restarted at the switch, "resolver" a private network whose name server never
# answers. The server that drops the client runs the logger with a queue of 5.
MISBEHAVING = [
    ("malformed CONNACK", b"\x20\x03\x00\x00\x00", "forward"),
    ("unknown packet", b"\xf0\x00", "forward"),
    ("bad remaining length", b"\x20\xff\xff\xff\xff\x01", "forward"),
    ("random bytes", GARBAGE, "forward"),
    ("drops the client after each connect", "drop", "forward"),
    ("frozen after CONNACK", "freeze", "forward"),
    ("TLS broker killed", "tls", "tls"),
    ("stalled link at the end", "away", "stall"),
    ("stalled standard error", "away", "away"),
    ("silent name server", "resolver", "resolver"),
]


def misbehaving_servers(run):
    """Each row of the table with its own logger, all at once: the misbehaviour, the switch, the
    rows through, SIGTERM for all; the CSV keeps its pace throughout."""
    _, broker_port = run.broker(name="misbehaving")
    subscriber = run.subscriber(broker_port)
    path = make_certificates(run.folder)
    tls_settings = ("cafile " + path("ca.pem"), "certfile " + path("server.pem"), "keyfile " + path("server.key"))
    tls_broker, tls_port = run.broker(*tls_settings, name="tls")
    tls_subscriber = run.subscriber(tls_port, "--cafile", path("ca.pem"))
    started = time.monotonic()
    cases = []
    for number, (what, before, after) in enumerate(MISBEHAVING):
        name = "misbehaving%d" % number
        case = dict(what=what, before=before, after=after, name=name, seen=[subscriber],
                    log=os.path.join(run.folder, name + ".csv"), err=os.path.join(run.folder, name + ".err"))
        cases.append(case)
        if before == "resolver":
            case["logger"] = run.start(["unshare", "--net", sys.executable, os.path.abspath(__file__),
                                        "--private-network"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                       text=True)
            continue
        options = ["--mqtt", "mqtt://127.0.0.1:%d" % tls_port]
        if before == "tls":
            options = ["--mqtt", "mqtts://127.0.0.1:%d" % tls_port, "--mqtt-ca", path("ca.pem")]
            case["seen"] = [tls_subscriber]
        else:
            case["server"] = Server(broker_port, before)
            options[1] = "mqtt://127.0.0.1:%d" % case["server"].port
        env = dict(os.environ, AVRNETIO_MQTT_QUEUE_LIMIT=str(QUEUE_LIMIT)) if before == "drop" else None
        stderr = stalled_pipe() if what == "stalled standard error" else open(case["err"], "w")
        case["logger"] = run.logger(run.boardsim(*BOARD_REPLIES), case["log"], "--interval", "S1", "--name",
                                    case["name"], "--ha-discovery", "off", *options, env=env, stderr=stderr)
    said = lambda case: open(case["err"]).read() if os.path.exists(case["err"]) else ""
    dropped = lambda case: int((re.findall(r"(\d+) rows were dropped", said(case)) or [0])[-1])
    published = lambda case: list(dict.fromkeys(payload for seen in case["seen"] for _, payload in
                                                messages_of(seen, "avrnetio/%s/rows" % case["name"])))
    time.sleep(3)
    memory_at_start = resident_kib(cases[4]["logger"].pid)
    time.sleep(started + SWITCH - time.monotonic())

    for case in cases:
        server, before = case.get("server"), case["before"]
        if isinstance(before, bytes) and server.connections < 2:
            fail("%s: the logger gave up after %d connection" % (case["what"], server.connections))
        if before == "drop" and not 2 <= server.connections <= 5:
            fail("%s: %d connections in %d s" % (case["what"], server.connections, SWITCH))
        if before == "freeze" and "stopped answering" not in said(case):
            fail("%s: not said within %d s:\n%s" % (case["what"], SWITCH, said(case)))
        if before == "tls":
            if len(published(case)) < 2:
                fail("%s: no rows before the kill" % case["what"])
            tls_broker.kill()
            tls_broker.wait()
            run.broker(*tls_settings, port=tls_port, name="tls")
            # The subscriber, a client of the same library, gave up with the broker.
            case["seen"].append(run.subscriber(tls_port, "--cafile", path("ca.pem")))
        if server:
            case["connections"] = server.connections
            server.mode = case["after"]

    def through(case):
        if case["after"] in ("forward", "tls"):
            return " again; " in said(case) and len(published(case)) >= len(rows_of(case["log"])) - 2 - dropped(case)
        # A stalled link is stalled once the logger holds the name on it, and has said online.
        return case["after"] != "stall" or case["server"].connections > case["connections"] and published(case)
    wait_for(lambda: all(map(through, cases)), 40, "the rows through after the switch")
    memory_at_end = resident_kib(cases[4]["logger"].pid)
    stopping = time.monotonic()
    for case in cases:
        if case["after"] == "stall":
            case["server"].stalled = True
    for case in cases[:-1]:
        case["logger"].send_signal(signal.SIGTERM)
    for case in cases[:-1]:
        if end(case["logger"], timeout=max(0.1, stopping + 3 - time.monotonic())) != 0:
            fail("%s: exit status %d" % (case["what"], case["logger"].returncode))
    ended = time.monotonic() - stopping
    private = cases[-1]["logger"].communicate(timeout=30)[0]
    if cases[-1]["logger"].returncode != 0:
        fail("%s:\n%s" % (cases[-1]["what"], private))

    for case in cases[:-1]:
        # A stamp near a second's edge may fall either side of it (the wall clock is read coarsely),
        # so the pace is the span, with no gap between rows.
        rows = rows_of(case["log"])[1:]
        stamps = list(map(stamp_seconds, rows))
        if any(later - earlier > 2 for earlier, later in zip(stamps, stamps[1:])) or \
                stamps[-1] - stamps[0] > (len(rows) - 1) * 1.1 + 2:
            fail("%s: rows are not one second apart: %r" % (case["what"], [row[11:19] for row in rows]))
        # Each line once in each outage: a full queue after the recovery, while the name is taken
        # or at the end, is said again.
        outages = re.split(r"\n(?=MQTT: connected to the broker at .* again; )", said(case))
        if any(len(set(lines)) != len(lines) for lines in map(str.splitlines, outages)) or \
                any(not line.startswith("MQTT: ") for line in said(case).splitlines()):
            fail("%s said:\n%s" % (case["what"], said(case)))
        # By the message or, where it was not confirmed, by the will once the broker sees the end.
        availability = "avrnetio/%s/availability" % case["name"]
        tls = ["--cafile", path("ca.pem")] if case["before"] == "tls" else []
        if case["after"] != "away":
            wait_for(lambda: retained(tls_port if tls else broker_port, availability, 1, *tls) ==
                     {availability: "offline"}, 10, case["what"] + ": offline retained at the end")
        if case["after"] in ("forward", "tls"):
            states = [json.loads(payload) for payload in published(case)]
            times = [state["time"] for state in states]
            if sorted(times) != times or len(states) != len(rows) - dropped(case):
                fail("%s: %d rows, %d dropped, %d published" % (case["what"], len(rows), dropped(case), len(states)))
            check_rows_published([row for row in rows if row[:19].decode() in {stamp(state) for state in states}],
                                 states)
    drops = cases[4]
    if dropped(drops) <= QUEUE_LIMIT or "from now on the oldest row" not in said(drops):
        fail("%s: the drops not said:\n%s" % (drops["what"], said(drops)))
    if memory_at_end > memory_at_start + 512:
        fail("%s: %d KiB resident, %d at the start" % (drops["what"], memory_at_end, memory_at_start))
    print("misbehaving servers: %d loggers outlasted them at their pace and ended %.1f s after SIGTERM, %d rows of "
          "%d dropped with a queue of %d (%d KiB resident at 3 s, %d at the end); %s"
          % (len(cases), ended, dropped(drops), len(rows_of(drops["log"])) - 1, QUEUE_LIMIT, memory_at_start,
             memory_at_end, private.strip()))


def stamp(state):
    """The CSV's date and time of a state message's time."""
    day = state["time"][:10].split("-")
    return "%s.%s.%s,%s" % (day[2], day[1], day[0], state["time"][11:19])


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        return int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))


def name_servers():
    """The name servers that /etc/resolv.conf names; the resolver asks 127.0.0.1 without any."""
    try:
        with open("/etc/resolv.conf") as conf:
            found = [line.split()[1] for line in conf if line.split()[:1] == ["nameserver"] and len(line.split()) > 1]
    except OSError:
        found = []
    return found or ["127.0.0.1"]


def private_network():
    """In a network namespace of its own (unshare -n) where every name server the machine names
    is an address of loopback with a socket that never answers, so that no query can reach a
    real one: the first row comes at once, the end within 3 s."""
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    with Processes() as run:
        silent = []
        for address in name_servers():
            family = socket.AF_INET6 if ":" in address else socket.AF_INET
            if address != "::1" and not address.startswith("127."):
                subprocess.run(["ip", "addr", "add", address + ("/128" if ":" in address else "/32"), "dev", "lo"],
                               check=True)
            silent.append(socket.socket(family, socket.SOCK_DGRAM))
            silent[-1].bind((address, 53))
        log_file = os.path.join(run.folder, "private.csv")
        started = time.monotonic()
        logger = run.logger(run.boardsim(), log_file, "--interval", "S1", "--mqtt", "mqtt://broker.test",
                            "--name", "private", stderr=subprocess.DEVNULL)
        wait_for(lambda: len(rows_of(log_file)) >= 2, 3, "the first row")
        first = time.monotonic() - started
        wait_for(lambda: len(rows_of(log_file)) >= 6, 10, "five rows")
        stopping = time.monotonic()
        logger.send_signal(signal.SIGTERM)
        if end(logger, timeout=3) != 0:
            fail("exit status %d" % logger.returncode)
        print("the name server silent: the first row after %.1f s, the end %.1f s after SIGTERM"
              % (first, time.monotonic() - stopping))


def main():
    if sys.argv[1:] == ["--private-network"]:
        return private_network()
    with Processes() as run:
        board_off_and_on(run)
    with Processes() as run:
        broker_stopped(run)
    with Processes() as run:
        two_of_one_name(run)
    with Processes() as run:
        misbehaving_servers(run)


if __name__ == "__main__":
    main()
