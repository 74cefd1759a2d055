#include "installlog/install_log.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/errors.h"
#include "platform/sha256.h"

namespace setup {

namespace {

// The decoder reads through a source with two operations: Read(dest, n) gives exactly
// n bytes or fails, and Remaining() tells how many bytes are left (an upper bound for
// what the counts can still fill).
class SpanSource {
 public:
  explicit SpanSource(ByteView data) : data_(data) {}

  bool Read(uint8_t* dest, size_t count) {
    if (data_.size() - pos_ < count) return false;
    if (count != 0) std::memcpy(dest, data_.data() + pos_, count);
    pos_ += count;
    return true;
  }
  uint64_t Remaining() const { return data_.size() - pos_; }

 private:
  ByteView data_;
  size_t pos_ = 0;
};

// Reads an open file through a buffer: a log is a run of small pieces (a count, a
// short string), and one system call per piece would dominate loading. With a digest,
// every buffer read is added to it.
class FileSource {
 public:
  FileSource(platform::File& file, platform::Sha256* digest)
      : file_(file), remaining_(file.Size()), digest_(digest) {}

  bool Read(uint8_t* dest, size_t count) {
    while (count > 0) {
      if (pos_ == length_ && !Fill()) return false;
      const size_t n = std::min(count, length_ - pos_);
      std::memcpy(dest, buffer_.data() + pos_, n);
      pos_ += n;
      dest += n;
      count -= n;
      remaining_ -= std::min<uint64_t>(remaining_, n);
    }
    return true;
  }
  uint64_t Remaining() const { return remaining_; }

  // Reads the rest of the file into the digest and returns the digest's text; empty
  // when there is no digest or it failed.
  std::string FinishDigest() {
    if (digest_ == nullptr) return {};
    while (Fill()) {
    }
    platform::Sha256Digest value{};
    if (digestFailed_ || !digest_->Final(value)) return {};
    return platform::DigestHex(value);
  }

 private:
  bool Fill() {
    length_ = file_.Read(buffer_.data(), buffer_.size());
    pos_ = 0;
    if (digest_ != nullptr && length_ > 0 && !digest_->Update(buffer_.data(), length_)) digestFailed_ = true;
    return length_ > 0;
  }

  platform::File& file_;
  uint64_t remaining_;
  platform::Sha256* digest_;
  bool digestFailed_ = false;
  Bytes buffer_ = Bytes(64 * 1024);
  size_t pos_ = 0;
  size_t length_ = 0;
};

template <typename Source>
InstallLogImage Decode(Source& source, std::string_view key) {
  InstallLogImage image;
  uint8_t header[6];
  if (!source.Read(header, sizeof header)) return image;
  image.HeaderComplete = true;
  std::vector<std::string>* lists[3] = {&image.Lists.Files, &image.Lists.RegistryEntries,
                                        &image.Lists.Folders};
  for (size_t k = 0; k < 3; ++k) image.Announced[k] = GetU16(header + 2 * k);

  for (size_t k = 0; k < 3; ++k) {
    std::vector<std::string>& list = *lists[k];
    // Every entry takes at least its two count bytes: a damaged count reserves no more
    // than the rest of the log could fill.
    list.reserve(static_cast<size_t>(std::min<uint64_t>(image.Announced[k], source.Remaining() / 2)));
    for (size_t i = 0; i < image.Announced[k]; ++i) {
      uint8_t count[2];
      if (!source.Read(count, sizeof count)) return image;
      std::string entry(GetU16(count), '\0');
      if (!source.Read(reinterpret_cast<uint8_t*>(entry.data()), entry.size())) return image;
      DecodeInPlace(key, entry);
      list.push_back(std::move(entry));
    }
  }
  image.Complete = true;
  image.TrailingBytes = source.Remaining();
  return image;
}

}  // namespace

std::string InstallLogPath(const std::string& folder, const std::string& prefix) {
  return folder + "\\" + prefix + "install.log";
}

Bytes EncodeInstallLog(const InstallLogLists& lists, std::string_view key) {
  const std::vector<std::string>* all[3] = {&lists.Files, &lists.RegistryEntries, &lists.Folders};
  size_t total = 6;
  for (const auto* list : all) {
    if (list->size() > kMaxLogEntries) {
      throw SetupError("Install log list too long (" + std::to_string(list->size()) +
                       " entries, at most 65535)");
    }
    for (const std::string& entry : *list) {
      if (entry.size() > kMaxLogEntryLength) {
        throw SetupError("Install log entry too long (" + std::to_string(entry.size()) +
                         " bytes, at most 65535)");
      }
      total += 2 + entry.size();
    }
  }

  Bytes out(total);
  uint8_t* p = out.data();
  for (const auto* list : all) {
    PutU16(p, static_cast<uint16_t>(list->size()));
    p += 2;
  }
  for (const auto* list : all) {
    for (const std::string& entry : *list) {
      PutU16(p, static_cast<uint16_t>(entry.size()));
      char* chars = reinterpret_cast<char*>(p + 2);
      if (!entry.empty()) std::memcpy(chars, entry.data(), entry.size());
      EncodeInPlace(key, std::span<char>(chars, entry.size()));
      p += 2 + entry.size();
    }
  }
  return out;
}

InstallLogImage DecodeInstallLog(ByteView bytes, std::string_view key) {
  SpanSource source(bytes);
  return Decode(source, key);
}

bool ReadInstallLogFile(const std::string& path, InstallLogImage& image, std::string_view key,
                        std::string* digest) {
  if (!platform::FileExists(path)) return false;
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadShared)) return false;
  std::optional<platform::Sha256> sha;
  if (digest != nullptr) sha.emplace();
  FileSource source(file, sha ? &*sha : nullptr);
  image = Decode(source, key);
  if (digest != nullptr) *digest = source.FinishDigest();
  return true;
}

bool WriteCountedString(platform::File& file, const std::string& text) {
  if (text.size() > kMaxLogEntryLength) return true;
  Bytes piece(2 + text.size());
  PutU16(piece.data(), static_cast<uint16_t>(text.size()));
  if (!text.empty()) std::memcpy(piece.data() + 2, text.data(), text.size());
  return !file.Write(piece.data(), piece.size());
}

bool ReadCountedString(platform::File& file, std::string& text) {
  uint8_t count[2];
  if (file.Read(count, sizeof count) != sizeof count) return false;
  std::string read(GetU16(count), '\0');
  if (file.Read(read.data(), read.size()) != read.size()) return false;
  text = std::move(read);
  return true;
}

}  // namespace setup
