#include "package/kzp_format.h"

#include <algorithm>
#include <cstring>

#include "base/crc32.h"
#include "base/errors.h"
#include "base/zlib_codec.h"
#include "package/quill_encryption.h"
#include "platform/clock.h"

namespace setup {

namespace {

bool IsAlphanumeric(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool Tag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// Whether a size fits a 32-bit field (always, in a 32-bit process).
bool FitsU32(uint64_t size) { return size <= UINT32_MAX; }

// The signature from the last bytes of the file (at most 56, all a signature can span).
bool ReadSignature(ByteView end, TKzpSignature& signature, std::string& reason) {
  signature = TKzpSignature{};
  const size_t size = end.size();
  if (size >= 13 && Tag(&end[size - 13], "KZP2")) {
    signature.Form = KzpSignatureForm::Old;
    for (size_t i = size - 9; i < size && IsAlphanumeric(end[i]); ++i) signature.Password.push_back(static_cast<char>(end[i]));
    signature.TailLength = 13;
    return true;
  }
  for (size_t d = 1; d <= kKzpSignatureSearch && d + 6 <= size; ++d) {
    const uint8_t* head = &end[size - (d + 6)];
    if (!Tag(head, "KZP3")) continue;
    signature.Form = KzpSignatureForm::New;
    signature.Version = GetU16(head + 4);
    signature.TailLength = static_cast<uint32_t>(d + 6);
    const uint8_t* fields = &end[size - d];
    if (d < 4 || !(Tag(fields, "EIH1") || Tag(fields, "EIH2"))) return true;
    signature.Eih2 = Tag(fields, "EIH2");
    if (d < 8) {
      reason = "the signature ends before its password";
      return false;
    }
    signature.A = fields[4];
    signature.B = fields[5];
    const size_t length = GetU16(fields + 6);
    if (8 + length + (signature.Eih2 ? 1 : 0) > d) {
      reason = "the signature's password runs past the end of the file";
      return false;
    }
    TQuillEncryptionType cipher;
    cipher.A = signature.A;
    cipher.B = signature.B;
    if (!cipher.KeysUsable()) {
      reason = "the signature's key bytes give no key";
      return false;
    }
    signature.Password = cipher.Decrypt(std::string(reinterpret_cast<const char*>(fields + 8), length));
    if (signature.Eih2) signature.Official = fields[8 + length] == 1;
    return true;
  }
  return true;
}

}  // namespace

void TKzpRecord::Serialize(uint8_t* out) const {
  std::memset(out, 0, kKzpRecordSize);
  PutU16(out, Mark);
  PutU16(out + 2, Kind);
  PutU32(out + 4, Time);
  PutU32(out + 8, StoredLength);
  PutU32(out + 12, Size);
  PutU32(out + 16, Offset);
  const size_t length = std::min(Name.size(), kKzpMaxNameLength);
  out[24] = static_cast<uint8_t>(length);
  std::memcpy(out + 25, Name.data(), length);
}

std::optional<TKzpRecord> TKzpRecord::Parse(const uint8_t* in) {
  if (in[24] > kKzpMaxNameLength) return std::nullopt;
  TKzpRecord record;
  record.Mark = GetU16(in);
  record.Kind = GetU16(in + 2);
  record.Time = GetU32(in + 4);
  record.StoredLength = GetU32(in + 8);
  record.Size = GetU32(in + 12);
  record.Offset = GetU32(in + 16);
  record.Name.assign(reinterpret_cast<const char*>(in + 25), in[24]);
  return record;
}

bool ReadKzpLayout(platform::File& file, TKzpLayout& layout, std::string& reason) {
  layout = TKzpLayout{};
  layout.FileSize = file.Size();
  const uint64_t size = layout.FileSize;
  const size_t endLength = static_cast<size_t>(std::min<uint64_t>(size, kKzpSignatureSearch + 6));
  Bytes end(endLength);
  if (!file.ReadAt(size - endLength, end.data(), endLength)) {
    reason = "the end of the file cannot be read";
    return false;
  }
  if (!ReadSignature(end, layout.Signature, reason)) return false;

  const uint64_t tail = layout.Signature.TailLength;
  uint8_t footer[kKzpFooterSize];
  if (size < tail + kKzpFooterSize || !file.ReadAt(size - tail - kKzpFooterSize, footer, sizeof footer)) {
    reason = "the file is too short for a footer";
    return false;
  }
  layout.CompressedTableSize = GetU32(footer);
  const uint32_t tableSize = GetU32(footer + 4);
  const uint32_t count = GetU32(footer + 12);
  if (GetU32(footer + 8) != kKzpVersion || GetU32(footer + 16) != 0) {
    reason = "the footer's version is not 5 or its reserved field is not 0";
    return false;
  }
  if (uint64_t{count} * kKzpRecordSize != tableSize) {
    reason = "the footer's table size is not its record count times 152";
    return false;
  }
  if (uint64_t{layout.CompressedTableSize} + kKzpFooterSize + tail > size) {
    reason = "the compressed table is longer than the file";
    return false;
  }
  layout.TableStart = size - tail - kKzpFooterSize - layout.CompressedTableSize;
  Bytes stream(layout.CompressedTableSize);
  if (!file.ReadAt(layout.TableStart, stream.data(), stream.size())) {
    reason = "the table cannot be read";
    return false;
  }
  InflateResult table;
  try {
    table = Inflate(stream, tableSize);
  } catch (const SetupError&) {
    reason = "the table is not a valid zlib stream";
    return false;
  }
  if (table.inflatedLength != tableSize || table.content.size() != tableSize) {
    reason = "the table does not inflate to its size";
    return false;
  }
  layout.Records.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::optional<TKzpRecord> record = TKzpRecord::Parse(&table.content[size_t{i} * kKzpRecordSize]);
    if (!record) {
      reason = "record " + std::to_string(i) + " has a name longer than 127 characters";
      return false;
    }
    if (uint64_t{record->Offset} + record->StoredLength > layout.TableStart) {
      reason = "record " + std::to_string(i) + " (" + record->Name + ") has its data outside the data region";
      return false;
    }
    layout.Records.push_back(std::move(*record));
  }
  return true;
}

Bytes BuildKzpTail(const std::vector<const TKzpRecord*>& records, const std::string& password, bool official,
                   uint8_t a, uint8_t b) {
  Bytes table(records.size() * kKzpRecordSize);
  for (size_t i = 0; i < records.size(); ++i) records[i]->Serialize(&table[i * kKzpRecordSize]);
  const Bytes stream = CompressBest(table);
  if (!FitsU32(stream.size()) || !FitsU32(table.size())) {
    throw SetupError("KZP table too large");
  }

  TQuillEncryptionType cipher;
  cipher.A = a;
  cipher.B = b;
  const std::string scrambled = cipher.Encrypt(password);

  ByteWriter out;
  out.Raw(stream);
  out.U32(static_cast<uint32_t>(stream.size()));
  out.U32(static_cast<uint32_t>(table.size()));
  out.U32(kKzpVersion);
  out.U32(static_cast<uint32_t>(records.size()));
  out.U32(0);
  out.Raw(std::string("KZP3"));
  out.U16(1);
  out.Raw(std::string("EIH2"));
  out.Raw(ByteView(&a, 1));
  out.Raw(ByteView(&b, 1));
  out.CountedString(scrambled);
  const uint8_t flag = official ? 1 : 0;
  out.Raw(ByteView(&flag, 1));
  return out.take();
}

void ToggleBlockCrc(Bytes& block) {
  if (block.size() <= 4) return;
  const uint32_t crc = Crc32(ByteView(block).subspan(4));
  PutU32(block.data(), GetU32(block.data()) ^ crc);
}

uint32_t KzpTimeNow() { return platform::LocalDosDateTime(); }

}  // namespace setup
