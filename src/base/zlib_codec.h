#pragma once
// zlib compression at the highest level with the zlib wrapper, and inflation into a
// buffer grown from the expected output length.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/byte_io.h"

namespace setup {

// Compresses data at level 9 (the stream begins with 78 DA).
Bytes CompressBest(ByteView data);

struct InflateResult {
  Bytes content;             // at most `expected` bytes of the inflated content
  uint64_t inflatedLength;   // the stream's whole inflated length (may exceed expected)
};

// The most bytes one buffer of this process may hold: far less than 4 GiB in a 32-bit
// process, whose whole address space is 2 to 4 GiB. Readers refuse a size from a file
// beyond it rather than narrowing it. SetMaxBufferSize lowers it (tests simulate a
// 32-bit process with it); 0 restores the address space's own limit.
uint64_t MaxBufferSize();
void SetMaxBufferSize(uint64_t bytes);

// Inflates a complete zlib stream. The content buffer never grows past `expected`
// bytes, and its first allocation is bounded by what `stream` could possibly inflate
// to, so a lying length cannot make us allocate much; output past `expected` is
// counted but not kept. Throws SetupError on a corrupt or truncated stream, and when
// the buffer would have to be larger than bufferLimit (MaxBufferSize by default: no
// size is ever narrowed to fit the address space).
InflateResult Inflate(ByteView stream, uint64_t expected, uint64_t bufferLimit = MaxBufferSize());

// Inflates a zlib stream that arrives in pieces, handing the output on in pieces of
// at most pieceSize bytes, so that neither side is ever held whole.
class StreamInflater {
 public:
  explicit StreamInflater(size_t pieceSize);
  ~StreamInflater();
  StreamInflater(const StreamInflater&) = delete;
  StreamInflater& operator=(const StreamInflater&) = delete;

  // Inflates input; sink receives the output and returns false to stop (Feed then
  // returns false). Throws SetupError on corrupt data or input past the stream's end.
  bool Feed(ByteView input, const std::function<bool(ByteView)>& sink);
  // True once the stream's end (with its checksum) has been read.
  bool Finished() const { return finished_; }
  uint64_t Produced() const { return produced_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  // Not zero-filled: a short stream touches only the pages it writes, however large
  // the piece (extraction streams in 25 MiB pieces).
  std::unique_ptr<uint8_t[]> piece_;
  size_t pieceSize_ = 0;
  bool finished_ = false;
  uint64_t produced_ = 0;
};

// The most a deflate stream of `streamSize` bytes can inflate to.
uint64_t MaxInflatedSize(uint64_t streamSize);

}  // namespace setup
