#!/usr/bin/env bash
# End-to-end checks, under Wine and Xvfb, of what keeps a setup that runs with
# administrator rights from being turned against the machine:
#   - a DLL named like a system DLL beside the setup (msftedit.dll, built by the test:
#     it leaves a marker file when loaded) is never loaded, although Wine is told to
#     prefer a native msftedit.dll to its own; the changelog page still shows its
#     rich text through the system's rich edit;
#   - an install log changed after the installation (one file outside the installation
#     folder added, scrambled as the program scrambles it) makes the uninstaller refuse
#     with a box naming the log and exit code 4, and it removes nothing: not that file,
#     not the installed files, not the registration. (install_e2e uninstalls with the
#     unchanged log and checks that everything goes.)
#
# usage: security_e2e.sh --stub STUB.exe --driver setup_driver.exe --setupc SETUPC.exe
#                        --planted-dll msftedit.dll --work DIR
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
    *) echo "security_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
for f in "$stub" "$driver" "$setupc" "$planted"; do
  [ -f "$f" ] || { echo "security_e2e: missing file '$f'" >&2; exit 2; }
done
[ -n "$work" ] || { echo "security_e2e: --work is required" >&2; exit 2; }

prefix=$work/security-prefix
data=$work/security
rm -rf "$data"
mkdir -p "$data"
failures=0
watchdog_pid=""
cleanup() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  stop_display "$prefix"
}
trap cleanup EXIT
start_watchdog 300 security_e2e

start_display "$data" || exit 1
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
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n 's/^    .*    REG_[A-Z_]*    //p' | head -n1
}
events() { grep -E '^(MESSAGEBOX|EXIT|TIMEOUT)' "$1"; }

# drive NAME PROGRAM: runs PROGRAM through the steps on stdin; the report in $data/NAME.out.
drive() {
  cat >"$data/$1.steps"
  run_reported "$data/$1.out" \
    wine "$driver" run --timeout-ms 90000 --steps "$(winpath "$data/$1.steps")" -- "$(winpath "$2")"
}

# --- the setup, downloaded into a folder that also holds a planted msftedit.dll --------
demo=$data/demo
stage_demo "$demo" || { echo "security_e2e: staging the demo failed" >&2; exit 1; }
downloads=$data/Downloads
mkdir -p "$downloads"
setup=$downloads/setup.exe
run_setupc compile "$demo/demo.setup" --stub "$stub" -o "$setup" >"$data/compile.log" 2>&1 ||
  { echo "security_e2e: setupc compile failed" >&2; cat "$data/compile.log" >&2; exit 1; }
cp "$planted" "$downloads/msftedit.dll"
marker=$downloads/msftedit.dll.loaded

# Wine loads its own msftedit.dll whatever lies beside the program unless told to prefer
# a native one; a real Windows has no such preference to protect it.
SETUP_WINEDLLOVERRIDES="msftedit=n,b" drive install "$setup" <<EOF
wait-window
press Next >
wait-text What is new in this version
sleep 300
list # changelog
press Next >
wait-text Choose the installation folder
press Next >
wait-text Ready to install
press Install
wait-text Setup is complete
press Finish
EOF
out=$data/install.out
check "planted DLL: the msftedit.dll beside the setup was never loaded" "$marker exists" test ! -e "$marker"
rich_edit=$(awk '/^STEP / { on = index($0, "# changelog") > 0 } on && tolower($0) ~ /^control class=richedit50w / { print }' "$out")
check "planted DLL: the changelog page's rich edit is the system's" "see $out" test -n "$rich_edit"
check "planted DLL: it shows the changelog's text, not its RTF source" "see $out" \
  bash -c '[[ $1 == *"A German translation of the setup"* && $1 != *"\\rtf"* ]]' _ "$rich_edit"
check "install: every step done" "see $out" grep -qx STEPS_DONE "$out"

instdir="$prefix/drive_c/Program Files/Demo Product"
log=$instdir/demo_install.log
uninstaller=$instdir/demo_Uninstall.exe
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Demo Product'

# --- the log changed after the installation ---------------------------------------------
# A file of the administrator's, outside the installation folder, added to the log's
# files with the program's own key (read from its source).
victim=$prefix/drive_c/victim.txt
printf 'keep me\r\n' >"$victim"
cp "$log" "$data/install.log.original"
perl -e '
  my ($header, $log, $path) = @ARGV;
  open my $h, "<", $header or die; my $key = join "", map { /"(\d+)"/ ? $1 : () } <$h>;
  length $key == 244 or die "no 244-digit key in $header";
  open my $in, "<:raw", $log or die; local $/; my $bytes = <$in>; close $in;
  my ($files, $registry, $folders) = unpack "v3", $bytes;
  my $scrambled = join "", map { chr((ord(substr $path, $_, 1) + substr($key, $_ % 244, 1)) % 256) } 0 .. length($path) - 1;
  my $at = 6;  # after the files entries
  for (1 .. $files) { $at += 2 + unpack "v", substr $bytes, $at, 2 }
  open my $out, ">:raw", $log or die;
  print $out pack("v3", $files + 1, $registry, $folders), substr($bytes, 6, $at - 6),
    pack("v", length $path), $scrambled, substr($bytes, $at);
' "$repo/src/uninstall/install_log.h" "$log" 'C:\victim.txt' ||
  { echo "security_e2e: the log could not be changed" >&2; exit 1; }
run_setupc log "$log" 2>&1 | tr -d '\r' >"$data/forged-log.txt"
check "the changed log names the file outside the folder" "see $data/forged-log.txt" \
  grep -qxF '  C:\victim.txt' "$data/forged-log.txt"

installed_before=$(cd "$instdir" && find . | LC_ALL=C sort)
drive uninstall "$uninstaller" <<EOF
wait-window
press Next >
wait-text Ready to uninstall
press Uninstall
wait-text Uninstall is complete
press Finish
EOF
out=$data/uninstall.out
expect "changed log: the uninstaller refuses at start-up with a box naming the log, exit 4" \
  'MESSAGEBOX caption=Setup Error text=Error: install log has been changed since the installation\r\rC:\Program Files\Demo Product\demo_install.log\r\rNothing has been removed.
EXIT 4' "$(events "$out")"
check "changed log: the file outside the installation folder stayed" "gone" test -f "$victim"
expect "changed log: every installed file stayed" "$installed_before" "$(cd "$instdir" && find . | LC_ALL=C sort)"
expect "changed log: the registration stayed" "Demo Product" "$(reg_value "$uninstall_key" DisplayName)"

if ((failures > 0)); then
  echo "$failures check(s) failed; reports in $data"
  exit 1
fi
echo "all checks passed"
