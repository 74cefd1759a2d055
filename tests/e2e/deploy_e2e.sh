#!/usr/bin/env bash
# End-to-end check of unattended deployment under Wine: the example product installed
# with /S (no window, no box: the script's question takes its default), its log
# (/LOG=FILE), its exit code, the registration with QuietUninstallString; a folder with
# blanks given with /D=; a payload file held open by another program (the retry
# succeeds once it is free; exit code 2 when it stays held); a payload file blocked by a
# folder of the same name (exit code 2, the file named in the log); a /D= folder the code
# page cannot hold, installed and uninstalled; a per-user setup (no elevation, the
# user's programs folder, HKCU); a failing script's exit
# code 2 and the log it leaves in the temporary folder; a setup signed with
# osslsigncode, installed; last, the silent uninstall through QuietUninstallString,
# after which nothing of the product is left.
#
# usage: deploy_e2e.sh --stub STUB.exe --driver setup_driver.exe --setupc SETUPC.exe --work DIR
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
    *) echo "deploy_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
for f in "$stub" "$driver" "$setupc"; do
  [ -f "$f" ] || { echo "deploy_e2e: missing program '$f'" >&2; exit 2; }
done
[ -n "$work" ] || { echo "deploy_e2e: --work is required" >&2; exit 2; }

prefix=$work/deploy-prefix
data=$work/deploy
rm -rf "$data"
mkdir -p "$data"
failures=0
watchdog_pid=""
holder_pid=""
cleanup() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null
  stop_display "$prefix"
}
trap cleanup EXIT
start_watchdog 390 deploy_e2e

start_display "$data" || exit 1
wine() { "$wine_run" --prefix "$prefix" --timeout 90 "$@"; }
fresh_prefix

demo=$data/demo
stage_demo "$demo" || { echo "deploy_e2e: staging the demo failed" >&2; exit 1; }
compile() {  # compile SCRIPT OUT
  wine "$setupc" compile "$(winpath "$1")" --stub "$(winpath "$stub")" -o "$(winpath "$2")" \
    >"$2.compile.log" 2>&1 || { echo "deploy_e2e: setupc compile failed" >&2; cat "$2.compile.log" >&2; exit 1; }
}
setup=$data/setup.exe
compile "$demo/demo.setup" "$setup"

instdir="$prefix/drive_c/Program Files/Demo Product"
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Demo Product'
log=$data/install.log

# --- a folder with blanks, given last and without quotes, and its silent uninstall --------
silent folder "$(winpath "$setup")" /S '/D=C:\Deploy' 'Test\My' Demo
expect "/D= with blanks: exit code 0" "EXIT 0" "$(seen folder)"
check "/D= with blanks: the readme there" "missing" test -f "$prefix/drive_c/Deploy Test/My Demo/readme.txt"
silent folder-uninstall 'C:\Deploy Test\My Demo\demo_Uninstall.exe' /S
expect "/D= with blanks: uninstalled with /S, exit code 0" "EXIT 0" "$(seen folder-uninstall)"
check "/D= with blanks: the finaliser removed the folder" "still there" \
  within 25 none_exist "$prefix/drive_c/Deploy Test/My Demo"

# --- a folder the code page cannot hold (Cyrillic on a Western-language Windows) --------
# (Wine takes the arguments as UTF-8 under a UTF-8 locale.)
cyrillic="$prefix/drive_c/Игры/Demo Product"
LC_ALL=C.UTF-8 silent cyrillic "$(winpath "$setup")" /S "/LOG=$(winpath "$data/cyrillic.log")" '/D=C:\Игры\Demo Product'
expect "/D= the code page cannot hold: exit code 0" "EXIT 0" "$(seen cyrillic)"
check "/D= the code page cannot hold: the readme there" "missing" cmp -s "$repo/examples/demo/readme.txt" "$cyrillic/readme.txt"
check "/D= the code page cannot hold: the archive patched there" "missing" test -f "$cyrillic/game.vfs"
check "/D= the code page cannot hold: the log names the real folder" "see $data/cyrillic.log" \
  grep -q 'file written: C:\\Игры\\Demo Product\\*readme.txt' "$data/cyrillic.log"
expect "/D= the code page cannot hold: no folder with \"?\" in its name" "" \
  "$(find "$prefix/drive_c" -maxdepth 2 -name '*[?]*' -print)"
