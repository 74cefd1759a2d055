#pragma once
// SHA-256 digests through the system's cryptographic service: the CryptoAPI on Windows
// (PROV_RSA_AES, CRYPT_VERIFYCONTEXT, CALG_SHA_256), OpenSSL's libcrypto elsewhere.
// The registration of an installation carries the SHA-256 of its install log, so that
// the uninstaller acts only on the log the installation wrote.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace setup::platform {

using Sha256Digest = std::array<uint8_t, 32>;

// One running digest. Every operation reports failure instead of raising, so the
// caller chooses what a failure means. Not copyable.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // False when the service could not start a digest.
  bool Ready() const;
  bool Update(const void* data, size_t count);
  // The digest of everything given to Update; the object is spent afterwards.
  bool Final(Sha256Digest& digest);

 private:
  struct State;
  State* state_ = nullptr;
};

// The digest as 64 lower-case hexadecimal digits.
std::string DigestHex(const Sha256Digest& digest);

// The SHA-256 of the bytes in hexadecimal; nullopt when the service failed.
std::optional<std::string> Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace setup::platform
