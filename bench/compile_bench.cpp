// Compile throughput: `setupc compile` of a script whose one "file" line names about
// 200 MB of mixed files, with one and with two compressing workers, against a floor of
// bare zlib level-9 compression of the same files on one core. Prints MB/s for each,
// the speed-up of two workers over one, and one worker against the floor. The first
// argument sets the payload in MB.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "setupc/setupc.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

using bench::MakeContent;

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& path) {
  Bytes bytes(fs::file_size(path));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// Wall-clock and processor seconds of one run; processor time above wall-clock time
// shows the threads at work (and a machine busy with other work shows as less).
struct Timing {
  double wall = 1e9;
  double cpu = 0;
  void Keep(double w, double c) {
    if (w < wall) wall = w, cpu = c;
  }
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Seconds for one compile, or a negative value when it failed.
double Compile(const fs::path& dir, const char* jobs) {
  const std::string out = (dir / "setup.exe").string();
  std::ostringstream stdOut, stdErr;
  const auto start = std::chrono::steady_clock::now();
  const int code = setup::setupc::RunSetupc({"compile", (dir / "script.txt").string(), "--stub",
                                             (dir / "stub.exe").string(), "--jobs", jobs, "-o", out},
                                            stdOut, stdErr);
  const double seconds = Seconds(start);
  if (code != 0) {
    std::fprintf(stderr, "compile failed: %s", stdErr.str().c_str());
    return -1;
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t total = argc > 1 ? std::stoul(argv[1]) * 1000000ul : 200000000ul;
  const fs::path dir = fs::temp_directory_path() / "setup-compile-bench";
  fs::remove_all(dir);
  fs::create_directories(dir / "payload");
  WriteFile(dir / "stub.exe", Bytes(4096, 0x90));
  const std::string script = "outfile setup.exe\r\nfile payload\r\n";
  WriteFile(dir / "script.txt", Bytes(script.begin(), script.end()));
  size_t written = 0, files = 0;
  for (uint32_t i = 0; written < total; ++i, ++files) {
    const size_t size = 1000000 + (i * 2654435761u) % 7000000;  // 1 to 8 MB
    WriteFile(dir / "payload" / ("file" + std::to_string(1000 + i)),
              MakeContent(size, static_cast<int>(i % 3), i));
    written += size;
  }

  // Each side runs twice, alternating; the best time of each counts.
  Timing floor, one, two;
  for (int round = 0; round < 2; ++round) {
    // Floor: read each file and compress it at level 9, one after the other.
    auto start = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    for (const auto& entry : fs::directory_iterator(dir / "payload")) {
      const Bytes content = ReadFile(entry.path());
      uLongf length = compressBound(static_cast<uLong>(content.size()));
      Bytes stream(length);
      if (compress2(stream.data(), &length, content.data(), static_cast<uLong>(content.size()), 9) != Z_OK)
        return 1;
    }
    floor.Keep(Seconds(start), CpuSeconds() - cpu);
    for (auto [jobs, timing] : {std::pair{"1", &one}, std::pair{"2", &two}}) {
      cpu = CpuSeconds();
      const double seconds = Compile(dir, jobs);
      if (seconds < 0) return 1;
      timing->Keep(seconds, CpuSeconds() - cpu);
    }
  }

  const double mb = static_cast<double>(written) / 1e6;
  std::printf("payload: %zu files, %.1f MB (text, random and sparse)\n", files, mb);
  auto line = [&](const char* what, const Timing& t) {
    std::printf("%-40s %6.1f MB/s  (processor time %.0f%% of wall-clock time)\n", what, mb / t.wall,
                100 * t.cpu / t.wall);
  };
  line("floor (read + zlib level 9, one core):", floor);
  line("compile --jobs 1:", one);
  line("compile --jobs 2:", two);
  std::printf("ratio jobs 2 / jobs 1:                    %.2f\n", one.wall / two.wall);
  std::printf("ratio jobs 1 / floor:                     %.2f\n", floor.wall / one.wall);
  std::printf("setup written: %.1f MB\n", static_cast<double>(fs::file_size(dir / "setup.exe")) / 1e6);
  fs::remove_all(dir);
  return 0;
}
