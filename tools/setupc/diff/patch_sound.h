#pragma once
// The WAVE files a patch carries for the sound entries of a KZP package: "kzpupdate"
// turns a ".wav" file into a sound block (BuildSoundBlock), so the patch needs a file
// that converts into exactly NEW's block. A PCM block holds everything needed to
// rebuild one; an IMA ADPCM block has lost its samples, so its WAVE file must come
// from the author's sources folder. Every candidate is accepted only when
// BuildSoundBlock turns it into NEW's block byte for byte.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_io.h"

namespace setup::setupc {

// A WAVE file that BuildSoundBlock turns back into the PCM sound block `block`
// (compressed byte 0): the block's first 44 bytes (with its data length), the samples,
// and, when loop points are set, a "cue " chunk with the start's cue point (the only
// one when the "loop end set to data end" flag is set) and the end's. fileSize: the
// size the file should have (a KZP record keeps the size of the WAVE file it was made
// from); when it is larger than the smallest form, the cue chunk is lengthened, or a
// "JUNK" chunk (or, for fewer than 8 bytes, bytes the block builder never reads) is
// added, so the size matches too. nullopt when the block is no PCM block or its header
// does not hold together (the caller verifies the result with BuildSoundBlock).
std::optional<Bytes> WaveFromPcmBlock(ByteView block, uint64_t fileSize = 0);

// The WAVE files below a sources folder (--sources), found for a sound entry by name.
class SourceWaves {
 public:
  explicit SourceWaves(std::optional<std::filesystem::path> folder) : folder_(std::move(folder)) {}

  // The local files that may hold the entry's WAVE file, in the order to try them:
  // the file at SOURCES\<entry name> (letter case ignored), then every file with the
  // entry's base name (letter case ignored) anywhere below SOURCES, in byte order of
  // their paths. Empty without a sources folder. The folder is listed once, at the
  // first call; listError() tells when that failed.
  std::vector<std::string> Candidates(const std::string& entryName);
  const std::string& listError() const { return listError_; }

 private:
  std::optional<std::filesystem::path> folder_;
  bool listed_ = false;
  std::string listError_;
  std::map<std::string, std::string> byPath_;                   // lower-cased name -> local path
  std::map<std::string, std::vector<std::string>> byBaseName_;  // lower-cased base name -> local paths
};

// Why no WAVE file for the sound entry (NEW's block `block`, record size `fileSize`: the
// size of the file it was made from, which the update records again) can be found;
// empty when `wave` holds one that converts into the block exactly and has that size
// (fileSize 0: any size). A PCM block is rebuilt first, then the sources are tried.
std::string FindSoundWave(const std::string& entryName, ByteView block, uint64_t fileSize, SourceWaves& sources,
                          Bytes& wave);

}  // namespace setup::setupc
