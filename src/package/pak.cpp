// Reading a package: trailer and table, entries by index, name and group.
#include "package/pak.h"

#include <algorithm>
#include <limits>
#include <new>

#include "base/crc32.h"
#include "base/errors.h"
#include "base/zlib_codec.h"
#include "package/pe_certificate.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"

namespace setup {

namespace {
// A table record is 20 bytes of fixed fields plus its name (at most 65,535 bytes).
constexpr uint64_t kMaxRecordSize = 20 + 0xFFFF;
constexpr uint64_t kMinRecordSize = 20;
}  // namespace

TPak::~TPak() { Close(); }

bool TPak::Create(const std::string& fileName, bool createNew, bool append) {
  Close();
  state_ = PakState::Closed;
  damageReason_.clear();
  trailer_ = TPakTrailer{};
  entries_.clear();
  nameIndex_.clear();
  groupIndex_.clear();
  fileSize_ = 0;
  tailLength_ = 0;
  cursor_ = 0;

  if (append || createNew) {
    const auto mode = append ? platform::OpenMode::ReadWriteExclusive : platform::OpenMode::CreateAlways;
    if (!file_.Open(fileName, mode)) return false;
    fileSize_ = append ? file_.Size() : 0;
    if (fileSize_ > std::numeric_limits<uint32_t>::max()) {
      // Offsets are 32-bit: nothing can be appended to a file this large.
      file_.Close();
      return false;
    }
    trailer_.DataStart = static_cast<uint32_t>(fileSize_);
    state_ = PakState::Writing;
    return true;
  }

  state_ = PakState::NoPackage;
  if (!file_.Open(fileName, platform::OpenMode::ReadShared)) return false;
  ReadPackage();
  return state_ == PakState::Valid;
}

void TPak::Close() { file_.Close(); }

void TPak::MarkDamaged(std::string reason) {
  state_ = PakState::Damaged;
  damageReason_ = std::move(reason);
  entries_.clear();
  nameIndex_.clear();
  groupIndex_.clear();
}

// A signed setup: the trailer just before the certificate table that ends the file,
// or before the zero bytes that align that table. Returns where the package ends (the
// trailer's end) with the trailer's bytes in raw; nullopt when there is none there.
std::optional<uint64_t> TPak::FindTrailerBeforeSignature(uint8_t (&raw)[kTrailerSize]) const {
  const std::optional<PeCertificateTable> table = FindCertificateTable(file_, fileSize_);
  if (!table || table->Offset < kTrailerSize) return std::nullopt;
  const uint64_t window = std::min<uint64_t>(table->Offset, kTrailerSize + kMaxCertificatePadding);
  uint8_t bytes[kTrailerSize + kMaxCertificatePadding];
  if (!file_.ReadAtShared(table->Offset - window, bytes, static_cast<size_t>(window))) return std::nullopt;
  // Try the end of the padding first: no padding at all.
  for (uint64_t padding = 0; padding + kTrailerSize <= window; ++padding) {
    const uint8_t* candidate = bytes + (window - padding - kTrailerSize);
    if (DecodeTrailer(candidate).HasMagic()) {
      std::copy(candidate, candidate + kTrailerSize, raw);
      return table->Offset - padding;
    }
    // Only zero bytes pad; anything else ends the search.
    if (bytes[window - padding - 1] != 0) break;
  }
  return std::nullopt;
}

void TPak::ReadPackage() {
  fileSize_ = file_.Size();
  if (fileSize_ < kTrailerSize) return;
  uint8_t raw[kTrailerSize];
  if (!file_.Seek(fileSize_ - kTrailerSize) || file_.Read(raw, kTrailerSize) != kTrailerSize) return;
  uint64_t packageEnd = fileSize_;
  if (!DecodeTrailer(raw).HasMagic()) {
    const std::optional<uint64_t> signedEnd = FindTrailerBeforeSignature(raw);
    if (!signedEnd) return;
    packageEnd = *signedEnd;
  }
  const TPakTrailer trailer = DecodeTrailer(raw);
  trailer_ = trailer;

  const uint64_t tableEnd = packageEnd - kTrailerSize;
  if (trailer.TableOffset > tableEnd) {
    MarkDamaged("the table offset " + std::to_string(trailer.TableOffset) + " lies past the trailer");
    return;
  }
  if (trailer.DataStart > trailer.TableOffset) {
    MarkDamaged("the data start " + std::to_string(trailer.DataStart) + " lies after the table offset " +
                std::to_string(trailer.TableOffset));
    return;
  }
  const uint64_t tableLength = tableEnd - trailer.TableOffset;
  if (trailer.Count * kMinRecordSize > tableLength) {
    MarkDamaged("the table cannot hold the " + std::to_string(trailer.Count) + " records its count promises");
    return;
  }
  // Never read more than count records could fill, whatever the offsets say.
  const uint64_t readLength = std::min<uint64_t>(tableLength, trailer.Count * kMaxRecordSize);
  // A table is read whole: one this process cannot hold is damaged, never narrowed.
  if (readLength > MaxBufferSize()) {
    MarkDamaged("the table's " + std::to_string(readLength) + " bytes do not fit in memory");
    return;
  }
  Bytes table;
  try {
    table.resize(static_cast<size_t>(readLength));
  } catch (const std::bad_alloc&) {
    MarkDamaged("the table's " + std::to_string(readLength) + " bytes do not fit in memory");
    return;
  }
  if (!file_.Seek(trailer.TableOffset) || file_.Read(table.data(), table.size()) != table.size()) {
    MarkDamaged("the table could not be read");
    return;
  }

  ByteReader reader(table);
  entries_.resize(trailer.Count);
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!DecodeRecord(reader, entries_[i])) {
      MarkDamaged("the table ends inside record " + std::to_string(i) + " of " + std::to_string(trailer.Count));
      return;
    }
  }
  for (size_t i = 0; i < entries_.size(); ++i) IndexEntry(i);
  tailLength_ = static_cast<uint32_t>(packageEnd - trailer.TableOffset);
  state_ = PakState::Valid;
}

