#pragma once
// Shared helpers for the tests: a temporary folder, whole-file I/O, a recorder for
// message boxes, registry values, folder listings and started programs as tests look
// at them, and a package builder, an install log, an empty KZP package and an icon file
// written from their formats alone (zlib and byte arithmetic, none of the product's
// code), so that readers and writers are checked against an independent picture of the
// bytes.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/programs.h"
#include "platform/registry.h"

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

// Exactly one box was shown, with this caption and text.
inline void ExpectOneBox(const MessageRecorder& recorder, std::string_view caption, std::string_view text) {
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].caption, caption);
  EXPECT_EQ(recorder.boxes[0].text, text);
}

// A string value through the registry service; nullopt when the key does not open or
// the value holds no text.
inline std::optional<std::string> RegistryString(uint32_t root, const std::string& key,
                                                 const std::string& name) {
  platform::RegistryKey k;
  if (!k.Open(root, key)) return std::nullopt;
  return k.ReadString(name);
}
// True when the key holds a value of that name, text or number.
inline bool HasRegistryValue(uint32_t root, const std::string& key, const std::string& name) {
  platform::RegistryKey k;
  return k.Open(root, key) && (k.ReadString(name).has_value() || k.ReadDword(name).has_value());
}
// Writes a string value, creating the key.
inline void WriteRegistryString(uint32_t root, const std::string& key, const std::string& name,
                                const std::string& data) {
  platform::RegistryKey k;
  ASSERT_TRUE(k.Create(root, key)) << key;
  ASSERT_TRUE(k.WriteString(name, data)) << key << " " << name;
}

// A folder's entries as (name, folder flag), sorted by name.
using Listing = std::vector<std::pair<std::string, bool>>;
inline Listing SortedListing(const std::string& folder) {
  Listing out;
  for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
    out.emplace_back(entry.name, entry.isFolder);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The exit code of a started program once it has ended; kStillActive when it is still
// running after a minute.
inline std::optional<uint32_t> WaitForExit(const platform::RunningProgram& program) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::optional<uint32_t> code = program.ExitCode();
  while (code == platform::kStillActive && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    code = program.ExitCode();
  }
  return code;
}

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
// A counted string: its length as a u16, then its bytes.
inline void AppendCounted(Bytes& b, std::string_view text) {
  AppendU16(b, static_cast<uint16_t>(text.size()));
  b.insert(b.end(), text.begin(), text.end());
}
inline void SetU32At(Bytes& b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A level-9 zlib stream of the bytes.
inline Bytes Deflate(const Bytes& in) {
  uLongf length = compressBound(static_cast<uLong>(in.size()));
  Bytes out(length);
  compress2(out.data(), &length, in.data(), static_cast<uLong>(in.size()), 9);
  out.resize(length);
  return out;
}

// An empty KZP package: the zlib stream of an empty table, then the footer (stream
// length 8, table size 0, version 5, no records, reserved 0), without a signature.
inline Bytes EmptyKzpPackage() {
  Bytes bytes = {0x78, 0xDA, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
  for (uint32_t v : {8u, 0u, 5u, 0u, 0u}) AppendU32(bytes, v);
  return bytes;
}

// An install log written from its format alone: three u16 counts, then counted strings
// whose bytes are the entry's plus the key's next digit (modulo 256), the key starting
// again at its first digit for each entry. ends[i] is where the i-th string ends.
struct HandLog {
  Bytes bytes;
  std::vector<size_t> ends;
};
inline HandLog InstallLogByHand(const std::vector<std::vector<std::string>>& lists, std::string_view key) {
  HandLog log;
  for (const auto& list : lists) AppendU16(log.bytes, static_cast<uint16_t>(list.size()));
  for (const auto& list : lists) {
    for (const std::string& entry : list) {
      AppendU16(log.bytes, static_cast<uint16_t>(entry.size()));
      for (size_t i = 0; i < entry.size(); ++i) {
        const int digit = key[i % key.size()] - '0';
        log.bytes.push_back(static_cast<uint8_t>(static_cast<uint8_t>(entry[i]) + digit));
      }
      log.ends.push_back(log.bytes.size());
    }
  }
  return log;
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
      const Bytes stored = e.compress ? Deflate(e.content) : e.content;
      if (e.compress) r.storedSize = static_cast<uint32_t>(stored.size());
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

// One image of an icon file: the bitmap header with the height doubled for the mask,
// width x height pixels of one colour (bits 24 or 32; colour 0xAARRGGBB, its low bytes
// first), then the mask, all clear (every pixel shows); rows padded to 4 bytes.
inline Bytes SolidIconImage(uint32_t width, uint32_t height, uint16_t bits, uint32_t colour) {
  Bytes b;
  for (uint32_t value : {40u, width, 2 * height}) AppendU32(b, value);  // header size, width, height
  AppendU16(b, 1);                                                      // planes
  AppendU16(b, bits);
  for (int i = 0; i < 6; ++i) AppendU32(b, 0);  // no compression, sizes and colours left to the reader
  Bytes pixel;
  AppendU32(pixel, colour);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) b.insert(b.end(), pixel.begin(), pixel.begin() + bits / 8);
    b.resize((b.size() + 3) & ~size_t{3}, 0);  // the header's 40 bytes keep each row on a 4-byte boundary
  }
  b.resize(b.size() + height * ((width + 31) / 32 * 4), 0);
  return b;
}

// An icon file of one image: the header, one directory entry (width, height and bits
// taken from the image's header; the byte count at 14 and the offset at 18 as given),
// then the image.
inline Bytes IconFile(const Bytes& image, uint32_t declaredSize, uint32_t declaredOffset) {
  Bytes b;
  for (uint16_t value : {0, 1, 1}) AppendU16(b, value);  // reserved, icon, one image
  // width, height (half the image's, which counts the mask), colours, reserved, planes, bits
  b.insert(b.end(), {image[4], static_cast<uint8_t>(image[8] / 2), 0, 0, 1, 0, image[14], 0});
  AppendU32(b, declaredSize);
  AppendU32(b, declaredOffset);
  b.insert(b.end(), image.begin(), image.end());
  return b;
}
inline Bytes IconFile(const Bytes& image) { return IconFile(image, static_cast<uint32_t>(image.size()), 22); }

// Where record `index`'s CRC lies in the package bytes; its offset, stored size and size
// follow at +4, +8 and +12.
inline size_t RecordCrcPos(const RawPackage& pkg, size_t index) {
  size_t pos = pkg.tableOffset;
  for (size_t i = 0; i < index; ++i) pos += 20 + pkg.records[i].name.size();
  return pos + 2 + pkg.records[index].name.size();
}

// Records the CRC of entry `index`'s stored bytes as a test has damaged them, so that
// only inflating the entry can find the damage.
inline void RestampCrc(RawPackage& pkg, size_t index) {
  const RawRecord& r = pkg.records[index];
  const uint32_t crc = static_cast<uint32_t>(crc32(0, &pkg.bytes[r.offset], r.storedSize));
  SetU32At(pkg.bytes, RecordCrcPos(pkg, index), crc);
}

}  // namespace setup::test
