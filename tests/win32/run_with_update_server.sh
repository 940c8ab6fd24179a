#!/bin/bash
# Runs a program with the project's update server (tools/update_server.py) on loopback, and
# hands it to the tests: TARVEX_UPDATE_SERVER (its address), TARVEX_UPDATE_FAULT_FILE (the file
# whose words choose the fault of the next requests) and TARVEX_UPDATE_LOG (its request lines).
# Ends the server it started, by its process id, on every way out.
#   run_with_update_server.sh [SERVER OPTIONS...] -- PROGRAM [ARGUMENTS...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# Requests on loopback never go through a proxy of the shell's.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
options=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  options+=("$1")
  shift
done
[ $# -gt 0 ] && shift
work=$(mktemp -d)
python3 "$here/../../tools/update_server.py" "${options[@]}" --fault-file "$work/fault" \
  --log "$work/requests.log" >"$work/server.out" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
tries=0
until grep -q '^port=' "$work/server.out"; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$server" 2>/dev/null; then
    echo "update server did not start:"; cat "$work/server.out"; exit 1
  fi
  sleep 0.1
done
port=$(sed -n 's/^port=//p' "$work/server.out")
TARVEX_UPDATE_SERVER="127.0.0.1:$port" TARVEX_UPDATE_FAULT_FILE="$work/fault" TARVEX_UPDATE_LOG="$work/requests.log" \
  "$@"
