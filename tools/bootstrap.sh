#!/usr/bin/env bash
# Installs, idempotently, every Debian package the build and the tests need, and
# fetches the source packages whose code we compile for the Windows targets
# (zlib with minizip, pugixml) into the build tree. Safe to run again: a second
# run installs nothing and downloads nothing.
#
# Usage: tools/bootstrap.sh <build-dir>
# Exit status: 0 when everything is in place, non-zero otherwise.
set -euo pipefail

build_dir=${1:?usage: bootstrap.sh <build-dir>}
mkdir -p "$build_dir/deps"
deps=$(cd "$build_dir/deps" && pwd)

packages=(
  cmake ninja-build dpkg-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  googletest libstb-dev
  wine wine64 xvfb xauth x11-utils xdotool imagemagick
  fonts-wqy-microhei nsis locales python3 zopfli pngquant
  osslsigncode openssl softhsm2 libengine-pkcs11-openssl
  wine32:i386
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

need_update=0
if [ ${#missing[@]} -gt 0 ]; then need_update=1; fi

# The shipped build is 32-bit: Debian's 32-bit Wine (wine32, i386) runs it
# beside the 64-bit one. The architecture is added once; whether this machine
# can run 32-bit programs at all is found out when the tests start
# (tools/wine-session.sh), not here: the packages install either way.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  need_update=1
fi

# Source packages come from a deb-src entry for the same archive (or mirror)
# and release as the installed packages, taken from apt's own configuration
# (tools/debian-source-entry.sh). It is written, or rewritten when the
# configuration has changed, only when apt does not list one already.
eval "$(apt-config shell sourceparts Dir::Etc::sourceparts/d)"
src_list=${sourceparts:-/etc/apt/sources.list.d/}velt-src.sources
entry_status=0
src_entry=$("$(dirname "${BASH_SOURCE[0]}")/debian-source-entry.sh" "$src_list") || entry_status=$?
case $entry_status in
  0)
    if [ "$(cat "$src_list" 2>/dev/null)" != "$src_entry" ]; then
      echo "$src_entry" | as_root tee "$src_list" >/dev/null
      need_update=1
    fi
    ;;
  3)
    if [ -f "$src_list" ]; then
      as_root rm -f "$src_list"
      need_update=1
    fi
    ;;
  *) exit 1 ;;
esac

fetch_source() { # name, glob of the orig tarball
  local name=$1 glob=$2
  if ! compgen -G "$deps/$glob" >/dev/null; then
    need_update=1
    return 1
  fi
  return 0
}
fetch_source zlib 'zlib_*.orig.tar.*' || true
fetch_source pugixml 'pugixml_*.orig.tar.*' || true

# A mirror being synced answers with index files of the wrong size for a
# while: the update is tried three times, a little later each time, and
# after that apt goes on with the indexes it has (the install below fails
# by itself when they do not serve).
if [ "$need_update" -eq 1 ]; then
  for wait in 20 60 0; do
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq && break
    if [ "$wait" -eq 0 ]; then
      echo "bootstrap: apt-get update failed three times; going on with the package lists apt has" >&2
    else
      echo "bootstrap: apt-get update failed; trying again in $wait s" >&2
      sleep "$wait"
    fi
  done
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

for name in zlib pugixml; do
  if ! compgen -G "$deps/${name}_*.orig.tar.*" >/dev/null; then
    echo "bootstrap: fetching the $name source package"
    (cd "$deps" && apt-get source --download-only -qq "$name" >/dev/null)
  fi
done

# Wine takes its ANSI code page from the POSIX locale: zh_CN.UTF-8 gives 936,
# en_US.UTF-8 gives 1252. Both must exist on the host.
gen=0
for loc in zh_CN.UTF-8 en_US.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc%.UTF-8}.utf8$"; then
    as_root sed -i "s/^# *\(${loc} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${loc} UTF-8" /etc/locale.gen || echo "${loc} UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
    gen=1
  fi
done
[ "$gen" -eq 1 ] && as_root locale-gen >/dev/null

# Unpack the parts we compile: zlib itself, minizip (zlib's contrib) and pugixml.
if [ ! -f "$deps/zlib/inflate.c" ]; then
  tmp=$(mktemp -d)
  tar -xf "$(ls "$deps"/zlib_*.orig.tar.* | head -n1)" -C "$tmp"
  mkdir -p "$deps/zlib"
  cp "$tmp"/zlib-*/*.[ch] "$deps/zlib/"
  rm -rf "$tmp"
fi
if [ ! -f "$deps/minizip/unzip.c" ]; then
  tmp=$(mktemp -d)
  tar -xf "$(ls "$deps"/zlib_*.orig.tar.* | head -n1)" -C "$tmp"
  mkdir -p "$deps/minizip"
  cp "$tmp"/zlib-*/contrib/minizip/{ioapi.c,ioapi.h,unzip.c,unzip.h,zip.c,zip.h,crypt.h} "$deps/minizip/"
  rm -rf "$tmp"
fi
if [ ! -f "$deps/pugixml/pugixml.cpp" ]; then
  tmp=$(mktemp -d)
  tar -xf "$(ls "$deps"/pugixml_*.orig.tar.* | head -n1)" -C "$tmp"
  mkdir -p "$deps/pugixml"
  cp "$tmp"/pugixml-*/src/{pugixml.cpp,pugixml.hpp,pugiconfig.hpp} "$deps/pugixml/"
  rm -rf "$tmp"
fi
echo "bootstrap: ready ($deps)"
