#!/usr/bin/env bash
# End-to-end check of an installation under Wine and Xvfb: setupc compiles the example
# product (examples/demo) onto the stub; the driver takes the setup through its wizard
# page by page as a user would, taking a screenshot of every page
# (DIR/screenshots/wizard-*.png); the test checks what the pages showed and what the
# installation left on Wine's drive and in Wine's registry: the files, the registry
# values and URL-protocol keys, the shortcut, the install log and the registered
# uninstaller, which must start up in uninstall mode. What keeps a setup run by an
# administrator from being turned against the machine: the setup lies beside a planted
# msftedit.dll (built by the test: it leaves a marker file when loaded) and Wine is told
# to prefer a native msftedit to its own, yet that DLL is never loaded (a changed install
# log that the uninstaller refuses is checked by the unit tests of the start-up sequence
# and the log's digest). Further runs switch the language,
# choose a folder on a drive that is too small, and end a script with "failure". Last,
# the registered uninstaller removes the installation through its pages and its
# finaliser removes the uninstaller; the drive and the registry are compared with their
# state before the installation, and only the differences listed in the test may remain.
# Then a product made by "setupc init" is compiled, installed and uninstalled as it is.
# Last, the wizard at 96, 144 and 192 DPI (Wine's LogPixels): every control of the
# welcome and folder pages and of the verification window scaled by 1.5 and 2 within a
# pixel, the pages kept as screenshots at 144 and 192 DPI, a move to a 192-DPI monitor laid out
# as a start there; and
# the demo, Back and Next given mnemonics, installed with the keyboard alone (the
# script's shortcut question, asked once per machine, has been answered before).
# The folder and registry expectations describe the 64-bit build that runs here ("Program
# Files", HKLM\Software itself); the shipping 32-bit setup sees the 32-bit view of 64-bit
# Windows instead ("Program Files (x86)", HKLM\Software\WOW6432Node), for install and
# uninstall alike (docs/install-run.md).
#
# usage: install_e2e.sh --stub STUB.exe --driver setup_driver.exe --setupc SETUPC.exe
#                       --planted-dll msftedit.dll --work DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
wine_run=$repo/scripts/wine-run
source "$repo/scripts/lib/wine-session.sh"
source "$here/e2e_common.sh"
source "$repo/scripts/lib/demo-stage.sh"

stub="" driver="" setupc="" planted="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --stub) stub=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --setupc) setupc=$2; shift 2 ;;
    --planted-dll) planted=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "install_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
for f in "$stub" "$driver" "$setupc" "$planted"; do
  [ -f "$f" ] || { echo "install_e2e: missing program '$f'" >&2; exit 2; }
done
[ -n "$work" ] || { echo "install_e2e: --work is required" >&2; exit 2; }

prefix=$work/install-prefix
data=$work/install
screenshots=$work/screenshots
rm -rf "$data"
mkdir -p "$data" "$screenshots"
failures=0
watchdog_pid=""
cleanup() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  mountpoint -q "$data/tiny" 2>/dev/null && umount "$data/tiny"
  stop_display "$prefix"
}
trap cleanup EXIT
start_watchdog 300 install_e2e

start_display "$data" 1600x1000 || exit 1  # room for the wizard at 192 DPI
wine() { "$wine_run" --prefix "$prefix" --timeout 90 "$@"; }
# A clean machine for every run: no installation of an earlier run is found.
fresh_prefix


# snapshot NAME: Wine's drive C: (every file and folder) and its registry below
# HKLM\Software and HKCU\Software, as sorted text in $data/NAME.files and $data/NAME.reg.
snapshot() {
  find "$prefix/drive_c" -mindepth 1 -printf '%y %P\n' | LC_ALL=C sort >"$data/$1.files"
  local hive
  : >"$data/$1.reg"
  for hive in 'HKLM\Software' 'HKCU\Software'; do
    rm -f "$data/export.reg"
    wine reg export "$hive" "$(winpath "$data/export.reg")" /y >/dev/null 2>&1
    # One line per value, prefixed by its key, so that a sorted diff shows what changed.
    iconv -f UTF-16 -t UTF-8 "$data/export.reg" 2>/dev/null | tr -d '\r' |
      awk '/^\[/ { key = $0; print key; next } NF { print key " " $0 }' >>"$data/$1.reg"
  done
  LC_ALL=C sort -o "$data/$1.reg" "$data/$1.reg"
}


