#include "setupc/host_file.h"

#include <filesystem>
#include <ostream>

#include "base/byte_io.h"
#include "platform/files.h"
#ifndef _WIN32
#include "platform/posix/posix_controls.h"
#endif
#include "setupc/commands.h"

namespace setup::setupc {

namespace {
constexpr uint64_t kMaxPackageEnd = 0xFFFFFFFFu;  // offsets are 32-bit
}  // namespace

// Whether two paths name one file. Windows needs no check beyond the names: the output
// is created without sharing while the host is open, which fails for the same file.
bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
#ifdef _WIN32
  return false;
#else
  std::error_code ec;
  return std::filesystem::equivalent(platform::posix::MapPath(a), platform::posix::MapPath(b), ec);
#endif
}

// Copies the host's bytes to a new output file; returns the host's size, or reports
// and leaves no output behind.
std::optional<uint64_t> CopyHost(const std::string& host, const std::string& output, const std::string& role,
                                 std::ostream& err) {
  platform::File in;
  if (!in.Open(host, platform::OpenMode::ReadShared)) {
    ReportError(err, "cannot read " + role + " file " + host);
    return std::nullopt;
  }
  const uint64_t size = in.Size();
  if (size > kMaxPackageEnd) {
    ReportError(err, role + " file " + host + " is larger than 4 GiB");
    return std::nullopt;
  }
  platform::File outFile;
  if (!outFile.Open(output, platform::OpenMode::CreateAlways)) {
    ReportError(err, "cannot create " + output);
    return std::nullopt;
  }
  Bytes buffer(1 << 20);
  uint64_t copied = 0;
  for (;;) {
    const size_t got = in.Read(buffer.data(), buffer.size());
    if (got == 0) break;
    if (!outFile.Write(buffer.data(), got)) break;
    copied += got;
  }
  if (copied != size) {
    outFile.Close();
    platform::RemoveFile(output);
    ReportError(err, "cannot copy " + role + " file " + host + " to " + output);
    return std::nullopt;
  }
  return size;
}

}  // namespace setup::setupc
