#include "setupc/manifest_level.h"

#include <algorithm>
#include <string_view>

#include "platform/files.h"
#include "setupc/local_files.h"
#include "setupc/text.h"

namespace setup::setupc {

namespace {

constexpr std::string_view kLevelAttribute = "requestedExecutionLevel level=\"";
constexpr std::string_view kAsInvoker = "asInvoker";

std::string_view AsText(ByteView image) { return {reinterpret_cast<const char*>(image.data()), image.size()}; }

// Where the level's value starts, when the attribute stands exactly once.
std::optional<size_t> LevelOffset(std::string_view text) {
  const size_t at = text.find(kLevelAttribute);
  if (at == std::string_view::npos || text.find(kLevelAttribute, at + 1) != std::string_view::npos) {
    return std::nullopt;
  }
  return at + kLevelAttribute.size();
}

}  // namespace

std::optional<std::string> ManifestExecutionLevel(ByteView image) {
  const std::string_view text = AsText(image);
  const std::optional<size_t> start = LevelOffset(text);
  if (!start) return std::nullopt;
  const size_t end = text.find('"', *start);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(text.substr(*start, end - *start));
}

std::string RequestNoElevation(const std::string& path) {
  const std::optional<Bytes> image = ReadWholeFile(path);
  if (!image) return "cannot read " + path;
  const std::string_view text = AsText(*image);
  const std::optional<size_t> start = LevelOffset(text);
  const size_t end = start ? text.find('"', *start) : std::string_view::npos;
  if (end == std::string_view::npos || end - *start < kAsInvoker.size()) {
    return "the stub " + path + " has no manifest level to make per-user";
  }
  // "asInvoker" and the closing quote, then blanks up to where the old value's quote
  // stood: XML allows blanks between attributes.
  std::string replacement(kAsInvoker);
  replacement.push_back('"');
  replacement.append(end - *start - kAsInvoker.size(), ' ');
  platform::File file;
  if (!file.Open(path, platform::OpenMode::ReadWriteExclusive) ||
      !file.WriteAt(*start, replacement.data(), replacement.size()) || !file.Flush()) {
    return "cannot write " + path;
  }
  return {};
}

}  // namespace setup::setupc
