#!/bin/sh
# Runs a Windows test program with the project's update server (tools/update_server.py) on
# loopback, and hands its address to the tests as TARVEX_UPDATE_SERVER. Ends the server it
# started, by its process id, on every way out.
#   run_with_update_server.sh WINE PROGRAM [ARGUMENTS...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp)
python3 "$here/../../tools/update_server.py" --installer-size 5242880 >"$out" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; rm -f "$out"' EXIT INT TERM
tries=0
until grep -q '^port=' "$out"; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$server" 2>/dev/null; then
    echo "update server did not start:"; cat "$out"; exit 1
  fi
  sleep 0.1
done
port=$(sed -n 's/^port=//p' "$out")
TARVEX_UPDATE_SERVER="127.0.0.1:$port" "$@"
