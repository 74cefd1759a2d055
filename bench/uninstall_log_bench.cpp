// Uninstall log throughput at its largest: 65,535 distinct files added, the log saved
// and loaded again. Against a floor measured in the same run: inserting the same
// strings into a std::unordered_set, and writing and reading the same log bytes with
// plain stdio. Prints both times and their ratio.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "installlog/uninstall_list.h"
#include "platform/posix/posix_controls.h"

using namespace setup;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
  const auto root = std::filesystem::temp_directory_path() / "setup-uninstall-log-bench";
  std::filesystem::create_directories(root / "C" / "Game");
  platform::posix::SetSandboxRoot(root.string());
  const std::string folder = "C:\\Game";
  const std::string localLog = (root / "C" / "Game" / "install.log").string();

  std::vector<std::string> paths;
  paths.reserve(kMaxLogEntries);
  for (size_t i = 0; i < kMaxLogEntries; ++i) {
    paths.push_back("$INSTDIR\\Data\\Folder" + std::to_string(i / 100) + "\\File" + std::to_string(i) +
                    ".dat");
  }
  size_t logBytes = 0;

  // Each side runs five times, alternating; the best time of each counts.
  double floorHashSeconds = 0, floorIoSeconds = 0;
  double floorSeconds = 1e9, addSeconds = 1e9, saveSeconds = 1e9, loadSeconds = 1e9;
  for (int round = 0; round < 5; ++round) {
    // Floor: hash the strings, write the log's bytes in one go, read them back.
    TUninstallList reference;
    for (const std::string& p : paths) reference.AddFolder(p);  // same bytes, any list
    const Bytes image = EncodeInstallLog(reference.Lists());
    logBytes = image.size();
    auto start = std::chrono::steady_clock::now();
    std::unordered_set<std::string> set;
    for (const std::string& p : paths) set.insert(p);
    const double hashing = Seconds(start);
    start = std::chrono::steady_clock::now();
    {
      std::FILE* out = std::fopen(localLog.c_str(), "wb");
      if (out == nullptr || std::fwrite(image.data(), 1, image.size(), out) != image.size()) return 1;
      std::fclose(out);
      Bytes back(image.size());
      std::FILE* in = std::fopen(localLog.c_str(), "rb");
      if (in == nullptr || std::fread(back.data(), 1, back.size(), in) != back.size()) return 1;
      std::fclose(in);
      if (set.size() != paths.size() || back != image) return 1;
    }
    const double io = Seconds(start);
    if (hashing + io < floorSeconds) {
      floorSeconds = hashing + io;
      floorHashSeconds = hashing;
      floorIoSeconds = io;
    }

    start = std::chrono::steady_clock::now();
    TUninstallList list;
    for (const std::string& p : paths) {
      if (list.AddFile(p) != AddResult::Added) return 1;
    }
    addSeconds = std::min(addSeconds, Seconds(start));

    start = std::chrono::steady_clock::now();
    if (!list.Save(folder, "")) return 1;
    saveSeconds = std::min(saveSeconds, Seconds(start));

    start = std::chrono::steady_clock::now();
    TUninstallList loaded;
    if (loaded.Load(folder, "") != LoadResult::Loaded || loaded.Files().size() != paths.size()) return 1;
    loadSeconds = std::min(loadSeconds, Seconds(start));
  }

  const double total = addSeconds + saveSeconds + loadSeconds;
  std::printf("uninstall log: %zu files, %.1f MB on disk\n", paths.size(),
              static_cast<double>(logBytes) / 1e6);
  std::printf("floor (unordered_set + stdio write + read): %8.2f ms\n", floorSeconds * 1e3);
  std::printf("  of which unordered_set inserts:          %8.2f ms\n", floorHashSeconds * 1e3);
  std::printf("  of which stdio write + read:             %8.2f ms\n", floorIoSeconds * 1e3);
  std::printf("TUninstallList add:                        %8.2f ms\n", addSeconds * 1e3);
  std::printf("TUninstallList save:                       %8.2f ms\n", saveSeconds * 1e3);
  std::printf("TUninstallList load:                       %8.2f ms\n", loadSeconds * 1e3);
  std::printf("TUninstallList add + save + load:          %8.2f ms\n", total * 1e3);
  std::printf("ratio of times, log/floor:                 %8.2f\n", total / floorSeconds);
  std::filesystem::remove_all(root);
  return 0;
}
