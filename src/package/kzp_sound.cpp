#include "package/kzp_sound.h"

#include <algorithm>
#include <cstring>

namespace setup {

namespace {

constexpr int16_t kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int8_t kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

bool Tag(ByteView data, size_t at, const char* tag) {
  return at + 4 <= data.size() && std::memcmp(&data[at], tag, 4) == 0;
}

struct LoopPoints {
  uint32_t Start = kNoLoopPoint;
  uint32_t End = kNoLoopPoint;
  bool EndIsDataEnd = false;
};

// Loop points from the "cue " chunks after the data chunk: the first cue point's
// sample position is the start, the second's the end, in bytes.
LoopPoints ReadLoopPoints(ByteView wave, uint32_t dataLength, uint32_t frameSize) {
  bool startSet = false;
  bool endSet = false;
  uint32_t start = 0;
  uint32_t end = 0;
  uint64_t position = 44 + uint64_t{dataLength};
  while (position + 8 <= wave.size()) {
    const size_t chunk = static_cast<size_t>(position);
    const uint32_t length = GetU32(&wave[chunk + 4]);
    if (Tag(wave, chunk, "cue ") && chunk + 12 <= wave.size()) {
      const uint32_t count = GetU32(&wave[chunk + 8]);
      for (uint32_t i = 0; i < std::min<uint32_t>(count, 2); ++i) {
        const size_t point = chunk + 12 + size_t{i} * 24;
        if (point + 8 > wave.size()) break;
        const uint32_t at = GetU32(&wave[point + 4]) * frameSize;
        if (i == 0) {
          start = at;
          startSet = true;
        } else {
          end = at;
          endSet = true;
        }
      }
    }
    position += uint64_t{length} + 8;
  }
  LoopPoints loop;
  if (startSet && endSet) {
    loop.Start = std::min(start, end);
    loop.End = std::max(start, end);
  } else if (startSet) {
    loop.Start = start;
    loop.End = dataLength;
    loop.EndIsDataEnd = true;
  }
  return loop;
}

int16_t Sample(const uint8_t* p) { return static_cast<int16_t>(GetU16(p)); }

// Codes count samples taken every `stride` bytes from `in`, two per byte, the earlier
// sample in the high nibble.
void EncodeChannel(const uint8_t* in, size_t count, size_t stride, AdpcmChannelState& state, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t code = EncodeAdpcmSample(Sample(in + i * stride), state);
    if (i % 2 == 0) {
      out[i / 2] = static_cast<uint8_t>(code << 4);
    } else {
      out[i / 2] |= code;
    }
  }
}

void PutState(uint8_t* out, const AdpcmChannelState& state) {
  PutU16(out, static_cast<uint16_t>(static_cast<int16_t>(state.Predicted)));
  out[2] = static_cast<uint8_t>(state.StepIndex);
}

}  // namespace

bool IsSoundEntryName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string extension = name.substr(name.size() - 4);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
  return extension == ".WAV";
}

uint8_t EncodeAdpcmSample(int16_t sample, AdpcmChannelState& state) {
  int32_t step = kStepTable[state.StepIndex];
  int32_t diff = sample - state.Predicted;
  uint8_t code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  int32_t change = step >> 3;
  if (diff >= step) {
    code |= 4;
    diff -= step;
    change += step;
  }
  step >>= 1;
  if (diff >= step) {
    code |= 2;
    diff -= step;
    change += step;
  }
  step >>= 1;
  if (diff >= step) {
    code |= 1;
    change += step;
  }
  state.Predicted = std::clamp(state.Predicted + ((code & 8) != 0 ? -change : change), -32768, 32767);
  state.StepIndex = std::clamp(state.StepIndex + kIndexTable[code], 0, 88);
  return code;
}

std::optional<Bytes> BuildSoundBlock(const std::string& entryName, ByteView wave) {
  if (wave.size() < 44 || !Tag(wave, 0, "RIFF") || !Tag(wave, 8, "WAVE") || !Tag(wave, 12, "fmt ") ||
      GetU32(&wave[16]) != 16 || !Tag(wave, 36, "data")) {
    return std::nullopt;
  }
  uint32_t dataLength = GetU32(&wave[40]);
  const uint16_t channels = GetU16(&wave[22]);
  const uint32_t sampleRate = GetU32(&wave[24]);
  const uint32_t byteRate = GetU32(&wave[28]);
  const uint16_t bitsPerSample = GetU16(&wave[34]);
  // A sound without samples, one that claims more than the file holds, or one without
  // a sample rate (no frame size for its cue points) cannot be converted.
  if (dataLength == 0 || dataLength > wave.size() - 44 || sampleRate == 0 || channels == 0) return std::nullopt;

  const LoopPoints loop = ReadLoopPoints(wave, dataLength, byteRate / sampleRate);
  // More than two channels have no defined block layout: they are kept as PCM.
  const bool compressed =
      bitsPerSample == 16 && channels <= 2 && loop.Start == kNoLoopPoint && entryName.find("\\Effects\\") == std::string::npos;
  const uint8_t* samples = &wave[44];

  uint32_t soundLength = dataLength;
  if (compressed) {
    dataLength -= dataLength % (channels == 1 ? 4 : 8);
    const uint32_t blocks = (dataLength + kAdpcmInputBlock - 1) / kAdpcmInputBlock;
    soundLength = dataLength / 4 + blocks * kAdpcmStateSize;
  }
  Bytes block(kSoundHeaderSize + soundLength);
  std::memcpy(block.data(), wave.data(), 44);
  PutU32(&block[40], dataLength);
  block[44] = compressed ? 1 : 0;
  PutU32(&block[45], loop.Start);
  PutU32(&block[49], loop.End);
  block[53] = loop.EndIsDataEnd ? 1 : 0;
  PutU32(&block[54], soundLength);

  if (!compressed) {
    std::memcpy(&block[kSoundHeaderSize], samples, dataLength);
    return block;
  }
  AdpcmChannelState left;
  AdpcmChannelState right;
  uint8_t* out = &block[kSoundHeaderSize];
  for (uint32_t done = 0; done < dataLength; done += kAdpcmInputBlock) {
    const size_t length = std::min<size_t>(kAdpcmInputBlock, dataLength - done);
    const uint8_t* in = samples + done;
    if (channels == 1) {
      EncodeChannel(in, length / 2, 2, left, out);
    } else {
      // Left samples first, into the first half of the codes, then the right ones.
      const size_t frames = length / 4;
      EncodeChannel(in, frames, 4, left, out);
      EncodeChannel(in + 2, frames, 4, right, out + frames / 2);
    }
    out += length / 4;
    PutState(out, left);
    PutState(out + 3, channels == 1 ? AdpcmChannelState{} : right);
    out += kAdpcmStateSize;
  }
  return block;
}

}  // namespace setup
