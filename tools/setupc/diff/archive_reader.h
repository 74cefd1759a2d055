#pragma once
// Reading a product's archives entry by entry, for comparing builds and writing
// patches: a KZP package's records and each entry's content, a VFS archive's files.
// Both keep the file open and read one entry at a time.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_io.h"
#include "package/kzp_format.h"

namespace setup::setupc {

// True when the file's end holds a readable KZP signature, footer and table.
bool LooksLikeKzp(const std::filesystem::path& file);
// True when the file's front holds a readable VFS header.
bool LooksLikeVfs(const std::filesystem::path& file);

class KzpReader {
 public:
  // nullopt with a reason when the file is not a readable package.
  static std::unique_ptr<KzpReader> Open(const std::filesystem::path& file, std::string& reason);
  virtual ~KzpReader() = default;
  virtual const TKzpLayout& Layout() const = 0;
  // The record's data block as stored (a kind-2 block with its first 4 bytes still
  // XOR-ed). nullopt when it cannot be read.
  virtual std::optional<Bytes> ReadBlock(const TKzpRecord& record) = 0;
  // The entry's content: a kind-2 block inflated, a sound block as it is stored.
  // nullopt (with a reason) when the block is damaged.
  virtual std::optional<Bytes> ReadContent(const TKzpRecord& record, std::string& reason) = 0;
};

struct VfsFileInfo {
  std::string Name;  // path inside the archive, "\" between folders
  uint64_t Size = 0;
};

class VfsReader {
 public:
  static std::unique_ptr<VfsReader> Open(const std::filesystem::path& file, std::string& reason);
  virtual ~VfsReader() = default;
  // Every file of the archive, sorted by lower-cased name.
  virtual const std::vector<VfsFileInfo>& Files() const = 0;
  // A file's content; nullopt (with a reason) when it cannot be read.
  virtual std::optional<Bytes> ReadFile(const std::string& name, std::string& reason) = 0;
  // A file's bytes as the archive stores them, with the compressed flag in front (so
  // that equal results mean equal content without inflating either); nullopt when its
  // blocks cannot be read.
  virtual std::optional<Bytes> ReadStored(const std::string& name) = 0;
};

}  // namespace setup::setupc
