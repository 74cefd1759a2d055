#pragma once
// Access to a package: open the one appended to an executable (or a stand-alone
// package file), verify and extract entries by index, name or group, and in the
// writing modes build a new package.
//
// Buffers are returned as std::optional<Bytes>: nullopt is the "null" of a failure or
// an empty entry. Lookups by name go through a hash index beside the ordered table,
// and each group keeps the list of its indexes, so nothing is quadratic in the count.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/byte_io.h"
#include "package/pak_entry.h"
#include "platform/files.h"

namespace setup {

enum class PakState {
  Closed,    // nothing opened yet
  NoPackage, // the file could not be opened, is shorter than a trailer, or has no "KZPF"
  Damaged,   // a "KZPF" trailer whose table is inconsistent with the file (DamageReason)
  Valid,     // trailer and table read
  Writing,   // CreateNew or Append mode
};

// An entry's stored form, apart from any package: what PackEntry stores for the same
// content. Computing it is the costly part of writing, and needs no package, so a
// writer may compute several at once and append them in table order.
struct PackedEntry {
  uint32_t Size = 0;
  uint32_t StoredSize = 0;  // 0: stored uncompressed
  uint32_t Crc = 0;
  Bytes Stored;  // the bytes to append; empty for empty content
};

// One entry read and checked (DecodeEntry): its content, or nullopt when the entry
// failed (short read, CRC mismatch, wrong length) or is empty.
struct TPakContent {
  std::optional<Bytes> Content;
  bool WrongLength = false;     // inflated, but not to the record's size
  uint64_t InflatedLength = 0;  // what it inflated to, for the "DecompSize" box
};

class TPak {
 public:
  TPak() = default;
  ~TPak();
  TPak(const TPak&) = delete;
  TPak& operator=(const TPak&) = delete;

  // Neither flag: open FileName for reading (shared) and read trailer and table.
  // Append: open an existing file for writing; data start = its size.
  // CreateNew: create or truncate FileName; data start 0.
  // Returns false when the file could not be opened (in read mode also when it holds
  // no valid package: see State).
  bool Create(const std::string& fileName, bool createNew = false, bool append = false);
  void Close();

  PakState State() const { return state_; }
  bool HasPackage() const { return state_ == PakState::Valid; }
  const std::string& DamageReason() const { return damageReason_; }
  const TPakTrailer& Trailer() const { return trailer_; }
  const std::vector<TPakEntry>& Entries() const { return entries_; }
  size_t Count() const { return entries_.size(); }
  uint64_t FileSize() const { return fileSize_; }
  uint32_t TailLength() const { return tailLength_; }

  // --- reading -------------------------------------------------------------------
  // The stored bytes, checked against the record's CRC; nullopt on a short read, a
  // CRC mismatch, data outside the data region, or an empty entry.
  // Safe to call from several threads at once, as DecodeEntry is.
  std::optional<Bytes> ReadStored(size_t index) const;
  // The content: a copy or the inflated stream. nullopt on failure or for an empty
  // entry. A wrong inflated length shows the "DecompSize" box; a corrupt stream
  // raises SetupError.
  std::optional<Bytes> ExtractEntry(size_t index);
  // ExtractEntry's work without showing anything, so that another thread can do it:
  // the caller shows the box (ReportWrongLength) when wrongLength is set, in its turn.
  TPakContent DecodeEntry(size_t index) const;
  // The "DecompSize" box for an entry that inflated to inflatedLength bytes.
  void ReportWrongLength(size_t index, uint64_t inflatedLength) const;
  // ExtractEntry of the first entry of Group named Name (case-insensitive); size is
  // that entry's size, or 0 when none matches.
  std::optional<Bytes> ExtractByName(const std::string& name, uint16_t group, uint32_t& size);
  // The index of that entry, when there is one.
  std::optional<size_t> IndexOf(const std::string& name, uint16_t group) const;
  // True for a large entry (not read); otherwise whether ExtractEntry succeeds.
  bool VerifyEntry(size_t index);

