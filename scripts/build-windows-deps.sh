#!/usr/bin/env bash
# Builds the Windows program's MQTT client library, libmosquitto, and its TLS, OpenSSL 3, as static
# mingw-w64 libraries from Debian's own source packages, once per version, into
# build-win-deps/ARCH/mosquitto-VERSION_openssl-VERSION_RECIPE/ (include/, lib/, licenses/), and
# prints that folder.
# Usage: scripts/build-windows-deps.sh [i686|x86_64]   (default i686, the program handed out)
# AVRNETIO_WIN_DEPS_CACHE names the cache folder (default build-win-deps), AVRNETIO_JOBS the jobs.
#
# libmosquitto is the version of the Linux build's (libmosquitto-dev installed, else apt's
# candidate), with Debian's patches. OpenSSL is libssl-dev's candidate (the security update) or,
# when that cannot be had, the release's own version; its upstream tarball from Debian's pool is
# built, since Debian's patches concern its own packaging and the security pool has answered 404
# for the .dsc while the tarball came.
set -euo pipefail
cd "$(dirname "$0")/.."

arch=${1:-i686}
case $arch in
i686) openssl_target=mingw; compiler=g++-mingw-w64-i686 ;;
x86_64) openssl_target=mingw64; compiler=g++-mingw-w64-x86-64 ;;
*) echo "usage: scripts/build-windows-deps.sh [i686|x86_64]" >&2; exit 2 ;;
esac
host=$arch-w64-mingw32
jobs=${AVRNETIO_JOBS:-2}
cache=${AVRNETIO_WIN_DEPS_CACHE:-build-win-deps}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
say() { echo "build-windows-deps.sh: $*" >&2; }

# dpkg-source unpacks and patches the mosquitto source; perl runs OpenSSL's Configure.
scripts/install-deps.sh --only cmake make perl dpkg-dev "$compiler" >&2

# The installed version of package $1, else apt's candidate; empty when apt knows neither.
version_of() {
  local version
  version=$(dpkg-query -W -f='${db:Status-Status} ${Version}' "$1" 2>/dev/null || true)
  if [[ $version == "installed "* ]]; then
    echo "${version#installed }"
  else
    apt-cache policy "$1" 2>/dev/null | awk '$1 == "Candidate:" && $2 != "(none)" {print $2}'
  fi
}
mosquitto_version=$(version_of libmosquitto-dev)
openssl_version=$(apt-cache policy libssl-dev 2>/dev/null | awk '$1 == "Candidate:" && $2 != "(none)" {print $2}')
if [ -z "$mosquitto_version" ] || [ -z "$openssl_version" ]; then
  say "apt knows no libmosquitto-dev or libssl-dev: run apt-get update first"
  exit 1
fi

# The folder's name holds the versions and this script's own hash, so that a changed build is
# made again rather than taken from the cache.
recipe=$(sha256sum scripts/build-windows-deps.sh | cut -c1-8)
folder_of() { echo "$cache/$arch/mosquitto-$1_openssl-$2_$recipe"; }
prefix=$(folder_of "$mosquitto_version" "$openssl_version")
# A folder is complete once its marker is written, last: a build cut short is started again.
if [ -f "$prefix/versions" ]; then
  echo "$prefix"
  exit 0
fi

