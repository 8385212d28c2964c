#!/usr/bin/env bash
# Takes a screenshot of the logger's window after its first refresh, under a private X server,
# against the simulator on loopback: docs/window-linux.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build >/dev/null
cmake --build build -j2 >/dev/null

work=$(mktemp -d)
pids=()
# The logger first, the X server last, so that nothing loses its display while it runs.
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

build/tools/boardsim/avrnetio-boardsim --host 127.0.0.1 --port 0 >"$work/sim" &
pids+=($!)
for _ in $(seq 50); do grep -q port "$work/sim" && break; sleep 0.1; done

build/avrnetio-logger --host 127.0.0.1 --port "$(awk '{print $NF}' "$work/sim")" \
  --log-file "$work/log.csv" --interval S10 &
pids+=($!)
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name Datenlogger 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
sleep 1.5  # the first cycle and its refresh
import -window "$window" docs/window-linux.png
echo "docs/window-linux.png"
