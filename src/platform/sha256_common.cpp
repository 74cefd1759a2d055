#include "platform/sha256.h"

namespace setup::platform {

std::string DigestHex(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * digest.size());
  for (const uint8_t b : digest) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

std::optional<std::string> Sha256Hex(std::span<const uint8_t> bytes) {
  Sha256 sha;
  Sha256Digest digest{};
  if (!sha.Update(bytes.data(), bytes.size()) || !sha.Final(digest)) return std::nullopt;
  return DigestHex(digest);
}

}  // namespace setup::platform
