#!/usr/bin/env bash
# End-to-end checks of the setup stub's start-up under Wine and Xvfb: packages made
# with setupc, the stub watched by setup_driver as a user would see it. A setup that
# starts cleanly shows its wizard (titled " StubE2E 1.0"), which the driver closes.
#
# usage: stub_e2e.sh --stub STUB.exe --driver setup_driver.exe --setupc SETUPC
#                    --work DIR [--platform-test platform_win32_test.exe]
#
# SETUPC is the Windows build (run under Wine) or the native one. DIR holds the Wine
# prefix, the packages made here and screenshots/verify.png. With --platform-test,
# the message-box tests of that binary, which need a display, run here as well.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run
source "$here/../../scripts/lib/wine-session.sh"
source "$here/../../scripts/lib/setup-records.sh"
source "$here/e2e_common.sh"

stub="" driver="" setupc="" work="" platform_test=""
while [ $# -gt 0 ]; do
  case "$1" in
    --stub) stub=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --setupc) setupc=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --platform-test) platform_test=$2; shift 2 ;;
    *) echo "stub_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
for f in "$stub" "$driver" "$setupc"; do
  [ -f "$f" ] || { echo "stub_e2e: missing program '$f'" >&2; exit 2; }
done
[ -n "$work" ] || { echo "stub_e2e: --work is required" >&2; exit 2; }

prefix=$work/wineprefix
data=$work/data
screenshots=$work/screenshots
rm -rf "$data"
mkdir -p "$data" "$screenshots"

failures=0
xvfb_pid=""
watchdog_pid=""

cleanup() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  # The desktop process of a prefix keeps the display it started with: end the
  # prefix's wine server so that the next run starts afresh on its own display.
  stop_display "$prefix"
}
trap cleanup EXIT
start_watchdog 300 stub_e2e

# --- display -------------------------------------------------------------------------
start_display "$data" || exit 1
WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
echo "display $DISPLAY, prefix $prefix"

# --- helpers -----------------------------------------------------------------------
wine() { "$wine_run" --prefix "$prefix" --timeout 60 "$@"; }

unmanaged_windows "$wine_run" "$prefix" ||
  echo "stub_e2e: could not make windows unmanaged; runs will be slower" >&2
# Keep the prefix's server and desktop running between the runs below (each run
# would otherwise start them afresh); the cleanup ends them.
WINEPREFIX=$prefix "$wineserver" -p

# setupc takes Windows paths when it is the Windows build.
if [[ $setupc == *.exe ]]; then
  pack_path() { winpath "$1"; }
  run_setupc() { wine "$setupc" "$@"; }
else
  pack_path() { realpath -m "$1"; }
  run_setupc() { "$setupc" "$@"; }
fi

