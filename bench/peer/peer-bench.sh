#!/usr/bin/env bash
# The peer benchmark: our setups beside the peer's (makensis: Debian's nsis,
# amd64-unicode target, zlib), both under wine64 on one virtual display with a window
# manager (openbox) running, as on a desktop, in one run. Each workload is timed best of
# three (the many files best of two), ours and the peer's alternating, and printed as
# the ratio ours / peer's:
#
#   corpus      make-corpus.sh's 252 files (159 MB), unattended install (/S) on both sides
#   many files  make-many-files.sh's 30,000 small files in 300 folders, in a product made
#               by `setupc init` (its registry value, shortcut and uninstaller) and the
#               peer script that does the same; unattended install, then unattended
#               uninstall (until the installation folder is gone: both uninstallers
#               leave part of the work to a process of their own)
#   wizard      the corpus installed through our wizard's four pages by setup_driver,
#               ours only: the driver finds and presses the buttons of our wizard, not
#               the peer's
#   tiny        a setup of one 6-byte file: the time to its wizard window, and from
#               Finish (or the quit answer) to the end of the process
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
for tool in makensis openbox; do
  command -v "$tool" >/dev/null || { echo "peer-bench: $tool is missing (Debian nsis, openbox)" >&2; exit 2; }
done

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
"$setupc" init "$out/many" --name "Many 1.0" >/dev/null
"$root/bench/peer/make-many-files.sh" "$out/many/payload"

start=$(date +%s%N)
"$setupc" compile "$out/corpus/corpus.setup" --stub "$stub" -o "$out/corpus.exe" >/dev/null
ours_compile=$(ms_since "$start")
"$setupc" compile "$out/tiny/tiny.setup" --stub "$stub" -o "$out/tiny.exe" >/dev/null
"$setupc" compile "$out/many/setup.txt" --stub "$stub" >/dev/null

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

# The peer's many-files product does what `setupc init`'s script does: the files, the
# folder in the registry, a Start-menu shortcut, an uninstaller registered with Windows;
# its uninstaller removes what the installation wrote, file by file, as ours does.
{
  cat <<'NSI'
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "ManyPeer"
OutFile "many-peer.exe"
InstallDir "$PROGRAMFILES64\ManyPeer"
RequestExecutionLevel admin
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ManyPeer"
Section
  SetOutPath "$INSTDIR"
  File /r "many\payload\*.*"
  WriteRegStr HKLM "Software\ManyPeer" Path "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\ManyPeer"
  CreateShortCut "$SMPROGRAMS\ManyPeer\Read me.lnk" "$INSTDIR\readme.txt"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "ManyPeer"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\Uninstall.exe" /S'
SectionEnd
Section Uninstall
NSI
  (cd "$out/many/payload" && find . -type f | sort | sed 's|^\./|  Delete "$INSTDIR\\|; s|/|\\|g; s|$|"|')
  (cd "$out/many/payload" && find . -mindepth 1 -type d | sort -r | sed 's|^\./|  RMDir "$INSTDIR\\|; s|/|\\|g; s|$|"|')
  cat <<'NSI'
  Delete "$SMPROGRAMS\ManyPeer\Read me.lnk"
  RMDir "$SMPROGRAMS\ManyPeer"
  DeleteRegValue HKLM "Software\ManyPeer" Path
  DeleteRegKey /ifempty HKLM "Software\ManyPeer"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
NSI
} >"$out/many-peer.nsi"
(cd "$out" && makensis -V1 many-peer.nsi >/dev/null)

# --- the runs -------------------------------------------------------------------------
trap 'stop_display "$prefix"' EXIT
start_display "$out"
start_window_manager "$out"
"$root/scripts/wine-run" --prefix "$prefix" --timeout 120 cmd.exe /c exit 0 >/dev/null 2>&1 || true
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
program_files=$prefix/drive_c/Program\ Files
installed() { find "$program_files/$1" -type f 2>/dev/null | wc -l; }
clean() { rm -rf "${program_files:?}/$1"; }

# timed_install WHO STEPS PROGRAM ARGS...: the milliseconds to the program's end (exit 0)
timed_install() {
  local who=$1 report
  shift
  report=$(drive "$@")
  grep -qx '@[0-9]* EXIT 0' <<<"$report" || { echo "peer-bench: $who failed:" >&2; echo "$report" >&2; exit 1; }
  stamp EXIT <<<"$report"
}

