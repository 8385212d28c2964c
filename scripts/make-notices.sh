#!/usr/bin/env bash
# Writes packaging/THIRD-PARTY-NOTICES.txt: the copyright files of the Debian packages whose code the
# programs link or compile in, and the GNU licence texts they refer to, as this Debian ships them.
# Run it again when those packages change version (it needs them installed: the Linux build's and
# g++-mingw-w64-i686). The Debian package's copyright takes the file up to the Windows programs'
# part (cmake/Docs.cmake), so the order of the parts matters.
set -euo pipefail
cd "$(dirname "$0")/.."
out=packaging/THIRD-PARTY-NOTICES.txt

rule() { printf '%s\n' "$(printf "%78s" "" | tr ' ' "$1")"; }
# PACKAGE | what it is to the programs
linux=(
  "libtomlplusplus-dev|toml++: the settings file's reader, compiled into the logger on Linux and Windows"
  "nlohmann-json3-dev|nlohmann-json: the MQTT payloads, compiled into the Linux logger"
  "libfltk1.3-dev|FLTK: the Linux logger's window, a shared library (libfltk1.3)"
  "libmosquitto-dev|libmosquitto: the Linux logger's MQTT client, a shared library (libmosquitto1)"
)
windows=(
  "mingw-w64-i686-dev|the mingw-w64 runtime (mingw-w64-crt, winpthreads), linked into the Windows programs"
  "gcc-mingw-w64-base|GCC's libgcc and libstdc++ (GPL with the GCC Runtime Library Exception), linked into the Windows programs"
  "libmosquitto-dev|libmosquitto: the Windows logger's MQTT client, built from Debian's source package and linked in (EPL-2.0 or EDL-1.0)"
  "libssl-dev|OpenSSL 3: the Windows logger's TLS, built from Debian's source of the same series and linked in (Apache-2.0)"
)
licences=(GPL-2 GPL-3 LGPL-2 LGPL-2.1 LGPL-3 Apache-2.0)

notice() {
  local package=${1%%|*} what=${1#*|}
  local file=/usr/share/doc/$package/copyright
  [ -f "$file" ] || { echo "make-notices.sh: $file is missing: install $package" >&2; exit 1; }
  printf '\n'; rule -
  printf '%s\n' "$what" "Debian package $package $(dpkg-query -W -f='${Version}' "$package"), $file:"
  rule -; printf '\n'
  cat "$file"
}

{
  cat <<'EOF'
Third-party notices of the AVR-NET-IO Logger

The AVR-NET-IO Logger is free software under the MIT licence (the file
LICENSE). Its programs link or compile in the software below, each under its
own licence. Their notices follow in full, as Debian ships them in
/usr/share/doc/PACKAGE/copyright, and after them the texts of the GNU and Apache licences
that those notices refer to, as Debian ships them in /usr/share/common-licenses.

Linux (the Debian package): toml++, nlohmann-json, FLTK, libmosquitto.
Windows (the Windows Installer package): toml++, the mingw-w64 runtime,
libgcc and libstdc++ of GCC, libmosquitto and OpenSSL.
EOF
  printf '\n'; rule =; echo "FOR THE LINUX PROGRAMS (toml++ for the Windows ones too)"; rule =
  for entry in "${linux[@]}"; do notice "$entry"; done
  printf '\n'; rule =; echo "FOR THE WINDOWS PROGRAMS"; rule =
  for entry in "${windows[@]}"; do notice "$entry"; done
  printf '\n'; rule =; echo "THE GNU LICENCES AND THE APACHE LICENCE NAMED ABOVE"; rule =
  for licence in "${licences[@]}"; do
    printf '\n'; rule -; echo "/usr/share/common-licenses/$licence"; rule -; printf '\n'
    # Page breaks show as boxes in some editors (Notepad among them): a blank line instead.
    tr -d '\f' <"/usr/share/common-licenses/$licence"
  done
} >"$out"
echo "$out: $(wc -c <"$out") bytes"
