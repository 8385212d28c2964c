#!/usr/bin/env bash
# Builds the Debian package of the logger from a release build and prints its path:
# build-deb/avrnetio-logger_<version>_<architecture>.deb. Needs no test programs.
# --arch ARCH cross-builds it for another Debian architecture (arm64: a Raspberry Pi) with Debian's
# cross toolchain, in build-deb-ARCH. AVRNETIO_JOBS sets the parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

arch=$(dpkg --print-architecture)
[ "${1:-}" = "--arch" ] && [ -n "${2:-}" ] && arch=$2
# dpkg-shlibdeps (dpkg-dev) and file compute the package's dependencies on shared libraries.
if [ "$arch" = "$(dpkg --print-architecture)" ]; then
  build=build-deb
  scripts/install-deps.sh dpkg-dev file
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DAVRNETIO_TESTS=OFF
else
  build=build-deb-$arch
  scripts/install-deps.sh --cross "$arch" dpkg-dev file
  triplet=$(dpkg-architecture -a "$arch" -q DEB_HOST_MULTIARCH 2>/dev/null)
  [ -f "cmake/$triplet.cmake" ] || { echo "package-deb.sh: no cross build for $arch (cmake/$triplet.cmake)" >&2; exit 2; }
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/$triplet.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DAVRNETIO_TESTS=OFF -DCPACK_DEBIAN_PACKAGE_ARCHITECTURE="$arch"
fi
cmake --build "$build" -j"${AVRNETIO_JOBS:-2}"
rm -f "$build"/avrnetio-logger_*.deb
cpack=(cpack -G DEB)
# dpkg-shlibdeps looks up the libraries of the package's architecture, with its objdump.
[ "$build" = build-deb ] || cpack=(env CC="$triplet-gcc" dpkg-architecture -a "$arch" -c "${cpack[@]}")
(cd "$build" && "${cpack[@]}" >/dev/null)
package=$(ls "$build"/avrnetio-logger_*.deb)
echo "$(pwd)/$package"
