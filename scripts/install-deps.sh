#!/usr/bin/env bash
# Installs the Debian packages a step needs, only those still missing.
# Usage: scripts/install-deps.sh [--tests] [--wine] [--cross ARCH] [PACKAGE...]
#   no option:    what building and running the logger need (scripts/run.sh)
#   --tests:      and the test tools (scripts/test.sh)
#   --wine:       and Wine for running the Windows program (implies --tests)
#   --cross ARCH: instead, Debian's cross toolchain and the ARCH development packages, for a build
#                 whose programs run on ARCH (arm64: a Raspberry Pi); the unit tests' library too
set -euo pipefail

tests=0
wine=0
cross=""
while [ $# -gt 0 ]; do
  case "$1" in
  --tests) tests=1; shift ;;
  --wine) wine=1; tests=1; shift ;;
  --cross) cross=$2; shift 2 ;;
  *) break ;;
  esac
done

# The libraries the programs link against, for the build machine's own architecture or, with
# :ARCH, for a cross build. One list, so that a new library is added once for both.
libraries=(libfltk1.3-dev libx11-dev libmosquitto-dev)
# Header-only libraries (Architecture: all), taken as they are by both builds.
headers=(nlohmann-json3-dev)
# Building and running; the Liberation fonts stand in for the window's Arial.
packages=(cmake g++ make "${libraries[@]}" "${headers[@]}" fonts-liberation2)
# openbox, x11-utils and imagemagick: the end-to-end test under a window manager; chromium shows
# the report's page in its end-to-end test; strace shows what the logger syncs; mosquitto (with
# its clients and openssl for certificates) is the real broker of the publishing tests.
test_packages=(googletest libgtest-dev python3 locales xvfb xdotool openbox x11-utils imagemagick chromium
  strace mosquitto mosquitto-clients openssl)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

# $1 (name or name:arch) is installed.
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
# Tells dpkg of a foreign architecture $1, unless it knows it already.
add_architecture() {
  [ "$1" = "$(dpkg --print-architecture)" ] && return
  dpkg --print-foreign-architectures | grep -qx "$1" || $sudo dpkg --add-architecture "$1"
}

if [ -n "$cross" ]; then
  # The native build tools, the cross compiler and the libraries (GoogleTest's too, for the unit
  # tests that run on the target) of the target architecture.
  add_architecture "$cross"
  packages=(cmake make "crossbuild-essential-$cross" "${headers[@]}")
  for library in "${libraries[@]}" libgtest-dev; do
    packages+=("$library:$cross")
  done
fi
((tests)) && packages+=("${test_packages[@]}")
packages+=("$@")

if ((wine)); then
  # wixl builds the installer package that the Wine test installs.
  packages+=(wine wine64 wine32:i386 fonts-wine imagemagick wixl)
  # wine32 comes from the i386 architecture, which a 64-bit Debian must be told about first.
  installed wine32:i386 || add_architecture i386
fi

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
if ((${#missing[@]})); then
  $sudo apt-get -o DPkg::Lock::Timeout=600 update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y \
    --no-install-recommends "${missing[@]}"
fi

# A German locale, so the tests can show that numbers are read and written whatever the locale.
if ((tests)) && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
fi
