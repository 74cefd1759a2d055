#pragma once
// Shared helpers for the tests: a temporary folder, whole-file I/O, a recorder for
// message boxes, and a package builder written from the format alone (zlib and
// byte arithmetic, none of the package code), so that reader and writer are checked
// against an independent picture of the bytes.

#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"

namespace setup::test {

using Bytes = std::vector<uint8_t>;

// Runs f and returns the SetupError message it raised ("" when it raised none).
template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const SetupError& e) {
    return e.what();
  }
  return "";
}

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("setup-test-" + std::to_string(std::rand()) + "-" + std::to_string(counter++));
      if (std::filesystem::create_directories(path_)) break;
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Path(const std::string& name = "") const {
    return name.empty() ? path_.string() : (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
};

inline void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Text that deflates well, different for each seed.
inline Bytes CompressibleBytes(size_t size, uint32_t seed = 1) {
  Bytes out(size);
  uint32_t x = seed;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    out[i] = static_cast<uint8_t>("abcdefgh ijklmnop\r\n"[(x >> 16) % 19]);
  }
  return out;
}

// Bytes that do not deflate at all.
inline Bytes RandomBytes(size_t size, uint32_t seed = 7) {
  Bytes out(size);
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    out[i] = static_cast<uint8_t>(x >> 32);
  }
  return out;
}

// Records every message box and answers it with a fixed answer.
class MessageRecorder {
 public:
  struct Box {
    std::string text;
    std::string caption;
  };
  explicit MessageRecorder(int answer = platform::kAnswerOk) {
    previous_ = platform::SetMessageHandler([this, answer](const platform::MessageRequest& r) {
      boxes.push_back({platform::WideToAnsi(r.text), platform::WideToAnsi(r.caption)});
      return answer;
    });
  }
  ~MessageRecorder() { platform::SetMessageHandler(std::move(previous_)); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<Box> boxes;

 private:
  platform::MessageHandler previous_;
};

inline void AppendU16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
// A language file as an editor saves it: the byte-order mark FF FE, then each
// character low byte first.
inline Bytes Utf16File(std::u16string_view text) {
  Bytes b = {0xFF, 0xFE};
  for (char16_t c : text) AppendU16(b, c);
  return b;
}
inline void AppendU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Builds package bytes by hand. Each entry's stored bytes are either its content
// (raw) or a level-9 zlib stream of it; records and trailer are laid out field by field.
struct RawEntry {
  std::string name;
  uint16_t group = 0;
  Bytes content;
  bool compress = true;
};

struct RawRecord {
  std::string name;
  uint32_t crc, offset, storedSize, size;
  uint16_t group;
};

struct RawPackage {
  Bytes bytes;
  std::vector<RawRecord> records;
  uint32_t dataStart = 0;
  uint32_t tableOffset = 0;
};

inline RawPackage BuildRawPackage(const std::vector<RawEntry>& entries, const Bytes& host = {}) {
  RawPackage pkg;
  pkg.bytes = host;
  pkg.dataStart = static_cast<uint32_t>(host.size());
  for (const RawEntry& e : entries) {
    RawRecord r{e.name, 0, 0, 0, static_cast<uint32_t>(e.content.size()), e.group};
    if (!e.content.empty()) {
      Bytes stored = e.content;
      if (e.compress) {
        uLongf len = compressBound(static_cast<uLong>(e.content.size()));
        stored.resize(len);
        compress2(stored.data(), &len, e.content.data(), static_cast<uLong>(e.content.size()), 9);
        stored.resize(len);
        r.storedSize = static_cast<uint32_t>(len);
      }
      r.crc = static_cast<uint32_t>(crc32(0, stored.data(), static_cast<uInt>(stored.size())));
      r.offset = static_cast<uint32_t>(pkg.bytes.size());
      pkg.bytes.insert(pkg.bytes.end(), stored.begin(), stored.end());
    }
    pkg.records.push_back(r);
  }
  pkg.tableOffset = static_cast<uint32_t>(pkg.bytes.size());
  for (const RawRecord& r : pkg.records) {
    AppendU16(pkg.bytes, static_cast<uint16_t>(r.name.size()));
    pkg.bytes.insert(pkg.bytes.end(), r.name.begin(), r.name.end());
    AppendU32(pkg.bytes, r.crc);
    AppendU32(pkg.bytes, r.offset);
    AppendU32(pkg.bytes, r.storedSize);
    AppendU32(pkg.bytes, r.size);
    AppendU16(pkg.bytes, r.group);
  }
  pkg.bytes.insert(pkg.bytes.end(), {'K', 'Z', 'P', 'F'});
  AppendU16(pkg.bytes, 1);
  AppendU16(pkg.bytes, static_cast<uint16_t>(entries.size()));
  AppendU32(pkg.bytes, pkg.dataStart);
  AppendU32(pkg.bytes, pkg.tableOffset);
  return pkg;
}

}  // namespace setup::test
