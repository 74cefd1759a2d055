#!/usr/bin/env bash
# The wizard at high DPI and from the keyboard, under Wine and Xvfb, with the example
# product (examples/demo):
# - at 96, 144 and 192 DPI (Wine's "LogPixels" in this test's own prefix) the driver
#   lists the welcome and folder pages; every control's place and size, and the
#   window's client size, must be those at 96 DPI times 1.5 and 2, within a pixel (a
#   label that fits its height to its text keeps only its place and width). At 144
#   DPI the two pages are kept as screenshots (DIR/screenshots/dpi144-*.png).
# - a wizard at 96 DPI told that its monitor changed to 192 DPI (WM_DPICHANGED) lays
#   the folder page out as a wizard started at 192 DPI does.
# - the demo, its Back and Next given mnemonics, is installed with the keyboard alone:
#   Escape asks to quit, the language menu opens and switches from the keyboard, Alt+N
#   goes on, Tab and Shift+Tab visit the page's controls and the buttons in order (and
#   leave a rich edit), the folder is typed, Enter presses Next, Install and Finish; the
#   focus is on Next as each page appears.
#
# usage: wizard_access_e2e.sh --stub STUB.exe --driver setup_driver.exe --setupc SETUPC.exe --work DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
wine_run=$repo/scripts/wine-run
source "$repo/scripts/lib/wine-session.sh"
source "$here/e2e_common.sh"
source "$repo/scripts/lib/demo-stage.sh"

stub="" driver="" setupc="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --stub) stub=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --setupc) setupc=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "wizard_access_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
for f in "$stub" "$driver" "$setupc"; do
  [ -f "$f" ] || { echo "wizard_access_e2e: missing program '$f'" >&2; exit 2; }
done
[ -n "$work" ] || { echo "wizard_access_e2e: --work is required" >&2; exit 2; }

prefix=$work/access-prefix
data=$work/access
screenshots=$work/screenshots
rm -rf "$data"
mkdir -p "$data" "$screenshots"
failures=0
watchdog_pid=""
cleanup() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  stop_display "$prefix"
}
trap cleanup EXIT
start_watchdog 300 wizard_access_e2e

# Large enough for the wizard at 192 DPI.
start_display "$data" 1600x1000 || exit 1
wine() { "$wine_run" --prefix "$prefix" --timeout 90 "$@"; }
WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
rm -rf "$prefix"
wine cmd.exe /c exit 0 >/dev/null 2>&1
unmanaged_windows "$wine_run" "$prefix" || true
WINEPREFIX=$prefix "$wineserver" -p

