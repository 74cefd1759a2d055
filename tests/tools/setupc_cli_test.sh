#!/usr/bin/env bash
# The built setupc end to end: its exit codes and which stream its output goes to.
# usage: setupc_cli_test.sh PATH_TO_SETUPC
set -u
setupc=$1 work=$(mktemp -d) failures=0
trap 'rm -rf "$work"' EXIT

# expect CODE STREAM ARGUMENTS...: setupc exits with CODE and writes to STREAM (out or err) only.
expect() {
  local want=$1 stream=$2 quiet=err
  shift 2
  [ "$stream" = err ] && quiet=out
  "$setupc" "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$want" ] || [ ! -s "$work/$stream" ] || [ -s "$work/$quiet" ]; then
    echo "FAIL: setupc $*: exit $got, expected $want with output on std$stream only"
    cat "$work/err"
    failures=$((failures + 1))
  fi
}

printf 'abc' >"$work/abc.txt"
expect 0 out --help
expect 2 err frobnicate
expect 0 out pack "$work/p.pak" "1:abc.txt=$work/abc.txt"
expect 0 out verify "$work/p.pak"
printf 'x' | dd of="$work/p.pak" bs=1 seek=1 conv=notrunc status=none  # "abc" is stored raw
expect 1 out verify "$work/p.pak"
# compile finds its stub through SETUPC_STUB, else beside the program (there is none here).
printf 'outfile setup.exe\r\n' >"$work/script.txt"
SETUPC_STUB="$work/abc.txt" expect 0 out compile "$work/script.txt"
env -u SETUPC_STUB "$setupc" compile "$work/script.txt" -o "$work/other.exe" 2>"$work/err" >/dev/null
grep -q "^setupc: no stub file $(cd "$(dirname "$setupc")" && pwd -P)/stub.exe" "$work/err" || { echo "FAIL: default stub"; failures=$((failures + 1)); }
echo "$failures check(s) failed"
exit $((failures > 0))
