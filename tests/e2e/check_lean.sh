#!/bin/sh
# The shipped Tarvex.exe carries no debug information (that is kept in Tarvex.exe.debug
# beside it, which the exe links to) and stays within 1.25 MiB with every picture and icon.
#   check_lean.sh EXE
set -eu
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
limit=1310720
status=0

size=$(wc -c <"$exe")
echo "$exe: $size bytes"
if [ "$size" -gt "$limit" ]; then
  echo "larger than $limit bytes"
  status=1
fi
debug=$("$objdump" -h "$exe" | awk '$2 ~ /^\.debug/ { print $2 }')
if [ -n "$debug" ]; then
  echo "debug sections in the shipped exe:" $debug
  status=1
fi
if ! "$objdump" -h "$exe" | grep -q ' \.gnu_debuglink '; then
  echo "no debug link to $(basename "$exe").debug"
  status=1
fi
if ! "$objdump" -h "$exe.debug" 2>/dev/null | grep -q ' \.debug_info '; then
  echo "$exe.debug holds no debug information"
  status=1
fi
exit $status
