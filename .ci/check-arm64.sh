#!/usr/bin/env bash
# The arm64 package (a Raspberry Pi's) and the unit tests, cross-built on a fresh root of this
# machine, then checked by the package check (scripts/test-package.sh) on a fresh arm64 root under
# emulation, where nothing is compiled. Needs ../shared/tools/fresh-machine and root.
set -euo pipefail
cd "$(dirname "$0")/.."
fresh=../shared/tools/fresh-machine
started=$SECONDS

# The build comes out as a tar on standard output and goes in as a file of the project, which
# fresh-machine copies since it is not ignored.
handover=arm64-handover.tar
trap 'rm -f "$handover"' EXIT
"$fresh" -- bash -c 'set -e
  { scripts/package-deb.sh --arch arm64
    cmake -S . -B build-deb-arm64 -DAVRNETIO_TESTS=ON
    cmake --build build-deb-arm64 -j2; } >&2
  tar -cf - build-deb-arm64/avrnetio-logger_*_arm64.deb \
    $(find build-deb-arm64/tests -maxdepth 1 -type f -executable -name "test_*")' >"$handover"
echo "arm64: cross-built in $((SECONDS - started)) s"
"$fresh" --arch arm64 -- bash -c "tar -xf $handover && scripts/test-package.sh \
  --package build-deb-arm64/avrnetio-logger_*_arm64.deb --unit-tests build-deb-arm64/tests"
echo "arm64: package check passed; the stage took $((SECONDS - started)) s"
