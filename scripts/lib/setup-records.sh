# Shared by the demo and the end-to-end tests until setupc compiles scripts: the setup
# records an installer needs, written byte by byte. Source it.

# u16 little-endian; a counted string (u16 length, then the bytes).
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
counted() { le16 ${#1}; printf '%s' "$1"; }

# setup_files DIR SHORT-NAME EXE-NAME INSTALL-DIR [ROOT PATH KEY]...: an installer's
# SetupInfo (with up to five InstallDirRegKey slots), CompiledLines without lines, an
# English language and a page set of one folder page, written into DIR; sets setup_entries to the group-0 entries for
# setupc pack.
setup_files() {
  local dir=$1 short=$2 exe=$3 install=$4 slot
  shift 4
  mkdir -p "$dir"
  {
    counted "$short 1.0"; counted "$short"; counted "$exe"; counted "Uninstall.exe"
    counted ""; counted "$install"; counted ""
    for slot in 1 2 3 4 5; do
      if [ $# -ge 3 ]; then
        printf "\\x0$1"; counted "$2"; counted "$3"
        shift 3
      else
        printf '\x00'; counted ""; counted ""
      fi
    done
    counted "Pages.txt"; counted ""
    printf '\x00\x00'  # IsUninstaller, CreateUninstaller
  } >"$dir/SetupInfo"
  printf '\x00\x00' >"$dir/CompiledLines"
  { printf '\xff\xfe'; printf 'English\r\n0409;0809;\r\n1 Hello\r\n27 Quit?\r\n28 Exit\r\n' | iconv -f ASCII -t UTF-16LE; } \
    >"$dir/english.lng"
  # One page: the folder page, whose field shows the installation folder.
  printf '[Pages]\r\nfolder.txt\r\n[PageTypes]\r\nInstallDir\r\n' >"$dir/Pages.txt"
  printf '[InstallDir_Edit]\r\nType=TEdit\r\nLeft=20\r\nTop=20\r\nWidth=400\r\nHeight=21\r\n' >"$dir/folder.txt"
  setup_entries=("0:SetupInfo=$dir/SetupInfo" "0:CompiledLines=$dir/CompiledLines"
                 "0:LANGUAGE-english=$dir/english.lng" "0:Pages.txt=$dir/Pages.txt" "0:folder.txt=$dir/folder.txt")
}
