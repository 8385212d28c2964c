#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a bounded time on a copy
# of its committed seed corpus; fails on any crash, sanitizer report or broken property.
# Usage: scripts/fuzz.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
build=build-fuzz
jobs=${JOBS:-2}
targets=(fuzz_decode_analog fuzz_decode_digital fuzz_parse_interval fuzz_format_date fuzz_log_reader)

scripts/install-deps.sh clang-14 libclang-rt-14-dev llvm-14
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DAVRNETIO_FUZZ=ON -DAVRNETIO_TESTS=OFF \
  -DAVRNETIO_WERROR=ON
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
[ -z "$symbolizer" ] && [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ] && symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"

work="$build/fuzz-runs"
rm -rf "$work"
status=0
for target in "${targets[@]}"; do
  # The run adds what it finds to this copy; the committed corpus stays as it is.
  mkdir -p "$work/$target/corpus" "$work/$target/crashes"
  cp tests/fuzz/corpus/"$target"/* "$work/$target/corpus/"
  echo "== $target: ${seconds} s"
  if ! "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/$target/crashes/" "$work/$target/corpus" \
      >"$work/$target/log" 2>&1; then
    tail -n 60 "$work/$target/log"
    echo "FAIL: $target; the input that broke it is in $work/$target/crashes/" >&2
    status=1
    continue
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added)|^Done' "$work/$target/log" || true
done
exit "$status"
