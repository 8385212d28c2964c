#!/usr/bin/env bash
# Cross-builds the 32-bit Windows program with mingw-w64, as a stripped release build ready to
# hand out, and prints its path.
# Usage: scripts/build-windows.sh [--wine]   (--wine also installs Wine for running it)
# AVRNETIO_WIN_BUILD names the build folder (default build-win), AVRNETIO_JOBS the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${AVRNETIO_WIN_BUILD:-build-win}

scripts/install-deps.sh "$@" g++-mingw-w64-i686
# libmosquitto and OpenSSL, built once per version.
deps=$(scripts/build-windows-deps.sh i686)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
  -DAVRNETIO_WERROR=ON -DAVRNETIO_WIN_DEPS="$deps"
cmake --build "$build" -j"${AVRNETIO_JOBS:-2}"
echo "$(cd "$build" && pwd)/avrnetio-logger.exe"