run_setupc() {
  local arg args=()
  for arg in "$@"; do
    if [[ $arg == /* ]]; then args+=("$(winpath "$arg")"); else args+=("$arg"); fi
  done
  wine "$setupc" "${args[@]}"
}
demo=$data/demo
stage_demo "$demo" || { echo "wizard_access_e2e: staging the demo failed" >&2; exit 1; }
setup=$data/setup.exe
run_setupc compile "$demo/demo.setup" --stub "$stub" -o "$setup" >"$data/compile.log" 2>&1 ||
  { echo "wizard_access_e2e: setupc compile failed" >&2; cat "$data/compile.log" >&2; exit 1; }

# drive NAME: runs the setup through the steps on stdin; the report in $data/NAME.out,
# the screenshots named in the steps as PNG.
drive() {
  local name=$1
  cat >"$data/$name.steps"
  run_reported "$data/$name.out" \
    wine "$driver" run --timeout-ms 90000 --steps "$(winpath "$data/$name.steps")" -- "$(winpath "$setup")"
  local shot
  for shot in $(sed -n 's/^SCREENSHOT .*\\\([a-z0-9-]*\)\.bmp$/\1/p' "$data/$name.out"); do
    convert "$data/$shot.bmp" "$screenshots/$shot.png" && rm -f "$data/$shot.bmp"
  done
}
shot() { printf 'screenshot %s\n' "$(winpath "$data/$1.bmp")"; }
set_dpi() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
# The CLIENT and CONTROL lines of the "list" step with the given comment.
listed() { awk -v step="$2" '/^STEP / { on = index($0, step) > 0 } on && /^(CLIENT|CONTROL) / { print }' "$1"; }

# --- the same pages at three DPIs ------------------------------------------------------
for dpi in 96 144 192; do
  set_dpi "$dpi"
  shots=""
  [ "$dpi" = 144 ] && shots=1
  moved=""
  [ "$dpi" = 96 ] && moved=1
  drive "dpi$dpi" <<EOF
wait-text Next >
sleep 300
${shots:+$(shot dpi144-welcome)}
list # welcome
press Next >
wait-text What is new in this version
press Next >
wait-text Choose the installation folder
sleep 300
${shots:+$(shot dpi144-folder)}
list # folder
${moved:+dpi 192}
${moved:+sleep 300}
${moved:+list # moved to 192}
answer Yes
close
EOF
done
set_dpi 96

# scaled_within_a_pixel BASE OTHER FACTOR: the CLIENT and CONTROL lines of OTHER have
# the rectangles of BASE times FACTOR, within a pixel, line by line; prints those that
# differ. Left out: the height of the label whose height follows its text, and the size
# of the etched line above the buttons (the system draws it at its own thickness).
scaled_within_a_pixel() {
  paste -d '\n' <(printf '%s\n' "$1") <(printf '%s\n' "$2") | awk -v f="$3" '
    function near(a, b) { return a * f - b <= 1 && b - a * f <= 1 }
    function numbers(line, out,   r) {
      if (line ~ /^CLIENT /) { r = substr(line, 8); gsub(/x/, ",", r); return split("0,0," r, out, ",") }
      r = line; sub(/.* rect=/, "", r); sub(/ .*/, "", r); gsub(/x/, ",", r); return split(r, out, ",")
    }
    NR % 2 == 1 { base = $0; next }
    {
      if (numbers(base, a) != 4 || numbers($0, b) != 4) { print "unreadable: " base " / " $0; next }
      line = base ~ /^CONTROL class=Static /
      follows = line || base ~ /text=This will install/
      if (!near(a[1], b[1]) || !near(a[2], b[2]) || (!line && !near(a[3], b[3])) || (!follows && !near(a[4], b[4])))
        print base "  ->  " $0
    }'
}
for page in welcome folder; do
  base=$(listed "$data/dpi96.out" "# $page")
  check "96 DPI: the $page page listed" "see $data/dpi96.out" test -n "$base"
  for pair in 144:1.5 192:2; do
    other=$(listed "$data/dpi${pair%%:*}.out" "# $page")
    expect "${pair%%:*} DPI: the $page page has as many controls as at 96 DPI" \
      "$(printf '%s\n' "$base" | wc -l)" "$(printf '%s\n' "$other" | wc -l)"
    expect "${pair%%:*} DPI: the $page page scaled by ${pair#*:}" "" \
      "$(scaled_within_a_pixel "$base" "$other" "${pair#*:}")"
  done
done
expect "a move to a 192-DPI monitor lays the folder page out as a start at 192 DPI does" \
  "$(listed "$data/dpi192.out" "# folder")" "$(listed "$data/dpi96.out" "# moved to 192")"

# --- the keyboard alone -------------------------------------------------------------------
# Back and Next with mnemonics ("< &Back", "&Next >"), compiled into a setup of its own.
english=$demo/languages/english.txt
iconv -f UTF-16 -t UTF-8 "$english" | sed 's/^12 < Back/12 < \&Back/; s/^13 Next >/13 \&Next >/' |
  iconv -f UTF-8 -t UTF-16 >"$english.new" && mv "$english.new" "$english"
mkdir -p "$data/keyboard"
setup=$data/keyboard/setup.exe
run_setupc compile "$demo/demo.setup" --stub "$stub" -o "$setup" >"$data/keyboard-compile.log" 2>&1 ||
  { echo "wizard_access_e2e: setupc compile with mnemonics failed" >&2; cat "$data/keyboard-compile.log" >&2; }
drive keyboard <<EOF
wait-text &Next >
sleep 300
focus # welcome
hold-boxes
key Escape
wait-box Exit Setup
key N
answer OK
key Shift+Tab
focus # language button
key Enter
key Down
key Down
key Enter
wait-text Weiter >
key Enter
key Down
key Enter
wait-text &Next >
key Alt+N
wait-text What is new in this version
sleep 300
focus # changelog
key Tab
key Tab
focus # changelog rich edit
key Tab
focus # changelog after the rich edit
key Tab
key Tab
key Enter
wait-text Choose the installation folder
sleep 300
focus # folder
key Tab
focus # tab 1
key Tab
focus # tab 2
key Tab
focus # tab 3
key Tab
focus # tab 4
key Tab
focus # tab 5
key Tab
focus # tab 6
key Shift+Tab
focus # shift-tab
key Shift+Tab
key Shift+Tab
focus # the field
keys C:\\Program Files\\Keyboard Demo
key Enter
wait-text Ready to install
sleep 300
focus # confirm
hold-boxes
key Enter
wait-box Demo Product
key Enter
answer OK
wait-text Setup is complete
sleep 300
focus # finish
key Enter
EOF
out=$data/keyboard.out
# focus_at LABEL: the FOCUS line of the "focus" step with that comment, its rectangle left out.
focus_at() { awk -v step="# $1" '/^STEP / { on = index($0, step) > 0 } on && /^FOCUS / { sub(/ rect=[^ ]*/, ""); print; exit }' "$out"; }
expect "keyboard: every step done, the end" "STEPS_DONE EXIT 0" "$(grep -E '^(STEPS_DONE|EXIT|TIMEOUT)' "$out" | tr '\n' ' ' | sed 's/ $//')"
expect "keyboard: Escape asks before quitting" "MESSAGEBOX caption=Exit Setup text=Are you sure you want to quit?" \
  "$(grep -m1 '^MESSAGEBOX' "$out")"
expect "keyboard: the focus on Next as each page appears, on Finish at the end" \
  "FOCUS class=Button text=&Next >
FOCUS class=Button text=&Next >
FOCUS class=Button text=&Next >
FOCUS class=Button text=Install
FOCUS class=Button text=Finish" \
  "$(for page in welcome changelog folder confirm finish; do focus_at "$page"; done)"
expect "keyboard: Shift+Tab from Next reaches the language button" "FOCUS class=Button text=English" "$(focus_at 'language button')"
expect "keyboard: Tab passes into and out of the rich edit" "RICHEDIT50W
FOCUS class=Button text=English" \
  "$(focus_at 'changelog rich edit' | sed 's/^FOCUS class=\([^ ]*\).*/\1/' | tr a-z A-Z; focus_at 'changelog after the rich edit')"
expect "keyboard: Tab goes round the folder page in order, Shift+Tab back" \
  "FOCUS class=Button text=Cancel
FOCUS class=SysTreeView32 text=
FOCUS class=Edit text=C:\\Program Files\\Demo Product\\
FOCUS class=Button text=English
FOCUS class=Button text=< &Back
FOCUS class=Button text=&Next >
FOCUS class=Button text=< &Back
FOCUS class=Edit text=C:\\Program Files\\Demo Product\\" \
  "$(for step in 'tab 1' 'tab 2' 'tab 3' 'tab 4' 'tab 5' 'tab 6' shift-tab 'the field'; do focus_at "$step"; done)"
check "keyboard: installed into the folder typed" "no readme.txt there" \
  test -f "$prefix/drive_c/Program Files/Keyboard Demo/readme.txt"

if ((failures > 0)); then
  echo "$failures check(s) failed; reports in $data"
  exit 1
fi
echo "all checks passed"
