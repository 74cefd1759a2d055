#pragma once
// TVFSHashFile: the ".ht" index beside an archive — u32 Count, then Count packed
// 21-byte records (Hash, Flags, StoredSize, UnpackedSize, FirstBlock, Valid) sorted by
// ascending hash. A hash that two files share is listed once, with Valid 0; a file
// whose key hashes to 0 is not listed.

#include <cstdint>
#include <string>
#include <vector>

namespace setup {

class TVFSFile;

struct TVFSHashRecord {
  uint32_t Hash = 0;
  uint32_t Flags = 0;
  uint32_t StoredSize = 0;
  uint32_t UnpackedSize = 0;
  uint32_t FirstBlock = 0;
  uint8_t Valid = 1;
};

class TVFSHashFile {
 public:
  explicit TVFSHashFile(TVFSFile& file) : file_(file) {}

  // The index file of an archive: its extension replaced by ".ht".
  static std::string IndexPath(const std::string& archivePath);
  // The records of a list of (key hash, record) in tree order: sorted, duplicates
  // folded into one invalid record, hash 0 left out.
  static std::vector<TVFSHashRecord> BuildRecords(std::vector<TVFSHashRecord> inTreeOrder);

  // Reads the index when it exists (Loaded); a short or oversized one is ignored.
  void Load();
  // With FullTree the records come from the tree, otherwise the loaded ones are
  // written back. The file is replaced as a whole (a new file renamed over it), and
  // removed when there is nothing to list.
  void Save();
  void Clear();

  bool Loaded() const { return loaded_; }
  const std::vector<TVFSHashRecord>& Records() const { return records_; }

 private:
  TVFSFile& file_;
  bool loaded_ = false;
  std::vector<TVFSHashRecord> records_;
};

}  // namespace setup
