#pragma once
// Runs setupc commands in-process with captured output, in a temporary folder, and
// reads packages back field by field (zlib and byte arithmetic only), so the tool is
// checked against the format rather than against the package code it is built on.

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "setupc/setupc.h"
#include "test_support.h"

namespace setup::setupc {

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

// One table record as it lies in the file, and the trailer.
struct FileRecord {
  std::string name;
  uint32_t crc, offset, storedSize, size;
  uint16_t group;
};
struct FilePackage {
  std::string magic;
  uint16_t version = 0, count = 0;
  uint32_t dataStart = 0, tableOffset = 0;
  std::vector<FileRecord> records;
  bool tableFitsExactly = false;  // the records end where the trailer begins
};

inline uint16_t U16At(const test::Bytes& b, size_t p) {
  return static_cast<uint16_t>(b[p] | (b[p + 1] << 8));
}
inline uint32_t U32At(const test::Bytes& b, size_t p) {
  return static_cast<uint32_t>(b[p] | (b[p + 1] << 8) | (b[p + 2] << 16)) |
         (static_cast<uint32_t>(b[p + 3]) << 24);
}

// Reads a well-formed package; a malformed one fails the calling test.
inline FilePackage ParsePackageBytes(const test::Bytes& b) {
  FilePackage pkg;
  if (b.size() < 16) {
    ADD_FAILURE() << "shorter than a trailer";
    return pkg;
  }
  const size_t t = b.size() - 16;
  pkg.magic.assign(b.begin() + static_cast<long>(t), b.begin() + static_cast<long>(t) + 4);
  pkg.version = U16At(b, t + 4);
  pkg.count = U16At(b, t + 6);
  pkg.dataStart = U32At(b, t + 8);
  pkg.tableOffset = U32At(b, t + 12);
  size_t p = pkg.tableOffset;
  for (size_t i = 0; i < pkg.count; ++i) {
    if (p + 2 > t || p + 2 + U16At(b, p) + 18 > t) {
      ADD_FAILURE() << "record " << i << " runs past the trailer";
      return pkg;
    }
    FileRecord r;
    const size_t n = U16At(b, p);
    r.name.assign(b.begin() + static_cast<long>(p + 2), b.begin() + static_cast<long>(p + 2 + n));
    p += 2 + n;
    r.crc = U32At(b, p);
    r.offset = U32At(b, p + 4);
    r.storedSize = U32At(b, p + 8);
    r.size = U32At(b, p + 12);
    r.group = U16At(b, p + 16);
    p += 18;
    pkg.records.push_back(r);
  }
  pkg.tableFitsExactly = p == t;
  return pkg;
}

// The content of a record, decoded independently: raw bytes or an inflated stream.
inline test::Bytes RecordContent(const test::Bytes& b, const FileRecord& r) {
  if (r.size == 0) return {};
  if (r.storedSize == 0) return test::Bytes(b.begin() + r.offset, b.begin() + r.offset + r.size);
  test::Bytes content(r.size);
  uLongf length = r.size;
  const int rc = uncompress(content.data(), &length, b.data() + r.offset, r.storedSize);
  EXPECT_EQ(rc, Z_OK) << r.name;
  EXPECT_EQ(length, r.size) << r.name;
  return content;
}

inline uint32_t CrcOf(const uint8_t* data, size_t size) {
  return static_cast<uint32_t>(crc32(0, data, static_cast<uInt>(size)));
}

class SetupcTest : public ::testing::Test {
 protected:
  RunResult Run(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    RunResult result;
    result.code = RunSetupc(arguments, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  std::string Path(const std::string& name) const { return dir_.Path(name); }

  // Writes a source file and returns its path.
  std::string Source(const std::string& name, const test::Bytes& content) {
    test::WriteFileBytes(Path(name), content);
    return Path(name);
  }

  // Packs the entries into name; fails the test unless it succeeds.
  std::string Pack(const std::string& name, const std::vector<std::string>& entries,
                   const std::string& host = "") {
    std::vector<std::string> arguments = {"pack", Path(name)};
    if (!host.empty()) arguments.insert(arguments.end(), {"--host", host});
    arguments.insert(arguments.end(), entries.begin(), entries.end());
    const RunResult r = Run(arguments);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    return Path(name);
  }

  test::TempDir dir_;
};

// One line of err: the tool's promise is one line per error.
inline size_t LineCount(const std::string& text) {
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

}  // namespace setup::setupc
