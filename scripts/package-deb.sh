#!/usr/bin/env bash
# Builds the Debian package of the logger from a release build and prints its path:
# build-deb/avrnetio-logger_<version>_<architecture>.deb. Needs no test programs.
# AVRNETIO_JOBS sets the parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

# dpkg-shlibdeps (dpkg-dev) and file compute the package's dependencies on shared libraries.
scripts/install-deps.sh dpkg-dev file
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DAVRNETIO_TESTS=OFF
cmake --build build-deb -j"${AVRNETIO_JOBS:-2}"
rm -f build-deb/avrnetio-logger_*.deb
(cd build-deb && cpack -G DEB >/dev/null)
package=$(ls build-deb/avrnetio-logger_*.deb)
echo "$(pwd)/$package"