std::string TPak::IndexKey(const std::string& name, uint16_t group) {
  std::string key;
  key.reserve(name.size() + 2);
  key.push_back(static_cast<char>(group & 0xFF));
  key.push_back(static_cast<char>(group >> 8));
  key += platform::AnsiLowerCase(name);
  return key;
}

void TPak::IndexEntry(size_t index) {
  const TPakEntry& entry = entries_[index];
  nameIndex_.emplace(IndexKey(entry.Name, entry.Group), index);  // the first one wins
  groupIndex_[entry.Group].push_back(index);
}

bool TPak::DataInRegion(const TPakEntry& entry) const {
  const uint64_t length = entry.StoredLength();
  if (length == 0) return true;
  const uint64_t regionEnd = state_ == PakState::Writing ? fileSize_ : trailer_.TableOffset;
  return entry.Offset >= trailer_.DataStart && entry.Offset + length <= regionEnd;
}

std::optional<Bytes> TPak::ReadStored(size_t index) const {
  if (index >= entries_.size() || !file_.IsOpen()) return std::nullopt;
  const TPakEntry& entry = entries_[index];
  const uint32_t length = entry.StoredLength();
  if (length == 0 || !DataInRegion(entry)) return std::nullopt;
  Bytes stored(length);
  if (!file_.ReadAtShared(entry.Offset, stored.data(), length)) return std::nullopt;
  if (Crc32(stored) != entry.Crc) return std::nullopt;
  return stored;
}

TPakContent TPak::DecodeEntry(size_t index) const {
  TPakContent result;
  std::optional<Bytes> stored = ReadStored(index);
  if (!stored) return result;
  const TPakEntry& entry = entries_[index];

  std::optional<Bytes> content;
  uint64_t inflatedLength = 0;
  if (entry.StoredSize == 0 && entry.Size != 0) {
    content = std::move(stored);
    inflatedLength = entry.Size;
  } else if (entry.Size != 0) {
    InflateResult inflated = Inflate(*stored, entry.Size);
    inflatedLength = inflated.inflatedLength;
    content = std::move(inflated.content);
  }
  if (inflatedLength != entry.Size || entry.Size == 0) {
    result.WrongLength = content.has_value();
    result.InflatedLength = inflatedLength;
    return result;
  }
  result.Content = std::move(content);
  return result;
}

void TPak::ReportWrongLength(size_t index, uint64_t inflatedLength) const {
  const TPakEntry& entry = entries_.at(index);
  platform::ShowMessage(entry.Name + "\r\rError: DecompSize - " + std::to_string(inflatedLength) + " OrigSize - " +
                            std::to_string(entry.Size),
                        std::string("Error"));
}

std::optional<Bytes> TPak::ExtractEntry(size_t index) {
  TPakContent decoded = DecodeEntry(index);
  if (decoded.WrongLength) ReportWrongLength(index, decoded.InflatedLength);
  return std::move(decoded.Content);
}

std::optional<size_t> TPak::IndexOf(const std::string& name, uint16_t group) const {
  auto it = nameIndex_.find(IndexKey(name, group));
  if (it == nameIndex_.end()) return std::nullopt;
  return it->second;
}

