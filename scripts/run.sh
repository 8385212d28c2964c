#!/usr/bin/env bash
# Installs what is missing, builds, and starts the board simulator on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j2
exec build/tools/boardsim/avrnetio-boardsim --host 127.0.0.1 --port 0
