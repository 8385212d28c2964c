#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs
# the whole test suite there, then builds what the publishing tests need with ThreadSanitizer in
# build-tsan and runs them there; fails on any failed test and on any sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-2}
scripts/install-deps.sh --tests llvm-14
for symbolizer in "$(command -v llvm-symbolizer || true)" /usr/lib/llvm-*/bin/llvm-symbolizer; do
  if [ -x "$symbolizer" ]; then
    export ASAN_SYMBOLIZER_PATH="$symbolizer"
    break
  fi
done
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
status=0

# Runs the tests of build $1 matching $2, and fails on any report that an instrumented process
# wrote into $1/sanitizer-reports, also one whose exit code a test does not look at (the
# simulator, a logger that a test ends with a signal).
run_suite() {
  local build=$1 tests=$2 reports="$PWD/$1/sanitizer-reports"
  rm -rf "$reports"
  mkdir -p "$reports"
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$reports/asan" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan" \
    TSAN_OPTIONS="halt_on_error=1:atexit_sleep_ms=0:log_path=$reports/tsan" \
    ctest --test-dir "$build" --output-on-failure -j"$jobs" -R "$tests" || status=1
  if compgen -G "$reports/*" >/dev/null; then
    for report in "$reports"/*; do
      echo "=== $report"
      cat "$report"
    done
    echo "FAIL: sanitizer reports above" >&2
    status=1
  fi
}

cmake -S . -B build-asan -DAVRNETIO_SANITIZE=ON -DAVRNETIO_WERROR=ON
cmake --build build-asan -j"$jobs"
run_suite build-asan .

# The publishing's network thread is the program's only second thread: the logger, the simulator
# and the payload tests suffice, not a second build of everything.
cmake -S . -B build-tsan -DAVRNETIO_TSAN=ON -DAVRNETIO_WERROR=ON
cmake --build build-tsan -j"$jobs" --target avrnetio-logger avrnetio-boardsim test_payloads
run_suite build-tsan "mqtt|^Payloads\."
exit "$status"
