#include "package/pak_entry.h"

namespace setup {

Bytes EncodeTrailer(const TPakTrailer& trailer) {
  Bytes out(kTrailerSize);
  for (size_t i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(trailer.Magic[i]);
  PutU16(&out[4], trailer.Version);
  PutU16(&out[6], trailer.Count);
  PutU32(&out[8], trailer.DataStart);
  PutU32(&out[12], trailer.TableOffset);
  return out;
}

TPakTrailer DecodeTrailer(const uint8_t* p) {
  TPakTrailer trailer;
  for (size_t i = 0; i < 4; ++i) trailer.Magic[i] = static_cast<char>(p[i]);
  trailer.Version = GetU16(p + 4);
  trailer.Count = GetU16(p + 6);
  trailer.DataStart = GetU32(p + 8);
  trailer.TableOffset = GetU32(p + 12);
  return trailer;
}

void EncodeRecord(ByteWriter& out, const TPakEntry& entry) {
  out.CountedString(entry.Name);
  out.U32(entry.Crc);
  out.U32(entry.Offset);
  out.U32(entry.StoredSize);
  out.U32(entry.Size);
  out.U16(entry.Group);
}

bool DecodeRecord(ByteReader& in, TPakEntry& entry) {
  return in.CountedString(entry.Name) && in.U32(entry.Crc) && in.U32(entry.Offset) &&
         in.U32(entry.StoredSize) && in.U32(entry.Size) && in.U16(entry.Group);
}

}  // namespace setup
