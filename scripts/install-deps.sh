#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those still missing.
set -euo pipefail

# --wine adds Wine for running the Windows program: wine32 for the program itself, wine64 for the
# 64-bit build on machines without 32-bit support, ImageMagick for its screenshot, wixl for the
# installer package.
wine=0
if [ "${1:-}" = "--wine" ]; then
  wine=1
  shift
fi

# openbox, x11-utils and imagemagick: the end-to-end test under a window manager; chromium shows
# the report's page in its end-to-end test.
# libmosquitto-dev and nlohmann-json3-dev: publishing to MQTT; mosquitto, mosquitto-clients and
# openssl: its end-to-end tests against a real broker.
packages=(cmake g++ make googletest libgtest-dev python3 locales
  libfltk1.3-dev libx11-dev libmosquitto-dev nlohmann-json3-dev
  fonts-liberation2 xvfb xdotool openbox x11-utils imagemagick chromium mosquitto mosquitto-clients openssl "$@")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

if ((wine)); then
  packages+=(wine wine64 wine32:i386 fonts-wine imagemagick wixl)
  # wine32 comes from the i386 architecture, which a 64-bit Debian must be told about first.
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# A German locale, so the tests can show that numbers are read and written whatever the locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
fi
