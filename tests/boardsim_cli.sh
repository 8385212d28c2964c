#!/bin/bash
# Runs the simulator program on a free loopback port, asks it for one analog reading over a plain
# TCP connection, checks the reply's form and that SIGTERM ends the program cleanly.
set -u
sim="$1"
output=$(mktemp)
"$sim" --port 0 >"$output" &
pid=$!
trap 'kill -KILL "$pid" 2>/dev/null; rm -f "$output"' EXIT

fail() {
    echo "boardsim_cli: $*" >&2
    exit 1
}

line=""
for _ in $(seq 50); do
    line=$(head -n 1 "$output")
    [ -n "$line" ] && break
    sleep 0.1
done
[[ $line =~ ^avrnetio-boardsim\ listening\ on\ 127\.0\.0\.1\ port\ ([0-9]+)$ ]] ||
    fail "no port line: '$line'"
port=${BASH_REMATCH[1]}

exec 3<>"/dev/tcp/127.0.0.1/$port" || fail "cannot connect to port $port"
# The command ends in backslash, r, backslash, n as four characters.
printf '%s' 'GETADC 1 \r\n' >&3
# One read, as the logger does it.
reply=$(timeout 5 dd bs=100 count=1 <&3 2>/dev/null | od -An -v -tx1 | tr -d ' \n')
exec 3<&-
[[ $reply =~ ^(3[0-9]){1,4}0d0a$ ]] || fail "reply is not digits and CR LF: $reply"
value=$(sed -e 's/0d0a$//' -e 's/3\([0-9]\)/\1/g' <<<"$reply")
((10#$value <= 1023)) || fail "reading $value out of range"

kill -TERM "$pid"
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running after SIGTERM"
wait "$pid" || fail "exit code $? after SIGTERM"
exit 0
