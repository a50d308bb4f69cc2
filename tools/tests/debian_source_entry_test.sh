#!/usr/bin/env bash
# Runs tools/debian-source-entry.sh against made-up apt configurations (through
# APT_CONFIG and VELT_OS_RELEASE): mirrors in deb822 and one-line form, a later
# release, disabled and third-party entries, an existing deb-src entry, none
# at all. Prints every mismatch; exit status 0 when all cases hold.
set -uo pipefail
script=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/debian-source-entry.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

# case <name> <codename or ""> <expected status> <expected output>; the
# sources come from the files written into $tmp/etc before the call.
case_() {
  local name=$1 codename=$2 status=$3 want=$4 got rc
  mkdir -p "$tmp/etc/apt.conf.d"
  printf 'Dir::Etc "%s/etc";\n' "$tmp" >"$tmp/apt.conf"
  if [ -n "$codename" ]; then echo "VERSION_CODENAME=$codename" >"$tmp/os-release"; else echo "ID=debian" >"$tmp/os-release"; fi
  got=$(APT_CONFIG=$tmp/apt.conf VELT_OS_RELEASE=$tmp/os-release "$script" "$tmp/etc/sources.list.d/ours.sources" 2>/dev/null)
  rc=$?
  if [ "$rc" != "$status" ] || [ "$got" != "$want" ]; then
    printf 'FAIL %s: status %s (want %s)\n--- got\n%s\n--- want\n%s\n' "$name" "$rc" "$status" "$got" "$want"
    failures=$((failures + 1))
  fi
  rm -rf "$tmp/etc"
}
parts() { mkdir -p "$tmp/etc/sources.list.d"; cat >"$tmp/etc/sources.list.d/$1"; }

parts 10-other.sources <<'S'
Types: deb
URIs: https://vendor.invalid/apt
Suites: nodistro
Components: main
S
parts debian.sources <<'S'
Types: deb
URIs: http://mirror.invalid/debian-security
Suites: trixie-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

# an old entry, switched off
Types: deb
URIs: http://old.invalid/debian
Suites: trixie
Components: main
Enabled: no

Types: deb
URIs: http://mirror.invalid/debian
Suites: trixie trixie-updates
Components: main contrib
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 abc
S
parts ours.sources <<'S'
Types: deb-src
URIs: http://stale.invalid/debian
Suites: trixie
Components: main
S
case_ "deb822 mirror, later release" trixie 0 "Types: deb-src
URIs: http://mirror.invalid/debian
Suites: trixie
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 abc"

mkdir -p "$tmp/etc/sources.list.d"
cat >"$tmp/etc/sources.list" <<'S'
# deb http://commented.invalid/debian bookworm main
deb http://vendor.invalid/apt bookworm-extra main
deb [arch=amd64 signed-by=/etc/keys/mirror.gpg] http://mirror.invalid/debian/ stable main non-free
deb-src http://other.invalid/debian stable main
S
case_ "one-line mirror, no codename" "" 0 "Types: deb-src
URIs: http://mirror.invalid/debian/
Suites: stable
Components: main
Signed-By: /etc/keys/mirror.gpg"

mkdir -p "$tmp/etc/sources.list.d"
cat >"$tmp/etc/sources.list" <<'S'
deb http://mirror.invalid/debian bookworm main
deb-src http://mirror.invalid/debian/ bookworm main
S
case_ "deb-src there already" bookworm 3 ""

parts only-vendor.list <<'S'
deb https://vendor.invalid/apt nodistro main
S
case_ "no Debian entry" bookworm 1 ""

[ "$failures" -eq 0 ] && echo "debian-source-entry: all cases hold"
exit $((failures > 0))
