// Recovery from a large undo journal: an archive update interrupted after saving
// 1 GiB of 4 KiB units (as a VFS update of a large patch leaves it) is rolled back by
// RecoverArchive. Records are streamed from the disk, so the heap it needs stays the
// same whatever the journal's size. Prints the peak heap of the 1 GiB recovery against
// that of a 4 MiB one (the floor), and the time against reading the journal and writing
// its bytes back with plain 1 MiB reads and writes.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "heap_counter.h"
#include "journal/archive_journal.h"

using namespace setup;

namespace {

constexpr uint64_t kUnit = 4096;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// An archive of length bytes whose every unit has been saved into its journal, the
// journal left as an interrupted update leaves it.
bool Interrupted(const std::string& archivePath, uint64_t length) {
  platform::File archive;
  if (!archive.Open(archivePath, platform::OpenMode::CreateAlways)) return false;
  Bytes piece(1 << 20);
  for (uint64_t done = 0; done < length; done += piece.size()) {
    for (size_t i = 0; i < piece.size(); i += 64) piece[i] = static_cast<uint8_t>(done >> 20 ^ i);
    if (!archive.WriteAt(done, piece.data(), piece.size())) return false;
  }
  ArchiveJournal journal;
  if (!journal.Begin(archivePath, archive)) return false;
  for (uint64_t offset = 0; offset < length; offset += kUnit) {
    if (!journal.SaveFrom(archive, offset, kUnit)) return false;
  }
  if (!journal.Sync()) return false;
  journal.Close();
  return true;
}

// Peak heap and time of one recovery; negative time when it did not roll back.
std::pair<size_t, double> Recover(const std::string& archivePath) {
  bench::ResetHeapPeak();
  const size_t before = bench::HeapInUse();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = RecoverArchive(archivePath).Outcome == JournalRecovery::RolledBack;
  return {bench::HeapPeak() - before, ok ? Seconds(start) : -1};
}

// Reads the journal and writes its bytes into the archive in 1 MiB pieces: what a
// roll-back cannot do faster.
double CopyFloor(const std::string& archivePath) {
  platform::File journal;
  platform::File archive;
  if (!journal.Open(JournalPath(archivePath), platform::OpenMode::ReadShared) ||
      !archive.Open(archivePath, platform::OpenMode::ReadWriteExclusive)) {
    return -1;
  }
  const auto start = std::chrono::steady_clock::now();
  Bytes piece(1 << 20);
  const uint64_t size = journal.Size();
  for (uint64_t done = 0; done < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), size - done));
    if (!journal.ReadAt(done, piece.data(), n) || !archive.WriteAt(done % (size / 2), piece.data(), n)) return -1;
    done += n;
  }
  archive.Flush();
  return Seconds(start);
}

}  // namespace

int main() {
  const std::string folder = (std::filesystem::temp_directory_path() / "journal-bench").string();
  std::filesystem::create_directories(folder);
  const std::string small = folder + "/small.vfs";
  const std::string large = folder + "/large.vfs";
  if (!Interrupted(small, 4ull << 20) || !Interrupted(large, 1ull << 30)) {
    std::fprintf(stderr, "cannot write the journals in %s\n", folder.c_str());
    return 1;
  }
  const uint64_t journalSize = std::filesystem::file_size(JournalPath(large));
  const double floor = CopyFloor(large);
  const auto [smallPeak, smallTime] = Recover(small);
  const auto [largePeak, largeTime] = Recover(large);
  std::filesystem::remove_all(folder);
  if (smallTime < 0 || largeTime < 0 || floor < 0) {
    std::fprintf(stderr, "a recovery failed\n");
    return 1;
  }
  std::printf("journal recovery: %.0f MiB journal, peak heap %.2f MiB (4 MiB journal: %.2f MiB), ratio %.2f\n",
              static_cast<double>(journalSize) / (1 << 20), static_cast<double>(largePeak) / (1 << 20),
              static_cast<double>(smallPeak) / (1 << 20), static_cast<double>(largePeak) / static_cast<double>(smallPeak));
  std::printf("journal recovery: %.2f s against %.2f s for reading and writing its bytes, ratio %.2f\n", largeTime,
              floor, largeTime / floor);
  return 0;
}