# Debian's source lists of this machine's own mirror and release, for apt in a configuration of
# its own: the system's sources (which have no deb-src lines) stay as they are.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
apt_dir=$cache/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts"
# One "URI SUITE KEYRING" line per Debian source of type deb with the main component, from both
# the one-line sources.list and the deb822 .sources files.
system_sources() {
  { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
    awk '$1 == "deb" {
      keyring = ""; i = 2
      if ($2 ~ /^\[/) {
        for (; i <= NF; i++) {
          if ($i ~ /signed-by=/) { keyring = $i; sub(/.*signed-by=/, "", keyring); sub(/\]$/, "", keyring) }
          if ($i ~ /\]$/) break
        }
        i++
      }
      for (c = i + 2; c <= NF; c++) if ($c == "main") print $i, $(i + 1), keyring
    }'
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'function flush(   n, m, u, s, a, b) {
        if (types ~ /(^| )deb( |$)/ && components ~ /(^| )main( |$)/ && enabled != "no") {
          n = split(uris, u, " "); m = split(suites, s, " ")
          for (a = 1; a <= n; a++) for (b = 1; b <= m; b++) print u[a], s[b], keyring
        }
        types = uris = suites = components = keyring = enabled = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      { key = tolower($1); value = $0; sub(/^[^:]*:[ \t]*/, "", value) }
      key == "types:" { types = value }
      key == "uris:" { uris = value }
      key == "suites:" { suites = value }
      key == "components:" { components = value }
      key == "enabled:" { enabled = tolower(value) }
      key == "signed-by:" && value ~ /^\// { keyring = value }
      END { flush() }' "$file"
  done
}
# Only this release's suites (bookworm, bookworm-updates, bookworm-security): a third party's
# source is no Debian mirror.
system_sources | awk -v release="$codename" '$2 == release || index($2, release "-") == 1' | sort -u |
  while read -r uri suite keyring; do
    echo "deb-src ${keyring:+[signed-by=$keyring] }$uri $suite main"
  done >"$apt_dir/sources.list"
[ -s "$apt_dir/sources.list" ] || { say "no Debian $codename source in /etc/apt"; exit 1; }
apt=(apt-get -q -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=$(id -un)"
  -o Acquire::Retries=3)
"${apt[@]}" update >&2 || say "apt-get update of the source lists failed in part; going on"

sources=$cache/sources
mkdir -p "$sources" "$apt_dir/empty"
# The files of source package $1 as "'URI' NAME SIZE HASH" lines; asked in an empty folder, since
# apt leaves out those already downloaded to the current one.
source_files() { (cd "$apt_dir/empty" && "${apt[@]}" source --print-uris "$1"); }
# The source package $1 whole, with Debian's patches applied, unpacked into $2.
unpack_package() {
  local dsc
  (cd "$sources" && "${apt[@]}" source --download-only "$1" >&2)
  dsc=$(source_files "$1" | awk '$2 ~ /\.dsc$/ {print $2}')
  dpkg-source --no-copy -x "$sources/$dsc" "$2" >&2
}
# The upstream tarball of source package $1 (name=version or name/suite), its hash checked against
# the signed source list; prints its path, or fails when it did not come.
upstream_tarball() {
  local line name hash
  line=$(source_files "$1" | grep -E "\.orig\.tar\.[a-z0-9]+' " || true)
  [ -n "$line" ] || return 1
  read -r _ name _ hash <<<"$line"
  (cd "$sources" && "${apt[@]}" source --download-only "$1" >&2) ||
    say "not all of $1 came; its upstream tarball is enough"
  echo "${hash#SHA256:}  $sources/$name" | sha256sum --quiet -c - >&2 || return 1
  echo "$sources/$name"
}

if ! tarball=$(upstream_tarball "openssl=$openssl_version"); then
  openssl_wanted=$openssl_version
  openssl_version=$(source_files "openssl/$codename" |
    awk '$2 ~ /\.dsc$/ {sub(/^openssl_/, "", $2); sub(/\.dsc$/, "", $2); print $2}')
  say "OpenSSL $openssl_wanted cannot be had; building $codename's own $openssl_version"
  tarball=$(upstream_tarball "openssl/$codename") || { say "no OpenSSL source came"; exit 1; }
  prefix=$(folder_of "$mosquitto_version" "$openssl_version")
  # The next run asks for the same version: it finds this build through the link.
  ln -sfn "$(basename "$prefix")" "$(folder_of "$mosquitto_version" "$openssl_wanted")"
  if [ -f "$prefix/versions" ]; then
    echo "$prefix"
    exit 0
  fi
fi

