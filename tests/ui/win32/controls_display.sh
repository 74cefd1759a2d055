#!/usr/bin/env bash
# Runs the control tests that need windows on an Xvfb display of their own, in a Wine
# prefix of their own (a prefix's desktop keeps the display it started with, so the
# build's shared prefix may have none). Here a skipped test is a failure.
# usage: controls_display.sh TEST.exe WORKDIR
set -uo pipefail

test_exe=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/lib/wine-session.sh"

prefix=$work/wineprefix
mkdir -p "$work"
xvfb_pid=""
trap 'stop_display "$prefix"' EXIT
start_display "$work" || exit 1
WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null

"$here/../../../scripts/wine-run" --prefix "$prefix" --timeout 300 "$test_exe" \
  --gtest_filter='ControlWindows.*' >"$work/test.out" 2>&1
rc=$?
cat "$work/test.out"
[ "$rc" -eq 0 ] || exit "$rc"
if grep -q '^\[  SKIPPED \]' "$work/test.out"; then
  echo "controls_display: tests were skipped although a display was there" >&2
  exit 1
fi
