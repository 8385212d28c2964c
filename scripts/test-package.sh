#!/usr/bin/env bash
# The package check, for a throwaway root: ../shared/tools/fresh-machine -- scripts/test-package.sh
# Builds the Debian package, installs it with apt, tries the installed programs, the manual pages,
# the desktop entries, the guide, the licence and the service unit, then removes and purges it and
# looks for anything it left behind. It installs and removes packages on the machine it runs on.
# Usage: scripts/test-package.sh [--package FILE.deb] [--unit-tests FOLDER]
#   --package: checks a package built elsewhere (a cross-built one, on its own architecture)
#   --unit-tests: first runs the GoogleTest programs test_* in FOLDER, but the window's
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
package=""
unit_tests=""
while [ $# -gt 0 ]; do
  case "$1" in
  --package) package=$(realpath "$2"); shift 2 ;;
  --unit-tests) unit_tests=$2; shift 2 ;;
  *) echo "usage: scripts/test-package.sh [--package FILE.deb] [--unit-tests FOLDER]" >&2; exit 2 ;;
  esac
done

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
apt_get() { DEBIAN_FRONTEND=noninteractive $sudo apt-get -y -q "$@" >/dev/null; }

# man-db before the package, so that its page is found; systemd for systemd-analyze; python3 for
# the end-to-end tests; iproute2 for a network of loopback only; a broker and its clients for the
# alarms' Home Assistant sensors in the headless test, and ALSA for the alarm's tone there.
checks=(python3 man-db systemd desktop-file-utils iproute2 mosquitto mosquitto-clients libasound2)
if [ -z "$package" ]; then
  scripts/install-deps.sh "${checks[@]}"
  package=$(scripts/package-deb.sh | tail -n 1)
else
  scripts/install-deps.sh --only "${checks[@]}"
fi
echo "package: $package ($(stat -c %s "$package") bytes)"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
[[ $depends == *libfltk1.3* ]] || fail "the computed dependencies lack the window toolkit"
[[ $depends == *libmosquitto1* ]] || fail "the computed dependencies lack the MQTT client"

# From the package source too: its dependencies.
scripts/install-deps.sh --only "$package" >/dev/null
if [ -n "$unit_tests" ]; then
  # The unit tests need what the package needs, which is now installed.
  for test in "$unit_tests"/test_*; do
    [ "$(basename "$test")" = test_window_fltk ] && continue
    "$test" --gtest_brief=1 >"$test.out" 2>&1 || { cat "$test.out" >&2; fail "$(basename "$test")"; }
    echo "$(basename "$test"): $(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$test.out")"
  done
fi
dpkg-query -W -f='${Conffiles}\n' avrnetio-logger | grep -q '^ /etc/avrnetio-logger/example.toml ' ||
  fail "/etc/avrnetio-logger/example.toml is no conffile"
installed=$(dpkg -L avrnetio-logger)

avrnetio-logger --help | grep -q -- '--log-file' || fail "avrnetio-logger --help"
man -P cat avrnetio-logger 2>/dev/null | grep -q '^EXIT STATUS' || fail "man avrnetio-logger"
grep -qx /usr/share/man/de/man1/avrnetio-logger.1.gz <<<"$installed" || fail "the package lacks the German manual page"
man -L de -P cat avrnetio-logger 2>/dev/null | grep -q '^EXIT-STATUS' || fail "man -L de avrnetio-logger"
for entry in avrnetio-logger avrnetio-logger-settings avrnetio-logger-guide avrnetio-report; do
  desktop-file-validate "/usr/share/applications/$entry.desktop" || fail "the desktop entry $entry"
done
# The report's menu entry: its name, and a start that asks for a log when it is given none.
grep -qx 'Name=Bericht einer AVR-NET-IO-Logdatei' /usr/share/applications/avrnetio-report.desktop &&
  grep -qx 'Exec=avrnetio-report --desktop %F' /usr/share/applications/avrnetio-report.desktop ||
  fail "the report's menu entry"