# changes FIRST SECOND ALLOWED: the lines of one snapshot file that the other lacks, as
# "+ LINE" (added) or "- LINE" (gone), leaving out those that ALLOWED matches (an
# extended regular expression, any case).
changes() {
  LC_ALL=C comm -3 "$1" "$2" | awk -F'\t' '{ print ($1 == "" ? "+ " $2 : "- " $1) }' |
    while IFS= read -r line; do printf '%s\n' "${line:2}" | grep -qiE -- "$3" || printf '%s\n' "$line"; done
}

snapshot before

# --- compile the demo and install it ---------------------------------------------------
demo=$data/demo
stage_demo "$demo" || { echo "install_e2e: staging the demo failed" >&2; exit 1; }
setup=$data/setup.exe
wine "$setupc" compile "$(winpath "$demo/demo.setup")" --stub "$(winpath "$stub")" \
  -o "$(winpath "$setup")" >"$data/compile.log" 2>&1 ||
  { echo "install_e2e: setupc compile failed" >&2; cat "$data/compile.log" >&2; exit 1; }
# As in a downloads folder where a web page left a DLL named like a system one.
cp "$planted" "$data/msftedit.dll"

# drive NAME [PROGRAM]: runs PROGRAM (default: the setup) through the steps on stdin;
# the driver's report in $data/NAME.out, the screenshots named in the steps as PNG.
drive() {
  local name=$1 program=${2:-$setup}
  cat >"$data/$name.steps"
  run_reported "$data/$name.out" \
    wine "$driver" run --timeout-ms 90000 --steps "$(winpath "$data/$name.steps")" -- "$(winpath "$program")"
  local shot
  for shot in $(sed -n 's/^SCREENSHOT .*\\\(wizard-[a-z0-9-]*\)\.bmp$/\1/p' "$data/$name.out"); do
    convert "$data/$shot.bmp" "$screenshots/$shot.png" && rm -f "$data/$shot.bmp"
  done
}
shot() { printf 'screenshot %s\n' "$(winpath "$data/wizard-$1.bmp")"; }
# The CONTROL lines that the "list" step with the given comment reported.
page_controls() { awk -v step="$2" '/^STEP / { on = index($0, step) > 0 } on && /^CONTROL / { print }' "$1"; }
has_control() { page_controls "$1" "$2" | grep -qF -- "$3"; }
lacks_control() { ! has_control "$@"; }

# Wine loads its own msftedit.dll whatever lies beside the program unless told to prefer
# a native one; a real Windows has no such preference to protect it.
SETUP_WINEDLLOVERRIDES="msftedit=n,b" drive install <<EOF
wait-window
wait-text Next >
$(shot welcome)
list # welcome
answer No
press Cancel
sleep 700
press Next >
wait-text What is new in this version
sleep 300
$(shot changelog)
list # changelog
press Next >
wait-text Choose the installation folder
sleep 300
$(shot folder)
list # folder
type C:\\Program Files\\Demo Product
sleep 300
state Next >
press Next >
wait-text Ready to install
$(shot confirm)
list # confirm
state Install
hold-boxes
press Install
wait-box Demo Product
close
move-box
sleep 700
$(shot run)
list # run
answer OK
wait-text Setup is complete
sleep 300
$(shot finish)
list # finish
press Finish
EOF
out=$data/install.out
expect "install: Cancel on the welcome page asks, No keeps the wizard; the script's question; the end" \
  "MESSAGEBOX caption=Exit Setup text=Are you sure you want to quit?
