#!/usr/bin/env bash
# Writes the many-small-files product payload the peer benchmark installs: 30,000 text
# files of about 40 bytes in 300 folders (about 1.2 MB in all), the shape of a product
# that ships thousands of scripts, translations or data records.
#
# usage: make-many-files.sh DIR   (DIR is made; files already in it stay)
set -euo pipefail
dir=${1:?usage: make-many-files.sh DIR}
mkdir -p "$dir"
for ((folder = 0; folder < 300; folder++)); do
  printf -v sub '%s/part%03d' "$dir" "$folder"
  mkdir -p "$sub"
  for ((file = folder * 100; file < folder * 100 + 100; file++)); do
    # Builtins only: 30,000 files without 30,000 processes.
    printf -v name '%s/r%05d.txt' "$sub" "$file"
    printf 'record %05d of part %03d: one small file\n' "$file" "$folder" >"$name"
  done
done
