// setupc vfs list|extract|create: a VFS archive's tree, its files, a new archive from a
// folder. The consistency check is in vfs_check.cpp.

#include <algorithm>
#include <ostream>

#include "journal/archive_journal.h"
#include "package/entry_path.h"
#include "platform/files.h"
#include "setupc/commands.h"
#include "setupc/json_output.h"
#include "setupc/local_files.h"
#include "setupc/setupc.h"
#include "setupc/text.h"
#include "vfs/vfs_content.h"
#include "vfs/vfs_file.h"

namespace setup::setupc {

namespace {

bool OpenArchive(TVFSFile& archive, const std::string& path, std::ostream& err) {
  if (archive.Open(path, /*fullTree=*/true, {}, /*writable=*/false)) return true;
  ReportError(err, path + ": " + (archive.Damage().empty() ? "not a VFS archive" : archive.Damage()));
  return false;
}

uint32_t FileSize(const TVFSNode& node) {
  return (node.Flags & kVfsFlagCompressed) != 0 ? node.UnpackedSize : node.StoredSize;
}

std::string FlagText(const TVFSNode& node) {
  std::string text;
  text += node.IsFolder() ? 'D' : '-';
  text += node.IsFile() ? 'F' : '-';
  text += (node.Flags & kVfsFlagCompressed) != 0 ? 'C' : '-';
  return text;
}

// The entries in path order, so the listing does not depend on slot order.
std::vector<const TVFSTreeEntry*> SortedEntries(TVFSFile& archive) {
  std::vector<const TVFSTreeEntry*> entries;
  for (const TVFSTreeEntry& entry : archive.Tree().Entries()) {
    if (entry.Index >= 0) entries.push_back(&entry);
  }
  std::sort(entries.begin(), entries.end(), [](const TVFSTreeEntry* a, const TVFSTreeEntry* b) {
    return a->Path < b->Path;
  });
  return entries;
}

int List(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
  TVFSFile archive;
  if (!OpenArchive(archive, path, err)) return kExitFailed;
  const TVFSHeader& h = archive.Header();
  const auto entries = SortedEntries(archive);
  if (json) {
    const auto end = std::find(h.Description.begin(), h.Description.end(), uint8_t{0});
    Json list = Json::array();
    for (const TVFSTreeEntry* entry : entries) {
      const TVFSNode& n = *entry->Node;
      list.push_back({{"path", AnsiJson(entry->Path)},
                      {"type", n.IsFolder() ? "folder" : "file"},
                      {"size", FileSize(n)},
                      {"stored_size", n.StoredSize},
                      {"compressed", (n.Flags & kVfsFlagCompressed) != 0},
                      {"flags", n.Flags},
                      {"first_block", n.FirstBlock},
                      {"time", n.Time}});
    }
    WriteJson({{"block_size", h.BlockSize},
               {"block_count", h.BlockCount},
               {"root_count", h.RootCount},
               {"used_blocks", h.UsedBlocks},
               {"description", AnsiJson(std::string(h.Description.begin(), end))},
               {"entries", std::move(list)}},
              out);
    return kExitOk;
  }
  out << "block size " << h.BlockSize << ", " << h.UsedBlocks << " of " << h.BlockCount << " blocks used, "
      << h.RootCount << " root slots\n";
  out << "Flags        Size      Stored  Path\n";
  for (const TVFSTreeEntry* entry : entries) {
    const TVFSNode& n = *entry->Node;
    out << FlagText(n) << "  " << std::string(10 - std::min<size_t>(10, std::to_string(FileSize(n)).size()), ' ')
        << FileSize(n) << "  " << std::string(10 - std::min<size_t>(10, std::to_string(n.StoredSize).size()), ' ')
        << n.StoredSize << "  " << OneLine(AnsiToUtf8(entry->Path)) << "\n";
  }
  return kExitOk;
}

int Extract(const std::string& path, const std::string& folder, std::ostream& out, std::ostream& err) {
  TVFSFile archive;
  if (!OpenArchive(archive, path, err)) return kExitFailed;
  int code = kExitOk;
  size_t written = 0;
  for (const TVFSTreeEntry* entry : SortedEntries(archive)) {
    if (!entry->Node->IsFile()) continue;
    const EntryPath parts = SplitEntryPath(entry->Path);
    if (!parts.Safe()) {
      ReportError(err, entry->Path + ": not written: " + parts.refusal);
      code = kExitFailed;
      continue;
    }
    std::string error;
    const std::unique_ptr<TVFSFileBuffer> stored = archive.ReadFile(*entry->Node);
    const std::optional<Bytes> content =
        stored ? UnpackContent(stored->Data(), *entry->Node, error) : std::optional<Bytes>(Bytes());
    if (!content) {
      ReportError(err, entry->Path + ": " + error);
      code = kExitFailed;
      continue;
    }
    std::string target = folder;
    for (const std::string& part : parts.components) target = JoinNativePath(target, AnsiToNative(part));
    std::error_code ec;
    std::filesystem::create_directories(FsPath(FolderOf(target)), ec);
    platform::File file;
    if (!file.Open(target, platform::OpenMode::CreateAlways) || !file.Write(content->data(), content->size())) {
      ReportError(err, "cannot write " + target);
      code = kExitFailed;
      continue;
    }
    ++written;
  }
  out << written << " files written to " << folder << "\n";
  return code;
}

int Create(const VfsOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& folder = options.arguments[0];
  const std::string& output = options.arguments[1];
  std::vector<FolderFile> files;
  if (const std::string error = ListFolderFiles(folder, files); !error.empty()) {
    ReportError(err, error);
    return kExitFailed;
  }
  for (const FolderFile& file : files) {
    // Files below a folder are put there only when the path holds a "."; refuse what
    // would silently land at the top level instead.
    if (file.name.find('\\') != std::string::npos && file.name.find('.') == std::string::npos) {
      ReportError(err, file.name + ": a file below a folder needs a \".\" in its path (it would be put at the top level)");
      return kExitFailed;
    }
  }
  TVFSHeader header;
  header.BlockSize = options.blockSize;
  header.BlockCount = options.blocks;
  header.RootCount = options.roots;
  const std::string description = "made by setupc vfs create";
  std::copy(description.begin(), description.end(), header.Description.begin());
  {
    std::error_code ec;
    std::filesystem::create_directories(FsPath(FolderOf(output)), ec);
    // A journal of an earlier archive of that name would roll the new one back.
    platform::RemoveFile(JournalPath(output));
    platform::File file;
    const Bytes front = header.FrontBytes();
    const Bytes rest = header.DescriptionBytes();
    if (!file.Open(output, platform::OpenMode::CreateAlways) || !file.Write(front.data(), front.size()) ||
        !file.Write(rest.data(), rest.size()) || !file.SetLength(header.DataEnd()) || !file.Flush()) {
      ReportError(err, "cannot write " + output);
      return kExitFailed;
    }
  }
  TVFSFile archive;
  if (!archive.Open(output, /*fullTree=*/true)) {
    ReportError(err, output + ": " + archive.Damage());
    return kExitFailed;
  }
  try {
    for (const FolderFile& file : files) {
      const std::optional<Bytes> content = ReadWholeFile(file.path);
      if (!content || content->size() > UINT32_MAX) throw VfsError("cannot read " + file.path);
      archive.Tree().PutFile(file.name, content->empty() ? nullptr : content->data(),
                             static_cast<uint32_t>(content->size()));
    }
    archive.Flush(/*skipDigest=*/false);
  } catch (const VfsError& e) {
    // No half-made archive stays behind.
    archive.Close();
    platform::RemoveFile(JournalPath(output));
    platform::RemoveFile(output);
    ReportError(err, e.what());
    return kExitFailed;
  }
  out << files.size() << " files put into " << output << "\n";
  return kExitOk;
}

}  // namespace

int VfsCommand(const VfsOptions& options, std::ostream& out, std::ostream& err) {
  if (options.action == "list") return List(options.arguments[0], options.json, out, err);
  if (options.action == "extract") return Extract(options.arguments[0], options.arguments[1], out, err);
  if (options.action == "check") return VfsCheck(options.arguments[0], out, err);
  return Create(options, out, err);
}

}  // namespace setup::setupc