grep -qx 'Exec=avrnetio-logger --setup' /usr/share/applications/avrnetio-logger-settings.desktop ||
  fail "the settings' menu entry does not open the settings window"
# The guide's menu entry opens the page the package holds, whose links all find their places.
guide=$(sed -n 's/^Exec=xdg-open //p' /usr/share/applications/avrnetio-logger-guide.desktop)
grep -qx "$guide" <<<"$installed" || fail "the guide's menu entry opens '$guide', which the package lacks"
python3 tests/guide_test.py "$guide" || fail "the installed guide's links"
# The licence, and the notices of what the Linux programs link or compile in.
copyright=/usr/share/doc/avrnetio-logger/copyright
grep -qx "$copyright" <<<"$installed" || fail "the package lacks $copyright"
for text in "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
  "Copyright: 2026 the AVR-NET-IO Logger developers" " Permission is hereby granted, free of charge," \
  "Debian package libtomlplusplus-dev " "Debian package nlohmann-json3-dev " \
  "Debian package libfltk1.3-dev " "Debian package libmosquitto-dev "; do
  grep -qF -- "$text" "$copyright" || fail "$copyright lacks '$text'"
done

# The end-to-end harness against the installed programs: a short headless run ended by SIGTERM
# (exit status 0) and the report's summary of its log, and an unreachable board (its message,
# exit status 1, no log file).
for test in headless_test unreachable_board_test; do
  AVRNETIO_LOGGER=/usr/bin/avrnetio-logger AVRNETIO_BOARDSIM=/usr/bin/avrnetio-boardsim \
    AVRNETIO_REPORT=/usr/bin/avrnetio-report python3 "tests/e2e/$test.py" || fail "$test with the installed logger"
done

# The service's own way, as its unit starts it: the instance's settings file names the board, the
# simulator on the board's port, in a network of loopback only, where a setting that was missed
# reaches no board.
rows=$(unshare --net bash -c 'set -e
  ip link set lo up
  avrnetio-boardsim --host 127.0.0.1 --port 50290 >/dev/null & sim=$!
  sleep 0.5
  printf "[board]\nhost = \"127.0.0.1\"\n[log]\ninterval = \"S1\"\n" >/etc/avrnetio-logger/pkgcheck.toml
  rm -f /tmp/pkgcheck.csv
  STATE_DIRECTORY=/tmp timeout 3 avrnetio-logger --service pkgcheck 2>/dev/null || [ $? = 124 ]
  kill $sim
  rm /etc/avrnetio-logger/pkgcheck.toml
  grep -c "^[0-9]" /tmp/pkgcheck.csv') || fail "the logger as the service pkgcheck"
[ "$rows" -ge 2 ] || fail "the service pkgcheck logged $rows rows in 3 s"
echo "service: the instance's settings file named the board; $rows rows"

# verify also runs the ExecStart program's check and looks up the Documentation= manual page.
verified=$(systemd-analyze verify avrnetio-logger@board1.service 2>&1) || fail "systemd-analyze verify: $verified"
[ -z "$verified" ] || fail "systemd-analyze verify complains: $verified"

apt_get remove avrnetio-logger
[ -f /etc/avrnetio-logger/example.toml ] || fail "apt remove took the conffile, which only a purge takes"
apt_get purge avrnetio-logger
left=()
while IFS= read -r path; do
  [ "$path" = "/." ] && continue
  if [ -L "$path" ] || { [ -e "$path" ] && [ ! -d "$path" ]; }; then
    left+=("$path")
  elif [ -d "$path" ] && [ -z "$(ls -A "$path")" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
    left+=("$path/")  # an empty folder that no other package holds
  fi
done <<<"$installed"
((${#left[@]} == 0)) || fail "left behind after the purge: ${left[*]}"
echo "package check passed"
