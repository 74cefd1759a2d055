#!/usr/bin/env bash
# Writes the corpus the peer benchmark installs: 252 files, about 159 MB, in nested
# folders, of the three kinds a product ships: shared libraries (this machine's own,
# which deflate about 3:1), text (deflates well) and media (random bytes, which do not
# deflate at all).
#
# usage: make-corpus.sh DIR
set -euo pipefail
dir=${1:?usage: make-corpus.sh DIR}
rm -rf "$dir"
mkdir -p "$dir/lib" "$dir/doc/en" "$dir/doc/de" "$dir/media/music" "$dir/media/video"

# 100 libraries, the largest regular files first, up to 80 MB in all.
budget=80000000
count=0
while read -r size file; do
  ((count < 100 && size <= budget)) || continue
  cp "$file" "$dir/lib/$(printf '%03d' "$count")-$(basename "$file")"
  budget=$((budget - size))
  count=$((count + 1))
done < <(find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -printf '%s %p\n' | sort -k1,1nr -k2)

# 100 text files of 20 to 400 KB.
for i in $(seq 0 99); do
  lang=en; ((i % 2)) && lang=de
  seq "$((i * 1000))" "$((i * 1000 + 2000 + i * 80))" |
    sed 's/$/ the setup copies every file of the product into its folder/' >"$dir/doc/$lang/text$i.txt"
done

# Random media to fill the corpus up to 252 files and about 159 MB.
have=$(du -sb "$dir" | cut -f1)
media=$((252 - $(find "$dir" -type f | wc -l)))
each=$(((159000000 - have) / media))
((each > 0)) || each=100000
for i in $(seq 1 "$media"); do
  kind=music; ((i % 3 == 0)) && kind=video
  head -c "$((each / 2 + (i * 7919) % each))" /dev/urandom >"$dir/media/$kind/clip$i.dat"
done
echo "corpus: $(find "$dir" -type f | wc -l) files, $(du -sb "$dir" | cut -f1) bytes in $dir"
