#!/usr/bin/env bash
# Runs the control tests that need windows on an Xvfb display of their own, in a Wine
# prefix of their own (a prefix's desktop keeps the display it started with, so the
# build's shared prefix may have none). Here a skipped test is a failure.
# usage: controls_display.sh WORKDIR TEST.exe...
set -uo pipefail

work=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib/wine-session.sh"

prefix=$work/wineprefix
mkdir -p "$work"
xvfb_pid=""
trap 'stop_display "$prefix"' EXIT
start_display "$work" || exit 1
WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null

status=0
for test_exe in "$@"; do
  out=$work/$(basename "$test_exe" .exe).out
  "$here/../../../scripts/wine-run" --prefix "$prefix" --timeout 300 "$test_exe" >"$out" 2>&1
  rc=$?
  cat "$out"
  if [ "$rc" -ne 0 ]; then
    status=$rc
  elif grep -q '^\[  SKIPPED \]' "$out"; then
    echo "controls_display: $(basename "$test_exe"): tests were skipped although a display was there" >&2
    status=1
  fi
done
exit $status