work=$cache/$arch/work
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
start=$SECONDS

# OpenSSL: the libraries alone, for a TLS 1.2/1.3 client. Off: the legacy provider, engines and
# loadable modules, the configuration file read at start (its path would be the build machine's),
# DTLS, SRP, PSK (the client sets none), NPN, certificate transparency, CMS, CMP, time stamps, DSA
# and the ciphers and digests no TLS 1.2/1.3 suite uses. OCSP stays: libmosquitto calls it. -Os,
# since a few messages a second need no speed: a quarter less program.
tar -xf "$tarball" -C "$work"
(
  cd "$work"/openssl-*/
  ./Configure "$openssl_target" --cross-compile-prefix="$host-" --prefix="$prefix" --libdir=lib \
    no-shared no-tests no-legacy no-engine no-dynamic-engine no-module no-dso \
    no-autoload-config no-comp no-ssl3 no-dtls no-sctp no-srtp no-srp no-psk no-nextprotoneg \
    no-ct no-cms no-cmp no-ts no-rfc3779 no-ssl-trace no-async no-ec2m no-gost no-sm2 no-sm3 no-sm4 \
    no-idea no-mdc2 no-md4 no-rc2 no-rc4 no-rc5 no-seed no-bf no-cast no-camellia no-aria no-des \
    no-whirlpool no-scrypt no-ocb no-dsa no-siphash no-rmd160 no-blake2 -Os >&2
  make -j"$jobs" build_libs >&2
  make install_dev >&2
)
say "OpenSSL built in $((SECONDS - start)) s"

# libmosquitto: the client library alone, static. Its 2.0 build always makes the shared library
# too, so only the static target is built and installed. No threading (the logger runs
# mosquitto_loop from its own thread, and the Windows threading needs pthreads-win32), no SOCKS,
# SRV or PSK, no C++ wrapper.
unpack_package "mosquitto=$mosquitto_version" "$work/mosquitto"
cmake -S "$work/mosquitto" -B "$work/mosquitto-build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="$arch" -DCMAKE_C_COMPILER="$host-gcc" \
  -DCMAKE_CXX_COMPILER="$host-g++" -DCMAKE_RC_COMPILER="$host-windres" \
  -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/$host" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
  -DOPENSSL_ROOT_DIR="$prefix" -DOPENSSL_USE_STATIC_LIBS=ON \
  -DWITH_TLS=ON -DWITH_TLS_PSK=OFF -DWITH_EC=ON -DWITH_SOCKS=OFF -DWITH_SRV=OFF -DWITH_DLT=OFF \
  -DWITH_THREADING=OFF -DWITH_STATIC_LIBRARIES=ON -DWITH_PIC=OFF -DWITH_BUNDLED_DEPS=ON \
  -DWITH_LIB_CPP=OFF -DWITH_CLIENTS=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_PLUGINS=OFF \
  -DWITH_CJSON=OFF -DDOCUMENTATION=OFF >&2
cmake --build "$work/mosquitto-build" --target libmosquitto_static -j"$jobs" >&2
install -m 644 "$work/mosquitto-build/lib/libmosquitto_static.a" "$prefix/lib/libmosquitto.a"
install -m 644 "$work/mosquitto/include/mosquitto.h" "$work/mosquitto/include/mqtt_protocol.h" "$prefix/include/"
# The licences, for the notices of the programs that link them.
mkdir -p "$prefix/licenses"
cp "$work/mosquitto/epl-v20" "$work/mosquitto/edl-v10" "$prefix/licenses/"
cp "$work"/openssl-*/LICENSE.txt "$prefix/licenses/openssl-LICENSE.txt"
say "both libraries built in $((SECONDS - start)) s"

rm -rf "$work" "${prefix:?}/lib/pkgconfig" "${prefix:?}/bin"
printf 'mosquitto %s\nopenssl %s\narch %s\n' "$mosquitto_version" "$openssl_version" "$arch" >"$prefix/versions"
echo "$prefix"
