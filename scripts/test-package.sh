#!/usr/bin/env bash
# The package check, for a throwaway root: ../shared/tools/fresh-machine -- scripts/test-package.sh
# Builds the Debian package, installs it with apt, tries the installed programs, the manual page,
# the desktop entry and the service unit, then removes and purges it and looks for anything it
# left behind. It installs and removes packages on the machine it runs on.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
apt_get() { DEBIAN_FRONTEND=noninteractive $sudo apt-get -y -q "$@" >/dev/null; }

# man-db before the package, so that its page is found; systemd for systemd-analyze.
scripts/install-deps.sh man-db systemd desktop-file-utils
package=$(scripts/package-deb.sh | tail -n 1)
echo "package: $package ($(stat -c %s "$package") bytes)"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
[[ $depends == *libfltk1.3* ]] || fail "the computed dependencies lack the window toolkit"
[[ $depends == *libmosquitto1* ]] || fail "the computed dependencies lack the MQTT client"

apt_get install "$package"
dpkg-query -W -f='${Conffiles}\n' avrnetio-logger | grep -q '^ /etc/default/avrnetio-logger ' ||
  fail "/etc/default/avrnetio-logger is no conffile"
installed=$(dpkg -L avrnetio-logger)

avrnetio-logger --help | grep -q -- '--log-file' || fail "avrnetio-logger --help"
man -P cat avrnetio-logger 2>/dev/null | grep -q '^EXIT STATUS' || fail "man avrnetio-logger"
desktop-file-validate /usr/share/applications/avrnetio-logger.desktop || fail "the desktop entry"

# The end-to-end harness against the installed programs: a short headless run ended by SIGTERM
# (exit status 0), and an unreachable board (its message, exit status 1, no log file).
for test in headless_test unreachable_board_test; do
  AVRNETIO_LOGGER=/usr/bin/avrnetio-logger AVRNETIO_BOARDSIM=/usr/bin/avrnetio-boardsim \
    python3 "tests/e2e/$test.py" || fail "$test with the installed logger"
done

# verify also runs the ExecStart program's check and looks up the Documentation= manual page.
verified=$(systemd-analyze verify avrnetio-logger@board1.service 2>&1) || fail "systemd-analyze verify: $verified"
[ -z "$verified" ] || fail "systemd-analyze verify complains: $verified"

apt_get remove avrnetio-logger
[ -f /etc/default/avrnetio-logger ] || fail "apt remove took the conffile, which only a purge takes"
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
