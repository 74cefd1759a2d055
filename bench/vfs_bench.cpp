// VFS archive updates. Scaling: putting N new files (spread over 100 folders) into an
// archive that already holds N, flush included, at N = 10,000 and 20,000; linear work
// gives a ratio near 2 (target at most 2.2). Digest: the archive's MD5 as Flush computes
// it against a floor measured in the same run, plain stdio reads of the same bytes fed
// to libcrypto's MD5 (target throughput ratio at least 0.9). Best of three rounds each.
#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/byte_io.h"
#include "platform/files.h"
#include "vfs/vfs_file.h"

using namespace setup;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void MakeEmpty(const std::string& path, uint32_t blockSize, uint32_t blocks) {
  TVFSHeader header;
  header.BlockSize = blockSize;
  header.BlockCount = blocks;
  header.RootCount = 256;
  std::filesystem::remove(path + ".journal");  // left by an earlier run that stopped
  platform::File file;
  const Bytes front = header.FrontBytes();
  const Bytes rest = header.DescriptionBytes();
  if (!file.Open(path, platform::OpenMode::CreateAlways) || !file.Write(front.data(), front.size()) ||
      !file.Write(rest.data(), rest.size()) || !file.SetLength(header.DataEnd())) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

void PutFiles(TVFSFile& archive, size_t count, const char* stem) {
  std::string content;
  for (size_t i = 0; i < count; ++i) {
    content = "file " + std::to_string(i) + " of " + stem + ": " + std::string(60 + i % 40, 'a' + i % 26);
    const std::string path = "dir" + std::to_string(i % 100) + "\\" + stem + std::to_string(i) + ".dat";
    archive.Tree().PutFile(path, reinterpret_cast<const uint8_t*>(content.data()),
                           static_cast<uint32_t>(content.size()));
  }
}

// Seconds to open an archive holding n files, put n more and flush.
double TimeUpdate(const std::string& path, size_t n) {
  MakeEmpty(path, 256, static_cast<uint32_t>(3 * n + 2000));
  {
    TVFSFile archive;
    archive.Open(path, true);
    PutFiles(archive, n, "old");
    archive.Flush(false);
  }
  const auto start = std::chrono::steady_clock::now();
  TVFSFile archive;
  archive.Open(path, true);
  PutFiles(archive, n, "new");
  archive.Flush(false);
  return Seconds(start);
}

double TimeBareMd5(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  std::FILE* in = std::fopen(path.c_str(), "rb");
  std::fseek(in, 44, SEEK_SET);
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, EVP_md5(), nullptr);
  std::vector<unsigned char> piece(262144);
  size_t n = 0;
  while ((n = std::fread(piece.data(), 1, piece.size(), in)) > 0) EVP_DigestUpdate(context, piece.data(), n);
  unsigned char digest[16];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  EVP_MD_CTX_free(context);
  std::fclose(in);
  return Seconds(start);
}

}  // namespace

int main() {
  const auto root = std::filesystem::temp_directory_path() / "setup-vfs-bench";
  std::filesystem::create_directories(root);
  const std::string path = (root / "bench.vfs").string();

  double small = 1e9, large = 1e9;
  for (int round = 0; round < 3; ++round) {
    small = std::min(small, TimeUpdate(path, 10000));
    large = std::min(large, TimeUpdate(path, 20000));
  }
  std::printf("vfs put: 10,000 into 10,000: %.3f s; 20,000 into 20,000: %.3f s; ratio %.2f (target <= 2.2)\n",
              small, large, large / small);

  MakeEmpty(path, 4096, 32768);  // a 128 MiB archive
  TVFSFile archive;
  archive.Open(path, true);
  const uint64_t bytes = std::filesystem::file_size(path) - 44;
  double digest = 1e9, bare = 1e9;
  for (int round = 0; round < 3; ++round) {
    bare = std::min(bare, TimeBareMd5(path));
    const auto start = std::chrono::steady_clock::now();
    archive.ComputeDigest();
    digest = std::min(digest, Seconds(start));
  }
  archive.Close();
  std::printf("vfs digest: %.1f MB/s; bare MD5 loop over the same bytes: %.1f MB/s; ratio %.2f (target >= 0.9)\n",
              bytes / digest / 1e6, bytes / bare / 1e6, bare / digest);
  std::filesystem::remove_all(root);
  return 0;
}
