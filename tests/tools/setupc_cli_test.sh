#!/usr/bin/env bash
# The built setupc end to end: exit codes and where its output goes.
# usage: setupc_cli_test.sh PATH_TO_SETUPC
set -u
setupc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect CODE DESCRIPTION COMMAND...: runs the command, checks its exit code.
expect() {
  local want=$1 what=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"
    sed 's/^/  stdout: /' "$work/out"
    sed 's/^/  stderr: /' "$work/err"
    failures=$((failures + 1))
  fi
}

# check DESCRIPTION CONDITION...: a test(1) condition.
check() {
  local what=$1
  shift
  if ! test "$@"; then
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}

printf 'hello, world\n%.0s' $(seq 200) >"$work/text.txt"
printf 'abc' >"$work/abc.txt"
: >"$work/empty"
printf 'MZ-host-image' >"$work/host.exe"

expect 0 "help" "$setupc" --help
check "help on stdout" -s "$work/out"
expect 2 "no arguments" "$setupc"
check "usage on stderr" -s "$work/err" -a ! -s "$work/out"
expect 2 "unknown command" "$setupc" frobnicate
expect 2 "bad entry" "$setupc" pack "$work/bad.pak" "nocolon"
check "no output after a bad entry" ! -e "$work/bad.pak"
expect 1 "missing source" "$setupc" pack "$work/bad.pak" "0:a=$work/not-there"
check "no output after a missing source" ! -e "$work/bad.pak"
check "one error line" "$(wc -l <"$work/err")" -eq 1

expect 0 "pack" "$setupc" pack "$work/p.pak" --host "$work/host.exe" \
  "0:SetupInfo=$work/text.txt" "1:sub\\abc.txt=$work/abc.txt" "1:empty=$work/empty"
expect 0 "list" "$setupc" list "$work/p.pak"
check "list has a header and three rows" "$(wc -l <"$work/out")" -eq 4
expect 0 "list --json" "$setupc" list --json "$work/p.pak"
check "json data start is the host size" "$(grep -c '"data_start": 13,' "$work/out")" -eq 1
expect 0 "verify" "$setupc" verify "$work/p.pak"
check "verify summary" "$(cat "$work/out")" = "3 entries verified"
expect 0 "extract" "$setupc" extract "$work/p.pak" "$work/out1"
cmp -s "$work/abc.txt" "$work/out1/1/sub/abc.txt" || { echo "FAIL: extracted bytes differ"; failures=$((failures + 1)); }
check "empty entry extracted" -f "$work/out1/1/empty" -a ! -s "$work/out1/1/empty"

# Flip a byte of the first entry's data (right after the 13-byte host): exit 1.
cp "$work/p.pak" "$work/flipped.pak"
printf '\xff' | dd of="$work/flipped.pak" bs=1 seek=20 conv=notrunc status=none
expect 1 "verify a damaged entry" "$setupc" verify "$work/flipped.pak"
check "the failing entry is named" "$(head -n 1 "$work/out")" = "FAILED 0 SetupInfo"
expect 1 "extract a damaged entry" "$setupc" extract "$work/flipped.pak" "$work/out2"

# info and log: a package that is no setup fails (1), a log that ends early fails (1)
# after printing what it holds, a missing log is an input error (2).
expect 1 "info on a damaged SetupInfo" "$setupc" info "$work/flipped.pak"
check "info: one error line" "$(wc -l <"$work/err")" -eq 1
printf '\x01\x00\x00\x00\x00\x00\x02\x00' >"$work/short.log"
expect 1 "log ending early" "$setupc" log --json "$work/short.log"
check "log: complete is false" "$(grep -c '"complete": false' "$work/out")" -eq 1
expect 2 "log a missing file" "$setupc" log "$work/nothing.log"

# No package, a truncated one, a missing file: exit 2.
head -c 4000 /dev/urandom >"$work/garbage"
expect 2 "verify garbage" "$setupc" verify "$work/garbage"
head -c -1 "$work/p.pak" >"$work/truncated.pak"
expect 2 "verify truncated" "$setupc" verify "$work/truncated.pak"
expect 2 "list a missing file" "$setupc" list "$work/nothing.pak"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
