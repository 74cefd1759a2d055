#pragma once
// The layout of a KZP package, the product's own archive format: entry data blocks,
// then a zlib-compressed table of 152-byte records, a 20-byte footer and an optional
// signature carrying the password and the "official" flag. See docs/kzp-package.md.
//
// ReadKzpLayout reads and checks everything at the end of an open package; the update
// engine and setupc both read packages through it, so every offset and length is
// checked against the file in one place before anyone uses it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_io.h"
#include "platform/files.h"

namespace setup {

inline constexpr size_t kKzpRecordSize = 152;
inline constexpr size_t kKzpFooterSize = 20;
inline constexpr uint32_t kKzpVersion = 5;
inline constexpr size_t kKzpMaxNameLength = 127;
inline constexpr uint16_t kKzpRecordMark = 0x0A0D;  // the bytes 0D 0A
inline constexpr uint16_t kKzpKindSound = 1;
inline constexpr uint16_t kKzpKindData = 2;
// The new-form signature is looked for this far from the end; its password can be
// at most this long (the tag and fields around it take 9 bytes).
inline constexpr size_t kKzpSignatureSearch = 50;
inline constexpr size_t kKzpMaxPasswordLength = kKzpSignatureSearch - 9;

struct TKzpRecord {
  uint16_t Mark = kKzpRecordMark;
  uint16_t Kind = kKzpKindData;
  uint32_t Time = 0;          // MS-DOS date (high word) and time (low word), local
  uint32_t StoredLength = 0;  // bytes of the data block
  uint32_t Size = 0;          // bytes of the entry's content
  uint32_t Offset = 0;        // of the data block, from the start of the file
  std::string Name;           // at most 127 characters

  // The 152 bytes; the name is cut to 127 characters, the field at 20 written as 0.
  void Serialize(uint8_t* out) const;
  // nullopt when the name's length byte is over 127.
  static std::optional<TKzpRecord> Parse(const uint8_t* in);
};

enum class KzpSignatureForm { None, Old, New };

struct TKzpSignature {
  KzpSignatureForm Form = KzpSignatureForm::None;
  uint16_t Version = 1;        // of a new-form signature
  bool Eih2 = false;           // the official flag is present
  uint8_t A = 0, B = 0;        // key bytes of the scrambled password
  std::string Password;        // plain text
  bool Official = false;
  uint32_t TailLength = 0;     // bytes of the signature at the end of the file
};

struct TKzpLayout {
  TKzpSignature Signature;
  uint32_t CompressedTableSize = 0;
  uint64_t FileSize = 0;
  uint64_t TableStart = 0;     // where the table's zlib stream begins; data ends here
  std::vector<TKzpRecord> Records;  // in table order
};

// Reads signature, footer and table. On a damaged package returns false with a reason
// (for support staff; the user sees the engine's own message).
bool ReadKzpLayout(platform::File& file, TKzpLayout& layout, std::string& reason);

// The bytes that end a package: the compressed table of records, the footer and the
// new-form signature (with EIH2) under the key bytes A and B.
Bytes BuildKzpTail(const std::vector<const TKzpRecord*>& records, const std::string& password,
                   bool official, uint8_t a, uint8_t b);

// A kind-2 block's first 4 bytes are XOR-ed with the CRC-32 of the rest; the same call
// applies and removes it. Blocks of 4 bytes or less are left as they are.
void ToggleBlockCrc(Bytes& block);

// The current local time as an MS-DOS date and time.
uint32_t KzpTimeNow();

}  // namespace setup