MESSAGEBOX caption=Demo Product text=Create a shortcut to the manual in the Start menu?
EXIT 0" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$out")"
check "install: every step done" "see $out" grep -qx STEPS_DONE "$out"
check "welcome page: the title names the setup" "see $out" has_control "$out" "# welcome" "text=Welcome to Demo Product 1.0"
check "welcome page: Back hidden" "see $out" lacks_control "$out" "# welcome" "text=< Back"
check "changelog page: the RTF's text in the rich edit" "see $out" has_control "$out" "# changelog" "A German translation of the setup"
check "the msftedit.dll beside the setup was never loaded" "its marker exists" test ! -e "$data/msftedit.dll.loaded"
check "folder page: the field holds the expanded folder" "see $out" \
  has_control "$out" "# folder" 'text=C:\Program Files\Demo Product\'
check "folder page: a folder typed on a usable drive keeps Next enabled" "see $out" grep -qx 'STATE Next > visible=1 enabled=1' "$out"
# The names, roles and values screen readers read are checked page by page by the demo's
# page test (tests/ui/win32); here, that the running wizard announces each page.
expect "screen reader: each page's title announced as it appears" \
  "Welcome to Demo Product 1.0|What is new in this version|Choose the installation folder|Ready to install|Installing Demo Product|Setup is complete" \
  "$(sed -n 's/^ALERT class=SetupPageArea role=38 name=\(.*\) value=$/\1/p' "$out" | paste -sd'|')"
check "confirmation page: Next reads text 15 and is enabled" "see $out" grep -qx 'STATE Install visible=1 enabled=1' "$out"
check "confirmation page: space required shown" "see $out" has_control "$out" "# confirm" "text=Space required: "
check "confirmation page: space available shown" "see $out" has_control "$out" "# confirm" "text=Space available: "
check "run page: the window stayed while the run worked" "see $out" has_control "$out" "# run" "text=Installing Demo Product"
check "finish page: Cancel reads text 16" "see $out" has_control "$out" "# finish" "text=Finish"

