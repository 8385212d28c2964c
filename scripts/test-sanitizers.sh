#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs
# the whole test suite there; fails on any failed test and on any sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-asan
jobs=${JOBS:-2}
scripts/install-deps.sh --tests llvm-14
cmake -S . -B "$build" -DAVRNETIO_SANITIZE=ON -DAVRNETIO_WERROR=ON
cmake --build "$build" -j"$jobs"

# Every instrumented process writes its report into this folder, also those whose exit code a
# test does not look at (the simulator, a logger that a test ends with a signal).
reports="$PWD/$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
for symbolizer in "$(command -v llvm-symbolizer || true)" /usr/lib/llvm-*/bin/llvm-symbolizer; do
  if [ -x "$symbolizer" ]; then
    export ASAN_SYMBOLIZER_PATH="$symbolizer"
    break
  fi
done

status=0
ctest --test-dir "$build" --output-on-failure -j"$jobs" || status=$?

if compgen -G "$reports/*" >/dev/null; then
  for report in "$reports"/*; do
    echo "=== $report"
    cat "$report"
  done
  echo "FAIL: sanitizer reports above" >&2
  status=1
fi
exit "$status"
