#!/usr/bin/env bash
# Runs every test: installs what is missing, builds with warnings as errors and runs the CTest
# suite (unit and end-to-end tests), then the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded fuzzing run, and the Windows program under Wine.
# Usage: scripts/test.sh [--quick]   (--quick: the CTest suite alone)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build -DAVRNETIO_TESTS=ON -DAVRNETIO_WERROR=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
[ "${1:-}" = "--quick" ] && exit 0

scripts/test-sanitizers.sh
scripts/fuzz.sh 20
scripts/test-windows.sh
echo "all test stages passed"
