#!/usr/bin/env bash
# Prints the deb-src entry (deb822 form) that matches this machine's own
# Debian binary entry, so that "apt-get source" fetches from the same archive
# or mirror and the same release as the installed packages.
#
# Usage: tools/debian-source-entry.sh [file-to-ignore]
#   The sources are those apt reads (apt-config: Dir::Etc::sourcelist, then
#   the files of Dir::Etc::sourceparts in name order), both one-line "deb"
#   lines and deb822 stanzas ("Enabled: no" skipped); file-to-ignore is left
#   out (the entry an earlier run wrote). APT_CONFIG is honoured, and
#   VELT_OS_RELEASE names another os-release file (for tests).
#
# The Debian binary entry is the first "deb" entry with the component "main"
# whose suite is this system's release (VERSION_CODENAME of os-release); if
# none names it, the first whose URI ends in "/debian" and whose suite is a
# plain name (no "-security", "-updates", ...). Its URI, its suite and its
# Signed-By are copied, with "Components: main".
#
# Output: the stanza on stdout, exit 0; nothing and exit 3 when a deb-src
# entry for that URI and suite is configured already; a message on stderr and
# exit 1 when no Debian binary entry is found.
set -euo pipefail

ignore=${1:-}
os_release=${VELT_OS_RELEASE:-/etc/os-release}
release=$( (. "$os_release" 2>/dev/null && echo "${VERSION_CODENAME:-}") || true)

eval "$(apt-config shell sourcelist Dir::Etc::sourcelist/f sourceparts Dir::Etc::sourceparts/d)"
files=()
[ -f "${sourcelist:-}" ] && files+=("$sourcelist")
for f in "${sourceparts:-/nonexistent/}"*; do
  case $f in *.list | *.sources) [ -f "$f" ] && [ "$f" != "$ignore" ] && files+=("$f") ;; esac
done

# One record per URI and suite of every entry with the component "main":
# type (deb or deb-src), URI, suite, Signed-By (lines joined by \037).
records() {
  local f
  for f in "${files[@]}"; do
    case $f in
      *.sources)
        awk 'BEGIN { RS = ""; FS = "\n" }
          {
            delete v; key = ""
            for (i = 1; i <= NF; i++) {
              line = $i
              if (line ~ /^#/) continue
              if (line ~ /^[ \t]/ && key != "") { v[key] = v[key] "\037" line; continue }
              colon = index(line, ":"); if (colon == 0) continue
              key = tolower(substr(line, 1, colon - 1))
              value = substr(line, colon + 1); sub(/^[ \t]+/, "", value); sub(/[ \t]+$/, "", value)
              v[key] = value
            }
            if (tolower(v["enabled"]) == "no" || (" " v["components"] " ") !~ / main /) next
            nt = split(v["types"], types, /[ \t]+/)
            nu = split(v["uris"], uris, /[ \t]+/)
            ns = split(v["suites"], suites, /[ \t]+/)
            for (t = 1; t <= nt; t++) for (u = 1; u <= nu; u++) for (s = 1; s <= ns; s++)
              if (types[t] == "deb" || types[t] == "deb-src")
                printf "%s\t%s\t%s\t%s\n", types[t], uris[u], suites[s], v["signed-by"]
          }' "$f"
        ;;
      *)
        awk '/^[ \t]*(deb|deb-src)[ \t]/ {
            line = $0; sub(/#.*/, "", line)
            type = line; sub(/^[ \t]*/, "", type); sub(/[ \t].*/, "", type)
            rest = line; sub(/^[ \t]*(deb|deb-src)[ \t]+/, "", rest)
            options = ""
            if (rest ~ /^\[/) { options = substr(rest, 2, index(rest, "]") - 2); rest = substr(rest, index(rest, "]") + 1) }
            n = split(rest, f, /[ \t]+/); if (f[1] == "") { for (i = 1; i < n; i++) f[i] = f[i + 1]; n-- }
            main = 0; for (i = 3; i <= n; i++) if (f[i] == "main") main = 1
            if (!main) next
            signed = ""
            if (match(options, /signed-by=[^ \t]+/)) signed = substr(options, RSTART + 10, RLENGTH - 10)
            printf "%s\t%s\t%s\t%s\n", type, f[1], f[2], signed
          }' "$f"
        ;;
    esac
  done
}

all=$(records)
pick() { # awk condition on uri ($2) and suite ($3) of a deb record
  awk -F '\t' -v release="$release" '$1 == "deb" && ('"$1"') { print; exit }' <<<"$all"
}
entry=$(pick '$3 == release && release != ""')
[ -n "$entry" ] || entry=$(pick '$2 ~ /\/debian\/?$/ && $3 ~ /^[a-z]+$/')
if [ -z "$entry" ]; then
  echo "debian-source-entry: no Debian binary entry with \"main\" in apt's sources" >&2
  exit 1
fi
IFS=$'\t' read -r _ uri suite signed <<<"$entry"

# A deb-src entry for the same archive and release is there already.
if awk -F '\t' -v uri="${uri%/}" -v suite="$suite" \
  '$1 == "deb-src" && ($2 == uri || $2 == uri "/") && $3 == suite { found = 1 } END { exit !found }' <<<"$all"; then
  exit 3
fi

echo "Types: deb-src"
echo "URIs: $uri"
echo "Suites: $suite"
echo "Components: main"
if [ -n "$signed" ]; then
  # A key given in the entry itself starts on the next line.
  [ "${signed:0:1}" = $'\037' ] || signed=" $signed"
  echo "Signed-By:${signed//$'\037'/$'\n'}"
fi
