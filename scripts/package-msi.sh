#!/usr/bin/env bash
# Builds the Windows Installer package of the 32-bit release builds with wixl and prints its path.
# Usage: scripts/package-msi.sh [VERSION]   (x.y.z; default the project's version)
# AVRNETIO_WIN_BUILD names the build folder (default build-win), as for scripts/build-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${AVRNETIO_WIN_BUILD:-build-win}

scripts/install-deps.sh wixl msitools >&2
scripts/build-windows.sh >&2
version=${1:-$(sed -n 's/^project(avrnetio_logger VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)}
# Windows Installer compares three numbers.
while [[ $version != *.*.* ]]; do version+=.0; done
package="$build/avrnetio-logger-$version.msi"
wixl --arch x86 -D Version="$version" -D Build="$build" -D Icon=src/assets/icon.ico \
  -o "$package" packaging/avrnetio-logger.wxs
# wixl writes English (1033) into the summary whatever the package says; German is 1031.
summary=$(msiinfo suminfo "$package")
msibuild "$package" -s "$(sed -n 's/^Subject: //p' <<<"$summary")" "$(sed -n 's/^Author: //p' <<<"$summary")" \
  "Intel;1031"
echo "$(cd "$build" && pwd)/$(basename "$package")"
