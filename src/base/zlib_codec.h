#pragma once
// zlib compression at the highest level with the zlib wrapper, and inflation into a
// buffer grown from the expected output length.

#include <cstdint>

#include "base/byte_io.h"

namespace setup {

// Compresses data at level 9 (the stream begins with 78 DA).
Bytes CompressBest(ByteView data);

struct InflateResult {
  Bytes content;             // at most `expected` bytes of the inflated content
  uint64_t inflatedLength;   // the stream's whole inflated length (may exceed expected)
};

// Inflates a complete zlib stream. The content buffer never grows past `expected`
// bytes, and its first allocation is bounded by what `stream` could possibly inflate
// to, so a lying length cannot make us allocate much; output past `expected` is
// counted but not kept. Throws SetupError on a corrupt or truncated stream.
InflateResult Inflate(ByteView stream, uint64_t expected);

// The most a deflate stream of `streamSize` bytes can inflate to.
uint64_t MaxInflatedSize(uint64_t streamSize);

}  // namespace setup
