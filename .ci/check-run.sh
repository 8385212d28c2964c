#!/usr/bin/env bash
# Runs the README's run command as a new user would, without a display, until rows reach the
# log; fails unless the simulator and the logger started and complete rows were written.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
log="$work/run-check.csv"
pid=""
cleanup() {
  [ -n "$pid" ] && kill -TERM -- "-$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  sed 's/^/  run.sh: /' "$work/out" >&2
  exit 1
}

# The run command installs only what building and running need: it says how many packages.
installed_packages() { dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii'; }
before=$(installed_packages)

# Its own process group, so that one signal reaches the script, the simulator and the logger.
env -u DISPLAY setsid scripts/run.sh --interval S1 --log-file "$log" >"$work/out" 2>&1 &
pid=$!
# The first run installs and builds everything, which takes minutes on a fresh machine.
for _ in $(seq 1800); do
  [ -f "$log" ] && [ "$(grep -c $'\r$' "$log")" -ge 4 ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 1
done
kill -TERM -- "-$pid" 2>/dev/null || fail "run.sh ended before the log had three rows"
wait "$pid" 2>/dev/null || true
pid=""

grep -q '^Board simulator on 127\.0\.0\.1 port [0-9]' "$work/out" || fail "the simulator did not start"
grep -q '^No display: logging without a window' "$work/out" || fail "run.sh did not see the missing display"
header='Datum,Uhrzeit,Analog-Eingang Nr. 1,Analog-Eingang Nr. 2,Analog-Eingang Nr. 3,Analog-Eingang Nr. 4,Digital-Eingang Nr. 1,Digital-Eingang Nr. 2,Digital-Eingang Nr. 3,Digital-Eingang Nr. 4'
[ "$(head -n 1 "$log")" = "$header"$'\r' ] || fail "the log does not start with the header row"
row=$'^[0-9]{2}\\.[0-9]{2}\\.[0-9]{4},[0-9]{2}:[0-9]{2}:[0-9]{2}(,[-0-9.]{3,4}){4}(,[01]){4}\r$'
rows=$(tail -n +2 "$log" | grep -c -E "$row" || true)
[ "$rows" -ge 3 ] || fail "the log holds $rows complete rows, not three"
[ "$(tail -n +2 "$log" | grep -c -v -E "$row" || true)" -eq 0 ] || fail "the log holds a malformed row"
echo "run.sh: installed $(($(installed_packages) - before)) packages; the simulator and the logger started; $rows rows reached the log"
