#!/usr/bin/env bash
# Installs the Debian packages a step needs, only those still missing.
# Usage: scripts/install-deps.sh [--tests] [--wine] [--cross ARCH] [--only] [PACKAGE...]
#   no option:    what building and running the logger need (scripts/run.sh)
#   --only:       the PACKAGEs alone (names, or .deb files)
#   --tests:      and the test tools (scripts/test.sh)
#   --wine:       and Wine for running the Windows program (implies --tests)
#   --cross ARCH: instead, Debian's cross toolchain and the ARCH development packages, for a build
#                 whose programs run on ARCH (arm64: a Raspberry Pi); the unit tests' library too
# A package source caught mid-update fails apt-get update for minutes to hours ("File has
# unexpected size ... Mirror sync in progress?") while most of it still works, so a failed update
# does not stop the set-up: the install decides. A failed install is tried again after each pause
# of AVRNETIO_APT_PAUSES (seconds, default "20 60 120"); a package apt does not know at all fails
# at once, unless an index that could hold it did not download.
set -euo pipefail

tests=0
only=0
wine=0
cross=""
while [ $# -gt 0 ]; do
  case "$1" in
  --tests) tests=1; shift ;;
  --wine) wine=1; tests=1; shift ;;
  --cross) cross=$2; shift 2 ;;
  --only) only=1; shift ;;
  *) break ;;
  esac
done

# The libraries the programs link against, for the build machine's own architecture or, with
# :ARCH, for a cross build. One list, so that a new library is added once for both.
libraries=(libfltk1.3-dev libx11-dev libmosquitto-dev libssl-dev)
# Header-only libraries, taken as they are by every build, a cross build included: the build
# machine's own packages (toml++ is packaged with a library beside its headers, unused here).
headers=(nlohmann-json3-dev libtomlplusplus-dev)
# Tools that run on the build machine in every build, a cross build included: cmark makes the
# guide's page.
tools=(cmark)
# Building and running; the Liberation fonts stand in for the window's Arial.
packages=(cmake g++ make "${libraries[@]}" "${headers[@]}" "${tools[@]}" fonts-liberation2)
# openbox, x11-utils and imagemagick: the end-to-end test under a window manager; chromium shows
# the report's page in its end-to-end test; strace shows what the logger syncs; mosquitto (with
# its clients and openssl for certificates) is the real broker of the publishing tests; iproute2
# brings up loopback in the private networks of the tests that start the logger from settings
# or ask a silent name server; xauth lets xvfb-run give the window layer's unit test a display;
# libnotify (loaded at run time) reaches dunst, the notification server of the desktop test, on a
# session bus of its own; ALSA (loaded at run time) plays the alarm's tone into a file there.
test_packages=(googletest libgtest-dev python3 locales xvfb xauth xdotool openbox x11-utils imagemagick chromium
  strace mosquitto mosquitto-clients openssl iproute2 libnotify4 dunst dbus-daemon dbus-bin libasound2)
# LibreOffice Calc opens the report's German copy as a German user's spreadsheet does.
test_packages+=(libreoffice-calc-nogui)
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
  packages=(cmake make "crossbuild-essential-$cross" "${headers[@]}" "${tools[@]}")
  for library in "${libraries[@]}" libgtest-dev; do
    packages+=("$library:$cross")
  done
fi
((tests)) && packages+=("${test_packages[@]}")
((only)) && packages=()
packages+=("$@")

if ((wine)); then
  # wixl builds the installer package that the Wine test installs; msitools reads its summary.
  packages+=(wine wine64 fonts-wine imagemagick wixl msitools)
  # wine32 comes from the i386 architecture, which a 64-bit Debian must be told about first.
  installed wine32:i386 || add_architecture i386
fi

apt_options=(-o DPkg::Lock::Timeout=600 -o Acquire::Retries=3)
read -r -a pauses <<<"${AVRNETIO_APT_PAUSES:-20 60 120}"
say() { echo "install-deps.sh: $*" >&2; }

# The architectures whose package lists apt-get update in $1 failed to download, and "any" for
# a failure that names none (a suite's Release file, say).
failed_architectures() {
  grep -E '^(E|W): ' "$1" | grep -v -E '^(E|W): Some index files failed' |
    sed -E 's/^.*Failed to fetch .*binary-([a-z0-9]+)\/.*$/\1/; t; s/.*/any/' | sort -u | tr '\n' ' '
}

# The packages of apt-get install's output in $1 that no list holds.
unknown_packages() {
  sed -n -E "s/^E: Unable to locate package (.*)$/\1/p; s/^E: Package '([^']*)' has no installation candidate$/\1/p" "$1"
}

# The packages that apt-get install's output in $1 names as not installed: unknown, not
# downloaded, or with dependencies it cannot meet.
failed_packages() {
  { unknown_packages "$1"
    sed -n -E 's/^E: Failed to fetch .*\/([^/_]+)_[^/_]+_([a-z0-9]+)\.deb .*$/\1:\2/p' "$1"
    sed -n -E 's/^ *([^ ]+) : Depends: .*$/\1/p' "$1"; } | sort -u | tr '\n' ' '
}

# Unknown for sure: every list that could hold it downloaded.
truly_unknown() {
  local package=$1 failed=$2 arch
  arch=$(dpkg --print-architecture)
  [[ $package == *:* ]] && arch=${package##*:}
  [[ " $failed " != *" any "* && " $failed " != *" $arch "* ]]
}

output=$(mktemp)
trap 'rm -f "$output"' EXIT

install_packages() {
  local attempt=0 failed unknown reason package sure
  while :; do
    failed=""
    if ! $sudo apt-get "${apt_options[@]}" update >"$output" 2>&1; then
      failed=$(failed_architectures "$output")
      failed=${failed:-any }
      say "apt-get update failed (lists of: ${failed% }); going on, the install decides"
      grep -E '^(E|W):' "$output" >&2 || true
    fi
    if DEBIAN_FRONTEND=noninteractive $sudo apt-get "${apt_options[@]}" install -y --no-install-recommends \
      "$@" >"$output" 2>&1; then
      cat "$output"
      return 0
    fi
    unknown=$(unknown_packages "$output")
    sure=""
    for package in $unknown; do
      if truly_unknown "$package" "$failed"; then sure+="$package "; fi
    done
    reason=$(grep -m 1 -E '^E:' "$output" || echo "apt-get install failed")
    if [ -n "$sure" ]; then
      say "cannot install ${sure% }: no package of that name ($reason)"
    elif ((attempt == ${#pauses[@]})); then
      unknown=$(failed_packages "$output")
      unknown=${unknown:-$* }
      say "cannot install ${unknown% } after $((attempt + 1)) attempts: $reason"
    else
      say "apt-get install failed ($reason); trying again in ${pauses[attempt]} s"
      sleep "${pauses[attempt]}"
      attempt=$((attempt + 1))
      continue
    fi
    cat "$output" >&2
    return 1
  done
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
((${#missing[@]} == 0)) || install_packages "${missing[@]}"
# 32-bit Wine runs the 32-bit program itself. Its lists are the ones most often caught mid-update
# (their security updates missing, nothing of i386 installs): without it, the Wine test takes the
# 64-bit build of the same sources, as on a machine that runs no 32-bit code.
if ((wine)) && ! installed wine32:i386; then
  install_packages wine32:i386 || say "going on without 32-bit Wine: the Wine test takes the 64-bit build"
fi

# A German locale, so the tests can show that numbers are read and written whatever the locale.
if ((tests)) && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
fi
