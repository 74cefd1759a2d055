// Peak memory of extracting one large compressed entry: a 300 MB entry stored as one
// zlib stream (as a foreign package may hold it; our own writer stores entries of
// 70 MiB and more as they are) is extracted by ExtractGroupTo into the posix sandbox.
// The entry is inflated as it streams to the file, so the heap it needs stays near two
// 25 MiB chunks, however large the entry; a 32-bit setup could not hold it whole.
// Prints the peak heap against the entry's size, and the throughput.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/byte_io.h"
#include "bench_data.h"
#include "heap_counter.h"
#include "package/pak.h"
#include "platform/posix/posix_controls.h"
#include "script/command_list.h"
#include "script/extract_group.h"
#include "script/setup_context.h"

using namespace setup;

namespace {

constexpr size_t kEntrySize = 300u * 1000 * 1000;
constexpr size_t kPiece = 1 << 20;

// Writes a package of one compressed entry (group 1), deflating the content piece by
// piece; returns false when zlib fails.
bool WritePackage(const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  z_stream zs{};
  if (deflateInit(&zs, 9) != Z_OK) return false;
  Bytes buffer(kPiece * 2);
  uint32_t crc = 0;
  uint64_t stored = 0;
  for (size_t done = 0; done < kEntrySize;) {
    const size_t length = std::min(kPiece, kEntrySize - done);
    std::vector<uint8_t> piece = bench::MakeContent(length, static_cast<int>(done / kPiece % 3), static_cast<uint32_t>(done));
    const bool last = done + length == kEntrySize;
    zs.next_in = piece.data();
    zs.avail_in = static_cast<uInt>(piece.size());
    int rc;
    do {
      zs.next_out = buffer.data();
      zs.avail_out = static_cast<uInt>(buffer.size());
      rc = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
      const size_t made = buffer.size() - zs.avail_out;
      out.write(reinterpret_cast<const char*>(buffer.data()), static_cast<std::streamsize>(made));
      crc = static_cast<uint32_t>(crc32(crc, buffer.data(), static_cast<uInt>(made)));
      stored += made;
    } while (zs.avail_out == 0 || (last && rc != Z_STREAM_END));
    done += length;
  }
  deflateEnd(&zs);
  TPakEntry entry;
  entry.Name = "big\\huge.dat";
  entry.Crc = crc;
  entry.StoredSize = static_cast<uint32_t>(stored);
  entry.Size = static_cast<uint32_t>(kEntrySize);
  entry.Group = 1;
  ByteWriter table;
  EncodeRecord(table, entry);
  TPakTrailer trailer;
  trailer.Magic = kPakMagic;
  trailer.Version = 1;
  trailer.Count = 1;
  trailer.TableOffset = static_cast<uint32_t>(stored);
  table.Raw(EncodeTrailer(trailer));
  out.write(reinterpret_cast<const char*>(table.bytes().data()), static_cast<std::streamsize>(table.bytes().size()));
  return static_cast<bool>(out);
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() / "setup-extract-memory-bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "bench.pak").string();
  if (!WritePackage(path)) return 1;
  platform::posix::SetSandboxRoot((dir / "root").string());

  SetupContext context;
  RegisterCommands(context.Commands);
  if (!context.Package.Create(path) || context.Package.Count() != 1) return 1;
  bench::ResetHeapPeak();
  const size_t before = bench::HeapInUse();
  const auto start = std::chrono::steady_clock::now();
  ExtractGroupTo(context, "C:\\Game", 1);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const size_t peak = bench::HeapPeak() - before;
  const auto written = std::filesystem::file_size(dir / "root" / "C" / "Game" / "big" / "huge.dat");
  std::printf("extract one compressed entry of %.0f MB (%.1f MB stored): %.2f s, %.0f MB/s\n", kEntrySize / 1e6,
              static_cast<double>(context.Package.Entries()[0].StoredSize) / 1e6, seconds, kEntrySize / 1e6 / seconds);
  std::printf("peak heap held by the extraction: %.1f MB (%.2f of the entry's size)%s\n",
              static_cast<double>(peak) / 1e6, static_cast<double>(peak) / kEntrySize,
              written == kEntrySize ? "" : "  -- WRONG SIZE WRITTEN");
  std::filesystem::remove_all(dir);
  return written == kEntrySize ? 0 : 1;
}
