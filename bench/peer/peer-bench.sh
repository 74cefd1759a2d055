#!/usr/bin/env bash
# The peer benchmark: the same corpus (make-corpus.sh) made into a setup by setupc and
# by the peer's compiler (makensis: Debian's nsis, amd64-unicode target, zlib), both run
# under wine64 on one virtual display in one run, alternating, three rounds. Ours is
# taken through its four pages by setup_driver as a user would; the peer installs with
# /S. Then a tiny setup (one 6-byte file): the time to its wizard window, and from the
# last press (Finish) or the quit answer to the end of the process.
#
# Windows are not managed by Wine here (as in the end-to-end tests): without a window
# manager, Wine waits two seconds for one whenever a managed window is hidden, a wait
# no user with a desktop sees (with a window manager running the times match these).
#
# usage: peer-bench.sh ROOT   (the repository; the native setupc of build/bench and the
#                              win64 stub and driver of build/win64 must be built)
set -euo pipefail
root=$(cd "${1:?usage: peer-bench.sh ROOT}" && pwd)
out=$root/build/peer
setupc=$root/build/bench/tools/setupc/setupc
stub=$root/build/win64/src/stub.exe
driver=$root/build/win64/tools/driver/setup_driver.exe
for f in "$setupc" "$stub" "$driver"; do [ -f "$f" ] || { echo "peer-bench: missing $f" >&2; exit 2; }; done
command -v makensis >/dev/null || { echo "peer-bench: makensis is missing (Debian nsis)" >&2; exit 2; }

rm -rf "$out"
mkdir -p "$out"
source "$root/scripts/lib/wine-session.sh"
prefix=$out/wineprefix
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64

ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

# --- the setups ---------------------------------------------------------------------
"$root/bench/peer/make-corpus.sh" "$out/source/corpus"
# Ours: the example product's pages and languages around a script that installs the
# corpus; the tiny setup the same around one 6-byte file.
product() {  # product NAME PAYLOAD-DIR
  local dir=$out/$1
  mkdir -p "$dir"
  cp -r "$root/examples/demo/pages" "$root/examples/demo/languages" "$root/examples/demo/ChangeLog.rtf" "$dir/"
  ln -s "$2" "$dir/payload"
  cat >"$dir/$1.setup" <<SCRIPT
name "$1 1.0"
shortname "$1"
outfile $1.exe
prefix $1
installdir "\$PROGRAMFILES\\$1\\"
changelog ChangeLog.rtf
pages default
uninstallpages uninstall
language english
uninstalllanguage uninstall-english
file payload
SCRIPT
}
product corpus "$out/source/corpus"
mkdir -p "$out/source/tiny"
printf 'hello\n' >"$out/source/tiny/hello.txt"
product tiny "$out/source/tiny"

start=$(date +%s%N)
"$setupc" compile "$out/corpus/corpus.setup" --stub "$stub" -o "$out/corpus.exe" >/dev/null
ours_compile=$(ms_since "$start")
"$setupc" compile "$out/tiny/tiny.setup" --stub "$stub" -o "$out/tiny.exe" >/dev/null

cat >"$out/peer.nsi" <<'NSI'
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "Peer"
OutFile "peer.exe"
InstallDir "$PROGRAMFILES64\Peer"
RequestExecutionLevel admin
Section
  SetOutPath "$INSTDIR"
  File /r "source\corpus\*.*"
SectionEnd
NSI
start=$(date +%s%N)
(cd "$out" && makensis -V1 peer.nsi >/dev/null)
peer_compile=$(ms_since "$start")

# --- the runs -------------------------------------------------------------------------
trap 'stop_display "$prefix"' EXIT
start_display "$out"
"$root/scripts/wine-run" --prefix "$prefix" --timeout 120 cmd.exe /c exit 0 >/dev/null 2>&1 || true
unmanaged_windows "$root/scripts/wine-run" "$prefix" || true
"$wineserver" -p 2>/dev/null || true

printf 'wait-window\npress Next >\npress Next >\npress Next >\npress Install\nwait-text Setup is complete\npress Finish\n' \
  >"$out/install.steps"
printf 'wait-window\nclose\nanswer Yes\n' >"$out/quit.steps"
drive() {  # drive STEPS PROGRAM ARGS...: the driver's stamped report on stdout
  local steps=$1
  shift
  timeout 300 "$wine" "$driver" run --timeout-ms 240000 --timestamps ${steps:+--steps "$(winpath "$steps")"} \
    -- "$@" 2>/dev/null
}
stamp() { sed -n "s/^@\([0-9]*\) $1.*/\1/p" | head -n1; }  # the time of the first line matching
installed() { find "$prefix/drive_c/Program Files/$1" -type f 2>/dev/null | wc -l; }
clean() { rm -rf "$prefix/drive_c/Program Files/$1"; }

ours_times=() peer_times=()
for round in 1 2 3; do
  clean corpus
  report=$(drive "$out/install.steps" "$(winpath "$out/corpus.exe")")
  grep -qx '@[0-9]* EXIT 0' <<<"$report" || { echo "peer-bench: our setup failed:" >&2; echo "$report" >&2; exit 1; }
  ours_times+=("$(stamp EXIT <<<"$report")")
  echo "round $round: ours $(stamp EXIT <<<"$report") ms ($(installed corpus) files)"
  clean Peer
  report=$(drive "" "$(winpath "$out/peer.exe")" /S)
  grep -qx '@[0-9]* EXIT 0' <<<"$report" || { echo "peer-bench: the peer's setup failed:" >&2; echo "$report" >&2; exit 1; }
  peer_times+=("$(stamp EXIT <<<"$report")")
  echo "round $round: peer $(stamp EXIT <<<"$report") ms ($(installed Peer) files)"
done

window_times=() finish_times=() quit_times=()
for round in 1 2 3; do
  clean tiny
  report=$(drive "$out/install.steps" "$(winpath "$out/tiny.exe")")
  window_times+=("$(stamp 'STEP 2 ' <<<"$report")")
  finish_times+=($(($(stamp EXIT <<<"$report") - $(stamp 'STEP 7 ' <<<"$report"))))
  report=$(drive "$out/quit.steps" "$(winpath "$out/tiny.exe")")
  quit_times+=($(($(stamp EXIT <<<"$report") - $(stamp 'MESSAGEBOX' <<<"$report"))))
done

best() { printf '%s\n' "$@" | sort -n | head -n1; }
ours=$(best "${ours_times[@]}")
peer=$(best "${peer_times[@]}")
echo "--- best of three ---"
echo "corpus installed: ours $ours ms, peer $peer ms, difference $((ours - peer)) ms (target: 600 ms or less)"
echo "tiny setup: wizard window after $(best "${window_times[@]}") ms (target 800 ms); process end $(best "${finish_times[@]}") ms after Finish, $(best "${quit_times[@]}") ms after the quit answer (target 300 ms)"
awk -v o="$ours_compile" -v p="$peer_compile" \
  'BEGIN { printf "authoring the corpus: setupc %d ms, makensis %d ms, ratio makensis/setupc %.2f (target 1.8 or more)\n", o, p, p / o }'
