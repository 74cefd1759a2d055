#include "base/archive_journal.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/crc32.h"

namespace setup {

namespace {

constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 20;
constexpr size_t kRecordHead = 12;
constexpr size_t kSavePiece = 1u << 20;
constexpr uint64_t kMaxOffset = uint64_t{1} << 62;
const uint8_t kMagic[4] = {'A', 'J', 'N', 'L'};

void PutU64(uint8_t* p, uint64_t value) {
  PutU32(p, static_cast<uint32_t>(value));
  PutU32(p + 4, static_cast<uint32_t>(value >> 32));
}

// Whether a length fits the record's 32-bit field (always, in a 32-bit process).
bool FitsU32(uint64_t length) { return length <= UINT32_MAX; }

uint64_t GetU64(const uint8_t* p) { return GetU32(p) | (uint64_t{GetU32(p + 4)} << 32); }

struct SavedRegion {
  uint64_t offset;
  Bytes bytes;
};

struct JournalContent {
  uint64_t originalLength = 0;
  std::vector<SavedRegion> regions;
};

// Reads the journal's header and every complete record; nullopt when even the header
// is incomplete (the journal was being created: the archive was not touched yet).
std::optional<JournalContent> ReadJournal(platform::File& journal) {
  uint8_t header[kHeaderSize];
  if (!journal.ReadAt(0, header, sizeof header)) return std::nullopt;
  if (!std::equal(kMagic, kMagic + 4, header) || GetU32(header + 4) != kVersion ||
      GetU32(header + 16) != Crc32(ByteView(header, 16))) {
    return std::nullopt;
  }
  JournalContent content;
  content.originalLength = GetU64(header + 8);
  const uint64_t size = journal.Size();
  uint64_t position = kHeaderSize;
  uint8_t head[kRecordHead];
  while (position + kRecordHead + 4 <= size && journal.ReadAt(position, head, sizeof head)) {
    const uint64_t offset = GetU64(head);
    const uint32_t length = GetU32(head + 8);
    // A record can only be as long as what is left of the journal, and its region
    // must lie where a file can be.
    if (length > size - position - kRecordHead - 4 || offset > kMaxOffset) {
      break;
    }
    SavedRegion region{offset, Bytes(length)};
    uint8_t crcBytes[4];
    if (!journal.ReadAt(position + kRecordHead, region.bytes.data(), length) ||
        !journal.ReadAt(position + kRecordHead + length, crcBytes, 4)) {
      break;
    }
    if (GetU32(crcBytes) != Crc32(region.bytes, Crc32(ByteView(head, sizeof head)))) break;
    content.regions.push_back(std::move(region));
    position += kRecordHead + length + 4;
  }
  return content;
}

}  // namespace

std::string JournalPath(const std::string& archivePath) { return archivePath + ".journal"; }

JournalRecovery RecoverArchive(const std::string& archivePath) {
  const std::string path = JournalPath(archivePath);
  if (!platform::FileExists(path)) return JournalRecovery::None;
  std::optional<JournalContent> content;
  {
    platform::File journal;
    if (!journal.Open(path, platform::OpenMode::ReadShared)) return JournalRecovery::Failed;
    content = ReadJournal(journal);
  }
  if (content && (!content->regions.empty() || platform::FileExists(archivePath))) {
    platform::ClearReadOnly(archivePath);
    platform::File archive;
    if (!archive.Open(archivePath, platform::OpenMode::ReadWriteShared)) return JournalRecovery::Failed;
    // Newest first, so that where a region was saved twice the oldest bytes end on top.
    for (auto it = content->regions.rbegin(); it != content->regions.rend(); ++it) {
      if (!archive.WriteAt(it->offset, it->bytes.data(), it->bytes.size())) return JournalRecovery::Failed;
    }
    if (!archive.SetLength(content->originalLength) || !archive.Flush()) return JournalRecovery::Failed;
  }
  return platform::RemoveFile(path) ? JournalRecovery::RolledBack : JournalRecovery::Failed;
}

bool ArchiveJournal::Begin(const std::string& archivePath, uint64_t originalLength) {
  path_ = JournalPath(archivePath);
  if (!journal_.Open(path_, platform::OpenMode::CreateExclusive)) return false;
  uint8_t header[kHeaderSize];
  std::copy(kMagic, kMagic + 4, header);
  PutU32(header + 4, kVersion);
  PutU64(header + 8, originalLength);
  PutU32(header + 16, Crc32(ByteView(header, 16)));
  if (journal_.Write(header, sizeof header) && journal_.Flush()) return true;
  journal_.Close();
  platform::RemoveFile(path_);
  return false;
}

bool ArchiveJournal::Save(uint64_t offset, ByteView original) {
  if (!journal_.IsOpen() || !FitsU32(original.size())) return false;
  uint8_t head[kRecordHead];
  PutU64(head, offset);
  PutU32(head + 8, static_cast<uint32_t>(original.size()));
  uint8_t crc[4];
  PutU32(crc, Crc32(original, Crc32(ByteView(head, sizeof head))));
  return journal_.SeekToEnd() && journal_.Write(head, sizeof head) &&
         journal_.Write(original.data(), original.size()) && journal_.Write(crc, sizeof crc);
}

bool ArchiveJournal::SaveFrom(platform::File& archive, uint64_t offset, uint64_t length) {
  Bytes piece;
  while (length > 0) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(length, kSavePiece));
    piece.resize(count);
    if (!archive.ReadAt(offset, piece.data(), count) || !Save(offset, piece)) return false;
    offset += count;
    length -= count;
  }
  return true;
}

bool ArchiveJournal::Sync() { return journal_.IsOpen() && journal_.Flush(); }

bool ArchiveJournal::Commit(platform::File& archive) {
  if (!journal_.IsOpen() || !archive.Flush()) return false;
  journal_.Close();
  return platform::RemoveFile(path_);
}

}  // namespace setup