# pack OUT [HOST] -- GROUP:NAME=FILE...
pack() {
  local out=$1 host=$2
  shift 3
  local args=(pack "$(pack_path "$out")")
  [ -n "$host" ] && args+=(--host "$(pack_path "$host")")
  local entry
  for entry in "$@"; do
    args+=("${entry%%=*}=$(pack_path "${entry#*=}")")
  done
  run_setupc "${args[@]}" >"$out.log" 2>&1 || { echo "stub_e2e: setupc failed for $out" >&2; cat "$out.log" >&2; exit 1; }
}

u16() { od -An --endian=little -t u2 -j "$2" -N 2 "$1" | tr -d ' '; }
u32() { od -An --endian=little -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }

# Reads the table record of entry INDEX from the package at the end of FILE, by the
# format alone: sets entry_name, entry_offset, entry_stored (bytes in the file).
read_entry() {
  local file=$1 index=$2 size table pos n i stored
  size=$(stat -c %s "$file")
  table=$(u32 "$file" $((size - 4)))
  pos=$table
  for ((i = 0; i <= index; i++)); do
    n=$(u16 "$file" "$pos")
    if ((i == index)); then
      entry_name=$(tail -c +$((pos + 3)) "$file" | head -c "$n")
      entry_offset=$(u32 "$file" $((pos + 6 + n)))
      stored=$(u32 "$file" $((pos + 10 + n)))
      ((stored != 0)) || stored=$(u32 "$file" $((pos + 14 + n)))
      entry_stored=$stored
    fi
    pos=$((pos + 20 + n))
  done
}

flip_byte() {
  local file=$1 position=$2 old
  old=$(od -An -t u1 -j "$position" -N 1 "$file" | tr -d ' ')
  printf "\\x$(printf %02x $((old ^ 0xFF)))" | dd of="$file" bs=1 seek="$position" count=1 conv=notrunc 2>/dev/null
}

# run_driver OUT [--screenshot-pause] -- PROGRAM ARGS...: the driver's report in OUT.
# When the wizard shows, the driver lists its controls and closes it, answering Yes to
# the question whether to quit.
title=StubE2E
printf 'wait-window\nlist\nanswer Yes\nclose\n' >"$data/close.steps"
run_driver() {
  local out=$1
  shift
  run_reported "$out" wine "$driver" run --timeout-ms 30000 --steps "$(winpath "$data/close.steps")" "$@"
}

# A failure box ends with the path of the run's log in the temporary folder ("\r\rSetup
# log: ...\SetupLog0000.txt"); the events show it as "<log>".
events() { grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$1" | sed -E 's/\\r\\rSetup log: [A-Z]:\\.*\\SetupLog[0-9]{4}\.txt$/<log>/'; }

# --- packages ----------------------------------------------------------------------
printf 'Setup readme\r\n%.0s' $(seq 20) >"$data/readme.txt"
: >"$data/empty.dat"
seq 1 300000 | sed 's/$/ compressible line of the payload/' | head -c 2000000 >"$data/big.bin"
printf 'notes' >"$data/notes.txt"
entries=("0:readme.txt=$data/readme.txt" "1:empty.dat=$data/empty.dat"
         "1:data\\big.bin=$data/big.bin" "1:notes.txt=$data/notes.txt")

setup_files "$data/good" "$title" good.exe 'C:\Games\StubE2E'
pack "$data/good.exe" "$stub" -- "${entries[@]}" "${setup_entries[@]}"
pack "$data/good.pak" "" -- "${entries[@]}" "${setup_entries[@]}"

cp "$data/good.exe" "$data/corrupt.exe"
read_entry "$data/corrupt.exe" 2
expect "the corrupted entry is data\\big.bin" 'data\big.bin' "$entry_name"
flip_byte "$data/corrupt.exe" $((entry_offset + entry_stored / 2))

# Entries that take a while each to verify, so that the window shows progress.
large_entries=()
for i in 1 2 3 4 5; do
  head -c 4000000 /dev/urandom | base64 -w 76 >"$data/part$i.txt"
  large_entries+=("1:part$i.txt=$data/part$i.txt")
done
setup_files "$data/large" "$title" large.exe 'C:\Games\StubE2E'
pack "$data/large.exe" "$stub" -- "${setup_entries[@]}" "${large_entries[@]}"


# --- (a) nothing appended ----------------------------------------------------------
run_driver "$data/bare.out" -- "$(winpath "$stub")"
expect "bare stub: one invalid-header box naming the log, exit 3" \
  "MESSAGEBOX caption=Error text=Invalid Setup Header. No Contents or Corrupted Contents.<log>
EXIT 3" "$(events "$data/bare.out")"

# --- (b) valid packages: verified, loaded, the wizard shown and closed -------------------
# Closing the wizard before its end asks text 27 (caption text 28), answered Yes.
verified='STATUS Status: 9 out of 9 files verifyed'
shown="TITLE  $title 1.0"
closed='MESSAGEBOX caption=Exit text=Quit?
EXIT 1'
run_driver "$data/good.out" -- "$(winpath "$data/good.exe")"
expect "appended package: only the quit question, exit 1 (cancelled)" "$closed" "$(events "$data/good.out")"
check "appended package: every entry verified" "no line '$verified'" grep -qx "$verified" "$data/good.out"
check "appended package: main window shown" "no line '$shown'" grep -qx "$shown" "$data/good.out"

# The stub is called stub.exe: an external package's name is not checked.
run_driver "$data/external.out" -- "$(winpath "$stub")" "$(winpath "$data/good.pak")"
expect "package file as first argument: only the quit question, exit 1" "$closed" "$(events "$data/external.out")"
check "package file as first argument: every entry verified" "no line '$verified'" grep -qx "$verified" "$data/external.out"
check "package file as first argument: main window shown" "no line '$shown'" grep -qx "$shown" "$data/external.out"

# A folder or a missing file as first argument (the stub then reads itself) is checked
# by the unit tests of the self-verification and the start-up sequence.

# --- (b2) start-up after the verification --------------------------------------------
# A setup renamed on disk.
cp "$data/good.exe" "$data/good(10).exe"
run_driver "$data/renamed.out" -- "$(winpath "$data/good(10).exe")"
expect "renamed setup: the file-name box, exit 4" \
  'MESSAGEBOX caption=Error text=Error: Setup`s filename has been renamed\r\rExpected: \rgood.exe\r\rFound: \rgood(10).exe<log>
EXIT 4' "$(events "$data/renamed.out")"

# The install folder from the registry: the first slot's value is there but empty, the
# second's is taken.
setup_files "$data/registry" "$title" registry.exe '' 1 'Software\StubE2E' Empty 1 'Software\StubE2E' InstallPath
pack "$data/registry.exe" "$stub" -- "${setup_entries[@]}"
wine reg add 'HKCU\Software\StubE2E' /v Empty /d '' /f >/dev/null 2>&1
wine reg add 'HKCU\Software\StubE2E' /v InstallPath /d 'C:\Games\FromRegistry' /f >/dev/null 2>&1
run_driver "$data/registry.out" -- "$(winpath "$data/registry.exe")"
expect "folder from the registry: only the quit question, exit 1" "$closed" "$(events "$data/registry.out")"
check "folder from the registry: the folder field shows it" "see $data/registry.out" \
  grep -qE '^CONTROL class=Edit .* text=C:\\Games\\FromRegistry$' "$data/registry.out"

# No folder in the setup and none in the registry.
setup_files "$data/noregistry" "$title" noregistry.exe '' 1 'Software\StubE2E\Absent' InstallPath
pack "$data/noregistry.exe" "$stub" -- "${setup_entries[@]}"
run_driver "$data/noregistry.out" -- "$(winpath "$data/noregistry.exe")"
expect "no install folder anywhere: the registry box, exit 4" \
  'MESSAGEBOX caption=Error text=Error: Registry Key Not Found. Please Install Software<log>
EXIT 4' "$(events "$data/noregistry.out")"

# --- (f) an unexpected error: the report file in Wine's temporary folder ------------------
# A language line whose number is no integer fails while start-up loads the languages:
# no test hook, just a damaged setup. Each failure writes the next numbered report.
setup_files "$data/broken" "$title" broken.exe 'C:\Games\StubE2E'
{ printf '\xff\xfe'; printf 'English\r\n0409;\r\n12a Broken\r\n' | iconv -f ASCII -t UTF-16LE; } >"$data/broken/english.lng"
pack "$data/broken.exe" "$stub" -- "${setup_entries[@]}"
temp_dirs=$(find "$prefix/drive_c/users" -maxdepth 2 -iname temp -type d)
find $temp_dirs -maxdepth 1 -name 'ErrorLog*.TXT' -delete 2>/dev/null
for n in 0000 0001; do
  run_driver "$data/report$n.out" -- "$(winpath "$data/broken.exe")"
  report=$(find $temp_dirs -maxdepth 1 -name "ErrorLog$n.TXT" | head -n1)
  check "forced failure $n: the error report box" "see $data/report$n.out" \
    grep -q "^MESSAGEBOX caption=Error Report text=Unknown Error: '12a' is not a valid integer value\\\\r\\\\rError Log Created. Please Include \".*\\\\\\\\ErrorLog$n.TXT\" with your bug report\\\\r\\\\rSetup log: .*$" "$data/report$n.out"
  check "forced failure $n: exit 5" "see $data/report$n.out" grep -qx 'EXIT 5' "$data/report$n.out"
  check "forced failure $n: ErrorLog$n.TXT written" "not found under $temp_dirs" test -n "$report"
done
if [ -n "$report" ]; then
  expect "the report's first sections, CR LF lines" "General Info
------------
Setup Name             : $title 1.0
Setup EXE Name         : broken.exe

Pak Info
--------
ID                     : KZPF
Version                : 1
Count                  : 5

ErrorType              : Unknown
ErrorText              : '12a' is not a valid integer value" "$(head -n 13 "$report" | tr -d '\r')"
  check "report lines end in CR LF" "$report" bash -c "[ \$(grep -c \$'\\r\$' '$report') -eq \$(wc -l <'$report') ]"
fi

# --- (c) one stored byte of entry 2 flipped ----------------------------------------------
run_driver "$data/corrupt.out" -- "$(winpath "$data/corrupt.exe")"
expect "corrupt entry 2: verification box, exit 3" \
  'MESSAGEBOX caption=Verification Error text=Error: Verification Failed. Setup is corrupt.\rID: 2 Filename: data\big.bin<log>
EXIT 3' "$(events "$data/corrupt.out")"

# --- (d) the verification window, paused for a screenshot ----------------------------------
fifo=$data/resume.fifo
rm -f "$fifo" "$screenshots/verify.png"
mkfifo "$fifo"
run_driver "$data/window.out" --screenshot-pause -- "$(winpath "$data/large.exe")" <"$fifo" &
driver_pid=$!
exec 7>"$fifo"
for _ in $(seq 300); do
  grep -qs '^VERIFY_WINDOW ' "$data/window.out" && break
  kill -0 "$driver_pid" 2>/dev/null || break
  sleep 0.1
done
if grep -q '^VERIFY_WINDOW ' "$data/window.out"; then
  import -display "$DISPLAY" -window root "$screenshots/verify.png"
fi
echo >&7
exec 7>&-
wait "$driver_pid"

expect "large package: only the quit question, exit 1" "$closed" "$(events "$data/window.out")"
paused=$(sed -n 's/^VERIFY_WINDOW //p' "$data/window.out")
check "paused while the status counts verified entries" "status was '$paused'" \
  grep -qE '^VERIFY_WINDOW Status: ([1-9][0-9]*) out of 10 files verifyed$' "$data/window.out"

# The window's layout at the pause: the last LAYOUT line before VERIFY_WINDOW.
layout=$(grep -E '^(LAYOUT|VERIFY_WINDOW)' "$data/window.out" | grep -B1 '^VERIFY_WINDOW' | head -n1)
echo "     $layout"
layout_re='^LAYOUT client=321x70@([0-9]+),([0-9]+) Label1=8,8,([0-9]+)x([0-9]+) StatusLabel=8,32,([0-9]+)x([0-9]+) ProgressBar1=8,48,305x16$'
if [[ $layout =~ $layout_re ]]; then
  origin_x=${BASH_REMATCH[1]} origin_y=${BASH_REMATCH[2]}
  echo "ok   layout: client 321x70, controls at (8,8), (8,32), (8,48) 305x16"
  check "labels not narrower than laid out (156, 150)" "$layout" \
    test "${BASH_REMATCH[3]}" -ge 156 -a "${BASH_REMATCH[5]}" -ge 150
  check "labels tall enough for their text" "$layout" \
    test "${BASH_REMATCH[4]}" -ge 14 -a "${BASH_REMATCH[4]}" -le 16 -a "${BASH_REMATCH[6]}" -ge 14 -a "${BASH_REMATCH[6]}" -le 16
  # The window is centred on the 1024x768 screen.
  check "window centred" "client origin $origin_x,$origin_y" \
    test $((origin_x + 160)) -ge 490 -a $((origin_x + 160)) -le 534 -a $((origin_y + 35)) -ge 364 -a $((origin_y + 35)) -le 404
else
  echo "FAIL layout: '$layout'"
  failures=$((failures + 1))
  origin_x="" origin_y=""
fi

# The screenshot shows what was painted without any message processing: text in both
# labels and a partly or wholly filled bar.
if [ -s "$screenshots/verify.png" ] && [ -n "$origin_x" ]; then
  pixel() { convert "$screenshots/verify.png" -format "%[pixel:p{$1,$2}]" info:; }
  colours() { convert "$screenshots/verify.png" -crop "$1" +repage -format %k info:; }
  background=$(pixel $((origin_x + 2)) $((origin_y + 2)))
  filled=$(pixel $((origin_x + 8 + 3)) $((origin_y + 48 + 8)))
  check "screenshot: the progress bar shows progress" "bar '$filled', background '$background'" \
    test "$filled" != "$background" -a "$filled" != "white" -a "$filled" != "srgb(255,255,255)"
  check "screenshot: Label1 painted" "one colour only" \
    test "$(colours "150x13+$((origin_x + 8))+$((origin_y + 8))")" -gt 2
  check "screenshot: StatusLabel painted" "one colour only" \
    test "$(colours "150x13+$((origin_x + 8))+$((origin_y + 32))")" -gt 2
  echo "     screenshot: $screenshots/verify.png"
else
  echo "FAIL screenshot: none taken"
  failures=$((failures + 1))
fi

# --- (e) the platform's own message boxes, which need a display ---------------------------
if [ -n "$platform_test" ]; then
  wine "$platform_test" --gtest_filter='Win32Dialogs.*' >"$data/dialogs.out" 2>&1
  rc=$?
  check "platform message-box tests pass on a display" "exit $rc, see $data/dialogs.out" test "$rc" -eq 0
  check "platform message-box tests ran, none skipped" "see $data/dialogs.out" \
    bash -c "! grep -q SKIPPED '$data/dialogs.out'"
fi

if ((failures > 0)); then
  echo "$failures check(s) failed; driver reports in $data"
  exit 1
fi
echo "all checks passed"