LC_ALL=C.UTF-8 silent cyrillic-uninstall 'C:\Игры\Demo Product\demo_Uninstall.exe' /S
expect "/D= the code page cannot hold: uninstalled with /S, exit code 0" "EXIT 0" "$(seen cyrillic-uninstall)"
check "/D= the code page cannot hold: the finaliser removed the folder" "still there" \
  within 25 none_exist "$cyrillic"

# --- a per-user setup ("privileges user") ------------------------------------------------
# The demo made per-user: no elevation asked for, the user's programs folder, the
# registration under HKCU with the product's values, and nothing left after its uninstall.
cp -r "$demo" "$data/userdemo"
sed -i 's/^shortname "Demo Product"\r*$/&\nprivileges user/' "$data/userdemo/demo.setup"
mkdir -p "$data/peruser"
compile "$data/userdemo/demo.setup" "$data/peruser/setup.exe"
user_key='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Demo Product'
silent peruser "$(winpath "$data/peruser/setup.exe")" /S "/LOG=$(winpath "$data/peruser.log")"
expect "per-user: exit code 0" "EXIT 0" "$(seen peruser)"
user_dir=$(find "$prefix/drive_c/users" -path '*/AppData/Local/Programs/Demo Product' -type d | head -n1)
check "per-user: installed into the user's programs folder" "see $data/peruser.log" test -f "$user_dir/readme.txt"
check "per-user: the setup and its uninstaller ask for no elevation" "requireAdministrator found" \
  bash -c "grep -qa 'level=\"asInvoker\"' '$data/peruser/setup.exe' && grep -qa 'level=\"asInvoker\"' '$user_dir/demo_Uninstall.exe'"
expect "per-user: registered under HKCU with its version and publisher" "Demo Product|1.0|Demo Company|https://example.com/demo" \
  "$(reg_value "$user_key" DisplayName)|$(reg_value "$user_key" DisplayVersion)|$(reg_value "$user_key" Publisher)|$(reg_value "$user_key" URLInfoAbout)"