# timed_uninstall FOLDER UNINSTALLER: runs the uninstaller with /S; the milliseconds until
# FOLDER is gone (the run fails when it is still there after two minutes).
timed_uninstall() {
  local folder=$1 start
  start=$(date +%s%N)
  timeout 300 "$wine" "$(winpath "$2")" /S >/dev/null 2>&1 || true
  for _ in $(seq 6000); do
    [ -e "$folder" ] || { ms_since "$start"; return; }
    sleep 0.02
  done
  echo "peer-bench: $2 left $folder behind" >&2
  exit 1
}

corpus_ours=() corpus_peer=() many_ours=() many_peer=() unmany_ours=() unmany_peer=()
for round in 1 2 3; do
  clean corpus
  corpus_ours+=("$(timed_install "our setup" "" "$(winpath "$out/corpus.exe")" /S)")
  echo "corpus, round $round: ours ${corpus_ours[-1]} ms ($(installed corpus) files)"
  clean Peer
  corpus_peer+=("$(timed_install "the peer's setup" "" "$(winpath "$out/peer.exe")" /S)")
  echo "corpus, round $round: peer ${corpus_peer[-1]} ms ($(installed Peer) files)"
done
# Two rounds only: one round of both sides takes two to four minutes on two cores.
for round in 1 2; do
  many_ours+=("$(timed_install "our setup" "" "$(winpath "$out/many/setup.exe")" /S)")
  count=$(installed Many)
  unmany_ours+=("$(timed_uninstall "$program_files/Many" "$(echo "$program_files"/Many/*Uninstall.exe)")")
  echo "30,000 files, round $round: ours ${many_ours[-1]} ms ($count files), uninstall ${unmany_ours[-1]} ms"
  many_peer+=("$(timed_install "the peer's setup" "" "$(winpath "$out/many-peer.exe")" /S)")
  count=$(installed ManyPeer)
  unmany_peer+=("$(timed_uninstall "$program_files/ManyPeer" "$program_files/ManyPeer/Uninstall.exe")")
  echo "30,000 files, round $round: peer ${many_peer[-1]} ms ($count files), uninstall ${unmany_peer[-1]} ms"
done

wizard_ours=()
for round in 1 2 3; do
  clean corpus
  wizard_ours+=("$(timed_install "our setup" "$out/install.steps" "$(winpath "$out/corpus.exe")")")
  echo "corpus through the wizard, round $round: ours ${wizard_ours[-1]} ms"
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
compare() {  # compare WHAT OURS-TIMES... -- PEER-TIMES... TARGET
  local what=$1 ours=() peer=()
  shift
  while [ "$1" != -- ]; do ours+=("$1"); shift; done
  shift
  peer=("${@:1:$#-1}")
  awk -v w="$what" -v o="$(best "${ours[@]}")" -v p="$(best "${peer[@]}")" -v t="${*: -1}" \
    'BEGIN { printf "%-34s ours %6d ms, peer %6d ms, ours/peer %.2f (%s)\n", w ":", o, p, o / p, t }'
}
echo "--- best of three (30,000 files: of two), the peer measured in the same run ---"
compare "corpus, unattended install" "${corpus_ours[@]}" -- "${corpus_peer[@]}" "target <= 1.0, stretch 0.8"
compare "30,000 files, unattended install" "${many_ours[@]}" -- "${many_peer[@]}" "target <= 1.0"
compare "30,000 files, unattended uninstall" "${unmany_ours[@]}" -- "${unmany_peer[@]}" "until the folder is gone"
echo "corpus through the wizard:         ours $(best "${wizard_ours[@]}") ms (the peer's wizard is not driven: the driver presses our wizard's buttons only)"
echo "tiny setup: wizard window after $(best "${window_times[@]}") ms (target <= 600 ms); process end $(best "${finish_times[@]}") ms after Finish (target <= 100 ms), $(best "${quit_times[@]}") ms after the quit answer"
awk -v o="$ours_compile" -v p="$peer_compile" \
  'BEGIN { printf "authoring the corpus: setupc %d ms, makensis %d ms, ratio makensis/setupc %.2f (target 1.8 or more)\n", o, p, p / o }'
