# Shared by the end-to-end scripts: check reporting, polling and a watchdog. Source it; the
# caller sets failures=0 first.

# expect NAME EXPECTED ACTUAL
expect() {
  if [ "$2" == "$3" ]; then
    echo "ok   $1"
  else
    echo "FAIL $1"
    echo "  expected:"
    printf '%s\n' "$2" | sed 's/^/    /'
    echo "  actual:"
    printf '%s\n' "$3" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

# check NAME CONDITION-TEXT COMMAND...: passes when COMMAND succeeds.
check() {
  local name=$1 what=$2
  shift 2
  if "$@"; then echo "ok   $name"; else echo "FAIL $name: $what"; failures=$((failures + 1)); fi
}

# start_watchdog SECONDS NAME: the whole run must end well within CTest's limit, with
# the cleanup done: after SECONDS the script gets TERM. Sets watchdog_pid; the
# watchdog takes its sleep with it when it is ended early.
start_watchdog() {
  local seconds=$1 name=$2
  trap "echo \"$name: out of time\" >&2; exit 1" TERM INT
  (
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep "$seconds" &
    nap=$!
    wait "$nap"
    kill -TERM $$ 2>/dev/null
  ) >/dev/null 2>&1 &
  watchdog_pid=$!
}

# within SECONDS COMMAND...: true once COMMAND succeeds; tried four times a second.
within() {
  local tries=$(($1 * 4)) i
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.25
  done
  return 1
}

# none_exist PATH...: true when none of the paths exists.
none_exist() {
  local path
  for path in "$@"; do [ -e "$path" ] && return 1; done
  return 0
}

# run_reported OUT COMMAND...: runs a driver command with its report in OUT, its errors and
# exit status in OUT.err. The driver always reports something (each step as it begins,
# then EXIT or TIMEOUT), so an empty report means Wine never got it to its first look at
# the windows: it is started once more.
run_reported() {
  local out=$1 attempt status
  shift
  : >"$out.err"
  for attempt in 1 2; do
    "$@" >"$out" 2>>"$out.err"
    status=$?
    echo "driver exit $status" >>"$out.err"
    [ -s "$out" ] && return 0
    echo "note: the driver reported nothing for ${out##*/} (exit $status)"
  done
}

# The helpers below take the caller's `wine` (its own prefix and timeout), `winpath`
# and $setupc.

# reg_value KEY NAME: the data of a value as `reg query` prints it; NAME empty for the
# default value.
reg_value() {
  local out
  if [ -z "$2" ]; then out=$(wine reg query "$1" /ve 2>/dev/null); else out=$(wine reg query "$1" /v "$2" 2>/dev/null); fi
  printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^    .*    REG_[A-Z_]*    //p' | head -n1
}
reg_key_absent() { ! wine reg query "$1" >/dev/null 2>&1; }

# setupc under Wine, with local paths turned into Windows ones.
run_setupc() {
  local arg args=()
  for arg in "$@"; do
    if [[ $arg == /* ]]; then args+=("$(winpath "$arg")"); else args+=("$arg"); fi
  done
  wine "$setupc" "${args[@]}"
}

# fresh_prefix: a new Wine prefix at $prefix (no installation of an earlier run is
# found), its windows unmanaged, with a warm Wine server. The caller defines wine().
fresh_prefix() {
  WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null
  rm -rf "$prefix"
  wine cmd.exe /c exit 0 >/dev/null 2>&1
  unmanaged_windows "$wine_run" "$prefix" || true
  WINEPREFIX=$prefix "$wineserver" -p
}

# silent NAME PROGRAM ARGS...: runs PROGRAM under $driver without steps (any window or
# box is reported, and a box answered OK); the report in $data/NAME.out.
silent() {
  local name=$1
  shift
  run_reported "$data/$name.out" wine "$driver" run --timeout-ms 90000 -- "$@"
}
# The report's boxes, windows and the end.
seen() { grep -E '^(MESSAGEBOX|WINDOW|EXIT|TIMEOUT)' "$data/$1.out"; }
