# The example product as setupc compiles it. examples/demo holds the sources; the
# product's own archives that its script patches (the base of the data package) are
# made from them at build time: the data package and the game archive. stage_demo copies examples/demo to a build folder and
# makes those archives there, so the source tree stays as it is.
#
# stage_demo DEST: the caller defines run_setupc, which runs setupc with local paths
# (under Wine it turns them into Windows paths).
stage_demo() {
  local dest=$1 repo
  repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  rm -rf "$dest" && mkdir -p "$dest" || return 1
  cp -r "$repo/examples/demo/." "$dest/" || return 1
  rm -f "$dest/setup.exe"
  mkdir -p "$dest/product/Data" "$dest/vfs/archive"
  # The data package and the game archive (with its index game.ht) as the product's
  # first installation leaves them.
  run_setupc kzp pack "$dest/kzp/base" "$dest/product/Data/main.kzp" --password demo >/dev/null || return 1
  run_setupc vfs create "$dest/vfs/base" "$dest/vfs/archive/game.vfs" \
    --block-size 512 --blocks 256 --roots 16 >/dev/null || return 1
}
