// Writing a package: records first, then each entry's stored bytes appended at the end
// of the file, then the table and the trailer.
#include <algorithm>
#include <limits>

#include "base/crc32.h"
#include "base/errors.h"
#include "base/zlib_codec.h"
#include "package/pak.h"

namespace setup {

namespace {

void RequireWriting(PakState state) {
  if (state != PakState::Writing) throw SetupError("The package is not open for writing");
}

}  // namespace

size_t TPak::AddEntry(const std::string& name, const std::string& sourceFile, uint16_t group) {
  RequireWriting(state_);
  if (name.size() > 0xFFFF) {
    throw SetupError("Entry name too long (" + std::to_string(name.size()) + " bytes, at most 65535): " +
                     name.substr(0, 64) + "...");
  }
  if (entries_.size() >= 0xFFFF) throw SetupError("A package holds at most 65535 entries");
  TPakEntry entry;
  entry.Name = name;
  entry.SourceFile = sourceFile;
  entry.Group = group;
  entries_.push_back(std::move(entry));
  IndexEntry(entries_.size() - 1);
  return entries_.size() - 1;
}

void TPak::RemoveLastEntry() {
  RequireWriting(state_);
  if (entries_.empty()) return;
  const size_t index = entries_.size() - 1;
  const TPakEntry& entry = entries_[index];
  if (const auto it = nameIndex_.find(IndexKey(entry.Name, entry.Group)); it != nameIndex_.end() && it->second == index) {
    nameIndex_.erase(it);
  }
  std::vector<size_t>& group = groupIndex_[entry.Group];
  if (!group.empty() && group.back() == index) group.pop_back();
  entries_.pop_back();
}

PackedEntry TPak::PackContent(ByteView data) {
  if (data.size() > std::numeric_limits<uint32_t>::max()) throw SetupError("Entry too large for a package");
  PackedEntry packed;
  packed.Size = static_cast<uint32_t>(data.size());
  if (data.empty()) return packed;
  if (packed.Size < kLargeEntrySize) {
    Bytes stream = CompressBest(data);
    if (stream.size() <= data.size()) {
      packed.StoredSize = static_cast<uint32_t>(stream.size());
      packed.Crc = Crc32(stream);
      packed.Stored = std::move(stream);
      return packed;
    }
  }
  packed.Crc = Crc32(data);
  packed.Stored.assign(data.begin(), data.end());
  return packed;
}

std::optional<Bytes> TPak::PackEntry(size_t index, ByteView data) {
  if (index >= entries_.size()) return std::nullopt;
  if (data.size() > std::numeric_limits<uint32_t>::max()) {
    throw SetupError("Entry too large for a package: " + entries_[index].Name);
  }
  PackedEntry packed = PackContent(data);
  TPakEntry& entry = entries_[index];
  entry.Size = packed.Size;
  entry.StoredSize = packed.StoredSize;
  entry.Crc = packed.Crc;
  entry.Offset = 0;
  if (packed.Size == 0) return std::nullopt;
  return std::move(packed.Stored);
}

std::optional<Bytes> TPak::PackFile(size_t index) {
  if (index >= entries_.size()) return std::nullopt;
  const std::string source = entries_[index].SourceFile;
  platform::File file;
  if (!file.Open(source, platform::OpenMode::ReadShared)) throw SetupError("Cannot open file " + source);
  const uint64_t size = file.Size();
  if (size > std::numeric_limits<uint32_t>::max()) throw SetupError("File too large for a package: " + source);
  Bytes content(static_cast<size_t>(size));
  if (file.Read(content.data(), content.size()) != content.size()) throw SetupError("Cannot read file " + source);
  if (size >= kLargeEntrySize) {
    // Large sources are taken as they are; readers never check their CRC.
    TPakEntry& entry = entries_[index];
    entry.Size = static_cast<uint32_t>(size);
    entry.StoredSize = 0;
    entry.Crc = 0;
    return content;
  }
  return PackEntry(index, content);
}

bool TPak::AppendBytes(ByteView bytes, uint64_t& offset) {
  if (fileSize_ + bytes.size() > std::numeric_limits<uint32_t>::max()) return false;
  offset = fileSize_ - tailLength_;
  // Seek to the end we know, so that a failed earlier write is overwritten.
  if (!file_.Seek(fileSize_) || !file_.Write(bytes.data(), bytes.size())) return false;
  fileSize_ += bytes.size();
  return true;
}

bool TPak::WriteEntryFromMemory(size_t index, ByteView data) {
  RequireWriting(state_);
  std::optional<Bytes> stored = PackEntry(index, data);
  if (!stored) return false;
  uint64_t offset = 0;
  if (!AppendBytes(*stored, offset)) return false;
  entries_[index].Offset = static_cast<uint32_t>(offset);
  return true;
}

bool TPak::WriteEntryPacked(size_t index, const PackedEntry& packed) {
  RequireWriting(state_);
  if (index >= entries_.size()) return false;
  TPakEntry& entry = entries_[index];
  entry.Size = packed.Size;
  entry.StoredSize = packed.StoredSize;
  entry.Crc = packed.Crc;
  entry.Offset = 0;
  if (packed.Size == 0) return false;
  uint64_t offset = 0;
  if (!AppendBytes(packed.Stored, offset)) return false;
  entry.Offset = static_cast<uint32_t>(offset);
  return true;
}

bool TPak::WriteEntryFromFile(size_t index) {
  RequireWriting(state_);
  if (index >= entries_.size()) return false;
  const std::string source = entries_[index].SourceFile;
  platform::File file;
  if (!file.Open(source, platform::OpenMode::ReadShared)) throw SetupError("Cannot open file " + source);
  const uint64_t size = file.Size();
  if (size < kLargeEntrySize) {
    file.Close();
    std::optional<Bytes> stored = PackFile(index);
    if (!stored) return false;
    uint64_t offset = 0;
    if (!AppendBytes(*stored, offset)) return false;
    entries_[index].Offset = static_cast<uint32_t>(offset);
    return true;
  }

  // A large source is streamed as it is, chunk by chunk; its CRC stays 0.
  if (fileSize_ + size > std::numeric_limits<uint32_t>::max()) return false;
  TPakEntry& entry = entries_[index];
  entry.Size = static_cast<uint32_t>(size);
  entry.StoredSize = 0;
  entry.Crc = 0;
  const uint64_t offset = fileSize_ - tailLength_;
  Bytes chunk(static_cast<size_t>(std::min<uint64_t>(size, kStreamChunkSize)));
  uint64_t left = size;
  uint64_t end = fileSize_;
  if (!file_.Seek(end)) return false;
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
    if (file.Read(chunk.data(), n) != n) throw SetupError("Cannot read file " + source);
    if (!file_.Write(chunk.data(), n)) return false;
    left -= n;
    end += n;
  }
  fileSize_ = end;
  entry.Offset = static_cast<uint32_t>(offset);
  return true;
}

