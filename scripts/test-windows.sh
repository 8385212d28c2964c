#!/usr/bin/env bash
# Builds the Windows programs and their installer package, checks that the programs are
# self-contained 32-bit programs, and runs them and the package under Wine against the Linux
# simulator on 127.0.0.1 (tests/wine/wine_test.py).
# Build folders: AVRNETIO_WIN_BUILD (build-win), AVRNETIO_WIN64_BUILD (build-win64), AVRNETIO_BUILD (build).
set -euo pipefail
cd "$(dirname "$0")/.."
export AVRNETIO_WIN_BUILD=${AVRNETIO_WIN_BUILD:-build-win}
export AVRNETIO_BUILD=${AVRNETIO_BUILD:-build}
win64=${AVRNETIO_WIN64_BUILD:-build-win64}
jobs=${AVRNETIO_JOBS:-2}

scripts/build-windows.sh --wine
exe=$AVRNETIO_WIN_BUILD/avrnetio-logger.exe

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# A 32-bit program of the given subsystem that needs no DLL beyond those listed: the C++ runtime
# and winpthread are linked in. Its headers are left in $headers.
check_program() {
  local program=$1 subsystem=$2 dll
  shift 2
  headers=$(i686-w64-mingw32-objdump -p "$program")
  grep -q "file format pei-i386" <<<"$headers" || fail "$program is no 32-bit Windows program"
  grep -q "^Subsystem.*($subsystem)" <<<"$headers" || fail "$program is no $subsystem program"
  for dll in $(awk '/DLL Name:/ {print $3}' <<<"$headers"); do
    [[ " $* " == *" ${dll,,} "* ]] || fail "$program needs $dll"
  done
}

check_program "$exe" "Windows GUI" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll ole32.dll \
  shell32.dll wsock32.dll ws2_32.dll crypt32.dll msvcrt.dll advapi32.dll
resources=$(i686-w64-mingw32-windres -i "$exe" -O rc)
grep -q "^1 14 " <<<"$resources" || fail "$exe has no icon"
grep -q "^1 24 " <<<"$resources" || fail "$exe has no manifest"
echo "windows: $exe is a self-contained 32-bit GUI program with its icon and manifest"

report=$AVRNETIO_WIN_BUILD/avrnetio-report.exe
# From the desktop it shows its problems in a box, asks for logs and opens its page.
check_program "$report" "Windows CUI" kernel32.dll msvcrt.dll user32.dll comdlg32.dll shell32.dll
echo "windows: $report is a self-contained 32-bit console program"

# The installer of these builds, and one of a higher version that must replace it.
AVRNETIO_MSI=$(scripts/package-msi.sh)
version=$(basename "$AVRNETIO_MSI" .msi)
version=${version#avrnetio-logger-}
AVRNETIO_MSI_NEWER=$(scripts/package-msi.sh "${version%.*}.$((${version##*.} + 1))")
export AVRNETIO_MSI AVRNETIO_MSI_NEWER
msiinfo suminfo "$AVRNETIO_MSI" | grep -qx "Template: Intel;1031" || fail "$AVRNETIO_MSI's summary is not German (1031)"
echo "windows: $AVRNETIO_MSI, $(stat -c %s "$AVRNETIO_MSI") bytes, German"

# The simulator, and the Linux logger whose discovery configs the Windows one must match, come from the Linux build.
cmake -S . -B "$AVRNETIO_BUILD" -DAVRNETIO_WERROR=ON >/dev/null
cmake --build "$AVRNETIO_BUILD" -j"$jobs" --target avrnetio-boardsim avrnetio-logger

# 32-bit Wine where the machine runs 32-bit code and its package could be installed.
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" &&
  wine --version >/dev/null 2>&1; then
  python3 tests/wine/wine_test.py
else
  # A kernel without 32-bit support (IA-32 emulation off), or a package source whose i386 lists
  # are broken, leaves no 32-bit Wine: the same sources built for 64-bit Windows go under wine64.
  echo "windows: no 32-bit Wine here; the Wine checks use the 64-bit build in $win64"
  # Wine itself came with the first build; asking again would wait for the i386 lists once more.
  scripts/install-deps.sh g++-mingw-w64-x86-64
  deps64=$(scripts/build-windows-deps.sh x86_64)
  cmake -S . -B "$win64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DAVRNETIO_WERROR=ON -DAVRNETIO_WIN_DEPS="$deps64" >/dev/null
  cmake --build "$win64" -j"$jobs"
  AVRNETIO_WIN_BUILD=$win64 python3 tests/wine/wine_test.py
fi
