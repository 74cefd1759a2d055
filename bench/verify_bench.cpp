// Verification throughput: the start-up's verification (TPakVerifier, one worker per
// processor) over a package of about 200 MB of mixed data, against a floor of bare
// reads + CRC-32 + zlib inflate of the same stored bytes on one thread. Prints MB/s
// for both, the ratio of their times (the target is 0.6 or less on two processors),
// and the peak memory beside the largest entry (each worker holds one entry at a time).
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "bench_data.h"
#include "heap_counter.h"
#include "package/pak.h"
#include "package/pak_verifier.h"

using namespace setup;

namespace {

using bench::MakeContent;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const size_t total = argc > 1 ? std::stoul(argv[1]) * 1000000ul : 200000000ul;
  const auto dir = std::filesystem::temp_directory_path() / "setup-verify-bench";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "bench.pak").string();

  size_t largest = 0;
  {
    TPak writer;
    if (!writer.Create(path, true, false)) return 1;
    size_t written = 0;
    for (uint32_t i = 0; written < total; ++i) {
      const size_t size = 1000000 + (i * 2654435761u) % 7000000;  // 1 to 8 MB
      const Bytes content = MakeContent(size, static_cast<int>(i % 3), i);
      const size_t index = writer.AddEntry("file" + std::to_string(i), "", 1);
      writer.WriteEntryFromMemory(index, content);
      written += size;
      largest = std::max(largest, size);
    }
    writer.WriteTable();
  }

  TPak pak;
  if (!pak.Create(path)) return 1;
  uint64_t contentBytes = 0;
  for (const TPakEntry& e : pak.Entries()) contentBytes += e.Size;

  // Floor: read each entry's stored bytes, CRC them, inflate them; nothing else.
  // Each side runs three times, alternating; the best time of each counts.
  double floorSeconds = 1e9, verifySeconds = 1e9;
  size_t heapGrowth = 0;
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    {
      std::FILE* f = std::fopen(path.c_str(), "rb");
      Bytes stored, content;
      for (const TPakEntry& e : pak.Entries()) {
        stored.resize(e.StoredLength());
        std::fseek(f, static_cast<long>(e.Offset), SEEK_SET);
        if (std::fread(stored.data(), 1, stored.size(), f) != stored.size()) return 1;
        if (Crc32(stored) != e.Crc) return 1;
        if (e.StoredSize != 0) {
          content.resize(e.Size);
          uLongf length = e.Size;
          if (uncompress(content.data(), &length, stored.data(), e.StoredSize) != Z_OK) return 1;
        }
      }
      std::fclose(f);
    }
    floorSeconds = std::min(floorSeconds, Seconds(start));

    bench::ResetHeapPeak();
    const size_t heapBefore = bench::HeapInUse();
    start = std::chrono::steady_clock::now();
    {
      TPakVerifier verifier(pak, VerifyWorkerCount());
      for (size_t i = 0; i < pak.Count(); ++i) {
        if (!verifier.Next().Passed) return 1;
      }
    }
    verifySeconds = std::min(verifySeconds, Seconds(start));
    heapGrowth = std::max(heapGrowth, bench::HeapPeak() - heapBefore);
  }

  const double mb = static_cast<double>(contentBytes) / 1e6;
  std::printf("package: %zu entries, %.1f MB content, %.1f MB on disk\n", pak.Count(), mb,
              static_cast<double>(pak.FileSize()) / 1e6);
  std::printf("floor (read + CRC-32 + inflate): %.1f MB/s\n", mb / floorSeconds);
  std::printf("verification (%u workers):        %.1f MB/s\n", VerifyWorkerCount(), mb / verifySeconds);
  std::printf("ratio of times, verification/floor: %.2f\n", verifySeconds / floorSeconds);
  std::printf("peak heap held by verification: %.1f MB (largest entry %.1f MB content)\n",
              static_cast<double>(heapGrowth) / 1e6, static_cast<double>(largest) / 1e6);
  std::filesystem::remove_all(dir);
  return 0;
}
