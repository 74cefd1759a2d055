#include "journal/journal_reader.h"

#include <algorithm>
#include <cstring>

#include "base/crc32.h"

namespace setup::journal {

namespace {

constexpr uint64_t kMaxOffset = uint64_t{1} << 62;
constexpr uint64_t kEdge = 4096;
constexpr uint64_t kSamples = 64;
constexpr uint64_t kSampleSize = 64;

bool IsMark(uint64_t offset) { return offset == kCommitMark || offset == kCheckpoint; }

// Whether the bytes present are what a header of a known version starts with.
bool IsHeaderPrefix(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < std::min<size_t>(count, 4); ++i) {
    if (bytes[i] != kMagic[i]) return false;
  }
  if (count <= 4) return true;
  uint8_t version[4] = {0, 0, 0, 0};
  std::memcpy(version, bytes + 4, std::min<size_t>(count - 4, 4));
  const uint32_t value = GetU32(version);
  return value == kVersion1 || value == kVersion2;
}

// A checkpoint that is complete and valid somewhere past position: the journal reached
// the disk beyond a record that no longer reads, so that record was damaged afterwards.
bool CheckpointAfter(BufferedReader& journal, uint64_t position) {
  uint8_t pattern[kRecordHead];
  PutU64(pattern, kCheckpoint);
  PutU32(pattern + 8, 8);
  Bytes piece(kPiece + kRecordHead);
  for (uint64_t start = position + 1; start + kRecordHead <= journal.Size(); start += kPiece) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(piece.size(), journal.Size() - start));
    if (!journal.Read(start, piece.data(), count)) return false;
    for (auto it = piece.begin(); (it = std::search(it, piece.begin() + count, pattern, pattern + kRecordHead)) !=
                                  piece.begin() + count;
         ++it) {
      const uint64_t at = start + static_cast<uint64_t>(it - piece.begin());
      uint64_t offset = 0;
      uint32_t length = 0;
      if (ReadRecord(journal, kVersion2, at, offset, length) && offset == kCheckpoint) return true;
    }
  }
  return false;
}

}  // namespace

void PutU64(uint8_t* p, uint64_t value) {
  PutU32(p, static_cast<uint32_t>(value));
  PutU32(p + 4, static_cast<uint32_t>(value >> 32));
}

uint64_t GetU64(const uint8_t* p) { return GetU32(p) | (uint64_t{GetU32(p + 4)} << 32); }

BufferedReader::BufferedReader(platform::File& file) : file_(file), size_(file.Size()) {}

bool BufferedReader::Read(uint64_t position, uint8_t* out, size_t count, bool backward) {
  if (position > size_ || count > size_ - position) return false;
  while (count > 0) {
    if (position < start_ || position >= start_ + filled_) {
      buffer_.resize(kPiece);
      start_ = position;
      if (backward && position + count < kPiece) {
        start_ = 0;
      } else if (backward && count < kPiece) {
        start_ = position + count - kPiece;
      }
      filled_ = static_cast<size_t>(std::min<uint64_t>(kPiece, size_ - start_));
      if (!file_.ReadAt(start_, buffer_.data(), filled_)) {
        filled_ = 0;
        return false;
      }
    }
    const size_t from = static_cast<size_t>(position - start_);
    const size_t n = std::min(count, filled_ - from);
    std::memcpy(out, buffer_.data() + from, n);
    out += n;
    position += n;
    count -= n;
  }
  return true;
}

std::vector<Window> FingerprintWindows(uint64_t length) {
  std::vector<Window> windows;
  const uint64_t edge = std::min(length, kEdge);
  windows.push_back({0, static_cast<uint32_t>(edge)});
  windows.push_back({length - edge, static_cast<uint32_t>(edge)});
  for (uint64_t i = 1; i <= kSamples; ++i) {
    const uint64_t start = length / (kSamples + 1) * i;
    windows.push_back({start, static_cast<uint32_t>(std::min(kSampleSize, length - start))});
  }
  return windows;
}

uint32_t FingerprintOf(const std::vector<Bytes>& windowBytes) {
  uint32_t crc = 0;
  for (const Bytes& bytes : windowBytes) crc = Crc32(bytes, crc);
  return crc;
}