# --- files -------------------------------------------------------------------------------
instdir="$prefix/drive_c/Program Files/Demo Product"
payload=$repo/examples/demo/payload
same() { cmp -s "$1" "$2"; }
while IFS= read -r -d '' file; do
  rel=${file#"$payload/program/"}
  check "file $rel installed byte for byte" "differs or missing" same "$file" "$instdir/$rel"
done < <(find "$payload/program" -type f -print0)
check "readme.txt installed" "differs or missing" same "$repo/examples/demo/readme.txt" "$instdir/readme.txt"
check "extras installed into Extras (no HKCU value)" "differs or missing" \
  same "$payload/extras/tools/sample.cfg" "$instdir/Extras/tools/sample.cfg"
check "copyfile made logs\\demo.ini.default" "differs or missing" \
  same "$payload/program/demo.ini" "$instdir/logs/demo.ini.default"
link=$(find "$prefix/drive_c/users" -path '*Start Menu/Programs/Demo Product/Manual.lnk' | head -n1)
check "the Start-menu shortcut exists (OK on the question)" "no Manual.lnk" test -n "$link"

# --- the data package, patched in place ---------------------------------------------------
kzp="$instdir/Data/main.kzp"
run_setupc kzp verify "$kzp" 2>&1 | tr -d '\r' >"$data/kzp-verify.txt"
expect "data package: six records, every block sound" "6 records, 0 damaged" "$(cat "$data/kzp-verify.txt")"
check "data package: no journal left" "main.kzp.journal exists" test ! -e "$kzp.journal"
run_setupc kzp list --json "$kzp" 2>&1 | tr -d '\r' >"$data/kzp-list.json"
kzp_field() { grep -F "\"name\": \"$1\"" "$data/kzp-list.json" | sed -n "s/.*\"$2\": \([0-9]*\).*/\1/p"; }
expect "data package: signature, password and official flag" '"signature": "new",
"password_set": true,
"official": true,' "$(grep -E '"(signature|password_set|official)"' "$data/kzp-list.json" | sed 's/^ *//')"
expect "data package: records in order (replaced at the end, its letter case kept)" \
  'Config\\Settings.ini Sounds\\menu.txt Maps\\Harbour.map Sounds\\ding.wav Textures\\Wall.txt textures\\wall-copy.txt' \
  "$(sed -n 's/.*"name": "\([^"]*\)".*/\1/p' "$data/kzp-list.json" | tr '\n' ' ' | sed 's/ $//')"
expect "data package: the unchanged entry stayed in its block" "0" "$(kzp_field 'Config\\Settings.ini' offset)"
expect "data package: the sound became a sound block" "1" "$(kzp_field 'Sounds\\ding.wav' kind)"
expect "data package: the second name shares the block" "$(kzp_field 'Textures\\Wall.txt' offset)" \
  "$(kzp_field 'textures\\wall-copy.txt' offset)"
run_setupc kzp extract "$kzp" "$data/kzp-out" >/dev/null 2>&1
for rel in Config/Settings.ini Maps/Harbour.map; do
  check "data package: $rel holds the patch's bytes" "differs or missing" same "$demo/kzp/patch/$rel" "$data/kzp-out/$rel"
done
check "data package: Textures\\Wall.txt holds the patch's bytes" "differs or missing" \
  same "$demo/kzp/patch/textures/wall.txt" "$data/kzp-out/Textures/Wall.txt"

# --- the VFS archive the setup patched ------------------------------------------------------
vfs=$instdir/game.vfs
wine "$setupc" vfs check "$(winpath "$vfs")" 2>&1 | tr -d '\r' >"$data/vfs-check.txt"
check "game.vfs checks clean after the two updates" "see $data/vfs-check.txt" grep -qx ok "$data/vfs-check.txt"
wine "$setupc" vfs list --json "$(winpath "$vfs")" 2>&1 | tr -d '\r' >"$data/vfs-list.json"
expect "game.vfs holds the base files and both updates" \
  'maps
maps\\arena
maps\\arena\\arena.map
maps\\start.map
readme.txt
textures
textures\\sky.txt
textures\\wall.txt' "$(sed -n 's/.*"path": "\([^"]*\)".*/\1/p' "$data/vfs-list.json")"
rm -rf "$data/vfs-out"
wine "$setupc" vfs extract "$(winpath "$vfs")" "$(winpath "$data/vfs-out")" >/dev/null 2>&1
for f in maps/start.map maps/arena/arena.map; do
  check "game.vfs: $f is the patch's" "differs or missing" same "$demo/vfs/patch-1/$f" "$data/vfs-out/$f"
done
check "game.vfs: textures/sky.txt added" "differs or missing" same "$demo/vfs/patch-2/textures/sky.txt" "$data/vfs-out/textures/sky.txt"
check "game.vfs: readme.txt kept" "differs or missing" same "$demo/vfs/base/readme.txt" "$data/vfs-out/readme.txt"
# The digest the stub wrote through the CryptoAPI, against OpenSSL's MD5 of the same bytes.
expect "game.vfs: the digest equals OpenSSL's MD5 from offset 44" \
  "$(tail -c +45 "$vfs" | openssl dgst -md5 -r | cut -c1-32)" "$(od -An -tx1 -j28 -N16 "$vfs" | tr -d ' \n')"
check "game.vfs: no journal left" "game.vfs.journal exists" test ! -e "$vfs.journal"

# --- registry ------------------------------------------------------------------------------
expect "HKLM Path is the folder used" 'C:\Program Files\Demo Product\' "$(reg_value 'HKLM\Software\Demo Product' Path)"
expect "HKLM Version" '1.0' "$(reg_value 'HKLM\Software\Demo Product' Version)"
expect "HKCU Language" 'English' "$(reg_value 'HKCU\Software\Demo Product' Language)"
expect "URL protocol: description" 'URL:demo Protocol' "$(reg_value 'HKCR\demo' '')"
expect "URL protocol: icon" 'C:\Program Files\Demo Product\demo.ini' "$(reg_value 'HKCR\demo\DefaultIcon' '')"
expect "URL protocol: command" '"notepad.exe" "%1"' "$(reg_value 'HKCR\demo\shell\open\command' '')"
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Demo Product'
expect "registration: DisplayName" 'Demo Product' "$(reg_value "$uninstall_key" DisplayName)"
uninstall_string=$(reg_value "$uninstall_key" UninstallString)
check "registration: UninstallString names the uninstaller" "'$uninstall_string'" \
  test "$(printf '%s' "$uninstall_string" | tr -s '\\')" == 'C:\Program Files\Demo Product\demo_Uninstall.exe'
expect "registration: NoModify" '0x1' "$(reg_value "$uninstall_key" NoModify)"
# The CryptoAPI's digest against an independent one of the same file; the uninstall
# below acts on this log only because the two match.
expect "registration: InstallLogDigest is the SHA-256 of the saved log" \
  "$(sha256sum "$instdir/demo_install.log" | cut -c1-64)" "$(reg_value "$uninstall_key" InstallLogDigest)"

# --- install log and uninstaller -------------------------------------------------------------
wine "$setupc" log "$(winpath "$instdir/demo_install.log")" 2>&1 | tr -d '\r' >"$data/log.txt"
check "install log: the readme recorded in variable form" "see $data/log.txt" grep -qxF '  $INSTDIR\readme.txt' "$data/log.txt"
check "install log: the registry value recorded" "see $data/log.txt" \
  grep -qF '"HKLM" "Software\Demo Product" "Version" "1.0"' "$data/log.txt"
uninstaller=$instdir/demo_Uninstall.exe
wine "$setupc" list "$(winpath "$uninstaller")" 2>&1 | tr -d '\r' >"$data/uninstaller-list.txt"
expect "uninstaller package: the UNINSTALL_ entries without prefix, SetupInfo last" \
  "LANGUAGE-uninstall-english
LANGUAGE-uninstall-german
Pages.txt
welcome.txt
images\\Side.bmp
patch.txt
uninstall.txt
finish.txt
mainlayout.txt
images\\UninstallBack.jpg
ProductFacts
FINALISE.EXE
SetupInfo" "$(awk 'NR > 1 { print $NF }' "$data/uninstaller-list.txt")"
wine "$setupc" info "$(winpath "$uninstaller")" 2>&1 | tr -d '\r' >"$data/uninstaller-info.txt"
check "uninstaller: IsUninstaller 1" "see $data/uninstaller-info.txt" grep -qE '^  IsUninstaller +1' "$data/uninstaller-info.txt"
check "uninstaller: the product's version and publisher" "see $data/uninstaller-info.txt" \
  bash -c "grep -qE '^  Version +1.0$' '$data/uninstaller-info.txt' && grep -qE '^  Publisher +Demo Company$' '$data/uninstaller-info.txt'"
check "uninstaller: the folder used" "see $data/uninstaller-info.txt" \
  grep -qE '^  InstallDir +C:\\Program Files\\Demo Product\\' "$data/uninstaller-info.txt"

drive uninstaller "$uninstaller" <<EOF
wait-window
wait-text Uninstall Demo Product
$(shot uninstall-welcome)
list # uninstall welcome
answer Yes
close
EOF
out=$data/uninstaller.out
check "the uninstaller starts in uninstall mode: title and welcome text" "see $out" \
  bash -c "grep -qx 'TITLE  Demo Product Uninstall' '$out' && grep -q 'text=Uninstall Demo Product' '$out'"
expect "the uninstaller asks before it quits, then ends cancelled (exit 1)" "MESSAGEBOX caption=Exit Uninstall text=Are you sure you want to quit?
EXIT 1" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$out")"

