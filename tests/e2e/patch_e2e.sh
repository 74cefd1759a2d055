#!/usr/bin/env bash
# End-to-end check of a patch made by "setupc diff", under Wine: the example product
# installed with /S /D= is the old build; a changed copy of it (a file changed, one
# added, one removed with its folder, files of the game archive replaced and added) is
# the new build. setupc's Windows build writes the patch and compiles it; the stub
# installs it with /S /D= over the installed product, and diff then finds that folder
# equal to the new build. setupc apply (Windows build) does the same on a copy.
#
# usage: patch_e2e.sh --stub STUB.exe --driver setup_driver.exe --setupc SETUPC.exe --work DIR
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
    *) echo "patch_e2e: unknown argument $1" >&2; exit 2 ;;
  esac
done
for f in "$stub" "$driver" "$setupc"; do
  [ -f "$f" ] || { echo "patch_e2e: missing program '$f'" >&2; exit 2; }
done
[ -n "$work" ] || { echo "patch_e2e: --work is required" >&2; exit 2; }

prefix=$work/patch-prefix
data=$work/patch
rm -rf "$data"
mkdir -p "$data"
failures=0
watchdog_pid=""
cleanup() {
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  stop_display "$prefix"
}
trap cleanup EXIT
start_watchdog 390 patch_e2e

start_display "$data" || exit 1
wine() { "$wine_run" --prefix "$prefix" --timeout 90 "$@"; }
fresh_prefix

demo=$data/demo
stage_demo "$demo" || { echo "patch_e2e: staging the demo failed" >&2; exit 1; }
run_setupc compile "$demo/demo.setup" --stub "$stub" -o "$data/setup.exe" >"$data/compile.log" 2>&1 ||
  { echo "patch_e2e: compiling the demo failed" >&2; cat "$data/compile.log" >&2; exit 1; }

game="$prefix/drive_c/Game"
silent install "$(winpath "$data/setup.exe")" /S '/D=C:\Game'
expect "the demo installed with /S /D=: exit code 0" "EXIT 0" "$(seen install)"

# --- the two builds -------------------------------------------------------------------
old=$data/old new=$data/new
cp -r "$game" "$old" && cp -r "$game" "$new"
printf 'A changed readme.\r\n' >>"$new/readme.txt"
mkdir -p "$new/notes" && printf 'New in this build.\r\n' >"$new/notes/whatsnew.txt"
rm -r "$new/docs"
run_setupc vfs extract "$old/game.vfs" "$data/vfs-files" >"$data/vfs.log" 2>&1
printf 'a changed start map\r\n' >"$data/vfs-files/maps/start.map"
mkdir -p "$data/vfs-files/maps/cave" && printf 'a new map\r\n' >"$data/vfs-files/maps/cave/cave.map"
rm -f "$new/game.vfs" "$new/game.ht"
run_setupc vfs create "$data/vfs-files" "$new/game.vfs" --block-size 512 --blocks 256 --roots 16 >>"$data/vfs.log" 2>&1
check "the new build's game archive" "see $data/vfs.log" test -s "$new/game.vfs"

run_setupc diff "$old" "$new" >"$data/diff.txt" 2>&1
expect "diff of the two builds: they differ (exit 1)" "1" "$?"
check "diff names each change" "see $data/diff.txt" \
  bash -c "grep -q readme.txt '$data/diff.txt' && grep -q whatsnew.txt '$data/diff.txt' && grep -q manual.txt '$data/diff.txt' && grep -q cave.map '$data/diff.txt'"

# --- the patch, written, compiled and installed by the stub -----------------------------
run_setupc diff "$old" "$new" -o "$data/p" >"$data/diff-o.txt" 2>&1
expect "diff -o: the patch written (exit 0)" "0" "$?"
run_setupc compile "$data/p/setup.txt" --stub "$stub" >"$data/p-compile.log" 2>&1
expect "the patch compiles" "0" "$?"
silent patch "$(winpath "$data/p/setup.exe")" /S '/D=C:\Game'
expect "the patch installed with /S /D=: exit code 0" "EXIT 0" "$(seen patch)"
run_setupc diff "$game" "$new" >"$data/after.txt" 2>&1
expect "diff: the patched folder equals the new build" "0" "$?"

# --- a build the patch was not made from ----------------------------------------------
third="$prefix/drive_c/Third"
cp -r "$old" "$third"
printf 'someone else changed this\r\n' >>"$third/readme.txt"
(cd "$third" && find . -type f -exec md5sum {} + | sort) >"$data/third-before.txt"
silent refused "$(winpath "$data/p/setup.exe")" /S '/D=C:\Third'
expect "the patch on another build: exit code 2" "EXIT 2" "$(seen refused)"
(cd "$third" && find . -type f -exec md5sum {} + | sort) >"$data/third-after.txt"
check "the patch on another build: nothing changed" "see $data/third-*.txt" \
  cmp -s "$data/third-before.txt" "$data/third-after.txt"

# --- setupc apply, the Windows console build --------------------------------------------
cp -r "$old" "$data/tried"
run_setupc apply "$data/p/setup.exe" "$data/tried" >"$data/apply.txt" 2>&1
expect "setupc apply: exit code 0" "0" "$?"
run_setupc diff "$data/tried" "$new" >"$data/tried.txt" 2>&1
expect "setupc apply: the folder equals the new build" "0" "$?"

if ((failures > 0)); then
  echo "$failures check(s) failed; reports in $data"
  exit 1
fi
echo "all checks passed"
