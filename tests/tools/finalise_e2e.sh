#!/usr/bin/env bash
# The finaliser under Wine: started the way the uninstaller starts it (from the
# temporary folder, with the uninstaller's full path in double quotes, not waited
# for), it deletes the uninstaller once that has ended, the uninstaller's folder when
# nothing else is in it, and its own file; it deletes nothing else.
#
# usage: finalise_e2e.sh --finalise FINALISE.exe --work DIR --prefix WINEPREFIX
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run
source "$here/../../scripts/lib/wine-session.sh"  # winpath
source "$here/../e2e/e2e_common.sh"               # check, within, start_watchdog

finalise="" work="" prefix=""
while [ $# -gt 0 ]; do
  case "$1" in
    --finalise) finalise=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --prefix) prefix=$2; shift 2 ;;
    *) echo "finalise_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -f "$finalise" ] && [ -n "$work" ] && [ -n "$prefix" ] ||
  { echo "usage: finalise_e2e.sh --finalise FINALISE.exe --work DIR --prefix WINEPREFIX" >&2; exit 2; }

failures=0
watchdog_pid=""
trap '[ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null' EXIT
start_watchdog 240 finalise_e2e
wine() { "$wine_run" --prefix "$prefix" --timeout 150 "$@"; }
data=$work/finalise_e2e
temp=$data/temp
rm -rf "$data"
mkdir -p "$temp"
wine cmd.exe /c exit 0 >/dev/null 2>&1  # the prefix exists from here on

# finaliser NAME: a fresh copy in the temporary folder, as the uninstaller writes it.
finaliser() {
  cp "$finalise" "$temp/$1"
  printf '%s' "$temp/$1"
}

# gone_within SECONDS PATH...: true once none of the paths exists.
gone_within() { within "$1" none_exist "${@:2}"; }

# --- not exactly one argument: exit 2, nothing deleted, the finaliser included ---------
mkdir -p "$data/args"
cp "$finalise" "$data/args/Uninstall.exe"
f=$(finaliser args.exe)
wine "$f"
code=$?
check "no argument: exit 2" "exit $code" test $code -eq 2
wine "$f" "$(winpath "$data/args/Uninstall.exe")" extra
code=$?
check "two arguments: exit 2" "exit $code" test $code -eq 2
check "a wrong argument count deletes nothing" "see $data/args, $f" \
  test -f "$data/args/Uninstall.exe" -a -f "$f"

# --- an argument that names no file by its full path: exit 1, nothing of it deleted -----
for target in folder relative missing; do
  f=$(finaliser "$target.exe")
  case $target in
    folder) (cd "$data" && wine "$f" "$(winpath "$data/args")") ;;
    relative) (cd "$data/args" && wine "$f" Uninstall.exe) ;;
    missing) wine "$f" "$(winpath "$data/args/none.exe")" ;;
  esac
  code=$?
  check "$target argument: exit 1" "exit $code" test $code -eq 1
  check "$target argument: the finaliser's own file is gone" "$f" gone_within 10 "$f"
done
check "the folder and the file in it stay" "see $data/args" test -f "$data/args/Uninstall.exe"

# --- a read-only uninstaller beside a file it did not install -----------------------------
mkdir -p "$data/keep"
cp "$finalise" "$data/keep/Uninstall.exe"
echo mine >"$data/keep/notes.txt"
chmod a-w "$data/keep/Uninstall.exe"
f=$(finaliser keep.exe)
wine "$f" "$(winpath "$data/keep/Uninstall.exe")"
code=$?
check "read-only uninstaller: exit 0" "exit $code" test $code -eq 0
check "read-only uninstaller: deleted" "see $data/keep" test ! -e "$data/keep/Uninstall.exe"
check "a folder holding another file stays with that file" "see $data/keep" test -f "$data/keep/notes.txt"
check "read-only uninstaller: the finaliser's own file is gone" "$f" gone_within 10 "$f"

# --- as the uninstaller starts it: the uninstaller (a command processor here) starts the
# finaliser without waiting and is still running for a while; its folder, with a space
# in its name, holds nothing else ------------------------------------------------------
product="$data/Program Files/Demo Product"
mkdir -p "$product"
uninstaller="$product/demo_Uninstall.exe"
cp "$prefix/drive_c/windows/system32/cmd.exe" "$uninstaller"
f=$(finaliser FINALISE.exe)
wine "$uninstaller" /c start "" "$(winpath "$f")" "$(winpath "$uninstaller")" '&' ping -n 3 127.0.0.1 '>nul'
check "started by the running uninstaller: the uninstaller and its folder are gone" "see $product" \
  gone_within 30 "$product"
check "started by the running uninstaller: the finaliser's own file is gone" "$f" gone_within 30 "$f"
check "the folders above the uninstaller's stay" "see $data" test -d "$data/Program Files"
check "the temporary folder stays" "see $temp" test -d "$temp"

[ $failures -eq 0 ] && echo "finalise_e2e: all checks passed" || echo "finalise_e2e: $failures check(s) failed"
exit $((failures > 0))
