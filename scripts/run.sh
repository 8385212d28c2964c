#!/usr/bin/env bash
# Installs what is missing, builds, starts the board simulator on loopback and the logger
# pointed at it: with its window where a display exists, otherwise headless (Ctrl+C ends it).
# Extra arguments go to the logger, e.g. --interval S1 or --log-file /tmp/test.csv.
set -euo pipefail
cd "$(dirname "$0")/.."

# The build without its tests, which need GoogleTest; scripts/test.sh turns them on in the same folder.
scripts/install-deps.sh
cmake -S . -B build -DAVRNETIO_TESTS=OFF
cmake --build build -j2

simulator_output=$(mktemp)
build/tools/boardsim/avrnetio-boardsim --host 127.0.0.1 --port 0 >"$simulator_output" &
simulator=$!
trap 'kill "$simulator" 2>/dev/null; rm -f "$simulator_output"' EXIT
for _ in $(seq 50); do
  grep -q "port" "$simulator_output" && break
  sleep 0.1
done
port=$(awk '{print $NF}' "$simulator_output")
echo "Board simulator on 127.0.0.1 port $port"

options=(--host 127.0.0.1 --port "$port")
if [ -z "${DISPLAY:-}" ]; then
  # The logger refuses an option given twice, so an interval of the caller's replaces this one.
  if [[ " $* " == *" --interval "* ]]; then
    echo "No display: logging without a window; Ctrl+C ends the logger."
  else
    echo "No display: logging without a window every 10 seconds; Ctrl+C ends the logger."
    options+=(--interval S10)
  fi
fi
build/avrnetio-logger "${options[@]}" "$@"