  std::optional<Bytes> FindFirst(uint16_t group, uint32_t& size, bool extract, std::string& name);
  std::optional<Bytes> FindNext(uint16_t group, uint32_t& size, bool extract, std::string& name);
  bool FindFirstIndex(uint16_t group, size_t& index);
  bool FindNextIndex(uint16_t group, size_t& index);
  void ForEachInGroup(uint16_t group, const std::function<void(size_t)>& callback) const;
  size_t CountInGroup(uint16_t group) const;
  size_t CountGrouped() const;

  // Hands an entry's stored bytes to sink in chunks of at most kStreamChunkSize, so a
  // large entry is never held whole. No CRC check. False on a short read, data outside
  // the data region, or when sink returns false.
  bool StreamStored(size_t index, const std::function<bool(ByteView)>& sink) const;
  // Hands an entry's content to sink in pieces of at most kStreamChunkSize: a
  // compressed entry is inflated as its stored bytes stream by, so that neither is held
  // whole. The stored bytes are checked against the record's CRC and the content
  // against its size (a wrong size shows the "DecompSize" box, as ExtractEntry does)
  // once everything has passed; false then, or on a read failure. A corrupt stream
  // raises SetupError.
  bool StreamContent(size_t index, const std::function<bool(ByteView)>& sink);

  // --- writing (CreateNew or Append) ------------------------------------------------
  // Appends a record and returns its index. Throws SetupError for a name longer than
  // 65,535 bytes or a 65,536th entry.
  size_t AddEntry(const std::string& name, const std::string& sourceFile, uint16_t group);
  // Takes the last record back (its data, if any was written, stays as dead bytes).
  void RemoveLastEntry();
  // Sets size, compresses (or copies) data, sets stored size and CRC; returns the bytes
  // to store, nullopt for empty content.
  std::optional<Bytes> PackEntry(size_t index, ByteView data);
  // PackEntry's rules without a record: zlib at the highest level below
  // kLargeEntrySize when that is not larger, else the content as it is. Throws
  // SetupError for content over 4 GiB. Safe to call from any thread.
  static PackedEntry PackContent(ByteView data);
  // Reads the record's source file whole and packs it; a large source is taken as it
  // is (stored size 0, CRC 0). Throws SetupError when the source cannot be read.
  std::optional<Bytes> PackFile(size_t index);
  // Pack, set offset = end of file - tail length, append the stored bytes. True when
  // written; false for empty content or a failed write.
  bool WriteEntryFromMemory(size_t index, ByteView data);
  // The same with the stored form computed elsewhere (PackContent, possibly on another
  // thread): sets the record's size, stored size and CRC from packed and appends its
  // stored bytes. True when written; false for empty content or a failed write.
  bool WriteEntryPacked(size_t index, const PackedEntry& packed);
  // The same from the source file; a large source is streamed in kStreamChunkSize
  // chunks. Throws SetupError when the source cannot be read.
  bool WriteEntryFromFile(size_t index);
  // The same with another package's entry as it is stored there (no inflating and
  // deflating again), streamed in chunks and checked against its CRC on the way. False
  // for an empty entry, a failed read or write, or a CRC mismatch; the file is then cut
  // back to where the entry began.
  bool WriteEntryCopied(size_t index, TPak& source, size_t sourceIndex);
  // Writes the table and the trailer at the end of the file.
  bool WriteTable();

 private:
  void ReadPackage();
  std::optional<uint64_t> FindTrailerBeforeSignature(uint8_t (&raw)[kTrailerSize]) const;
  void MarkDamaged(std::string reason);
  void IndexEntry(size_t index);
  bool DataInRegion(const TPakEntry& entry) const;
  bool AppendBytes(ByteView bytes, uint64_t& offset);
  std::optional<size_t> NextInGroup(uint16_t group, size_t from) const;
  static std::string IndexKey(const std::string& name, uint16_t group);

  platform::File file_;
  PakState state_ = PakState::Closed;
  std::string damageReason_;
  TPakTrailer trailer_;
  std::vector<TPakEntry> entries_;
  uint64_t fileSize_ = 0;
  uint32_t tailLength_ = 0;
  size_t cursor_ = 0;
  // lower-cased name + group -> first index in table order
  std::unordered_map<std::string, size_t> nameIndex_;
  // group -> its indexes in table order
  std::unordered_map<uint16_t, std::vector<size_t>> groupIndex_;
};

}  // namespace setup
