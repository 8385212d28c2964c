#!/usr/bin/env python3
"""The broker's TLS and password: certificates the test makes with openssl, the right CA connects
and a wrong one is refused with a message while the CSV goes on; the right password (from the
file, or from the service's credential) connects and a wrong one is refused. Wrong MQTT options
are usage errors before the board is contacted."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import LOGGER, Processes, end, fail, messages_of, rows_of, stop_boardsim, wait_for


def openssl(*arguments):
    subprocess.run(["openssl", *arguments], check=True, capture_output=True)


def make_certificates(folder):
    """A CA with a server certificate for 127.0.0.1, and a second CA that signed nothing."""
    path = lambda name: os.path.join(folder, name)
    for ca in ("ca", "wrong-ca"):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=test " + ca,
                "-keyout", path(ca + ".key"), "-out", path(ca + ".pem"))
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", path("server.key"),
            "-out", path("server.csr"))
    with open(path("san.ext"), "w") as ext:
        ext.write("subjectAltName=IP:127.0.0.1\n")
    openssl("x509", "-req", "-in", path("server.csr"), "-CA", path("ca.pem"), "-CAkey", path("ca.key"),
            "-CAcreateserial", "-days", "2", "-extfile", path("san.ext"), "-out", path("server.pem"))
    return path


def write(path, text):
    with open(path, "w") as out:
        out.write(text)
    return path


def connects(run, name, url, *options, env=None):
    board_port = run.boardsim()  # a simulator serves one logger at a time
    log_file = os.path.join(run.folder, name + ".csv")
    logger = run.logger(board_port, log_file, "--interval", "S1", "--mqtt", url, "--name", name,
                        "--ha-discovery", "off", *options, env=env)
    return logger, log_file


def main():
    with Processes() as run:
        path = make_certificates(run.folder)
        _, tls_port = run.broker("cafile " + path("ca.pem"), "certfile " + path("server.pem"),
                                 "keyfile " + path("server.key"), name="tls")
        subprocess.run(["mosquitto_passwd", "-b", "-c", path("passwords"), "logger", "s3cret word"], check=True)
        _, password_port = run.broker("password_file " + path("passwords"), name="password")
        tls_subscriber = run.subscriber(tls_port, "--cafile", path("ca.pem"))
        password_subscriber = run.subscriber(password_port, "-u", "logger", "-P", "s3cret word")

        tls_url = "mqtts://127.0.0.1:%d" % tls_port
        password_url = "mqtt://logger@127.0.0.1:%d" % password_port
        credentials = os.path.join(run.folder, "credentials")
        os.mkdir(credentials)
        write(os.path.join(credentials, "mqtt-password"), "s3cret word\n")
        loggers = {
            "right-ca": (True, connects(run, "right-ca", tls_url, "--mqtt-ca", path("ca.pem"))),
            "wrong-ca": (False, connects(run, "wrong-ca", tls_url, "--mqtt-ca",
                                         path("wrong-ca.pem"))),
            "right-password": (True, connects(run, "right-password", password_url,
                                              "--mqtt-password-file", write(path("right"), "s3cret word\r\nrest\n"))),
            "credential": (True, connects(run, "credential", password_url,
                                          env=dict(os.environ, CREDENTIALS_DIRECTORY=credentials))),
            "wrong-password": (False, connects(run, "wrong-password", password_url,
                                               "--mqtt-password-file", write(path("wrong"), "guess\n"))),
        }
        for name, (should_connect, (logger, log_file)) in loggers.items():
            subscriber = tls_subscriber if "ca" in name else password_subscriber
            availability = "avrnetio/%s/availability" % name
            if should_connect:
                wait_for(lambda: (availability, "online") in messages_of(subscriber), 10, name + " online")
            wait_for(lambda: len(rows_of(log_file)) >= 4, 10, name + ": rows go on")
            stopping = time.monotonic()
            logger.terminate()
            if end(logger) != 0:
                fail("%s: exit status %d" % (name, logger.returncode))
            # The reading under way, then at most 2 s for offline, whether the broker is there or not.
            if time.monotonic() - stopping > 4:
                fail("%s took %.1f s to end" % (name, time.monotonic() - stopping))
            said = logger.stderr.read().decode(errors="replace")
            if should_connect == ("no connection" in said) or (not should_connect and said.count("MQTT") != 1):
                fail("%s said:\n%s" % (name, said))
            published = [payload for topic, payload in messages_of(subscriber) if topic == "avrnetio/%s/state" % name]
            if should_connect != bool(published):
                fail("%s: %d state messages" % (name, len(published)))
            print("%s: %s" % (name, said.strip() or "connected, %d rows published" % len(published)))

        # Usage errors, before the board is contacted.
        sim, board_port = run.boardsim_process()
        unreadable = os.path.join(run.folder, "missing")
        for options in (["--mqtt", "http://127.0.0.1"], ["--mqtt", "mqtt://127.0.0.1:0"],
                        ["--mqtt", "mqtt://logger@127.0.0.1", "--mqtt-password-file", unreadable],
                        ["--mqtt", "mqtts://127.0.0.1", "--mqtt-ca", unreadable],
                        ["--mqtt", "mqtt://127.0.0.1", "--name", "a/b"]):
            result = subprocess.run([LOGGER, "--host", "127.0.0.1", "--port", str(board_port), "--interval", "S1",
                                     "--log-file", os.path.join(run.folder, "never.csv"), *options],
                                    capture_output=True, text=True, timeout=10)
            if result.returncode != 2 or "Usage:" not in result.stderr:
                fail("%r: exit status %d, %r" % (options, result.returncode, result.stderr))
        if stop_boardsim(sim)[0] != 0 or os.path.exists(os.path.join(run.folder, "never.csv")):
            fail("a usage error reached the board or the log")
        print("usage errors: exit status 2, board untouched")


if __name__ == "__main__":
    main()