check "per-user: nothing registered under HKLM" "still there" reg_key_absent "$uninstall_key"
quiet=$(reg_value "$user_key" QuietUninstallString)
quiet=${quiet#\"}
silent peruser-uninstall "${quiet%\" /S}" /S
expect "per-user: uninstalled through HKCU's QuietUninstallString" "EXIT 0" "$(seen peruser-uninstall)"
check "per-user: the folder is gone" "still there" within 25 none_exist "$user_dir"
check "per-user: the registration is gone" "still there" reg_key_absent "$user_key"

# --- the demo installed unattended ------------------------------------------------------
silent install "$(winpath "$setup")" /S "/LOG=$(winpath "$log")"
expect "install /S: no window, no box, exit code 0" "EXIT 0" "$(seen install)"
check "install /S: the readme installed" "differs or missing" cmp -s "$repo/examples/demo/readme.txt" "$instdir/readme.txt"
expect "install /S: HKLM Version" '1.0' "$(reg_value 'HKLM\Software\Demo Product' Version)"
expect "install /S: the registration's version, publisher and web page" "1.0|Demo Company|https://example.com/demo" \
  "$(reg_value "$uninstall_key" DisplayVersion)|$(reg_value "$uninstall_key" Publisher)|$(reg_value "$uninstall_key" URLInfoAbout)"
expect "install /S: QuietUninstallString" '"C:\Program Files\Demo Product\\demo_Uninstall.exe" /S' \
  "$(reg_value "$uninstall_key" QuietUninstallString)"
check "install /S: the uninstaller written" "missing" test -f "$instdir/demo_Uninstall.exe"
check "log: UTF-8 text with the start-up facts" "see $log" \
  bash -c "grep -q '^Setup log, ' '$log' && grep -q '] unattended (/S)' '$log' && grep -qF '] folder: C:\\Program Files\\Demo Product\\' '$log'"
check "log: the script's lines, its question and the exit code" "see $log" \
  bash -c "grep -q '] line [0-9]* file: done' '$log' && grep -q '] message box \"Demo Product\": Create a shortcut' '$log' && grep -q '] exit code 0' '$log'"
check "log: files written and registry values set" "see $log" \
  bash -c "grep -qF 'file written: C:\\Program Files\\Demo Product' '$log' && grep -qF 'registry value set: HKLM\\Software\\Demo Product \"Version\" = \"1.0\"' '$log'"

# --- a payload file held by another program ----------------------------------------------
# hold SECONDS: the readme held open without sharing; waits until the holder has it.
hold() {
  rm -f "$data/hold.out"
  wine "$driver" hold 'C:\Program Files\Demo Product\readme.txt' "$1" >"$data/hold.out" 2>&1 &
  holder_pid=$!
  within 20 grep -q HOLDING "$data/hold.out" || echo "note: the holder did not report"
}
hold 2500
silent held-briefly "$(winpath "$setup")" /S "/LOG=$(winpath "$data/held-briefly.log")"
wait "$holder_pid" 2>/dev/null; holder_pid=""
expect "file in use for a moment: tried again, exit code 0" "EXIT 0" "$(seen held-briefly)"
check "file in use for a moment: the log says so" "see $data/held-briefly.log" \
  grep -q 'file in use by another program: .*readme.txt, trying again' "$data/held-briefly.log"
# Held longer than the setup tries (5 tries over 5 s, after half a second of start-up);
# the holder ends by itself before the next run.
hold 9000
silent held "$(winpath "$setup")" /S "/LOG=$(winpath "$data/held.log")"
wait "$holder_pid" 2>/dev/null; holder_pid=""
expect "file in use throughout: exit code 2" "EXIT 2" "$(seen held)"
check "file in use throughout: the log names the file" "see $data/held.log" \
  grep -q 'file in use by another program: C:.*readme.txt, giving up after 5 tries' "$data/held.log"

# --- a payload file blocked by a folder of the same name ----------------------------------
blocked="$prefix/drive_c/Program Files/Demo Product/readme.txt"
rm -f "$blocked" && mkdir -p "$blocked"
silent blocked "$(winpath "$setup")" /S "/LOG=$(winpath "$data/blocked.log")"
rmdir "$blocked"
expect "file blocked by a folder: exit code 2" "EXIT 2" "$(seen blocked)"
check "file blocked by a folder: the log names the file and why" "see $data/blocked.log" \
  grep -q 'file not written: C:.*readme.txt (A folder of the same name is in the way.), giving up after 5 tries' \
  "$data/blocked.log"

# --- a failing script --------------------------------------------------------------------
cp -r "$demo" "$data/faildemo"
printf 'failure\r\n' >>"$data/faildemo/demo.setup"
mkdir -p "$data/fail"
compile "$data/faildemo/demo.setup" "$data/fail/setup.exe"
temp_logs() { find "$prefix/drive_c/users" -path '*/Temp/SetupLog*.txt' 2>/dev/null; }
before_logs=$(temp_logs | wc -l)
silent failure "$(winpath "$data/fail/setup.exe")" /S
expect "failure: exit code 2" "EXIT 2" "$(seen failure)"
failure_log=$(temp_logs | LC_ALL=C sort | tail -n1)
expect "failure: one log left in the temporary folder" "$((before_logs + 1))" "$(temp_logs | wc -l)"
check "failure: the log tells why" "see $failure_log" \
  bash -c "grep -q '] line [0-9]* failure: failed' '$failure_log' && grep -q '] exit code 2' '$failure_log'"

# --- the product's archives: a journal nobody can read, a patch killed half-way ----------
# The script says Data\main.kzp; the folder on the disk is the payload's "data".
kzp=$instdir/data/main.kzp

# archive_state DIR: the archives' contents as setupc extracts them, and the loose files.
archive_state() {
  rm -rf "$1" && mkdir -p "$1/kzp" "$1/vfs" || return 1
  run_setupc kzp extract "$kzp" "$1/kzp" >/dev/null 2>&1 && run_setupc vfs extract "$instdir/game.vfs" "$1/vfs" >/dev/null 2>&1 &&
    cp "$instdir/readme.txt" "$instdir/demo.ini" "$1/"
}
silent patched "$(winpath "$setup")" /S
expect "patch: an uninterrupted run, exit code 0" "EXIT 0" "$(seen patched)"
archive_state "$data/state-whole"
printf 'my notes, not an undo journal' >"$data/garbage.journal"
cp "$data/garbage.journal" "$kzp.journal"
silent journal "$(winpath "$setup")" /S "/LOG=$(winpath "$data/journal.log")"
expect "unreadable journal: exit code 2" "EXIT 2" "$(seen journal)"
check "unreadable journal: the journal left byte for byte" "changed" cmp -s "$data/garbage.journal" "$kzp.journal"
check "unreadable journal: the package as its payload put it" "changed" cmp -s "$demo/product/Data/main.kzp" "$kzp"
check "unreadable journal: the log shows the message naming both files" "see $data/journal.log" \
  bash -c "grep -qF 'Data\\main.kzp.journal cannot be read: it is not an undo journal' '$data/journal.log' && grep -qF 'Data\\main.kzp from a backup' '$data/journal.log'"
rm -f "$kzp.journal"
# The setup killed at moments spread over its run (a power cut), then run again: the
# end equals the uninterrupted run's, and every archive checks clean.
hits=0
for delay in 0.4 0.7 1.0 1.3 1.6 1.9; do
  "$wine_run" --prefix "$prefix" --timeout 60 "$(winpath "$setup")" /S >/dev/null 2>&1 &
  killed_pid=$!
  sleep "$delay"
  WINEPREFIX=$prefix "$wineserver" -k9 2>/dev/null
  wait "$killed_pid" 2>/dev/null
  WINEPREFIX=$prefix "$wineserver" -p
  [ -n "$(find "$instdir" -name '*.journal' 2>/dev/null)" ] && hits=$((hits + 1))
  silent "again-$delay" "$(winpath "$setup")" /S
  expect "killed after ${delay} s, run again: exit code 0" "EXIT 0" "$(seen "again-$delay")"
  archive_state "$data/state-$delay"
  check "killed after ${delay} s, run again: the archives and files as after an uninterrupted run" \
    "see $data/state-$delay" diff -r "$data/state-whole" "$data/state-$delay"
  { run_setupc kzp verify "$kzp" && run_setupc vfs check "$instdir/game.vfs"; } >"$data/check-$delay.txt" 2>&1
  check "killed after ${delay} s, run again: setupc verifies both archives" "see $data/check-$delay.txt" test $? -eq 0
  check "killed after ${delay} s, run again: no journal left" "$(find "$instdir" -name '*.journal')" \
    test -z "$(find "$instdir" -name '*.journal')"
done
echo "note: the kill found an archive being changed $hits time(s) of 6"
# A journal of the second archive update, beside the base archive that the next run
# installs again, belongs to a file that has since been replaced: it was set aside.
find "$instdir" -name '*.journal.stale*' -delete

# --- a signed setup ------------------------------------------------------------------------
if command -v osslsigncode >/dev/null && command -v openssl >/dev/null; then
  openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Deploy Test Publisher" -days 2 \
    -keyout "$data/sign.key" -out "$data/sign.crt" >/dev/null 2>&1
  signed=$data/signed/setup.exe
  mkdir -p "$data/signed"
  osslsigncode sign -certs "$data/sign.crt" -key "$data/sign.key" -n "Demo Product" \
    -in "$setup" -out "$signed" >"$data/sign.log" 2>&1 || cat "$data/sign.log"
  check "signed: osslsigncode verifies the signature" "see $data/verify-signature.log" \
    bash -c "osslsigncode verify -CAfile '$data/sign.crt' -in '$signed' >'$data/verify-signature.log' 2>&1"
  run_setupc verify "$signed" >"$data/signed-verify.txt" 2>&1
  check "signed: setupc verify reads it" "see $data/signed-verify.txt" test $? -eq 0
  silent signed "$(winpath "$signed")" /S "/LOG=$(winpath "$data/signed.log")"
  expect "signed: installs, exit code 0" "EXIT 0" "$(seen signed)"
  run_setupc verify "$instdir/demo_Uninstall.exe" >"$data/signed-uninstaller.txt" 2>&1
  check "signed: its uninstaller is a sound package" "see $data/signed-uninstaller.txt" test $? -eq 0
else
  echo "FAIL signed setup: openssl or osslsigncode missing (scripts/bootstrap installs them)"
  failures=$((failures + 1))
fi

# --- the silent uninstall, through the registration -------------------------------------
quiet=$(reg_value "$uninstall_key" QuietUninstallString)
uninstaller=${quiet#\"}
uninstaller=${uninstaller%\" /S}
silent uninstall "$uninstaller" /S
expect "uninstall /S: no window, no box, exit code 0" "EXIT 0" "$(seen uninstall)"
# The folders stay empty here: the product was installed over itself several times, and
# the last run's log records only the folders it created (the /D= run above shows a
# fresh installation leaving nothing).
no_files_left() { [ -z "$(find "$instdir" -type f 2>/dev/null)" ]; }
check "uninstall /S: the finaliser removed the uninstaller, no file is left" "$(find "$instdir" -type f)" \
  within 25 no_files_left
check "uninstall /S: the registration is gone" "still there" reg_key_absent "$uninstall_key"
check "uninstall /S: the product's values are gone" "still there" \
  test -z "$(reg_value 'HKLM\Software\Demo Product' Version)"

if ((failures > 0)); then
  echo "$failures check(s) failed; reports in $data"
  exit 1
fi
echo "all checks passed"