# --- uninstall: the registered uninstaller through its pages, then the finaliser ------------
# A file the user made in the installation folder must survive the uninstall.
printf 'my notes\r\n' >"$instdir/notes-by-user.txt"
uninstall_path=$(reg_value "$uninstall_key" UninstallString | tr -s '\\')
uninstall_local="$prefix/drive_c/$(printf '%s' "${uninstall_path#C:\\}" | tr '\\' /)"
check "the registered uninstaller exists" "'$uninstall_path'" test -f "$uninstall_local"
drive uninstall "$uninstall_local" <<EOF
wait-window
wait-text Next >
press Next >
wait-text Ready to uninstall
$(shot uninstall-confirm)
press Uninstall
wait-text Uninstall is complete
sleep 300
$(shot uninstall-finish)
list # uninstall finish
press Finish
EOF
out=$data/uninstall.out
expect "uninstall: through its pages without a box, exit 0" "EXIT 0" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$out")"
check "uninstall: every step done" "see $out" grep -qx STEPS_DONE "$out"
# The finaliser removes the uninstaller once the uninstaller's process has ended, and
# itself last, possibly through a helper that waits for its process to end and retries.
check "the finaliser removed the uninstaller" "$uninstall_local still there" within 25 none_exist "$uninstall_local"
check "the user's file stayed" "gone" test -f "$instdir/notes-by-user.txt"
finalisers() { find "$prefix/drive_c/users" -iname 'FINALISE.exe' 2>/dev/null; }
no_finaliser() { [ -z "$(finalisers)" ]; }
check "the finaliser removed itself" "$(finalisers)" within 25 no_finaliser
check "the registration is gone" "still there" reg_key_absent "$uninstall_key"

# Compare the machine with its state before the installation.
snapshot after
# What may differ, and why:
#   the installation folder and the user's file in it: the user's own file keeps it;
#   empty keys Software\Demo Product (HKLM, HKCU) and the demo URL protocol's keys under
#   Software\Classes: the uninstaller removes the values the installation wrote, never
#   keys (another program may have put its own values beside them);
#   Wine's own bookkeeping (Software\Wine) and the temporary folder.
allowed_files='^d Program Files/Demo Product$|^f Program Files/Demo Product/notes-by-user.txt$|/AppData/Local/Temp(/|$)|^[df] users/[^/]+/Temp(/|$)'
allowed_keys='^\[HKEY_(LOCAL_MACHINE|CURRENT_USER)\\Software\\Demo Product\]$|^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\demo(\\DefaultIcon|\\shell|\\shell\\open|\\shell\\open\\command)?\]$|\\Software\\Wine(\\|\])'
expect "install and uninstall leave no file behind beyond the allowed list" "" \
  "$(changes "$data/before.files" "$data/after.files" "$allowed_files")"
expect "install and uninstall leave no registry value or key behind beyond the allowed list" "" \
  "$(changes "$data/before.reg" "$data/after.reg" "$allowed_keys")"

# --- a folder typed in Cyrillic, a Desktop under a profile named "Иван" ----------------
# Neither name fits the code page (1252). The Desktop moves as a user's shell folders
# move it: through the registry. Cancel on the script's question puts the shortcut there.
ivan_desktop="$prefix/drive_c/users/Иван/Desktop"
cyrillic="$prefix/drive_c/Игры/Demo Product"
mkdir -p "$ivan_desktop"
shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
user_desktop=$(reg_value "$shell_folders\\User Shell Folders" Desktop)
for key in 'User Shell Folders' 'Shell Folders'; do
  LC_ALL=C.UTF-8 wine reg add "$shell_folders\\$key" /v Desktop /d 'C:\users\Иван\Desktop' /f >/dev/null 2>&1
done
drive cyrillic <<EOF
wait-window
wait-text Next >
press Next >
wait-text What is new in this version
press Next >
wait-text Choose the installation folder
type C:\\Игры\\Demo|Product
sleep 300
state Next >
$(shot folder-refused)
type C:\\Игры\\Demo Product
sleep 300
state Next >
press Next >
wait-text Ready to install
answer Cancel
press Install
wait-text Setup is complete
press Finish
EOF
out=$data/cyrillic.out
expect "Cyrillic folder: the script's question, then the end" \
  "MESSAGEBOX caption=Demo Product text=Create a shortcut to the manual in the Start menu?
EXIT 0" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$out")"
expect "Cyrillic folder: Next disabled for a name no folder may hold, enabled for the Cyrillic one" \
  "STATE Next > visible=1 enabled=0
