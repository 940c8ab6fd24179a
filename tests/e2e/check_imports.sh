#!/bin/sh
# Lists every function Tarvex.exe imports, DLL by DLL, and fails on any that is not in
# xp_imports.txt beside this script: the functions known to be exported by name by
# Windows XP SP3 (with common controls 6 through the manifest). Wine exports everything
# under every version, so only this check sees what XP's loader would refuse.
#   check_imports.sh EXE [LIST]
set -eu
exe=$1
list=${2:-$(dirname "$0")/xp_imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
export LC_ALL=C
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One "dll function" line per import, the DLL in lower case; an import by ordinal is "dll @N".
"$objdump" -p "$exe" >"$tmp/headers"
awk '
  /^The Import Tables/ { inTables = 1; next }
  !inTables { next }
  /^The Export Tables|^PE File Base Relocations|^The Debug Directory/ { exit }
  /^\tDLL Name: / { dll = tolower($3); next }
  /^\tvma:/ { inNames = (dll != ""); next }
  inNames && NF == 0 { inNames = 0; dll = ""; next }
  inNames && $3 == "<none>" { print dll " @" $2; next }
  inNames && NF >= 3 { print dll " " $3; next }
  inNames { print "unreadable import line in " dll ": " $0 > "/dev/stderr"; bad = 1 }
  END { exit bad }
' "$tmp/headers" | sort -u >"$tmp/imports"
[ -s "$tmp/imports" ] || { echo "no imports found in $exe"; exit 1; }
sed -e 's/#.*//' -e 's/[[:space:]][[:space:]]*/ /g' -e 's/^ //' -e 's/ $//' "$list" | grep -v '^$' | sort -u >"$tmp/allowed"

awk '$1 != dll { dll = $1; print dll } { print "    " $2 }' "$tmp/imports"

comm -23 "$tmp/imports" "$tmp/allowed" >"$tmp/missing"
if [ -s "$tmp/missing" ]; then
  echo "not exported by Windows XP SP3 as far as $list knows:"
  sed 's/^/    /' "$tmp/missing"
  echo "resolve these at run time with a fallback, or check each one's availability on XP and add it"
  exit 1
fi
echo "all $(wc -l <"$tmp/imports") imports are exported by Windows XP SP3"
