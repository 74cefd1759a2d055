// VFS archives: header, tables and the folder tree, each file's content; the ".ht" index
// beside an archive; the undo journal that rolls back an interrupted change.

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "journal/archive_journal.h"
#include "fuzz_targets.h"
#include "setupc/commands.h"
#include "targets/scratch.h"
#include "vfs/vfs_content.h"
#include "vfs/vfs_file.h"

namespace setup::fuzz {

void FuzzVfs(const uint8_t* data, size_t size) {
  const std::string path = WriteScratch("archive.vfs", ByteView(data, size));
  {
    TVFSFile archive;
    if (archive.Open(path, /*fullTree=*/true, {}, /*writable=*/false)) {
      for (const TVFSTreeEntry& entry : archive.Tree().Entries()) {
        if (entry.Index < 0 || !entry.Node->IsFile()) continue;
        const std::unique_ptr<TVFSFileBuffer> stored = archive.ReadFile(*entry.Node);
        std::string error;
        if (stored) UnpackContent(stored->Data(), *entry.Node, error);
      }
    } else if (archive.Damage().empty()) {
      std::abort();  // a refusal says why
    }
  }
  {
    // The root entries alone, as an update opens an archive that has an index.
    TVFSFile archive;
    archive.Open(path, /*fullTree=*/false, {}, /*writable=*/false);
  }
  setupc::VfsCheck(path, NullStream(), NullStream());
}

// A small archive written once by the project's own writer; the input is its index.
void FuzzVfsIndex(const uint8_t* data, size_t size) {
  static const std::string archivePath = [] {
    const std::string folder = ScratchFolder() + "/index-source";
    std::filesystem::create_directories(folder + "/data");
    WriteScratch("index-source/readme.txt", ByteView(reinterpret_cast<const uint8_t*>("read me\r\n"), 9));
    WriteScratch("index-source/data/a.bin", ByteView(reinterpret_cast<const uint8_t*>("abcdef"), 6));
    setupc::VfsOptions options;
    options.action = "create";
    options.arguments = {folder, ScratchFolder() + "/indexed.vfs"};
    options.blockSize = 64;
    options.blocks = 16;
    options.roots = 4;
    if (setupc::VfsCommand(options, NullStream(), NullStream()) != 0) std::abort();
    return ScratchFolder() + "/indexed.vfs";
  }();
  WriteScratch("indexed.ht", ByteView(data, size));
  TVFSFile archive;
  if (!archive.Open(archivePath, /*fullTree=*/false, {}, /*writable=*/false)) std::abort();
  const std::vector<TVFSHashRecord>& records = archive.HashFile().Records();
  if (archive.HashFile().Loaded() && uint64_t{records.size()} * kVfsHashRecordSize + 4 > size) std::abort();
}

// The input is the journal; the archive beside it is a fixed small file. A journal
// that is neither rolled back nor failed while writing must leave the archive as it was.
void FuzzJournal(const uint8_t* data, size_t size) {
  static const Bytes archive(200, 0x5A);
  const std::string path = WriteScratch("journaled.bin", archive);
  WriteScratch("journaled.bin.journal", ByteView(data, size));
  InspectJournal(path);
  const RecoveryResult result = RecoverArchive(path);
  if (result.Outcome != JournalRecovery::RolledBack && result.Outcome != JournalRecovery::Failed) {
    platform::File file;
    Bytes now(archive.size() + 1);
    if (!file.Open(path, platform::OpenMode::ReadShared) || file.Size() != archive.size() ||
        !file.ReadAt(0, now.data(), archive.size()) || !std::equal(archive.begin(), archive.end(), now.begin())) {
      std::abort();
    }
  }
  RemoveScratch("journaled.bin.journal");
  RemoveScratch("journaled.bin.journal.stale");
}

}  // namespace setup::fuzz
