#!/bin/sh
# Runs one e2e suite in a Wine prefix, wineserver and Xvfb display of its own:
#   run_suite.sh DISPLAY_NUMBER SUITE_EXE TEMPLATE_PREFIX WORK_DIR [gtest args...]
# DISPLAY_NUMBER "-" runs without a display: the prefix gets Wine's null graphics driver.
# TARVEX_LOG_PIXELS, when set, is the prefix's DPI (Wine reads it when a process starts).
# Screenshots and the prefix stay in WORK_DIR for looking at afterwards.
set -u
display=$1 suite=$2 template=$3 work=$4
shift 4

rm -rf "$work"
mkdir -p "$work/screens"
cp -a "$template" "$work/prefix"
export WINEPREFIX="$work/prefix" TARVEX_E2E_OUT="$work/screens"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY DISPLAY

xvfb=
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }
}
trap cleanup EXIT INT TERM

# Settings of the prefix, written before its persistent server starts.
reg() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
[ "$display" != - ] || reg 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null
[ -z "${TARVEX_LOG_PIXELS:-}" ] || reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$TARVEX_LOG_PIXELS"
wineserver -w

if [ "$display" != - ]; then
  export DISPLAY=":$display"
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.05
  done
fi

wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
wine "$suite" "$@"
