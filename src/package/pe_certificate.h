#pragma once
// The signature of a signed executable. Signing (Authenticode) appends a certificate
// table to the file, after everything else, and points the image's security directory
// (data directory 4 of the optional header) at it by file offset and size. A signed
// setup therefore no longer ends with its package trailer: the trailer lies just before
// the table, possibly followed by up to seven zero bytes that align the table to 8.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "base/byte_io.h"
#include "platform/files.h"

namespace setup {

struct PeCertificateTable {
  uint64_t Offset = 0;  // where the table begins in the file
  uint64_t Size = 0;
};

// The certificate table of the PE image in file, when its security directory names one
// that ends exactly at the file's end (fileSize). nullopt for a file that is no PE
// image, is unsigned, or whose table lies elsewhere. Reads only the headers.
std::optional<PeCertificateTable> FindCertificateTable(const platform::File& file, uint64_t fileSize);

// Where the security directory entry (offset and size, 8 bytes) lies in an image held
// in memory; nullopt when the bytes are no PE image whose optional header holds it.
std::optional<size_t> SecurityDirectoryEntryOffset(ByteView image);

// The alignment padding a signing tool may put between the signed content and the
// table: at most this many zero bytes.
inline constexpr size_t kMaxCertificatePadding = 7;

}  // namespace setup
