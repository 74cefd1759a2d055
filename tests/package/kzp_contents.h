#pragma once
// A KZP package's entries by name, read through the format reader and inflated: what
// crash tests compare before and after an interrupted update.

#include <map>
#include <string>

#include "base/errors.h"
#include "base/zlib_codec.h"
#include "package/kzp_format.h"
#include "platform/files.h"
#include "test_support.h"

namespace setup::test {

using KzpContents = std::map<std::string, Bytes>;

// The package's content by name (data blocks; no sound entries); empty when the
// package cannot be read or a block does not inflate to exactly its recorded size.
inline KzpContents ContentsOfKzp(const std::string& path) {
  platform::File file;
  TKzpLayout layout;
  std::string reason;
  KzpContents out;
  if (!file.Open(path, platform::OpenMode::ReadShared) || !ReadKzpLayout(file, layout, reason)) return out;
  for (const TKzpRecord& r : layout.Records) {
    Bytes block(r.StoredLength);
    if (!file.ReadAt(r.Offset, block.data(), block.size())) return {};
    ToggleBlockCrc(block);
    try {
      InflateResult inflated = Inflate(block, r.Size);
      if (inflated.inflatedLength != r.Size) return {};
      out[r.Name] = std::move(inflated.content);
    } catch (const SetupError&) {
      return {};
    }
  }
  return out;
}

}  // namespace setup::test