bool TPak::WriteEntryCopied(size_t index, TPak& source, size_t sourceIndex) {
  RequireWriting(state_);
  if (index >= entries_.size() || sourceIndex >= source.Count()) return false;
  const TPakEntry& from = source.Entries()[sourceIndex];
  TPakEntry& entry = entries_[index];
  entry.Size = from.Size;
  entry.StoredSize = from.StoredSize;
  entry.Crc = from.Crc;
  entry.Offset = 0;
  if (from.Size == 0) return false;
  const uint64_t start = fileSize_;
  std::optional<uint64_t> offset;
  uint32_t crc = 0;
  const bool copied = source.StreamStored(sourceIndex, [&](ByteView chunk) {
    uint64_t at = 0;
    if (!AppendBytes(chunk, at)) return false;
    if (!offset) offset = at;
    crc = Crc32(chunk, crc);
    return true;
  });
  // A large entry stored as it is carries no CRC (0); every other one must match.
  const bool checked = (from.IsLarge() && from.StoredSize == 0) || crc == from.Crc;
  if (!copied || !checked || !offset) {
    fileSize_ = start;
    file_.SetLength(start);
    entry.Size = entry.StoredSize = entry.Crc = 0;
    return false;
  }
  entry.Offset = static_cast<uint32_t>(*offset);
  return true;
}

bool TPak::WriteTable() {
  RequireWriting(state_);
  ByteWriter table;
  for (const TPakEntry& entry : entries_) EncodeRecord(table, entry);
  if (fileSize_ + table.bytes().size() + kTrailerSize > std::numeric_limits<uint32_t>::max()) return false;
  trailer_.Magic = kPakMagic;
  trailer_.Version = kPakVersion;
  trailer_.Count = static_cast<uint16_t>(entries_.size());
  trailer_.TableOffset = static_cast<uint32_t>(fileSize_);
  table.Raw(EncodeTrailer(trailer_));
  if (!file_.Seek(fileSize_) || !file_.Write(table.bytes().data(), table.bytes().size())) return false;
  fileSize_ += table.bytes().size();
  return true;
}

}  // namespace setup
