#!/usr/bin/env bash
# Checks that each shipped PE carries no debug information and no symbol table.
#   check-stripped.sh <objdump> <pe>...
# Fails (exit 1) when a PE has a section named .debug* (or a long section name
# kept in a COFF string table, which only a symbol table carries), when objdump
# reports HAS_SYMS or HAS_DEBUG for it, or when it lists any symbol; prints one
# line per PE with its size.
set -u
objdump=$1; shift
[ $# -gt 0 ] || { echo "check-stripped: no shipped PE given"; exit 1; }

status=0
for pe in "$@"; do
  name=$(basename "$pe")
  if [ ! -f "$pe" ]; then echo "check-stripped: $name: missing"; status=1; continue; fi
  headers=$("$objdump" -h "$pe") || { echo "check-stripped: $name: objdump failed"; status=1; continue; }
  file_flags=$("$objdump" -f "$pe")
  symbols=$("$objdump" -t "$pe")
  bad=$(printf '%s\n' "$headers" | awk '$1 ~ /^[0-9]+$/ && ($2 ~ /^\.debug/ || $2 ~ /^\//) {print $2}')
  fail=
  [ -n "$bad" ] && fail="$fail debug sections: $(echo $bad);"
  printf '%s\n' "$file_flags" | grep -Eq '\bHAS_(SYMS|DEBUG)\b' &&
    fail="$fail flags: $(printf '%s\n' "$file_flags" | grep -Eo '\bHAS_(SYMS|DEBUG)\b' | tr '\n' ' ');"
  nsyms=$(printf '%s\n' "$symbols" | grep -c '^\[ *[0-9]*\]')
  [ "$nsyms" -gt 0 ] && fail="$fail $nsyms symbols;"
  if [ -n "$fail" ]; then
    echo "  FAIL: $name ($(stat -c %s "$pe") bytes) is not stripped:$fail"
    status=1
  else
    echo "$name: stripped, $(stat -c %s "$pe") bytes"
  fi
done
[ $status -eq 0 ] && echo "check-stripped: $# PE file(s) carry no debug sections and no symbols"
exit $status
