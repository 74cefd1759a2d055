# Sourced by install_e2e.sh after its other runs, with its prefix, staged demo and
# helpers (wine, run_setupc, drive, shot, expect, check): the wizard at 96, 144 and 192
# DPI, and the demo installed with the keyboard alone.

# --- the wizard at 96, 144 and 192 DPI --------------------------------------------------------
set_dpi() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
# The CLIENT and CONTROL lines of the "list" step with the given comment.
listed() { awk -v step="$2" '/^STEP / { on = index($0, step) > 0 } on && /^(CLIENT|CONTROL) / { print }' "$1"; }
for dpi in 96 144 192; do
  set_dpi "$dpi"
  drive "dpi$dpi" <<EOF
wait-text Next >
sleep 300
$([ "$dpi" != 96 ] && shot "dpi$dpi-welcome")
list # welcome
press Next >
wait-text What is new in this version
press Next >
wait-text Choose the installation folder
sleep 300
$([ "$dpi" != 96 ] && shot "dpi$dpi-folder")
list # folder
$([ "$dpi" = 96 ] && printf 'dpi 192\nsleep 300\nlist # moved to 192\n')
answer Yes
close
EOF
done
set_dpi 96
# scaled_within_a_pixel BASE OTHER FACTOR: prints the lines of OTHER whose rectangle is not
# BASE's times FACTOR within a pixel. Left out: the height of the label that fits its
# text, and the size of the etched line above the buttons (drawn at the system's thickness).
scaled_within_a_pixel() {
  paste -d '\n' <(printf '%s\n' "$1") <(printf '%s\n' "$2") | awk -v f="$3" '
    function near(a, b) { return a * f - b <= 1 && b - a * f <= 1 }
    function numbers(line, out,   r) {
      r = line ~ /^CLIENT / ? "0,0," substr(line, 8) : line
      sub(/.* rect=/, "", r); sub(/ .*/, "", r); gsub(/x/, ",", r); return split(r, out, ",")
    }
    NR % 2 == 1 { base = $0; next }
    {
      if (numbers(base, a) != 4 || numbers($0, b) != 4) { print "unreadable: " $0; next }
      line = base ~ /^CONTROL class=Static /
      fits = line || base ~ /text=This will install/
      if (!near(a[1], b[1]) || !near(a[2], b[2]) || (!line && !near(a[3], b[3])) || (!fits && !near(a[4], b[4]))) print $0
    }'
}
for page in welcome folder; do
  base=$(listed "$data/dpi96.out" "# $page")
  for pair in 144:1.5 192:2; do
    other=$(listed "$data/dpi${pair%%:*}.out" "# $page")
    expect "${pair%%:*} DPI: the $page page's $(printf '%s\n' "$base" | wc -l) lines scaled by ${pair#*:}" \
      "$(printf '%s\n' "$base" | wc -l)" "$(printf '%s\n' "$other" | wc -l)$(scaled_within_a_pixel "$base" "$other" "${pair#*:}")"
  done
done
# The verification window of those runs: client area and places times 1.5 and 2 (its
# labels' sizes follow their text).
verify_layout() {
  grep -m1 '^LAYOUT ' "$data/$1.out" | sed -E 's/@[0-9]+,[0-9]+//; s/(Label1|StatusLabel)=([0-9]+,[0-9]+),[0-9]+x[0-9]+/\1=\2/g'
}
expect "144 and 192 DPI: the verification window scaled" \
  "LAYOUT client=482x105 Label1=12,12 StatusLabel=12,48 ProgressBar1=12,72,458x24
LAYOUT client=642x140 Label1=16,16 StatusLabel=16,64 ProgressBar1=16,96,610x32" "$(verify_layout dpi144; verify_layout dpi192)"
expect "a move to a 192-DPI monitor lays the folder page out as a start at 192 DPI does" \
  "$(listed "$data/dpi192.out" "# folder")" "$(listed "$data/dpi96.out" "# moved to 192")"

# --- the keyboard alone ------------------------------------------------------------------------
cp -r "$demo" "$data/kbdemo"
english=$data/kbdemo/languages/english.txt
iconv -f UTF-16 -t UTF-8 "$english" | sed 's/^12 < Back/12 < \&Back/; s/^13 Next >/13 \&Next >/' |
  iconv -f UTF-8 -t UTF-16 >"$english.new" && mv "$english.new" "$english"
mkdir -p "$data/keyboard"
run_setupc compile "$data/kbdemo/demo.setup" --stub "$stub" -o "$data/keyboard/setup.exe" >"$data/keyboard/compile.log" 2>&1
drive keyboard "$data/keyboard/setup.exe" <<EOF
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
focus # rich edit
key Tab
focus # after the rich edit
key Tab
key Tab
key Enter
wait-text Choose the installation folder
sleep 300
focus # folder
$(for i in 1 2 3 4 5 6; do printf 'key Tab\nfocus # tab %s\n' "$i"; done)
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
key Enter
wait-text Setup is complete
sleep 300
focus # finish
key Enter
EOF
out=$data/keyboard.out
# The FOCUS lines of the "focus" steps with the given comments, without their rectangles.
focus_at() {
  local step
  for step in "$@"; do
    awk -v step="# $step" '/^STEP / { on = index($0, step) > 0 } on && /^FOCUS / { sub(/ rect=[^ ]*/, ""); print; exit }' "$out"
  done
}
expect "keyboard: Escape asks, the steps done, the end" "MESSAGEBOX caption=Exit Setup text=Are you sure you want to quit?
STEPS_DONE
EXIT 0" "$(grep -E '^(MESSAGEBOX caption=Exit|STEPS_DONE|EXIT|TIMEOUT)' "$out")"
expect "keyboard: the focus on Next (Install, Finish) as each page appears" "FOCUS class=Button text=&Next >
FOCUS class=Button text=&Next >
FOCUS class=Button text=&Next >
FOCUS class=Button text=Install
FOCUS class=Button text=Finish" "$(focus_at welcome changelog folder confirm finish)"
expect "keyboard: Shift+Tab from Next to the language button; Tab into and out of the rich edit" \
  "FOCUS class=Button text=English
RICHEDIT50W
FOCUS class=Button text=English" \
  "$(focus_at 'language button'; focus_at 'rich edit' | sed 's/^FOCUS class=\([^ ]*\).*/\1/' | tr a-z A-Z; focus_at 'after the rich edit')"
expect "keyboard: Tab round the folder page in order, Shift+Tab back" "FOCUS class=Button text=Cancel
FOCUS class=SysTreeView32 text=
FOCUS class=Edit text=C:\\Program Files\\Demo Product\\
FOCUS class=Button text=English
FOCUS class=Button text=< &Back
FOCUS class=Button text=&Next >
FOCUS class=Button text=< &Back
FOCUS class=Edit text=C:\\Program Files\\Demo Product\\" "$(focus_at 'tab 1' 'tab 2' 'tab 3' 'tab 4' 'tab 5' 'tab 6' shift-tab 'the field')"
check "keyboard: installed into the folder typed" "no readme.txt there" \
  test -f "$prefix/drive_c/Program Files/Keyboard Demo/readme.txt"
