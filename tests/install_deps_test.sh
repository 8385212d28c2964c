#!/bin/bash
# Runs scripts/install-deps.sh against a stand-in apt-get first on PATH, which plays a package
# source caught mid-update: each case scripts how update and install answer, and what the set-up
# must then do.
set -u
script="$(dirname "$0")/../scripts/install-deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# The stand-in: $APT_UPDATE is "ok" or a failed index's architecture; $APT_INSTALL lists the
# answers of successive installs: ok, fetch (a download failed), unknown (no such package).
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/bash
calls="$APT_STATE/calls"
echo "$*" >>"$calls"
if [[ " $* " == *" update "* ]]; then
  [ "$APT_UPDATE" = ok ] && exit 0
  echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-$APT_UPDATE/Packages.xz  File has unexpected size (123 != 456). Mirror sync in progress? [IP: 127.0.0.1 80]"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100
fi
installs=$(grep -c ' install ' "$calls")
read -r -a answers <<<"$APT_INSTALL"
answer=${answers[installs - 1]:-${answers[-1]}}
package=${*: -1}
case $answer in
ok) echo "Setting up $package ..."; exit 0 ;;
fetch) echo "E: Failed to fetch http://deb.debian.org/debian/pool/main/a/avrnetio/${package%%:*}_1.0_amd64.deb  Connection failed"; exit 100 ;;
unknown) echo "E: Unable to locate package $package"; exit 100 ;;
esac
EOF
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/apt-get" "$work/bin/sudo"

failures=0
# name | update | installs | package | exit status | install attempts | what the output must say
while IFS='|' read -r name update installs package status attempts says; do
  state="$work/$name"
  mkdir "$state"
  out=$(PATH="$work/bin:$PATH" APT_STATE="$state" APT_UPDATE="$update" APT_INSTALL="$installs" \
    AVRNETIO_APT_PAUSES="0 0 0" "$script" --only "$package" 2>&1)
  got=$?
  tries=$(grep -c ' install ' "$state/calls")
  if [ "$got" != "$status" ] || [ "$tries" != "$attempts" ] || ! grep -q -F -- "$says" <<<"$out"; then
    echo "install_deps_test: $name: exit $got after $tries installs, expected $status after $attempts" \
      "saying '$says':" >&2
    sed 's/^/  /' <<<"$out" >&2
    failures=$((failures + 1))
  fi
  # The one line of why comes before the install's own output.
  if [ "$status" != 0 ] && ! awk '/cannot install/ { said = 1 } /^E: (Unable|Failed to fetch .*\.deb )/ { exit !said }' <<<"$out"; then
    echo "install_deps_test: $name: apt's output comes before the line that says why" >&2
    failures=$((failures + 1))
  fi
done <<'EOF'
update fails, install works|i386|ok|avrnetio-demo-a|0|1|apt-get update failed (lists of: i386)
install fails twice|ok|fetch fetch ok|avrnetio-demo-b|0|3|trying again in 0 s
install always fails|ok|fetch|avrnetio-demo-c|1|4|cannot install avrnetio-demo-c:amd64 after 4 attempts
no such package|ok|unknown|avrnetio-no-such-package|1|1|cannot install avrnetio-no-such-package: no package of that name
unknown while its list is missing|i386|unknown unknown ok|avrnetio-demo-d:i386|0|3|trying again
unknown, another list missing|i386|unknown|avrnetio-no-such-package|1|1|no package of that name
EOF
exit $((failures > 0))
