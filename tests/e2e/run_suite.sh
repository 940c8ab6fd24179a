#!/bin/sh
# Runs one e2e suite in a Wine prefix, wineserver and Xvfb display of its own:
#   run_suite.sh DISPLAY_NUMBER SUITE_EXE TEMPLATE_PREFIX WORK_DIR [gtest args...]
# Screenshots and the prefix stay in WORK_DIR for looking at afterwards.
set -u
display=$1 suite=$2 template=$3 work=$4
shift 4

rm -rf "$work"
mkdir -p "$work/screens"
cp -a "$template" "$work/prefix"
export WINEPREFIX="$work/prefix" DISPLAY=":$display" TARVEX_E2E_OUT="$work/screens"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT INT TERM
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done

wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
wine "$suite" "$@"
