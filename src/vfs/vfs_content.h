#pragma once
// A file's content as the archive holds it turned back into the file: stored bytes as
// they are, or (flag 8) the chunks — u32 length, zlib stream — inflated one after the
// other, each to at most 50,000 bytes.

#include <optional>
#include <string>

#include "base/byte_io.h"
#include "vfs/vfs_format.h"

namespace setup {

// nullopt (and why in error) when the chunks are damaged or do not add up to the
// node's UnpackedSize.
std::optional<Bytes> UnpackContent(ByteView stored, const TVFSNode& node, std::string& error);

}  // namespace setup
