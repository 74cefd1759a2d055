// setupc diff: two builds of a product, each a KZP package of 20,000 entries and a VFS
// archive of 20,000 files (300 to 1,300 bytes each, spread over 100 folders), NEW with
// every twentieth entry and file changed (5 %). DiffTrees is timed against a floor
// measured in the same run: reading every file of both builds once in 1 MiB pieces with
// its CRC-32 (what comparing them as loose files would cost). DiffTrees reads the two
// changed archives whole for their CRC-32 (the patch's guard) and then each entry's
// block; only blocks that differ are inflated. Prints the ratio (best of three) and the
// heap DiffTrees held at its peak, beside the size of the two builds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "bench_data.h"
#include "heap_counter.h"
#include "package/kzp_format.h"
#include "package/pak_system.h"
#include "platform/files.h"
#include "setupc/diff/tree_diff.h"
#include "vfs/vfs_file.h"

using namespace setup;

namespace {

namespace fs = std::filesystem;

constexpr size_t kEntries = 20000;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Name(size_t i) {
  return "set" + std::to_string(i % 100) + "\\entry" + std::to_string(i) + ".dat";
}

// Entry i's content; a changed one (every twentieth, in NEW) from another seed.
Bytes Content(size_t i, bool changed) {
  return bench::MakeContent(300 + (i * 7919) % 1000, static_cast<int>(i % 3),
                            static_cast<uint32_t>(changed ? i + 1000000 : i));
}

bool Changed(size_t i, bool newBuild) { return newBuild && i % 20 == 7; }

void WriteKzp(const std::string& path, bool newBuild) {
  platform::File file;
  file.Open(path, platform::OpenMode::CreateAlways);
  std::vector<TKzpRecord> records(kEntries);
  uint32_t offset = 0;
  for (size_t i = 0; i < kEntries; ++i) {
    const Bytes content = Content(i, Changed(i, newBuild));
    const std::optional<KzpBlock> block = MakeKzpBlock(Name(i), content);
    file.Write(block->Data.data(), block->Data.size());
    records[i] = TKzpRecord{kKzpRecordMark,
                            kKzpKindData,
                            KzpTimeNow(),
                            static_cast<uint32_t>(block->Data.size()),
                            static_cast<uint32_t>(content.size()),
                            offset,
                            Name(i)};
    offset += static_cast<uint32_t>(block->Data.size());
  }
  std::vector<const TKzpRecord*> table;
  for (const TKzpRecord& r : records) table.push_back(&r);
  const Bytes tail = BuildKzpTail(table, "pw", false, 3, 4);
  file.Write(tail.data(), tail.size());
}

void WriteVfs(const std::string& path, bool newBuild) {
  TVFSHeader header;
  header.BlockSize = 512;
  header.BlockCount = static_cast<uint32_t>(4 * kEntries + 1000);
  header.RootCount = 256;
  {
    platform::File file;
    const Bytes front = header.FrontBytes();
    const Bytes rest = header.DescriptionBytes();
    file.Open(path, platform::OpenMode::CreateAlways);
    file.Write(front.data(), front.size());
    file.Write(rest.data(), rest.size());
    file.SetLength(header.DataEnd());
  }
  TVFSFile archive;
  archive.Open(path, true);
  for (size_t i = 0; i < kEntries; ++i) {
    const Bytes content = Content(i, Changed(i, newBuild));
    archive.Tree().PutFile(Name(i), content.data(), static_cast<uint32_t>(content.size()));
  }
  archive.Flush(false);
}

// Reads every file below root once, with its CRC-32; returns the bytes read.
uint64_t ReadAll(const fs::path& root) {
  uint64_t total = 0;
  std::vector<uint8_t> piece(size_t{1} << 20);
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    platform::File file;
    file.Open(entry.path().string(), platform::OpenMode::ReadShared);
    uint32_t crc = 0;
    for (size_t n = 0; (n = file.Read(piece.data(), piece.size())) > 0;) {
      crc = Crc32(ByteView(piece.data(), n), crc);
      total += n;
    }
    if (crc == 0x12345678) std::printf(" ");  // keeps the CRC from being optimised away
  }
  return total;
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / "diff_bench";
  fs::remove_all(dir);
  for (const char* build : {"old", "new"}) {
    fs::create_directories(dir / build / "data");
    const bool newBuild = std::string(build) == "new";
    WriteKzp((dir / build / "data" / "main.kzp").string(), newBuild);
    WriteVfs((dir / build / "data" / "world.vfs").string(), newBuild);
  }

  double floor = 1e9, diff = 1e9;
  uint64_t bytes = 0;
  size_t peak = 0;
  setupc::TreeDiff result;
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    bytes = ReadAll(dir / "old") + ReadAll(dir / "new");
    floor = std::min(floor, Seconds(start));

    result = setupc::TreeDiff();
    bench::ResetHeapPeak();
    const size_t before = bench::HeapInUse();
    start = std::chrono::steady_clock::now();
    result = setupc::DiffTrees(dir / "old", dir / "new");
    diff = std::min(diff, Seconds(start));
    peak = bench::HeapPeak() - before;
  }
  const size_t changedEntries = result.Packages.empty() ? 0 : result.Packages[0].Entries.size();
  const size_t changedFiles = result.Archives.empty() ? 0 : result.Archives[0].Files.size();
  std::printf("diff, KZP package and VFS archive of 20,000 entries each, 5 %% changed (%zu and %zu found):\n",
              changedEntries, changedFiles);
  std::printf("  DiffTrees %.3f s; floor (read both builds once with CRC-32, %.1f MB): %.3f s; ratio %.2f\n",
              diff, static_cast<double>(bytes) / 1e6, floor, diff / floor);
  std::printf("  peak heap of DiffTrees: %.1f MB (the two builds: %.1f MB; two KZP tables: %.1f MB)\n",
              static_cast<double>(peak) / 1e6, static_cast<double>(bytes) / 1e6,
              2.0 * kEntries * kKzpRecordSize / 1e6);
  fs::remove_all(dir);
  return changedEntries == kEntries / 20 && changedFiles == kEntries / 20 ? 0 : 1;
}
