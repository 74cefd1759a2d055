// Install run throughput on files: ExtractGroupTo of a package group of 5,000 small
// files of mixed data in nested folders and a few larger ones, into the posix sandbox,
// against a floor of bare reads + zlib inflate + POSIX mkdir/open/write of the same
// entries into a parallel tree. Then RunRemoval of the files and folders the
// extraction recorded, against a floor of plain unlink/rmdir of the same paths, and
// RunRemoval at twice the count to show that it grows linearly. The first argument
// sets the count of small files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_data.h"
#include "package/pak.h"
#include "platform/posix/posix_controls.h"
#include "script/command_list.h"
#include "script/extract_group.h"
#include "script/setup_context.h"
#include "uninstall/uninstall_run.h"

using namespace setup;

namespace {

namespace fs = std::filesystem;
using bench::MakeContent;

constexpr uint16_t kGroup = 1;
constexpr size_t kLargeFiles = 3;
constexpr size_t kLargeSize = 4000000;
const char* const kTarget = "C:\\Game";

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// An English language with the texts extraction and removal show.
Bytes LanguageFile() {
  Bytes b = {0xFF, 0xFE};
  const std::u16string text =
      u"English\r\n0409;\r\n18 Extracting <%FILENAME%>\r\n"
      u"19 Uninstalling <%KZPNAME%>: <%FNUM%> of <%FTOTAL%> items\r\n"
      u"24 registry entries\r\n25 directories\r\n";
  for (char16_t c : text) {
    b.push_back(static_cast<uint8_t>(c & 0xFF));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  return b;
}

// smallCount small files (200 B to 16 KB) in two levels of folders, and largeCount
// files of 4 MB. Returns the content bytes written.
uint64_t WritePackage(const std::string& path, size_t smallCount, size_t largeCount) {
  TPak writer;
  if (!writer.Create(path, true, false)) return 0;
  uint64_t bytes = 0;
  for (uint32_t i = 0; i < smallCount; ++i) {
    const size_t size = 200 + (i * 2654435761u) % 16000;
    const std::string name = "data\\g" + std::to_string(i / 500) + "\\s" + std::to_string(i / 50) + "\\file" +
                             std::to_string(i) + ".dat";
    writer.WriteEntryFromMemory(writer.AddEntry(name, "", kGroup),
                                MakeContent(size, static_cast<int>(i % 3), i));
    bytes += size;
  }
  for (uint32_t j = 0; j < largeCount; ++j) {
    writer.WriteEntryFromMemory(writer.AddEntry("big\\large" + std::to_string(j) + ".bin", "", kGroup),
                                MakeContent(kLargeSize, static_cast<int>(j % 3), 100000 + j));
    bytes += kLargeSize;
  }
  writer.WriteTable();
  return bytes;
}

// A run's context as the wizard prepares it: commands, language, hand-off controls.
std::unique_ptr<SetupContext> MakeContext(const std::string& packagePath, const Bytes& language) {
  auto context = std::make_unique<SetupContext>();
  RegisterCommands(context->Commands);
  context->SetupInfo.ShortName = "Bench";
  context->SetupInfo.InstallDir = std::string(kTarget) + "\\";
  context->Languages.Add(language.data(), language.size());
  context->Languages.Current = 0;
  context->HandOff.RegisterControls(true, true, true);
  if (!context->Package.Create(packagePath)) return nullptr;
  return context;
}

struct NoView : IRemovalView {
  void SetStatus(const std::u16string&) override {}
  void SetGaugeMax(int32_t) override {}
  void SetGaugePosition(int32_t) override {}
  void Repaint() override {}
};

// mkdir -p of path's folder part; each folder created is appended to created.
bool MakeParents(const std::string& path, std::vector<std::string>& created) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string folder = path.substr(0, slash);
  if (::mkdir(folder.c_str(), 0755) == 0) {
    created.push_back(folder);
    return true;
  }
  if (errno == EEXIST) return true;
  if (errno != ENOENT || !MakeParents(folder, created)) return false;
  if (::mkdir(folder.c_str(), 0755) != 0) return false;
  created.push_back(folder);
  return true;
}

// The floor of extraction: each entry's stored bytes read, inflated with uncompress
// and written with open/write/close below base. Returns the folders it created.
bool FloorExtract(const std::string& packagePath, const TPak& pak, const std::string& base,
                  std::vector<std::string>& files, std::vector<std::string>& created) {
  const int in = ::open(packagePath.c_str(), O_RDONLY);
  if (in < 0) return false;
  const bool done = [&] {
    Bytes stored, content;
    for (const TPakEntry& e : pak.Entries()) {
      std::string path = base + "/" + e.Name;
      for (char& c : path) c = c == '\\' ? '/' : c;
      stored.resize(e.StoredLength());
      if (::pread(in, stored.data(), stored.size(), static_cast<off_t>(e.Offset)) !=
          static_cast<ssize_t>(stored.size()))
        return false;
      const Bytes* data = &stored;
      if (e.StoredSize != 0) {
        content.resize(e.Size);
        uLongf length = e.Size;
        if (uncompress(content.data(), &length, stored.data(), e.StoredSize) != Z_OK) return false;
        data = &content;
      }
      if (!MakeParents(path, created)) return false;
      const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (out < 0) return false;
      const bool written = ::write(out, data->data(), data->size()) == static_cast<ssize_t>(data->size());
      ::close(out);
      if (!written) return false;
      files.push_back(std::move(path));
    }
    return true;
  }();
  ::close(in);
  return done;
}

bool FloorRemove(const std::vector<std::string>& files, const std::vector<std::string>& created) {
  for (const std::string& f : files) {
    if (::unlink(f.c_str()) != 0) return false;
  }
  for (auto it = created.rbegin(); it != created.rend(); ++it) {
    if (::rmdir(it->c_str()) != 0) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t smallCount = argc > 1 ? std::stoul(argv[1]) : 5000;
  const fs::path dir = fs::temp_directory_path() / "setup-install-run-bench";
  fs::remove_all(dir);
  const fs::path root = dir / "root";
  fs::create_directories(root / "C");
  fs::create_directories(dir / "floor");
  platform::posix::SetSandboxRoot(root.string());
  const std::string targetLocal = platform::posix::MapPath(kTarget);

  const std::string packageN = (dir / "n.pak").string();
  const std::string package2N = (dir / "2n.pak").string();
  const uint64_t contentBytes = WritePackage(packageN, smallCount, kLargeFiles);
  if (contentBytes == 0 || WritePackage(package2N, 2 * smallCount, 2 * kLargeFiles) == 0) return 1;
  const Bytes language = LanguageFile();

  // Each side runs three times, alternating; the best time of each counts.
  double floorExtract = 1e9, extract = 1e9, floorRemove = 1e9, remove = 1e9, remove2N = 1e9;
  size_t entries = 0, loggedFiles = 0, loggedFolders = 0, loggedFiles2N = 0;
  for (int round = 0; round < 3; ++round) {
    auto context = MakeContext(packageN, language);
    if (!context) return 1;
    entries = context->Package.Count();

    std::vector<std::string> floorFiles, floorFolders;
    floorFiles.reserve(entries);
    auto start = std::chrono::steady_clock::now();
    if (!FloorExtract(packageN, context->Package, (dir / "floor").string(), floorFiles, floorFolders))
      return 1;
    floorExtract = std::min(floorExtract, Seconds(start));

    start = std::chrono::steady_clock::now();
    ExtractGroupTo(*context, kTarget, kGroup);
    extract = std::min(extract, Seconds(start));
    loggedFiles = context->UninstallList.Files().size();
    loggedFolders = context->UninstallList.Folders().size();
    if (context->Run.SetupFailed || loggedFiles != entries) return 1;

    start = std::chrono::steady_clock::now();
    if (!FloorRemove(floorFiles, floorFolders)) return 1;
    floorRemove = std::min(floorRemove, Seconds(start));

    NoView view;
    start = std::chrono::steady_clock::now();
    RunRemoval(*context, view);
    remove = std::min(remove, Seconds(start));
    if (fs::exists(targetLocal)) return 1;

    auto context2N = MakeContext(package2N, language);
    if (!context2N) return 1;
    ExtractGroupTo(*context2N, kTarget, kGroup);
    loggedFiles2N = context2N->UninstallList.Files().size();
    start = std::chrono::steady_clock::now();
    RunRemoval(*context2N, view);
    remove2N = std::min(remove2N, Seconds(start));
    if (fs::exists(targetLocal)) return 1;
  }

  const double mb = static_cast<double>(contentBytes) / 1e6;
  std::printf("package: %zu entries (%zu small in nested folders, %zu of %.0f MB), %.1f MB content\n",
              entries, smallCount, kLargeFiles, static_cast<double>(kLargeSize) / 1e6, mb);
  std::printf("floor (read + inflate + mkdir/open/write):  %8.1f MB/s  %8.0f files/s\n", mb / floorExtract,
              static_cast<double>(entries) / floorExtract);
  std::printf("ExtractGroupTo:                             %8.1f MB/s  %8.0f files/s\n", mb / extract,
              static_cast<double>(entries) / extract);
  std::printf("ratio of throughputs, extraction/floor:     %8.2f\n", floorExtract / extract);
  std::printf("removal: %zu files, %zu folders recorded\n", loggedFiles, loggedFolders);
  std::printf("floor (unlink + rmdir):                     %8.2f ms\n", floorRemove * 1e3);
  std::printf("RunRemoval:                                 %8.2f ms\n", remove * 1e3);
  std::printf("ratio of times, removal/floor:              %8.2f\n", remove / floorRemove);
  std::printf("RunRemoval of %zu files:                    %8.2f ms\n", loggedFiles2N, remove2N * 1e3);
  std::printf("ratio of times, removal 2N/N:               %8.2f\n", remove2N / remove);
  fs::remove_all(dir);
  return 0;
}
