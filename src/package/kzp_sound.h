#pragma once
// Sound entries of a KZP package: a RIFF WAVE file becomes a 58-byte sound header (the
// file's first 44 bytes, the compressed flag, loop points from its "cue " chunk and the
// length of what follows) and the sound data: IMA ADPCM blocks for 16-bit sounds
// without loop points outside an "\Effects\" folder, the PCM samples otherwise.

#include <cstdint>
#include <optional>
#include <string>

#include "base/byte_io.h"

namespace setup {

inline constexpr size_t kSoundHeaderSize = 58;
inline constexpr size_t kAdpcmInputBlock = 2048;  // bytes of 16-bit samples per block
inline constexpr size_t kAdpcmStateSize = 6;
inline constexpr uint32_t kNoLoopPoint = 0xFFFFFFFF;

// True when the name ends in ".WAV" in any letter case.
bool IsSoundEntryName(const std::string& name);

// The sound block of a WAVE file; nullopt when the file lacks a plain 16-byte "fmt "
// chunk directly followed by a non-empty "data" chunk that the file holds in full
// (such an entry is skipped).
std::optional<Bytes> BuildSoundBlock(const std::string& entryName, ByteView wave);

// IMA ADPCM state of one channel; it carries over from block to block.
struct AdpcmChannelState {
  int32_t Predicted = 0;
  int32_t StepIndex = 0;
};

// The 4-bit code of one sample, updating the state as a decoder would.
uint8_t EncodeAdpcmSample(int16_t sample, AdpcmChannelState& state);

}  // namespace setup