STATE Next > visible=1 enabled=1" "$(grep '^STATE Next >' "$out")"
check "Cyrillic folder: the readme installed there" "differs or missing" same "$repo/examples/demo/readme.txt" "$cyrillic/readme.txt"
check "Cyrillic folder: the data package patched there" "missing" test -n "$(find "$cyrillic" -ipath '*/data/main.kzp')"
check "Иван's Desktop: the shortcut is there" "no Demo Product.lnk" test -f "$ivan_desktop/Demo Product.lnk"
LC_ALL=C.UTF-8 run_reported "$data/cyrillic-uninstall.out" \
  wine "$driver" run --timeout-ms 90000 -- 'C:\Игры\Demo Product\demo_Uninstall.exe' /S
expect "Cyrillic folder: uninstalled with /S" "EXIT 0" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$data/cyrillic-uninstall.out")"
check "Cyrillic folder: the finaliser removed the folder" "still there" within 25 none_exist "$cyrillic"
check "Иван's Desktop: the shortcut removed" "still there" none_exist "$ivan_desktop/Demo Product.lnk"
wine reg add "$shell_folders\\User Shell Folders" /v Desktop /t REG_EXPAND_SZ /d "$user_desktop" /f >/dev/null 2>&1
wine reg delete "$shell_folders\\Shell Folders" /v Desktop /f >/dev/null 2>&1

