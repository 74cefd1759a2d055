#!/usr/bin/env bash
# End-to-end check of an installation under Wine and Xvfb: setupc compiles the example
# product (examples/demo) onto the stub, the setup runs its whole script, and the test
# checks what it left on Wine's drive and in Wine's registry: the files, the registry
# values and URL-protocol keys, the shortcut, the install log and the registered
# uninstaller, which must start up in uninstall mode.
#
# usage: install_e2e.sh --stub STUB.exe --driver setup_driver.exe --setupc SETUPC.exe --work DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
wine_run=$repo/scripts/wine-run
source "$repo/scripts/lib/wine-session.sh"
source "$here/e2e_common.sh"

stub="" driver="" setupc="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --stub) stub=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --setupc) setupc=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "install_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
for f in "$stub" "$driver" "$setupc"; do
  [ -f "$f" ] || { echo "install_e2e: missing program '$f'" >&2; exit 2; }
done
[ -n "$work" ] || { echo "install_e2e: --work is required" >&2; exit 2; }

prefix=$work/install-prefix
data=$work/install
rm -rf "$data"
mkdir -p "$data"
failures=0
watchdog_pid=""
cleanup() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  stop_display "$prefix"
}
trap cleanup EXIT
start_watchdog 300 install_e2e

start_display "$data" || exit 1
wine() { "$wine_run" --prefix "$prefix" --timeout 90 "$@"; }
# A clean machine for every run: no installation of an earlier run is found.
WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
rm -rf "$prefix"
wine cmd.exe /c exit 0 >/dev/null 2>&1
unmanaged_windows "$wine_run" "$prefix" || true
WINEPREFIX=$prefix "$wineserver" -p

# reg_value KEY NAME: the data of a value as `reg query` prints it; NAME empty for the
# default value.
reg_value() {
  local out
  if [ -z "$2" ]; then out=$(wine reg query "$1" /ve 2>/dev/null); else out=$(wine reg query "$1" /v "$2" 2>/dev/null); fi
  printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^    .*    REG_[A-Z_]*    //p' | head -n1
}

# --- compile the demo and install it ---------------------------------------------------
setup=$data/setup.exe
wine "$setupc" compile "$(winpath "$repo/examples/demo/demo.setup")" --stub "$(winpath "$stub")" \
  -o "$(winpath "$setup")" >"$data/compile.log" 2>&1 ||
  { echo "install_e2e: setupc compile failed" >&2; cat "$data/compile.log" >&2; exit 1; }

wine "$driver" run --timeout-ms 60000 --close-window 'Demo Product' -- "$(winpath "$setup")" \
  >"$data/install.out" 2>"$data/install.err"
expect "install: the script's question, then the end" \
  "MESSAGEBOX caption=Demo Product text=Create a shortcut to the manual in the Start menu?
EXIT 0" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$data/install.out")"
check "install: the status line counted the files" "see $data/install.out" \
  grep -qx 'TEXT Status: 0 of 6 files extracted' "$data/install.out"
# The driver samples the window: it sees some of the status lines, not all.
check "install: extraction status lines shown" "see $data/install.out" grep -q '^TEXT Extracting ' "$data/install.out"
check "install: the run finished" "see $data/install.out" grep -qx 'TEXT Finished.' "$data/install.out"

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
SetupInfo" "$(awk 'NR > 1 { print $NF }' "$data/uninstaller-list.txt")"
wine "$setupc" info "$(winpath "$uninstaller")" 2>&1 | tr -d '\r' >"$data/uninstaller-info.txt"
check "uninstaller: IsUninstaller 1" "see $data/uninstaller-info.txt" grep -qE '^  IsUninstaller +1' "$data/uninstaller-info.txt"
check "uninstaller: the folder used" "see $data/uninstaller-info.txt" \
  grep -qE '^  InstallDir +C:\\Program Files\\Demo Product\\' "$data/uninstaller-info.txt"

wine "$driver" run --timeout-ms 30000 --close-window 'Demo Product' -- "$(winpath "$uninstaller")" \
  >"$data/uninstaller.out" 2>&1
check "the uninstaller starts in uninstall mode" "see $data/uninstaller.out" \
  grep -qx 'WINDOW_TEXT Mode: uninstall' "$data/uninstaller.out"
expect "the uninstaller ends without a box" "EXIT 0" "$(grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$data/uninstaller.out")"

if ((failures > 0)); then
  echo "$failures check(s) failed; reports in $data"
  exit 1
fi
echo "all checks passed"
