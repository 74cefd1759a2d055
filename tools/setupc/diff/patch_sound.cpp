#include "setupc/diff/patch_sound.h"

#include <algorithm>
#include <cstring>

#include "package/kzp_sound.h"
#include "platform/codepage.h"
#include "setupc/local_files.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

constexpr size_t kWaveHeaderSize = 44;
constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kCuePointSize = 24;

void AppendTag(Bytes& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

void AppendU32(Bytes& out, uint32_t value) {
  uint8_t bytes[4];
  PutU32(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

// One cue point: identifier, position (what the block builder reads), the "data"
// chunk, chunk and block start 0, and the sample offset (the position again).
void AppendCuePoint(Bytes& out, uint32_t id, uint32_t position) {
  AppendU32(out, id);
  AppendU32(out, position);
  AppendTag(out, "data");
  AppendU32(out, 0);
  AppendU32(out, 0);
  AppendU32(out, position);
}

std::string BaseName(const std::string& name) {
  const size_t slash = name.rfind('\\');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

std::optional<Bytes> WaveFromPcmBlock(ByteView block, uint64_t fileSize) {
  if (block.size() < kSoundHeaderSize || block[44] != 0) return std::nullopt;
  const uint32_t dataLength = GetU32(&block[40]);
  const uint32_t soundLength = GetU32(&block[54]);
  if (soundLength != dataLength || block.size() - kSoundHeaderSize != soundLength) return std::nullopt;
  const uint32_t start = GetU32(&block[45]);
  const uint32_t end = GetU32(&block[49]);
  const bool endIsDataEnd = block[53] != 0;
  const uint32_t sampleRate = GetU32(&block[24]);
  const uint32_t byteRate = GetU32(&block[28]);
  if (sampleRate == 0) return std::nullopt;
  const uint32_t frameSize = byteRate / sampleRate;

  // Loop points in bytes back to cue positions in frames.
  std::vector<uint32_t> positions;
  if (start != kNoLoopPoint) {
    const auto position = [frameSize](uint32_t bytes) -> std::optional<uint32_t> {
      if (frameSize == 0) return bytes == 0 ? std::optional<uint32_t>(0) : std::nullopt;
      if (bytes % frameSize != 0) return std::nullopt;
      return bytes / frameSize;
    };
    const std::optional<uint32_t> first = position(start);
    if (!first) return std::nullopt;
    positions.push_back(*first);
    if (!endIsDataEnd) {
      const std::optional<uint32_t> second = end == kNoLoopPoint ? std::nullopt : position(end);
      if (!second) return std::nullopt;
      positions.push_back(*second);
    }
  }

  Bytes wave(block.begin(), block.begin() + kWaveHeaderSize);
  wave.insert(wave.end(), block.begin() + kSoundHeaderSize, block.end());
  const uint64_t smallest = wave.size() + (positions.empty() ? 0 : kChunkHeaderSize + 4 + positions.size() * kCuePointSize);
  const uint64_t extra = fileSize > smallest ? fileSize - smallest : 0;
  if (extra > UINT32_MAX - 4 - kCuePointSize * 2 - kChunkHeaderSize) return std::nullopt;
  if (!positions.empty()) {
    AppendTag(wave, "cue ");
    AppendU32(wave, static_cast<uint32_t>(4 + positions.size() * kCuePointSize + extra));
    AppendU32(wave, static_cast<uint32_t>(positions.size()));
    for (size_t i = 0; i < positions.size(); ++i) AppendCuePoint(wave, static_cast<uint32_t>(i + 1), positions[i]);
    wave.resize(wave.size() + extra, 0);
  } else if (extra >= kChunkHeaderSize) {
    AppendTag(wave, "JUNK");
    AppendU32(wave, static_cast<uint32_t>(extra - kChunkHeaderSize));
    wave.resize(wave.size() + extra - kChunkHeaderSize, 0);
  } else {
    // Too few for a chunk header: the block builder stops before them.
    wave.resize(wave.size() + extra, 0);
  }
  return wave;
}

std::vector<std::string> SourceWaves::Candidates(const std::string& entryName) {
  if (!folder_) return {};
  if (!listed_) {
    listed_ = true;
    std::vector<FolderFile> files;
    listError_ = ListFolderFiles(NativeString(*folder_), files);
    for (const FolderFile& file : files) {
      byPath_.try_emplace(platform::AnsiLowerCase(file.name), file.path);
      byBaseName_[platform::AnsiLowerCase(BaseName(file.name))].push_back(file.path);
    }
  }
  std::vector<std::string> candidates;
  if (const auto at = byPath_.find(platform::AnsiLowerCase(entryName)); at != byPath_.end()) candidates.push_back(at->second);
  if (const auto at = byBaseName_.find(platform::AnsiLowerCase(BaseName(entryName))); at != byBaseName_.end()) {
    for (const std::string& path : at->second) {
      if (std::find(candidates.begin(), candidates.end(), path) == candidates.end()) candidates.push_back(path);
    }
  }
  return candidates;
}

std::string FindSoundWave(const std::string& entryName, ByteView block, uint64_t fileSize, SourceWaves& sources,
                          Bytes& wave) {
  const auto converts = [&](ByteView candidate) {
    const std::optional<Bytes> rebuilt = BuildSoundBlock(entryName, candidate);
    return rebuilt && std::equal(rebuilt->begin(), rebuilt->end(), block.begin(), block.end());
  };
  bool rebuiltOne = false;
  if (std::optional<Bytes> rebuilt = WaveFromPcmBlock(block, fileSize)) {
    rebuiltOne = true;
    if (converts(*rebuilt)) {
      wave = std::move(*rebuilt);
      return {};
    }
  }
  // The record keeps the size of the file it was made from; a file of another size
  // gives the same block but another record.
  const std::vector<std::string> candidates = sources.Candidates(entryName);
  bool otherSize = false;
  for (const std::string& path : candidates) {
    std::optional<Bytes> candidate = ReadWholeFile(path);
    if (!candidate || !converts(*candidate)) continue;
    if (fileSize != 0 && candidate->size() != fileSize) {
      otherSize = true;
      continue;
    }
    wave = std::move(*candidate);
    return {};
  }
  if (otherSize) return "source WAV converts to the new block, but its size is not the one the package records";
  if (!candidates.empty() || rebuiltOne) return "source WAV does not convert to the new block";
  return "sound without its source WAV";
}

}  // namespace setup::setupc