# --- a language switch, and a drive too small for the product ------------------------------
# A 64 KB drive T: (when this machine lets us mount one): the folder is usable, the
# space is not.
tiny=$data/tiny
mkdir -p "$tiny"
if mount -t tmpfs -o size=64k tmpfs "$tiny" 2>/dev/null; then
  tiny_mounted=1
  ln -sfn "$tiny" "$prefix/dosdevices/t:"
else
  tiny_mounted=0
  echo "note: no small drive could be mounted here; the too-little-space check is skipped"
fi
drive language <<EOF
wait-window
wait-text Next >
command 1001
wait-text Weiter >
sleep 300
$(shot german)
list # german
press Weiter >
wait-text Neu in dieser Version
press Weiter >
wait-text Installationsordner wählen
type T:\\Demo
sleep 300
state Weiter >
press Weiter >
wait-text Bereit zur Installation
sleep 300
$(shot too-little-space)
state Installieren
list # tiny
answer Yes
close
EOF
out=$data/language.out
check "language switch: the buttons in German" "see $out" \
  bash -c "grep -q 'text=Abbrechen' <(sed -n '/# german/,/^STEP/p' '$out') && grep -q 'text=Deutsch' <(sed -n '/# german/,/^STEP/p' '$out')"
check "language switch: the page's labels in German" "see $out" has_control "$out" "# german" "text=Willkommen bei Demo Product 1.0"
check "language switch: the window title unchanged" "see $out" grep -qx 'TITLE  Demo Product 1.0' "$out"
if ((tiny_mounted)); then
  check "a folder on the small drive is usable" "see $out" grep -qx 'STATE Weiter > visible=1 enabled=1' "$out"
  check "too little free space disables the Install button" "see $out" grep -qx 'STATE Installieren visible=1 enabled=0' "$out"
  rm -f "$prefix/dosdevices/t:"
  umount "$tiny"
fi
expect "language run: the quit question in German, then the end (cancelled, exit 1)" \
  "MESSAGEBOX caption=Setup beenden text=Möchten Sie Setup wirklich beenden?
EXIT 1" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$out")"

# --- a script that ends with "failure" ------------------------------------------------------
cp -r "$demo" "$data/faildemo"
printf 'failure\r\n' >>"$data/faildemo/demo.setup"
mkdir -p "$data/fail"
wine "$setupc" compile "$(winpath "$data/faildemo/demo.setup")" --stub "$(winpath "$stub")" \
  -o "$(winpath "$data/fail/setup.exe")" >"$data/fail/compile.log" 2>&1 ||
  { echo "install_e2e: setupc compile of the failing script failed" >&2; cat "$data/fail/compile.log" >&2; }