bool ReadRecord(BufferedReader& journal, uint32_t version, uint64_t position, uint64_t& offset, uint32_t& length) {
  const size_t tail = RecordTail(version);
  const uint64_t size = journal.Size();
  uint8_t head[kRecordHead];
  if (position > size || size - position < kRecordHead + tail || !journal.Read(position, head, sizeof head)) {
    return false;
  }
  offset = GetU64(head);
  length = GetU32(head + 8);
  // A record can only be as long as what is left of the journal, and its region must
  // lie where a file can be; marks have their own lengths.
  if (length > size - position - kRecordHead - tail) return false;
  if (version == kVersion2 && IsMark(offset)) {
    if (length != (offset == kCheckpoint ? 8u : 0u)) return false;
  } else if (offset > kMaxOffset) {
    return false;
  }
  uint32_t crc = Crc32(ByteView(head, sizeof head));
  uint8_t piece[4096];
  for (uint32_t done = 0; done < length;) {
    const size_t n = std::min<size_t>(sizeof piece, length - done);
    if (!journal.Read(position + kRecordHead + done, piece, n)) return false;
    // A checkpoint holds its own position: a copy of one elsewhere does not count.
    if (offset == kCheckpoint && version == kVersion2 && GetU64(piece) != position) return false;
    crc = Crc32(ByteView(piece, n), crc);
    done += static_cast<uint32_t>(n);
  }
  uint8_t end[8];
  if (!journal.Read(position + kRecordHead + length, end, tail)) return false;
  return GetU32(end) == crc && (version == kVersion1 || GetU32(end + 4) == length);
}

ScanResult ScanJournal(BufferedReader& journal, const std::function<void(const ScanResult&)>& headerRead,
                       const RegionVisitor& visit) {
  ScanResult result;
  uint8_t header[kHeaderSize2] = {};
  const size_t present = static_cast<size_t>(std::min<uint64_t>(journal.Size(), sizeof header));
  if (!journal.Read(0, header, present)) {
    result.Reason = "it cannot be read";
    return result;
  }
  if (present < 8 || !IsHeaderPrefix(header, 8)) {
    if (IsHeaderPrefix(header, present)) {
      result.State = ScanState::Creating;
    } else {
      result.Reason = "it is not an undo journal";
    }
    return result;
  }
  result.Version = GetU32(header + 4);
  result.HeaderSize = result.Version == kVersion1 ? kHeaderSize1 : kHeaderSize2;
  if (present < result.HeaderSize) {
    result.State = ScanState::Creating;
    return result;
  }
  const size_t crcAt = result.HeaderSize - 4;
  if (GetU32(header + crcAt) != Crc32(ByteView(header, crcAt))) {
    result.Reason = "its header is damaged";
    return result;
  }
  result.OriginalLength = GetU64(header + 8);
  if (result.Version == kVersion2) result.Fingerprint = GetU32(header + 16);
  if (result.OriginalLength > kMaxOffset) {
    result.Reason = "its header is damaged";
    return result;
  }
  if (headerRead) headerRead(result);

  uint64_t position = result.HeaderSize;
  result.ValidEnd = position;
  bool committed = false;
  uint64_t offset = 0;
  uint32_t length = 0;
  while (!committed && ReadRecord(journal, result.Version, position, offset, length)) {
    if (result.Version == kVersion2 && offset == kCommitMark) {
      committed = true;
    } else if (result.Version == kVersion1 || offset != kCheckpoint) {
      // A change saves only bytes the archive had: anything else is not our record.
      if (offset + length > result.OriginalLength) {
        result.Reason = "the record at byte " + std::to_string(position) + " lies outside the archive";
        return result;
      }
      if (visit && !visit(position + kRecordHead, offset, length)) {
        result.Reason = "it cannot be read";
        return result;
      }
      ++result.Regions;
    }
    position += kRecordHead + length + RecordTail(result.Version);
    result.ValidEnd = position;
  }
  if (!committed && position < journal.Size() && result.Version == kVersion2 && CheckpointAfter(journal, position)) {
    result.Reason = "the record at byte " + std::to_string(position) + " is damaged";
    return result;
  }
  result.State = committed ? ScanState::Committed : result.Regions == 0 ? ScanState::Empty : ScanState::Pending;
  return result;
}

}  // namespace setup::journal
