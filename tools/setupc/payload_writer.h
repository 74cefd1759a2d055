#pragma once
// Writing a compiled setup's entries: worker threads compress entries ahead while the
// calling thread appends them strictly in table order, so the package is the same
// byte for byte whatever the number of workers.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/byte_io.h"
#include "package/pak.h"

namespace setup::setupc {

// One entry of the package to write: its content comes from a local file (path) or
// from memory (content, when path is empty).
struct PlannedEntry {
  std::string name;  // code page
  uint16_t group = 0;
  std::string path;  // native
  Bytes content;
  uint64_t size = 0;  // of the file when it was planned, or of content
};

// Called on the writing thread after each entry with the bytes of content written so
// far and the total.
using ProgressCallback = std::function<void(uint64_t done, uint64_t total)>;

// Adds every entry to pak (open for writing, with no entries yet) and writes them in
// order, with up to `workers` entries compressed at once and a few more read ahead
// (bounded in count and bytes). Entries of kLargeEntrySize or more are streamed from
// their file by the writing thread. Returns an empty string on success, else why not.
std::string WritePayload(TPak& pak, const std::vector<PlannedEntry>& entries, unsigned workers,
                         const ProgressCallback& progress);

}  // namespace setup::setupc
