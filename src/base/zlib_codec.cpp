#include "base/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "base/errors.h"

namespace setup {

namespace {

std::string ZlibMessage(const z_stream& zs, int code) {
  std::string text = "Corrupt compressed data (zlib error " + std::to_string(code);
  if (zs.msg != nullptr) text += ": " + std::string(zs.msg);
  return text + ")";
}

// Hands zlib the next part of the input once it has used up the last one (zlib takes
// at most a uInt at a time).
void RefillInput(z_stream& zs, const uint8_t*& in, size_t& inLeft) {
  if (zs.avail_in != 0 || inLeft == 0) return;
  zs.next_in = const_cast<Bytef*>(in);
  zs.avail_in = static_cast<uInt>(std::min<size_t>(inLeft, 1u << 30));
  in += zs.avail_in;
  inLeft -= zs.avail_in;
}

}  // namespace

uint64_t MaxInflatedSize(uint64_t streamSize) {
  // Deflate cannot compress better than about 1032:1; add slack for tiny streams.
  return streamSize * 1032 + 1024;
}

Bytes CompressBest(ByteView data) {
  uLong bound = compressBound(static_cast<uLong>(data.size()));
  Bytes out(bound);
  uLongf outLength = bound;
  int rc = compress2(out.data(), &outLength, data.data(), static_cast<uLong>(data.size()), 9);
  if (rc != Z_OK) throw SetupError("Compression failed (zlib error " + std::to_string(rc) + ")");
  out.resize(outLength);
  return out;
}

namespace {
std::atomic<uint64_t> maxBufferSetting{0};
}  // namespace

uint64_t MaxBufferSize() {
  const uint64_t limit = maxBufferSetting;
  return limit != 0 ? limit : static_cast<uint64_t>(PTRDIFF_MAX);
}

void SetMaxBufferSize(uint64_t bytes) { maxBufferSetting = bytes; }

InflateResult Inflate(ByteView stream, uint64_t expected, uint64_t bufferLimit) {
  InflateResult result{{}, 0};
  const uint64_t cap = std::min<uint64_t>(expected, MaxInflatedSize(stream.size()));
  if (cap > std::min(bufferLimit, MaxBufferSize())) {
    throw SetupError("Compressed data too large: " + std::to_string(cap) +
                     " bytes do not fit in this process's memory");
  }
  result.content.resize(static_cast<size_t>(cap));

  z_stream zs{};
  int rc = inflateInit(&zs);
  if (rc != Z_OK) throw SetupError(ZlibMessage(zs, rc));

  const uint8_t* in = stream.data();
  size_t inLeft = stream.size();
  uint8_t scratch[16384];  // receives output past the expected length, only to count it
  uint64_t produced = 0;
  for (;;) {
    RefillInput(zs, in, inLeft);
    uint8_t* outPtr;
    size_t outRoom;
    if (produced < cap) {
      outPtr = result.content.data() + produced;
      outRoom = static_cast<size_t>(std::min<uint64_t>(cap - produced, 1u << 30));
    } else {
      outPtr = scratch;
      outRoom = sizeof scratch;
    }
    zs.next_out = outPtr;
    zs.avail_out = static_cast<uInt>(outRoom);
    rc = inflate(&zs, Z_NO_FLUSH);
    produced += outRoom - zs.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc == Z_BUF_ERROR && zs.avail_in == 0 && inLeft == 0) {
      inflateEnd(&zs);
      throw SetupError("Corrupt compressed data (the stream is truncated)");
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      std::string message = ZlibMessage(zs, rc);
      inflateEnd(&zs);
      throw SetupError(message);
    }
  }
  inflateEnd(&zs);
  result.inflatedLength = produced;
  result.content.resize(static_cast<size_t>(std::min<uint64_t>(produced, cap)));
  return result;
}

}  // namespace setup

namespace setup {

struct StreamInflater::State {
  z_stream zs{};
};

StreamInflater::StreamInflater(size_t pieceSize)
    : state_(std::make_unique<State>()),
      piece_(std::make_unique_for_overwrite<uint8_t[]>(pieceSize)),
      pieceSize_(pieceSize) {
  const int rc = inflateInit(&state_->zs);
  if (rc != Z_OK) throw SetupError(ZlibMessage(state_->zs, rc));
}

StreamInflater::~StreamInflater() { inflateEnd(&state_->zs); }

bool StreamInflater::Feed(ByteView input, const std::function<bool(ByteView)>& sink) {
  z_stream& zs = state_->zs;
  const uint8_t* in = input.data();
  size_t inLeft = input.size();
  for (;;) {
    RefillInput(zs, in, inLeft);
    if (finished_) {
      if (zs.avail_in > 0) throw SetupError("Corrupt compressed data (bytes after the end of the stream)");
      return true;
    }
    zs.next_out = piece_.get();
    zs.avail_out = static_cast<uInt>(pieceSize_);
    const int rc = inflate(&zs, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw SetupError(ZlibMessage(zs, rc));
    const size_t made = pieceSize_ - zs.avail_out;
    produced_ += made;
    finished_ = rc == Z_STREAM_END;
    if (made > 0 && !sink(ByteView(piece_.get(), made))) return false;
    // A full piece may leave more output waiting; otherwise zlib needs more input.
    if (!finished_ && zs.avail_out > 0 && zs.avail_in == 0 && inLeft == 0) return true;
  }
}

}  // namespace setup