drive failure "$data/fail/setup.exe" <<EOF
wait-window
press Next >
wait-text What is new in this version
press Next >
wait-text Choose the installation folder
press Next >
wait-text Ready to install
press Install
wait-text Finish
sleep 300
$(shot finish-failure)
list # failure finish
press Finish
EOF
out=$data/failure.out
check "failure: the finish page shows text 23 and the kept log" "see $out" \
  has_control "$out" "# failure finish" 'text=Setup failed to install patch.\r\rSetup log: C:\'
expect "failure: the end, exit 2" "EXIT 2" "$(grep -E '^(EXIT|TIMEOUT)' "$out")"

# --- a product made by "setupc init", without a single edit ---------------------------------
# Compiled without a warning, installed through its wizard with no question on the way,
# removed by its uninstaller; only the empty key of its folder value may remain.
init=$data/init-product
rm -rf "$init"
{ run_setupc init "$init" --name "Sample Tool 2.0" --languages english,german &&
  run_setupc compile "$init/setup.txt" --stub "$stub"; } >"$data/init.log" 2>&1
check "init: the skeleton compiles without a warning" "see $data/init.log" \
  bash -c "test -f '$init/setup.exe' && ! grep -qi warning '$data/init.log'"
snapshot init-before
drive init-install "$init/setup.exe" <<EOF
wait-text Welcome to Sample Tool 2.0
press Next >
wait-text Choose the installation folder
list # init folder
press Next >
wait-text Ready to install
list # init confirm
press Install
wait-text Setup is complete
sleep 300
$(shot init-finish)
press Finish
EOF
out=$data/init-install.out
expect "init install: every step, no box, exit 0" "STEPS_DONE EXIT 0" "$(grep -E '^(STEPS_DONE|MESSAGEBOX|EXIT|TIMEOUT)' "$out" | tr '\n' ' ' | sed 's/ $//')"
init_pages_right() {
  has_control "$1" '# init folder' 'text=C:\Program Files\Sample Tool\' &&
    [ "$(page_controls "$1" '# init confirm' | grep -cE 'text=Space (required|available): [0-9]')" = 2 ]
}
check "init pages: the folder from the short title, both space figures" "see $out" init_pages_right "$out"
init_dir="$prefix/drive_c/Program Files/Sample Tool"
check "init: the payload installed" "differs or missing" same "$init/payload/readme.txt" "$init_dir/readme.txt"
expect "init: the folder recorded" 'C:\Program Files\Sample Tool\' "$(reg_value 'HKLM\Software\Sample Tool' Path)"
check "init: the Start-menu shortcut" "no Read me.lnk" \
  test -n "$(find "$prefix/drive_c/users" -path '*Start Menu/Programs/Sample Tool/Read me.lnk')"
drive init-uninstall "$init_dir/Uninstall.exe" <<EOF
wait-text Uninstall Sample Tool
press Next >
wait-text Ready to uninstall
press Uninstall
wait-text Uninstall is complete
press Finish
EOF
out=$data/init-uninstall.out
expect "init uninstall: every step, no box, exit 0" "STEPS_DONE EXIT 0" "$(grep -E '^(STEPS_DONE|MESSAGEBOX|EXIT|TIMEOUT)' "$out" | tr '\n' ' ' | sed 's/ $//')"
check "init: the finaliser removed the uninstaller" "still there" within 25 none_exist "$init_dir/Uninstall.exe"
snapshot init-after
expect "init: install and uninstall leave no file behind" "" \
  "$(changes "$data/init-before.files" "$data/init-after.files" '/AppData/Local/Temp(/|$)|^[df] users/[^/]+/Temp(/|$)')"
expect "init: install and uninstall leave no registry value behind, only the empty key" "" \
  "$(changes "$data/init-before.reg" "$data/init-after.reg" '^\[HKEY_LOCAL_MACHINE\\Software\\Sample Tool\]$|\\Software\\Wine(\\|\])')"

# --- the wizard at high DPI and from the keyboard ---------------------------------------------
source "$here/install_access.sh"

if ((failures > 0)); then
  echo "$failures check(s) failed; reports in $data"
  exit 1
fi
echo "all checks passed"