std::optional<Bytes> TPak::ExtractByName(const std::string& name, uint16_t group, uint32_t& size) {
  size = 0;
  std::optional<size_t> index = IndexOf(name, group);
  if (!index) return std::nullopt;
  size = entries_[*index].Size;
  return ExtractEntry(*index);
}

bool TPak::VerifyEntry(size_t index) {
  if (index >= entries_.size()) return false;
  if (entries_[index].IsLarge()) return true;
  return ExtractEntry(index).has_value();
}

std::optional<size_t> TPak::NextInGroup(uint16_t group, size_t from) const {
  auto it = groupIndex_.find(group);
  if (it == groupIndex_.end()) return std::nullopt;
  auto pos = std::lower_bound(it->second.begin(), it->second.end(), from);
  if (pos == it->second.end()) return std::nullopt;
  return *pos;
}

std::optional<Bytes> TPak::FindFirst(uint16_t group, uint32_t& size, bool extract, std::string& name) {
  cursor_ = 0;
  return FindNext(group, size, extract, name);
}

std::optional<Bytes> TPak::FindNext(uint16_t group, uint32_t& size, bool extract, std::string& name) {
  std::optional<size_t> index = NextInGroup(group, cursor_);
  if (!index) {
    size = 0;
    name.clear();
    return std::nullopt;
  }
  size = entries_[*index].Size;
  name = entries_[*index].Name;
  cursor_ = *index + 1;
  return extract ? ExtractEntry(*index) : std::nullopt;
}

bool TPak::FindFirstIndex(uint16_t group, size_t& index) {
  cursor_ = 0;
  return FindNextIndex(group, index);
}

bool TPak::FindNextIndex(uint16_t group, size_t& index) {
  std::optional<size_t> next = NextInGroup(group, cursor_);
  if (!next) return false;
  index = *next;
  cursor_ = *next + 1;
  return true;
}

void TPak::ForEachInGroup(uint16_t group, const std::function<void(size_t)>& callback) const {
  if (!callback) return;
  auto it = groupIndex_.find(group);
  if (it == groupIndex_.end()) return;
  for (size_t index : it->second) callback(index);
}

size_t TPak::CountInGroup(uint16_t group) const {
  auto it = groupIndex_.find(group);
  return it == groupIndex_.end() ? 0 : it->second.size();
}

size_t TPak::CountGrouped() const { return entries_.size() - CountInGroup(0); }

bool TPak::StreamContent(size_t index, const std::function<bool(ByteView)>& sink) {
  if (index >= entries_.size()) return false;
  const TPakEntry& entry = entries_[index];
  uint32_t crc = 0;
  bool streamed = false;
  uint64_t length = 0;
  // A large entry stored as it is carries no CRC (0).
  bool checkCrc = true;
  if (entry.StoredSize == 0) {
    checkCrc = !entry.IsLarge();
    streamed = StreamStored(index, [&](ByteView chunk) {
      crc = Crc32(chunk, crc);
      return sink(chunk);
    });
    length = entry.Size;
  } else {
    // No piece larger than the stored bytes can inflate to: a damaged record's size
    // does not decide how much is held.
    StreamInflater inflater(
        static_cast<size_t>(std::min<uint64_t>(kStreamChunkSize, MaxInflatedSize(entry.StoredLength()))));
    streamed = StreamStored(index, [&](ByteView chunk) {
      crc = Crc32(chunk, crc);
      return inflater.Feed(chunk, sink);
    });
    if (streamed && !inflater.Finished()) throw SetupError("Corrupt compressed data (the stream is truncated)");
    length = inflater.Produced();
  }
  if (!streamed || (checkCrc && crc != entry.Crc)) return false;
  if (length != entry.Size) {
    ReportWrongLength(index, length);
    return false;
  }
  return true;
}

bool TPak::StreamStored(size_t index, const std::function<bool(ByteView)>& sink) const {
  if (index >= entries_.size() || !file_.IsOpen()) return false;
  const TPakEntry& entry = entries_[index];
  uint64_t left = entry.StoredLength();
  if (!DataInRegion(entry)) return false;
  if (left == 0) return true;
  uint64_t position = entry.Offset;
  Bytes chunk(static_cast<size_t>(std::min<uint64_t>(left, kStreamChunkSize)));
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
    if (!file_.ReadAtShared(position, chunk.data(), n)) return false;
    if (!sink(ByteView(chunk.data(), n))) return false;
    position += n;
    left -= n;
  }
  return true;
}

}  // namespace setup
